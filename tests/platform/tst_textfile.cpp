#include "platform/settingsstore.h"
#include "platform/textfile.h"

#include <QTemporaryDir>
#include <QtTest>

class TestTextFile : public QObject
{
    Q_OBJECT
private slots:
    void textFiles() // not Shift_JIS, a failure reported as success, a folder taken for a file
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.txt"));
        QVERIFY(!FileExists(path));
        QVERIFY(WriteTextFile(path, QStringLiteral("実況～①ｶ\r\n")));
        QCOMPARE(ReadTextFile(path), QStringLiteral("実況～①ｶ\r\n"));
        QVERIFY(WriteTextFile(path, QStringLiteral("あ")));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("\x82\xa0"));
        QVERIFY(FileExists(path));
        QVERIFY(!FileExists(dir.path()));
        QCOMPARE(ReadTextFile(dir.path()), QString());
        QVERIFY(!WriteTextFile(dir.filePath(QStringLiteral("no/such/a.txt")), "x"));
    }

    void settingsStore() // section names compared with regard to case, commas read as a list
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("s.ini"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[option]\nEnableCommand=1,0,1,\n");
        f.close();
        {
            SettingsStore store(path);
            QCOMPARE(store.value("OPTION", "EnableCommand"), QStringLiteral("1,0,1,"));
            store.setValue("Option", "Keyword", QStringLiteral("実況,a=b;c"));
            QCOMPARE(store.value("option", "Missing", "d"), QStringLiteral("d"));
            store.sync();
        }
        QCOMPARE(SettingsStore(path).value("OPTION", "Keyword"), QStringLiteral("実況,a=b;c"));
    }
};

QTEST_GUILESS_MAIN(TestTextFile)
#include "tst_textfile.moc"
