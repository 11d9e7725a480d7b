#include "settings/program.h"
#include "subtitle/frmtext.h"
#include "support/testhome.h"

#include <QApplication>
#include <QPalette>
#include <QPointer>
#include <QProcess>
#include <QtTest>

// Counts the mouse presses a window receives.
class PressCounter : public QObject
{
public:
    int presses = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        presses += event->type() == QEvent::MouseButtonPress ? 1 : 0;
        return false;
    }
};

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
        m_backdrop = new QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint);
        QPalette palette = m_backdrop->palette();
        palette.setColor(QPalette::Window, m_background);
        m_backdrop->setPalette(palette);
        m_backdrop->setAutoFillBackground(true);
        m_backdrop->setGeometry(QGuiApplication::primaryScreen()->geometry());
        m_backdrop->installEventFilter(&m_backdropPresses);
        m_backdrop->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_backdrop));
        m_program.opt.WakuSize = QStringLiteral("640x360");
    }

    void cleanupTestCase() { delete m_backdrop.data(); }

    void regionModeOnX() // shape not applied on X, or clicks outside it taken by the window
    {
        m_program.flags.DragPointView = true;
        QPointer<frmText> w =
            show(QStringLiteral("字幕 ABC"), QStringLiteral("naka jumbo red"), QPoint(120, 80));
        QVERIFY(w);
        PressCounter windowPresses;
        w->installEventFilter(&windowPresses);
        QString first;
        QTRY_VERIFY2_WITH_TIMEOUT(mismatches(w, &first) == 0, qPrintable(first), 5000);
        click(w->geometry().topLeft() + QPoint(20, 9)); // on the drag mark
        QTRY_COMPARE_WITH_TIMEOUT(windowPresses.presses, 1, 5000);
        QCOMPARE(m_backdropPresses.presses, 0);
        QCOMPARE(w->picture().pixel(300, 330), qRgb(0, 0, 0)); // in the rectangle, not the shape
        click(w->geometry().topLeft() + QPoint(300, 330));
        QTRY_COMPARE_WITH_TIMEOUT(m_backdropPresses.presses, 1, 5000);
        QCOMPARE(windowPresses.presses, 1);
        w->close();
    }

private:
    frmText *show(const QString &text, const QString &command, QPoint at);
    void click(QPoint global);
    // Pixels of the window's rectangle on screen that are not what a capture should see.
    int mismatches(const frmText *w, QString *first);

    QColor m_background{30, 160, 90};
    QPointer<QWidget> m_backdrop;
    PressCounter m_backdropPresses;
    Program m_program;
};

frmText *TestSubtitleScreen::show(const QString &text, const QString &command, QPoint at)
{
    auto *w = new frmText(m_program, nullptr);
    w->move(at);
    w->TextDraw(text, command, false, QString(), QString(), QString());
    w->show();
    return QTest::qWaitForWindowExposed(w) ? w : nullptr;
}

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

void TestSubtitleScreen::click(QPoint global)
{
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), {"mousemove", QString::number(global.x()),
                                              QString::number(global.y()), "click", "1"});
    QVERIFY(xdotool.waitForFinished(10000));
    QCOMPARE(xdotool.exitCode(), 0);
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
