#include "subtitle/subtitlepacing.h"

#include "retrieval/threadaddress.h"

#include "app/program.h"
#include "platform/textfile.h"
#include "subtitle/subtitlequeue.h"

namespace {

const QString kSeparator = QStringLiteral("<>");
const QString kLineBreak = QStringLiteral("\r\n");

} // namespace

int SpeedAdjustment(int speed)
{
    switch (speed) {
    case 0: // 遅い
        return 10;
    case 1: // 遅め
        return 5;
    case 4: // 早い
        return -1;
    case 5: // only reachable through a stored value
        return -2;
    default: // 通常, 早め and anything else
        return 0;
    }
}

int PacingWait(int waiting, int a)
{
    if (waiting <= 1)
        return 70 + 5 * a;
    if (waiting <= 3)
        return 50 + 3 * a;
    if (waiting <= 7)
        return 20 + 2 * a;
    if (waiting <= 10)
        return 15;
    if (waiting <= 20)
        return 8;
    if (waiting <= 30)
        return 5;
    return 2;
}

QString ReplaceEnclosed(const QString &text, const QString &open, const QString &close,
                        const QString &replacement)
{
    if (open.isEmpty())
        return text;
    QString result = text;
    qsizetype from = 0;
    while ((from = result.indexOf(open, from)) >= 0) {
        const qsizetype end = close.isEmpty() ? -1 : result.indexOf(close, from + open.size());
        const qsizetype length = end < 0 ? open.size() : end + close.size() - from;
        result.replace(from, length, replacement);
        // Go on after what was put in, so a replacement holding `open` cannot loop.
        from += replacement.size();
    }
    return result;
}

QString DecodeEntities(const QString &text)
{
    QString result = text;
    result.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    result.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    result.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    result.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    return result;
}

QString GetMakuReplace(const QString &text)
{
    QString result = text;
    // The blank after a break belongs to the board's formatting, not to the next line.
    result.replace(QStringLiteral("<br> "), kLineBreak);
    result.replace(QStringLiteral("<br>"), kLineBreak);
    result = ReplaceEnclosed(result, QStringLiteral("<"), QStringLiteral(">"), QString());
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

SubtitlePacing::SubtitlePacing(SubtitleQueue &queue, Program &program)
    : m_queue(queue), m_program(program)
{}

void SubtitlePacing::draw(const QString &text, const QString &command, bool noRes,
                          const QString &id, const QString &name, const QString &number)
{
    if (m_draw)
        m_draw(text, command, noRes, id, name, number);
}

void SubtitlePacing::tmrMaku_Timer()
{
    const int current = m_queue.countdown();
    if (current < 0) {
        // Anything below -1 would count down for ever; it means idle as well.
        if (current != -1)
            m_queue.setCountdown(-1);
        return;
    }
    const int value = current - 1;
    m_queue.setCountdown(value);

    const AppFlags &flags = m_program.flags;
    if (!flags.MakuShown || flags.MakuStop)
        return;
    const int a = SpeedAdjustment(m_program.opt.Speed);
    if (value != 0)
        return;

    if (m_queue.isEmpty()) {
        if (flags.NoResOpen && m_idle) {
            const IdleText idle = m_idle();
            DrawIdleText(m_program, m_draw, idle.text, idle.command);
        } else {
            draw(QString(), QString(), false, QString(), QString(), QString());
        }
        m_queue.setCountdown(-1);
        return;
    }

    const QStringList f = SplitMakuEntry(m_queue.entries().constFirst());
    draw(GetMakuReplace(f[1]), f[0], false, f[2], f[3], f[4]);
    const QString sound = MakuSoundFor(m_program, f[1]);
    if (!sound.isEmpty() && m_play)
        m_play(sound);
    m_queue.takeFirst();

    const int waiting = m_queue.count();
    m_queue.setCountdown(waiting >= 1 && m_program.flags.GameOpen ? 5 : PacingWait(waiting, a));
}
