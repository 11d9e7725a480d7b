#pragma once

#include "platform/codec.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// The answer to one thread-data request, taken apart as its bytes arrive: header, status
// check, check byte, incremental decoding and complete lines. It never touches a socket.
class DatResponse
{
public:
    // What the owner of the connection has to do after a step.
    enum class Action
    {
        Wait,               // nothing to show yet (header incomplete, or the header came alone)
        Rejected,           // the status line is not accepted: end the load showing it
        DifferentialFailed, // the server's file no longer continues the local copy
        Lines,              // hand the lines on, show the progress text
        TooLarge,           // past the line bound: end the load (abandon()), complete lines kept
        Finished,           // closed: complete
        Interrupted,        // closed or ended early: complete lines kept
    };

    struct Step
    {
        Action action = Action::Wait;
        QString status;    // status-bar text; "" leaves it as it is
        QStringList lines; // complete new lines, each without its LF, in order
        QString separator; // field separator of this response ("<>" or ",")
        QByteArray append; // at the end of a load: the bytes that join the local copy
    };

    // Lines one response may bring; the next load goes on from there.
    static constexpr qint32 kMaxLines = 20000;
    // A longer line is not processed: it is cut here and handed on as an empty (broken) line.
    static constexpr qint64 kMaxLineBytes = qint64(1) << 20;

    // Starts a response. separator is the one kept from the last response. rangeFrom: the
    // offset asked for (-1: not checked); localCopy: what a whole file sent instead of the
    // range must start with.
    void reset(bool shitaraba, bool rangeRequest, const QString &separator, qint64 rangeFrom = -1,
               const QByteArray &localCopy = QByteArray());
    // One chunk of the connection (wscGet_DataArrival).
    Step feed(const QByteArray &chunk);
    // The server closed the connection (wscGet_Close): the rest of the lines, and what joins
    // the local copy of the thread.
    Step close();
    // The load ends before the server's close (time-out, socket error, a bound): complete lines
    // handed on are kept as on an interrupted close, and the message is shown.
    Step abandon(const QString &message);

    bool HeaderDone() const { return m_headerDone; }
    const QString &RecvHeader() const { return m_recvHeader; }
    QString statusLine() const;
    qint64 RecvSize() const { return m_recvSize; }
    qint32 LineDone() const { return m_lineDone; }
    const QString &DatSeparator() const { return m_separator; }

    // An accepted status line; a header-only chunk that starts like one waits for the body.
    static bool isAcceptedStatus(const QString &statusLine);
    static bool startsLikeAccepted(const QByteArray &bytes);
    // The "Content-Length: " value of a header, read as a leading number.
    static qint32 contentLengthOf(const QString &header);
    // The first byte of a "Content-Range: bytes FIRST-LAST/SIZE" header line; -1 without
    // one, -2 when it names no first byte.
    static qint64 contentRangeStartOf(const QString &header);
    // "受信中 - …" for the bytes received so far.
    static QString progressText(qint64 recvSize, qint32 contentLength);

private:
    enum class HeaderResult
    {
        Incomplete,
        Rejected,
        Accepted
    };
    HeaderResult separateHeader();
    Step takeBody(const QByteArray &bytes);
    bool continuesLocalCopy(QByteArray &body);
    QStringList takeLines();
    qint64 lineLength(qsizetype characters);
    QString decode(const QByteArray &bytes);
    QString flushDecoder();
    Step finish(bool complete, const QString &status);

    bool m_shitaraba = false;
    bool m_rangeRequest = false;
    bool m_lfCheck = false;
    bool m_headerDone = false;
    bool m_firstByteTaken = false;
    bool m_separatorSet = false;
    bool m_wholeFile = false;  // a whole file answered a Range request
    bool m_skipping = false;   // inside a line that was cut at kMaxLineBytes
    bool m_wrongRange = false; // a part that does not start where it was asked to
    qint64 m_rangeFrom = -1;
    QByteArray m_localCopy;
    qsizetype m_matched = 0;     // bytes of a whole file found equal to the local copy
    QByteArray m_head;           // bytes before the header has been separated
    QByteArray m_body;           // body bytes without the check byte: what joins the local copy
    qsizetype m_bodyLineEnd = 0; // bytes of m_body up to the last line handed on ("2ch")
    QString m_text;              // decoded body after the last complete line
    qsizetype m_scanned = 0;     // m_text holds no LF before this position
    QString m_recvHeader;
    QString m_separator = QStringLiteral("<>");
    qint32 m_contentLength = 0;
    qint64 m_recvSize = 0;
    qint32 m_lineDone = 0;
    Codec::SjisDecoder m_sjis;
    Codec::EucToSjisDecoder m_euc;
};
