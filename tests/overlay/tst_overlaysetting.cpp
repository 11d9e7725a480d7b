#include "settings/frmsetting.h"
#include "support/testhome.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPointer>
#include <QtTest>

class TestOverlaySetting : public QObject
{
    Q_OBJECT
private slots:
    void portIsChecked_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("stored"); // 0: refused
        QTest::newRow("lowest") << "1024" << 1024;
        QTest::newRow("highest") << "65535" << 65535;
        QTest::newRow("full-width digits") << "５００８１" << 50081;
        QTest::newRow("below") << "1023" << 0;
        QTest::newRow("above") << "65536" << 0;
        QTest::newRow("text") << "web" << 0;
    }
    void portIsChecked() // a port outside 1024-65535 stored, or refused without naming the field
    {
        QFETCH(QString, typed);
        QFETCH(int, stored);
        TestProgram env;
        QStringList messages;
        QPointer<frmSetting> d = new frmSetting(env.program);
        d->setMessageHook([&](const QString &, const QString &text) { messages << text; });
        QCOMPARE(d->txtOverlayPort->text(), QStringLiteral("50080"));
        d->chkOverlay->setChecked(true);
        d->chkOverlayLan->setChecked(true);
        d->txtOverlayPort->setText(typed);
        QCOMPARE(d->cmdOk_Click(), stored != 0);
        if (stored) {
            QVERIFY(messages.isEmpty());
            QCOMPARE(env.program.opt.OverlayPort, stored);
            QCOMPARE(env.store.value("Option", "OverlayPort"), QString::number(stored));
            QCOMPARE(env.program.opt.OverlayLAN, 1);
        } else {
            QCOMPARE(messages, QStringList(QStringLiteral(
                                   "配信用サーバーのポートには 1024 から 65535 までの整数を"
                                   "入力してください。")));
            QCOMPARE(env.program.opt.OverlayPort, 50080);
            QCOMPARE(env.program.opt.Overlay, 0);
            delete d;
        }
    }
};

QTEST_MAIN(TestOverlaySetting)
#include "tst_overlaysetting.moc"
