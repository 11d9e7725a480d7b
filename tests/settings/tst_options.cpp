#include "platform/settingsstore.h"
#include "settings/options.h"

#include <QTemporaryDir>
#include <QtTest>

class TestOptions : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void emptyStoreGivesPresets();
    void badValueKeepsPreset_data();
    void badValueKeepsPreset();
    void emptyTextsFallBack();
    void roundTrip();
    void wholeNumberParsing_data();
    void wholeNumberParsing();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<SettingsStore> m_store;
};

void TestOptions::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_store = std::make_unique<SettingsStore>(m_dir->filePath(QStringLiteral("s.ini")));
}

void TestOptions::emptyStoreGivesPresets()
{
    const Options o = LoadSettings(*m_store);
    QCOMPARE(o.MakuMode, 1);             // command mode
    QCOMPARE(o.FontColorCode, 16777215); // white
    QCOMPARE(o.FontSize, 0);             // 24 points
    QCOMPARE(o.WakuSize, QStringLiteral("640x480"));
    QCOMPARE(o.WakuView, 0); // frame shown
    QCOMPARE(o.Speed, 2);
    QCOMPARE(o.TextMode, 0);     // region mode
    QCOMPARE(o.FontDecorate, 3); // outline by copies
    QCOMPARE(o.Num1000, 1);
    QCOMPARE(o.MakuFormTop, 1);
    QCOMPARE(o.FontShadow, 1);
    QCOMPARE(o.EnableCommand, QStringLiteral("1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,"));
    QCOMPARE(o.MakuListView, 0); // side pane shown
    QCOMPARE(o.Keyword, QString());
    QCOMPARE(o.BackPictureFile, QString());
    QCOMPARE(o.TextLimit, 0);
}

void TestOptions::badValueKeepsPreset_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text");
    QTest::newRow("letters") << QStringLiteral("MakuMode") << QStringLiteral("abc");
    QTest::newRow("past 16 bits") << QStringLiteral("Speed") << QStringLiteral("40000");
    QTest::newRow("below 16 bits") << QStringLiteral("TextLimit") << QStringLiteral("-40000");
    QTest::newRow("past 32 bits") << QStringLiteral("FontColorCode")
                                  << QStringLiteral("4294967296");
    QTest::newRow("empty") << QStringLiteral("FontDecorate") << QString();
    QTest::newRow("trailing junk") << QStringLiteral("Num1000") << QStringLiteral("1x");
}

void TestOptions::badValueKeepsPreset()
{
    QFETCH(QString, key);
    QFETCH(QString, text);
    const Options presets;
    m_store->setValue(QStringLiteral("Option"), key, text);
    // Another key in the same load still reads normally.
    m_store->setValue(QStringLiteral("OPTION"), QStringLiteral("FontSize"), QStringLiteral("3"));
    const Options o = LoadSettings(*m_store);
    QCOMPARE(o.MakuMode, presets.MakuMode);
    QCOMPARE(o.Speed, presets.Speed);
    QCOMPARE(o.TextLimit, presets.TextLimit);
    QCOMPARE(o.FontColorCode, presets.FontColorCode);
    QCOMPARE(o.FontDecorate, presets.FontDecorate);
    QCOMPARE(o.Num1000, presets.Num1000);
    QCOMPARE(o.FontSize, 3);
}

void TestOptions::emptyTextsFallBack()
{
    m_store->setValue(QStringLiteral("Option"), QStringLiteral("WakuSize"), QString());
    m_store->setValue(QStringLiteral("Option"), QStringLiteral("EnableCommand"), QString());
    m_store->setValue(QStringLiteral("Option"), QStringLiteral("Keyword"), QString());
    const Options o = LoadSettings(*m_store);
    QCOMPARE(o.WakuSize, QStringLiteral("640x480"));
    QCOMPARE(o.EnableCommand, Options::defaultEnableCommand());
    QCOMPARE(o.Keyword, QString());
}

void TestOptions::roundTrip()
{
    // Every key with a value other than its preset, as the store holds it.
    const QStringList stored =
        QStringLiteral("MakuMode=0 FontColor=5 FontColorCode=16711680 FontSize=4 "
                       "WakuSize=720x405 WakuView=1 Keyword=実況 FontResize=1 Speed=4 "
                       "FontFuchi=1 FontShadow=0 EnableCommand=0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0, "
                       "BackPicture=7 BackPictureFile=back.bmp TextLimit=-5 TextMode=1 "
                       "FontDecorate=2 MakuListView=1 TextIDView=1 Text2Clipboard=1 Num1000=0 "
                       "TextNameView=1 TextNumView=1 MakuFormTop=0")
            .split(QLatin1Char(' '));
    for (const QString &pair : stored)
        m_store->setValue(QStringLiteral("OPTION"), pair.section(QLatin1Char('='), 0, 0),
                          pair.section(QLatin1Char('='), 1));
    const Options loaded = LoadSettings(*m_store);
    QCOMPARE(loaded.FontColorCode, 16711680);
    QCOMPARE(loaded.TextLimit, -5);

    // Saved into an empty file and read back by a fresh store: every value comes back as text.
    QTemporaryDir other;
    SettingsStore saved(other.filePath(QStringLiteral("s.ini")));
    SaveSettings(saved, loaded);
    saved.sync();
    SettingsStore reopened(saved.path());
    for (const QString &pair : stored) {
        const QString key = pair.section(QLatin1Char('='), 0, 0);
        QCOMPARE(key + QLatin1Char('=') + reopened.value(QStringLiteral("Option"), key), pair);
    }
}

void TestOptions::wholeNumberParsing_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<qint64>("value");
    QTest::newRow("plain") << QStringLiteral("12") << true << qint64(12);
    QTest::newRow("blanks") << QStringLiteral(" 12 ") << true << qint64(12);
    QTest::newRow("negative") << QStringLiteral("-3") << true << qint64(-3);
    QTest::newRow("half to even down") << QStringLiteral("2.5") << true << qint64(2);
    QTest::newRow("half to even up") << QStringLiteral("3.5") << true << qint64(4);
    QTest::newRow("twips") << QStringLiteral("1234.6") << true << qint64(1235);
    QTest::newRow("upper bound") << QStringLiteral("32767") << true << qint64(32767);
    QTest::newRow("past bound") << QStringLiteral("32768") << false << qint64(0);
    QTest::newRow("letters") << QStringLiteral("abc") << false << qint64(0);
    QTest::newRow("empty") << QString() << false << qint64(0);
}

void TestOptions::wholeNumberParsing()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(qint64, value);
    qint64 out = 0;
    QCOMPARE(ParseWholeNumber(text, -32768, 32767, &out), ok);
    if (ok)
        QCOMPARE(out, value);
}

QTEST_GUILESS_MAIN(TestOptions)
#include "tst_options.moc"
