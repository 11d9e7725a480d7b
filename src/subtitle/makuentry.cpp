#include "subtitle/makuentry.h"

#include "platform/text.h"
#include "platform/textfile.h"
#include "settings/program.h"

namespace {

const QString kSeparator = QStringLiteral("<>");
const QString kLineBreak = QStringLiteral("\r\n");

} // namespace

QString GetMakuReplace(const QString &text)
{
    QString result = text;
    // The blank after a break belongs to the board's formatting, not to the next line.
    result.replace(QStringLiteral("<br> "), kLineBreak);
    result.replace(QStringLiteral("<br>"), kLineBreak);
    result = RemoveTags(result);
    result = DecodeEntities(result);
    if (result.startsWith(QLatin1Char(' ')))
        result.remove(0, 1);
    return result;
}

QStringList SplitMakuEntry(const QString &entry)
{
    QString padded = entry;
    if (CountString(padded, kSeparator) < 5)
        padded += QStringLiteral("<><><><>");
    QStringList fields = padded.split(kSeparator);
    // An entry without any separator still needs five fields to be drawn.
    while (fields.size() < 5)
        fields.append(QString());
    return fields;
}

QString MakuSoundFor(const Program &program, const QString &message)
{
    if (program.flags.GameOpen)
        return QString();
    const QString maku = program.dataFile(QStringLiteral("newmaku.wav"));
    if (!FileExists(maku))
        return QString();
    const QString info = program.dataFile(QStringLiteral("newinfo.wav"));
    if (message.contains(QStringLiteral("sazanamiからのお知らせ")) && FileExists(info))
        return info;
    return maku;
}

void DrawIdleText(Program &program, const TextDrawHook &draw, const QString &text,
                  const QString &command)
{
    if (!draw)
        return;
    const bool switchMode = !command.isEmpty() && program.opt.MakuMode == 0;
    if (switchMode)
        program.opt.MakuMode = 1;
    draw(text, command, true, QString(), QString(), QString());
    if (switchMode)
        program.opt.MakuMode = 0;
}

bool FreeDraw(Program &program, const TextDrawHook &draw, const AskTextHook &ask)
{
    program.flags.DragPointView = true;
    if (!ask)
        return false;
    const std::optional<QString> text = ask(QStringLiteral("表示する文字を書いてください"));
    if (!text || text->isEmpty())
        return false;
    // A cancelled second prompt reads as no command words, as an empty answer does.
    const QString command = ask(QStringLiteral("コマンドを指定してください")).value_or(QString());
    if (draw)
        draw(*text, command, false, QString(), QString(), QString());
    return true;
}
