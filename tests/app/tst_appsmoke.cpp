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
    void initTestCase();
    void cleanupTestCase();
    void startsShowsAndExitsCleanly();

private:
    QString run(const QString &program, const QStringList &args, int timeoutMs = 10000);

    QProcess m_xvfb;
    QProcess m_wm;
    QString m_display;
};

QString TestAppSmoke::run(const QString &program, const QStringList &args, int timeoutMs)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs))
        p.kill();
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

void TestAppSmoke::initTestCase()
{
    m_xvfb.start(QStringLiteral("Xvfb"),
                 {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                  QStringLiteral("0"), QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                  QStringLiteral("tcp")});
    QVERIFY(m_xvfb.waitForStarted(5000));
    QTRY_VERIFY_WITH_TIMEOUT(m_xvfb.canReadLine(), 10000);
    m_display = QLatin1Char(':') + QString::fromLatin1(m_xvfb.readLine()).trimmed();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    m_wm.setProcessEnvironment(env);
    m_wm.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
    QVERIFY(m_wm.waitForStarted(5000));
}

void TestAppSmoke::cleanupTestCase()
{
    m_wm.kill();
    m_wm.waitForFinished(3000);
    m_xvfb.terminate();
    if (!m_xvfb.waitForFinished(3000))
        m_xvfb.kill();
}

void TestAppSmoke::startsShowsAndExitsCleanly()
{
    TestHome home;
    QTemporaryDir config;
    QProcess app;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
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
        !(window = run(QStringLiteral("xdotool"),
                       {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                        QStringLiteral("--name"), QStringLiteral("^sazanami")}))
             .isEmpty(),
        30000);
    window = window.section(QLatin1Char('\n'), 0, 0);
    const QString settings = config.path() + QStringLiteral("/sazanami/sazanami.ini");
    QVERIFY(!QFile::exists(settings));

    // Closing the window the way a user does ends the program. A busy machine may still be
    // mapping the window when the first key arrives, so the key is repeated until it is taken.
    bool finished = false;
    for (int attempt = 0; attempt < 15 && !finished; ++attempt) {
        run(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), QStringLiteral("--sync"),
                                        window, QStringLiteral("key"), QStringLiteral("alt+F4")});
        finished = app.waitForFinished(2000);
    }
    QVERIFY(finished);
    QCOMPARE(app.exitStatus(), QProcess::NormalExit);
    QCOMPARE(app.exitCode(), 0);

    QVERIFY(QFile::exists(settings));
    QFile ini(settings);
    QVERIFY(ini.open(QIODevice::ReadOnly));
    const QByteArray text = ini.readAll();
    QVERIFY2(text.contains("MainWidth="), text.constData());
    QVERIFY(text.contains("MakuMode=1"));
    QVERIFY(text.contains(address.toUtf8()));
    QVERIFY(QFile::exists(home.file(QStringLiteral("ngword.txt"))));
}

QTEST_GUILESS_MAIN(TestAppSmoke)
#include "tst_appsmoke.moc"
