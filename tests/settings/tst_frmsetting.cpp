#include "platform/settingsstore.h"
#include "settings/frmsetting.h"
#include "settings/program.h"
#include "support/testhome.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

namespace {

const char *const kKeys[] = {
    "MakuMode",   "FontColor",     "FontColorCode", "FontSize",        "WakuSize",
    "WakuView",   "Keyword",       "FontResize",    "Speed",           "FontFuchi",
    "FontShadow", "EnableCommand", "BackPicture",   "BackPictureFile", "TextLimit",
    "TextMode",   "FontDecorate",  "MakuListView",  "TextIDView",      "Text2Clipboard",
    "Num1000",    "TextNameView",  "TextNumView",   "MakuFormTop",
};

void touch(const QString &path)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("BM");
}

// Every stored option as "key=value", in key-table order; missing keys are left out.
QStringList storedPairs(const SettingsStore &store)
{
    QStringList pairs;
    for (const char *key : kKeys) {
        if (store.contains(QStringLiteral("Option"), QLatin1String(key)))
            pairs << QLatin1String(key) + QLatin1Char('=') +
                         store.value(QStringLiteral("Option"), QLatin1String(key));
    }
    return pairs;
}

// The options as they would be stored, for comparing every field at once.
QStringList pairsOf(const Options &o, const QString &scratchIni)
{
    QFile::remove(scratchIni);
    SettingsStore store(scratchIni);
    SaveSettings(store, o);
    return storedPairs(store);
}

} // namespace

class TestFrmSetting : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void okWritesEveryOption();
    void okKeepsEveryLoadedOption();
    void okReopensSubtitleWindow();
    void cancelChangesNothing_data();
    void cancelChangesNothing();
    void typedFrameSizeIsUsed();
    void fontColorCodeFromButton_data();
    void fontColorCodeFromButton();
    void unusableTextLimitRefused_data();
    void unusableTextLimitRefused();
    void usableTextLimit_data();
    void usableTextLimit();
    void unusableWakuSizeRefused_data();
    void unusableWakuSizeRefused();
    void storedValueWithoutButtonKept();
    void backPictureList();
    void missingBackPictureSelectsNone();

private:
    frmSetting *open();
    QStringList storedKeys() const;

    std::unique_ptr<TestProgram> m_env;
    TestHome *m_home = nullptr;
    SettingsStore *m_store = nullptr;
    Program *m_program = nullptr;
    QStringList m_messages;
};

void TestFrmSetting::init()
{
    m_env = std::make_unique<TestProgram>();
    m_home = &m_env->home;
    m_store = &m_env->store;
    m_program = &m_env->program;
    QVERIFY(m_home->isValid());
    m_messages.clear();
}

void TestFrmSetting::cleanup()
{
    m_env.reset();
}

frmSetting *TestFrmSetting::open()
{
    auto *dialog = new frmSetting(*m_program);
    dialog->setMessageHook([this](const QString &title, const QString &text) {
        m_messages << title + QLatin1Char('|') + text;
    });
    dialog->show();
    return dialog;
}

QStringList TestFrmSetting::storedKeys() const
{
    QStringList keys;
    for (const QString &pair : storedPairs(*m_store))
        keys << pair.section(QLatin1Char('='), 0, 0);
    return keys;
}

void TestFrmSetting::okWritesEveryOption()
{
    touch(m_home->file(QStringLiteral("back.bmp")));
    m_program->opt.EnableCommand = QStringLiteral("1,0,1,1,1,1,1,1,1,1,1,1,1,1,1,1,0,");
    m_program->opt.BackPicture = 3;
    m_program->opt.MakuListView = 1;
    QPointer<frmSetting> d = open();
    QVERIFY(storedKeys().isEmpty());

    d->optMakuMode[0]->setChecked(true);
    d->optColor[5]->setChecked(true); // blue
    d->optSize[3]->setChecked(true);
    d->optSpeed[4]->setChecked(true);
    d->optTextMode[1]->setChecked(true);
    d->optFontDecorate[1]->setChecked(true);
    for (QCheckBox *box : {d->chkWakuView, d->chkFontResize, d->chkFontFuchi, d->chkTextIDView,
                           d->chkText2Clipboard, d->chkTextNameView, d->chkTextNumView})
        box->setChecked(true);
    for (QCheckBox *box : {d->chkFontShadow, d->chkNum1000, d->chkMakuFormTop})
        box->setChecked(false);
    d->cmbWakuSize->setCurrentIndex(d->cmbWakuSize->findText(QStringLiteral("800x450")));
    d->txtKeyword->setText(QStringLiteral("きーわーど"));
    d->txtTextLimit->setText(QStringLiteral("25"));
    d->cmbBackPicture->setCurrentIndex(d->cmbBackPicture->findText(QStringLiteral("back.bmp")));

    // The background picture is loaded after the options were saved.
    QString fileWhenLoading;
    int loads = 0;
    d->setLoadBackPicture([&] {
        ++loads;
        fileWhenLoading =
            m_store->value(QStringLiteral("Option"), QStringLiteral("BackPictureFile"));
    });
    QSignalSpy closed(d.data(), &frmSetting::closed);
    QTest::mouseClick(d->cmdOk, Qt::LeftButton);
    QCOMPARE(loads, 1);
    QCOMPARE(fileWhenLoading, QStringLiteral("back.bmp"));
    QCOMPARE(closed.count(), 1);
    QVERIFY(m_messages.isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(d.isNull(), 2000);

    // Read back through a fresh store, so the values reached the file.
    const QStringList expected =
        QStringLiteral("MakuMode=0 FontColor=5 FontColorCode=16711680 FontSize=3 "
                       "WakuSize=800x450 WakuView=1 Keyword=きーわーど FontResize=1 Speed=4 "
                       "FontFuchi=1 FontShadow=0 "
                       "EnableCommand=1,0,1,1,1,1,1,1,1,1,1,1,1,1,1,1,0, BackPicture=3 "
                       "BackPictureFile=back.bmp TextLimit=25 TextMode=1 "
                       "FontDecorate=1 MakuListView=1 TextIDView=1 Text2Clipboard=1 "
                       "Num1000=0 TextNameView=1 TextNumView=1 MakuFormTop=0")
            .split(QLatin1Char(' '));
    QCOMPARE(storedPairs(SettingsStore(m_home->settingsPath())), expected);
    // The options in memory changed too (drawing reads them there).
    QCOMPARE(pairsOf(m_program->opt, m_home->file(QStringLiteral("memory.ini"))), expected);
}

void TestFrmSetting::okKeepsEveryLoadedOption()
{
    // Every control shows its option: confirming unchanged stores exactly what was loaded.
    touch(m_home->file(QStringLiteral("haikei.bmp")));
    const QStringList loaded =
        QStringLiteral("MakuMode=0 FontColor=7 FontColorCode=16776960 FontSize=4 "
                       "WakuSize=1280x720 WakuView=1 Keyword=実況 FontResize=1 Speed=1 "
                       "FontFuchi=1 FontShadow=0 "
                       "EnableCommand=0,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1, BackPicture=2 "
                       "BackPictureFile=haikei.bmp TextLimit=40 TextMode=1 "
                       "FontDecorate=2 MakuListView=1 TextIDView=1 Text2Clipboard=1 "
                       "Num1000=0 TextNameView=1 TextNumView=0 MakuFormTop=0")
            .split(QLatin1Char(' '));
    for (const QString &pair : loaded)
        m_store->setValue(QStringLiteral("Option"), pair.section(QLatin1Char('='), 0, 0),
                          pair.section(QLatin1Char('='), 1));
    m_program->opt = LoadSettings(*m_store);
    QPointer<frmSetting> d = open();
    QVERIFY(d->cmdOk_Click());
    QCOMPARE(storedPairs(*m_store), loaded);
}

void TestFrmSetting::okReopensSubtitleWindow()
{
    QPointer<frmSetting> d = open();
    d->setReopenMakuView(true);
    QSignalSpy closed(d.data(), &frmSetting::closed);
    QVERIFY(d->cmdOk_Click());
    QCOMPARE(closed.count(), 1);
    QCOMPARE(closed.at(0).at(0).toBool(), true);
    QTRY_VERIFY_WITH_TIMEOUT(d.isNull(), 2000);
    QCOMPARE(closed.count(), 1); // once, however it closed

    QPointer<frmSetting> other = open();
    QSignalSpy otherClosed(other.data(), &frmSetting::closed);
    QVERIFY(other->cmdOk_Click());
    QCOMPARE(otherClosed.count(), 1);
    QCOMPARE(otherClosed.at(0).at(0).toBool(), false);
}

void TestFrmSetting::cancelChangesNothing_data()
{
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("Cancel") << false;
    QTest::newRow("close box") << true;
}

void TestFrmSetting::cancelChangesNothing()
{
    QFETCH(bool, closeBox);
    const QString scratch = m_home->file(QStringLiteral("before.ini"));
    const QStringList before = pairsOf(m_program->opt, scratch);
    QPointer<frmSetting> d = open();
    d->setReopenMakuView(true);
    int loads = 0;
    d->setLoadBackPicture([&] { ++loads; });
    d->optMakuMode[0]->setChecked(true);
    d->optColor[1]->setChecked(true);
    d->optSpeed[0]->setChecked(true);
    d->chkNum1000->setChecked(false);
    d->cmbWakuSize->setEditText(QStringLiteral("720x405"));
    d->txtKeyword->setText(QStringLiteral("x"));
    d->txtTextLimit->setText(QStringLiteral("abc"));
    QSignalSpy closed(d.data(), &frmSetting::closed);
    if (closeBox)
        QVERIFY(d->close());
    else
        QTest::mouseClick(d->cmdCancel, Qt::LeftButton);
    QCOMPARE(closed.count(), 1);
    QCOMPARE(closed.at(0).at(0).toBool(), true); // an open subtitle window comes back
    QTRY_VERIFY_WITH_TIMEOUT(d.isNull(), 2000);
    QCOMPARE(loads, 0);
    QVERIFY(m_messages.isEmpty());
    QVERIFY(storedKeys().isEmpty());
    QCOMPARE(pairsOf(m_program->opt, scratch), before);
}

void TestFrmSetting::typedFrameSizeIsUsed()
{
    QPointer<frmSetting> d = open();
    d->cmbWakuSize->setEditText(QString());
    QTest::keyClicks(d->cmbWakuSize->lineEdit(), QStringLiteral("720x405"));
    QCOMPARE(d->cmbWakuSize->findText(QStringLiteral("720x405")), -1);
    QVERIFY(d->cmdOk_Click());
    QCOMPARE(m_program->opt.WakuSize, QStringLiteral("720x405"));
    QCOMPARE(m_store->value(QStringLiteral("Option"), QStringLiteral("WakuSize")),
             QStringLiteral("720x405"));

    // Opening again shows the typed size.
    QPointer<frmSetting> again = open();
    QCOMPARE(again->cmbWakuSize->currentText(), QStringLiteral("720x405"));
    again->close();
}

void TestFrmSetting::fontColorCodeFromButton_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("code");
    QTest::newRow("white") << 0 << 16777215;
    QTest::newRow("orange") << 2 << 33023;
    QTest::newRow("pink") << 4 << (255 * 65536 + 128 * 256 + 255);
    QTest::newRow("green") << 8 << 65280;
}

void TestFrmSetting::fontColorCodeFromButton()
{
    QFETCH(int, index);
    QFETCH(int, code);
    m_program->opt.FontColor = qint16((index + 4) % 9);
    m_program->opt.FontColorCode = 12345;
    QPointer<frmSetting> d = open();
    d->optColor[index]->setChecked(true);
    QVERIFY(d->cmdOk_Click());
    QCOMPARE(int(m_program->opt.FontColor), index);
    QCOMPARE(m_program->opt.FontColorCode, code);
    QCOMPARE(m_store->value(QStringLiteral("Option"), QStringLiteral("FontColorCode")),
             QString::number(code));
}

void TestFrmSetting::unusableTextLimitRefused_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("letters") << QStringLiteral("abc");
    QTest::newRow("above 16 bits") << QStringLiteral("32768");
    QTest::newRow("fraction") << QStringLiteral("1.5");
    QTest::newRow("huge") << QStringLiteral("99999999999999999999999");
}

void TestFrmSetting::unusableTextLimitRefused()
{
    QFETCH(QString, text);
    QPointer<frmSetting> d = open();
    d->optSpeed[0]->setChecked(true);
    d->txtTextLimit->setText(text);
    int loads = 0;
    d->setLoadBackPicture([&] { ++loads; });
    QSignalSpy closed(d.data(), &frmSetting::closed);
    QTest::mouseClick(d->cmdOk, Qt::LeftButton);
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages[0].contains(QStringLiteral("文字数制限")), qPrintable(m_messages[0]));
    QVERIFY(d->isVisible());
    QCOMPARE(closed.count(), 0);
    QCOMPARE(loads, 0);
    // Nothing was copied or saved.
    QCOMPARE(m_program->opt.Speed, 2);
    QCOMPARE(m_program->opt.TextLimit, 0);
    QVERIFY(storedKeys().isEmpty());

    // Mending the text lets OK through.
    d->txtTextLimit->setText(QStringLiteral("30"));
    QVERIFY(d->cmdOk_Click());
    QCOMPARE(m_program->opt.TextLimit, 30);
    QCOMPARE(m_program->opt.Speed, 0);
}

void TestFrmSetting::usableTextLimit_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("limit");
    QTest::newRow("zero") << QStringLiteral("0") << 0;
    QTest::newRow("top") << QStringLiteral("32767") << 32767;
    QTest::newRow("bottom") << QStringLiteral("-32768") << -32768;
    QTest::newRow("blanks") << QStringLiteral(" 12 ") << 12;
    QTest::newRow("plus") << QStringLiteral("+8") << 8;
    QTest::newRow("full-width digits") << QStringLiteral("１０") << 10;
}

void TestFrmSetting::usableTextLimit()
{
    QFETCH(QString, text);
    QFETCH(int, limit);
    QPointer<frmSetting> d = open();
    d->txtTextLimit->setText(text);
    QVERIFY(d->cmdOk_Click());
    QVERIFY(m_messages.isEmpty());
    QCOMPARE(int(m_program->opt.TextLimit), limit);
    QCOMPARE(m_store->value(QStringLiteral("Option"), QStringLiteral("TextLimit")),
             QString::number(limit));
}

void TestFrmSetting::unusableWakuSizeRefused_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("other separator") << QStringLiteral("720*405");
    QTest::newRow("zero width") << QStringLiteral("0x480");
    QTest::newRow("three parts") << QStringLiteral("640x480x2");
    QTest::newRow("too large") << QStringLiteral("99999x480");
}

void TestFrmSetting::unusableWakuSizeRefused()
{
    QFETCH(QString, text);
    QPointer<frmSetting> d = open();
    d->cmbWakuSize->setEditText(text);
    QVERIFY(!d->cmdOk_Click());
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages[0].contains(QStringLiteral("枠サイズ")), qPrintable(m_messages[0]));
    QVERIFY(d->isVisible());
    QCOMPARE(m_program->opt.WakuSize, QStringLiteral("640x480"));
    QVERIFY(storedKeys().isEmpty());
    d->close();
}

void TestFrmSetting::storedValueWithoutButtonKept()
{
    // Speed 5 has no button; confirming the dialog keeps it.
    m_program->opt.Speed = 5;
    QPointer<frmSetting> d = open();
    for (const QRadioButton *b : d->optSpeed)
        QVERIFY(!b->isChecked());
    QVERIFY(d->cmdOk_Click());
    QCOMPARE(m_program->opt.Speed, 5);
    QCOMPARE(m_store->value(QStringLiteral("Option"), QStringLiteral("Speed")),
             QStringLiteral("5"));
}

void TestFrmSetting::backPictureList()
{
    touch(m_home->file(QStringLiteral("b.bmp")));
    touch(m_home->file(QStringLiteral("a.bmp")));
    touch(m_home->file(QStringLiteral("c.BMP")));
    touch(m_home->file(QStringLiteral("note.txt")));
    touch(m_home->file(QStringLiteral("a.bmp.txt")));
    QVERIFY(QDir(m_home->path()).mkdir(QStringLiteral("folder.bmp")));
    m_program->opt.BackPictureFile = QStringLiteral("b.bmp");
    QPointer<frmSetting> d = open();
    QStringList items;
    for (int i = 0; i < d->cmbBackPicture->count(); ++i)
        items << d->cmbBackPicture->itemText(i);
    QCOMPARE(items, QStringList({"", "a.bmp", "b.bmp", "c.BMP"}));
    QCOMPARE(d->cmbBackPicture->currentText(), QStringLiteral("b.bmp"));

    // Choosing the empty item removes the picture.
    d->cmbBackPicture->setCurrentIndex(0);
    QVERIFY(d->cmdOk_Click());
    QCOMPARE(m_program->opt.BackPictureFile, QString());
    QCOMPARE(m_store->value(QStringLiteral("Option"), QStringLiteral("BackPictureFile")),
             QString());
}

void TestFrmSetting::missingBackPictureSelectsNone()
{
    touch(m_home->file(QStringLiteral("a.bmp")));
    m_program->opt.BackPictureFile = QStringLiteral("gone.bmp");
    QPointer<frmSetting> d = open();
    QCOMPARE(d->cmbBackPicture->currentIndex(), 0);
    QCOMPARE(d->cmbBackPicture->currentText(), QString());
    d->close();
}

QTEST_MAIN(TestFrmSetting)
#include "tst_frmsetting.moc"
