#include "platform/textfile.h"
#include "rendering/ngwords.h"
#include "support/testhome.h"

#include <QFile>
#include <QtTest>

class TestNgWords : public QObject
{
    Q_OBJECT
private slots:
    void fromFileText_data();
    void fromFileText();
    void fileRoundTripLosesUnendedWord();
    void missingFileGivesNoWords();
    void contains_data();
    void contains();
};

void TestNgWords::fromFileText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("words");
    QTest::newRow("empty") << QString() << QStringList();
    QTest::newRow("two words") << QStringLiteral("荒らし\r\nspam\r\n")
                               << QStringList{QStringLiteral("荒らし"), QStringLiteral("spam")};
    QTest::newRow("last word without CR LF is lost")
        << QStringLiteral("a\r\nb") << QStringList{QStringLiteral("a")};
    QTest::newRow("only an unended word") << QStringLiteral("lonely") << QStringList();
    QTest::newRow("LF alone does not end a word")
        << QStringLiteral("a\nb\r\n") << QStringList{QStringLiteral("a\nb")};
    QTest::newRow("duplicates and order kept")
        << QStringLiteral("b\r\na\r\nb\r\n")
        << QStringList{QStringLiteral("b"), QStringLiteral("a"), QStringLiteral("b")};
}

void TestNgWords::fromFileText()
{
    QFETCH(QString, text);
    QFETCH(QStringList, words);
    QCOMPARE(NgWords::FromFileText(text), words);
}

void TestNgWords::fileRoundTripLosesUnendedWord()
{
    TestHome home;
    QVERIFY(home.isValid());
    const QString path = home.file(QStringLiteral("ngword.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    // Shift_JIS "荒らし" CR LF, "spam" CR LF, then "実況" with no line end.
    file.write("\x8d\x72\x82\xe7\x82\xb5\r\nspam\r\n\x8e\xc0\x8b\xb5");
    file.close();

    const QStringList words = NgWords::FromFileText(ReadTextFile(path));
    QCOMPARE(words, (QStringList{QStringLiteral("荒らし"), QStringLiteral("spam")}));

    QVERIFY(WriteTextFile(path, NgWords::ToFileText(words)));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("\x8d\x72\x82\xe7\x82\xb5\r\nspam\r\n"));
    QCOMPARE(NgWords::ToFileText({}), QString());
}

void TestNgWords::missingFileGivesNoWords()
{
    TestHome home;
    QCOMPARE(NgWords::FromFileText(ReadTextFile(home.file(QStringLiteral("ngword.txt")))),
             QStringList());
}

void TestNgWords::contains_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<bool>("ng");
    const QString line = QStringLiteral("名無し<>sage<>2007/01/01 ID:xyz9<> ABC です <>");
    QTest::newRow("no words") << line << QStringList() << false;
    QTest::newRow("in the message") << line << QStringList{QStringLiteral("です")} << true;
    QTest::newRow("across fields") << line << QStringList{QStringLiteral("sage<>2007")} << true;
    QTest::newRow("the id") << line << QStringList{QStringLiteral("ID:xyz9")} << true;
    QTest::newRow("case-sensitive") << line << QStringList{QStringLiteral("abc")} << false;
    QTest::newRow("second word") << line
                                 << QStringList{QStringLiteral("zzz"), QStringLiteral("ABC")}
                                 << true;
    QTest::newRow("empty word never matches") << line << QStringList{QString()} << false;
}

void TestNgWords::contains()
{
    QFETCH(QString, line);
    QFETCH(QStringList, words);
    QFETCH(bool, ng);
    QCOMPARE(ContainsNgWord(line, words), ng);
}

QTEST_GUILESS_MAIN(TestNgWords)
#include "tst_ngwords.moc"
