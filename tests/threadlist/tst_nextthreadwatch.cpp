#include "boardserver.h"
#include "platform/codec.h"
#include "threadlist/nextthreadwatch.h"
#include "threadlist/subjectfetch.h"

#include <QtTest>

// The next-thread search against the local board: when the board's list is asked for, and when
// a candidate is named.
class TestNextThreadWatch : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_server = std::make_unique<BoardServer>();
        QVERIFY(m_server->listen());
        m_watch = std::make_unique<NextThreadWatch>();
        m_watch->setClock([this] { return m_now; });
        m_named = std::make_unique<QSignalSpy>(m_watch.get(), &NextThreadWatch::successorFound);
        // Each request for the list starts by connecting, in the same call.
        m_lists = 0;
        connect(&m_watch->fetch(), &SubjectFetch::statusChanged, this,
                [this](const QString &s) { m_lists += s.endsWith(QStringLiteral("に接続中...")); });
        thread(QStringLiteral("1000"), QStringLiteral("実況 Part3"));
        thread(QStringLiteral("3000"), QStringLiteral("雑談 Part4"));
    }

    void cleanup()
    {
        m_watch.reset();
        m_server.reset();
    }

    void quietFromPost950() // the board asked at every load, or the candidate named early
    {
        thread(QStringLiteral("2000"), QStringLiteral("実況 Part4"));
        loaded(900);
        QCOMPARE(lists(), 0);
        loaded(950, true);
        QCOMPARE(lists(), 1);
        m_now += NextThreadWatch::kQuietIntervalMs - 1;
        loaded(990);
        QCOMPARE(lists(), 1);
        m_now += 1;
        loaded(999, true);
        QCOMPARE(lists(), 2);
        QCOMPARE(m_named->count(), 0);
        // At 1000 a known successor ends the thread.
        loaded(1000);
        QCOMPARE(m_named->count(), 1);
        QCOMPARE(named().url, url(QStringLiteral("2000")));
        loaded(1001);
        QCOMPARE(lists(), 2);
        QCOMPARE(m_named->count(), 1);
    }

    void afterTheEnd() // a thread gone searched forever, a turned-down one offered again
    {
        ThreadEndFacts gone;
        gone.posts = 300;
        gone.refusedStatus = 404;
        loaded(gone, true);
        QCOMPARE(m_named->count(), 0);
        QSignalSpy status(m_watch.get(), &NextThreadWatch::statusChanged);
        m_watch->searchNow();
        QTRY_COMPARE_WITH_TIMEOUT(status.count(), 2, 10000);
        QCOMPARE(status.at(0).first().toString(), QStringLiteral("次スレを探しています..."));
        QCOMPARE(status.at(1).first().toString(), QStringLiteral("次スレが見つかりませんでした"));
        // The successor shows in the list later; the link in a post counts at once.
        thread(QStringLiteral("2000"), QStringLiteral("実況 Part4"));
        m_posts = {{300, QStringLiteral("次スレ ") + url(QStringLiteral("4000"))}};
        loaded(gone);
        QCOMPARE(m_named->count(), 1);
        QCOMPARE(named().url, url(QStringLiteral("4000")));
        m_watch->ignore(named());
        loaded(gone, true);
        QCOMPARE(m_named->count(), 2);
        QCOMPARE(named().title, QStringLiteral("実況 Part4"));
        m_watch->ignore(named());
        m_now += NextThreadWatch::kSearchWindowMs + 1;
        const int asked = lists();
        loaded(gone);
        QCOMPARE(lists(), asked);

        // Asked for, it names even what was turned down.
        m_watch->searchNow();
        QTRY_COMPARE_WITH_TIMEOUT(m_named->count(), 3, 10000);
        QCOMPARE(named().url, url(QStringLiteral("4000")));
    }

private:
    void thread(const QString &key, const QString &title)
    {
        m_server->setDat(QStringLiteral("live"), key,
                         Codec::toSjis(QStringLiteral("名無し<><>2026/12/06<> 本文 <>") + title +
                                       QLatin1Char('\n')));
    }
    QString url(const QString &key) const
    {
        return m_server->origin() + QStringLiteral("/test/read.cgi/live/") + key + QLatin1Char('/');
    }
    void loaded(qint32 posts, bool waitForList = false)
    {
        ThreadEndFacts facts;
        facts.posts = posts;
        loaded(facts, waitForList);
    }
    void loaded(const ThreadEndFacts &facts, bool waitForList = false)
    {
        QSignalSpy listed(&m_watch->fetch(), &SubjectFetch::listEnded);
        m_watch->threadLoaded(url(QStringLiteral("1000")), QStringLiteral("実況 Part3"), facts,
                              [this](qint32, qint32) { return m_posts; });
        if (waitForList)
            QVERIFY(listed.wait(10000));
    }
    int lists() const { return m_lists; }
    NextThreadCandidate named() const
    {
        return m_named->last().first().value<NextThreadCandidate>();
    }

    std::unique_ptr<BoardServer> m_server;
    std::unique_ptr<NextThreadWatch> m_watch;
    std::unique_ptr<QSignalSpy> m_named;
    QVector<PostText> m_posts;
    qint64 m_now = 0;
    int m_lists = 0;
};

QTEST_GUILESS_MAIN(TestNextThreadWatch)
#include "tst_nextthreadwatch.moc"
