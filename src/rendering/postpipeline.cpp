#include "rendering/postpipeline.h"

#include "platform/text.h"
#include "rendering/datline.h"
#include "rendering/ngwords.h"
#include "rendering/skin.h"
#include "retrieval/threadstate.h"
#include "settings/commandwords.h"
#include "settings/program.h"

namespace {
const QString kFieldSeparator = QStringLiteral("<>");
} // namespace

PostPipeline::PostPipeline(Program &program, ThreadState &state, QObject *parent)
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
    const QStringList ngWords = m_ngWords;
    const QString ngRecord = NgRecord(separator);
    for (const QString &raw : lines) {
        const bool isNg = ContainsNgWord(raw, ngWords);
        const DatPost post =
            MapDatLine(isNg ? ngRecord : raw, separator, m_state.BoardKind, m_state.ResTotal);
        AddLog(post.Num, post.Names, post.Mail, post.DateID, post.Message, isNg);
        m_state.ResTotal += 1;
        if (m_state.ResTotal == 1)
            emit titleChanged(QLatin1String("sazanami - [") + DecodeEntities(post.Title) +
                              QLatin1Char(']'));
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

    emit postRendered(Skin::FillResSkin(m_resSkin, Num, Names, mailName, Mail, DateID, Message));
    emit autoScrollRequested();

    // An empty mail field reads as a blank so that the keyword test has something to match.
    if (Mail.isEmpty())
        Mail = QStringLiteral(" ");

    const Options &opt = m_program.opt;
    if (Mail.contains(opt.Keyword) && m_state.LiveMode && !isNg) {
        QString idText = id;
        idText.replace(QLatin1String("%2f"), QLatin1String(":"));
        // A field must not hold the entry's separator: a disabled word taken out of "<red>", or
        // a comma-separated line, would shift the fields. "< >" stays an empty tag and makes
        // no command word.
        const auto field = [](QString text) {
            return text.replace(kFieldSeparator, QLatin1String("< >"));
        };
        emit postQueued(field(GetEnableCommand(Mail, m_commandFlags)) + kFieldSeparator +
                            field(Message) + kFieldSeparator + field(idText) + kFieldSeparator +
                            RemoveTags(Names) + kFieldSeparator + Num,
                        m_program.flags.GameOpen);
    }

    // Post 1000 is announced whether or not the post itself is queued.
    if (m_state.ResTotal == 999 && opt.Num1000 == 1)
        emit noticeQueued(Notice1000());
}
