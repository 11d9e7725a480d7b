#include "threadlist/subjectresponse.h"

#include "retrieval/datresponse.h"

void SubjectResponse::reset(const QString &boardUrl, bool rental, qint64 now)
{
    m_head.clear();
    m_headerDone = false;
    m_contentLength = 0;
    m_received = 0;
    m_rental = rental;
    m_sjis = Codec::SjisDecoder();
    m_euc = Codec::EucToSjisDecoder();
    m_lines.reset(boardUrl, rental, now);
}

SubjectResponse::Step SubjectResponse::feed(const QByteArray &chunk)
{
    QByteArray body;
    if (m_headerDone) {
        body = chunk;
    } else {
        const qsizetype from = std::max<qsizetype>(m_head.size() - 3, 0);
        m_head += chunk;
        const qsizetype end = m_head.indexOf("\r\n\r\n", from);
        if (end < 0)
            return {};
        m_headerDone = true;
        body = m_head.mid(end + 4);
        m_head.truncate(end);
        const QString header = Codec::fromSjis(m_head);
        const QString statusLine = header.left(header.indexOf(QLatin1String("\r\n")));
        if (!DatResponse::isAcceptedStatus(statusLine))
            return {Action::Rejected, statusLine};
        m_contentLength = DatResponse::contentLengthOf(header);
    }
    m_received += body.size();
    if (!m_lines.add(m_rental ? m_euc.decode(body) : m_sjis.decode(body)))
        return {Action::TooMany, tooManyText()};
    return {Action::Progress,
            QString::number(m_received) + QLatin1Char('/') + QString::number(m_contentLength)};
}

QVector<ThreadRow> SubjectResponse::finish()
{
    if (m_headerDone)
        m_lines.add(m_rental ? m_euc.finish() : m_sjis.finish());
    return m_lines.finish();
}

QString SubjectResponse::closedText(bool noRows) const
{
    if (!m_headerDone || (m_contentLength > 0 && m_received < m_contentLength))
        return QStringLiteral("スレッド一覧の受信が中断されました（届いた分だけ表示しています）");
    return noRows ? QStringLiteral("スレッドがありません") : QStringLiteral("スレッド一覧表示完了");
}

QString SubjectResponse::tooManyText()
{
    return QStringLiteral("スレッドが多すぎるため、先頭の") +
           QString::number(SubjectLines::kMaxRows) + QStringLiteral("件までを表示しています");
}
