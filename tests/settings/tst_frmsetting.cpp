#include "app/program.h"
#include "platform/settingsstore.h"
#include "settings/frmsetting.h"
#include "support/testhome.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
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

} // namespace

class TestFrmSetting : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void captionsAndTexts();
    void loadShowsOptions();
    void okWritesEveryOption();
    void okReopensSubtitleWindow();
    void cancelChangesNothing();
    void closeBoxActsAsCancel();
    void typedFrameSizeIsUsed();
    void fontColorCodeFromButton_data();
    void fontColorCodeFromButton();
    void colourButtonsPainted();
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

    std::unique_ptr<TestHome> m_home;
    std::unique_ptr<SettingsStore> m_store;
    std::unique_ptr<Program> m_program;
    QStringList m_messages;
};

void TestFrmSetting::init()
{
    m_home = std::make_unique<TestHome>();
    QVERIFY(m_home->isValid());
    m_store = std::make_unique<SettingsStore>(m_home->settingsPath());
    m_program = std::make_unique<Program>();
    m_program->AppPath = m_home->path();
    m_program->store = m_store.get();
    m_messages.clear();
}

void TestFrmSetting::cleanup()
{
    m_program.reset();
    m_store.reset();
    m_home.reset();
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
    QStringList found;
    for (const char *key : kKeys) {
        if (m_store->contains(QStringLiteral("Option"), QLatin1String(key)))
            found << QLatin1String(key);
    }
    return found;
}

void TestFrmSetting::captionsAndTexts()
{
    QPointer<frmSetting> d = open();
    QCOMPARE(d->windowTitle(), QStringLiteral("設定"));
    QVERIFY(!d->isModal());
    QCOMPARE(d->cmdOk->text(), QStringLiteral("OK"));
    QCOMPARE(d->cmdCancel->text(), QStringLiteral("キャンセル"));

    auto captions = [](const QVector<QRadioButton *> &buttons) {
        QStringList texts;
        for (const QRadioButton *b : buttons)
            texts << b->text();
        return texts;
    };
    QCOMPARE(captions(d->optMakuMode),
             QStringList(
                 {"ノーマルモード（特定の箇所にレスを表示するのみ、コマンド無効）",
                  "マクマクモード（リスナーがメール欄コマンドで位置・色・サイズを変えられる）"}));
    QCOMPARE(captions(d->optColor), QStringList({"white", "red", "orange", "yellow", "pink", "blue",
                                                 "purple", "cyan", "green"}));
    QCOMPARE(captions(d->optSize), QStringList({"normal", "big", "small", "jumbo", "gigantic"}));
    QCOMPARE(captions(d->optSpeed), QStringList({"遅い", "遅め", "通常", "早め", "早い"}));
    QCOMPARE(captions(d->optTextMode),
             QStringList({"従来の方式 - WMEで直接範囲指定取り込み可能だが重い",
                          "レイヤードウィンドウ使用 - SCFHでレイヤードウィンドウを取り込まないと"
                          "表示されないが軽い"}));
    QCOMPARE(
        captions(d->optFontDecorate),
        QStringList({"無し", "影を付ける - 文字の右下に向かい影が表示されるようになる、とても軽い",
                     "従来の方式で縁取りをする - 文字に縁取りをする、美しく縁取りされるが、"
                     "かなり重い",
                     "新方式で縁取りをする - 文字に縁取りをする、見た目は従来の方式に若干"
                     "劣るが、とても軽い"}));

    QCOMPARE(d->chkWakuView->text(), QStringLiteral("枠を非表示にする"));
    QCOMPARE(d->chkFontResize->text(), QStringLiteral("フォントサイズ自動調整を無効　"));
    QCOMPARE(d->chkFontFuchi->text(), QStringLiteral("フォントに縁取りをする"));
    QCOMPARE(d->chkFontShadow->text(), QStringLiteral("フォントに影を付ける"));
    QCOMPARE(d->chkTextIDView->text(), QStringLiteral("字幕にIDを表示する"));
    QCOMPARE(d->chkText2Clipboard->text(),
             QStringLiteral("字幕の文字列をクリップボードにコピーする"));
    QCOMPARE(d->chkNum1000->text(), QStringLiteral("レス番が1000に到達したらお知らせする"));
    QCOMPARE(d->chkTextNameView->text(), QStringLiteral("字幕に名前を表示する"));
    QCOMPARE(d->chkTextNumView->text(), QStringLiteral("字幕にレス番を表示する"));
    QCOMPARE(d->chkMakuFormTop->text(), QStringLiteral("字幕表示時強制最前面表示"));

    QVERIFY(d->cmbWakuSize->isEditable());
    QStringList sizes;
    for (int i = 0; i < d->cmbWakuSize->count(); ++i)
        sizes << d->cmbWakuSize->itemText(i);
    QCOMPARE(sizes, QStringList({"320x180", "320x240", "400x300", "480x360", "512x384", "640x480",
                                 "640x360", "800x450", "800x600", "1024x576", "1024x768",
                                 "1280x720", "1280x960"}));

    QStringList titles;
    for (const QGroupBox *box : d->findChildren<QGroupBox *>())
        titles << box->title();
    titles.sort();
    QStringList expectedTitles = {"文字装飾", "字幕描画方式", "設定"};
    expectedTitles.sort();
    QCOMPARE(titles, expectedTitles);

    QStringList labels;
    for (const QLabel *label : d->findChildren<QLabel *>())
        labels << label->text();
    for (const char *text :
         {"字幕表示速度", "キーワード", "枠サイズ", "フォントサイズ", "フォントカラー", "背景画像",
          "文字数制限（0で無制限）",
          "マクキャッフィーでは、回答最速表示のため速度設定が無視されます。",
          "ノーマルの場合は常に設定したフォントカラー、フォントサイズで表示されます。マクマクモー"
          "ドの場合は、設定はコマンド無しの場合に使われます。キーワードを設定すると、そのキーワー"
          "ドがメール欄に書かれているレスのみを表示するようになります。"})
        QVERIFY2(labels.contains(QString::fromUtf8(text)), text);
    d->close();
}

void TestFrmSetting::loadShowsOptions()
{
    Options &o = m_program->opt;
    o.MakuMode = 0;
    o.FontColor = 7;
    o.FontSize = 4;
    o.Speed = 1;
    o.TextMode = 1;
    o.FontDecorate = 2;
    o.WakuView = 1;
    o.FontResize = 1;
    o.FontFuchi = 1;
    o.FontShadow = 0;
    o.TextIDView = 1;
    o.Text2Clipboard = 1;
    o.Num1000 = 0;
    o.TextNameView = 1;
    o.TextNumView = 1;
    o.MakuFormTop = 0;
    o.WakuSize = QStringLiteral("1280x720");
    o.Keyword = QStringLiteral("実況");
    o.TextLimit = 40;
    QPointer<frmSetting> d = open();
    QVERIFY(d->optMakuMode[0]->isChecked());
    QVERIFY(!d->optMakuMode[1]->isChecked());
    QVERIFY(d->optColor[7]->isChecked());
    QVERIFY(d->optSize[4]->isChecked());
    QVERIFY(d->optSpeed[1]->isChecked());
    QVERIFY(d->optTextMode[1]->isChecked());
    QVERIFY(d->optFontDecorate[2]->isChecked());
    QVERIFY(d->chkWakuView->isChecked());
    QVERIFY(d->chkFontResize->isChecked());
    QVERIFY(d->chkFontFuchi->isChecked());
    QVERIFY(!d->chkFontShadow->isChecked());
    QVERIFY(d->chkTextIDView->isChecked());
    QVERIFY(d->chkText2Clipboard->isChecked());
    QVERIFY(!d->chkNum1000->isChecked());
    QVERIFY(d->chkTextNameView->isChecked());
    QVERIFY(d->chkTextNumView->isChecked());
    QVERIFY(!d->chkMakuFormTop->isChecked());
    QCOMPARE(d->cmbWakuSize->currentText(), QStringLiteral("1280x720"));
    QCOMPARE(d->txtKeyword->text(), QStringLiteral("実況"));
    QCOMPARE(d->txtTextLimit->text(), QStringLiteral("40"));
    d->close();
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
    d->chkWakuView->setChecked(true);
    d->chkFontResize->setChecked(true);
    d->chkFontFuchi->setChecked(true);
    d->chkFontShadow->setChecked(false);
    d->chkTextIDView->setChecked(true);
    d->chkText2Clipboard->setChecked(true);
    d->chkNum1000->setChecked(false);
    d->chkTextNameView->setChecked(true);
    d->chkTextNumView->setChecked(true);
    d->chkMakuFormTop->setChecked(false);
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

    QCOMPARE(storedKeys().size(), int(std::size(kKeys)));
    const QMap<QString, QString> expected = {
        {"MakuMode", "0"},
        {"FontColor", "5"},
        {"FontColorCode", "16711680"},
        {"FontSize", "3"},
        {"WakuSize", "800x450"},
        {"WakuView", "1"},
        {"Keyword", "きーわーど"},
        {"FontResize", "1"},
        {"Speed", "4"},
        {"FontFuchi", "1"},
        {"FontShadow", "0"},
        {"EnableCommand", "1,0,1,1,1,1,1,1,1,1,1,1,1,1,1,1,0,"},
        {"BackPicture", "3"},
        {"BackPictureFile", "back.bmp"},
        {"TextLimit", "25"},
        {"TextMode", "1"},
        {"FontDecorate", "1"},
        {"MakuListView", "1"},
        {"TextIDView", "1"},
        {"Text2Clipboard", "1"},
        {"Num1000", "0"},
        {"TextNameView", "1"},
        {"TextNumView", "1"},
        {"MakuFormTop", "0"},
    };
    // Read back through a fresh store, so the values reached the file.
    SettingsStore reread(m_home->settingsPath());
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        QCOMPARE(reread.value(QStringLiteral("OPTION"), it.key()), it.value());

    // The options in memory changed too (drawing reads them there).
    const Options &o = m_program->opt;
    QCOMPARE(o.MakuMode, 0);
    QCOMPARE(o.FontColorCode, 16711680);
    QCOMPARE(o.WakuSize, QStringLiteral("800x450"));
    QCOMPARE(o.TextLimit, 25);
    QCOMPARE(o.BackPictureFile, QStringLiteral("back.bmp"));
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

void TestFrmSetting::cancelChangesNothing()
{
    const Options before = m_program->opt;
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
    QTest::mouseClick(d->cmdCancel, Qt::LeftButton);
    QCOMPARE(closed.count(), 1);
    QCOMPARE(closed.at(0).at(0).toBool(), true);
    QTRY_VERIFY_WITH_TIMEOUT(d.isNull(), 2000);
    QCOMPARE(loads, 0);
    QVERIFY(m_messages.isEmpty());
    QVERIFY(storedKeys().isEmpty());
    const Options &o = m_program->opt;
    QCOMPARE(o.MakuMode, before.MakuMode);
    QCOMPARE(o.FontColor, before.FontColor);
    QCOMPARE(o.FontColorCode, before.FontColorCode);
    QCOMPARE(o.Speed, before.Speed);
    QCOMPARE(o.Num1000, before.Num1000);
    QCOMPARE(o.WakuSize, before.WakuSize);
    QCOMPARE(o.Keyword, before.Keyword);
    QCOMPARE(o.TextLimit, before.TextLimit);
}

void TestFrmSetting::closeBoxActsAsCancel()
{
    QPointer<frmSetting> d = open();
    d->setReopenMakuView(true);
    d->optSpeed[0]->setChecked(true);
    QSignalSpy closed(d.data(), &frmSetting::closed);
    QVERIFY(d->close());
    QCOMPARE(closed.count(), 1);
    QCOMPARE(closed.at(0).at(0).toBool(), true);
    QCOMPARE(m_program->opt.Speed, 2);
    QVERIFY(storedKeys().isEmpty());
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
    QTest::newRow("red") << 1 << 255;
    QTest::newRow("orange") << 2 << 33023;
    QTest::newRow("yellow") << 3 << 65535;
    QTest::newRow("pink") << 4 << (255 * 65536 + 128 * 256 + 255);
    QTest::newRow("blue") << 5 << 16711680;
    QTest::newRow("purple") << 6 << 8388736;
    QTest::newRow("cyan") << 7 << (255 * 65536 + 255 * 256);
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

void TestFrmSetting::colourButtonsPainted()
{
    QPointer<frmSetting> d = open();
    const QColor expected[] = {{255, 255, 255}, {255, 0, 0},     {255, 128, 0},
                               {255, 255, 0},   {255, 128, 255}, {0, 0, 255},
                               {128, 0, 128},   {0, 255, 255},   {0, 255, 0}};
    QCOMPARE(d->optColor.size(), 9);
    for (int i = 0; i < 9; ++i) {
        QRadioButton *b = d->optColor[i];
        QVERIFY(b->autoFillBackground());
        QCOMPARE(b->palette().color(QPalette::Window), expected[i]);
        // The caption stays readable on its own colour.
        QVERIFY(b->palette().color(QPalette::WindowText) != expected[i]);
    }
    // The painted colour shows in the rendered button.
    const QImage picture = d->optColor[1]->grab().toImage();
    QCOMPARE(picture.pixelColor(picture.width() - 2, 1), QColor(255, 0, 0));
    d->close();
}

void TestFrmSetting::unusableTextLimitRefused_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("letters") << QStringLiteral("abc");
    QTest::newRow("empty") << QString();
    QTest::newRow("above 16 bits") << QStringLiteral("32768");
    QTest::newRow("below 16 bits") << QStringLiteral("-32769");
    QTest::newRow("fraction") << QStringLiteral("1.5");
    QTest::newRow("trailing junk") << QStringLiteral("12a");
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
    QTest::newRow("no height") << QStringLiteral("640x");
    QTest::newRow("no width") << QStringLiteral("x480");
    QTest::newRow("words") << QStringLiteral("big");
    QTest::newRow("negative") << QStringLiteral("-640x480");
    QTest::newRow("three parts") << QStringLiteral("640x480x2");
    QTest::newRow("empty") << QString();
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
