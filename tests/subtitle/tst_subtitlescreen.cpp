#include "settings/program.h"
#include "subtitle/frmtext.h"

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
        if (event->type() == QEvent::MouseButtonPress)
            ++presses;
        return false;
    }
};

// The subtitle window in region mode on a real X server: a screenshot taken with a standard X
// tool must show the window's pixels where it drew and whatever lies behind everywhere else.
// The test runs on a private X server of its own, so windows of other tests cannot cover it.
class TestSubtitleScreen : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void regionModeShowsTheBackgroundBetweenTheLetters();
    void nextDrawReshapesTheWindow();
    void clicksOutsideTheShapeReachTheBackdrop();
    void clickThroughPassesEveryClickInLayeredMode();

private:
    void click(QPoint global);
    QImage screenshot();
    // Pixels of the window's rectangle on screen that are not what the capture should see.
    int mismatches(const frmText *w, QString *first);

    QColor m_background{30, 160, 90};
    QPointer<QWidget> m_backdrop;
    PressCounter m_backdropPresses;
    Program m_program;
};

void TestSubtitleScreen::initTestCase()
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

    m_program.opt.MakuMode = 1;
    m_program.opt.TextMode = 0;
    m_program.opt.FontDecorate = 3;
    m_program.opt.WakuSize = QStringLiteral("640x360");
}

void TestSubtitleScreen::cleanupTestCase()
{
    delete m_backdrop.data();
}

QImage TestSubtitleScreen::screenshot()
{
    QProcess import;
    import.start(QStringLiteral("import"),
                 {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("png:-")});
    if (!import.waitForFinished(10000)) {
        import.kill();
        import.waitForFinished(1000);
        return QImage();
    }
    return QImage::fromData(import.readAllStandardOutput(), "PNG")
        .convertToFormat(QImage::Format_RGB32);
}

int TestSubtitleScreen::mismatches(const frmText *w, QString *first)
{
    const QImage shot = screenshot();
    if (shot.isNull()) {
        *first = QStringLiteral("no screenshot");
        return -1;
    }
    const QImage &pic = w->picture();
    const QPoint origin = w->geometry().topLeft();
    int bad = 0;
    for (int y = 0; y < pic.height(); ++y) {
        for (int x = 0; x < pic.width(); ++x) {
            const QRgb drawn = pic.pixel(x, y) & 0x00FFFFFF;
            const QRgb expected = drawn == 0 ? (m_background.rgb() & 0x00FFFFFF) : drawn;
            const QPoint at = origin + QPoint(x, y);
            if (!shot.rect().contains(at))
                continue;
            const QRgb seen = shot.pixel(at) & 0x00FFFFFF;
            if (seen != expected && bad++ == 0) {
                *first = QStringLiteral("at %1,%2 seen %3 expected %4")
                             .arg(x)
                             .arg(y)
                             .arg(seen, 6, 16, QLatin1Char('0'))
                             .arg(expected, 6, 16, QLatin1Char('0'));
            }
        }
    }
    return bad;
}

void TestSubtitleScreen::regionModeShowsTheBackgroundBetweenTheLetters()
{
    QPointer<frmText> w = new frmText(m_program, nullptr);
    w->move(120, 80);
    w->TextDraw(QStringLiteral("字幕 ABC"), QStringLiteral("naka jumbo red"), false, QString(),
                QString(), QString());
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    QCOMPARE(w->mask(), w->appliedRegion());

    QString first;
    QTRY_VERIFY2_WITH_TIMEOUT(mismatches(w, &first) == 0, qPrintable(first), 5000);

    // Spelled out: between the letters the backdrop shows, on them the subtitle colour.
    const QImage shot = screenshot();
    const SubtitleLayout &l = w->lastLayout();
    const QRect text(l.pos, l.textSize);
    const QPoint origin = w->geometry().topLeft();
    int onLetters = 0;
    int between = 0;
    for (int y = text.top(); y <= text.bottom(); ++y) {
        for (int x = text.left(); x <= text.right(); ++x) {
            const QRgb drawn = w->picture().pixel(x, y) & 0x00FFFFFF;
            const QRgb seen = shot.pixel(origin + QPoint(x, y)) & 0x00FFFFFF;
            if (drawn == 0) {
                QCOMPARE(QColor(seen), m_background);
                ++between;
            } else if (drawn == (QColor(Qt::red).rgb() & 0x00FFFFFF)) {
                QCOMPARE(QColor(seen), QColor(Qt::red));
                ++onLetters;
            }
        }
    }
    QVERIFY(onLetters > 500);
    QVERIFY(between > 500);
    // Outside the window the backdrop is untouched.
    QCOMPARE(QColor(shot.pixel(origin - QPoint(5, 5))), m_background);
    w->close();
}

void TestSubtitleScreen::nextDrawReshapesTheWindow()
{
    QPointer<frmText> w = new frmText(m_program, nullptr);
    w->move(60, 300);
    w->TextDraw(QStringLiteral("一番目の字幕"), QStringLiteral("shita big yellow"), false,
                QString(), QString(), QString());
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    QString first;
    QTRY_VERIFY2_WITH_TIMEOUT(mismatches(w, &first) == 0, qPrintable(first), 5000);

    // Where the first subtitle was, the backdrop shows again after the next draw.
    w->TextDraw(QStringLiteral("次"), QStringLiteral("ue small cyan"), false, QString(), QString(),
                QString());
    QTRY_VERIFY2_WITH_TIMEOUT(mismatches(w, &first) == 0, qPrintable(first), 5000);
    w->close();
}

void TestSubtitleScreen::click(QPoint global)
{
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"),
                  {QStringLiteral("mousemove"), QString::number(global.x()),
                   QString::number(global.y()), QStringLiteral("click"), QStringLiteral("1")});
    QVERIFY(xdotool.waitForFinished(10000));
    QCOMPARE(xdotool.exitCode(), 0);
}

void TestSubtitleScreen::clicksOutsideTheShapeReachTheBackdrop()
{
    m_program.flags.DragPointView = true;
    QPointer<frmText> w = new frmText(m_program, nullptr);
    PressCounter windowPresses;
    w->installEventFilter(&windowPresses);
    w->move(200, 150);
    w->TextDraw(QStringLiteral("字幕"), QStringLiteral("naka big"), false, QString(), QString(),
                QString());
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    QString first;
    QTRY_VERIFY2_WITH_TIMEOUT(mismatches(w, &first) == 0, qPrintable(first), 5000);

    // The drag mark belongs to the window: that is where it is grabbed.
    const int before = m_backdropPresses.presses;
    click(w->geometry().topLeft() + QPoint(20, 9));
    QTRY_COMPARE_WITH_TIMEOUT(windowPresses.presses, 1, 5000);
    QCOMPARE(m_backdropPresses.presses, before);
    // A black pixel inside the window's rectangle is not part of the window.
    QVERIFY(w->picture().pixel(300, 300) == qRgb(0, 0, 0));
    click(w->geometry().topLeft() + QPoint(300, 300));
    QTRY_COMPARE_WITH_TIMEOUT(m_backdropPresses.presses, before + 1, 5000);
    QCOMPARE(windowPresses.presses, 1);
    m_program.flags.DragPointView = false;
    w->close();
}

void TestSubtitleScreen::clickThroughPassesEveryClickInLayeredMode()
{
    m_program.opt.TextMode = 1;
    m_program.flags.DragPointView = true;
    for (const bool through : {false, true}) {
        QPointer<frmText> w = new frmText(m_program, nullptr);
        w->setClickThroughSource([through] { return through; });
        PressCounter windowPresses;
        w->installEventFilter(&windowPresses);
        // Apart from the last click, so the press is not taken for half of a double click.
        w->move(through ? 230 : 150, 100);
        w->TextDraw(QStringLiteral("字幕"), QStringLiteral("naka big"), false, QString(), QString(),
                    QString());
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        const int before = m_backdropPresses.presses;
        click(w->geometry().topLeft() + QPoint(20, 9)); // on the drag mark
        if (through) {
            QTRY_COMPARE_WITH_TIMEOUT(m_backdropPresses.presses, before + 1, 5000);
            QCOMPARE(windowPresses.presses, 0);
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(windowPresses.presses, 1, 5000);
            QCOMPARE(m_backdropPresses.presses, before);
        }
        delete w.data();
    }
    m_program.opt.TextMode = 0;
    m_program.flags.DragPointView = false;
}

namespace {

// Starts a private X server and runs this test again on it; returns the test's exit code.
int runOnPrivateServer(int argc, char **argv)
{
    QCoreApplication core(argc, argv);
    QProcess xvfb;
    xvfb.start(QStringLiteral("Xvfb"),
               {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                QStringLiteral("0"), QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                QStringLiteral("tcp")});
    QString display;
    if (xvfb.waitForStarted(5000)) {
        QElapsedTimer waited;
        waited.start();
        while (!xvfb.canReadLine() && waited.elapsed() < 10000)
            xvfb.waitForReadyRead(500);
        if (xvfb.canReadLine())
            display = QLatin1Char(':') + QString::fromLatin1(xvfb.readLine()).trimmed();
    }

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SAZANAMI_SCREEN_CHILD"), QStringLiteral("1"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    if (!display.isEmpty())
        env.insert(QStringLiteral("DISPLAY"), display); // else the display we were given
    QProcess test;
    test.setProcessEnvironment(env);
    test.setProcessChannelMode(QProcess::ForwardedChannels);
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    test.start(QCoreApplication::applicationFilePath(), args);
    int code = 1;
    if (test.waitForStarted(5000) && test.waitForFinished(100000))
        code = test.exitStatus() == QProcess::NormalExit ? test.exitCode() : 1;
    else
        test.kill();
    test.waitForFinished(3000);

    if (xvfb.state() != QProcess::NotRunning) {
        xvfb.terminate();
        if (!xvfb.waitForFinished(3000))
            xvfb.kill();
        xvfb.waitForFinished(3000);
    }
    return code;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("SAZANAMI_SCREEN_CHILD"))
        return runOnPrivateServer(argc, argv);
    QApplication app(argc, argv);
    TestSubtitleScreen test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_subtitlescreen.moc"
