#include "support/testhome.h"

#include <QDir>
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

    void installedPackageSeedsUserFolder() // an installed program without data, or edits lost
    {
        QTemporaryDir work;
        const QString packages = work.filePath(QStringLiteral("packages"));
        QCOMPARE(run(QStringLiteral("cpack"),
                     {QStringLiteral("--config"), QStringLiteral(SAZANAMI_CPACK_CONFIG),
                      QStringLiteral("-B"), packages},
                     240000)
                     .contains(QStringLiteral(".deb generated")),
                 true);
        const QStringList debs = QDir(packages).entryList({QStringLiteral("*.deb")});
        QCOMPARE(debs.size(), 1);
        // What the program loads at run time: Qt's own translations, an emoji font and the
        // system voice if it can.
        const QString deb = packages + QLatin1Char('/') + debs.first();
        QVERIFY(
            run(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), deb, QStringLiteral("Depends")})
                .contains(QStringLiteral("qt6-translations-l10n")));
        QCOMPARE(run(QStringLiteral("dpkg-deb"),
                     {QStringLiteral("-f"), deb, QStringLiteral("Recommends")}),
                 QStringLiteral("fonts-noto-color-emoji, qt6-speech-speechd-plugin, "
                                "speech-dispatcher-espeak-ng"));
        const QString root = work.filePath(QStringLiteral("root"));
        QProcess unpack;
        unpack.start(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), deb, root});
        QVERIFY(unpack.waitForFinished(60000));
        QCOMPARE(unpack.exitCode(), 0);
        const QString share = root + QStringLiteral("/usr/share/");
        const QStringList checks[] = {
            {QStringLiteral("desktop-file-validate"), share + "applications/sazanami.desktop"},
            {QStringLiteral("appstreamcli"), QStringLiteral("validate"), QStringLiteral("--no-net"),
             share + "metainfo/io.github.sazanami.Sazanami.metainfo.xml"}};
        for (const QStringList &check : checks) {
            QProcess validate;
            validate.setProcessChannelMode(QProcess::ForwardedChannels);
            validate.start(check.first(), check.mid(1));
            QVERIFY(validate.waitForFinished(60000));
            QVERIFY2(validate.exitCode() == 0, qPrintable(check.join(QLatin1Char(' '))));
        }
        QProcessEnvironment env = m_env;
        for (const char *name : {"SAZANAMI_HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME"})
            env.remove(QLatin1String(name));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("HOME"), work.filePath(QStringLiteral("home")));
        const QString program = root + QStringLiteral("/usr/bin/sazanami");
        const QString user = work.filePath(QStringLiteral("home/.local/share/sazanami/"));
        const QString shipped = share + QStringLiteral("sazanami/");
        QVERIFY(startAndClose(program, env));
        for (const char *name : {"Header.htm", "Res.htm", "newmaku.wav", "default.dat"}) {
            QFile copy(user + QLatin1String(name)), source(shipped + QLatin1String(name));
            QVERIFY2(copy.open(QIODevice::ReadOnly) && source.open(QIODevice::ReadOnly), name);
            QCOMPARE(copy.readAll(), source.readAll());
        }
        // The NG words went to the user's folder: it is the data folder.
        QVERIFY(QFile::exists(user + QStringLiteral("ngword.txt")));
        QFile skin(user + QStringLiteral("Res.htm"));
        QVERIFY(skin.open(QIODevice::Append));
        skin.write("<!-- my skin -->");
        skin.close();
        QVERIFY(startAndClose(program, env));
        QVERIFY(skin.open(QIODevice::ReadOnly));
        QVERIFY(skin.readAll().endsWith("<!-- my skin -->"));
    }

private:
    // The standard output of a helper program.
    QString run(const QString &program, const QStringList &args, int timeoutMs = 10000)
    {
        QProcess p;
        p.setProcessEnvironment(m_env);
        p.start(program, args);
        if (!p.waitForFinished(timeoutMs))
            p.kill();
        return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
    }
    // Starts the program, waits for its window and closes it as a user does: it must end well.
    // A busy machine may take long to show the window and may still be mapping it when the
    // first key arrives, so the wait is long and the key is repeated until it is taken.
    bool startAndClose(const QString &program, const QProcessEnvironment &env,
                       const QStringList &args = {})
    {
        QProcess app;
        app.setProcessEnvironment(env);
        app.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        app.start(program, args);
        if (!app.waitForStarted(5000))
            return false;
        QString window;
        if (!QTest::qWaitFor(
                [&] {
                    window = xdotool({"search", "--onlyvisible", "--name", "^sazanami"});
                    return !window.isEmpty();
                },
                90000))
            return false;
        window = window.section(QLatin1Char('\n'), 0, 0);
        bool finished = false;
        for (int attempt = 0; attempt < 15 && !finished; ++attempt) {
            xdotool({"windowactivate", "--sync", window, "key", "alt+F4"});
            finished = app.waitForFinished(2000);
        }
        return finished && app.exitStatus() == QProcess::NormalExit && app.exitCode() == 0;
    }
    QString xdotool(const QStringList &args) { return run(QStringLiteral("xdotool"), args); }

    QProcess m_xvfb;
    QProcess m_wm;
    QProcessEnvironment m_env = QProcessEnvironment::systemEnvironment();
};

QTEST_GUILESS_MAIN(TestAppSmoke)
#include "tst_appsmoke.moc"
