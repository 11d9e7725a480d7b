#include "settings/program.h"
#include "subtitle/frmtext.h"
#include "support/testhome.h"
#include "support/widgets.h"

#include <QApplication>
#include <QPalette>
#include <QProcess>
#include <QtTest>

// The subtitle window in region mode on a real X server: a screenshot taken with a standard X
// tool shows the window's pixels where it drew and whatever lies behind everywhere else. The test
// runs on a private X server of its own, so windows of other tests cannot cover it.
class TestSubtitleScreen : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        QPalette palette = m_backdrop.palette();
        palette.setColor(QPalette::Window, m_background);
        m_backdrop.setPalette(palette);
        m_backdrop.setAutoFillBackground(true);
        m_backdrop.setGeometry(QGuiApplication::primaryScreen()->geometry());
        m_backdrop.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m_backdrop));
        m_program.opt.WakuSize = QStringLiteral("640x360");
    }

    void regionModeOnX() // shape not applied on X: black shown around the letters, or no text
    {
        m_program.flags.DragPointView = true;
        auto *w = new frmText(m_program, nullptr);
        w->move(120, 80);
        // A first picture shown, then a draw that changes part of it.
        w->TextDraw(
            MakuEntry::freeText(QStringLiteral("一\r\n二行目"), QStringLiteral("shita jumbo")));
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        w->TextDraw(
            MakuEntry::freeText(QStringLiteral("字幕 ABC"), QStringLiteral("naka jumbo red")));
        QVERIFY(pixelsOf(w->picture(), Qt::red).count > 100); // the letters are there
        QString first;
        QTRY_VERIFY2_WITH_TIMEOUT(mismatches(w, &first) == 0, qPrintable(first), 5000);
        delete w;
    }

private:
    // Pixels of the window's rectangle on screen that are not what a capture should see.
    int mismatches(const frmText *w, QString *first);

    QColor m_background{30, 160, 90};
    QWidget m_backdrop{nullptr, Qt::Window | Qt::FramelessWindowHint};
    Program m_program;
};

int TestSubtitleScreen::mismatches(const frmText *w, QString *first)
{
    QProcess import;
    import.start(QStringLiteral("import"), {"-window", "root", "png:-"});
    if (!import.waitForFinished(10000)) {
        import.kill();
        *first = QStringLiteral("no screenshot");
        return -1;
    }
    const QImage shot = QImage::fromData(import.readAllStandardOutput(), "PNG");
    const QImage &pic = w->picture();
    int bad = 0;
    for (int y = 0; y < pic.height(); ++y)
        for (int x = 0; x < pic.width(); ++x) {
            const QRgb drawn = pic.pixel(x, y) & 0x00FFFFFF;
            const QRgb expected = drawn == 0 ? (m_background.rgb() & 0x00FFFFFF) : drawn;
            const QPoint at = w->geometry().topLeft() + QPoint(x, y);
            const QRgb seen = shot.pixel(at) & 0x00FFFFFF;
            if (shot.rect().contains(at) && seen != expected && bad++ == 0)
                *first = QStringLiteral("at %1,%2 seen %3").arg(x).arg(y).arg(seen, 6, 16);
        }
    return bad;
}

// Runs this test again on a private X server; returns the test's exit code.
int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsSet("SAZANAMI_SCREEN_CHILD")) {
        QApplication app(argc, argv);
        TestSubtitleScreen test;
        return QTest::qExec(&test, argc, argv);
    }
    QCoreApplication core(argc, argv);
    QProcess xvfb;
    const QString display = startPrivateX(xvfb);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SAZANAMI_SCREEN_CHILD"), QStringLiteral("1"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    if (!display.isEmpty())
        env.insert(QStringLiteral("DISPLAY"), display); // else the display we were given
    QProcess test;
    test.setProcessEnvironment(env);
    test.setProcessChannelMode(QProcess::ForwardedChannels);
    test.start(QCoreApplication::applicationFilePath(), core.arguments().mid(1));
    const bool ran = test.waitForStarted(5000) && test.waitForFinished(100000);
    if (!ran)
        test.kill();
    test.waitForFinished(3000);
    xvfb.kill();
    xvfb.waitForFinished(3000);
    return ran && test.exitStatus() == QProcess::NormalExit ? test.exitCode() : 1;
}

#include "tst_subtitlescreen.moc"
