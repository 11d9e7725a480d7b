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
    void enableFlagsRoundTrip();
    void shortStoredFlagsLeaveTheRestDisabled();
    void disabledWordsAreRemoved_data();
    void disabledWordsAreRemoved();
    void colourCode_data();
    void colourCode();
};

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

QTEST_GUILESS_MAIN(TestCommands)
#include "tst_commands.moc"
