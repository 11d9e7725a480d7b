#include "app/frmmain.h"
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
    QCOMPARE(w->cmbUrl->currentText(), QString());
    QCOMPARE(w->panelText(QStringLiteral("TIMER")), QStringLiteral("-1"));
    QCOMPARE(w->panelText(QStringLiteral("MAKUTIMER")), QStringLiteral("-1"));
    QCOMPARE(w->panelText(QStringLiteral("STATUS")), QString());
    // Automatic reload is off, with the 24 periods created at start.
    QCOMPARE(w->mnuAutoReload.size(), 26);
    QVERIFY(w->mnuAutoReload[0]->isChecked());
    QCOMPARE(w->mnuAutoReload[2]->text(), QStringLiteral("7 sec"));
    QCOMPARE(w->mnuAutoReload[25]->text(), QStringLiteral("30 sec"));
    QVERIFY(w->mnuAutoScroll[0]->isChecked());
    QVERIFY(w->PaneVisible);
    QCOMPARE(m_program->opt.MakuMode, 1);
    QCOMPARE(m_program->opt.WakuSize, QStringLiteral("640x480"));
    const QString page = documentText(w->webMain);
    QVERIFY2(page.contains(QStringLiteral("「設定」を開いて各設定を自分好みに編集")),
             qPrintable(page));
    QVERIFY(page.contains(QStringLiteral("新着レスぶんから、字幕表示枠内に表示されるようになる")));
    QCOMPARE(w->webMain->charset(), QStringLiteral("Shift_JIS"));
    // Every command word starts enabled.
    QCOMPARE(w->lstCommand->selectedItems().size(), 17);
}

void TestFrmMain::commandLineAddressLandsInAddressBar()
{
    const QString address = QStringLiteral("http://127.0.0.1:9/test/read.cgi/a b/123/");
    auto w = start(address);
    QVERIFY(w);
    QCOMPARE(w->cmbUrl->currentText(), address);
}

void TestFrmMain::threeEntersGiveThreeHistoryItems()
{
    auto w = start();
    QVERIFY(w);
    w->cmbUrl->setEditText(QStringLiteral("http://example.invalid/test/read.cgi/b/1/"));
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(w->cmbUrl->lineEdit(), Qt::Key_Return);
    QCOMPARE(w->cmbUrl->count(), 3);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(w->cmbUrl->itemText(i),
                 QStringLiteral("http://example.invalid/test/read.cgi/b/1/"));
    QCOMPARE(w->cmbUrl->currentText(), QStringLiteral("http://example.invalid/test/read.cgi/b/1/"));
}

void TestFrmMain::ngWordsWithoutFinalLineBreak()
{
    QVERIFY(WriteTextFile(m_home->file(QStringLiteral("ngword.txt")),
                          QStringLiteral("荒らし\r\nabc\r\nlast")));
    {
        auto w = start();
        QVERIFY(w);
        QCOMPARE(w->lstNG->count(), 2);
        QCOMPARE(w->lstNG->item(0)->text(), QStringLiteral("荒らし"));
        QCOMPARE(w->lstNG->item(1)->text(), QStringLiteral("abc"));
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
        w->findChild<QAction *>(QStringLiteral("mnuAddNG"))->trigger();
        QCOMPARE(w->lstNG->count(), 3);
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
    QCOMPARE(again->lstNG->count(), 3);
}

void TestFrmMain::exitWritesSettingsAndPlacement()
{
    {
        auto w = start();
        QVERIFY(w);
        w->cmbUrl->setEditText(QStringLiteral("http://host/test/read.cgi/b/1/"));
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
    QCOMPARE(again->cmbUrl->currentText(), QStringLiteral("http://host/test/read.cgi/b/1/"));
    QCOMPARE(again->size(), QSize(700, 500));
    QCOMPARE(again->panelText(QStringLiteral("STATUS")), QString());
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
    const int narrow = w->webMain->width();
    QVERIFY(narrow < inner);
    QVERIFY(w->lstRes->isVisible());
    w->mnuMakuList->trigger();
    QVERIFY(!w->PaneVisible);
    QCOMPARE(w->webMain->width(), inner);
    QVERIFY(!w->lstRes->isVisible());
    w->mnuMakuList->trigger();
    QCOMPARE(w->webMain->width(), narrow);
    w->mnuMakuList->trigger();
    w->close();
    SettingsStore reread(m_home->settingsPath());
    QCOMPARE(reread.value(QStringLiteral("Option"), QStringLiteral("MakuListView")),
             QStringLiteral("1"));
    // A hidden pane stays hidden at the next start.
    auto again = start();
    QVERIFY(!again->PaneVisible);
    QCOMPARE(again->webMain->width(), again->centralWidget()->width());
}

void TestFrmMain::commandSelectionRestoredAndSaved()
{
    m_store->setValue(QStringLiteral("Option"), QStringLiteral("EnableCommand"),
                      QStringLiteral("1,0,1,"));
    {
        auto w = start();
        QVERIFY(w);
        QVERIFY(w->lstCommand->item(0)->isSelected());
        QVERIFY(!w->lstCommand->item(1)->isSelected());
        QVERIFY(w->lstCommand->item(2)->isSelected());
        QVERIFY(!w->lstCommand->item(16)->isSelected());
        w->lstCommand->item(16)->setSelected(true);
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
    QListWidget *list = w->lstNG;
    const QPoint second = list->visualItemRect(list->item(1)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, second);
    QCOMPARE(list->count(), 3); // a plain click only selects
    QTest::keyPress(list, Qt::Key_Control);
    QVERIFY(w->CtrlDown);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, second);
    QTest::keyRelease(list, Qt::Key_Control);
    QVERIFY(!w->CtrlDown);
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->item(0)->text(), QStringLiteral("a"));
    QCOMPARE(list->item(1)->text(), QStringLiteral("c"));
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
    w->mnuMakuView_Click();
    QVERIFY(w->maku().isLoaded());
    QCOMPARE(w->maku().window()->size(), QSize(640, 480));

    // The subtitle window is away while the dialog is open.
    w->mnuSetting_Click();
    QVERIFY(w->settingDialog());
    QVERIFY(!w->maku().isLoaded());
    QVERIFY(!m_program->flags.MakuShown);
    w->settingDialog()->cmbWakuSize->setEditText(QStringLiteral("720x405"));
    if (confirm)
        QVERIFY(w->settingDialog()->cmdOk_Click());
    else
        w->settingDialog()->cmdCancel_Click();

    QTRY_VERIFY_WITH_TIMEOUT(!w->settingDialog(), 5000);
    QVERIFY(w->maku().isLoaded());
    QVERIFY(w->maku().window()->isVisible());
    const QSize expected = confirm ? QSize(720, 405) : QSize(640, 480);
    QCOMPARE(w->maku().window()->size(), expected);
    SettingsStore reread(m_home->settingsPath());
    QCOMPARE(reread.value(QStringLiteral("Option"), QStringLiteral("WakuSize")),
             confirm ? QStringLiteral("720x405") : QString());
}

void TestFrmMain::autoReloadMenu()
{
    auto w = start();
    QVERIFY(w);
    w->mnuAutoReload[2]->trigger();
    QCOMPARE(w->panelText(QStringLiteral("TIMER")), QStringLiteral("7"));
    QVERIFY(w->mnuAutoReload[2]->isChecked());
    QVERIFY(!w->mnuAutoReload[0]->isChecked());
    // The countdown runs on the program's one-second timer.
    QTRY_COMPARE_WITH_TIMEOUT(w->panelText(QStringLiteral("TIMER")), QStringLiteral("6"), 3000);
    w->mnuAutoReload[25]->trigger();
    QCOMPARE(w->panelText(QStringLiteral("TIMER")), QStringLiteral("30"));
    w->mnuAutoReload[0]->trigger();
    QCOMPARE(w->panelText(QStringLiteral("TIMER")), QStringLiteral("-1"));
    QVERIFY(w->mnuAutoReload[0]->isChecked());
    QVERIFY(!w->mnuAutoReload[25]->isChecked());
}

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
