#include "retrieval/threadloader.h"

#include "platform/text.h"
#include "retrieval/threadaddress.h"
#include "retrieval/threadstate.h"

ThreadLoader::ThreadLoader(ThreadState &state, QObject *parent)
    : QObject(parent), m_state(state), m_fetch(state, this)
{
    connect(&m_fetch, &DatFetch::loadEnded, this, &ThreadLoader::loadEnded);
    connect(&m_fetch, &DatFetch::statusChanged, this, &ThreadLoader::statusChanged);
    connect(&m_fetch, &DatFetch::linesReceived, this, &ThreadLoader::linesReceived);
}

void ThreadLoader::load(const QString &addressText, bool ctrlDown)
{
    if (!m_state.Ready) {
        // A stalled board must not hold the thread: Ctrl starts afresh.
        if (!ctrlDown)
            return;
        m_fetch.abort();
    }
    if (ctrlDown)
        m_state.CurrentUrl.clear();
    m_fetch.response().clearHeaderWait();

    QString a = addressText;
    if (IsReadCgi(a)) {
        m_state.BoardKind = Boards::Kind::TwoChannel;
        if (IsRefusedBoard(a)) {
            emit statusChanged(
                QStringLiteral("2chはあえて読めないようにしてます。外部板で使いましょう"));
            return;
        }
        if (!IsDatUrl(GetDatUrl(a))) {
            emit statusChanged(
                QStringLiteral("このURLからはスレッドの場所がわかりません（板名とスレッド番"
                               "号を確認してください）"));
            return;
        }
    } else if (!IsShitaraba(a)) {
        emit statusChanged(QStringLiteral("このURLは表示できません"));
        return;
    } else {
        if (!a.endsWith(QLatin1Char('/'))) {
            a.truncate(a.lastIndexOf(QLatin1Char('/')) + 1);
            emit addressTextChanged(a);
        }
        if (CountString(a, QStringLiteral("/")) != 8 || GetHost(a).isEmpty()) {
            emit statusChanged(QStringLiteral("したばらのURLっぽいけど、なんか変です"));
            return;
        }
        m_state.BoardKind = Boards::Kind::Shitaraba;
    }
    if (GetHostPort(a).port == 0) {
        emit statusChanged(QStringLiteral("URLのポート番号が正しくありません"));
        return;
    }

    m_state.Ready = false;
    if (a != m_state.CurrentUrl) {
        // A different thread, the first load or a Ctrl load: start again from nothing.
        m_state.LiveMode = false;
        m_state.DatSize = 0;
        m_state.ResTotal = 0;
        m_state.DatBytes.clear();
        m_state.CurrentUrl = a;
        emit viewRestartRequested();
    }

    if (m_state.BoardKind == Boards::Kind::TwoChannel) {
        // One byte early: the answer must start with the LF that ends the local copy.
        qint32 Range = m_state.DatSize - 1;
        if (m_state.DatSize == 0)
            Range = 0;
        else
            m_state.LiveMode = true;
        m_fetch.GetThread(a, Range, 0);
    } else {
        const qint32 ResCount = m_state.ResTotal + 1;
        if (ResCount > 1)
            m_state.LiveMode = true;
        m_fetch.GetThread(a, 0, ResCount);
    }
}
