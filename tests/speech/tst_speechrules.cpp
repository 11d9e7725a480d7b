#include "settings/speechoptions.h"
#include "speech/httpanswer.h"
#include "speech/speechreader.h"
#include "speech/speechtext.h"
#include "speech/wavedata.h"
#include "speechstandins.h"
#include "support/storedoptions.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

// Takes each utterance and never ends it: what the reader hands over stays visible.
class HeldEngine : public SpeechEngine
{
public:
    void speak(const QString &text) override { spoken << text; }
    void stop() override {}
    QStringList spoken;
};

} // namespace

class TestSpeechRules : public QObject
{
    Q_OBJECT
private slots:
    void speechText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("readName");
        QTest::addColumn<int>("maxChars");
        QTest::addColumn<QString>("read");
        QTest::newRow("as it is") << "こんにちは"
                                  << "実況民" << 0 << 60 << "こんにちは";
        QTest::newRow("name first") << "おはよう"
                                    << "実況民" << 1 << 60 << "実況民、おはよう";
        QTest::newRow("no name to read") << "おはよう"
                                         << " " << 1 << 60 << "おはよう";
        QTest::newRow("line breaks and blanks fold") << " 一行目\r\n\r\n二行目\t\x01三 "
                                                     << "" << 0 << 60 << "一行目 二行目 三";
        QTest::newRow("address") << "見て http://example.com/a.jpg?x=1&y=2 これ"
                                 << "" << 0 << 60 << "見て URL これ";
        QTest::newRow("address without h, up to the first non-ASCII") << "ttps://x.jp/yです"
                                                                      << "" << 0 << 60 << "URLです";
        QTest::newRow("laugh at the end") << "草ｗｗｗ"
                                          << "" << 0 << 60 << "草わら";
        QTest::newRow("laugh before a mark, mixed widths")
            << "それなwｗw！まじか ww"
            << "" << 0 << 60 << "それなわら！まじか わら";
        QTest::newRow("w inside words and mid-phrase stays")
            << "new show www.example wwwうける"
            << "" << 0 << 60 << "new show www.example wwwうける";
        QTest::newRow("cut at MaxChars") << "あいうえおかきくけこ"
                                         << "" << 0 << 5 << "あいうえお以下略";
        QTest::newRow("exactly MaxChars") << "あいうえお"
                                          << "" << 0 << 5 << "あいうえお";
        QTest::newRow("name counts, pairs are one character") << "🍣🍣🍣"
                                                              << "名" << 1 << 3 << "名、🍣以下略";
        QTest::newRow("nothing to read") << " \r\n "
                                         << "実況民" << 1 << 60 << "";
        // Hostile posts: a megabyte of one run stays linear and is cut.
        QTest::newRow("megabyte run of ｗ") << QString(1 << 20, QChar(0xFF57)) + "あ"
                                            << "" << 0 << 3 << "ｗｗｗ以下略";
        QTest::newRow("megabyte address") << "a http://" + QString(1 << 20, 'x') + " b"
                                          << "" << 0 << 60 << "a URL b";
    }

    void speechText() // a rule of what is read broken, or read in the wrong order
    {
        QFETCH(QString, text);
        QFETCH(QString, name);
        QFETCH(int, readName);
        QFETCH(int, maxChars);
        SpeechOptions o;
        o.ReadName = qint16(readName);
        o.MaxChars = qint16(maxChars);
        QTEST(SpeechText(text, name, o), "read");
    }

    void onAirByKind_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("read"); // "" when nothing is read
        QTest::newRow("post, its name first")
            << int(MakuEntry::Kind::Post) << "実況民&様、今北 わら";
        QTest::newRow("notice, without the program's name")
            << int(MakuEntry::Kind::Notice) << "今北 わら";
        QTest::newRow("free text") << int(MakuEntry::Kind::FreeText) << "";
        QTest::newRow("idle text") << int(MakuEntry::Kind::IdleText) << "";
    }

    void onAirByKind() // free or idle text read, a notice read with a name, a name left out
    {
        QFETCH(int, kind);
        SpeechOptions o;
        o.ReadName = 1;
        SpeechReader reader;
        auto *engine = new HeldEngine;
        reader.setEngine(engine, o);
        MakuEntry entry;
        entry.kind = MakuEntry::Kind(kind);
        entry.message = " 今北<br>ｗｗ";
        entry.name = "実況民&amp;様";
        entry.number = "1000"; // the kind decides, not the number
        reader.onAir(entry);
        QTEST(engine->spoken.join('|'), "read");
    }

    void silencedPosterNotRead() // what waits of a poster made NG afterwards is dropped
    {
        SpeechReader reader;
        auto *engine = new HeldEngine;
        reader.setEngine(engine, SpeechOptions());
        const char *posts[][2] = {
            {"ID:troll", "一"}, {"ID:other", "二"}, {"ID:troll", "三"}, {"ID:other", "四"}};
        for (const auto &post : posts) {
            MakuEntry entry;
            entry.kind = MakuEntry::Kind::Post;
            entry.id = QString::fromUtf8(post[0]);
            entry.message = QString::fromUtf8(post[1]);
            reader.onAir(entry);
        }
        reader.say("通知");
        QCOMPARE(reader.dropIf([](const MakuEntry &e) { return e.id == "ID:troll"; }), 1);
        QCOMPARE(engine->spoken, QStringList{"一"}); // the one being spoken ends as it is
        QCOMPARE(reader.waiting(), QStringList({"二", "四", "通知"}));
    }

    void optionsLoadAndSave() // a preset wrong, a key renamed, a bad value taken
    {
        QTemporaryDir dir;
        SettingsStore store(dir.filePath("s.ini")), saved(dir.filePath("t.ini"));
        storeOptions(store,
                     "Engine=4 Volume=101 Rate=-3 MaxChars=0 Backlog=2 BouyomiPort=x "
                     "VoicevoxUrl=http://192.168.0.5:50021",
                     "SPEECH");
        SaveSpeechOptions(saved, LoadSpeechOptions(store));
        QStringList pairs;
        for (const char *key : {"Engine", "VoicevoxUrl", "VoicevoxSpeaker", "BouyomiHost",
                                "BouyomiPort", "Volume", "Rate", "ReadName", "MaxChars", "Backlog"})
            pairs << QLatin1String(key) + '=' + saved.value(kSpeechSection, QLatin1String(key));
        QCOMPARE(pairs.join(' '), "Engine=0 VoicevoxUrl=http://192.168.0.5:50021 "
                                  "VoicevoxSpeaker=1 BouyomiHost=127.0.0.1 BouyomiPort=50001 "
                                  "Volume=100 Rate=-3 ReadName=0 MaxChars=60 Backlog=2");
    }

    void voicevoxUrl_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("endpoint"); // "" when refused
        QTest::newRow("preset") << "http://127.0.0.1:50021"
                                << "127.0.0.1 50021";
        QTest::newRow("localhost, slash") << " http://localhost:50021/ "
                                          << "localhost 50021";
        QTest::newRow("LAN, port 80") << "http://192.168.1.20"
                                      << "192.168.1.20 80";
        QTest::newRow("172.31 is private") << "http://172.31.255.255:1"
                                           << "172.31.255.255 1";
        QTest::newRow("IPv6 loopback") << "http://[::1]:50021"
                                       << "::1 50021";
        QTest::newRow("mapped loopback") << "http://[::ffff:127.0.0.1]:1"
                                         << "::ffff:127.0.0.1 1";
        QTest::newRow("https") << "https://127.0.0.1:50021"
                               << "";
        QTest::newRow("other scheme") << "ftp://127.0.0.1"
                                      << "";
        QTest::newRow("a name") << "http://example.com:50021"
                                << "";
        QTest::newRow("internet") << "http://8.8.8.8:50021"
                                  << "";
        QTest::newRow("172.32 is not private") << "http://172.32.0.1"
                                               << "";
        QTest::newRow("mapped internet") << "http://[::ffff:8.8.8.8]:1"
                                         << "";
        QTest::newRow("user") << "http://u@127.0.0.1:1"
                              << "";
        QTest::newRow("path") << "http://127.0.0.1:50021/v1"
                              << "";
        QTest::newRow("port too large") << "http://127.0.0.1:65536"
                                        << "";
    }

    void voicevoxUrl() // comments sent off this machine's network, or a good address refused
    {
        QFETCH(QString, typed);
        const auto e = ParseVoicevoxUrl(typed);
        QTEST(e ? e->host + ' ' + QString::number(e->port) : QString(), "endpoint");
    }

    void httpAnswer_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("body"); // "!" when the answer is bad
        QTest::newRow("length, bytes after it ignored")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-length: 5\r\n\r\nhelloEXTRA")
            << QByteArray("hello");
        QTest::newRow("chunked with extension")
            << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n"
                          "6;x=y\r\n world\r\n0\r\n\r\n")
            << QByteArray("hello world");
        QTest::newRow("until the close")
            << QByteArray("HTTP/1.0 200 OK\r\n\r\nabc") << QByteArray("abc");
        QTest::newRow("cut short")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nabc") << QByteArray("!");
        QTest::newRow("no HTTP") << QByteArray("SSH-2.0-x\r\n\r\nabc") << QByteArray("!");
        QTest::newRow("length over the bound")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 17\r\n\r\n") << QByteArray("!");
        QTest::newRow("negative length")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n") << QByteArray("!");
        QTest::newRow("chunk over the bound")
            << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n11\r\n")
            << QByteArray("!");
        QTest::newRow("chunk size overflows")
            << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                          "fffffffffffffffffffff\r\n")
            << QByteArray("!");
        QTest::newRow("chunk without its line end")
            << QByteArray(
                   "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1\r\nab\r\n0\r\n\r\n")
            << QByteArray("!");
        QTest::newRow("endless header")
            << "HTTP/1.1 200 OK\r\nX: " + QByteArray(20000, 'x') << QByteArray("!");
    }

    void httpAnswer() // an answer misread, or one over its bounds taken
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, body);
        // Whole, and one byte at a time: the same result however the bytes arrive.
        for (const qsizetype step : {bytes.size(), qsizetype(1)}) {
            HttpAnswer answer(16);
            for (qsizetype i = 0; i < bytes.size(); i += step)
                answer.feed(bytes.mid(i, step));
            const bool done = answer.close() == HttpAnswer::State::Done;
            QCOMPARE(done ? answer.body() : QByteArray("!"), body);
        }
    }

    void wave() // samples of a broken or unusual file handed to the output
    {
        const QByteArray tone = VoicevoxStandIn::toneWave();
        const std::optional<WaveData> w = ParseWave(tone);
        QVERIFY(w);
        QCOMPARE(QString("%1 %2 %3 %4")
                     .arg(w->sampleRate)
                     .arg(w->channels)
                     .arg(w->bitsPerSample)
                     .arg(w->samples.size()),
                 "24000 1 16 14400");
        QCOMPARE(w->samples, tone.mid(44));
        // A LIST chunk of odd size (padded) before the samples; a data chunk cut short keeps
        // whole frames only.
        QByteArray listed = tone.left(36) + QByteArray("LIST\3\0\0\0abc\0", 12) + tone.mid(36);
        listed.chop(1);
        QCOMPARE(ParseWave(listed)->samples, tone.mid(44, 14398));
        QByteArray floatFormat = tone;
        floatFormat[20] = 3;
        QByteArray hugeFmt = tone;
        hugeFmt[19] = 0x7f;
        const QByteArray dataFirst = tone.left(12) + tone.mid(36) + tone.mid(12, 24);
        for (const QByteArray &bad :
             {floatFormat, hugeFmt, dataFirst, tone.left(40), QByteArray("RIFX") + tone.mid(4)})
            QVERIFY(!ParseWave(bad));
    }
};

QTEST_GUILESS_MAIN(TestSpeechRules)
#include "tst_speechrules.moc"
