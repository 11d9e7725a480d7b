#pragma once

#include "platform/codec.h"
#include "threadlist/subjectlist.h"

#include <QByteArray>
#include <QString>
#include <QVector>

// The answer to a subject-list request, taken apart as its bytes arrive: header and status
// check, progress, incremental decoding into rows. It never touches a socket.
class SubjectResponse
{
public:
    enum class Action
    {
        Wait,     // the header is not complete yet
        Progress, // show the status text
        Rejected, // the status line is not accepted: end, showing it
        TooMany,  // past the row limit: end with the rows so far
    };
    struct Step
    {
        Action action = Action::Wait;
        QString status;
    };

    void reset(const QString &boardUrl, bool rental, qint64 now);
    Step feed(const QByteArray &chunk);
    // The rows once the exchange has ended, however it ended.
    QVector<ThreadRow> finish();
    // The status after the server's close: complete unless the body is shorter than announced
    // or the header never came.
    QString closedText(bool noRows) const;

    static QString tooManyText();

private:
    QByteArray m_head;
    bool m_headerDone = false;
    qint32 m_contentLength = 0;
    qint64 m_received = 0;
    bool m_rental = false;
    Codec::SjisDecoder m_sjis;
    Codec::EucToSjisDecoder m_euc;
    SubjectLines m_lines;
};
