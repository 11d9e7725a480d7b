#include "threadlist/nextthread.h"

#include "support/textrows.h"

#include <QtTest>

namespace {

const QString kCurrent = QStringLiteral("http://b/test/read.cgi/live/1000/");

// Posts as "NUMBER MESSAGE" lines.
QVector<PostText> postsOf(const QString &text)
{
    QVector<PostText> posts;
    for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        posts.append({line.section(QLatin1Char(' '), 0, 0).toInt(), line.section(' ', 1)});
    return posts;
}

QVector<ThreadRow> rowsOf(const QString &list, const QString &board)
{
    SubjectLines lines;
    lines.reset(board, IsRentalBoardUrl(board), 0);
    lines.add(list.isEmpty() ? list : list + QLatin1Char('\n'));
    return lines.finish();
}

} // namespace

class TestNextThread : public QObject
{
    Q_OBJECT
private slots:
    void titles_data()
    {
        static const char *const table[][3] = {
            {"Part and brackets", "【実況】番組名 Part12 [転載禁止]", "実況番組名転載禁止|12"},
            {"full width", "［実況］番組名　ｐａｒｔ．１３", "実況番組名|13"},
            {"その", "番組名 その3", "番組名|3"},
            {"star", "★4 番組名", "番組名|4"},
            {"stars alone decorate", "★★番組名☆", "番組名|-1"},
            {"No.", "番組名 No.5", "番組名|5"},
            // Inside a word they are no markers; without a number only the star goes.
            {"no markers", "Counterpart3 piano2 そのまま", "counterpart3piano2そのまま|-1"},
            {"half-width kana", "ﾃｽﾄ & 実況 part 2", "テスト&実況|2"},
            {"nine digits at most", "実況 Part 1234567890123", "実況|123456789"},
        };
        AddTextRows({"title", "key"}, table);
    }

    void titles() // a part taken for another thread, or a thread missed over its spelling
    {
        QFETCH(QString, title);
        QFETCH(QString, key);
        const ThreadTitleKey got = NormalizeThreadTitle(title);
        QCOMPARE(got.base + QLatin1Char('|') + QString::number(got.number), key);
    }

    void over_data()
    {
        // Kind (r: rental), posts, refused status, rental stop, successor known → over.
        static const char *const table[][6] = {
            {"stop post", "2", "1001", "0", "", "1"},
            {"1000 alone", "2", "1000", "0", "", "0"},
            {"1000 with a successor", "2", "1000", "0", "", "s1"},
            {"999 with a successor", "2", "999", "0", "", "s0"},
            {"dropped", "2", "300", "404", "", "1"},
            {"moved", "2", "300", "302", "", "1"},
            {"never read", "2", "0", "404", "", "0"},
            {"server trouble", "2", "300", "503", "", "0"},
            {"rental 1000", "r", "1000", "0", "", "1"},
            {"rental stopped", "r", "999", "0", "HTTP/1.1 200 OK\r\nERROR: STORAGE IN\r\n", "1"},
            {"rental, empty error", "r", "999", "0", "HTTP/1.1 200 OK\r\nERROR: \r\n", "0"},
        };
        AddTextRows({"kind", "posts", "status", "header", "over"}, table);
    }

    void over() // a running thread left, or a finished one followed forever
    {
        QFETCH(QString, kind);
        QFETCH(QString, posts);
        QFETCH(QString, status);
        QFETCH(QString, header);
        QFETCH(QString, over);
        ThreadEndFacts facts;
        facts.kind =
            kind == QLatin1String("r") ? Boards::Kind::Shitaraba : Boards::Kind::TwoChannel;
        facts.posts = posts.toInt();
        facts.refusedStatus = status.toInt();
        facts.rentalStopped = RentalThreadStopped(header);
        QCOMPARE(IsThreadOver(facts, over.startsWith(QLatin1Char('s'))), over.endsWith('1'));
    }

    void listDue_data()
    {
        // Posts, over, a candidate named, ms since the list was read (-1: never), ms since the end.
        static const char *const table[][7] = {
            {"before the last posts", "900", "0", "0", "-1", "0", "0"},
            {"post 950, never read", "950", "0", "0", "-1", "0", "1"},
            {"within the minute", "990", "0", "0", "59999", "0", "0"},
            {"a minute on", "999", "0", "0", "60000", "0", "1"},
            {"from 1000 at every load", "1000", "0", "0", "0", "0", "1"},
            {"over, within 30 minutes", "300", "1", "0", "0", "1800000", "1"},
            {"over, 30 minutes past", "300", "1", "0", "0", "1800001", "0"},
            {"a candidate waits", "1001", "1", "1", "-1", "0", "0"},
        };
        AddTextRows({"posts", "over", "named", "sinceList", "sinceOver", "due"}, table);
    }

    void listDue() // the board asked at every load, or no more after the end
    {
        QFETCH(QString, posts);
        QFETCH(QString, over);
        QFETCH(QString, named);
        QFETCH(QString, sinceList);
        QFETCH(QString, sinceOver);
        QFETCH(QString, due);
        QCOMPARE(ListDue({posts.toInt(), over == "1", named == "1", sinceList.toLongLong(),
                          sinceOver.toLongLong()}),
                 due == "1");
    }

    void successor_data()
    {
        // Current thread ("" for $1000/, titled "実況 Part3"), its last posts, the board's list,
        // a key turned down, the successor. "$" and "@" start thread addresses of the board and
        // of a rental board.
        static const char *const table[][6] = {
            {"link", "", "995 次スレ $2000/l50", "", "", "$2000/"},
            {"link without h, in a tag", "", "995 <a href=\"ttp://B/test/read.cgi/live/2000\">", "",
             "", "$2000/"},
            {"other board, host, older key", "",
             "995 http://b/test/read.cgi/news/2000/ http://c/test/read.cgi/live/2000/ $900/", "",
             "", ""},
            {"link listed under another title", "", "995 $2000/", "2000.dat<>雑談 Part4 (3)", "",
             ""},
            {"listed link first", "", "990 $2000/\n995 $3000/", "2000.dat<>実況 Part4 (5)", "",
             "$2000/"},
            {"link saying 次スレ first", "", "990 次スレ $2000/\n995 $3000/", "", "", "$2000/"},
            {"latest link", "", "990 $2000/\n995 $3000/", "", "", "$3000/"},
            {"turned down", "", "995 $2000/", "", "2000", ""},
            {"list: next part before newest", "", "",
             "2000.dat<>実況 Part4 (5)\n3000.dat<>【実況】Part5 (1)", "", "$2000/"},
            {"list: else newest", "", "", "2000.dat<>実況 Part7 (5)\n3000.dat<>実況 Part9 (1)", "",
             "$3000/"},
            {"list: no match, older, turned down", "", "",
             "3000.dat<>雑談 Part4 (1)\n500.dat<>実況 Part4 (1)\n2000.dat<>実況 Part4 (1)", "2000",
             ""},
            {"rental, old host", "@1000/",
             "995 http://jbbs.livedoor.jp/bbs/read.cgi/game/1/2000/ "
             "https://jbbs.shitaraba.net/bbs/read.cgi/game/2/3000/",
             "", "", "@2000/"},
        };
        AddTextRows({"current", "posts", "list", "excluded", "url"}, table);
    }

    void successor() // a decoy taken, or the real next thread missed
    {
        const auto expand = [](QString text) {
            return text.replace('$', "http://b/test/read.cgi/live/")
                .replace('@', "https://jbbs.shitaraba.net/bbs/read.cgi/game/1/");
        };
        QFETCH(QString, current);
        current = expand(current.isEmpty() ? QStringLiteral("$1000/") : current);
        QFETCH(QString, posts);
        QFETCH(QString, list);
        QFETCH(QString, excluded);
        QFETCH(QString, url);
        const NextThreadCandidate c = ChooseNextThread(
            current, QStringLiteral("実況 Part3"), postsOf(expand(posts)),
            rowsOf(list, BoardUrlOf(current)), {excluded.isEmpty() ? -1 : excluded.toLongLong()});
        QCOMPARE(c.url, expand(url));
        QCOMPARE(c.isValid(), !url.isEmpty());
    }

    void hostileText() // a flood of links hiding the next thread; markup in the caption
    {
        QString flood = QStringLiteral("100 ");
        for (int key = 3000; key < 4000; ++key)
            flood += QStringLiteral("ttp://b/test/read.cgi/live/%1/ ").arg(key);
        const QVector<PostText> posts =
            postsOf(flood + QStringLiteral("\n150 次スレ http://b/test/read.cgi/live/2000/\n160 ") +
                    QStringLiteral("read.cgi/").repeated(100000));
        QCOMPARE(ChooseNextThread(kCurrent, {}, posts, {}, {}).key, 2000);
        // The current title from the list, for want of one from the thread.
        const QVector<ThreadRow> rows =
            rowsOf(QStringLiteral("1000.dat<>実況 Part3 (1000)\n2000.dat<>実況 Part4 (1)"),
                   QStringLiteral("http://b/live/"));
        QCOMPARE(ChooseNextThread(kCurrent, {}, {}, rows, {}).key, 2000);

        const NextThreadCandidate c{
            QStringLiteral("http://b/test/read.cgi/live/2/"),
            QStringLiteral("<b>a&b</b>\r\n") + QString(100, QLatin1Char('x')), 2};
        QCOMPARE(NextThreadCaption(c), QStringLiteral("次スレ候補：<b>a&b</b> ") +
                                           QString(69, QLatin1Char('x')) +
                                           QStringLiteral("…（http://b/test/read.cgi/live/2/）"));
        // The title goes on air as written, markup and all.
        QCOMPARE(NextThreadNotice(QStringLiteral(" <b>a&amp;b</b> ")).text(),
                 QStringLiteral("sazanamiからのお知らせ\r\n次スレに移動しました：<b>a&amp;b</b>"));
    }
};

QTEST_GUILESS_MAIN(TestNextThread)
#include "tst_nextthread.moc"
