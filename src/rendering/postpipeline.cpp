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

#include <QSet>

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
        bool isNg = ContainsNgWord(raw, ngWords);
        DatPost post = MapDatLine(isNg ? ngRecord : raw, separator, m_state.BoardKind, total);
        if (!isNg && hiddenByRules(post.DateID, post.Names, post.Message)) {
            // The thread keeps its title.
            const QString title = post.Title;
            post = MapDatLine(ngRecord, separator, m_state.BoardKind, total);
            post.Title = title;
            isNg = true;
        }
        AddLog(post.Num, post.Names, post.Mail, post.DateID, post.Message, isNg);
        total += 1;
        if (total == 1) {
            m_title = DecodeEntities(post.Title);
            emit titleChanged(QLatin1String("sazanami - [") + m_title + QLatin1Char(']'));
        }
    }
    for (const QString &note : m_ngRules.takeNotes())
        emit ngNote(note);
    emit postsTaken(total - before, m_batchBytes, full);
}

bool PostPipeline::hiddenByRules(const QString &dateId, const QString &names,
                                 const QString &message)
{
    return !m_ngRules.isEmpty() &&
           m_ngRules.hides(NgRules::PosterId(dateId), RemoveTags(names), message);
}

bool PostPipeline::isHidden(qint64 number) const
{
    return number >= 0 && number < m_hidden.size() && m_hidden.at(number);
}

void PostPipeline::setHidden(qint64 number, bool hidden)
{
    // Grown only for a hidden post: most threads have none.
    if (number >= 0 && number >= m_hidden.size() && hidden)
        m_hidden.resize(number + 1);
    if (number >= 0 && number < m_hidden.size())
        m_hidden[number] = hidden;
}

QString PostPipeline::renderPost(const QString &Num, const ResRecord &post,
                                 const QString &linkedMessage, qsizetype *tags) const
{
    // The view links the plain anchors some board software stores; the subtitle needs no links.
    // Every field the board wrote passes the markup rule last, links included.
    const QString shown = Links::LinkAnchors(linkedMessage, Links::AnchorBase(m_state.CurrentUrl));
    using PostMarkup::Clean;
    const QString fields[] = {Clean(post.Name), Clean(Skin::GetMailName(post.Name, post.Mail)),
                              Clean(post.Mail), Clean(post.DateID), Clean(shown)};
    for (const QString &field : fields)
        *tags += field.count(QLatin1Char('<'));
    return Skin::FillResSkin(m_resSkin, Num, fields[0], fields[1], fields[2], fields[3], fields[4]);
}

int PostPipeline::hideShownPosts()
{
    const qint64 total = m_state.ResTotal;
    QVector<qint64> hidden;
    for (qint64 n = 1; n <= total; ++n) {
        const ResRecord post = m_resData.value(n);
        if (!isHidden(n) && hiddenByRules(post.DateID, post.Name, post.Message))
            hidden << n;
    }
    if (hidden.isEmpty())
        return 0;
    // Stored as an NG post of the board's kind: pop-ups show it so too.
    const QString separator = QStringLiteral("<>");
    const QString ngRecord = NgRecord(separator);
    for (const qint64 n : std::as_const(hidden)) {
        const DatPost ng = MapDatLine(ngRecord, separator, m_state.BoardKind, qint32(n - 1));
        m_resData.set(n, ResRecord{ng.Names, ng.Mail,
                                   Skin::LinkId(ng.DateID, Skin::LinkTargetId(ng.DateID)),
                                   ng.Message});
        setHidden(n, true);
    }
    // In a whole reload the new posts wait to the end: the hidden ones must not air then.
    m_held.removeIf([this](const auto &held) { return isHidden(held.first); });
    emit rewriteStarted();
    for (qint64 n = 1; n <= total; ++n) {
        const ResRecord post = m_resData.value(n);
        qsizetype tags = 0;
        emit postRendered(
            renderPost(QString::number(n), post, Skin::LinkAddresses(post.Message), &tags), n);
    }
    emit rewriteFinished();
    return int(hidden.size());
}

QStringList PostPipeline::shownMessages() const
{
    QStringList messages;
    for (qint64 n = 1; n <= m_state.ResTotal; ++n)
        if (!isHidden(n))
            messages << m_resData.value(n).Message;
    return messages;
}

int PostPipeline::postersNamed(const QString &part) const
{
    QSet<QString> ids;
    for (qint64 n = 1; n <= m_state.ResTotal; ++n) {
        if (isHidden(n))
            continue;
        const ResRecord post = m_resData.value(n);
        const QString id = NgRules::PosterId(post.DateID);
        if (!id.isEmpty() && RemoveTags(post.Name).contains(part))
            ids.insert(id);
    }
    return int(ids.size());
}

void PostPipeline::AddLog(const QString &Num, const QString &Names, QString Mail, QString DateID,
                          QString Message, bool isNg)
{
    const QString id = Skin::LinkTargetId(DateID);
    DateID = Skin::LinkId(DateID, id);

    const qint64 n = Num.toLongLong();
    const ResRecord post{Names, Mail, DateID, Message};
    m_resData.set(n, post);
    setHidden(n, isNg);

    Message = Skin::LinkAddresses(Message);

    // Each tag kept counts toward the thread's bound: a thread of tags costs the view more than
    // its text.
    qsizetype tags = 0;
    emit postRendered(renderPost(Num, post, Message, &tags), n);
    m_batchBytes += ThreadState::kTagBytes * tags;
    emit autoScrollRequested();

    // An empty mail field reads as a blank so that the keyword test has something to match.
    if (Mail.isEmpty())
        Mail = QStringLiteral(" ");

    const Options &opt = m_program.opt;
    const qint32 number = qint32(Num.toLongLong());
    const bool mayBeNew = m_state.LiveMode || m_state.RefetchAbove >= 0 ||
                          (m_state.NewFrom > 0 && number >= m_state.NewFrom);
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
