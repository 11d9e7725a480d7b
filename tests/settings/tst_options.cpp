#include "settings/firststart.h"
#include "support/storedoptions.h"

#include <QTemporaryDir>
#include <QtTest>

class TestOptions : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_store = std::make_unique<SettingsStore>(m_dir->filePath(QStringLiteral("s.ini")));
    }

    void loadAndSave_data()
    {
        QTest::addColumn<QString>("stored"); // under "OPTION"
        QTest::addColumn<QString>("saved");
        // Empty texts fall back to the presets as well.
        QTest::newRow("presets")
            << QStringLiteral("WakuSize= EnableCommand=")
            << QStringLiteral("MakuMode=1 FontColor=0 FontColorCode=16777215 FontSize=0 "
                              "WakuSize=640x480 WakuView=0 Keyword= FontResize=0 Speed=2 "
                              "FontFuchi=0 FontShadow=1 EnableCommand=1,1,1,1,1,1,1,1,1,1,1,1,1,"
                              "1,1,1,1, BackPicture=0 BackPictureFile= TextLimit=0 TextMode=0 "
                              "FontDecorate=3 MakuListView=0 TextIDView=0 Text2Clipboard=0 "
                              "Num1000=1 TextNameView=0 TextNumView=0 MakuFormTop=1 "
                              "AutoReload=0 AutoScroll=0 Overlay=0 OverlayPort=50080 "
                              "OverlayLAN=0 OverlayToken= NgIdHours=24 NextThread=2 "
                              "ResumeThread=1 MakuOpen=0");
        const QString every = QStringLiteral(
            "MakuMode=0 FontColor=5 FontColorCode=16711680 FontSize=4 "
            "WakuSize=720x405 WakuView=1 Keyword=実況,a=b FontResize=1 Speed=4 "
            "FontFuchi=1 FontShadow=0 EnableCommand=0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0, "
            "BackPicture=7 BackPictureFile=back.bmp TextLimit=-5 TextMode=1 "
            "FontDecorate=2 MakuListView=1 TextIDView=1 Text2Clipboard=1 Num1000=0 "
            "TextNameView=1 TextNumView=1 MakuFormTop=0 AutoReload=12 AutoScroll=1 Overlay=1 "
            "OverlayPort=50123 OverlayLAN=1 OverlayToken=abc123 NgIdHours=48 NextThread=1 "
            "ResumeThread=0 MakuOpen=1");
        QTest::newRow("every key") << every << every;
    }

    void loadAndSave() // a preset wrong, a key under another name, a value lost or changed
    {
        QFETCH(QString, stored);
        QFETCH(QString, saved);
        storeOptions(*m_store, stored, QStringLiteral("OPTION"));
        SettingsStore other(m_dir->filePath(QStringLiteral("other.ini")));
        SaveSettings(other, LoadSettings(*m_store));
        QCOMPARE(storedOptions(other), saved);
    }

    void badValueKeepsPreset() // a bad value read as 0 or wrapped, or spoiling other keys
    {
        storeOptions(*m_store, QStringLiteral("MakuMode=abc Speed=40000 FontColorCode=4294967296 "
                                              "Num1000=1x NextThread=3"));
        m_store->setValue("OPTION", "FontSize", "3");
        const Options o = LoadSettings(*m_store);
        QCOMPARE(o.MakuMode, 1);
        QCOMPARE(o.Speed, 2);
        QCOMPARE(o.FontColorCode, 16777215);
        QCOMPARE(o.Num1000, 1);
        QCOMPARE(o.NextThread, 2);
        QCOMPARE(o.FontSize, 3); // another key in the same load still reads
    }

    void
    overlaySection() // the flow keys read or kept in section Option, not Overlay; a bad value taken
    {
        storeOptions(*m_store, QStringLiteral("FlowSeconds=12 FlowMax=x"),
                     QStringLiteral("overlay"));
        Options o = LoadSettings(*m_store);
        QCOMPARE(o.FlowSeconds, 12);
        QCOMPARE(o.FlowMax, 60);
        o.FlowMax = 7;
        SaveSettings(*m_store, o);
        QCOMPARE(m_store->value(QStringLiteral("Overlay"), QStringLiteral("FlowMax")), "7");
        QVERIFY(!m_store->contains(kOptionSection, QStringLiteral("FlowMax")));
    }

    void firstStartPlacement_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QSize>("subtitle");
        QTest::addColumn<QRect>("main");
        QTest::addColumn<QPoint>("at");
        QTest::newRow("beside") << QRect(0, 0, 1600, 1000) << QSize(640, 480)
                                << QRect(0, 0, 936, 700) << QPoint(960, 0);
        QTest::newRow("below") << QRect(0, 0, 1280, 1024) << QSize(640, 480)
                               << QRect(0, 0, 1000, 488) << QPoint(0, 544);
        QTest::newRow("corner") << QRect(0, 0, 1024, 600) << QSize(640, 480)
                                << QRect(0, 0, 1000, 552) << QPoint(384, 120);
        QTest::newRow("second screen") << QRect(1920, 0, 1920, 1080) << QSize(720, 405)
                                       << QRect(1920, 0, 1000, 700) << QPoint(2944, 0);
    }

    // The windows over each other on a first start, the main window cramped, or off the screen.
    void firstStartPlacement()
    {
        QFETCH(QRect, screen);
        QFETCH(QSize, subtitle);
        const FirstPlacement at = FirstStartPlacement(screen, subtitle);
        QTEST(at.main, "main");
        QTEST(at.subtitle, "at");
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<SettingsStore> m_store;
};

QTEST_GUILESS_MAIN(TestOptions)
#include "tst_options.moc"
