#include "rendering/postpipeline.h"

#include "subtitle/subtitlepacing.h"

#include "app/program.h"
#include "rendering/datline.h"
#include "rendering/ngwords.h"
#include "rendering/skin.h"
#include "retrieval/threadstate.h"
#include "subtitle/commands.h"
#include "subtitle/subtitlequeue.h"

namespace {
const QString kFieldSeparator = QStringLiteral("<>");
} // namespace

PostPipeline::PostPipeline(Program &program, ThreadState &state, SubtitleQueue &queue)
    : m_program(program), m_state(state), m_queue(queue)
{}

void PostPipeline::setSkins(const QString &headerSkin, const QString &resSkin)
{
    m_headerSkin = headerSkin;
    m_resSkin = resSkin;
}

const QString &PostPipeline::Notice1000()
{
    static const QString notice = QStringLiteral(
        " <>sazanamiからのお知らせ<br>このスレッドは1000に到達しました<>ID:?\?\?<>sazanami<>???");
    return notice;
}

void PostPipeline::SetLog(const QStringList &lines, const QString &separator)
{
    if (lines.isEmpty())
        return;
    // Nothing else runs while a batch is processed, so the list cannot change within it.
    const QStringList ngWords = m_ngWords ? m_ngWords() : QStringList();
    const QString ngRecord = NgRecord(separator);
    for (const QString &raw : lines) {
        const bool isNg = ContainsNgWord(raw, ngWords);
        const DatPost post =
            MapDatLine(isNg ? ngRecord : raw, separator, m_state.BoardKind, m_state.ResTotal);
        AddLog(post.Num, post.Names, post.Mail, post.DateID, post.Message, isNg);
        m_state.ResTotal += 1;
        if (m_state.ResTotal == 1 && m_setTitle)
            m_setTitle(QLatin1String("sazanami - [") + post.Title + QLatin1Char(']'));
    }
}

void PostPipeline::AddLog(const QString &Num, const QString &Names, QString Mail, QString DateID,
                          QString Message, bool isNg)
{
    const QString mailName = Skin::GetMailName(Names, Mail);

    const QString id = Skin::LinkTargetId(DateID);
    DateID = Skin::LinkId(DateID, id);

    m_resData.set(Num.toLongLong(), ResRecord{Names, Mail, DateID, Message});

    Message = Skin::LinkAddresses(Message);

    if (m_write)
        m_write(Skin::FillResSkin(m_resSkin, Num, Names, mailName, Mail, DateID, Message));
    if (m_autoScroll)
        m_autoScroll();

    // An empty mail field reads as a blank so that the keyword test has something to match.
    if (Mail.isEmpty())
        Mail = QStringLiteral(" ");

    const Options &opt = m_program.opt;
    if (Mail.contains(opt.Keyword) && m_state.LiveMode && !isNg) {
        const QVector<bool> flags = m_commandFlags
                                        ? m_commandFlags()
                                        : QVector<bool>(Commands::CommandWords().size(), true);
        QString idText = id;
        idText.replace(QLatin1String("%2f"), QLatin1String(":"));
        m_queue.append(GetEnableCommand(Mail, flags) + kFieldSeparator + Message + kFieldSeparator +
                       idText + kFieldSeparator +
                       ReplaceEnclosed(Names, QStringLiteral("<"), QStringLiteral(">"), QString()) +
                       kFieldSeparator + Num);
        m_queue.startForNewPost(m_program.flags.GameOpen);
    }

    // Post 1000 is announced whether or not the post itself is queued.
    if (m_state.ResTotal == 999 && opt.Num1000 == 1) {
        m_queue.append(Notice1000());
        if (m_queue.countdown() == -1)
            m_queue.setCountdown(1);
    }
}
