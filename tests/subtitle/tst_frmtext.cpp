#include "platform/settingsstore.h"
#include "platform/windowshape.h"
#include "settings/program.h"
#include "subtitle/backpicture.h"
#include "subtitle/frmtext.h"
#include "subtitle/subtitlewindowcontrol.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QMessageBox>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

namespace {

const QColor kNormalFrame(96, 96, 192);
const QColor kCommandFrame(192, 96, 96);
const QColor kIdleFrame(96, 192, 96);

bool isBlack(QRgb c)
{
    return (c & 0x00FFFFFF) == 0;
}

bool same(QRgb c, const QColor &colour)
{
    return (c & 0x00FFFFFF) == (colour.rgb() & 0x00FFFFFF);
}

// Bounding box of the pixels that pass `keep`, inside `within` (the whole picture if null).
template<typename Keep> QRect boxWhere(const QImage &image, Keep keep, QRect within = QRect())
{
    if (within.isNull())
        within = image.rect();
    QRect box;
    for (int y = within.top(); y <= within.bottom(); ++y)
        for (int x = within.left(); x <= within.right(); ++x)
            if (keep(image.pixel(x, y)))
                box |= QRect(x, y, 1, 1);
    return box;
}

QRect boxOf(const QImage &image, const QColor &colour, QRect within = QRect())
{
    return boxWhere(
        image, [&colour](QRgb c) { return same(c, colour); }, within);
}

QRect nonBlackBox(const QImage &image, QRect within)
{
    return boxWhere(
        image, [](QRgb c) { return !isBlack(c); }, within);
}

int countOf(const QImage &image, const QColor &colour, QRect within = QRect())
{
    if (within.isNull())
        within = image.rect();
    int n = 0;
    for (int y = within.top(); y <= within.bottom(); ++y)
        for (int x = within.left(); x <= within.right(); ++x)
            n += same(image.pixel(x, y), colour) ? 1 : 0;
    return n;
}

// Answers the next message box and records its text; gives up after a time limit.
class MessageBoxCatcher : public QObject
{
public:
    MessageBoxCatcher()
    {
        m_timer.setInterval(10);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                text = box->text();
                ++count;
                box->accept();
            } else if (m_elapsed.elapsed() > 10000) {
                m_timer.stop();
            }
        });
        m_elapsed.start();
        m_timer.start();
    }
    QString text;
    int count = 0;

private:
    QTimer m_timer;
    QElapsedTimer m_elapsed;
};

} // namespace

class TestFrmText : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void windowIsFramelessTopmostAndNamed();
    void windowTakesTheFrameSize();
    void textColourWhereTheTextIs();
    void decorationAroundTheText_data();
    void decorationAroundTheText();
    void multiLineCopiesKeepEachLineAtX();
    void regionCoversExactlyTheNonBlackPixels_data();
    void regionCoversExactlyTheNonBlackPixels();
    void regionModeWithoutDragMarkKeepsOnePixel();
    void layeredModeMakesBlackTransparent();
    void clickThroughOnlyInLayeredMode();
    void idleTextHasAGreenFrame();
    void dragMarkIs43By10InTheModesColour_data();
    void dragMarkIs43By10InTheModesColour();
    void backPictureIsStretchedBehind();

    void placementIsRestoredAndSavedInTwips();
    void unreadablePlacementIsIgnored();
    void makuShownFollowsLoadAndUnload();
    void clipboardGetsTheTextAsReceived();
    void gameHearsEveryDrawWithTheTextAsReceived();

    void spaceTogglesTheDragMarkAndClears();
    void spaceRedrawsTheIdleText();
    void homeBringsTheWindowToTheCursor();
    void arrowsMoveByOnePixel();
    void mouseDragMovesTheWindow();

    void loadBackPicture_data();
    void loadBackPicture();

    void makuViewOpensAndCloses();
    void makuViewShowsAWindowLoadedByADraw();
    void clickThroughInRegionModeShowsTheMessage();
    void clickThroughInLayeredModeReopens();
    void dragPointViewChangeActsOnlyOnAnOpenWindow();
    void dragPointViewChangeRedrawsTheIdleText();

private:
    frmText *makeWindow();
    void draw(frmText *w, const QString &text, const QString &command, bool noRes = false);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<SettingsStore> m_store;
    std::unique_ptr<Program> m_program;
    QImage m_picBack;
    QList<QPointer<frmText>> m_windows;
};

void TestFrmText::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_store = std::make_unique<SettingsStore>(m_dir->filePath(QStringLiteral("s.ini")));
    m_program = std::make_unique<Program>();
    m_program->AppPath = m_dir->path() + QLatin1Char('/');
    m_program->store = m_store.get();
    m_picBack = QImage();
}

void TestFrmText::cleanup()
{
    for (const QPointer<frmText> &w : std::as_const(m_windows))
        delete w.data();
    m_windows.clear();
    m_program.reset();
    m_store.reset();
    m_dir.reset();
}

frmText *TestFrmText::makeWindow()
{
    auto *w = new frmText(*m_program, &m_picBack);
    m_windows.append(w);
    return w;
}

void TestFrmText::draw(frmText *w, const QString &text, const QString &command, bool noRes)
{
    w->TextDraw(text, command, noRes, QString(), QString(), QString());
}

void TestFrmText::windowIsFramelessTopmostAndNamed()
{
    frmText *w = makeWindow();
    QCOMPARE(w->windowTitle(), QStringLiteral("sazanami 字幕"));
    QVERIFY(w->isWindow());
    QVERIFY(w->windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(!w->isVisible()); // loading does not show it
}

void TestFrmText::windowTakesTheFrameSize()
{
    frmText *w = makeWindow();
    m_program->opt.WakuSize = QStringLiteral("320x240");
    draw(w, QStringLiteral("あ"), QString());
    QCOMPARE(w->size(), QSize(320, 240));
    QCOMPARE(w->picture().size(), QSize(320, 240));
    // An unusable size keeps the last good one.
    m_program->opt.WakuSize = QStringLiteral("800*600");
    draw(w, QStringLiteral("あ"), QString());
    QCOMPARE(w->size(), QSize(320, 240));
}

void TestFrmText::textColourWhereTheTextIs()
{
    m_program->opt.FontDecorate = 0;
    m_program->opt.WakuView = 1;
    frmText *w = makeWindow();
    draw(w, QStringLiteral("字幕の文字"), QStringLiteral("shita red big"));
    const SubtitleLayout &l = w->lastLayout();
    const QImage &pic = w->picture();
    const QRect textRect(l.pos, l.textSize);
    QVERIFY(countOf(pic, Qt::red, textRect) > 500);
    // Every drawn pixel apart from the one-pixel square is the text colour, inside its extent.
    const QRect box = nonBlackBox(pic, pic.rect().adjusted(2, 2, 0, 0));
    QVERIFY(textRect.contains(box));
    QCOMPARE(boxOf(pic, Qt::red), box);
    for (int y = 2; y < pic.height(); ++y)
        for (int x = 2; x < pic.width(); ++x)
            if (!isBlack(pic.pixel(x, y)))
                QVERIFY2(same(pic.pixel(x, y), Qt::red),
                         qPrintable(QString("%1,%2").arg(x).arg(y)));
    // Its bottom sits 2 pixels above the frame's edge, centred.
    QVERIFY(box.bottom() <= 480 - 3);
    QVERIFY(qAbs((box.left() + box.right()) / 2.0 - 320) <= 4);
}

void TestFrmText::decorationAroundTheText_data()
{
    QTest::addColumn<int>("decorate");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QColor>("text");
    QTest::addColumn<QColor>("outline");
    QTest::addColumn<QMargins>("least"); // how far the decoration reaches past the text
    QTest::addColumn<QMargins>("most");
    const QColor white(Qt::white);
    QTest::newRow("copies, 12 points") << 3 << "naka small red" << QColor(Qt::red) << white
                                       << QMargins(1, 1, 1, 1) << QMargins(1, 1, 1, 1);
    QTest::newRow("copies, 30 points") << 3 << "naka big red" << QColor(Qt::red) << white
                                       << QMargins(2, 2, 2, 2) << QMargins(2, 2, 2, 2);
    QTest::newRow("copies, 50 points") << 3 << "naka jumbo red" << QColor(Qt::red) << white
                                       << QMargins(3, 3, 3, 3) << QMargins(3, 3, 3, 3);
    // The pen is centred on the outline: about half its width shows outside.
    QTest::newRow("path, 50 points") << 2 << "naka jumbo blue" << QColor(Qt::blue) << white
                                     << QMargins(3, 3, 3, 3) << QMargins(5, 5, 5, 5);
    QTest::newRow("shadow, 30 points")
        << 1 << "naka big yellow" << QColor(Qt::yellow) << QColor(0, 64, 0) << QMargins(0, 0, 1, 1)
        << QMargins(0, 0, 1, 1);
}

void TestFrmText::decorationAroundTheText()
{
    QFETCH(int, decorate);
    QFETCH(QString, command);
    QFETCH(QColor, text);
    QFETCH(QColor, outline);
    QFETCH(QMargins, least);
    QFETCH(QMargins, most);
    m_program->opt.WakuView = 1;
    frmText *w = makeWindow();
    const QRect inside = QRect(0, 0, 640, 480).adjusted(4, 4, -1, -1);
    m_program->opt.FontDecorate = 0;
    draw(w, QStringLiteral("縁取り"), command);
    const QRect plain = boxOf(w->picture(), text);
    QVERIFY(!plain.isEmpty());

    m_program->opt.FontDecorate = qint16(decorate);
    draw(w, QStringLiteral("縁取り"), command);
    const QImage &pic = w->picture();
    QVERIFY(countOf(pic, outline) > 20);
    // The text is drawn over its decoration, not under it.
    QVERIFY(countOf(pic, text) > countOf(pic, outline) / 4);
    const QRect outer = nonBlackBox(pic, inside);
    QVERIFY(outer.contains(plain.marginsAdded(least)));
    QVERIFY(plain.marginsAdded(most).contains(outer));
}

void TestFrmText::multiLineCopiesKeepEachLineAtX()
{
    m_program->opt.WakuView = 1;
    m_program->opt.FontDecorate = 3;
    frmText *w = makeWindow();
    draw(w, QStringLiteral("一行目\r\n二行目"), QStringLiteral("big red"));
    const SubtitleLayout &l = w->lastLayout();
    QCOMPARE(l.pos, QPoint(0, 5));
    // The copies at X − 2 of the second line are cut at the window's left edge, so the outline
    // of both lines starts at column 0; the text itself starts to the right of it.
    const QImage &pic = w->picture();
    const QRect second(0, 5 + l.lineHeight, 640, l.lineHeight);
    const QRect first(0, 5, 640, l.lineHeight);
    QVERIFY(boxOf(pic, Qt::white, second).left() < boxOf(pic, Qt::red, second).left());
    QCOMPARE(boxOf(pic, Qt::red, first).left(), boxOf(pic, Qt::red, second).left());
}

void TestFrmText::regionCoversExactlyTheNonBlackPixels_data()
{
    QTest::addColumn<int>("decorate");
    QTest::addColumn<bool>("dragPointView");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("command");
    QTest::newRow("copies, mark") << 3 << true << QStringLiteral("字幕テスト") << "shita red big";
    QTest::newRow("path") << 2 << false << QStringLiteral("字幕テスト") << "naka jumbo";
    QTest::newRow("shadow, lines") << 1 << true << QStringLiteral("一\r\n二行目") << "";
    QTest::newRow("none") << 0 << false << QStringLiteral("ABC abc 123") << "gigantic";
    QTest::newRow("empty") << 3 << false << QString() << "";
}

void TestFrmText::regionCoversExactlyTheNonBlackPixels()
{
    QFETCH(int, decorate);
    QFETCH(bool, dragPointView);
    QFETCH(QString, text);
    QFETCH(QString, command);
    m_program->opt.TextMode = 0;
    m_program->opt.FontDecorate = qint16(decorate);
    m_program->flags.DragPointView = dragPointView;
    frmText *w = makeWindow();
    draw(w, text, command);
    const QImage &pic = w->picture();
    const QRegion region = w->appliedRegion();
    QVERIFY(!region.isEmpty());
    QCOMPARE(w->mask(), region);
    // Exactly the non-black pixels, as if built pixel by pixel.
    QRegion slow;
    for (int y = 0; y < pic.height(); ++y)
        for (int x = 0; x < pic.width(); ++x)
            if (!isBlack(pic.pixel(x, y)))
                slow += QRect(x, y, 1, 1);
    QVERIFY(region.xored(slow).isEmpty());
}

void TestFrmText::regionModeWithoutDragMarkKeepsOnePixel()
{
    m_program->opt.TextMode = 0;
    m_program->opt.WakuView = 1;
    m_program->opt.MakuMode = 0;
    frmText *w = makeWindow();
    draw(w, QString(), QString());
    QCOMPARE(w->appliedRegion(), QRegion(0, 0, 1, 1));
    // With the frame hidden only the square is drawn in the frame's colour.
    QCOMPARE(boxOf(w->picture(), kNormalFrame), QRect(0, 0, 1, 1));
    // In layered mode there is no such pixel.
    m_program->opt.TextMode = 1;
    draw(w, QString(), QString());
    QVERIFY(isBlack(w->picture().pixel(0, 0)));
    QVERIFY(w->mask().isEmpty());
}

void TestFrmText::layeredModeMakesBlackTransparent()
{
    m_program->opt.TextMode = 1;
    m_program->flags.DragPointView = true;
    frmText *w = makeWindow();
    draw(w, QStringLiteral("レイヤード"), QStringLiteral("shita red big"));
    const QImage &pic = w->picture();
    const QImage &shown = w->shownImage();
    QCOMPARE(shown.size(), pic.size());
    QVERIFY(shown.hasAlphaChannel());
    int transparent = 0;
    for (int y = 0; y < pic.height(); ++y) {
        for (int x = 0; x < pic.width(); ++x) {
            const QRgb p = pic.pixel(x, y);
            const QRgb s = shown.pixel(x, y);
            if (isBlack(p)) {
                QCOMPARE(qAlpha(s), 0);
                ++transparent;
            } else {
                QCOMPARE(qAlpha(s), 255);
                QCOMPARE(s & 0x00FFFFFF, p & 0x00FFFFFF);
            }
        }
    }
    QVERIFY(transparent > pic.width() * pic.height() / 2);
    QVERIFY(w->mask().isEmpty());
    QVERIFY(w->appliedRegion().isEmpty());
    QVERIFY(w->testAttribute(Qt::WA_TranslucentBackground));
}

void TestFrmText::clickThroughOnlyInLayeredMode()
{
    bool checked = true;
    frmText *w = makeWindow();
    w->setClickThroughSource([&checked] { return checked; });
    m_program->opt.TextMode = 0;
    draw(w, QStringLiteral("あ"), QString());
    QVERIFY(!IsClickThrough(w));
    m_program->opt.TextMode = 1;
    checked = false;
    draw(w, QStringLiteral("あ"), QString());
    QVERIFY(!IsClickThrough(w));
    checked = true;
    draw(w, QStringLiteral("あ"), QString());
    QVERIFY(IsClickThrough(w));
    // Only ever added by drawing.
    checked = false;
    draw(w, QStringLiteral("あ"), QString());
    QVERIFY(IsClickThrough(w));
}

void TestFrmText::idleTextHasAGreenFrame()
{
    m_program->opt.MakuMode = 1;
    frmText *w = makeWindow();
    draw(w, QStringLiteral("待機中"), QString(), true);
    const QImage &pic = w->picture();
    QCOMPARE(boxOf(pic, kIdleFrame), QRect(0, 0, 640, 480));
    QCOMPARE(countOf(pic, kCommandFrame), 0);
    QCOMPARE(countOf(pic, kIdleFrame), 2 * 640 + 2 * 478);
    QVERIFY(isBlack(pic.pixel(1, 1)));
    QVERIFY(isBlack(pic.pixel(320, 240)));
    // A post gets the same frame in the mode's colour.
    draw(w, QStringLiteral("レス"), QString());
    QCOMPARE(countOf(w->picture(), kCommandFrame), 2 * 640 + 2 * 478);
}

void TestFrmText::dragMarkIs43By10InTheModesColour_data()
{
    QTest::addColumn<int>("makuMode");
    QTest::addColumn<bool>("noRes");
    QTest::addColumn<int>("textMode");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("normal") << 0 << false << 0 << kNormalFrame;
    QTest::newRow("command") << 1 << false << 0 << kCommandFrame;
    QTest::newRow("idle, normal mode") << 0 << true << 0 << kIdleFrame;
    QTest::newRow("command, layered") << 1 << false << 1 << kCommandFrame;
}

void TestFrmText::dragMarkIs43By10InTheModesColour()
{
    QFETCH(int, makuMode);
    QFETCH(bool, noRes);
    QFETCH(int, textMode);
    QFETCH(QColor, colour);
    m_program->opt.MakuMode = qint16(makuMode);
    m_program->opt.TextMode = qint16(textMode);
    m_program->opt.WakuView = 1;
    m_program->flags.DragPointView = true;
    frmText *w = makeWindow();
    draw(w, QString(), QString(), noRes);
    const QImage &pic = w->picture();
    QCOMPARE(boxOf(pic, colour), QRect(0, 0, 43, 10));
    // The name tag is printed over the mark; the rest of the box is the mark's colour.
    QVERIFY(countOf(pic, colour) > 43 * 10 / 2);
    QVERIFY(countOf(pic, Qt::white) > 20);
    QVERIFY(countOf(pic, Qt::white, QRect(1, 0, 60, 16)) == countOf(pic, Qt::white));
    for (int y = 0; y < 10; ++y) {
        QVERIFY(same(pic.pixel(0, y), colour));
        QVERIFY(!same(pic.pixel(43, y), colour));
    }
    for (int x = 0; x < 43; ++x)
        QVERIFY(!same(pic.pixel(x, 10), colour));
}

void TestFrmText::backPictureIsStretchedBehind()
{
    m_picBack = QImage(8, 6, QImage::Format_RGB32);
    m_picBack.fill(QColor(10, 200, 30));
    m_program->opt.BackPictureFile = QStringLiteral("back.bmp");
    m_program->opt.WakuView = 1;
    frmText *w = makeWindow();
    draw(w, QString(), QString());
    const QImage &pic = w->picture();
    QVERIFY(same(pic.pixel(320, 240), QColor(10, 200, 30)));
    QVERIFY(same(pic.pixel(639, 479), QColor(10, 200, 30)));
    QVERIFY(same(pic.pixel(5, 470), QColor(10, 200, 30)));
    QCOMPARE(w->appliedRegion(), QRegion(0, 0, 640, 480));
    // Without a file name the holder is not painted.
    m_program->opt.BackPictureFile.clear();
    draw(w, QString(), QString());
    QVERIFY(isBlack(w->picture().pixel(320, 240)));
}

void TestFrmText::placementIsRestoredAndSavedInTwips()
{
    m_store->setValue(kPosSection, QStringLiteral("TextTop"), QStringLiteral("1500"));
    m_store->setValue(kPosSection, QStringLiteral("TextLeft"), QStringLiteral("3000"));
    m_store->setValue(kPosSection, QStringLiteral("TextWidth"), QStringLiteral("4800"));
    m_store->setValue(kPosSection, QStringLiteral("TextHeight"), QStringLiteral("2700"));
    frmText *w = makeWindow();
    QCOMPARE(w->pos(), QPoint(200, 100));
    QCOMPARE(w->size(), QSize(320, 180));
    w->move(31, 47);
    w->resize(400, 300);
    w->close();
    QCOMPARE(m_store->value(kPosSection, QStringLiteral("TextTop")), QStringLiteral("705"));
    QCOMPARE(m_store->value(kPosSection, QStringLiteral("TextLeft")), QStringLiteral("465"));
    QCOMPARE(m_store->value(kPosSection, QStringLiteral("TextWidth")), QStringLiteral("6000"));
    QCOMPARE(m_store->value(kPosSection, QStringLiteral("TextHeight")), QStringLiteral("4500"));
}

void TestFrmText::unreadablePlacementIsIgnored()
{
    frmText *reference = makeWindow();
    const QPoint designPos = reference->pos();
    m_store->setValue(kPosSection, QStringLiteral("TextTop"), QStringLiteral("abc"));
    m_store->setValue(kPosSection, QStringLiteral("TextLeft"), QStringLiteral("1515.6"));
    frmText *w = makeWindow();
    QCOMPARE(w->pos(), QPoint(101, designPos.y()));
    QCOMPARE(w->size(), QSize(640, 480));
}

void TestFrmText::makuShownFollowsLoadAndUnload()
{
    QVERIFY(!m_program->flags.MakuShown);
    QPointer<frmText> w = makeWindow();
    QVERIFY(m_program->flags.MakuShown);
    w->close();
    QVERIFY(!m_program->flags.MakuShown);
    QVERIFY(w->isUnloaded());
    QTRY_VERIFY_WITH_TIMEOUT(w.isNull(), 5000); // deletes itself once closed
}

void TestFrmText::clipboardGetsTheTextAsReceived()
{
    m_program->opt.Text2Clipboard = 1;
    m_program->opt.TextIDView = 1;
    frmText *w = makeWindow();
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    w->TextDraw(QStringLiteral("コピーされる"), QString(), false, QStringLiteral("ID:a"),
                QStringLiteral("名無し"), QStringLiteral("1"));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("コピーされる"));
    draw(w, QStringLiteral("　"), QString());
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("コピーされる"));
}

void TestFrmText::gameHearsEveryDrawWithTheTextAsReceived()
{
    m_program->opt.TextLimit = 3;
    frmText *w = makeWindow();
    QSignalSpy spy(w, &frmText::drawnForGame);
    w->TextDraw(QStringLiteral("こたえです"), QString(), false, QStringLiteral("ID:x"), QString(),
                QString());
    QCOMPARE(spy.count(), 0);
    m_program->flags.GameOpen = true;
    w->TextDraw(QStringLiteral("こたえです"), QString(), false, QStringLiteral("ID:x"), QString(),
                QString());
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("こたえです"));
    QCOMPARE(spy.at(0).at(1).toString(), QStringLiteral("ID:x"));
    QCOMPARE(w->lastLayout().text, QStringLiteral("こたえ[文字数制限]"));
    draw(w, QString(), QString());
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(1).at(1).toString(), QString());
}

void TestFrmText::spaceTogglesTheDragMarkAndClears()
{
    frmText *w = makeWindow();
    draw(w, QStringLiteral("消される"), QString());
    QVERIFY(!m_program->flags.DragPointView);
    QTest::keyClick(w, Qt::Key_Space);
    QVERIFY(m_program->flags.DragPointView);
    QCOMPARE(w->lastLayout().text, QStringLiteral("　"));
    QCOMPARE(w->lastLayout().dragMark, QRect(0, 0, 43, 10));
    QTest::keyClick(w, Qt::Key_Space);
    QVERIFY(!m_program->flags.DragPointView);
    QCOMPARE(w->lastLayout().dragMark, QRect(0, 0, 1, 1));
    QCOMPARE(w->lastLayout().frameColour, kCommandFrame);
}

void TestFrmText::spaceRedrawsTheIdleText()
{
    frmText *w = makeWindow();
    w->setIdleTextSource([] {
        return IdleText{QStringLiteral("待機中です"), QStringLiteral("naka red")};
    });
    m_program->flags.NoResOpen = true;
    QTest::keyClick(w, Qt::Key_Space);
    QCOMPARE(w->lastLayout().text, QStringLiteral("待機中です"));
    QCOMPARE(w->lastLayout().frameColour, kIdleFrame);
    QCOMPARE(w->lastLayout().textColour, QColor(Qt::red));
    // Without the dialog the window is cleared.
    m_program->flags.NoResOpen = false;
    QTest::keyClick(w, Qt::Key_Space);
    QCOMPARE(w->lastLayout().text, QStringLiteral("　"));
}

void TestFrmText::homeBringsTheWindowToTheCursor()
{
    frmText *w = makeWindow();
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    QCursor::setPos(300, 200);
    QTRY_COMPARE_WITH_TIMEOUT(QCursor::pos(), QPoint(300, 200), 2000);
    QTest::keyClick(w, Qt::Key_Home);
    QVERIFY(m_program->flags.DragPointView);
    QCOMPARE(w->lastLayout().text, QStringLiteral("　"));
    QCOMPARE(w->pos(), QPoint(290, 195));
}

void TestFrmText::arrowsMoveByOnePixel()
{
    frmText *w = makeWindow();
    w->move(100, 100);
    QTest::keyClick(w, Qt::Key_Left);
    QCOMPARE(w->pos(), QPoint(99, 100));
    QTest::keyClick(w, Qt::Key_Right);
    QTest::keyClick(w, Qt::Key_Right);
    QCOMPARE(w->pos(), QPoint(101, 100));
    QTest::keyClick(w, Qt::Key_Up);
    QCOMPARE(w->pos(), QPoint(101, 99));
    QTest::keyClick(w, Qt::Key_Down);
    QTest::keyClick(w, Qt::Key_Down);
    QCOMPARE(w->pos(), QPoint(101, 101));
}

void TestFrmText::mouseDragMovesTheWindow()
{
    frmText *w = makeWindow();
    w->move(100, 100);
    const auto send = [w](QEvent::Type type, QPoint local, QPoint global, Qt::MouseButton button,
                          Qt::MouseButtons buttons) {
        QMouseEvent e(type, QPointF(local), QPointF(global), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    };
    send(QEvent::MouseButtonPress, QPoint(10, 4), QPoint(110, 104), Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, QPoint(60, 34), QPoint(160, 134), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(w->pos(), QPoint(150, 130));
    send(QEvent::MouseMove, QPoint(0, 0), QPoint(40, 500), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(w->pos(), QPoint(30, 496));
    send(QEvent::MouseButtonRelease, QPoint(0, 0), QPoint(40, 500), Qt::LeftButton, Qt::NoButton);
    send(QEvent::MouseMove, QPoint(5, 5), QPoint(300, 300), Qt::NoButton, Qt::NoButton);
    QCOMPARE(w->pos(), QPoint(30, 496));
    // Other buttons do not drag.
    send(QEvent::MouseButtonPress, QPoint(1, 1), QPoint(31, 497), Qt::RightButton, Qt::RightButton);
    send(QEvent::MouseMove, QPoint(9, 9), QPoint(400, 400), Qt::NoButton, Qt::RightButton);
    QCOMPARE(w->pos(), QPoint(30, 496));
}

void TestFrmText::loadBackPicture_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QString>("message");
    QTest::newRow("found") << QStringLiteral("haikei.bmp") << true << QString();
    QTest::newRow("missing") << QStringLiteral("nothere.bmp") << false
                             << QStringLiteral("設定されていた画像が見つからないので、"
                                               "画像無し設定にします");
    QTest::newRow("none chosen") << QString() << false << QString();
}

void TestFrmText::loadBackPicture()
{
    QFETCH(QString, file);
    QFETCH(bool, exists);
    QFETCH(QString, message);
    QImage picture(4, 3, QImage::Format_RGB32);
    picture.fill(QColor(1, 2, 3));
    if (exists)
        QVERIFY(picture.save(m_program->dataFile(file)));
    m_program->opt.BackPictureFile = file;
    QImage holder(2, 2, QImage::Format_RGB32);
    MessageBoxCatcher catcher;
    QCOMPARE(LoadBackPicture(nullptr, *m_program, holder), exists);
    QCOMPARE(holder.isNull(), !exists);
    if (exists)
        QVERIFY(holder.size() == QSize(4, 3) && same(holder.pixel(2, 2), QColor(1, 2, 3)));
    QCOMPARE(catcher.count, message.isEmpty() ? 0 : 1);
    QCOMPARE(catcher.text, message);
    // A missing picture is forgotten: the setting becomes "no picture".
    QCOMPARE(m_program->opt.BackPictureFile, exists ? file : QString());
}

void TestFrmText::makuViewOpensAndCloses()
{
    SubtitleWindowControl control(*m_program, m_picBack, nullptr);
    QVERIFY(!control.isLoaded());
    QVERIFY(control.mnuMakuView_Click());
    QPointer<frmText> w = control.window();
    QVERIFY(w);
    QVERIFY(w->isVisible());
    QVERIFY(m_program->flags.MakuShown);
    QVERIFY(m_program->flags.DragPointView);
    QCOMPARE(w->lastLayout().text, QString());
    QCOMPARE(w->lastLayout().dragMark, QRect(0, 0, 43, 10));

    m_program->flags.DragPointView = false;
    QVERIFY(!control.mnuMakuView_Click());
    QVERIFY(!control.isLoaded());
    QVERIFY(!m_program->flags.MakuShown);
    QVERIFY(m_program->flags.DragPointView);
    QTRY_VERIFY_WITH_TIMEOUT(w.isNull(), 5000);
    QVERIFY(m_store->contains(kPosSection, QStringLiteral("TextTop")));
}

void TestFrmText::makuViewShowsAWindowLoadedByADraw()
{
    SubtitleWindowControl control(*m_program, m_picBack, nullptr);
    control.TextDraw(QStringLiteral("自由文字"), QString(), false, QString(), QString(), QString());
    QVERIFY(control.isLoaded());
    QVERIFY(!control.window()->isVisible());
    QVERIFY(m_program->flags.MakuShown);
    QCOMPARE(control.window()->lastLayout().text, QStringLiteral("自由文字"));
    QVERIFY(control.mnuMakuView_Click());
    QVERIFY(control.window()->isVisible());
}

void TestFrmText::clickThroughInRegionModeShowsTheMessage()
{
    m_program->opt.TextMode = 0;
    SubtitleWindowControl control(*m_program, m_picBack, nullptr);
    MessageBoxCatcher catcher;
    QVERIFY(!control.mnuClickThrough_Click());
    QCOMPARE(catcher.count, 1);
    QCOMPARE(catcher.text,
             QStringLiteral("透過方式が「従来の方式」だとクリックの透過はできません\r\n"
                            "設定でレイヤードウィンドウ設定に変更してください"));
    QVERIFY(!control.clickThrough());
}

void TestFrmText::clickThroughInLayeredModeReopens()
{
    m_program->opt.TextMode = 1;
    SubtitleWindowControl control(*m_program, m_picBack, nullptr);
    // With the window closed only the check changes.
    QVERIFY(control.mnuClickThrough_Click());
    QVERIFY(!control.isLoaded());
    QVERIFY(!control.mnuClickThrough_Click());

    QVERIFY(control.mnuMakuView_Click());
    QPointer<frmText> first = control.window();
    QVERIFY(!IsClickThrough(first));
    QVERIFY(control.mnuClickThrough_Click());
    QPointer<frmText> second = control.window();
    QVERIFY(second);
    QVERIFY(second != first);
    QVERIFY(second->isVisible());
    QVERIFY(IsClickThrough(second));
    QVERIFY(m_program->flags.MakuShown);
    // Drawn before it appeared: no opaque black box.
    QCOMPARE(qAlpha(second->shownImage().pixel(320, 240)), 0);

    QVERIFY(!control.mnuClickThrough_Click());
    QPointer<frmText> third = control.window();
    QVERIFY(third && third != second);
    QVERIFY(!IsClickThrough(third));
    QVERIFY(third->isVisible());
}

void TestFrmText::dragPointViewChangeActsOnlyOnAnOpenWindow()
{
    SubtitleWindowControl control(*m_program, m_picBack, nullptr);
    m_program->flags.DragPointView = false;
    control.mnuDragPointViewChange_Click();
    QVERIFY(!control.isLoaded());
    QVERIFY(!m_program->flags.MakuShown);
    QVERIFY(!m_program->flags.DragPointView);

    QVERIFY(control.mnuMakuView_Click());
    control.TextDraw(QStringLiteral("消える"), QString(), false, QString(), QString(), QString());
    control.mnuDragPointViewChange_Click();
    QVERIFY(!m_program->flags.DragPointView);
    QCOMPARE(control.window()->lastLayout().text, QStringLiteral("　"));
    QCOMPARE(control.window()->lastLayout().dragMark, QRect(0, 0, 1, 1));
    control.mnuDragPointViewChange_Click();
    QVERIFY(m_program->flags.DragPointView);
    QCOMPARE(control.window()->lastLayout().dragMark, QRect(0, 0, 43, 10));
}

void TestFrmText::dragPointViewChangeRedrawsTheIdleText()
{
    SubtitleWindowControl control(*m_program, m_picBack, nullptr);
    control.setIdleTextSource([] {
        return IdleText{QStringLiteral("待機"), QStringLiteral("blue")};
    });
    QVERIFY(control.mnuMakuView_Click());
    m_program->flags.NoResOpen = true;
    control.mnuDragPointViewChange_Click();
    const SubtitleLayout &l = control.window()->lastLayout();
    QCOMPARE(l.text, QStringLiteral("待機"));
    QCOMPARE(l.frameColour, kIdleFrame);
    QCOMPARE(l.textColour, QColor(Qt::blue));
}

QTEST_MAIN(TestFrmText)
#include "tst_frmtext.moc"
