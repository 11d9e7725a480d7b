#include "platform/settingsstore.h"
#include "settings/program.h"
#include "subtitle/frmnorestext.h"
#include "subtitle/subtitlepacing.h"
#include "subtitle/subtitlequeue.h"
#include "support/testhome.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QtTest>
#include <memory>

namespace {

struct Draw
{
    QString text;
    QString command;
    bool noRes = false;
    int makuMode = -1;
};

} // namespace

class TestFrmNoResText : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void loadSetsFlagAndShowsSavedTexts();
    void missingKeysLeaveControlsEmpty();
    void closeWritesBackAndNextOpenShowsIt();
    void deletingUnloadsToo();
    void viewSwitchesToCommandModeForOneCall_data();
    void viewSwitchesToCommandModeForOneCall();
    void pacingDrawsUnsavedEditsUntilClosed();

private:
    frmNoResText *open();
    TextDrawHook recorder();

    std::unique_ptr<TestProgram> m_env;
    TestHome *m_home = nullptr;
    SettingsStore *m_store = nullptr;
    Program *m_program = nullptr;
    QVector<Draw> m_draws;
};

void TestFrmNoResText::init()
{
    m_env = std::make_unique<TestProgram>();
    m_home = &m_env->home;
    m_store = &m_env->store;
    m_program = &m_env->program;
    QVERIFY(m_home->isValid());
    m_draws.clear();
}

void TestFrmNoResText::cleanup()
{
    m_env.reset();
}

frmNoResText *TestFrmNoResText::open()
{
    auto *dialog = new frmNoResText(*m_program);
    dialog->setTextDraw(recorder());
    dialog->show();
    return dialog;
}

TextDrawHook TestFrmNoResText::recorder()
{
    return [this](QString text, QString command, bool noRes, QString, QString, QString) {
        m_draws.append({text, command, noRes, m_program->opt.MakuMode});
    };
}

void TestFrmNoResText::loadSetsFlagAndShowsSavedTexts()
{
    m_store->setValue(QStringLiteral("Option"), QStringLiteral("NoResText"),
                      QStringLiteral("休憩中です"));
    m_store->setValue(QStringLiteral("OPTION"), QStringLiteral("NoResCommand"),
                      QStringLiteral("small shita white"));
    QVERIFY(!m_program->flags.NoResOpen);
    QPointer<frmNoResText> dialog = open();
    QVERIFY(m_program->flags.NoResOpen);
    QCOMPARE(dialog->txtText->text(), QStringLiteral("休憩中です"));
    QCOMPARE(dialog->cmbCommand->currentText(), QStringLiteral("small shita white"));
    QCOMPARE(dialog->idleText().text, QStringLiteral("休憩中です"));
    QCOMPARE(dialog->idleText().command, QStringLiteral("small shita white"));
    dialog->close();
    QVERIFY(!m_program->flags.NoResOpen);
}

void TestFrmNoResText::missingKeysLeaveControlsEmpty()
{
    QPointer<frmNoResText> dialog = open();
    QCOMPARE(dialog->text(), QString());
    QCOMPARE(dialog->command(), QString());
    dialog->close();
}

void TestFrmNoResText::closeWritesBackAndNextOpenShowsIt()
{
    QPointer<frmNoResText> dialog = open();
    dialog->txtText->setText(QStringLiteral("CM中"));
    dialog->cmbCommand->setEditText(QStringLiteral("jumbo ue green"));
    dialog->close();
    QTRY_VERIFY_WITH_TIMEOUT(dialog.isNull(), 2000);
    QCOMPARE(m_store->value(QStringLiteral("Option"), QStringLiteral("NoResText")),
             QStringLiteral("CM中"));
    QCOMPARE(m_store->value(QStringLiteral("Option"), QStringLiteral("NoResCommand")),
             QStringLiteral("jumbo ue green"));

    // A fresh store on the same file sees the saved texts (they reached the disk).
    m_program->store = nullptr;
    SettingsStore reread(m_home->settingsPath());
    m_program->store = &reread;
    QPointer<frmNoResText> again = open();
    QCOMPARE(again->text(), QStringLiteral("CM中"));
    QCOMPARE(again->command(), QStringLiteral("jumbo ue green"));
    delete again;
    m_program->store = m_store;
}

void TestFrmNoResText::deletingUnloadsToo()
{
    frmNoResText *dialog = open();
    dialog->txtText->setText(QStringLiteral("bye"));
    delete dialog;
    QVERIFY(!m_program->flags.NoResOpen);
    QCOMPARE(m_store->value(QStringLiteral("Option"), QStringLiteral("NoResText")),
             QStringLiteral("bye"));
}

void TestFrmNoResText::viewSwitchesToCommandModeForOneCall_data()
{
    QTest::addColumn<int>("presetIndex");
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("drawnMode");
    QTest::newRow("command") << 3 << QStringLiteral("ue red") << 1;
    QTest::newRow("no command stays normal") << -1 << QString() << 0;
}

void TestFrmNoResText::viewSwitchesToCommandModeForOneCall()
{
    QFETCH(int, presetIndex);
    QFETCH(QString, command);
    QFETCH(int, drawnMode);
    m_program->opt.MakuMode = 0;
    QPointer<frmNoResText> dialog = open();
    dialog->txtText->setText(QStringLiteral("待機中"));
    dialog->cmbCommand->setCurrentIndex(presetIndex);
    QTest::mouseClick(dialog->cmdView, Qt::LeftButton);
    QCOMPARE(m_draws.size(), 1);
    QCOMPARE(m_draws[0].text, QStringLiteral("待機中"));
    QCOMPARE(m_draws[0].command, command);
    QCOMPARE(m_draws[0].noRes, true);
    QCOMPARE(m_draws[0].makuMode, drawnMode);
    QCOMPARE(m_program->opt.MakuMode, 0);
    dialog->close();
}

void TestFrmNoResText::pacingDrawsUnsavedEditsUntilClosed()
{
    m_program->opt.MakuMode = 0;
    m_program->flags.MakuShown = true;
    SubtitleQueue queue;
    SubtitlePacing pacing(queue, *m_program);
    connect(&pacing, &SubtitlePacing::textDrawRequested, this, recorder());
    QPointer<frmNoResText> dialog = open();
    pacing.setIdleText([&dialog] { return dialog ? dialog->idleText() : IdleText(); });

    dialog->txtText->setText(QStringLiteral("まだ保存していない"));
    dialog->cmbCommand->setEditText(QStringLiteral("ue red"));
    queue.setCountdown(1);
    pacing.tmrMaku_Timer();
    QCOMPARE(m_draws.size(), 1);
    QCOMPARE(m_draws[0].text, QStringLiteral("まだ保存していない"));
    QCOMPARE(m_draws[0].command, QStringLiteral("ue red"));
    QCOMPARE(m_draws[0].noRes, true);
    QCOMPARE(m_draws[0].makuMode, 1);
    QCOMPARE(m_program->opt.MakuMode, 0);
    QCOMPARE(queue.countdown(), -1);

    dialog->close();
    QTRY_VERIFY_WITH_TIMEOUT(dialog.isNull(), 2000);
    QCOMPARE(m_draws.size(), 1); // closing draws nothing
    queue.setCountdown(1);
    pacing.tmrMaku_Timer();
    QCOMPARE(m_draws.size(), 2);
    QCOMPARE(m_draws[1].text, QString());
    QCOMPARE(m_draws[1].noRes, false);
}

QTEST_MAIN(TestFrmNoResText)
#include "tst_frmnorestext.moc"
