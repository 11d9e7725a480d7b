#include "platform/apppath.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// Where the data folder is, and how the per-user folder is filled from the installed files.
class TestAppPath : public QObject
{
    Q_OBJECT
private slots:
    void seedsMissingFilesAndKeepsTheUsers();
    void seedReportsWhatCannotBeWritten();
    void chosenFolder();

private:
    static void write(const QString &path, const QByteArray &text)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    static QByteArray read(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
    }
};

void TestAppPath::seedsMissingFilesAndKeepsTheUsers()
{
    QTemporaryDir share, user;
    write(share.filePath("Res.htm"), "shipped res");
    write(share.filePath("cfq/a.cfq"), "shipped cfq");
    write(user.filePath("Res.htm"), "my res");

    QCOMPARE(SeedDataFolder(share.path(), user.filePath("")), QStringList());
    QCOMPARE(read(user.filePath("Res.htm")), QByteArray("my res"));
    QCOMPARE(read(user.filePath("cfq/a.cfq")), QByteArray("shipped cfq"));

    // A later version ships a new file: it comes in, the user's copies stay.
    write(share.filePath("new.wav"), "new sound");
    QCOMPARE(SeedDataFolder(share.path(), user.path()), QStringList());
    QCOMPARE(read(user.filePath("new.wav")), QByteArray("new sound"));
    QCOMPARE(read(user.filePath("Res.htm")), QByteArray("my res"));
}

void TestAppPath::seedReportsWhatCannotBeWritten()
{
    QTemporaryDir share, user;
    write(share.filePath("Res.htm"), "x");
    write(share.filePath("cfq/a.cfq"), "y");
    // A file where the folder should be blocks it even for root.
    write(user.filePath("cfq"), "a file");
    QCOMPARE(SeedDataFolder(share.path(), user.path()), QStringList{user.filePath("cfq/a.cfq")});
    QCOMPARE(read(user.filePath("Res.htm")), QByteArray("x"));
}

void TestAppPath::chosenFolder()
{
    QTemporaryDir root, data, home;
    write(root.filePath("usr/share/sazanami/Header.htm"), "h");
    QDir().mkpath(root.filePath("usr/bin"));
    write(root.filePath("portable/Header.htm"), "p");
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());

    qputenv("SAZANAMI_HOME", home.path().toLocal8Bit());
    QCOMPARE(AppPathFor(root.filePath("usr/bin")), home.path() + "/");
    qunsetenv("SAZANAMI_HOME");
    QCOMPARE(AppPathFor(root.filePath("portable")), root.filePath("portable/"));
    QCOMPARE(AppPathFor(root.filePath("usr/bin")), data.filePath("sazanami/"));
    QCOMPARE(read(data.filePath("sazanami/Header.htm")), QByteArray("h"));
}

QTEST_GUILESS_MAIN(TestAppPath)
#include "tst_apppath.moc"
