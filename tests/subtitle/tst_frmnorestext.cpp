#include "settings/program.h"
#include "subtitle/frmnorestext.h"
#include "subtitle/subtitlepacing.h"
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
    void init()
    {
        m_env = std::make_unique<TestProgram>();
        m_program = &m_env->program;
        m_program->opt.MakuMode = 0;
        m_draws.clear();
    }

    void cleanup() { m_env.reset(); }

    void savedTextsComeBack() // texts not shown, not written back at close or delete, flag stale
    {
        m_env->store.setValue(QStringLiteral("OPTION"), QStringLiteral("NoResCommand"),
                              QStringLiteral("small shita"));
        QPointer<frmNoResText> dialog = open();
        QVERIFY(m_program->flags.NoResOpen);
        QCOMPARE(dialog->idleText().command, QStringLiteral("small shita"));
        dialog->txtText->setText(QStringLiteral("CM中"));
        dialog->cmbCommand->setEditText(QStringLiteral("jumbo ue green"));
        // Drawing takes the edits before they are saved.
        QCOMPARE(dialog->idleText().text, QStringLiteral("CM中"));
        QCOMPARE(dialog->idleText().command, QStringLiteral("jumbo ue green"));
        dialog->close();
        QVERIFY(!m_program->flags.NoResOpen);
        QTRY_VERIFY_WITH_TIMEOUT(dialog.isNull(), 2000);
        // A fresh store on the same file sees the saved texts (they reached the disk).
        SettingsStore reread(m_env->home.settingsPath());
        m_program->store = &reread;
        frmNoResText *again = open();
        QCOMPARE(again->txtText->text(), QStringLiteral("CM中"));
        QCOMPARE(again->cmbCommand->currentText(), QStringLiteral("jumbo ue green"));
        // Deleting without closing unloads as well.
        again->txtText->setText(QStringLiteral("bye"));
        delete again;
        QVERIFY(!m_program->flags.NoResOpen);
        QCOMPARE(reread.value("Option", "NoResText"), QStringLiteral("bye"));
    }

    void viewSwitchesToCommandModeForOneCall() // the mode switch sticks or never happens
    {
        QPointer<frmNoResText> dialog = open();
        dialog->txtText->setText(QStringLiteral("待機中"));
        for (const int preset : {3, -1}) { // "ue red", then no command: normal mode stays
            dialog->cmbCommand->setCurrentIndex(preset);
            QTest::mouseClick(dialog->cmdView, Qt::LeftButton);
            QCOMPARE(m_draws.last().text, QStringLiteral("待機中"));
            QCOMPARE(m_draws.last().command, preset < 0 ? QString() : QStringLiteral("ue red"));
            QVERIFY(m_draws.last().noRes);
            QCOMPARE(m_draws.last().makuMode, preset < 0 ? 0 : 1);
            QCOMPARE(m_program->opt.MakuMode, 0);
        }
        dialog->close();
    }

private:
    frmNoResText *open();

    std::unique_ptr<TestProgram> m_env;
    Program *m_program = nullptr;
    QVector<Draw> m_draws;
    TextDrawHook m_recorder = [this](QString text, QString command, bool noRes, QString, QString,
                                     QString) {
        m_draws.append({text, command, noRes, m_program->opt.MakuMode});
    };
};

frmNoResText *TestFrmNoResText::open()
{
    auto *dialog = new frmNoResText(*m_program);
    dialog->setTextDraw(m_recorder);
    dialog->show();
    return dialog;
}

QTEST_MAIN(TestFrmNoResText)
#include "tst_frmnorestext.moc"
