#include "subtitle/commands.h"

#include <QtTest>

class TestCommands : public QObject
{
    Q_OBJECT
private slots:
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
        QCOMPARE(GetColorCode(QStringLiteral("green white"), 16777215), 65280);
        QCOMPARE(GetColorCode(QStringLiteral("RED"), 16777215), 16777215);
        // Outlines: navy around white, black around a colour no word names.
        QCOMPARE(GetFuchiColorCode(16777215), 8388608);
        QCOMPARE(GetFuchiColorCode(0x123456), 0);
    }
};

QTEST_GUILESS_MAIN(TestCommands)
#include "tst_commands.moc"
