#include "mainwindowparts.h"
#include "platform/settingsstore.h"
#include "platform/textfile.h"
#include "platform/threadview.h"
#include "settings/frmsetting.h"
#include "subtitle/frmtext.h"
#include "subtitle/subtitlewindowcontrol.h"
#include "support/testhome.h"

#include <QAction>
#include <QComboBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QtTest>
#include <memory>

using namespace MainWindowParts;

namespace {

// Closes the next message box that appears and remembers its text.
class MessageBoxCatcher : public QObject
{
public:
    QString text;
    explicit MessageBoxCatcher()
    {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            text = box->text();
            box->accept();
            m_timer.stop();
        });
        m_timer.start();
    }

private:
    QTimer m_timer;
};

QString documentText(ThreadView *view)
{
    QString result;
    bool done = false;
    view->evaluate(QStringLiteral("document.body ? document.body.innerHTML : ''"),
                   [&](const QVariant &v) {
                       result = v.toString();
                       done = true;
                   });
    if (!QTest::qWaitFor([&] { return done; }, 10000))
        return QStringLiteral("<timeout>");
    return result;
}

} // namespace

class TestFrmMain : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void firstStartWithEmptyStore();
    void commandLineAddressLandsInAddressBar();
    void threeEntersGiveThreeHistoryItems();
    void ngWordsWithoutFinalLineBreak();
    void exitWritesSettingsAndPlacement();
    void maximisedWindowKeepsStoredPlacement();
    void hidingSidePaneWidensView();
    void commandSelectionRestoredAndSaved();
    void ctrlClickRemovesNgWord();
    void missingSkinEndsProgramWithoutTouchingFiles();
    void exitRemovesTempFile();
    void settingsDialogReopensSubtitleWindow_data();
    void settingsDialogReopensSubtitleWindow();
    void autoReloadMenu();

private:
    std::unique_ptr<frmMain> start(const QString &commandLine = QString());

    std::unique_ptr<TestProgram> m_env;
    TestHome *m_home = nullptr;
    SettingsStore *m_store = nullptr;
    Program *m_program = nullptr;
};

void TestFrmMain::init()
{
    m_env = std::make_unique<TestProgram>();
    m_home = &m_env->home;
    m_store = &m_env->store;
    m_program = &m_env->program;
    QVERIFY(m_home->isValid());
}

void TestFrmMain::cleanup()
{
    m_env.reset();
}

std::unique_ptr<frmMain> TestFrmMain::start(const QString &commandLine)
{
    auto window = std::make_unique<frmMain>(*m_program);
    if (!window->Form_Load(commandLine))
        return nullptr;
    return window;
}

void TestFrmMain::firstStartWithEmptyStore()
{
    auto w = start();
    QVERIFY(w);
    QVERIFY(w->isVisible());
    QCOMPARE(w->windowTitle(), QStringLiteral("sazanami"));
    QCOMPARE(cmbUrl(w)->currentText(), QString());
    QCOMPARE(panelText(w, QStringLiteral("TIMER")), QStringLiteral("-1"));
    QCOMPARE(panelText(w, QStringLiteral("MAKUTIMER")), QStringLiteral("-1"));
    QCOMPARE(panelText(w, QStringLiteral("STATUS")), QString());
    // Automatic reload is off, with the 24 periods created at start.
    QVERIFY(action(w, QStringLiteral("mnuAutoReload(25)")));
    QVERIFY(!w->findChild<QAction *>(QStringLiteral("mnuAutoReload(26)")));
    QVERIFY(action(w, QStringLiteral("mnuAutoReload(0)"))->isChecked());
    QCOMPARE(action(w, QStringLiteral("mnuAutoReload(2)"))->text(), QStringLiteral("7 sec"));
    QCOMPARE(action(w, QStringLiteral("mnuAutoReload(25)"))->text(), QStringLiteral("30 sec"));
    QVERIFY(action(w, QStringLiteral("mnuAutoScroll(0)"))->isChecked());
    QVERIFY(paneVisible(w));
    QCOMPARE(m_program->opt.MakuMode, 1);
    QCOMPARE(m_program->opt.WakuSize, QStringLiteral("640x480"));
    const QString page = documentText(webMain(w));
    QVERIFY2(page.contains(QStringLiteral("「設定」を開いて各設定を自分好みに編集")),
             qPrintable(page));
    QVERIFY(page.contains(QStringLiteral("新着レスぶんから、字幕表示枠内に表示されるようになる")));
    QCOMPARE(webMain(w)->charset(), QStringLiteral("Shift_JIS"));
    // Every command word starts enabled.
    QCOMPARE(list(w, "lstCommand")->selectedItems().size(), 17);
}

void TestFrmMain::commandLineAddressLandsInAddressBar()
{
    const QString address = QStringLiteral("http://127.0.0.1:9/test/read.cgi/a b/123/");
    auto w = start(address);
    QVERIFY(w);
    QCOMPARE(cmbUrl(w)->currentText(), address);
}

void TestFrmMain::threeEntersGiveThreeHistoryItems()
{
    auto w = start();
    QVERIFY(w);
    cmbUrl(w)->setEditText(QStringLiteral("http://example.invalid/test/read.cgi/b/1/"));
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(cmbUrl(w)->lineEdit(), Qt::Key_Return);
    QCOMPARE(cmbUrl(w)->count(), 3);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(cmbUrl(w)->itemText(i),
                 QStringLiteral("http://example.invalid/test/read.cgi/b/1/"));
    QCOMPARE(cmbUrl(w)->currentText(), QStringLiteral("http://example.invalid/test/read.cgi/b/1/"));
}

void TestFrmMain::ngWordsWithoutFinalLineBreak()
{
    QVERIFY(WriteTextFile(m_home->file(QStringLiteral("ngword.txt")),
                          QStringLiteral("荒らし\r\nabc\r\nlast")));
    {
        auto w = start();
        QVERIFY(w);
        QCOMPARE(list(w, "lstNG")->count(), 2);
        QCOMPARE(list(w, "lstNG")->item(0)->text(), QStringLiteral("荒らし"));
        QCOMPARE(list(w, "lstNG")->item(1)->text(), QStringLiteral("abc"));
        // A word added through the menu is saved with the loaded ones.
        QTimer answer;
        answer.setInterval(20);
        QObject::connect(&answer, &QTimer::timeout, &answer, [&answer] {
            if (auto *d = qobject_cast<QInputDialog *>(QApplication::activeModalWidget())) {
                d->setTextValue(QStringLiteral("新しい"));
                d->accept();
                answer.stop();
            }
        });
        answer.start();
        action(w, QStringLiteral("mnuAddNG"))->trigger();
        QCOMPARE(list(w, "lstNG")->count(), 3);
        w->close();
    }
    QFile file(m_home->file(QStringLiteral("ngword.txt")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(),
             QByteArray("\x8d\x72\x82\xe7\x82\xb5\r\nabc\r\n\x90\x56\x82\xb5\x82\xa2\r\n"));
    file.close();
    // The next start loads every saved word back.
    auto again = start();
    QVERIFY(again);
    QCOMPARE(list(again, "lstNG")->count(), 3);
}

void TestFrmMain::exitWritesSettingsAndPlacement()
{
    {
        auto w = start();
        QVERIFY(w);
        cmbUrl(w)->setEditText(QStringLiteral("http://host/test/read.cgi/b/1/"));
        w->move(40, 60);
        w->resize(700, 500);
        QTRY_COMPARE_WITH_TIMEOUT(w->size(), QSize(700, 500), 5000);
        m_program->opt.Speed = 4;
        w->close();
    }
    SettingsStore reread(m_home->settingsPath());
    QCOMPARE(reread.value(QStringLiteral("Option"), QStringLiteral("Address")),
             QStringLiteral("http://host/test/read.cgi/b/1/"));
    QCOMPARE(reread.value(QStringLiteral("Pos"), QStringLiteral("MainWidth")),
             QString::number(700 * 15));
    QCOMPARE(reread.value(QStringLiteral("Pos"), QStringLiteral("MainHeight")),
             QString::number(500 * 15));
    QCOMPARE(reread.value(QStringLiteral("Option"), QStringLiteral("Speed")), QStringLiteral("4"));
    QCOMPARE(reread.value(QStringLiteral("Option"), QStringLiteral("MakuListView")),
             QStringLiteral("0"));

    // The next start restores the address text (without loading it) and the size.
    auto again = start();
    QVERIFY(again);
    QCOMPARE(cmbUrl(again)->currentText(), QStringLiteral("http://host/test/read.cgi/b/1/"));
    QCOMPARE(again->size(), QSize(700, 500));
    QCOMPARE(panelText(again, QStringLiteral("STATUS")), QString());
}

void TestFrmMain::maximisedWindowKeepsStoredPlacement()
{
    m_store->setValue(QStringLiteral("Pos"), QStringLiteral("MainWidth"), QStringLiteral("9000"));
    auto w = start();
    QVERIFY(w);
    w->setWindowState(Qt::WindowMaximized);
    w->close();
    SettingsStore reread(m_home->settingsPath());
    QCOMPARE(reread.value(QStringLiteral("Pos"), QStringLiteral("MainWidth")),
             QStringLiteral("9000"));
    QVERIFY(!reread.contains(QStringLiteral("Pos"), QStringLiteral("MainTop")));
}

void TestFrmMain::hidingSidePaneWidensView()
{
    auto w = start();
    QVERIFY(w);
    const int inner = w->centralWidget()->width();
    const int narrow = webMain(w)->width();
    QVERIFY(narrow < inner);
    QVERIFY(list(w, "lstRes")->isVisible());
    action(w, QStringLiteral("mnuMakuList"))->trigger();
    QVERIFY(!paneVisible(w));
    QCOMPARE(webMain(w)->width(), inner);
    QVERIFY(!list(w, "lstRes")->isVisible());
    action(w, QStringLiteral("mnuMakuList"))->trigger();
    QCOMPARE(webMain(w)->width(), narrow);
    action(w, QStringLiteral("mnuMakuList"))->trigger();
    w->close();
    SettingsStore reread(m_home->settingsPath());
    QCOMPARE(reread.value(QStringLiteral("Option"), QStringLiteral("MakuListView")),
             QStringLiteral("1"));
    // A hidden pane stays hidden at the next start.
    auto again = start();
    QVERIFY(!paneVisible(again));
    QCOMPARE(webMain(again)->width(), again->centralWidget()->width());
}

void TestFrmMain::commandSelectionRestoredAndSaved()
{
    m_store->setValue(QStringLiteral("Option"), QStringLiteral("EnableCommand"),
                      QStringLiteral("1,0,1,"));
    {
        auto w = start();
        QVERIFY(w);
        QVERIFY(list(w, "lstCommand")->item(0)->isSelected());
        QVERIFY(!list(w, "lstCommand")->item(1)->isSelected());
        QVERIFY(list(w, "lstCommand")->item(2)->isSelected());
        QVERIFY(!list(w, "lstCommand")->item(16)->isSelected());
        list(w, "lstCommand")->item(16)->setSelected(true);
        w->close();
    }
    SettingsStore reread(m_home->settingsPath());
    QCOMPARE(reread.value(QStringLiteral("Option"), QStringLiteral("EnableCommand")),
             QStringLiteral("1,0,1,0,0,0,0,0,0,0,0,0,0,0,0,0,1,"));
}

void TestFrmMain::ctrlClickRemovesNgWord()
{
    QVERIFY(WriteTextFile(m_home->file(QStringLiteral("ngword.txt")),
                          QStringLiteral("a\r\nb\r\nc\r\n")));
    auto w = start();
    QVERIFY(w);
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    QListWidget *ng = list(w, "lstNG");
    const QPoint second = ng->visualItemRect(ng->item(1)).center();
    QTest::mouseClick(ng->viewport(), Qt::LeftButton, Qt::NoModifier, second);
    QCOMPARE(ng->count(), 3); // a plain click only selects
    QTest::keyPress(ng, Qt::Key_Control);
    QTest::mouseClick(ng->viewport(), Qt::LeftButton, Qt::ControlModifier, second);
    QTest::keyRelease(ng, Qt::Key_Control);
    QCOMPARE(ng->count(), 2);
    QCOMPARE(ng->item(0)->text(), QStringLiteral("a"));
    QCOMPARE(ng->item(1)->text(), QStringLiteral("c"));
    // Once Ctrl is released, a click only selects again.
    QTest::mouseClick(ng->viewport(), Qt::LeftButton, Qt::NoModifier, second);
    QCOMPARE(ng->count(), 2);
}

void TestFrmMain::missingSkinEndsProgramWithoutTouchingFiles()
{
    QFile::remove(m_home->file(QStringLiteral("Res.htm")));
    QVERIFY(WriteTextFile(m_home->file(QStringLiteral("ngword.txt")), QStringLiteral("keep\r\n")));
    m_store->setValue(QStringLiteral("OPTION"), QStringLiteral("Address"),
                      QStringLiteral("http://x/"));
    m_store->sync();
    MessageBoxCatcher catcher;
    auto w = std::make_unique<frmMain>(*m_program);
    QVERIFY(!w->Form_Load(QString()));
    QCOMPARE(catcher.text, QStringLiteral("スキンファイルが不正です"));
    w->close();
    w.reset();
    // Nothing the user had is overwritten by a start that could not finish.
    QCOMPARE(ReadTextFile(m_home->file(QStringLiteral("ngword.txt"))), QStringLiteral("keep\r\n"));
    SettingsStore reread(m_home->settingsPath());
    QCOMPARE(reread.value(QStringLiteral("Option"), QStringLiteral("Address")),
             QStringLiteral("http://x/"));
}

void TestFrmMain::exitRemovesTempFile()
{
    auto w = start();
    QVERIFY(w);
    QVERIFY(WriteTextFile(m_home->file(QStringLiteral("temp.htm")), QStringLiteral("x")));
    w->close();
    QVERIFY(!QFile::exists(m_home->file(QStringLiteral("temp.htm"))));
}

void TestFrmMain::settingsDialogReopensSubtitleWindow_data()
{
    QTest::addColumn<bool>("confirm");
    QTest::newRow("OK") << true;
    QTest::newRow("Cancel") << false;
}

void TestFrmMain::settingsDialogReopensSubtitleWindow()
{
    QFETCH(bool, confirm);
    auto w = start();
    QVERIFY(w);
    action(w, QStringLiteral("mnuMakuView"))->trigger();
    QVERIFY(maku(w).isLoaded());
    QCOMPARE(maku(w).window()->size(), QSize(640, 480));

    // The subtitle window is away while the dialog is open.
    action(w, QStringLiteral("mnuSetting"))->trigger();
    QVERIFY(settingDialog(w));
    QVERIFY(!maku(w).isLoaded());
    QVERIFY(!m_program->flags.MakuShown);
    settingDialog(w)->cmbWakuSize->setEditText(QStringLiteral("720x405"));
    if (confirm)
        QVERIFY(settingDialog(w)->cmdOk_Click());
    else
        settingDialog(w)->cmdCancel_Click();

    QTRY_VERIFY_WITH_TIMEOUT(!settingDialog(w), 5000);
    QVERIFY(maku(w).isLoaded());
    QVERIFY(maku(w).window()->isVisible());
    const QSize expected = confirm ? QSize(720, 405) : QSize(640, 480);
    QCOMPARE(maku(w).window()->size(), expected);
    SettingsStore reread(m_home->settingsPath());
    QCOMPARE(reread.value(QStringLiteral("Option"), QStringLiteral("WakuSize")),
             confirm ? QStringLiteral("720x405") : QString());
}

void TestFrmMain::autoReloadMenu()
{
    auto w = start();
    QVERIFY(w);
    action(w, QStringLiteral("mnuAutoReload(2)"))->trigger();
    QCOMPARE(panelText(w, QStringLiteral("TIMER")), QStringLiteral("7"));
    QVERIFY(action(w, QStringLiteral("mnuAutoReload(2)"))->isChecked());
    QVERIFY(!action(w, QStringLiteral("mnuAutoReload(0)"))->isChecked());
    // The countdown runs on the program's one-second timer.
    QTRY_COMPARE_WITH_TIMEOUT(panelText(w, QStringLiteral("TIMER")), QStringLiteral("6"), 3000);
    action(w, QStringLiteral("mnuAutoReload(25)"))->trigger();
    QCOMPARE(panelText(w, QStringLiteral("TIMER")), QStringLiteral("30"));
    action(w, QStringLiteral("mnuAutoReload(0)"))->trigger();
    QCOMPARE(panelText(w, QStringLiteral("TIMER")), QStringLiteral("-1"));
    QVERIFY(action(w, QStringLiteral("mnuAutoReload(0)"))->isChecked());
    QVERIFY(!action(w, QStringLiteral("mnuAutoReload(25)"))->isChecked());
}

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
