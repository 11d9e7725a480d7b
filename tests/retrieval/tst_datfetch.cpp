#include "boardserver.h"
#include "loaderharness.h"
#include "support/testhome.h"

#include <QtTest>

using LoadEnd = DatFetch::LoadEnd;

namespace {

const QString kBoard = QStringLiteral("board");
const QString kKey = QStringLiteral("1234567890");

} // namespace

class TestDatFetch : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_server = std::make_unique<BoardServer>();
        QVERIFY(m_server->listen());
        m_h = std::make_unique<LoaderHarness>();
        m_server->setDat(kBoard, kKey, datOf(datPosts(1, 5)));
    }

    void cleanup()
    {
        m_h.reset();
        m_server.reset();
    }

    void firstLoadThenFollowUps() // wrong request or Range offset, posts lost or doubled
    {
        const QByteArray file = m_server->dat(kBoard, kKey);
        QVERIFY(m_h->load(threadUrl()));
        QCOMPARE(lastRequest(), datRequest());
        QCOMPARE(m_h->lines, datPosts(1, 5));
        QCOMPARE(m_h->state.DatBytes, file);

        QVERIFY(reload()); // nothing new: only the check byte comes
        QCOMPARE(lastRequest(), datRequest(file.size() - 1));
        QVERIFY(m_h->lines.isEmpty());
        QCOMPARE(m_h->state.DatBytes, file);

        m_server->appendDat(kBoard, kKey, datOf(datPosts(6, 8)));
        QVERIFY(reload());
        QCOMPARE(lastRequest(), datRequest(file.size() - 1));
        QCOMPARE(m_h->lines, datPosts(6, 8));
        QCOMPARE(m_h->state.DatBytes, m_server->dat(kBoard, kKey));

        // Another address is another thread: read from the start, never appended to this copy.
        QVERIFY(m_h->load(threadUrl() + QStringLiteral("l50")));
        QCOMPARE(lastRequest(), datRequest());
        QCOMPARE(m_h->lines, datPosts(6, 8) + datPosts(1, 8));
    }

    void stalledAnswerEnds_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<LoadEnd>("end");
        QTest::addColumn<int>("kept");
        // A huge length, two lines and a bit, then an open connection that says nothing more.
        QTest::newRow("stalled after two lines") << 1 << LoadEnd::TimedOut << 2;
        // Each byte restarts the idle limit: only the overall deadline ends it.
        QTest::newRow("one byte at a time") << 2 << LoadEnd::DeadlineReached << 0;
    }

    void stalledAnswerEnds() // a stalled load that never ends, loses its lines or keeps the socket
    {
        QFETCH(int, fault);
        QFETCH(LoadEnd, end);
        QFETCH(int, kept);
        // Measured on a first load that is then forgotten.
        QVERIFY(m_h->load(threadUrl()));
        m_h->state = ThreadState();
        const qint64 header = m_h->loader->fetch().response().RecvHeader().size() + 3;
        // The announced length has seven digits more than the true one.
        const qint64 stallAt = header + 7 + datOf(datPosts(1, 2)).size() + 5;
        behave([&](BoardServer::Behaviour &b) {
            b.announcedLength = fault == 1 ? 1000000000 : -1;
            b.stallAfter = fault == 1 ? stallAt : -1;
            b.trickleMs = fault == 2 ? 150 : 0;
        });
        QCOMPARE(BoardSocket::Limits().idleMs, 10000);
        QCOMPARE(BoardSocket::Limits().deadlineMs, 60000);
        BoardSocket::Limits limits;
        limits.idleMs = 600;
        limits.deadlineMs = 2000;
        m_h->loader->fetch().setLimits(limits);
        QVERIFY(reload(false, 5000));
        QCOMPARE(m_h->lastEnd(), end);
        QVERIFY(m_h->state.Ready);
        QCOMPARE(m_h->lines, datPosts(1, kept));
        QCOMPARE(m_h->state.DatBytes, kept ? datOf(datPosts(1, kept)) : QByteArray());
        QTRY_COMPARE_WITH_TIMEOUT(m_server->openConnections(), 0, 3000);

        m_server->setBehaviour(BoardServer::Behaviour());
        QVERIFY(reload());
        QCOMPARE(m_h->lines, datPosts(kept + 1, 5));
    }

    void failuresExplained() // a refusal shown without its reason, or the copy lost
    {
        QVERIFY(m_h->load(threadUrl()));
        const QByteArray copy = m_h->state.DatBytes;
        behave([](BoardServer::Behaviour &b) { b.statusLine = "HTTP/1.1 404 Not Found"; });
        QVERIFY(reload());
        QCOMPARE(m_h->lastEnd(), LoadEnd::Rejected);
        QCOMPARE(m_h->status(),
                 QStringLiteral("HTTP/1.1 404 Not Found "
                                "スレッドが見つかりません（dat落ちか、URLの間違い）"));
        QCOMPARE(m_h->state.DatBytes, copy);
    }

    void rentalThreadFromRawMode() // wrong raw-mode request or start number
    {
        const QStringList thread = {
            QStringLiteral("1<>名無しさん<>sage<>2007/01/01(月) 12:00:00<>こんにちは 漢字<>"
                           "したらばテスト<>abc"),
            QStringLiteral("2<>実況民<>shita red<>2007/01/01(月) 12:00:05<>ｿｳﾀﾞﾈ<><>def"),
        };
        m_server->setRentalThread(QStringLiteral("game"), QStringLiteral("12345"), kKey, thread);
        BoardSocket::setHostOverride(QStringLiteral("jbbs.shitaraba.net"),
                                     QStringLiteral("127.0.0.1"), m_server->port());
        const QString page = QStringLiteral("http://jbbs.shitaraba.net/bbs/read.cgi/game/12345/") +
                             kKey + QLatin1Char('/');

        QVERIFY(m_h->load(page + QStringLiteral("l50")));
        QCOMPARE(lastRequest(),
                 QByteArray("GET /bbs/rawmode.cgi/game/12345/1234567890/1- HTTP/1.0\r\n"
                            "Host: jbbs.shitaraba.net\r\n"
                            "User-Agent: Monazilla/1.00 sazanami/" SAZANAMI_VERSION "\r\n"
                            "Connection: Close"));
        QCOMPARE(m_h->lines,
                 (QStringList{thread[0] + QLatin1Char('\r'), thread[1] + QLatin1Char('\r')}));

        const QString more = QStringLiteral("3<>新人<>sage<>2007/01/01(月) 12:01:00<>新着<><>jkl");
        m_server->appendRentalLine(QStringLiteral("game"), QStringLiteral("12345"), kKey, more);
        m_h->clearRecords();
        QVERIFY(m_h->load(page));
        QVERIFY(lastRequest().startsWith("GET /bbs/rawmode.cgi/game/12345/1234567890/3- HTTP/1.0"));
        QCOMPARE(m_h->lines, QStringList{more + QLatin1Char('\r')});
        QCOMPARE(m_h->restarts, 0);
    }

    void longThreadWholeReloadGoesOn() // a whole reload above the answer bound never ends
    {
        QSignalSpy refetched(m_h->loader.get(), &ThreadLoader::refetched);
        m_server->setDat(kBoard, kKey, datOf(datPosts(1, 300)));
        BoardSocket::Limits limits;
        limits.maxBytes = datOf(datPosts(1, 200)).size(); // two thirds of the thread per answer
        m_h->loader->fetch().setLimits(limits);
        QVERIFY(m_h->load(threadUrl()));
        QCOMPARE(m_h->lastEnd(), LoadEnd::TooLarge);
        QVERIFY(reload());
        QCOMPARE(m_h->lastEnd(), LoadEnd::Finished);
        QVERIFY(m_server->removeDatLine(kBoard, kKey, 1));
        m_server->appendDat(kBoard, kKey, datOf(datPosts(301, 302)));
        // The failed Range request, then the whole reload stops at the bound...
        QVERIFY(reload());
        QCOMPARE(m_h->lastEnd(), LoadEnd::TooLarge);
        QCOMPARE(refetched.size(), 0);
        // ...and the next load goes on from there instead of starting it again.
        QVERIFY(reload());
        QCOMPARE(m_h->lastEnd(), LoadEnd::Finished);
        QCOMPARE(m_h->state.ResTotal, 301);
        QVERIFY2(m_h->lines.size() < 150, qPrintable(QString::number(m_h->lines.size())));
        QCOMPARE(refetched.size(), 1);
        QCOMPARE(m_h->state.DatBytes, m_server->dat(kBoard, kKey));
    }

    void wholeReloadThatFailsIsTriedAgain() // whole reloads in a loop, or never again
    {
        QSignalSpy refetched(m_h->loader.get(), &ThreadLoader::refetched);
        QVERIFY(m_h->load(threadUrl()));
        QVERIFY(m_server->removeDatLine(kBoard, kKey, 1));
        behave([](BoardServer::Behaviour &b) { b.omitContentLength = true; });
        m_server->clearRequests();
        // The 416, then the whole reload that fails.
        QVERIFY(reload());
        QCOMPARE(m_h->lastEnd(), LoadEnd::DifferentialFailed);
        QCOMPARE(m_server->requests().size(), 2);
        m_server->setBehaviour(BoardServer::Behaviour());
        QVERIFY(reload());
        QCOMPARE(lastRequest(), datRequest());
        QCOMPARE(m_h->lines, QStringList{datPost(1)} + datPosts(3, 5));
        QCOMPARE(refetched.size(), 1);
    }

    void rangeAnswersNotTrusted() // the whole file or an earlier part taken as new posts
    {
        QVERIFY(m_h->load(threadUrl()));
        behave([](BoardServer::Behaviour &b) { b.ignoreRange = true; });
        for (const int n : {6, 7}) {
            m_server->appendDat(kBoard, kKey, datOf(datPosts(n, n)));
            QVERIFY(reload());
            QCOMPARE(m_h->lines, datPosts(n, n));
            QCOMPARE(m_h->state.DatBytes, m_server->dat(kBoard, kKey));
        }

        // From the LF after post 1, told honestly in Content-Range: posts 2 to 7 would come again.
        m_server->appendDat(kBoard, kKey, datOf(datPosts(8, 8)));
        behave([&](BoardServer::Behaviour &b) { b.rangeFrom = datOf(datPosts(1, 1)).size() - 1; });
        QSignalSpy refetched(m_h->loader.get(), &ThreadLoader::refetched);
        QVERIFY(reload());
        QCOMPARE(m_h->lastEnd(), LoadEnd::Finished);
        // Read again whole once; only the posts above the count before are new downstream.
        QCOMPARE(refetched.size(), 1);
        QCOMPARE(m_h->lines, datPosts(1, 8));
        QCOMPARE(m_h->state.DatBytes, m_server->dat(kBoard, kKey));
    }

    void ctrlDuringALoad() // a stalled load that Ctrl cannot replace, or a plain load that can
    {
        // A header with a huge length and a few bytes, then silence on an open connection.
        behave([](BoardServer::Behaviour &b) {
            b.announcedLength = 1000000000;
            b.stallAfter = 300;
        });
        QSignalSpy ended(m_h->loader.get(), &ThreadLoader::loadEnded);
        m_h->loader->load(threadUrl(), false);
        QTRY_VERIFY_WITH_TIMEOUT(m_h->loader->fetch().response().HeaderDone(), 3000);
        m_h->clearRecords();
        m_h->loader->load(threadUrl(), false); // refused: a load runs
        QVERIFY(m_h->statuses.isEmpty());

        m_server->setBehaviour(BoardServer::Behaviour());
        m_h->loader->load(threadUrl(), true); // Ctrl held: the stalled load gives way at once
        QVERIFY(ended.wait(5000));
        QCOMPARE(ended.size(), 1);
        QCOMPARE(ended.first().first().value<LoadEnd>(), LoadEnd::Finished);
        QCOMPARE(m_server->requests().size(), 2);
        QCOMPARE(m_h->lines, datPosts(1, 5));
    }

private:
    QString threadUrl() const { return threadAddress(m_server->origin(), kBoard, kKey); }
    QByteArray lastRequest() const { return m_server->requests().last().head; }
    // The request for the board's data file, with a Range from `range` on when not negative.
    QByteArray datRequest(qint64 range = -1) const;
    // Clears what was recorded and runs one load command to its end.
    bool reload(bool ctrl = false, int limitMs = 8000)
    {
        m_h->clearRecords();
        return m_h->load(threadUrl(), ctrl, limitMs);
    }
    template<typename Set> void behave(Set set)
    {
        BoardServer::Behaviour b;
        set(b);
        m_server->setBehaviour(b);
    }

    std::unique_ptr<BoardServer> m_server;
    std::unique_ptr<LoaderHarness> m_h;
};

QByteArray TestDatFetch::datRequest(qint64 range) const
{
    QByteArray r = "GET /board/dat/1234567890.dat HTTP/1.0\r\nHost: 127.0.0.1:" +
                   QByteArray::number(m_server->port()) + "\r\n";
    if (range >= 0)
        r += "Range: bytes=" + QByteArray::number(range) + "-\r\n";
    return r + "User-Agent: Monazilla/1.00 sazanami/" SAZANAMI_VERSION "\r\nConnection: Close";
}

QTEST_GUILESS_MAIN(TestDatFetch)
#include "tst_datfetch.moc"
