#include "rendering/datline.h"

#include <QtTest>

namespace {

QStringList fields(const DatPost &p)
{
    return {p.Num, p.Names, p.Mail, p.DateID, p.Message, p.Title};
}

} // namespace

class TestDatLine : public QObject
{
    Q_OBJECT
private slots:
    void getId() // ID taken from the wrong place, or its case ignored
    {
        const std::pair<const char *, const char *> rows[] = {
            {"2007/01/01 12:00:00 ID:ab/cd BE:12-2BP", "ID:ab/cd"},
            {"2007/01/01 12:00:00", ""},
            {"2007/01/01 id:abc", ""},
            {"2007/01/01 ID:abc\r", "ID:abc\r"},
            {"ID:aa ID:bb", "ID:aa"}};
        for (const auto &[date, id] : rows)
            QCOMPARE(GetID(QLatin1String(date)), QLatin1String(id));
    }

    void fieldsOfBothKinds() // fields mapped wrongly; number taken from a field; extras taken
    {
        const QString sep = QStringLiteral("<>");
        QCOMPARE(fields(MapDatLine(QStringLiteral("名無し<>sage<>2007 ID:ab<> 本文 <>スレ"), sep,
                                   Boards::Kind::TwoChannel, 41)),
                 (QStringList{"42", "名無し", "sage", "2007 ID:ab", " 本文 ", "スレ"}));
        QCOMPARE(fields(MapDatLine(QStringLiteral("7<>n<>m<>d<>msg<>t<>id<>extra"), sep,
                                   Boards::Kind::Shitaraba, 0)),
                 (QStringList{"1", "n", "m", "d ID:id", "msg", "t"}));
    }
};

QTEST_GUILESS_MAIN(TestDatLine)
#include "tst_datline.moc"
