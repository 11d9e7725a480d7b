#include "posting/formencoding.h"
#include "posting/postrequest.h"
#include "support/textrows.h"

#include <QTimeZone>
#include <QtTest>

using Outcome = PostVerdict::Outcome;

namespace {

const QString k2ch = QStringLiteral("http://bbs.example:8080/test/read.cgi/live/1700000000/l50");
const QString kRental =
    QStringLiteral("https://jbbs.shitaraba.net/bbs/read.cgi/game/12345/1234567890/");

PostFields reply()
{
    PostFields f;
    f.name = QStringLiteral("名無し");
    f.mail = QStringLiteral("sage");
    f.message = QStringLiteral("あ a");
    return f;
}

} // namespace

// What a post sends and how the board's answer is read, byte for byte, without a network.
class tst_PostRequest : public QObject
{
    Q_OBJECT
private slots:
    void encode_data()
    {
        // Every escape in capitals, a space as "+"; the unreserved bytes as they are.
        static const char *const table[][4] = {
            {"space, unreserved", "a b@-.*_", "a+b@-.*_", "a+b@-.*_"},
            {"reserved", "/~\r\n", "%2F%7E%0D%0A", "%2F%7E%0D%0A"},
            // Trail bytes under 0x7F, 0x80-0x9E and from 0x9F on: the EUC-JP rows differ.
            {"trail 0x41 escaped with its lead", "ア", "%83%41", "%A5%A2"},
            {"trail 0x91", "書", "%8F%91", "%BD%F1"},
            {"trail 0x9F", "亜", "%88%9F", "%B0%A1"},
            {"half-width", "ｱ", "%B1", "%8E%B1"},
            {"NEC special character", "①", "%87%40", "%AD%A1"},
            // The JIS forms take the Windows codes: 〜 − ‖ — ¢ £ ¬.
            {"JIS forms", "\u301c\u2212\u2016\u2014\u00a2\u00a3\u00ac",
             "%81%60%81%7C%81%61%81%5C%81%91%81%92%81%CA",
             "%A1%C1%A1%DD%A1%C2%A1%BD%A1%F1%A1%F2%A2%CC"},
            // What the encoding lacks goes as a reference, as a browser sends it; EUC-JP also
            // lacks the user-defined (F040) and IBM (FA5C) rows.
            {"references", "😀é?", "%26%23128512%3B%26%23233%3B%3F",
             "%26%23128512%3B%26%23233%3B%3F"},
            {"lead F0", "\xee\x80\x80纊", "%F0@%FA%5C", "%26%2357344%3B%26%2332394%3B"},
        };
        AddTextRows({"text", "sjis", "euc"}, table);
    }

    void encode() // a byte the board decodes wrongly, in either encoding
    {
        QFETCH(QString, text);
        QFETCH(QString, sjis);
        QFETCH(QString, euc);
        QCOMPARE(UrlEncodeSJIS(text), sjis);
        QCOMPARE(UrlEncodeEUC(text), euc);
    }

    void trimMessage_data()
    {
        static const char *const table[][3] = {
            {"trailing blanks and lines", "abc  \r\n\r\n", "abc"},
            {"leading spaces stay", "x \r\n y", "x\r\n y"},
            {"lone LF is no break", "a \n", "a \n"},
            {"ideographic space stays", "a　", "a　"}, // posters align text art with it
        };
        AddTextRows({"text", "trimmed"}, table);
    }

    void trimMessage() // text art broken, or blank lines posted
    {
        QFETCH(QString, text);
        QFETCH(QString, trimmed);
        QCOMPARE(TrimMessage(text), trimmed);
    }

    void addressValues_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QStringList>("values"); // BBS, KEY, DIR, rental BBS, rental KEY
        QTest::newRow("path form")
            << k2ch << QStringList{"live", "1700000000", "live", "1700000000", "l50"};
        QTest::newRow("query form") << "http://h/test/read.cgi?bbs=news&key=123&ls=50"
                                    << QStringList{"news", "123", "", "", ""};
        QTest::newRow("query key to the end, 256 at most")
            << "http://h/test/read.cgi?bbs=news&key=" + QString(300, QLatin1Char('9'))
            << QStringList{"news", QString(256, QLatin1Char('9')), "", "", ""};
        QTest::newRow("rental") << kRental << QStringList{"", "", "game", "12345", "1234567890"};
    }

    void addressValues() // a post sent to the wrong board or thread
    {
        QFETCH(QString, url);
        QFETCH(QStringList, values);
        const QStringList got{Get2chBBS(url), Get2chKEY(url), GetShitarabaDIR(url),
                              GetShitarabaBBS(url), GetShitarabaKEY(url)};
        QCOMPARE(got, values);
    }

    void timeValue() // a time off by the time zone
    {
        // Local midnight in Japan, as the boards' own clocks read it.
        const QDateTime japan(QDate(2000, 1, 1), QTime(0, 0), QTimeZone(9 * 3600));
        QCOMPARE(PostTime(japan), 946652100);
        // The same instant written in UTC gives the same number.
        QCOMPARE(PostTime(japan.toUTC()), 946652100);
    }

    void bodies_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("newThread");
        QTest::addColumn<QString>("body");
        QTest::newRow("2ch reply")
            << k2ch << false
            << "submit=%8F%91%82%AB%8D%9E%82%DE&FROM=%96%BC%96%B3%82%B5&mail=sage&MESSAGE=%82%A0+a"
               "&bbs=live&key=1700000000&time=946652100&hana=mogera";
        QTest::newRow("2ch new thread")
            << k2ch << true
            << "submit=%90%56%8B%4B%83%58%83%8C%83%62%83%68%8D%EC%90%AC&subject=%83%58%83%8C"
               "&FROM=%96%BC%96%B3%82%B5"
               "&mail=sage&MESSAGE=%82%A0+a&bbs=live&time=946652100&hana=mogera";
        QTest::newRow("rental reply")
            << kRental << false
            << "submit=%BD%F1%A4%AD%B9%FE%A4%E0&NAME=%CC%BE%CC%B5%A4%B7&MAIL=sage&MESSAGE=%A4%A2+a"
               "&DIR=game&BBS=12345&KEY=1234567890&TIME=946652100";
        QTest::newRow("rental new thread")
            << kRental << true
            << "submit=%BF%B7%B5%AC%BD%F1%A4%AD%B9%FE%A4%DF&SUBJECT=%A5%B9%A5%EC&NAME=%CC%BE%CC%B5%"
               "A4%"
               "B7"
               "&MAIL=sage&MESSAGE=%A4%A2+a&DIR=game&BBS=12345&TIME=946652100";
    }

    void bodies() // a form field missing, misnamed or in the wrong encoding
    {
        QFETCH(QString, url);
        QFETCH(bool, newThread);
        QFETCH(QString, body);
        PostFields f = reply();
        f.newThread = newThread;
        f.subject = QStringLiteral("スレ");
        QCOMPARE(PostBody(url, f, 946652100), body);
    }

    void twoChannelRequestBytes() // a request line or header the board does not take
    {
        const QString body = QStringLiteral("a=1");
        QCOMPARE(PostRequest(k2ch, reply(), body),
                 QByteArray("POST http://bbs.example:8080/test/bbs.cgi HTTP/1.0\r\n"
                            "Referer: http://bbs.example:8080/test/read.cgi/live/1700000000/l50\r\n"
                            "Host: bbs.example:8080\r\n"
                            "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)\r\n"
                            "Accept: text/plain\r\n"
                            "Accept-charset: shift_jis\r\n"
                            "Accept-Encoding:\r\n"
                            "Content-Length: 3\r\n"
                            "Cookie: NAME=\x96\xbc\x96\xb3\x82\xb5; MAIL=sage\r\n"
                            "\r\n"
                            "a=1\r\n"));
    }

    void rentalRequestBytes() // a request line or header the rental board does not take
    {
        PostFields f = reply();
        f.name.clear();
        const QString body = PostBody(kRental, f, 946652100);
        QCOMPARE(PostRequest(kRental, f, body),
                 "POST https://jbbs.shitaraba.net/bbs/write.cgi HTTP/1.0\r\n"
                 "Referer: https://jbbs.shitaraba.net/bbs/read.cgi/game/12345/1234567890/\r\n"
                 "Host: jbbs.shitaraba.net\r\n"
                 "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)\r\n"
                 "Content-Type: application/x-www-form-urlencoded\r\n"
                 "Accept: text/plain\r\n"
                 "Accept-charset: shift_jis\r\n"
                 "Accept-Encoding:\r\n"
                 "Content-Length: 113\r\n"
                 "Cookie: NAME=; MAIL=sage\r\n"
                 "\r\n" +
                     body.toLatin1() + "\r\n");
    }

    void confirmationCookie() // the confirmation answered without the board's cookies
    {
        // Set-Cookie values replace NAME/MAIL and add new keys; attributes are dropped, and so is
        // a value with a lone line break, which would smuggle a header line into the next post.
        const QString answer = QStringLiteral("HTTP/1.1 200 OK\r\nSet-Cookie: PON=abc; path=/\r\n"
                                              "set-cookie: MAIL=%82%A0; expires=x\r\n"
                                              "Set-Cookie: a=b\nX-Evil: 1\r\n\r\n"
                                              "Set-Cookie: body=no\r\n");
        QCOMPARE(PostCookie(reply(), answer), QStringLiteral("NAME=名無し; MAIL=%82%A0; PON=abc"));
    }

    void judge_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("text");
        const QString ok = QStringLiteral("HTTP/1.1 200 OK\r\n\r\n");
        QTest::newRow("written") << ok + "<html><title>書きこみました。</title>"
                                 << int(Outcome::Written) << "書きこみました。";
        QTest::newRow("error with bold reason") << ok + "<title>ERROR!</title><b>X<br>Y</b><b>Z</b>"
                                                << int(Outcome::Failed) << "ERROR!\r\nX\r\nY";
        QTest::newRow("empty title counts as written")
            << ok + "<title></title>" << int(Outcome::Written) << "";
        QTest::newRow("confirmation") << ok + "<title>■ 書き込み確認 ■</title>確認して"
                                      << int(Outcome::Confirmation) << "■ 書き込み確認 ■ 確認して";
        QTest::newRow("status 500")
            << "HTTP/1.1 500 Internal Server Error\r\n\r\n<title>書きこみました。</title>"
            << int(Outcome::Failed) << "HTTP/1.1 500 Internal Server Error\r\n書きこみました。";
        QTest::newRow("empty answer")
            << "" << int(Outcome::Failed) << "サーバーから応答がありませんでした";
        QTest::newRow("no title") << ok + "<p>hi</p>" << int(Outcome::Failed)
                                  << "書き込みの結果が分からない応答でした\r\nhi";
    }

    void judge() // a refused post reported as written, or the reason lost
    {
        QFETCH(QString, answer);
        QFETCH(int, outcome);
        QFETCH(QString, text);
        const PostVerdict v = JudgePostAnswer(answer);
        QCOMPARE(int(v.outcome), outcome);
        QCOMPARE(v.text, text);
    }

    void openCheck_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("open");
        QTest::addColumn<bool>("twoChannel");
        QTest::addColumn<QString>("result"); // the address after the check, or the status text
        QTest::newRow("external board") << k2ch << true << true << k2ch;
        QTest::newRow("central service refused, kind set")
            << "http://eagle.5ch.net/test/read.cgi/livejupiter/1/" << false << true
            << "2chはあえて書き込めないようにしてます。外部板で使いましょう";
        QTest::newRow("rental cut after the last slash")
            << "http://jbbs.shitaraba.net/bbs/read.cgi/game/1/2/l50" << true << false
            << "http://jbbs.shitaraba.net/bbs/read.cgi/game/1/2/";
        QTest::newRow("neither") << "" << false << false << "このURLは書き込みできません";
    }

    void openCheck() // a post window for an address that takes no post
    {
        QFETCH(QString, address);
        QFETCH(bool, open);
        QFETCH(bool, twoChannel);
        QFETCH(QString, result);
        const PostTarget t = CheckPostAddress(address);
        QCOMPARE(t.open, open);
        QCOMPARE(t.twoChannel, twoChannel);
        QCOMPARE(open ? t.address : t.status, result);
    }
};

QTEST_GUILESS_MAIN(tst_PostRequest)
#include "tst_postrequest.moc"
