#include "subtitle/commands.h"

#include <QtTest>

namespace {

QVector<bool> allEnabled()
{
    return QVector<bool>(17, true);
}

QVector<bool> disabling(const QString &word)
{
    QVector<bool> flags = allEnabled();
    flags[Commands::CommandWords().indexOf(word)] = false;
    return flags;
}

constexpr qint32 kWhite = 16777215;

} // namespace

class TestCommands : public QObject
{
    Q_OBJECT
private slots:
    void wordsInListOrder();
    void enableFlagsRoundTrip();
    void shortStoredFlagsLeaveTheRestDisabled();
    void disabledWordsAreRemoved_data();
    void disabledWordsAreRemoved();
    void colourCode_data();
    void colourCode();
    void outlineColour_data();
    void outlineColour();
    void sizeWords_data();
    void sizeWords();
    void fontSizeSetting();
};

void TestCommands::wordsInListOrder()
{
    const QStringList expected = {"ue",    "shita",    "naka",   "normal", "big",    "small",
                                  "jumbo", "gigantic", "white",  "red",    "orange", "yellow",
                                  "pink",  "blue",     "purple", "cyan",   "green"};
    QCOMPARE(Commands::CommandWords(), expected);
}

void TestCommands::enableFlagsRoundTrip()
{
    QVector<bool> flags = allEnabled();
    flags[3] = false;
    flags[16] = false;
    const QString text = Commands::FormatEnableCommand(flags);
    QCOMPARE(text, QStringLiteral("1,1,1,0,1,1,1,1,1,1,1,1,1,1,1,1,0,"));
    QCOMPARE(Commands::ParseEnableCommand(text), flags);
}

void TestCommands::shortStoredFlagsLeaveTheRestDisabled()
{
    const QVector<bool> flags = Commands::ParseEnableCommand(QStringLiteral("1,0,1,"));
    QCOMPARE(flags.size(), 17);
    QVERIFY(flags[0]);
    QVERIFY(!flags[1]);
    QVERIFY(flags[2]);
    for (int i = 3; i < 17; ++i)
        QVERIFY(!flags[i]);
}

void TestCommands::disabledWordsAreRemoved_data()
{
    QTest::addColumn<QString>("disabled");
    QTest::addColumn<QString>("mail");
    QTest::addColumn<QString>("command");
    QTest::newRow("ue inside blue")
        << QStringLiteral("ue") << QStringLiteral("sage blue") << QStringLiteral("sage bl");
    QTest::newRow("red alone") << QStringLiteral("red") << QStringLiteral("red blue shita")
                               << QStringLiteral(" blue shita");
    QTest::newRow("naka inside a word")
        << QStringLiteral("naka") << QStringLiteral("nakanaka sage") << QStringLiteral(" sage");
    QTest::newRow("nothing to remove")
        << QStringLiteral("jumbo") << QStringLiteral("sage") << QStringLiteral("sage");
}

void TestCommands::disabledWordsAreRemoved()
{
    QFETCH(QString, disabled);
    QFETCH(QString, mail);
    QFETCH(QString, command);
    QCOMPARE(GetEnableCommand(mail, disabling(disabled)), command);
    QCOMPARE(GetEnableCommand(mail, allEnabled()), mail);
}

void TestCommands::colourCode_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<qint32>("code");
    QTest::newRow("red") << QStringLiteral("sage red") << 255;
    QTest::newRow("red blue") << QStringLiteral("red blue") << 16711680;
    QTest::newRow("blue red") << QStringLiteral("blue red") << 16711680;
    QTest::newRow("green beats white") << QStringLiteral("green white") << 65280;
    QTest::newRow("none gives setting") << QStringLiteral("sage") << kWhite;
    QTest::newRow("empty gives setting") << QString() << kWhite;
    QTest::newRow("case-sensitive") << QStringLiteral("RED") << kWhite;
}

void TestCommands::colourCode()
{
    QFETCH(QString, command);
    QFETCH(qint32, code);
    QCOMPARE(GetColorCode(command, kWhite), code);
}

void TestCommands::outlineColour_data()
{
    QTest::addColumn<qint32>("code");
    QTest::addColumn<qint32>("outline");
    QTest::newRow("white") << 16777215 << 128 * 65536;
    QTest::newRow("red") << 255 << 16777215;
    QTest::newRow("yellow") << 65535 << 64 * 256;
    QTest::newRow("purple") << 8388736 << (255 * 65536 + 192 * 256 + 255);
    QTest::newRow("cyan") << 16776960 << (64 * 256 + 192);
    QTest::newRow("unknown") << 123456 << 0;
}

void TestCommands::outlineColour()
{
    QFETCH(qint32, code);
    QFETCH(qint32, outline);
    QCOMPARE(GetFuchiColorCode(code), outline);
}

void TestCommands::sizeWords_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("points");
    QTest::newRow("big") << QStringLiteral("shita red big") << 30;
    QTest::newRow("gigantic big") << QStringLiteral("gigantic big") << 30;
    QTest::newRow("jumbo") << QStringLiteral("sage naka jumbo") << 50;
    QTest::newRow("small before normal") << QStringLiteral("normal small") << 12;
    QTest::newRow("none") << QStringLiteral("sage") << 0;
}

void TestCommands::sizeWords()
{
    QFETCH(QString, command);
    QFETCH(int, points);
    QCOMPARE(CommandFontSize(command), points);
}

void TestCommands::fontSizeSetting()
{
    QCOMPARE(FontSizePoints(0), 24);
    QCOMPARE(FontSizePoints(1), 30);
    QCOMPARE(FontSizePoints(2), 12);
    QCOMPARE(FontSizePoints(3), 50);
    QCOMPARE(FontSizePoints(4), 120);
    QCOMPARE(FontSizePoints(5), 24);
    QCOMPARE(FontSizePoints(-1), 24);
}

QTEST_GUILESS_MAIN(TestCommands)
#include "tst_commands.moc"
