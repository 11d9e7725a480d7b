#include "retrieval/threadloader.h"

#include "platform/text.h"
#include "retrieval/threadaddress.h"
#include "retrieval/threadstate.h"

#include <utility>

ThreadLoader::ThreadLoader(ThreadState &state, QObject *parent)
    : QObject(parent), m_state(state), m_fetch(state, this)
{
    connect(&m_fetch, &DatFetch::loadEnded, this, &ThreadLoader::fetchEnded);
    connect(&m_fetch, &DatFetch::statusChanged, this, &ThreadLoader::statusChanged);
    connect(&m_fetch, &DatFetch::linesReceived, this, &ThreadLoader::linesReceived);
}

namespace {

// The status code of a status line ("HTTP/1.1 416 Requested Range Not Satisfiable" → 416).
int statusCode(const QString &statusLine)
{
    return statusLine.section(QLatin1Char(' '), 1, 1).toInt();
}

} // namespace

void ThreadLoader::load(const QString &addressText, bool ctrlDown, qint32 newFrom)
{
    if (!m_state.Ready) {
        // A stalled board must not hold the thread: Ctrl starts afresh.
        if (!ctrlDown)
            return;
        m_fetch.abort();
    }
    if (ctrlDown) {
        m_state.CurrentUrl.clear();
        // A Ctrl load puts nothing on air, also not what a pending whole reload would have.
        m_state.RefetchAbove = -1;
        m_state.RefetchOld.clear();
    }
    QString a = addressText;
    if (checkAddress(a))
        startLoad(a, newFrom);
}

bool ThreadLoader::checkAddress(QString &a)
{
    if (IsReadCgi(a)) {
        m_state.BoardKind = Boards::Kind::TwoChannel;
        if (IsRefusedBoard(a)) {
            emit statusChanged(
                QStringLiteral("2chはあえて読めないようにしてます。外部板で使いましょう"));
            return false;
        }
        if (!IsDatUrl(GetDatUrl(a))) {
            emit statusChanged(
                QStringLiteral("このURLからはスレッドの場所がわかりません（板名とスレッド番"
                               "号を確認してください）"));
            return false;
        }
    } else if (!IsShitaraba(a)) {
        emit statusChanged(
            IsBoardUrl(a) ? QStringLiteral("これは板のURLです。スレッドのURLを入力してください")
                          : QStringLiteral("このURLは表示できません"));
        return false;
    } else {
        if (!a.endsWith(QLatin1Char('/'))) {
            a.truncate(a.lastIndexOf(QLatin1Char('/')) + 1);
            emit addressTextChanged(a);
        }
        if (CountString(a, QStringLiteral("/")) != 8 || GetHost(a).isEmpty()) {
            emit statusChanged(QStringLiteral("したばらのURLっぽいけど、なんか変です"));
            return false;
        }
        m_state.BoardKind = Boards::Kind::Shitaraba;
    }
    if (GetHostPort(a).port == 0) {
        emit statusChanged(QStringLiteral("URLのポート番号が正しくありません"));
        return false;
    }
    // Nothing more of a thread past its bound is read.
    if (a == m_state.CurrentUrl && m_state.ThreadFull) {
        emit statusChanged(ThreadState::FullText());
        return false;
    }
    return true;
}

// A checked address: a new thread starts afresh, a known one goes on from its local copy.
void ThreadLoader::startLoad(const QString &a, qint32 newFrom)
{
    m_state.Ready = false;
    m_state.NewFrom = 0;
    m_refetchLoad = false;
    if (a != m_state.CurrentUrl) {
        // A different thread, the first load or a Ctrl load: start again from nothing. A
        // whole reload after a deleted post that did not finish is tried again.
        if (m_state.RefetchAbove >= 0 && a != m_refetchUrl) {
            m_state.RefetchAbove = -1;
            m_state.RefetchOld.clear();
        }
        m_refetchLoad = m_state.RefetchAbove >= 0;
        startAfresh(a);
        m_state.NewFrom = newFrom;
    } else if (m_state.RefetchAbove >= 0) {
        // A whole reload cut short by a bound goes on from where it stopped.
        m_refetchLoad = true;
    }

    m_rangeLoad = false;
    if (m_state.BoardKind == Boards::Kind::TwoChannel) {
        // One byte early: the answer must start with the LF that ends the local copy.
        qint32 Range = m_state.DatSize - 1;
        if (m_state.DatSize == 0)
            Range = 0;
        else
            m_state.LiveMode = true;
        m_rangeLoad = Range != 0;
        m_fetch.GetThread(a, Range, 0);
    } else {
        const qint32 ResCount = m_state.ResTotal + 1;
        if (ResCount > 1)
            m_state.LiveMode = true;
        m_fetch.GetThread(a, 0, ResCount);
    }
}

void ThreadLoader::addPosts(int count, qint64 bytes, bool full)
{
    m_state.ResTotal += count;
    m_state.ThreadBytes += bytes;
    if (full)
        m_state.ThreadFull = true;
}

void ThreadLoader::startAfresh(const QString &address)
{
    m_state.LiveMode = false;
    m_state.ResTotal = 0;
    m_state.ThreadBytes = 0;
    m_state.ThreadFull = false;
    m_fetch.clearLocalCopy();
    m_state.CurrentUrl = address;
    emit viewRestartRequested();
}

void ThreadLoader::fetchEnded(DatFetch::LoadEnd how)
{
    const bool rangeLoad = std::exchange(m_rangeLoad, false);
    const bool refetchLoad = std::exchange(m_refetchLoad, false);
    if (refetchLoad) {
        // A thread past its bound has come as far as it ever will.
        if (how == DatFetch::LoadEnd::Finished || m_state.ThreadFull) {
            emit refetched();
            m_state.RefetchAbove = -1;
            m_state.RefetchOld.clear();
            emit statusChanged(m_state.ThreadFull
                                   ? ThreadState::FullText()
                                   : QStringLiteral("受信終了（レスが削除されたため、スレッドを最初"
                                                    "から読み込み直しました）"));
        } else if (how != DatFetch::LoadEnd::TooLarge) {
            // Whatever came stays shown; the next load fetches the whole thread again. A load
            // cut by a bound kept its complete lines, so the next one goes on from there instead:
            // a thread longer than one load would otherwise never finish its whole reload.
            m_state.CurrentUrl.clear();
        }
    } else if (rangeLoad && (how == DatFetch::LoadEnd::DifferentialFailed ||
                             (how == DatFetch::LoadEnd::Rejected &&
                              statusCode(m_fetch.response().statusLine()) == 416))) {
        // The file no longer continues the local copy: a post was deleted or rewritten.
        refetch();
        return;
    }
    explainFailure(how);
    emit loadEnded(how);
}

void ThreadLoader::refetch()
{
    m_state.RefetchAbove = m_state.ResTotal;
    m_state.RefetchOld = m_state.DatBytes;
    m_refetchUrl = m_state.CurrentUrl;
    m_refetchLoad = true;
    m_state.Ready = false;
    startAfresh(m_refetchUrl);
    m_fetch.GetThread(m_refetchUrl, 0, 0);
}

void ThreadLoader::explainFailure(DatFetch::LoadEnd how)
{
    // The raw status line stays, with what it means for the user next to it.
    if (how == DatFetch::LoadEnd::Rejected) {
        const QString line = m_fetch.response().statusLine();
        if (statusCode(line) == 404)
            emit statusChanged(
                line + QStringLiteral(" スレッドが見つかりません（dat落ちか、URLの間違い）"));
    }
}
