#include "settings/frmsetting.h"
#include "speech/speechengines.h"
#include "speechstandins.h"
#include "support/storedoptions.h"
#include "support/testhome.h"
#include "support/widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <memory>

namespace {

void touch(const QString &path)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
}

} // namespace

class TestFrmSetting : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_env = std::make_unique<TestProgram>();
        m_program = &m_env->program;
        m_messages.clear();
    }

    void cleanup() { m_env.reset(); }

    void everyControlShowsAndWritesItsOption() // a control not showing its option or not saved
    {
        touch(m_env->home.file(QStringLiteral("haikei.bmp")));
        touch(m_env->home.file(QStringLiteral("back.bmp")));
        const QString loaded =
            QStringLiteral("MakuMode=0 FontColor=7 FontColorCode=16776960 FontSize=4 "
                           "WakuSize=1280x720 WakuView=1 Keyword=実況 FontResize=1 Speed=1 "
                           "FontFuchi=1 FontShadow=0 "
                           "EnableCommand=0,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1, BackPicture=2 "
                           "BackPictureFile=haikei.bmp TextLimit=40 TextMode=1 "
                           "FontDecorate=2 MakuListView=1 TextIDView=1 Text2Clipboard=1 "
                           "Num1000=0 TextNameView=1 TextNumView=0 MakuFormTop=0 AutoReload=12 "
                           "AutoScroll=1 Overlay=1 OverlayPort=50081 OverlayLAN=1 OverlayToken=t "
                           "NgIdHours=12 NextThread=0 ResumeThread=0 MakuOpen=1");
        storeOptions(m_env->store, loaded);
        storeOptions(m_env->store, QStringLiteral("FlowSeconds=9 FlowMax=33"), kOverlaySection);
        m_program->opt = LoadSettings(m_env->store);
        QVERIFY(open()->cmdOk_Click());
        QCOMPARE(storedOptions(m_env->store), loaded);
        QCOMPARE(m_env->store.value(kOverlaySection, QStringLiteral("FlowMax")), "33");

        QPointer<frmSetting> d = open();
        QCOMPARE(d->txtFlowSeconds->value(), 9);
        d->txtFlowSeconds->setValue(12);
        d->txtFlowMax->setValue(40);
        d->optMakuMode[1]->setChecked(true);
        d->optColor[5]->setChecked(true); // blue
        d->optSize[3]->setChecked(true);
        d->optSpeed[4]->setChecked(true);
        d->optTextMode[0]->setChecked(true);
        d->optFontDecorate[1]->setChecked(true);
        d->optNextThread[1]->setChecked(true);
        for (QCheckBox *box :
             {d->chkFontResize, d->chkFontFuchi, d->chkFontShadow, d->chkTextIDView,
              d->chkText2Clipboard, d->chkNum1000, d->chkTextNameView, d->chkTextNumView,
              d->chkMakuFormTop, d->chkResumeThread})
            box->toggle();
        d->cmbBackPicture->setCurrentIndex(d->cmbBackPicture->findText(QStringLiteral("back.bmp")));
        // Typed as a user types: the frame size, Tab, Space on "枠を非表示", Tab, the keyword,
        // Tab, the limit (Tab selects the old one).
        d->cmbWakuSize->setFocus();
        QVERIFY(keyTarget(d));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
        for (const char *typed : {"720x405", "\t", " ", "\t", "live", "\t", "25"})
            QTest::keyClicks(QApplication::focusWidget(), QLatin1String(typed));
        // The background picture is loaded after the options were saved.
        QString fileWhenLoading;
        d->setLoadBackPicture([&] {
            fileWhenLoading = m_env->store.value(kOptionSection, QStringLiteral("BackPictureFile"));
        });
        QTest::mouseClick(d->cmdOk, Qt::LeftButton);
        QCOMPARE(fileWhenLoading, QStringLiteral("back.bmp"));
        QVERIFY(m_messages.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(d.isNull(), 2000);
        const QString changed =
            QStringLiteral("MakuMode=1 FontColor=5 FontColorCode=16711680 FontSize=3 "
                           "WakuSize=720x405 WakuView=0 Keyword=live FontResize=0 Speed=4 "
                           "FontFuchi=0 FontShadow=1 "
                           "EnableCommand=0,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1, BackPicture=2 "
                           "BackPictureFile=back.bmp TextLimit=25 TextMode=0 "
                           "FontDecorate=1 MakuListView=1 TextIDView=0 Text2Clipboard=0 "
                           "Num1000=1 TextNameView=0 TextNumView=1 MakuFormTop=1 AutoReload=12 "
                           "AutoScroll=1 Overlay=1 OverlayPort=50081 OverlayLAN=1 OverlayToken=t "
                           "NgIdHours=12 NextThread=1 ResumeThread=1 MakuOpen=1");
        // Read back through a fresh store, so the values reached the file.
        const SettingsStore file(m_env->home.settingsPath());
        QCOMPARE(storedOptions(file), changed);
        QCOMPARE(file.value(kOverlaySection, QStringLiteral("FlowSeconds")), "12");
        QCOMPARE(file.value(kOverlaySection, QStringLiteral("FlowMax")), "40");
        // The options in memory changed too (drawing reads them there).
        SettingsStore memory(m_env->home.file(QStringLiteral("memory.ini")));
        SaveSettings(memory, m_program->opt);
        QCOMPARE(storedOptions(memory), changed);
    }

    // A bad limit or frame size such as "0x0" saved, or in part; Cancel or Escape saving or
    // copying
    void refusedThenCancelledSavesNothing()
    {
        const std::pair<const char *, const char *> rows[] = {{"32768", "640x480"}, {"0", "0x0"}};
        for (const auto &[limit, waku] : rows) {
            m_messages.clear();
            QPointer<frmSetting> d = open();
            d->setReopenMakuView(true);
            d->setLoadBackPicture([] { QFAIL("picture loaded"); });
            d->optSpeed[0]->setChecked(true);
            d->txtTextLimit->setText(QLatin1String(limit));
            d->cmbWakuSize->setEditText(QLatin1String(waku));
            QVERIFY(!d->cmdOk_Click());
            QCOMPARE(m_messages.size(), 1);
            QSignalSpy closed(d.data(), &frmSetting::closed);
            if (QByteArray(limit) == "0") // Escape counts as キャンセル
                QTest::keyClick(keyTarget(d), Qt::Key_Escape);
            else
                QTest::mouseClick(d->cmdCancel, Qt::LeftButton);
            QCOMPARE(closed.count(), 1);
            QCOMPARE(closed.at(0).at(0).toBool(), true); // an open subtitle window comes back
            QTRY_VERIFY_WITH_TIMEOUT(d.isNull(), 2000);
            QCOMPARE(m_program->opt.Speed, 2); // nothing was copied or saved
            QCOMPARE(m_program->opt.WakuSize, QStringLiteral("640x480"));
            QVERIFY(storedOptions(m_env->store).isEmpty());
        }
    }

    // A speech option not shown or not saved, an address off this machine's network taken or
    // refused out of sight, or the test button not reading through the engine chosen
    void speechGroup()
    {
        storeOptions(m_env->store, "VoicevoxSpeaker=3 Rate=-2 ReadName=1", kSpeechSection);
        m_program->speech = LoadSpeechOptions(m_env->store);
        BouyomiStandIn bouyomi;
        QVERIFY(bouyomi.listen());
        QPointer<frmSetting> d = open();
        d->setSpeechTest(&SpeakTest);
        // Typed as a user types: the host, Tab, the port, then the engine chosen by keys.
        QVERIFY(keyTarget(d));
        QVERIFY(clickTab(d, "配信・読み上げ"));
        auto *host = d->findChild<QLineEdit *>("txtBouyomiHost");
        host->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), "8.8.8.8");
        QVERIFY(clickTab(d, "字幕"));
        QTest::mouseClick(d->cmdOk, Qt::LeftButton);
        QCOMPARE(m_messages.size(), 1); // off the local network: refused, the dialog stays
        QVERIFY(host->isVisible());     // with the field to correct in front
        QCOMPARE(QApplication::focusWidget(), host);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), "127.0.0.1\t");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), QString::number(bouyomi.port()));
        d->findChild<QComboBox *>("cmbSpeechEngine")->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_End); // 棒読みちゃん
        QTest::mouseClick(d->findChild<QPushButton *>("cmdSpeechTest"), Qt::LeftButton);
        QTRY_COMPARE(d->findChild<QLabel *>("lblSpeechResult")->text(), "読み上げました");
        QTRY_COMPARE(bouyomi.packets().size(), 1); // its side of the close may come later
        QCOMPARE(BouyomiStandIn::parse(bouyomi.packets().first()).text, "テスト読み上げです");
        QTest::mouseClick(d->cmdOk, Qt::LeftButton);
        QTRY_VERIFY(d.isNull());
        QStringList stored;
        for (const char *key : {"Engine", "BouyomiHost", "BouyomiPort", "VoicevoxSpeaker", "Rate",
                                "ReadName", "Volume"})
            stored << m_env->store.value(kSpeechSection, key);
        QCOMPARE(stored.join(' '),
                 "3 127.0.0.1 " + QString::number(bouyomi.port()) + " 3 -2 1 100");
        QCOMPARE(m_program->speech.BouyomiPort, bouyomi.port());
    }

private:
    frmSetting *open();

    std::unique_ptr<TestProgram> m_env;
    Program *m_program = nullptr;
    QStringList m_messages;
};

frmSetting *TestFrmSetting::open()
{
    auto *dialog = new frmSetting(*m_program);
    dialog->setMessageHook([this](const QString &, const QString &text) { m_messages << text; });
    dialog->show();
    return dialog;
}

QTEST_MAIN(TestFrmSetting)
#include "tst_frmsetting.moc"
