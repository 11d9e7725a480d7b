#include "support/testhome.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// Runs the real program on a private X server with a window manager, closes it the way a user
// does, and checks what it leaves behind.
class TestAppSmoke : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        const QString display = startPrivateX(m_xvfb);
        QVERIFY(!display.isEmpty());
        m_env.insert(QStringLiteral("DISPLAY"), display);
        m_wm.setProcessEnvironment(m_env);
        m_wm.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        QVERIFY(m_wm.waitForStarted(5000));
    }

    void cleanupTestCase()
    {
        for (QProcess *p : {&m_wm, &m_xvfb}) {
            p->kill();
            p->waitForFinished(3000);
        }
    }

    void startsShowsAndExitsCleanly() // the program does not start, close or save its files
    {
        TestHome home;
        QTemporaryDir config;
        QProcess app;
        QProcessEnvironment env = m_env;
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        env.insert(QStringLiteral("SAZANAMI_HOME"), home.path());
        app.setProcessEnvironment(env);
        app.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const QString address = QStringLiteral("http://127.0.0.1:1/test/read.cgi/b/1/");
        app.start(QStringLiteral(SAZANAMI_BIN_DIR "/sazanami"), {address});
        QVERIFY(app.waitForStarted(5000));
        QString window;
        QTRY_VERIFY_WITH_TIMEOUT(
            !(window = xdotool({"search", "--onlyvisible", "--name", "^sazanami"})).isEmpty(),
            30000);
        window = window.section(QLatin1Char('\n'), 0, 0);
        const QString settings = config.path() + QStringLiteral("/sazanami/sazanami.ini");
        QVERIFY(!QFile::exists(settings));
        // Closing the window the way a user does ends the program. A busy machine may still be
        // mapping the window when the first key arrives, so the key is repeated until it is taken.
        bool finished = false;
        for (int attempt = 0; attempt < 15 && !finished; ++attempt) {
            xdotool({"windowactivate", "--sync", window, "key", "alt+F4"});
            finished = app.waitForFinished(2000);
        }
        QVERIFY(finished);
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(app.exitCode(), 0);
        QFile ini(settings);
        QVERIFY(ini.open(QIODevice::ReadOnly));
        const QByteArray text = ini.readAll();
        QVERIFY2(text.contains("MainWidth=") && text.contains("MakuMode=1"), text.constData());
        QVERIFY(text.contains(address.toUtf8()));
        QVERIFY(QFile::exists(home.file(QStringLiteral("ngword.txt"))));
    }

private:
    QString xdotool(const QStringList &args);

    QProcess m_xvfb;
    QProcess m_wm;
    QProcessEnvironment m_env = QProcessEnvironment::systemEnvironment();
};

QString TestAppSmoke::xdotool(const QStringList &args)
{
    QProcess p;
    p.setProcessEnvironment(m_env);
    p.start(QStringLiteral("xdotool"), args);
    if (!p.waitForFinished(10000))
        p.kill();
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

QTEST_GUILESS_MAIN(TestAppSmoke)
#include "tst_appsmoke.moc"
