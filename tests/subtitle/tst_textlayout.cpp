#include "settings/commandwords.h"
#include "subtitle/flowcomment.h"
#include "subtitle/textlayout.h"

#include <QFontMetrics>
#include <QtTest>

namespace {

MakuEntry entry(const QString &text, const QString &command = {}, const QString &number = {})
{
    MakuEntry a = MakuEntry::freeText(text, command);
    a.number = number;
    a.name = QStringLiteral("名無し");
    a.id = QStringLiteral("ID:abc");
    return a;
}

// Presets: command mode, white, 24 points, 640x480, region mode, outline by copies.
SubtitleLayout layout(const MakuEntry &a, const Options &o = Options(), bool gameOpen = false,
                      QSize lastFrame = QSize(640, 480))
{
    return LayoutTextDraw(a, o, TextDrawFlags{false, gameOpen}, lastFrame);
}

int widthAt(const QString &text, int points)
{
    return QFontMetrics(TextLayout::SubtitleFont(points)).horizontalAdvance(text);
}

} // namespace

class TestTextLayout : public QObject
{
    Q_OBJECT
private slots:
    void normalModeIgnoresCommands() // commands obeyed in normal mode
    {
        Options o;
        o.MakuMode = 0;
        o.FontColorCode = 65535; // yellow
        o.FontSize = 2;          // small
        const SubtitleLayout l = layout(entry(QStringLiteral("字幕"), "shita red big"), o);
        QCOMPARE(l.pos, QPoint(0, 5));
        QCOMPARE(l.pointSize, 12);
        QCOMPARE(l.colourCode, 65535);
        QCOMPARE(l.outlineCode, 16384); // yellow's outline 0, 64, 0
    }

    void position() // "naka"/"shita" order swapped, not centred, bottom not 2 pixels above the edge
    {
        Options o;
        o.WakuSize = QStringLiteral("641x481");
        o.TextNumView = 1;
        // In the middle the size in points is taken as a pixel count; y -1: multi-line, left.
        const struct
        {
            const char *text, *command, *number;
            int y;
        } rows[] = {{"まんなか", "shita naka", "", 229},
                    {"テスト字幕", "sage shita red big", "", 436},
                    {"まんなか", "naka shita jumbo", "", 216},
                    {"一行", "naka", "12", -1}};
        for (const auto &r : rows) {
            const QString text = QString::fromUtf8(r.text);
            const SubtitleLayout l = layout(entry(text, r.command, r.number), o);
            const QPoint at = r.y < 0
                                  ? QPoint(0, 5)
                                  : QPoint(qRound((641 - widthAt(text, l.pointSize)) / 2.0), r.y);
            QVERIFY2(l.pos == at && l.multiLine == (r.y < 0), r.command);
        }
    }

    void giganticShrinksToFit() // not the largest fitting even size, or shrinking below 8
    {
        const QString text = QStringLiteral("巨大な文字の字幕です");
        const SubtitleLayout l = layout(entry(text, "gigantic"));
        QVERIFY(widthAt(text, l.pointSize) <= 640 && widthAt(text, l.pointSize + 2) > 640);
        const SubtitleLayout tiny = layout(entry(QString(200, QChar(0x5B57)), "gigantic"));
        QCOMPARE(tiny.pointSize, 8); // drawn unchanged, cut at the edge
    }

    void sizeWords() // word priority or case wrong, bad setting used, points taken as pixels
    {
        // Points are at 96 dots per inch: 30 points make 40 pixels.
        const struct
        {
            const char *command;
            int fontSize, points, pixels;
        } sizes[] = {{"", 1, 30, 40},
                     {"naka jumbo", 0, 50, 67},
                     {"gigantic big", 0, 30, 40},
                     {"BIG", 0, 24, 32},
                     {"", 5, 24, 32}};
        for (const auto &r : sizes) {
            Options o;
            o.FontSize = qint16(r.fontSize);
            const SubtitleLayout l = layout(entry(QStringLiteral("あ"), r.command), o);
            QVERIFY2(l.pointSize == r.points && l.font.pixelSize() == r.pixels, r.command);
            QVERIFY(l.font.bold());
        }
    }

    void lines_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("views"); // number, name, ID lines shown; g: game open
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("expected");
        const QString mark = QStringLiteral("[文字数制限]");
        const std::tuple<int, const char *, const char *, const char *, QString> rows[] = {
            {10, "NM", "こんにちは世界", "123", "123 名無し\r\nこ" + mark},
            {5, "", "あいうえお", "", "あいうえお"},
            {5, "", "あいうえおか", "", "あいうえお" + mark},
            {2, "", "a\U0001F600b", "", "a" + mark}, // a surrogate pair kept whole
            {0, "M", "本文", "5", "名前：名無し\r\n本文"},
            {0, "NI", "本文", "7", "7\r\n本文 [ID:abc]"},
            {0, "g", "本文", "", "本文 [ID:abc]"}};
        for (const auto &[limit, views, text, number, expected] : rows)
            QTest::addRow("%s %s", views, text)
                << limit << QString::fromUtf8(views) << QString::fromUtf8(text)
                << QString::fromUtf8(number) << expected;
    }

    void lines() // limit, number, name and ID lines wrong
    {
        QFETCH(int, limit);
        QFETCH(QString, views);
        QFETCH(QString, text);
        QFETCH(QString, number);
        QFETCH(QString, expected);
        Options o;
        o.TextLimit = qint16(limit);
        o.TextNumView = views.contains('N');
        o.TextNameView = views.contains('M');
        o.TextIDView = views.contains('I');
        QCOMPARE(layout(entry(text, {}, number), o, views.contains('g')).text, expected);
    }

    void wakuSize() // an unusable size such as "0x0" accepted
    {
        const QSize last(800, 450);
        const QList<std::pair<const char *, QSize>> rows = {{"720x405", QSize(720, 405)},
                                                            {"800*600", last},
                                                            {"0x0", last},
                                                            {"100000x100000", last}};
        for (const auto &[setting, expected] : rows) {
            Options o;
            o.WakuSize = QLatin1String(setting);
            const SubtitleLayout l = layout(entry(QStringLiteral("あ")), o, false, last);
            QVERIFY2(l.frame == expected && l.frameFromSetting == (expected != last), setting);
        }
    }

    void enableFlagsAsStored() // flags written or read in another form; a short text fills "on"
    {
        QVector<bool> flags(17, true);
        flags[3] = flags[16] = false;
        const QString text = Commands::FormatEnableCommand(flags);
        QCOMPARE(text, QStringLiteral("1,1,1,0,1,1,1,1,1,1,1,1,1,1,1,1,0,"));
        QCOMPARE(Commands::ParseEnableCommand(text), flags);
        QVector<bool> shortText(17, false);
        shortText[0] = shortText[2] = true;
        QCOMPARE(Commands::ParseEnableCommand(QStringLiteral("1,0,1,")), shortText);
    }

    void disabledWordsAreRemoved() // a disabled word left in, or removed only as a whole word
    {
        for (const auto &[word, mail, command] :
             {std::tuple{"ue", "sage blue", "sage bl"}, {"naka", "nakanaka sage", " sage"}}) {
            QVector<bool> flags(17, true);
            flags[Commands::CommandWords().indexOf(QLatin1String(word))] = false;
            QCOMPARE(GetEnableCommand(QLatin1String(mail), flags), QLatin1String(command));
        }
    }

    void colourCode() // colour word priority or case wrong, setting not the fallback, outline
    {
        QCOMPARE(GetColorCode(QStringLiteral("sage red"), 16777215), 255);
        QCOMPARE(GetColorCode(QStringLiteral("RED"), 16777215), 16777215);
        QCOMPARE(GetFuchiColorCode(16777215), 8388608); // navy around white
    }

    void flowComment_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("decorate");
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("place"); // 0 flows, 1 top, 2 bottom
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("colour");
        QTest::addColumn<int>("copies");
        QTest::addColumn<int>("stroke");
        // The "ue" of "blue" places nothing; "shita" before "ue" as on the subtitle.
        QTest::newRow("blue") << 1 << 3 << "sage blue" << 0 << 32 << "#0000ff" << 8 << 0;
        QTest::newRow("ue blue") << 1 << 0 << "blue ue" << 1 << 32 << "#0000ff" << 0 << 0;
        QTest::newRow("shita ue") << 1 << 2 << "ue shita small" << 2 << 16 << "#ffffff" << 0 << 4;
        // Normal mode ignores the words; the shadow only from 16 points.
        QTest::newRow("normal") << 0 << 1 << "ue red big" << 0 << 32 << "#ffffff" << 1 << 0;
        QTest::newRow("small shadow") << 1 << 1 << "small" << 0 << 16 << "#ffffff" << 0 << 0;
        QTest::newRow("gigantic") << 1 << 3 << "gigantic" << 0 << 160 << "#ffffff" << 8 << 0;
    }
    void flowComment() // command words or the subtitle's style read otherwise than on the window
    {
        QFETCH(int, mode);
        QFETCH(int, decorate);
        QFETCH(QString, command);
        Options o;
        o.MakuMode = qint16(mode);
        o.FontDecorate = qint16(decorate);
        MakuEntry post = entry(QStringLiteral("一<br>二&amp;"), command, QStringLiteral("1"));
        post.kind = MakuEntry::Kind::Post;
        const std::optional<FlowComment> c = FlowCommentOf(post, o);
        QVERIFY(c);
        QCOMPARE(c->text, QStringLiteral("一\n二&"));
        QTEST(int(c->place), "place");
        QTEST(c->size, "size");
        QTEST(c->colour.name(), "colour");
        QTEST(int(c->shadows.size()), "copies");
        QTEST(c->stroke, "stroke");
        post.kind = MakuEntry::Kind::Notice; // notices flow; free and idle text stay
        QVERIFY(FlowCommentOf(post, o));
        post.kind = MakuEntry::Kind::IdleText;
        QVERIFY(!FlowCommentOf(post, o));
        QVERIFY(!FlowCommentOf(MakuEntry::freeText(QStringLiteral("x")), o));
    }
};

QTEST_MAIN(TestTextLayout)
#include "tst_textlayout.moc"
