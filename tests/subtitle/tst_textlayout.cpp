#include "subtitle/commands.h"
#include "subtitle/textlayout.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QtTest>

namespace {

constexpr qint32 kWhite = 16777215;
constexpr qint32 kRed = 255;
constexpr qint32 kBlue = 16711680;
constexpr qint32 kYellow = 65535;

TextDrawArgs args(const QString &text, const QString &command = QString())
{
    TextDrawArgs a;
    a.Text = text;
    a.Command = command;
    return a;
}

Options commandMode()
{
    Options o; // presets: command mode, white, 24 points, 640x480, region mode, copies
    return o;
}

Options normalMode()
{
    Options o;
    o.MakuMode = 0;
    return o;
}

SubtitleLayout layout(const TextDrawArgs &a, const Options &o, bool dragPointView = false,
                      bool gameOpen = false, QSize lastFrame = QSize(640, 480))
{
    return LayoutTextDraw(a, o, TextDrawFlags{dragPointView, gameOpen}, lastFrame);
}

int widthAt(const QString &text, int points)
{
    return TextLayout::MeasureText(text, TextLayout::SubtitleFont(points)).width();
}

} // namespace

class TestTextLayout : public QObject
{
    Q_OBJECT
private slots:
    void fontIsBoldJapaneseAtNinetySixDpi();
    void multiLineMeasuresWidestLineAndLineHeights();

    void shitaRedBig();
    void normalModeIgnoresCommands();
    void position_data();
    void position();

    void giganticShrinksInStepsOfTwo();
    void shrinkingStopsAtEight();
    void fontResizeStopsShrinkingOnlyInNormalMode();

    void sizeWords_data();
    void sizeWords();

    void colours_data();
    void colours();
    void disablingUeTurnsBlueIntoBl();

    void textLimit_data();
    void textLimit();
    void numberAndNameLine_data();
    void numberAndNameLine();
    void idLine_data();
    void idLine();
    void clipboard_data();
    void clipboard();

    void wakuSize_data();
    void wakuSize();

    void decoration_data();
    void decoration();
    void copyDistance_data();
    void copyDistance();
};

void TestTextLayout::fontIsBoldJapaneseAtNinetySixDpi()
{
    const QFont font = TextLayout::SubtitleFont(24);
    QCOMPARE(font.pixelSize(), 32);
    QVERIFY(font.bold());
    QCOMPARE(font.families().value(0), QStringLiteral("ＭＳ Ｐゴシック"));
    QVERIFY(font.families().contains(QStringLiteral("IPAPGothic")));
    // The face actually used has Japanese glyphs.
    const QFontMetrics metrics(font);
    QVERIFY(metrics.inFont(QChar(0x5B57)));       // 字
    QCOMPARE(TextLayout::PointsToPixels(50), 67); // rounded
    QVERIFY(!TextLayout::SubtitleFont(9, false).bold());
}

void TestTextLayout::multiLineMeasuresWidestLineAndLineHeights()
{
    const QFont font = TextLayout::SubtitleFont(24);
    const QFontMetrics metrics(font);
    const QString shortLine = QStringLiteral("あ");
    const QString longLine = QStringLiteral("長い行ですよ");
    const QSize size =
        TextLayout::MeasureText(shortLine + "\r\n" + longLine + "\r\n" + shortLine, font);
    QCOMPARE(size.width(), metrics.horizontalAdvance(longLine));
    QCOMPARE(size.height(), 3 * metrics.height());
    QVERIFY(metrics.horizontalAdvance(longLine) > metrics.horizontalAdvance(shortLine));
}

void TestTextLayout::shitaRedBig()
{
    const SubtitleLayout l = layout(
        args(QStringLiteral("テスト字幕"), QStringLiteral("sage shita red big")), commandMode());
    QCOMPARE(l.pointSize, 30);
    QVERIFY(l.font.bold());
    QCOMPARE(l.font.pixelSize(), 40);
    QCOMPARE(l.textColour, QColor(255, 0, 0));
    QCOMPARE(l.outlineColour, QColor(255, 255, 255));
    QVERIFY(!l.multiLine);
    // Centred horizontally, its bottom 2 pixels above the frame's bottom edge.
    QCOMPARE(l.textSize, TextLayout::MeasureText(l.text, TextLayout::SubtitleFont(30)));
    QCOMPARE(l.pos.x(), qRound((640 - l.textSize.width()) / 2.0));
    QVERIFY(qAbs(l.pos.x() + l.textSize.width() / 2.0 - 320) <= 0.5);
    QCOMPARE(l.pos.y() + l.textSize.height(), 480 - 2);
}

void TestTextLayout::normalModeIgnoresCommands()
{
    Options o = normalMode();
    o.FontColorCode = kYellow;
    o.FontSize = 2; // small
    const SubtitleLayout l =
        layout(args(QStringLiteral("テスト字幕"), QStringLiteral("shita red big")), o);
    QCOMPARE(l.command, QString());
    QCOMPARE(l.pos, QPoint(0, 5));
    QCOMPARE(l.pointSize, 12);
    QCOMPARE(l.colourCode, kYellow);
    QCOMPARE(l.outlineCode, 16384); // yellow's outline 0, 64, 0
}

void TestTextLayout::position_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("number");
    QTest::addColumn<bool>("centred");
    QTest::addColumn<int>("y");
    // In the middle the size in points is taken as a pixel count.
    QTest::newRow("top by default") << QStringLiteral("うえ") << "sage" << QString() << true << 5;
    QTest::newRow("shita naka") << QStringLiteral("まんなか") << "shita naka" << QString() << true
                                << qRound((481 - 24) / 2.0);
    QTest::newRow("naka shita jumbo") << QStringLiteral("まんなか") << "naka shita jumbo"
                                      << QString() << true << qRound((481 - 50) / 2.0);
    // Multi-line text is never centred.
    QTest::newRow("naka, two lines")
        << QStringLiteral("一行目\r\n二行目") << "naka" << QString() << false << 5;
    QTest::newRow("naka, number line")
        << QStringLiteral("一行") << "naka" << QStringLiteral("12") << false << 5;
}

void TestTextLayout::position()
{
    QFETCH(QString, text);
    QFETCH(QString, command);
    QFETCH(QString, number);
    QFETCH(bool, centred);
    QFETCH(int, y);
    Options o = commandMode();
    o.WakuSize = QStringLiteral("641x481");
    o.TextNumView = 1;
    TextDrawArgs a = args(text, command);
    a.Number = number;
    const SubtitleLayout l = layout(a, o);
    QCOMPARE(l.multiLine, !centred);
    QCOMPARE(l.pos, QPoint(centred ? qRound((641 - l.textSize.width()) / 2.0) : 0, y));
}

void TestTextLayout::giganticShrinksInStepsOfTwo()
{
    const QString text = QStringLiteral("巨大な文字の字幕です");
    QVERIFY(widthAt(text, 120) > 640);
    const SubtitleLayout l = layout(args(text, QStringLiteral("gigantic")), commandMode());
    QCOMPARE(l.startPointSize, 120);
    QVERIFY(l.pointSize < 120);
    QVERIFY(l.pointSize >= 8);
    QCOMPARE(l.pointSize % 2, 0);
    QVERIFY(l.textSize.width() <= 640);
    // The largest size that fits: two points more would not.
    QVERIFY(widthAt(text, l.pointSize + 2) > 640);
    QCOMPARE(l.textSize.width(), widthAt(text, l.pointSize));
    QCOMPARE(l.font.pixelSize(), TextLayout::PointsToPixels(l.pointSize));
}

void TestTextLayout::shrinkingStopsAtEight()
{
    const QString text = QString(200, QChar(0x5B57)); // 字 × 200
    QVERIFY(widthAt(text, 8) > 640);
    const SubtitleLayout l = layout(args(text, QStringLiteral("gigantic")), commandMode());
    QCOMPARE(l.pointSize, 8);
    QCOMPARE(l.textSize.width(), widthAt(text, 8)); // drawn unchanged, cut at the edge
    QCOMPARE(l.pos.x(), qRound((640 - l.textSize.width()) / 2.0));
}

void TestTextLayout::fontResizeStopsShrinkingOnlyInNormalMode()
{
    const QString text = QStringLiteral("巨大な文字の字幕です");
    Options o = normalMode();
    o.FontSize = 4;
    o.FontResize = 1;
    const SubtitleLayout l = layout(args(text), o);
    QCOMPARE(l.pointSize, 120);
    QVERIFY(l.textSize.width() > 640);
    o.FontResize = 0;
    QVERIFY(layout(args(text), o).pointSize < 120);

    o = commandMode();
    o.FontResize = 1;
    const SubtitleLayout c = layout(args(text, QStringLiteral("gigantic")), o);
    QVERIFY(c.pointSize < 120);
    QVERIFY(c.textSize.width() <= 640);
}

void TestTextLayout::sizeWords_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("fontSize");
    QTest::addColumn<int>("points");
    QTest::newRow("none, setting normal") << "sage" << 0 << 24;
    QTest::newRow("none, setting big") << "" << 1 << 30;
    QTest::newRow("none, setting small") << "" << 2 << 12;
    QTest::newRow("none, setting jumbo") << "" << 3 << 50;
    QTest::newRow("big") << "big" << 0 << 30;
    QTest::newRow("small") << "small" << 0 << 12;
    QTest::newRow("normal over setting") << "normal" << 3 << 24;
    QTest::newRow("jumbo") << "sage naka jumbo" << 0 << 50;
    QTest::newRow("gigantic big") << "gigantic big" << 0 << 30;
    QTest::newRow("case-sensitive") << "BIG" << 0 << 24;
    QTest::newRow("setting out of range") << "" << 5 << 24;
    QTest::newRow("setting negative") << "sage" << -1 << 24;
}

void TestTextLayout::sizeWords()
{
    QFETCH(QString, command);
    QFETCH(int, fontSize);
    QFETCH(int, points);
    Options o = commandMode();
    o.FontSize = qint16(fontSize);
    const SubtitleLayout l = layout(args(QStringLiteral("あ"), command), o);
    QCOMPARE(l.startPointSize, points);
    QCOMPARE(l.pointSize, points);
}

void TestTextLayout::colours_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<qint32>("setting");
    QTest::addColumn<QColor>("text");
    QTest::addColumn<QColor>("outline");
    QTest::newRow("none: setting")
        << "sage" << kWhite << QColor(255, 255, 255) << QColor(0, 0, 128);
    QTest::newRow("red") << "red" << kWhite << QColor(255, 0, 0) << QColor(255, 255, 255);
    QTest::newRow("red blue") << "red blue" << kWhite << QColor(0, 0, 255) << QColor(255, 255, 255);
    QTest::newRow("blue red") << "blue red" << kWhite << QColor(0, 0, 255) << QColor(255, 255, 255);
    QTest::newRow("yellow") << "yellow" << kWhite << QColor(255, 255, 0) << QColor(0, 64, 0);
    QTest::newRow("unknown setting: black outline")
        << "" << qint32(0x123456) << QColor(0x56, 0x34, 0x12) << QColor(0, 0, 0);
}

void TestTextLayout::colours()
{
    QFETCH(QString, command);
    QFETCH(qint32, setting);
    QFETCH(QColor, text);
    QFETCH(QColor, outline);
    Options o = commandMode();
    o.FontColorCode = setting;
    const SubtitleLayout l = layout(args(QStringLiteral("色"), command), o);
    QCOMPARE(l.textColour, text);
    QCOMPARE(l.outlineColour, outline);
}

void TestTextLayout::disablingUeTurnsBlueIntoBl()
{
    QVector<bool> enabled(17, true);
    enabled[0] = false; // "ue"
    const QString command = GetEnableCommand(QStringLiteral("sage blue"), enabled);
    QCOMPARE(command, QStringLiteral("sage bl"));
    Options o = commandMode();
    o.FontColorCode = kRed;
    const SubtitleLayout l = layout(args(QStringLiteral("青"), command), o);
    QCOMPARE(l.colourCode, kRed); // no longer blue: the setting applies
    const SubtitleLayout enabledBlue = layout(args(QStringLiteral("青"), "sage blue"), o);
    QCOMPARE(enabledBlue.colourCode, kBlue);
}

void TestTextLayout::textLimit_data()
{
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("expected");
    const QString mark = QStringLiteral("[文字数制限]");
    QTest::newRow("number and name line counted")
        << 10 << QStringLiteral("こんにちは世界です") << QStringLiteral("123")
        << QStringLiteral("123 名無し\r\nこ") + mark;
    QTest::newRow("exactly the limit")
        << 5 << QStringLiteral("あいうえお") << QString() << QStringLiteral("あいうえお");
    QTest::newRow("one over") << 5 << QStringLiteral("あいうえおか") << QString()
                              << QStringLiteral("あいうえお") + mark;
    QTest::newRow("no limit") << 0 << QStringLiteral("あいうえおか") << QString()
                              << QStringLiteral("あいうえおか");
    QTest::newRow("negative is no limit")
        << -3 << QStringLiteral("あいうえおか") << QString() << QStringLiteral("あいうえおか");
    QTest::newRow("surrogate pair kept whole")
        << 2 << QStringLiteral("a\U0001F600b") << QString() << QStringLiteral("a") + mark;
}

void TestTextLayout::textLimit()
{
    QFETCH(int, limit);
    QFETCH(QString, text);
    QFETCH(QString, number);
    QFETCH(QString, expected);
    Options o = commandMode();
    o.TextLimit = qint16(limit);
    o.TextNumView = 1;
    o.TextNameView = 1;
    TextDrawArgs a = args(text);
    a.Number = number;
    a.Name = QStringLiteral("名無し");
    QCOMPARE(layout(a, o).text, expected);
}

void TestTextLayout::numberAndNameLine_data()
{
    QTest::addColumn<int>("numView");
    QTest::addColumn<int>("nameView");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("expected");
    QTest::newRow("both") << 1 << 1 << "5" << QStringLiteral("5 名無し\r\n本文");
    QTest::newRow("number") << 1 << 0 << "5" << QStringLiteral("5\r\n本文");
    QTest::newRow("name") << 0 << 1 << "5" << QStringLiteral("名前：名無し\r\n本文");
    QTest::newRow("neither") << 0 << 0 << "5" << QStringLiteral("本文");
    QTest::newRow("name, empty number") << 0 << 1 << "" << QStringLiteral("本文");
    QTest::newRow("both, empty number") << 1 << 1 << "" << QStringLiteral("本文");
}

void TestTextLayout::numberAndNameLine()
{
    QFETCH(int, numView);
    QFETCH(int, nameView);
    QFETCH(QString, number);
    QFETCH(QString, expected);
    Options o = commandMode();
    o.TextNumView = qint16(numView);
    o.TextNameView = qint16(nameView);
    TextDrawArgs a = args(QStringLiteral("本文"));
    a.Name = QStringLiteral("名無し");
    a.Number = number;
    const SubtitleLayout l = layout(a, o);
    QCOMPARE(l.text, expected);
    QCOMPARE(l.multiLine, expected.contains(QLatin1String("\r\n")));
}

void TestTextLayout::idLine_data()
{
    QTest::addColumn<int>("idView");
    QTest::addColumn<bool>("gameOpen");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("expected");
    QTest::newRow("shown") << 1 << false << "ID:abc" << QStringLiteral("本文 [ID:abc]");
    QTest::newRow("game open") << 0 << true << "ID:abc" << QStringLiteral("本文 [ID:abc]");
    QTest::newRow("off") << 0 << false << "ID:abc" << QStringLiteral("本文");
    QTest::newRow("empty ID") << 1 << true << "" << QStringLiteral("本文");
}

void TestTextLayout::idLine()
{
    QFETCH(int, idView);
    QFETCH(bool, gameOpen);
    QFETCH(QString, id);
    QFETCH(QString, expected);
    Options o = commandMode();
    o.TextIDView = qint16(idView);
    o.TextNumView = 1;
    TextDrawArgs a = args(QStringLiteral("本文"));
    a.ID = id;
    QCOMPARE(layout(a, o, false, gameOpen).text, expected);
    // The ID goes on the message line, below the number line.
    a.Number = QStringLiteral("7");
    QCOMPARE(layout(a, o, false, gameOpen).text, QStringLiteral("7\r\n") + expected);
}

void TestTextLayout::clipboard_data()
{
    QTest::addColumn<int>("setting");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("copied");
    QTest::newRow("text") << 1 << QStringLiteral("本文") << true;
    QTest::newRow("off") << 0 << QStringLiteral("本文") << false;
    QTest::newRow("blank") << 1 << QStringLiteral(" ") << false;
    QTest::newRow("wide blank") << 1 << QStringLiteral("　") << false;
    QTest::newRow("two blanks") << 1 << QStringLiteral("  ") << true;
}

void TestTextLayout::clipboard()
{
    QFETCH(int, setting);
    QFETCH(QString, text);
    QFETCH(bool, copied);
    Options o = commandMode();
    o.Text2Clipboard = qint16(setting);
    o.TextIDView = 1;
    o.TextNumView = 1;
    TextDrawArgs a = args(text);
    a.ID = QStringLiteral("ID:x");
    a.Number = QStringLiteral("3");
    const SubtitleLayout l = layout(a, o);
    QCOMPARE(l.setClipboard, copied);
    if (copied)
        QCOMPARE(l.clipboardText, text); // before the ID and number are added
}

void TestTextLayout::wakuSize_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QSize>("last");
    QTest::addColumn<QSize>("expected");
    QTest::addColumn<bool>("fromSetting");
    const QSize first(640, 480);
    const QSize last(800, 450);
    QTest::newRow("list size") << "1280x720" << first << QSize(1280, 720) << true;
    QTest::newRow("typed size") << "720x405" << last << QSize(720, 405) << true;
    QTest::newRow("at first") << "800*600" << first << first << false;
    QTest::newRow("star keeps last") << "800*600" << last << last << false;
    QTest::newRow("blanks") << "800 x 600" << last << last << false;
    QTest::newRow("empty") << "" << last << last << false;
    QTest::newRow("zero") << "0x600" << last << last << false;
    QTest::newRow("huge") << "100000x100000" << last << last << false;
}

void TestTextLayout::wakuSize()
{
    QFETCH(QString, setting);
    QFETCH(QSize, last);
    QFETCH(QSize, expected);
    QFETCH(bool, fromSetting);
    Options o = commandMode();
    o.WakuSize = setting;
    const SubtitleLayout l = layout(args(QStringLiteral("あ")), o, false, false, last);
    QCOMPARE(l.frame, expected);
    QCOMPARE(l.frameFromSetting, fromSetting);
    QCOMPARE(l.frameRect, QRect(QPoint(0, 0), expected));
}

void TestTextLayout::decoration_data()
{
    QTest::addColumn<int>("decorate");
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("penWidth");
    QTest::addColumn<QVector<QPoint>>("copies"); // offsets from the caption's position
    const QVector<QPoint> diagonal = {{1, 1}, {1, -1}, {-1, 1}, {-1, -1}};
    const auto eight = [&diagonal](int d) {
        QVector<QPoint> c;
        for (const QPoint &p : diagonal)
            c << p * d;
        return c << QPoint(d, 0) << QPoint(-d, 0) << QPoint(0, d) << QPoint(0, -d);
    };
    const int none = int(FontDecoration::None);
    const int copies = int(FontDecoration::Copies);
    const int path = int(FontDecoration::PathOutline);
    QTest::newRow("copies, 12 points: four at 1") << 3 << "small" << copies << 0 << diagonal;
    QTest::newRow("copies, 24 points: eight at 2") << 3 << "normal" << copies << 0 << eight(2);
    QTest::newRow("copies, 50 points: eight at 3") << 3 << "jumbo" << copies << 0 << eight(3);
    QTest::newRow("shadow, 12 points: none") << 1 << "small" << none << 0 << QVector<QPoint>();
    QTest::newRow("shadow, 24 points")
        << 1 << "normal" << int(FontDecoration::Shadow) << 0 << QVector<QPoint>{{1, 1}};
    QTest::newRow("path, 12 points: 12/3") << 2 << "small" << path << 4 << QVector<QPoint>();
    QTest::newRow("path, 50 points: 50/6") << 2 << "jumbo" << path << 8 << QVector<QPoint>();
    QTest::newRow("none") << 0 << "jumbo" << none << 0 << QVector<QPoint>();
    QTest::newRow("out of range") << 4 << "jumbo" << none << 0 << QVector<QPoint>();
}

void TestTextLayout::decoration()
{
    QFETCH(int, decorate);
    QFETCH(QString, command);
    QFETCH(int, kind);
    QFETCH(int, penWidth);
    QFETCH(QVector<QPoint>, copies);
    Options o = commandMode();
    o.FontDecorate = qint16(decorate);
    const SubtitleLayout l = layout(args(QStringLiteral("縁"), command), o);
    QCOMPARE(int(l.decoration), kind);
    QCOMPARE(l.penWidth, penWidth);
    for (QPoint &c : copies)
        c += l.pos;
    QCOMPARE(l.copies, copies);
    // Copies repeat every line at the caption's x; the shadow is printed like the caption.
    if (!copies.isEmpty())
        QCOMPARE(l.copiesEachLineAtX, kind == int(FontDecoration::Copies));
}

void TestTextLayout::copyDistance_data()
{
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("pen");
    QTest::addColumn<int>("d");
    QTest::newRow("19") << 19 << 6 << 1;
    QTest::newRow("20") << 20 << 6 << 2;
    QTest::newRow("21") << 21 << 5 << 2;
    QTest::newRow("39") << 39 << 9 << 2;
    QTest::newRow("40") << 40 << 10 << 3;
    QTest::newRow("41") << 41 << 6 << 3;
}

void TestTextLayout::copyDistance()
{
    QFETCH(int, points);
    QFETCH(int, pen);
    QFETCH(int, d);
    QCOMPARE(TextLayout::PathPenWidth(points), pen);
    QCOMPARE(TextLayout::CopyDistance(points), d);
}

QTEST_MAIN(TestTextLayout)
#include "tst_textlayout.moc"
