#include "platform/apppath.h"
#include "platform/settingsstore.h"
#include "platform/textfile.h"

#include <QTemporaryDir>
#include <QtTest>

class TestTextFile : public QObject
{
    Q_OBJECT
private slots:
    void writeThenRead();
    void failuresGiveEmptyOrFalse();
    void fileExists();
    void appPathFromEnvironment();
    void sectionsIgnoreCase();
    void storeSurvivesReopen();
    void bareCommaValueReadsAsText();
};

void TestTextFile::writeThenRead()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.txt"));
    QVERIFY(WriteTextFile(path, QStringLiteral("実況～①ｶ\r\n")));
    QCOMPARE(ReadTextFile(path), QStringLiteral("実況～①ｶ\r\n"));
    // Shift_JIS bytes, nothing added.
    QVERIFY(WriteTextFile(path, QStringLiteral("あ")));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("\x82\xa0"));
    // A shorter text truncates the file.
    QVERIFY(WriteTextFile(path, QString()));
    QCOMPARE(QFileInfo(path).size(), 0);
}

void TestTextFile::failuresGiveEmptyOrFalse()
{
    QTemporaryDir dir;
    QCOMPARE(ReadTextFile(dir.filePath(QStringLiteral("missing.txt"))), QString());
    QCOMPARE(ReadTextFile(QString()), QString());
    QCOMPARE(ReadTextFile(dir.path()), QString());
    QVERIFY(!WriteTextFile(dir.filePath(QStringLiteral("no/such/folder/a.txt")), "x"));
    QVERIFY(!WriteTextFile(QString(), QStringLiteral("x")));
}

void TestTextFile::fileExists()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.txt"));
    QVERIFY(!FileExists(path));
    QVERIFY(WriteTextFile(path, QStringLiteral("x")));
    QVERIFY(FileExists(path));
    QVERIFY(FileExists(path + QLatin1Char('\\')));
    QVERIFY(!FileExists(QString()));
    QVERIFY(!FileExists(dir.path()));
}

void TestTextFile::appPathFromEnvironment()
{
    QTemporaryDir dir;
    qputenv("SAZANAMI_HOME", dir.path().toLocal8Bit());
    QCOMPARE(AppPathFor(QStringLiteral("/opt/elsewhere")), dir.path() + QLatin1Char('/'));
    qunsetenv("SAZANAMI_HOME");
    QCOMPARE(AppPathFor(QStringLiteral("/opt/elsewhere")), QStringLiteral("/opt/elsewhere/"));
}

void TestTextFile::sectionsIgnoreCase()
{
    QTemporaryDir dir;
    SettingsStore store(dir.filePath(QStringLiteral("s.ini")));
    store.setValue(QStringLiteral("OPTION"), QStringLiteral("Address"),
                   QStringLiteral("http://a/"));
    QCOMPARE(store.value(QStringLiteral("Option"), QStringLiteral("Address")),
             QStringLiteral("http://a/"));
    store.setValue(QStringLiteral("option"), QStringLiteral("Address"),
                   QStringLiteral("http://b/"));
    QCOMPARE(store.value(QStringLiteral("OPTION"), QStringLiteral("Address")),
             QStringLiteral("http://b/"));
    QVERIFY(!store.contains(QStringLiteral("Option"), QStringLiteral("Missing")));
    QCOMPARE(store.value(QStringLiteral("Option"), QStringLiteral("Missing"), QStringLiteral("d")),
             QStringLiteral("d"));
}

void TestTextFile::storeSurvivesReopen()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("s.ini"));
    {
        SettingsStore store(path);
        store.setValue(QStringLiteral("Option"), QStringLiteral("Keyword"),
                       QStringLiteral("実況,a=b;c"));
        store.sync();
    }
    SettingsStore again(path);
    QCOMPARE(again.value(QStringLiteral("OPTION"), QStringLiteral("Keyword")),
             QStringLiteral("実況,a=b;c"));
}

void TestTextFile::bareCommaValueReadsAsText()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("s.ini"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[Option]\nEnableCommand=1,0,1,\n");
    f.close();
    SettingsStore store(path);
    QCOMPARE(store.value(QStringLiteral("Option"), QStringLiteral("EnableCommand")),
             QStringLiteral("1,0,1,"));
}

QTEST_GUILESS_MAIN(TestTextFile)
#include "tst_textfile.moc"
