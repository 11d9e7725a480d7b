#include "platform/textfile.h"
#include "rendering/ngwords.h"

#include <QTemporaryDir>
#include <QtTest>

class TestNgWords : public QObject
{
    Q_OBJECT
private slots:
    void fileText() // split on LF alone, an unended word kept, not written as Shift_JIS lines
    {
        QCOMPARE(NgWords::FromFileText(QStringLiteral("b\r\na\nc\r\nd")),
                 (QStringList{"b", "a\nc"}));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("ngword.txt"));
        QVERIFY(WriteTextFile(path, NgWords::ToFileText({QStringLiteral("荒らし"), "spam"})));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("\x8d\x72\x82\xe7\x82\xb5\r\nspam\r\n"));
        file.close();
        // Characters outside Shift_JIS are kept as the references the boards send.
        QVERIFY(WriteTextFile(
            path, NgWords::ToFileText({QStringLiteral("髙①～㈱😀"), QStringLiteral("😀"), "é?"})));
        const QStringList back = NgWords::FromFileText(ReadTextFile(path));
        QCOMPARE(back, (QStringList{QStringLiteral("髙①～㈱&#128512;"), "&#128512;", "&#233;?"}));
        QVERIFY(ContainsNgWord(QStringLiteral("名無し<><><> 笑&#128512; <>"), {back.at(1)}));
        QVERIFY(!ContainsNgWord(QStringLiteral("名無し<><><> 何? <>"), {back.at(1)}));
    }

    void contains() // NG test case-insensitive, field-bound, or an empty word matching
    {
        const QString line = QStringLiteral("名無し<>sage<>2007/01/01 ID:xyz9<> ABC です <>");
        QVERIFY(ContainsNgWord(line, {"zzz", "sage<>2007"}));
        QVERIFY(!ContainsNgWord(line, {"abc"}));
        QVERIFY(!ContainsNgWord(line, {QString()}));
        QVERIFY(!ContainsNgWord(line, {}));
    }
};

QTEST_GUILESS_MAIN(TestNgWords)
#include "tst_ngwords.moc"
