#include "platform/codec.h"

#include <QtTest>

class TestCodec : public QObject
{
    Q_OBJECT
private slots:
    void cp932SpecialCharacters_data();
    void cp932SpecialCharacters();
    void controlBytesMapToThemselves();
    void splitCharacterAcrossChunks();
    void invalidTrailKeepsLineFeed();
    void windowsSingleBytes();
    void duplicateCodesEncodeAsWindowsDoes_data();
    void duplicateCodesEncodeAsWindowsDoes();
    void unmappableBecomesQuestionMark();
    void eucToSjis_data();
    void eucToSjis();
    void eucToSjisLineBreaks_data();
    void eucToSjisLineBreaks();
    void eucToSjisChunked();
};

void TestCodec::cp932SpecialCharacters_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    // The characters where CP932 differs from plain Shift_JIS tables.
    QTest::newRow("wave dash") << QByteArray("\x81\x60") << QStringLiteral("～");
    QTest::newRow("minus") << QByteArray("\x81\x7c") << QStringLiteral("－");
    QTest::newRow("circled one") << QByteArray("\x87\x40") << QStringLiteral("①");
    QTest::newRow("half-width ka") << QByteArray("\xb6") << QStringLiteral("ｶ");
    QTest::newRow("yen sign is backslash") << QByteArray("\x5c") << QStringLiteral("\\");
    QTest::newRow("ibm extension") << QByteArray("\xfa\x40") << QStringLiteral("ⅰ");
    QTest::newRow("kanji") << QByteArray("\x8e\xc0\x8b\xb5") << QStringLiteral("実況");
}

void TestCodec::cp932SpecialCharacters()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(Codec::fromSjis(bytes), text);
    QCOMPARE(Codec::toSjis(text), bytes);
    QCOMPARE(Codec::sjisLength(text), bytes.size());
}

void TestCodec::controlBytesMapToThemselves()
{
    QByteArray all;
    for (int b = 0; b < 0x80; ++b)
        all.append(char(b));
    const QString text = Codec::fromSjis(all);
    QCOMPARE(text.size(), 0x80);
    for (int b = 0; b < 0x80; ++b)
        QCOMPARE(text.at(b).unicode(), ushort(b));
    QCOMPARE(Codec::toSjis(text), all);
}

void TestCodec::splitCharacterAcrossChunks()
{
    const QByteArray bytes = Codec::toSjis(QStringLiteral("あいう<>実況\n"));
    for (int cut = 0; cut <= bytes.size(); ++cut) {
        Codec::SjisDecoder decoder;
        QString text = decoder.decode(bytes.left(cut));
        text += decoder.decode(bytes.mid(cut));
        text += decoder.finish();
        QCOMPARE(text, QStringLiteral("あいう<>実況\n"));
    }
}

void TestCodec::invalidTrailKeepsLineFeed()
{
    // A broken lead byte must not swallow the line end that follows it.
    const QString text = Codec::fromSjis(QByteArray("ab\x81\nc\n"));
    QCOMPARE(text.count(QLatin1Char('\n')), 2);
    QVERIFY(text.startsWith(QStringLiteral("ab")));
    QVERIFY(text.endsWith(QStringLiteral("c\n")));
}

void TestCodec::windowsSingleBytes()
{
    const QByteArray bytes("\x80\xa0\xfd\xfe\xff");
    const QString text = Codec::fromSjis(bytes);
    QCOMPARE(text, QString::fromUtf16(u"\u0080\uf8f0\uf8f1\uf8f2\uf8f3"));
    QCOMPARE(Codec::toSjis(text), bytes);
    // An unassigned double-byte code reads as the default character.
    QCOMPARE(Codec::fromSjis(QByteArray("\x85\x40")), QStringLiteral("・"));
}

void TestCodec::duplicateCodesEncodeAsWindowsDoes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("because: JIS row wins") << QStringLiteral("∵") << QByteArray("\x81\xe6");
    QTest::newRow("not sign: JIS row wins") << QStringLiteral("￢") << QByteArray("\x81\xca");
    QTest::newRow("roman one: NEC row wins") << QStringLiteral("Ⅰ") << QByteArray("\x87\x54");
    QTest::newRow("small roman: IBM row") << QStringLiteral("ⅰ") << QByteArray("\xfa\x40");
    QTest::newRow("kanji: IBM row wins") << QStringLiteral("纊") << QByteArray("\xfa\x5c");
}

void TestCodec::duplicateCodesEncodeAsWindowsDoes()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(Codec::toSjis(text), bytes);
}

void TestCodec::unmappableBecomesQuestionMark()
{
    QCOMPARE(Codec::toSjis(QStringLiteral("a😀b\u00e9c")), QByteArray("a?b?c"));
}

void TestCodec::eucToSjis_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("hiragana") << QStringLiteral("あいうえお");
    QTest::newRow("katakana") << QStringLiteral("アイウエオヴ");
    QTest::newRow("kanji") << QStringLiteral("実況掲示板漢字");
    QTest::newRow("half-width kana") << QStringLiteral("ｱｲｳｴｵﾊﾟ");
    QTest::newRow("mixed") << QStringLiteral("1<>名無し<>sage<>2007/01/01<> テスト ｶﾅ<>スレ<>abc");
    QTest::newRow("symbols") << QStringLiteral("＞＞１２　「」、。・");
}

void TestCodec::eucToSjis()
{
    QFETCH(QString, text);
    QCOMPARE(Codec::EucToSjis(Codec::toEuc(text)), text);
}

void TestCodec::eucToSjisLineBreaks_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("expected");
    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QStringLiteral("a\r\nb\r\n");
    QTest::newRow("LF") << QByteArray("a\nb\n") << QStringLiteral("a\r\nb\r\n");
    QTest::newRow("CR") << QByteArray("a\rb\r") << QStringLiteral("a\r\nb\r\n");
    QTest::newRow("LF LF") << QByteArray("a\n\nb") << QStringLiteral("a\r\n\r\nb");
    QTest::newRow("LF first") << QByteArray("\nx") << QStringLiteral("\r\nx");
    QTest::newRow("empty") << QByteArray() << QString();
}

void TestCodec::eucToSjisLineBreaks()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, expected);
    QCOMPARE(Codec::EucToSjis(input), expected);
}

void TestCodec::eucToSjisChunked()
{
    const QByteArray body =
        Codec::toEuc(QStringLiteral("1<>名無し<>ｶﾅ<>本文\r2<>x<>y\n3<>終わり\r\n"));
    const QString whole = Codec::EucToSjis(body);
    for (int cut = 0; cut <= body.size(); ++cut) {
        Codec::EucToSjisDecoder decoder;
        QString text = decoder.decode(body.left(cut));
        text += decoder.decode(body.mid(cut));
        text += decoder.finish();
        QCOMPARE(text, whole);
    }
}

QTEST_GUILESS_MAIN(TestCodec)
#include "tst_codec.moc"
