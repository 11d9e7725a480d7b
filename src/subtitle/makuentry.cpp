#include "subtitle/makuentry.h"

#include "platform/text.h"
#include "platform/textfile.h"
#include "settings/commandwords.h"
#include "settings/program.h"

#include <QDeadlineTimer>

namespace {

const QString kLineBreak = QStringLiteral("\r\n");

} // namespace

QString MakuEntry::text() const
{
    return kind == Kind::Post || kind == Kind::Notice ? GetMakuReplace(message) : message;
}

QString MakuEntry::listText() const
{
    const QString separator = QStringLiteral("<>");
    return command + separator + message + separator + id + separator + name + separator + number;
}

QString MakuEntry::rowText() const
{
    // A list row is one line, and a board's long post need not be read or laid out whole.
    constexpr qsizetype kMaxRow = 200;
    const QString shown = kind == Kind::Post || kind == Kind::Notice
                              ? GetMakuReplace(message.left(kMaxRow * 10))
                              : message.left(kMaxRow);
    QString row = (number + QLatin1Char(' ') + name + QStringLiteral("： ") + shown).simplified();
    if (row.size() > kMaxRow)
        row.truncate(row.at(kMaxRow - 1).isHighSurrogate() ? kMaxRow - 1 : kMaxRow);
    return row;
}

MakuEntry MakuEntry::freeText(const QString &text, const QString &command)
{
    MakuEntry entry;
    entry.message = text;
    entry.command = command;
    return entry;
}

qint64 ReceiptClock()
{
    return QDeadlineTimer::current().deadline();
}

MakuEntry IdleText::entry(bool commandWordsAlways) const
{
    MakuEntry entry = MakuEntry::freeText(text, command);
    entry.kind = MakuEntry::Kind::IdleText;
    entry.commandWordsAlways = commandWordsAlways;
    return entry;
}

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

QString CommandPrompt()
{
    const QStringList &all = Commands::CommandWords();
    const QStringList &sizes = Commands::SizeWords();
    const QStringList &colours = Commands::ColourWords();
    const QStringList places = all.mid(0, all.size() - sizes.size() - colours.size());
    const QChar space(QLatin1Char(' '));
    return QStringLiteral("コマンドを指定してください\n位置：") + places.join(space) +
           QStringLiteral("\n大きさ：") + sizes.join(space) + QStringLiteral("\n色：") +
           colours.join(space) + QStringLiteral("\n（空白で区切って組み合わせられます）");
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
    const QString command = ask(CommandPrompt()).value_or(QString());
    if (draw)
        draw(MakuEntry::freeText(*text, command));
    return true;
}
