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
    void multiLineIsNeverCentred_data();
    void multiLineIsNeverCentred();
    void nakaGoesToTheMiddle_data();
    void nakaGoesToTheMiddle();
    void topIsTheDefault();

    void giganticShrinksInStepsOfTwo();
    void shrinkingStopsAtEight();
    void normalModeWithFontResizeDoesNotShrink();
    void commandModeShrinksDespiteFontResize();

    void sizeWords_data();
    void sizeWords();
    void fontSizeOutsideRangeDrawsAt24_data();
    void fontSizeOutsideRangeDrawsAt24();

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
    void frameColour_data();
    void frameColour();
    void dragMarkAndNameTag_data();
    void dragMarkAndNameTag();
    void frameRectangle();

    void outlineCopies_data();
    void outlineCopies();
    void shadow_data();
    void shadow();
    void pathOutlinePen_data();
    void pathOutlinePen();
    void copyDistance_data();
    void copyDistance();
    void noDecoration_data();
    void noDecoration();
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
    QVERIFY(metrics.inFont(QChar(0x5B57))); // 字
    QCOMPARE(TextLayout::PointsToPixels(9), 12);
    QCOMPARE(TextLayout::PointsToPixels(30), 40);
    QCOMPARE(TextLayout::PointsToPixels(50), 67);
    QCOMPARE(TextLayout::PointsToPixels(120), 160);
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

void TestTextLayout::multiLineIsNeverCentred_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("number");
    QTest::newRow("naka, two lines") << QStringLiteral("一行目\r\n二行目") << "naka"
                                     << "";
    QTest::newRow("shita, two lines") << QStringLiteral("一行目\r\n二行目") << "shita"
                                      << "";
    QTest::newRow("ue, two lines") << QStringLiteral("一行目\r\n二行目") << "ue"
                                   << "";
    QTest::newRow("naka, number line") << QStringLiteral("一行") << "naka"
                                       << "12";
}

void TestTextLayout::multiLineIsNeverCentred()
{
    QFETCH(QString, text);
    QFETCH(QString, command);
    QFETCH(QString, number);
    Options o = commandMode();
    o.TextNumView = 1;
    TextDrawArgs a = args(text, command);
    a.Number = number;
    const SubtitleLayout l = layout(a, o);
    QVERIFY(l.multiLine);
    QCOMPARE(l.pos, QPoint(0, 5));
}

void TestTextLayout::nakaGoesToTheMiddle_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("points");
    QTest::newRow("naka") << "naka" << 24;
    QTest::newRow("shita naka") << "shita naka" << 24;
    QTest::newRow("naka shita jumbo") << "naka shita jumbo" << 50;
    QTest::newRow("sage naka small") << "sage naka small" << 12;
}

void TestTextLayout::nakaGoesToTheMiddle()
{
    QFETCH(QString, command);
    QFETCH(int, points);
    Options o = commandMode();
    o.WakuSize = QStringLiteral("641x481");
    const SubtitleLayout l = layout(args(QStringLiteral("まんなか"), command), o);
    QCOMPARE(l.pointSize, points);
    // The size in points is taken as a pixel count here.
    QCOMPARE(l.pos.y(), qRound((481 - points) / 2.0));
    QCOMPARE(l.pos.x(), qRound((641 - l.textSize.width()) / 2.0));
}

void TestTextLayout::topIsTheDefault()
{
    const SubtitleLayout l =
        layout(args(QStringLiteral("うえ"), QStringLiteral("sage")), commandMode());
    QCOMPARE(l.pos.y(), 5);
    QCOMPARE(l.pos.x(), qRound((640 - l.textSize.width()) / 2.0));
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

void TestTextLayout::normalModeWithFontResizeDoesNotShrink()
{
    Options o = normalMode();
    o.FontSize = 4;
    o.FontResize = 1;
    const QString text = QStringLiteral("巨大な文字の字幕です");
    const SubtitleLayout l = layout(args(text), o);
    QCOMPARE(l.pointSize, 120);
    QVERIFY(l.textSize.width() > 640);
    o.FontResize = 0;
    QVERIFY(layout(args(text), o).pointSize < 120);
}

void TestTextLayout::commandModeShrinksDespiteFontResize()
{
    Options o = commandMode();
    o.FontResize = 1;
    const SubtitleLayout l =
        layout(args(QStringLiteral("巨大な文字の字幕です"), QStringLiteral("gigantic")), o);
    QVERIFY(l.pointSize < 120);
    QVERIFY(l.textSize.width() <= 640);
}

void TestTextLayout::sizeWords_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("fontSize");
    QTest::addColumn<int>("points");
    QTest::newRow("none, setting normal") << "sage" << 0 << 24;
    QTest::newRow("none, setting small") << "" << 2 << 12;
    QTest::newRow("big") << "big" << 0 << 30;
    QTest::newRow("small") << "small" << 0 << 12;
    QTest::newRow("normal over setting") << "normal" << 3 << 24;
    QTest::newRow("jumbo") << "sage naka jumbo" << 0 << 50;
    QTest::newRow("gigantic big") << "gigantic big" << 0 << 30;
    QTest::newRow("jumbo small") << "jumbo small" << 0 << 12;
    QTest::newRow("case-sensitive") << "BIG" << 0 << 24;
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

void TestTextLayout::fontSizeOutsideRangeDrawsAt24_data()
{
    QTest::addColumn<int>("makuMode");
    QTest::addColumn<int>("fontSize");
    QTest::newRow("normal mode, 5") << 0 << 5;
    QTest::newRow("normal mode, -1") << 0 << -1;
    QTest::newRow("command mode, 99") << 1 << 99;
}

void TestTextLayout::fontSizeOutsideRangeDrawsAt24()
{
    QFETCH(int, makuMode);
    QFETCH(int, fontSize);
    Options o;
    o.MakuMode = qint16(makuMode);
    o.FontSize = qint16(fontSize);
    QCOMPARE(layout(args(QStringLiteral("あ")), o).pointSize, 24);
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
    QTest::newRow("cyan") << "cyan" << kWhite << QColor(0, 255, 255) << QColor(192, 64, 0);
    QTest::newRow("purple") << "purple" << kWhite << QColor(128, 0, 128) << QColor(255, 192, 255);
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
    QCOMPARE(l.colourCode, GetColorCode(command, setting));
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
    QTest::newRow("empty") << 1 << QString() << false;
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
    QTest::newRow("capital X") << "800X600" << last << last << false;
    QTest::newRow("blanks") << "800 x 600" << last << last << false;
    QTest::newRow("empty") << "" << last << last << false;
    QTest::newRow("no height") << "800x" << last << last << false;
    QTest::newRow("three numbers") << "800x600x2" << last << last << false;
    QTest::newRow("fraction") << "800.5x600" << last << last << false;
    QTest::newRow("negative") << "-800x600" << last << last << false;
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

void TestTextLayout::frameColour_data()
{
    QTest::addColumn<int>("makuMode");
    QTest::addColumn<bool>("noRes");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("normal") << 0 << false << QColor(96, 96, 192);
    QTest::newRow("command") << 1 << false << QColor(192, 96, 96);
    QTest::newRow("idle, normal") << 0 << true << QColor(96, 192, 96);
    QTest::newRow("idle, command") << 1 << true << QColor(96, 192, 96);
}

void TestTextLayout::frameColour()
{
    QFETCH(int, makuMode);
    QFETCH(bool, noRes);
    QFETCH(QColor, colour);
    Options o;
    o.MakuMode = qint16(makuMode);
    TextDrawArgs a = args(QStringLiteral("あ"));
    a.NoRes = noRes;
    QCOMPARE(layout(a, o).frameColour, colour);
}

void TestTextLayout::dragMarkAndNameTag_data()
{
    QTest::addColumn<bool>("dragPointView");
    QTest::addColumn<int>("textMode");
    QTest::addColumn<QRect>("mark");
    QTest::newRow("mark, region mode") << true << 0 << QRect(0, 0, 43, 10);
    QTest::newRow("mark, layered mode") << true << 1 << QRect(0, 0, 43, 10);
    QTest::newRow("square, region mode") << false << 0 << QRect(0, 0, 1, 1);
    QTest::newRow("nothing, layered mode") << false << 1 << QRect();
}

void TestTextLayout::dragMarkAndNameTag()
{
    QFETCH(bool, dragPointView);
    QFETCH(int, textMode);
    QFETCH(QRect, mark);
    Options o = commandMode();
    o.TextMode = qint16(textMode);
    const SubtitleLayout l = layout(args(QString()), o, dragPointView);
    QCOMPARE(l.dragMark, mark);
    QCOMPARE(l.drawNameTag, dragPointView);
    QCOMPARE(l.nameTag, QStringLiteral("sazanami"));
    QCOMPARE(l.nameTagAt, QPoint(1, 0));
    QCOMPARE(l.nameTagFont.pixelSize(), 12); // 9 points
    QVERIFY(!l.nameTagFont.bold());
    QCOMPARE(l.nameTagColour, QColor(255, 255, 255));
}

void TestTextLayout::frameRectangle()
{
    Options o = commandMode();
    o.WakuSize = QStringLiteral("320x180");
    SubtitleLayout l = layout(args(QString()), o);
    QVERIFY(l.drawFrame);
    QCOMPARE(l.frameRect, QRect(0, 0, 320, 180));
    o.WakuView = 1;
    l = layout(args(QString()), o);
    QVERIFY(!l.drawFrame);
}

void TestTextLayout::outlineCopies_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("d");
    QTest::addColumn<int>("count");
    QTest::newRow("12 points") << "small" << 12 << 1 << 4;
    QTest::newRow("24 points") << "normal" << 24 << 2 << 8;
    QTest::newRow("30 points") << "big" << 30 << 2 << 8;
    QTest::newRow("50 points") << "jumbo" << 50 << 3 << 8;
}

void TestTextLayout::outlineCopies()
{
    QFETCH(QString, command);
    QFETCH(int, points);
    QFETCH(int, d);
    QFETCH(int, count);
    Options o = commandMode();
    o.FontDecorate = 3;
    const SubtitleLayout l = layout(args(QStringLiteral("縁"), command), o);
    QCOMPARE(l.pointSize, points);
    QCOMPARE(l.decoration, FontDecoration::Copies);
    QVERIFY(l.copiesEachLineAtX);
    const int X = l.pos.x();
    const int Y = l.pos.y();
    QVector<QPoint> expected = {QPoint(X + d, Y + d), QPoint(X + d, Y - d), QPoint(X - d, Y + d),
                                QPoint(X - d, Y - d)};
    if (count == 8)
        expected += {QPoint(X + d, Y), QPoint(X - d, Y), QPoint(X, Y + d), QPoint(X, Y - d)};
    QCOMPARE(l.copies, expected);
    QCOMPARE(l.penWidth, 0);
}

void TestTextLayout::shadow_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("drawn");
    QTest::newRow("12 points: none") << "small" << false;
    QTest::newRow("24 points") << "normal" << true;
    QTest::newRow("50 points") << "jumbo" << true;
}

void TestTextLayout::shadow()
{
    QFETCH(QString, command);
    QFETCH(bool, drawn);
    Options o = commandMode();
    o.FontDecorate = 1;
    const SubtitleLayout l = layout(args(QStringLiteral("影"), command), o);
    if (!drawn) {
        QCOMPARE(l.decoration, FontDecoration::None);
        QVERIFY(l.copies.isEmpty());
        return;
    }
    QCOMPARE(l.decoration, FontDecoration::Shadow);
    QCOMPARE(l.copies, QVector<QPoint>{l.pos + QPoint(1, 1)});
    // Printed like the caption: later lines continue at the left edge.
    QVERIFY(!l.copiesEachLineAtX);
}

void TestTextLayout::pathOutlinePen_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("penWidth");
    QTest::newRow("12 points: 12/3") << "small" << 4;
    QTest::newRow("24 points: 24/4") << "normal" << 6;
    QTest::newRow("30 points: 30/4") << "big" << 7;
    QTest::newRow("50 points: 50/6") << "jumbo" << 8;
}

void TestTextLayout::pathOutlinePen()
{
    QFETCH(QString, command);
    QFETCH(int, penWidth);
    Options o = commandMode();
    o.FontDecorate = 2;
    const SubtitleLayout l = layout(args(QStringLiteral("縁"), command), o);
    QCOMPARE(l.decoration, FontDecoration::PathOutline);
    QCOMPARE(l.penWidth, penWidth);
    QVERIFY(l.copies.isEmpty());
}

void TestTextLayout::copyDistance_data()
{
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("pen");
    QTest::addColumn<int>("d");
    QTest::newRow("8") << 8 << 2 << 1;
    QTest::newRow("19") << 19 << 6 << 1;
    QTest::newRow("20") << 20 << 6 << 2;
    QTest::newRow("21") << 21 << 5 << 2;
    QTest::newRow("39") << 39 << 9 << 2;
    QTest::newRow("40") << 40 << 10 << 3;
    QTest::newRow("41") << 41 << 6 << 3;
    QTest::newRow("118") << 118 << 19 << 3;
    QTest::newRow("120") << 120 << 20 << 3;
}

void TestTextLayout::copyDistance()
{
    QFETCH(int, points);
    QFETCH(int, pen);
    QFETCH(int, d);
    QCOMPARE(TextLayout::PathPenWidth(points), pen);
    QCOMPARE(TextLayout::CopyDistance(points), d);
}

void TestTextLayout::noDecoration_data()
{
    QTest::addColumn<int>("decorate");
    QTest::newRow("0") << 0;
    QTest::newRow("4") << 4;
    QTest::newRow("-1") << -1;
}

void TestTextLayout::noDecoration()
{
    QFETCH(int, decorate);
    Options o = commandMode();
    o.FontDecorate = qint16(decorate);
    const SubtitleLayout l = layout(args(QStringLiteral("無"), QStringLiteral("jumbo")), o);
    QCOMPARE(l.decoration, FontDecoration::None);
    QVERIFY(l.copies.isEmpty());
    QCOMPARE(l.penWidth, 0);
}

QTEST_MAIN(TestTextLayout)
#include "tst_textlayout.moc"
