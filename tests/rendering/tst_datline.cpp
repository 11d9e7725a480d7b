#include "rendering/datline.h"
#include "rendering/ngwords.h"

#include <QtTest>

class TestDatLine : public QObject
{
    Q_OBJECT
private slots:
    void getId_data();
    void getId();
    void twoChannelLine();
    void tooFewFields_data();
    void tooFewFields();
    void rentalExtraFieldsIgnored();
    void ngRecordMapsOnBothKinds_data();
    void ngRecordMapsOnBothKinds();
};

void TestDatLine::getId_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("id");
    QTest::newRow("plain") << QStringLiteral("2007/01/01 12:00:00 ID:abcd1234")
                           << QStringLiteral("ID:abcd1234");
    QTest::newRow("followed by BE")
        << QStringLiteral("2007/01/01 12:00:00 ID:abcd BE:12-2BP") << QStringLiteral("ID:abcd");
    QTest::newRow("no id") << QStringLiteral("2007/01/01 12:00:00") << QString();
    QTest::newRow("lower case is not an id") << QStringLiteral("2007/01/01 id:abc") << QString();
    QTest::newRow("rental keeps the CR")
        << QStringLiteral("2007/01/01 12:00 ID:abc\r") << QStringLiteral("ID:abc\r");
    QTest::newRow("slash kept") << QStringLiteral("x ID:ab/cd") << QStringLiteral("ID:ab/cd");
    QTest::newRow("first of two") << QStringLiteral("ID:aa ID:bb") << QStringLiteral("ID:aa");
    QTest::newRow("empty id") << QStringLiteral("2007 ID: x") << QStringLiteral("ID:");
    QTest::newRow("empty date") << QString() << QString();
}

void TestDatLine::getId()
{
    QFETCH(QString, date);
    QFETCH(QString, id);
    QCOMPARE(GetID(date), id);
}

void TestDatLine::twoChannelLine()
{
    const DatPost p = MapDatLine(
        QStringLiteral("名無しさん<>sage<>2007/01/01(月) 12:00:00 ID:abcd<> こんにちは <br> 二行目 "
                       "<>実況スレ"),
        QStringLiteral("<>"), Boards::Kind::TwoChannel, 41);
    QCOMPARE(p.Num, QStringLiteral("42")); // the running count, not a field
    QCOMPARE(p.Names, QStringLiteral("名無しさん"));
    QCOMPARE(p.Mail, QStringLiteral("sage"));
    QCOMPARE(p.DateID, QStringLiteral("2007/01/01(月) 12:00:00 ID:abcd"));
    QCOMPARE(p.Message, QStringLiteral(" こんにちは <br> 二行目 "));
    QCOMPARE(p.Title, QStringLiteral("実況スレ"));
    QVERIFY(!p.Broken);
}

void TestDatLine::tooFewFields_data()
{
    QTest::addColumn<Boards::Kind>("kind");
    QTest::addColumn<QString>("line");
    QTest::newRow("2ch three fields") << Boards::Kind::TwoChannel << QStringLiteral("a<>b<>c");
    QTest::newRow("2ch one field") << Boards::Kind::TwoChannel << QStringLiteral("garbage");
    QTest::newRow("2ch empty line") << Boards::Kind::TwoChannel << QString();
    QTest::newRow("rental five fields")
        << Boards::Kind::Shitaraba << QStringLiteral("1<>n<>m<>d<>msg");
    QTest::newRow("rental CR only") << Boards::Kind::Shitaraba << QStringLiteral("\r");
}

void TestDatLine::tooFewFields()
{
    QFETCH(Boards::Kind, kind);
    QFETCH(QString, line);
    const DatPost p = MapDatLine(line, QStringLiteral("<>"), kind, 9);
    QVERIFY(p.Broken);
    QCOMPARE(p.Num, QStringLiteral("10"));
    for (const QString &field : {p.Names, p.Mail, p.DateID, p.Message})
        QCOMPARE(field, kBrokenPost);
    QCOMPARE(p.Title, QString());
}

void TestDatLine::rentalExtraFieldsIgnored()
{
    const DatPost p = MapDatLine(QStringLiteral("1<>n<>m<>d<>msg<>t<>id<>extra"),
                                 QStringLiteral("<>"), Boards::Kind::Shitaraba, 0);
    QVERIFY(!p.Broken);
    QCOMPARE(p.DateID, QStringLiteral("d ID:id"));
}

void TestDatLine::ngRecordMapsOnBothKinds_data()
{
    QTest::addColumn<Boards::Kind>("kind");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("date");
    QTest::newRow("2ch") << Boards::Kind::TwoChannel << QStringLiteral("<>")
                         << QStringLiteral("NG");
    QTest::newRow("2ch comma") << Boards::Kind::TwoChannel << QStringLiteral(",")
                               << QStringLiteral("NG");
    QTest::newRow("rental") << Boards::Kind::Shitaraba << QStringLiteral("<>")
                            << QStringLiteral("NG ID:NG");
}

void TestDatLine::ngRecordMapsOnBothKinds()
{
    QFETCH(Boards::Kind, kind);
    QFETCH(QString, separator);
    QFETCH(QString, date);
    const DatPost p = MapDatLine(NgRecord(separator), separator, kind, 0);
    QVERIFY(!p.Broken);
    QCOMPARE(p.Names, QStringLiteral("NG"));
    QCOMPARE(p.Mail, QStringLiteral("NG"));
    QCOMPARE(p.DateID, date);
    QCOMPARE(p.Message, QStringLiteral("NG"));
    QCOMPARE(p.Title, QStringLiteral("NG"));
}

QTEST_GUILESS_MAIN(TestDatLine)
#include "tst_datline.moc"
