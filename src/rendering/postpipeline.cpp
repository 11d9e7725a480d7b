#include "rendering/postpipeline.h"

#include "platform/codec.h"
#include "platform/text.h"
#include "rendering/datline.h"
#include "rendering/links.h"
#include "rendering/ngwords.h"
#include "rendering/postmarkup.h"
#include "rendering/skin.h"
#include "retrieval/threadstate.h"
#include "settings/commandwords.h"
#include "settings/program.h"

PostPipeline::PostPipeline(Program &program, const ThreadState &state, QObject *parent)
    : QObject(parent), m_program(program), m_state(state),
      m_commandFlags(Commands::CommandWords().size(), true)
{}

void PostPipeline::removeNgWord(int index)
{
    if (index >= 0 && index < m_ngWords.size())
        m_ngWords.removeAt(index);
}

void PostPipeline::setCommandFlag(int index, bool enabled)
{
    if (index >= 0 && index < m_commandFlags.size())
        m_commandFlags[index] = enabled;
}

const MakuEntry &PostPipeline::Notice1000()
{
    static const MakuEntry notice = [] {
        MakuEntry e;
        e.kind = MakuEntry::Kind::Notice;
        e.command = QStringLiteral(" ");
        e.message = QStringLiteral("sazanamiからのお知らせ<br>このスレッドは1000に到達しました");
        e.id = QStringLiteral("ID:?\?\?");
        e.name = QStringLiteral("sazanami");
        e.number = QStringLiteral("???");
        return e;
    }();
    return notice;
}

void PostPipeline::SetLog(const QStringList &lines, const QString &separator)
{
    if (lines.isEmpty())
        return;
    // Nothing else runs while a batch is processed, so the list cannot change within it.
    const QStringList ngWords = m_ngWords;
    const QString ngRecord = NgRecord(separator);
    const bool refetching = m_state.RefetchAbove >= 0;
    // The thread's posts and what they cost toward its bound, this batch's included.
    const qint32 before = m_state.ResTotal;
    qint32 total = before;
    m_batchBytes = 0;
    bool full = false;
    if (refetching && total == 0) {
        // A whole reload after a deleted post starts (again).
        m_held.clear();
        m_lastOld = 0;
        m_oldLines.clear();
        for (const QString &line : Codec::fromSjis(m_state.RefetchOld).split(QLatin1Char('\n')))
            m_oldLines.insert(line);
    }
    for (const QString &raw : lines) {
        // Past the thread's bound no post is processed (the fetch then stops).
        if (total >= ThreadState::kMaxPosts ||
            m_state.ThreadBytes + m_batchBytes >= ThreadState::kMaxBytes) {
            full = true;
            break;
        }
        // As the board sends it: one byte for ASCII, two for the rest, and the LF.
        m_batchBytes += raw.size() + 1;
        for (const QChar c : raw)
            m_batchBytes += c.unicode() >= 0x80 ? 1 : 0;
        if (refetching && m_oldLines.contains(raw))
            m_lastOld = total + 1;
        const bool isNg = ContainsNgWord(raw, ngWords);
        const DatPost post = MapDatLine(isNg ? ngRecord : raw, separator, m_state.BoardKind, total);
        AddLog(post.Num, post.Names, post.Mail, post.DateID, post.Message, isNg);
        total += 1;
        if (total == 1)
            emit titleChanged(QLatin1String("sazanami - [") + DecodeEntities(post.Title) +
                              QLatin1Char(']'));
    }
    emit postsTaken(total - before, m_batchBytes, full);
}

void PostPipeline::AddLog(const QString &Num, const QString &Names, QString Mail, QString DateID,
                          QString Message, bool isNg)
{
    const QString mailName = Skin::GetMailName(Names, Mail);

    const QString id = Skin::LinkTargetId(DateID);
    DateID = Skin::LinkId(DateID, id);

    m_resData.set(Num.toLongLong(), ResRecord{Names, Mail, DateID, Message});

    Message = Skin::LinkAddresses(Message);

    // The view links the plain anchors some board software stores; the subtitle needs no links.
    // Every field the board wrote passes the markup rule last, links included. Each tag kept
    // counts toward the thread's bound: a thread of tags costs the view more than its text.
    const QString shown = Links::LinkAnchors(Message, Links::AnchorBase(m_state.CurrentUrl));
    using PostMarkup::Clean;
    const QString fields[] = {Clean(Names), Clean(mailName), Clean(Mail), Clean(DateID),
                              Clean(shown)};
    for (const QString &field : fields)
        m_batchBytes += ThreadState::kTagBytes * field.count(QLatin1Char('<'));
    emit postRendered(
        Skin::FillResSkin(m_resSkin, Num, fields[0], fields[1], fields[2], fields[3], fields[4]));
    emit autoScrollRequested();

    // An empty mail field reads as a blank so that the keyword test has something to match.
    if (Mail.isEmpty())
        Mail = QStringLiteral(" ");

    const Options &opt = m_program.opt;
    const qint32 number = qint32(Num.toLongLong());
    const bool mayBeNew = m_state.LiveMode || m_state.RefetchAbove >= 0;
    if (Mail.contains(opt.Keyword) && mayBeNew && !isNg) {
        MakuEntry entry;
        entry.kind = MakuEntry::Kind::Post;
        entry.command = GetEnableCommand(Mail, m_commandFlags);
        entry.message = Message;
        entry.id = QString(id).replace(QLatin1String("%2f"), QLatin1String(":"));
        entry.name = RemoveTags(Names);
        entry.number = Num;
        queue(number, entry);
    }

    // Post 1000 is announced whether or not the post itself is queued.
    if (number == 1000 && opt.Num1000 == 1)
        queue(1000, Notice1000());
}

void PostPipeline::queue(qint32 number, const MakuEntry &entry)
{
    if (m_state.RefetchAbove >= 0) {
        m_held.append({number, entry});
        return;
    }
    putOnAir(entry);
}

void PostPipeline::putOnAir(const MakuEntry &entry)
{
    if (entry.kind == MakuEntry::Kind::Notice)
        emit noticeQueued(entry);
    else
        emit postQueued(entry, m_program.flags.GameOpen);
}

void PostPipeline::finishRefetch()
{
    // Nothing came: what an earlier, broken attempt held is not this thread's news.
    if (m_state.ResTotal == 0)
        m_held.clear();
    const qint32 shownUpTo = qMin(m_state.RefetchAbove, m_lastOld);
    for (const auto &[number, entry] : std::as_const(m_held)) {
        if (number > shownUpTo)
            putOnAir(entry);
    }
    m_held.clear();
    m_oldLines.clear();
    m_lastOld = 0;
}
