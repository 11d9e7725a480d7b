#include "rendering/postpipeline.h"
#include "retrieval/threadstate.h"
#include "settings/program.h"
#include "speech/bouyomiengine.h"
#include "speech/speechengines.h"
#include "speech/speechreader.h"
#include "speech/systemvoiceengine.h"
#include "speech/voicevoxengine.h"
#include "speechstandins.h"
#include "subtitle/subtitlepacing.h"
#include "subtitle/subtitlequeue.h"
#include "support/pulsesink.h"
#include "support/testhome.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTextToSpeech>

namespace {

QString line(const QString &name, const QString &mail, const QString &message)
{
    return name + "<>" + mail + "<>2026/12/07(月) 21:00:00.00 ID:abc<> " + message + " <>";
}

// The posts of the road: a name, an address, "ｗｗｗ", an over-long post, an NG post and a post
// with command words, with a tag and entities.
const QStringList kPosts = {
    line("実況民&amp;<b>様</b>", "", "こんばんは"),
    line("名無し", "sage", "これ見て http://example.com/a.jpg"),
    line("名無し", "", "それはないｗｗｗ"),
    line("名無し", "", QString(70, QChar(0x3042))),
    line("荒らし", "", "読まれてはいけない"),
    line("名無し", "shita red big", "&gt;&gt;1 <b>太字</b><br>改行&amp;"),
};

} // namespace

// Posts on their way to the air, read through the engines' stand-ins over real TCP: what each
// engine receives, in which order, and that nothing of the subtitles waits on an engine.
class TestSpeechRoad : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        const QString why = m_pulse.start();
        if (!why.isEmpty())
            QSKIP(qPrintable(why));
    }

    void init()
    {
        m_env = std::make_unique<TestProgram>();
        m_state = ThreadState();
        m_state.LiveMode = true;
        m_env->program.flags.MakuShown = true;
        m_pipeline = std::make_unique<PostPipeline>(m_env->program, m_state);
        m_pipeline->setNgWords({"荒らし"});
        m_queue = std::make_unique<SubtitleQueue>();
        m_pacing = std::make_unique<SubtitlePacing>(*m_queue, m_env->program);
        m_reader = std::make_unique<SpeechReader>();
        connect(m_pipeline.get(), &PostPipeline::postQueued, m_queue.get(),
                &SubtitleQueue::queuePost);
        connect(m_pipeline.get(), &PostPipeline::noticeQueued, m_queue.get(),
                &SubtitleQueue::queueNotice);
        connect(m_pacing.get(), &SubtitlePacing::textDrawRequested, this,
                [this](const MakuEntry &entry) {
                    m_drawn << entry.text();
                    m_reader->onAir(entry);
                });
        connect(m_reader.get(), &SpeechReader::statusNote, this,
                [this](const QString &text) { m_notes << text; });
        m_drawn.clear();
        m_notes.clear();
    }

    void voicevoxReadsEachPostOnAir() // a post read wrong, out of order, twice or not played
    {
        VoicevoxStandIn engine;
        QVERIFY(engine.listen());
        SpeechOptions o;
        o.Engine = SpeechOptions::Voicevox;
        o.VoicevoxUrl = engine.url();
        o.VoicevoxSpeaker = 8;
        o.ReadName = 1;
        o.Rate = 10;
        useEngine(o);
        const qsizetype mark = m_pulse.recorded();
        m_state.ResTotal = 994; // the last post is the 1000th: the program's notice follows
        air(kPosts);
        QTRY_COMPARE_WITH_TIMEOUT(engine.requests().size(), 12, 20000);
        QTRY_VERIFY(!m_reader->isSpeaking());
        QVERIFY2(m_notes.isEmpty(), qPrintable(m_notes.join(" | ")));
        QStringList received;
        for (const VoicevoxStandIn::Request &r : engine.requests()) {
            QCOMPARE(r.speaker, "8");
            if (r.path == "/audio_query") {
                received << r.text;
                continue;
            }
            // The query goes back as it came, at the speed asked for.
            const QJsonObject query = QJsonDocument::fromJson(r.body).object();
            QCOMPARE(r.path, "/synthesis");
            QCOMPARE(query.value("kana").toString(), received.last());
            QCOMPARE(query.value("speedScale").toDouble(), 2.0);
        }
        QCOMPARE(received,
                 QStringList(
                     {"実況民&様、こんばんは", "名無し、これ見て URL", "名無し、それはないわら",
                      "名無し、" + QString(56, QChar(0x3042)) + "以下略", "名無し、>>1 太字 改行&",
                      "sazanamiからのお知らせ このスレッドは1000に到達しました"}));
        QTRY_VERIFY_WITH_TIMEOUT(m_pulse.peakSince(mark) > 4000, 5000);

        // At a low volume the same voice is heard, quietly.
        QTRY_VERIFY_WITH_TIMEOUT(m_pulse.silentFor(16000), 10000);
        o.Volume = 10;
        useEngine(o);
        const qsizetype quiet = m_pulse.recorded();
        m_reader->say("小さな声");
        QTRY_VERIFY_WITH_TIMEOUT(m_pulse.peakSince(quiet) > 50, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(m_pulse.silentFor(16000), 10000);
        QVERIFY2(m_pulse.peakSince(quiet) < 1000,
                 qPrintable(QString::number(m_pulse.peakSince(quiet))));
        QCOMPARE(engine.requests().size(), 14);
    }

    void bouyomiGetsTheExactCommand() // a byte of the command wrong, or posts in another order
    {
        BouyomiStandIn bouyomi;
        QVERIFY(bouyomi.listen());
        SpeechOptions o;
        o.Engine = SpeechOptions::Bouyomi;
        o.BouyomiPort = bouyomi.port();
        useEngine(o);
        m_reader->say("テスト");
        QTRY_COMPARE(bouyomi.packets().size(), 1);
        // Command 1, speed, tone and volume left to BouyomiChan, voice 0, UTF-8, 9 bytes.
        QCOMPARE(bouyomi.packets().first().toHex(' '),
                 "01 00 ff ff ff ff ff ff 00 00 00 09 00 00 00 e3 83 86 e3 82 b9 e3 83 88");

        o.Rate = -10;
        o.Volume = 40;
        useEngine(o);
        air(kPosts);
        QTRY_COMPARE_WITH_TIMEOUT(bouyomi.packets().size(), 6, 10000);
        QStringList texts;
        for (const QByteArray &packet : bouyomi.packets().mid(1)) {
            const BouyomiStandIn::Command c = BouyomiStandIn::parse(packet);
            QVERIFY(c.valid);
            QCOMPARE(QString("%1 %2 %3 %4 %5 %6")
                         .arg(c.command)
                         .arg(c.speed)
                         .arg(c.tone)
                         .arg(c.volume)
                         .arg(c.voice)
                         .arg(c.charset),
                     "1 50 -1 40 0 0");
            texts << c.text;
        }
        QCOMPARE(texts, QStringList({"こんばんは", "これ見て URL", "それはないわら",
                                     QString(60, QChar(0x3042)) + "以下略", ">>1 太字 改行&"}));
        QVERIFY2(m_notes.isEmpty(), qPrintable(m_notes.join(" | ")));
    }

    void backlogDropsTheOldestWaiting() // a flood read to its end, or the newest dropped
    {
        BouyomiStandIn bouyomi;
        QVERIFY(bouyomi.listen());
        SpeechOptions o;
        o.Engine = SpeechOptions::Bouyomi;
        o.BouyomiPort = bouyomi.port();
        o.Backlog = 2;
        useEngine(o);
        QStringList posts;
        for (int i = 1; i <= 6; ++i)
            posts << line("名無し", "", QString::number(i));
        air(posts);
        // Once the reader is idle nothing more is sent; the last command may still be arriving.
        QTRY_VERIFY(!m_reader->isSpeaking() && m_reader->waiting().isEmpty());
        QTRY_COMPARE(bouyomi.packets().size(), 3);
        QStringList texts;
        for (const QByteArray &packet : bouyomi.packets())
            texts << BouyomiStandIn::parse(packet).text;
        QCOMPARE(texts, QStringList({"1", "5", "6"}));
        QCOMPARE(m_notes,
                 QStringList({"読み上げ待ちが2件を超えたため、古いものから読み飛ばします"}));
    }

    void failingEngine_data()
    {
        QTest::addColumn<int>("behaviour"); // -1: nothing listens
        QTest::addColumn<QString>("note");
        QTest::newRow("refused") << -1 << "に接続できませんでした（接続を拒否されました。";
        QTest::newRow("silent") << int(VoicevoxStandIn::Behaviour::Silent)
                                << "が1秒以内に答えませんでした";
        QTest::newRow("garbage") << int(VoicevoxStandIn::Behaviour::Garbage)
                                 << "の答えがHTTPの形ではありません";
    }

    void failingEngine() // subtitles waiting on an engine, a failure unsaid, said twice or ending
                         // reading
    {
        QFETCH(int, behaviour);
        QFETCH(QString, note);
        VoicevoxStandIn engine;
        QVERIFY(engine.listen());
        engine.setBehaviour(VoicevoxStandIn::Behaviour(qMax(0, behaviour)));
        SpeechOptions o;
        o.Engine = SpeechOptions::Voicevox;
        o.VoicevoxUrl = engine.url();
        if (behaviour < 0)
            engine.close();
        useEngine(o);
        static_cast<VoicevoxEngine *>(m_reader->engine())->client().setLimits({2000, 1000});
        // Both posts go on air while the engine has not answered a thing: nothing waited on it.
        air({line("名無し", "", "一つ目"), line("名無し", "", "二つ目")});
        QCOMPARE(m_drawn.mid(0, 2), QStringList({"一つ目 ", "二つ目 "}));
        QVERIFY2(m_notes.isEmpty(), qPrintable(m_notes.join(" | ")));
        // One note per utterance, and the second post is tried as if nothing had happened.
        QTRY_COMPARE_WITH_TIMEOUT(m_notes.size(), 2, 10000);
        for (const QString &text : m_notes)
            QVERIFY2(text.startsWith("VOICEVOXエンジン（" + o.VoicevoxUrl + "）" + note),
                     qPrintable(text));
        if (behaviour >= 0)
            QCOMPARE(engine.requests().size(), 2);
    }

    void switchedOffStopsAtOnce() // an utterance still waited for, or one read after it
    {
        VoicevoxStandIn engine;
        QVERIFY(engine.listen());
        engine.setBehaviour(VoicevoxStandIn::Behaviour::Silent);
        SpeechOptions o;
        o.Engine = SpeechOptions::Voicevox;
        o.VoicevoxUrl = engine.url();
        useEngine(o);
        air({line("名無し", "", "一つ目"), line("名無し", "", "二つ目")});
        QTRY_COMPARE(engine.requests().size(), 1);
        // Off: the question in flight is dropped now, not at the engine's 10 s limit.
        o.Engine = SpeechOptions::Off;
        useEngine(o);
        QTRY_COMPARE_WITH_TIMEOUT(engine.closedConnections(), 1, 5000);
        QVERIFY(m_reader->waiting().isEmpty() && !m_reader->isSpeaking());
        QCOMPARE(engine.requests().size(), 1);
        QVERIFY2(m_notes.isEmpty(), qPrintable(m_notes.join(" | ")));
    }

    void systemVoiceSpeaks() // the system voice silent, or its end never reported
    {
        const QString why = m_pulse.startSpeechDispatcher();
        if (!why.isEmpty())
            QSKIP(qPrintable(why));
        if (!QTextToSpeech::availableEngines().contains("speechd"))
            QSKIP("qt6-speech-speechd-plugin is not installed");
        SpeechOptions o;
        o.Engine = SpeechOptions::SystemVoice;
        useEngine(o);
        const qsizetype mark = m_pulse.recorded();
        air({line("名無し", "", "テスト読み上げです www")});
        QTRY_VERIFY_WITH_TIMEOUT(!m_reader->isSpeaking() && m_reader->waiting().isEmpty(), 30000);
        QVERIFY2(m_notes.isEmpty(), qPrintable(m_notes.join(" | ")));
        QTRY_VERIFY_WITH_TIMEOUT(m_pulse.peakSince(mark) > 1000, 5000);
    }

private:
    void useEngine(const SpeechOptions &o) { m_reader->setEngine(MakeSpeechEngine(o), o); }

    // Posts arrive and go on air one after another, the event loop not running in between.
    void air(const QStringList &lines)
    {
        m_pipeline->SetLog(lines, "<>");
        for (int tick = 0; tick < 100000 && !m_queue->isEmpty(); ++tick)
            m_pacing->tmrMaku_Timer();
    }

    PulseSink m_pulse;
    std::unique_ptr<TestProgram> m_env;
    ThreadState m_state;
    std::unique_ptr<PostPipeline> m_pipeline;
    std::unique_ptr<SubtitleQueue> m_queue;
    std::unique_ptr<SubtitlePacing> m_pacing;
    std::unique_ptr<SpeechReader> m_reader;
    QStringList m_drawn;
    QStringList m_notes;
};

QTEST_GUILESS_MAIN(TestSpeechRoad)
#include "tst_speechroad.moc"
