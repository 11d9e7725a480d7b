#pragma once

#include "platform/boardsocket.h"
#include "threadlist/subjectlist.h"
#include "threadlist/subjectresponse.h"

#include <QObject>
#include <QVector>
#include <functional>

// GetBoard: one request for a board's "subject.txt" over the board connection wscGet, and the
// rows of its answer.
class SubjectFetch : public QObject
{
    Q_OBJECT
public:
    static constexpr int kConnectLimitMs = 5000;
    // A board's list is tens of kilobytes; anything past this is no list.
    static constexpr qint64 kMaxBytes = qint64(16) << 20;
    // Seconds since 1970-01-01 UTC, for the posting rates.
    using Clock = std::function<qint64()>;

    explicit SubjectFetch(QObject *parent = nullptr);

    // Requests boardUrl + "subject.txt" (the board address ends with "/"); rental: a rental
    // board's list (EUC-JP). Returns at once; listEnded() follows unless the fetch is deleted.
    void GetBoard(const QString &boardUrl, bool rental);

    void setClock(Clock clock) { m_clock = std::move(clock); }
    // Test hook: a smaller response bound.
    void setResponseLimit(qint64 bytes) { m_limits.maxBytes = bytes; }

signals:
    void statusChanged(const QString &text);
    // The request is over; the rows as far as they could be built.
    void listEnded(const QVector<ThreadRow> &rows);

private:
    void wscGet_DataArrival(const QByteArray &chunk);
    void wscGet_Close(BoardSocket::End how, const QString &detail);
    void end(const QString &status, bool withRows = true);

    BoardSocket *wscGet = nullptr;
    SubjectResponse m_response;
    Clock m_clock;
    BoardLimits m_limits;
};
