#include "boardserver.h"
#include "loaderharness.h"
#include "platform/codec.h"
#include "retrieval/reloadcountdown.h"
#include "support/unansweredport.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QtTest>


using LoadEnd = DatFetch::LoadEnd;

namespace {

const QString kBoard = QStringLiteral("board");
const QString kKey = QStringLiteral("1234567890");
const QString kDifferentialFailed =
    QStringLiteral("差分取得に失敗 Ctrlキーを押しながら更新してみてください");

const char16_t *const kMessages[] = {
    u"一番乗り",       u"ｷﾀ━━━(ﾟ∀ﾟ)━━━!!", u"&gt;&gt;1 そうだね",
    u"～①ⅰ￢∥ 記号も", u"草 <br> 二行目",  u"https://example.com/a.jpg",
};

QString post(int n)
{
    return QStringLiteral("名無しさん<>%1<>2023/11/15(水) 21:%2:00.00 ID:id%3/x<> %4 <>%5")
        .arg(n % 3 == 0 ? QStringLiteral("sage") : QString())
        .arg(n % 60, 2, 10, QLatin1Char('0'))
        .arg(n)
        .arg(QString::fromUtf16(kMessages[n % 6]) + QStringLiteral(" No.") + QString::number(n))
        .arg(n == 1 ? QStringLiteral("テスト実況スレ") : QString());
}

QStringList posts(int from, int to)
{
    QStringList list;
    for (int n = from; n <= to; ++n)
        list << post(n);
    return list;
}

QByteArray datOf(const QStringList &lines)
{
    return Codec::toSjis(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

quint16 unusedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

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
        m_server->setDat(kBoard, kKey, datOf(posts(1, 5)));
    }

    void cleanup()
    {
        m_h.reset();
        m_server.reset();
    }

    void firstLoadThenEmptyFollowUp()
    {
        const QByteArray file = m_server->dat(kBoard, kKey);
        QVERIFY(m_h->load(threadUrl()));
        QCOMPARE(m_h->lastEnd(), LoadEnd::Finished);
        QCOMPARE(lastRequest(), datRequest());
        const QString port = QString::number(m_server->port());
        QCOMPARE(m_h->statuses.value(0),
                 QStringLiteral("127.0.0.1:") + port + QStringLiteral("に接続中..."));
        QCOMPARE(m_h->statuses.value(1), QStringLiteral("受信待機中..."));
        QVERIFY(m_h->statuses.contains(QStringLiteral("受信中 - 100% ") +
                                       QString::number(file.size()) + QStringLiteral("byte")));
        QCOMPARE(m_h->status(), QStringLiteral("受信終了"));
        QCOMPARE(m_h->lines, posts(1, 5));
        QCOMPARE(m_h->separators.first(), QStringLiteral("<>"));
        QCOMPARE(m_h->restarts, 1);
        QCOMPARE(m_h->state.DatBytes, file);
        QCOMPARE(m_h->state.DatSize, qint32(file.size()));
        QCOMPARE(m_h->state.CurrentUrl, threadUrl());
        QCOMPARE(m_h->state.BoardKind, Boards::Kind::TwoChannel);
        QVERIFY(!m_h->state.LiveMode);
        QVERIFY(m_h->state.Ready);

        QVERIFY(reload());
        QCOMPARE(lastRequest(), datRequest(file.size() - 1));
        QCOMPARE(m_h->status(), QStringLiteral("受信終了"));
        QVERIFY(m_h->lines.isEmpty());
        QCOMPARE(m_h->restarts, 0);
        QCOMPARE(m_h->state.DatBytes, file);
        QCOMPARE(m_h->state.DatSize, qint32(file.size()));
        QVERIFY(m_h->state.LiveMode);
        QCOMPARE(m_h->loader->fetch().response().ContentLength(), 1);
    }

    void followUpBringsOnlyNewPosts()
    {
        QVERIFY(m_h->load(threadUrl()));
        const qint32 before = m_h->state.DatSize;
        m_server->appendDat(kBoard, kKey, datOf(posts(6, 8)));
        QVERIFY(reload());
        QCOMPARE(m_h->lastEnd(), LoadEnd::Finished);
        QCOMPARE(lastRequest(), datRequest(before - 1));
        QCOMPARE(m_h->lines, posts(6, 8));
        QCOMPARE(m_h->state.DatBytes, m_server->dat(kBoard, kKey));
        QCOMPARE(m_h->state.ResTotal, 8);
        QVERIFY(m_h->state.LiveMode);
        const qint64 sent = datOf(posts(6, 8)).size() + 1;
        QVERIFY(m_h->statuses.contains(QStringLiteral("受信中 - 100% ") + QString::number(sent) +
                                       QStringLiteral("byte")));
        QCOMPARE(m_h->status(), QStringLiteral("受信終了"));
    }

    void changedAddressIsANewThread()
    {
        QVERIFY(m_h->load(threadUrl()));
        m_h->clearRecords();
        QVERIFY(m_h->load(threadUrl() + QStringLiteral("l50")));
        QCOMPARE(m_h->restarts, 1);
        QCOMPARE(lastRequest(), datRequest());
        QCOMPARE(m_h->lines, posts(1, 5));
        QVERIFY(!m_h->state.LiveMode);
        QCOMPARE(m_h->state.ResTotal, 5);
    }

    void earlyCloseThenNextRangeFromLastCompleteLine()
    {
        const QByteArray file = m_server->dat(kBoard, kKey);
        const QByteArray threeLines = datOf(posts(1, 3));
        const qint64 header = measureHeader();
        QVERIFY(header > 20);
        // Closed inside the fourth line.
        behave([&](BoardServer::Behaviour &b) { b.closeAfter = header + threeLines.size() + 10; });
        QVERIFY(reload());
        QCOMPARE(m_h->lastEnd(), LoadEnd::Interrupted);
        QCOMPARE(m_h->status(), QStringLiteral("受信が中断されました"));
        QCOMPARE(m_h->lines, posts(1, 3));
        QCOMPARE(m_h->state.DatBytes, threeLines);
        QCOMPARE(m_h->state.DatSize, qint32(threeLines.size()));

        m_server->setBehaviour(BoardServer::Behaviour());
        QVERIFY(reload());
        QCOMPARE(lastRequest(), datRequest(threeLines.size() - 1));
        QCOMPARE(m_h->status(), QStringLiteral("受信終了"));
        QCOMPARE(m_h->lines, posts(4, 5));
        QCOMPARE(m_h->state.DatBytes, file);
    }

    void stalledAnswerEnds_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<LoadEnd>("end");
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("kept");
        const QString timeOut = QStringLiteral("受信タイムアウト");
        QTest::newRow("silent after the request") << 0 << LoadEnd::TimedOut << timeOut << 0;
        // A huge length, two lines and a bit, then an open connection that says nothing more.
        QTest::newRow("stalled after two lines") << 1 << LoadEnd::TimedOut << timeOut << 2;
        QTest::newRow("one byte at a time")
            << 2 << LoadEnd::DeadlineReached
            << QStringLiteral("受信に時間がかかりすぎるため受信を打ち切りました（上限2秒）") << 0;
    }

    void stalledAnswerEnds()
    {
        QFETCH(int, fault);
        QFETCH(LoadEnd, end);
        QFETCH(QString, status);
        QFETCH(int, kept);
        // The announced length has seven digits more than the true one.
        const qint64 stallAt = measureHeader() + 7 + datOf(posts(1, 2)).size() + 5;
        behave([&](BoardServer::Behaviour &b) {
            b.silentMs = fault == 0 ? -1 : 0;
            b.announcedLength = fault == 1 ? 1000000000 : -1;
            b.stallAfter = fault == 1 ? stallAt : -1;
            b.trickleMs = fault == 2 ? 150 : 0;
        });
        QCOMPARE(BoardSocket::Limits().idleMs, 10000);
        QCOMPARE(BoardSocket::Limits().deadlineMs, 60000);
        limit([](BoardSocket::Limits &l) {
            l.idleMs = 600;
            l.deadlineMs = 2000;
        });
        QVERIFY(reload(false, 5000));
        QCOMPARE(m_h->lastEnd(), end);
        QCOMPARE(m_h->status(), status);
        QVERIFY(m_h->state.Ready);
        QCOMPARE(m_h->lines, posts(1, kept));
        QCOMPARE(m_h->state.DatBytes, kept ? datOf(posts(1, kept)) : QByteArray());
        // The socket was closed: the board sees the connection go.
        QTRY_COMPARE_WITH_TIMEOUT(m_server->openConnections(), 0, 3000);

        // The next load goes on from there.
        m_server->setBehaviour(BoardServer::Behaviour());
        QVERIFY(reload());
        QCOMPARE(m_h->lastEnd(), LoadEnd::Finished);
        QCOMPARE(m_h->lines, posts(kept + 1, 5));
    }

    void lineBound()
    {
        // A long thread arrives over several loads, 20,000 lines at most each.
        m_server->setDat(kBoard, kKey, datOf(posts(1, 20003)));
        QVERIFY(m_h->load(threadUrl(), false, 30000));
        QCOMPARE(m_h->lastEnd(), LoadEnd::TooLarge);
        QCOMPARE(m_h->status(),
                 QStringLiteral("受信した行が多すぎるため受信を打ち切りました（上限20000行）"));
        QCOMPARE(m_h->lines.size(), 20000);
        QCOMPARE(m_h->state.DatBytes, datOf(posts(1, 20000)));
        QVERIFY(reload());
        QCOMPARE(m_h->lastEnd(), LoadEnd::Finished);
        QCOMPARE(m_h->lines, posts(20001, 20003));

        // An endless body stops there too.
        behave([](BoardServer::Behaviour &b) {
            b.endlessLines = true;
            b.announcedLength = 1000000000;
        });
        QVERIFY(reload(true, 30000));
        QCOMPARE(m_h->lastEnd(), LoadEnd::TooLarge);
        QCOMPARE(m_h->lines.size(), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(m_server->openConnections(), 0, 3000);
    }

    void noConnectionWithinTheLimit()
    {
        UnansweredPort unanswered;
        const quint16 port = unanswered.port();
        QVERIFY(port != 0);

        const QString url = QStringLiteral("http://127.0.0.1:") + QString::number(port) +
                            QStringLiteral("/test/read.cgi/board/1/");
        QElapsedTimer clock;
        clock.start();
        QVERIFY(m_h->load(url, false, 8000));
        const qint64 waited = clock.elapsed();
        QCOMPARE(m_h->lastEnd(), LoadEnd::ConnectFailed);
        QVERIFY2(waited >= BoardSocket::Limits().connectMs - 50 &&
                     waited < BoardSocket::Limits().connectMs + 2000,
                 qPrintable(QString::number(waited)));
        QCOMPARE(m_h->status(), QStringLiteral("127.0.0.1:") + QString::number(port) +
                                    QStringLiteral("に接続できませんでした"));
        QVERIFY(m_h->state.Ready);
    }

    void rentalThreadFromRawMode()
    {
        const QStringList thread = {
            QStringLiteral("1<>名無しさん<>sage<>2007/01/01(月) 12:00:00<>こんにちは ｶﾀｶﾅ 漢字<>"
                           "したらばテスト<>abc"),
            QStringLiteral("2<>実況民<>shita red<>2007/01/01(月) 12:00:05<>二行 <br> です<><>def"),
            QStringLiteral("3<>名無しさん<><>2007/01/01(月) 12:00:09<>&gt;&gt;1 ｿｳﾀﾞﾈ<><>ghi"),
        };
        m_server->setRentalThread(QStringLiteral("game"), QStringLiteral("12345"), kKey, thread);
        BoardSocket::setHostOverride(QStringLiteral("jbbs.shitaraba.net"),
                                     QStringLiteral("127.0.0.1"), m_server->port());
        const QString page = QStringLiteral("http://jbbs.shitaraba.net/bbs/read.cgi/game/12345/") +
                             kKey + QLatin1Char('/');

        QVERIFY(m_h->load(page + QStringLiteral("l50")));
        QCOMPARE(m_h->addressWrites, QStringList{page});
        QCOMPARE(m_h->state.CurrentUrl, page);
        QCOMPARE(m_h->state.BoardKind, Boards::Kind::Shitaraba);
        QCOMPARE(lastRequest(),
                 QByteArray("GET /bbs/rawmode.cgi/game/12345/1234567890/1- HTTP/1.0\r\n"
                            "Host: jbbs.shitaraba.net\r\n"
                            "User-Agent: Monazilla/1.00 sazanami/1.21\r\n"
                            "Connection: Close"));
        QCOMPARE(m_h->statuses.first(), QStringLiteral("jbbs.shitaraba.net:80に接続中..."));
        QStringList expected;
        for (const QString &line : thread)
            expected << line + QLatin1Char('\r');
        QCOMPARE(m_h->lines, expected);
        const qint64 bytes =
            Codec::toEuc(thread.join(QLatin1Char('\n')) + QLatin1Char('\n')).size();
        QVERIFY(m_h->statuses.contains(QStringLiteral("受信中 - ") + QString::number(bytes) +
                                       QStringLiteral("byte")));
        QCOMPARE(m_h->status(), QStringLiteral("受信終了"));
        QCOMPARE(m_h->state.ResTotal, 3);
        QVERIFY(!m_h->state.LiveMode);

        // Nothing new: the raw-mode script answers with the header alone.
        m_h->clearRecords();
        QVERIFY(m_h->load(page));
        QVERIFY(lastRequest().startsWith("GET /bbs/rawmode.cgi/game/12345/1234567890/4- HTTP/1.0"));
        QCOMPARE(m_h->status(), QStringLiteral("受信終了"));
        QVERIFY(m_h->lines.isEmpty());
        QVERIFY(m_h->state.LiveMode);
        QCOMPARE(m_h->restarts, 0);

        const QString more =
            QStringLiteral("4<>新人<>sage<>2007/01/01(月) 12:01:00<>新着です<><>jkl");
        m_server->appendRentalLine(QStringLiteral("game"), QStringLiteral("12345"), kKey, more);
        m_h->clearRecords();
        QVERIFY(m_h->load(page));
        QVERIFY(lastRequest().startsWith("GET /bbs/rawmode.cgi/game/12345/1234567890/4- HTTP/1.0"));
        QCOMPARE(m_h->lines, QStringList{more + QLatin1Char('\r')});
        QCOMPARE(m_h->state.ResTotal, 4);
    }

    void responseTooLarge()
    {
        m_server->setDat(kBoard, kKey, datOf(posts(1, 60)));
        const QByteArray file = m_server->dat(kBoard, kKey);
        behave([&](BoardServer::Behaviour &b) {
            b.chunkGapMs = 20;
            for (qint64 at = 500; at < file.size(); at += 500)
                b.splitAt << at;
        });
        BoardSocket::Limits half;
        half.maxBytes = file.size() / 2;
        m_h->loader->fetch().setLimits(half);
        QVERIFY(m_h->load(threadUrl()));
        QCOMPARE(m_h->lastEnd(), LoadEnd::TooLarge);
        QVERIFY(m_h->status().contains(QStringLiteral("大きすぎる")));
        const QByteArray kept = m_h->state.DatBytes;
        QVERIFY(!kept.isEmpty());
        QVERIFY(kept.endsWith('\n'));
        QVERIFY(file.startsWith(kept));
        QVERIFY(kept.size() <= file.size() / 2);
        QCOMPARE(m_h->lines.size(), kept.count('\n'));
        QVERIFY(m_h->state.Ready);

        m_h->loader->fetch().setLimits(BoardSocket::Limits());
        QVERIFY(m_h->load(threadUrl()));
        QCOMPARE(m_h->state.DatBytes, file);
        QCOMPARE(m_h->lines, posts(1, 60));
    }

    void deletedPostFetchesTheWholeThreadOnce_data()
    {
        QTest::addColumn<bool>("remove");
        QTest::addColumn<bool>("ctrl");
        QTest::addColumn<QStringList>("thread");
        const QString deleted = QStringLiteral("あぼーん<>あぼーん<>あぼーん<>あぼーん<>");
        // A longer line in place: the answer no longer starts with the LF that ends the copy.
        QTest::newRow("rewritten in place")
            << false << false << (QStringList{post(1), deleted} + posts(3, 7));
        // The file is shorter than the copy: 416.
        QTest::newRow("line removed") << true << false << (QStringList{post(1)} + posts(3, 5));
        QTest::newRow("Ctrl load as before")
            << false << true << (QStringList{post(1), deleted} + posts(3, 7));
    }

    void deletedPostFetchesTheWholeThreadOnce()
    {
        QFETCH(bool, remove);
        QFETCH(bool, ctrl);
        QFETCH(QStringList, thread);
        QSignalSpy refetched(m_h->loader.get(), &ThreadLoader::refetched);
        QVERIFY(m_h->load(threadUrl()));
        if (remove) {
            QVERIFY(m_server->removeDatLine(kBoard, kKey, 1));
        } else {
            QVERIFY(m_server->rewriteDatLine(
                kBoard, kKey, 1,
                Codec::toSjis(QStringLiteral("あぼーん<>あぼーん<>あぼーん<>あぼーん<>"))));
            m_server->appendDat(kBoard, kKey, datOf(posts(6, 7)));
        }
        m_server->clearRequests();
        QVERIFY(reload(ctrl));
        QCOMPARE(m_h->lastEnd(), LoadEnd::Finished);
        QCOMPARE(m_h->status(),
                 ctrl ? QStringLiteral("受信終了")
                      : QStringLiteral(
                            "受信終了（レスが削除されたため、スレッドを最初から読み込み直しました）"));
        QCOMPARE(refetched.size(), ctrl ? 0 : 1);
        // One failed Range request, then the whole file once; the view starts again.
        QCOMPARE(m_server->requests().size(), ctrl ? 1 : 2);
        QCOMPARE(lastRequest(), datRequest());
        QCOMPARE(m_h->restarts, 1);
        QCOMPARE(m_h->lines, thread);
        QCOMPARE(m_h->state.DatBytes, m_server->dat(kBoard, kKey));
        QCOMPARE(m_h->state.ResTotal, thread.size());
        QCOMPARE(m_h->state.RefetchAbove, -1);

        // Following goes on with Range requests.
        const qint32 size = m_h->state.DatSize;
        m_server->appendDat(kBoard, kKey, datOf(posts(9, 9)));
        QVERIFY(reload());
        QCOMPARE(m_h->lines, posts(9, 9));
        QCOMPARE(lastRequest(), datRequest(size - 1));
        QCOMPARE(refetched.size(), ctrl ? 0 : 1);
    }

    void wholeReloadThatFailsIsTriedAgain()
    {
        QSignalSpy refetched(m_h->loader.get(), &ThreadLoader::refetched);
        QVERIFY(m_h->load(threadUrl()));
        QVERIFY(m_server->removeDatLine(kBoard, kKey, 1));
        // Both the Range request and the whole reload fail; only once, not in a loop.
        behave([](BoardServer::Behaviour &b) { b.omitContentLength = true; });
        m_server->clearRequests();
        QVERIFY(reload());
        QCOMPARE(m_h->lastEnd(), LoadEnd::DifferentialFailed);
        QCOMPARE(m_server->requests().size(), 2);
        QCOMPARE(refetched.size(), 0);
        QCOMPARE(m_h->state.RefetchAbove, 5);
        // The next load is the whole reload again, and this time it completes.
        m_server->setBehaviour(BoardServer::Behaviour());
        QVERIFY(reload());
        QCOMPARE(lastRequest(), datRequest());
        QCOMPARE(m_h->lines, QStringList{post(1)} + posts(3, 5));
        QCOMPARE(refetched.size(), 1);
        QCOMPARE(m_h->state.RefetchAbove, -1);
    }

    void serverIgnoringRange()
    {
        QVERIFY(m_h->load(threadUrl()));
        m_server->appendDat(kBoard, kKey, datOf(posts(6, 7)));
        behave([](BoardServer::Behaviour &b) { b.ignoreRange = true; });
        // Each whole file continues the local copy: only its new tail is new.
        const QList<QStringList> news = {posts(6, 7), posts(8, 8), {}};
        for (const QStringList &expected : news) {
            QVERIFY(reload());
            QVERIFY(lastRequest().contains("Range: bytes="));
            QCOMPARE(m_h->lastEnd(), LoadEnd::Finished);
            QCOMPARE(m_h->lines, expected);
            QCOMPARE(m_h->state.DatBytes, m_server->dat(kBoard, kKey));
            m_server->appendDat(kBoard, kKey, datOf(posts(8, 8)).repeated(expected.size() == 2));
        }
        QCOMPARE(m_h->state.ResTotal, 8);

        // A whole file that no longer starts with the local copy is a failed differential load,
        // which the loader follows with one whole reload.
        QVERIFY(m_server->rewriteDatLine(kBoard, kKey, 2, "x<>x<>x<>x<>"));
        QVERIFY(reload());
        QCOMPARE(m_h->lastEnd(), LoadEnd::Finished);
        QVERIFY(m_h->statuses.contains(kDifferentialFailed));
        QCOMPARE(m_h->lines.size(), 8);
        QCOMPARE(m_h->lines.at(2), QStringLiteral("x<>x<>x<>x<>"));
        QCOMPARE(m_h->state.DatBytes, m_server->dat(kBoard, kKey));
    }

    void wrongOffsetRange()
    {
        QVERIFY(m_h->load(threadUrl()));
        const QByteArray copy = m_h->state.DatBytes;
        m_server->appendDat(kBoard, kKey, datOf(posts(6, 6)));
        // From the LF after post 1, told honestly in Content-Range: posts 2 to 5 would come again.
        behave([&](BoardServer::Behaviour &b) { b.rangeFrom = copy.indexOf('\n'); });
        // Taken as a failed differential load: the whole thread is read again once, and only the
        // posts above the count before are new (the post pipeline's rule).
        QSignalSpy refetched(m_h->loader.get(), &ThreadLoader::refetched);
        QVERIFY(reload());
        QCOMPARE(m_h->lastEnd(), LoadEnd::Finished);
        QVERIFY(m_h->statuses.contains(kDifferentialFailed));
        QCOMPARE(refetched.size(), 1);
        QCOMPARE(m_h->lines, posts(1, 6));
        QCOMPARE(m_h->state.DatBytes, m_server->dat(kBoard, kKey));

        m_server->setBehaviour(BoardServer::Behaviour());
        m_server->appendDat(kBoard, kKey, datOf(posts(7, 7)));
        QVERIFY(reload());
        QCOMPARE(m_h->lines, posts(7, 7));
        QCOMPARE(m_h->state.ResTotal, 7);
    }

    void unacceptedStatusShownAsIs_data()
    {
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<QString>("explained");
        QTest::newRow("404") << QByteArray("HTTP/1.1 404 Not Found")
                             << QStringLiteral("HTTP/1.1 404 Not Found "
                                               "スレッドが見つかりません（dat落ちか、URLの間違い）");
        QTest::newRow("1.0 206") << QByteArray("HTTP/1.0 206 Partial Content")
                                 << QStringLiteral("HTTP/1.0 206 Partial Content");
    }

    void unacceptedStatusShownAsIs()
    {
        QFETCH(QByteArray, status);
        QFETCH(QString, explained);
        QVERIFY(m_h->load(threadUrl()));
        const QByteArray copy = m_h->state.DatBytes;
        m_server->appendDat(kBoard, kKey, datOf(posts(6, 6)));
        behave([&](BoardServer::Behaviour &b) { b.statusLine = status; });
        QVERIFY(reload());
        QCOMPARE(m_h->lastEnd(), LoadEnd::Rejected);
        QCOMPARE(m_h->status(), explained);
        QVERIFY(m_h->lines.isEmpty());
        QCOMPARE(m_h->state.DatBytes, copy);
        QVERIFY(m_h->state.Ready);
    }

    void connectionRefused()
    {
        const quint16 port = unusedPort();
        const QString url = QStringLiteral("http://127.0.0.1:") + QString::number(port) +
                            QStringLiteral("/test/read.cgi/board/1/");
        QElapsedTimer clock;
        clock.start();
        QVERIFY(m_h->load(url, false, 6000));
        QVERIFY(clock.elapsed() < BoardSocket::Limits().connectMs);
        QCOMPARE(m_h->lastEnd(), LoadEnd::ConnectFailed);
        const QString remote = QStringLiteral("127.0.0.1:") + QString::number(port);
        QCOMPARE(m_h->statuses.first(), remote + QStringLiteral("に接続中..."));
        QCOMPARE(m_h->status(),
                 remote + QStringLiteral("に接続できませんでした（接続を拒否されました。サーバーが止"
                                         "まっているか、ポート番号が違います）"));
        QCOMPARE(m_h->loader->fetch().socket().socketError(), QAbstractSocket::ConnectionRefusedError);
        QVERIFY(m_h->state.Ready);
        QVERIFY(m_h->lines.isEmpty());

        QVERIFY(m_h->load(threadUrl()));
        QCOMPARE(m_h->lastEnd(), LoadEnd::Finished);
    }

    void ctrlDuringALoad()
    {
        // A header with a huge length and a few bytes, then silence on an open connection.
        behave([](BoardServer::Behaviour &b) {
            b.announcedLength = 1000000000;
            b.stallAfter = 300;
        });
        QSignalSpy ended(m_h->loader.get(), &ThreadLoader::loadEnded);
        m_h->clearRecords();
        m_h->loader->load(threadUrl(), false);
        QTRY_VERIFY_WITH_TIMEOUT(m_h->loader->fetch().response().HeaderDone(), 3000);
        m_h->loader->load(threadUrl(), false); // refused: a load runs
        QCOMPARE(m_server->requests().size(), 1);

        m_server->setBehaviour(BoardServer::Behaviour());
        m_h->clearRecords();
        m_h->loader->load(threadUrl(), true); // Ctrl held: the stalled load gives way at once
        QCOMPARE(m_h->restarts, 1);
        QVERIFY(ended.wait(5000));
        QCOMPARE(ended.size(), 1);
        QCOMPARE(ended.first().first().value<LoadEnd>(), LoadEnd::Finished);
        QCOMPARE(m_server->requests().size(), 2);
        QCOMPARE(lastRequest(), datRequest());
        QVERIFY(!m_h->state.LiveMode);
        QCOMPARE(m_h->lines, posts(1, 5));
        QCOMPARE(m_h->state.DatBytes, m_server->dat(kBoard, kKey));
    }

private:
    QString threadUrl() const
    {
        return m_server->origin() + QStringLiteral("/test/read.cgi/") + kBoard + QLatin1Char('/') +
               kKey + QLatin1Char('/');
    }
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
    // The size of the board's answer header with its blank line, measured on a first load
    // that is then forgotten.
    qint64 measureHeader();
    // Shorter limits than a board's usual ones.
    void limit(void (*set)(BoardSocket::Limits &))
    {
        BoardSocket::Limits limits;
        set(limits);
        m_h->loader->fetch().setLimits(limits);
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
    return r + "User-Agent: Monazilla/1.00 sazanami/1.21\r\nConnection: Close";
}

qint64 TestDatFetch::measureHeader()
{
    if (!m_h->load(threadUrl()))
        return -1;
    m_h->state = ThreadState();
    return m_h->loader->fetch().response().RecvHeader().size() + 3;
}

QTEST_GUILESS_MAIN(TestDatFetch)
#include "tst_datfetch.moc"
