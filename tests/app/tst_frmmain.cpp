#include "mainwindowparts.h"
#include "platform/textfile.h"
#include "support/testhome.h"
#include "support/widgets.h"

#include <QDir>

using namespace MainWindowParts;

class TestFrmMain : public QObject
{
    Q_OBJECT
private slots:
    void init() { m_env = std::make_unique<TestProgram>(); }

    void cleanup() { m_env.reset(); }

    // Reload on, commands off on a first start; a board's long error text flooding the status.
    void firstStartWithEmptyStore()
    {
        auto w = start();
        QVERIFY(w && w->isVisible());
        QCOMPARE(panelText(w, QStringLiteral("TIMER")), QStringLiteral("-1"));
        QVERIFY(action(w, QStringLiteral("mnuAutoReload(0)"))->isChecked());
        QCOMPARE(part<QListWidget>(w, "lstCommand")->selectedItems().size(), 17);
        // Status texts are one line of at most 200 characters, never half a character.
        w->SetStatus(QString(250, QLatin1Char('x')) + QStringLiteral("\nsecond"));
        QCOMPARE(panelText(w, QStringLiteral("STATUS")), QString(200, QLatin1Char('x')));
    }

    // Settings, placement, NG words or commands not saved; a plain click removing an NG word;
    // NG words of an editor's line ends lost; the settings (and their token) readable by others.
    void exitWritesEverythingBack()
    {
        const QString ngFile = m_env->home.file(QStringLiteral("ngword.txt"));
        QVERIFY(WriteTextFile(ngFile, QStringLiteral("荒らし\nabc\rlast")));
        m_env->store.setValue("Option", "EnableCommand", "1,0,1,");
        {
            auto w = start();
            QVERIFY(w);
            QListWidget *ng = part<QListWidget>(w, "lstNG");
            QListWidget *commands = part<QListWidget>(w, "lstCommand");
            QCOMPARE(ng->count(), 3);
            QVERIFY(commands->item(2)->isSelected() && !commands->item(3)->isSelected());
            // A plain click only selects a word; with Ctrl held it removes it.
            ng->setFocus();
            QWidget *target = w->focusWidget();
            QVERIFY(target);
            const QPoint abc = ng->visualItemRect(ng->item(1)).center();
            QTest::mouseClick(ng->viewport(), Qt::LeftButton, Qt::NoModifier, abc);
            QCOMPARE(ng->count(), 3);
            QTest::keyPress(target, Qt::Key_Control);
            QTest::mouseClick(ng->viewport(), Qt::LeftButton, Qt::ControlModifier, abc);
            QTest::keyRelease(target, Qt::Key_Control);
            QCOMPARE(ng->count(), 2);
            commands->item(16)->setSelected(true);
            cmbUrl(w)->setEditText(QStringLiteral("http://host/test/read.cgi/b/1/"));
            w->resize(700, 500);
            QTRY_COMPARE_WITH_TIMEOUT(w->size(), QSize(700, 500), 5000);
            m_env->program.opt.Speed = 4;
            action(w, QStringLiteral("mnuAutoReload(9)"))->trigger();
            action(w, QStringLiteral("mnuAutoScroll(1)"))->trigger();
            w->close();
        }
        QCOMPARE(ReadTextFile(ngFile), QStringLiteral("荒らし\r\nlast\r\n"));
        QCOMPARE(QFile::permissions(m_env->home.settingsPath()),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
        QCOMPARE(stored("Option", "EnableCommand"),
                 QStringLiteral("1,0,1,0,0,0,0,0,0,0,0,0,0,0,0,0,1,"));
        QCOMPARE(stored("Option", "Address"), QStringLiteral("http://host/test/read.cgi/b/1/"));
        QCOMPARE(stored("Pos", "MainWidth"), QStringLiteral("10500"));
        QCOMPARE(stored("Option", "Speed"), QStringLiteral("4"));
        // Without ResumeThread the next start restores the address text (without loading it)
        // and the size.
        m_env->store.setValue("Option", "ResumeThread", "0");
        auto again = start();
        QVERIFY(MainWindowParts::thread(again).Ready);
        QVERIFY(again);
        QCOMPARE(cmbUrl(again)->currentText(), QStringLiteral("http://host/test/read.cgi/b/1/"));
        QCOMPARE(again->size(), QSize(700, 500));
        // Automatic reload (14 s) and scrolling come back as they were left.
        QVERIFY(action(again, QStringLiteral("mnuAutoReload(9)"))->isChecked());
        QCOMPARE(panelText(again, QStringLiteral("TIMER")), QStringLiteral("14"));
        QVERIFY(action(again, QStringLiteral("mnuAutoScroll(1)"))->isChecked());
    }

    void missingSkinEndsProgramWithoutTouchingFiles() // a broken start overwrites user files
    {
        QFile::remove(m_env->home.file(QStringLiteral("Res.htm")));
        QVERIFY(WriteTextFile(m_env->home.file(QStringLiteral("ngword.txt")),
                              QStringLiteral("keep\r\n")));
        m_env->store.setValue(QStringLiteral("OPTION"), QStringLiteral("Address"),
                              QStringLiteral("x"));
        m_env->store.sync();
        MessageBoxCatcher catcher;
        auto w = std::make_unique<frmMain>(m_env->program);
        QVERIFY(!w->Form_Load(QString()));
        QCOMPARE(catcher.count, 1);
        w->close();
        w.reset();
        QCOMPARE(ReadTextFile(m_env->home.file(QStringLiteral("ngword.txt"))),
                 QStringLiteral("keep\r\n"));
        QCOMPARE(stored("Option", "Address"), QStringLiteral("x"));
    }

    void unsavedFilesAreReported() // NG words or settings lost at exit without a word
    {
        // Folders in the way of the files stop even root.
        const QString ng = m_env->home.file(QStringLiteral("ngword.txt"));
        QVERIFY(QDir().mkpath(ng + QStringLiteral("/x")));
        auto w = start();
        QVERIFY(w);
        QVERIFY(QDir().mkpath(m_env->home.settingsPath() + QStringLiteral("/x")));
        MessageBoxCatcher catcher;
        w->close();
        QCOMPARE(catcher.text, QStringLiteral("次のファイルに保存できませんでした\n") + ng +
                                   QLatin1Char('\n') + m_env->home.settingsPath());
    }

private:
    std::unique_ptr<frmMain> start(const QString &commandLine = QString())
    {
        auto window = std::make_unique<frmMain>(m_env->program);
        return window->Form_Load(commandLine) ? std::move(window) : nullptr;
    }
    QString stored(const char *section, const char *key) const
    {
        return SettingsStore(m_env->home.settingsPath())
            .value(QLatin1String(section), QLatin1String(key));
    }

    std::unique_ptr<TestProgram> m_env;
};

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
