#include "platform/codec.h"
#include "platform/settingsstore.h"
#include "platform/textfile.h"

#include <QTemporaryDir>
#include <QtTest>

// Shift_JIS and EUC-JP text, and the files and settings written in it.
class TestCodec : public QObject
{
    Q_OBJECT
private slots:
    // A plain Shift_JIS table, NEC/IBM duplicates from the wrong row, JIS forms lost.
    void cp932Characters()
    {
        const std::pair<QByteArray, QString> both[] = {
            {"\x81\x60", "～"}, {"\x87\x40", "①"}, {"\xb6", "ｶ"}, {"\x5c", "\\"}};
        for (const auto &[bytes, text] : both) {
            QCOMPARE(Codec::fromSjis(bytes), text);
            QCOMPARE(Codec::toSjis(text), bytes);
            QCOMPARE(Codec::sjisLength(text), bytes.size());
        }
        const std::pair<QString, QByteArray> written[] = {
            {"∵", "\x81\xe6"},
            {"Ⅰ", "\x87\x54"},
            {"纊", "\xfa\x5c"},
            {"a😀b\u00e9c", "a?b?c"},
            // The JIS table's wave dash and minus, as Linux input methods type them.
            {"〜−", "\x81\x60\x81\x7c"}};
        for (const auto &[text, bytes] : written)
            QCOMPARE(Codec::toSjis(text), bytes);
    }

    void singleBytesAsWindowsMapsThem() // ICU's 0x1A/0x1C/0x7F permutation, 0x80, 0xA0, 0xFD-FF
    {
        QByteArray all;
        for (int b = 0; b < 0x80; ++b)
            all.append(char(b));
        const QString text = Codec::fromSjis(all);
        QCOMPARE(text.size(), 0x80);
        for (int b = 0; b < 0x80; ++b)
            QCOMPARE(text.at(b).unicode(), ushort(b));
        QCOMPARE(Codec::toSjis(text), all);
        const QByteArray bytes("\x80\xa0\xfd\xfe\xff");
        QCOMPARE(Codec::fromSjis(bytes), QString::fromUtf16(u"\u0080\uf8f0\uf8f1\uf8f2\uf8f3"));
        QCOMPARE(Codec::toSjis(Codec::fromSjis(bytes)), bytes);
        QCOMPARE(Codec::fromSjis("\x85\x40"), QStringLiteral("・")); // unassigned double byte
    }

    void chunksAndBrokenBytes() // a character cut by a chunk lost; a broken lead eats the LF
    {
        const QByteArray bytes = Codec::toSjis(QStringLiteral("あい<>実況\n"));
        for (int cut = 0; cut <= bytes.size(); ++cut) {
            Codec::SjisDecoder decoder;
            QString text = decoder.decode(bytes.left(cut));
            text += decoder.decode(bytes.mid(cut));
            QCOMPARE(text + decoder.finish(), QStringLiteral("あい<>実況\n"));
        }
        QCOMPARE(Codec::fromSjis("ab\x81\nc\n"), QStringLiteral("ab・\nc\n"));
    }

    void eucToSjis() // a line-break form not made CR LF, text mangled, CR LF split by a chunk
    {
        QCOMPARE(Codec::EucToSjis("a\n\nb\rc\r"), QStringLiteral("a\r\n\r\nb\r\nc\r\n"));
        const QString text = QStringLiteral("1<>名無し<>ｶﾅ＞＞１\r\n2<>x\r\n");
        const QByteArray body = Codec::toEuc(text);
        for (int cut = 0; cut <= body.size(); ++cut) {
            Codec::EucToSjisDecoder decoder;
            QString decoded = decoder.decode(body.left(cut));
            decoded += decoder.decode(body.mid(cut));
            QCOMPARE(decoded + decoder.finish(), text);
        }
    }

    void textFiles() // not Shift_JIS, a failure reported as success, a folder taken for a file
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.txt"));
        QVERIFY(!FileExists(path));
        QVERIFY(WriteTextFile(path, QStringLiteral("あ～\r\n")));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("\x82\xa0\x81\x60\r\n"));
        QCOMPARE(ReadTextFile(path), QStringLiteral("あ～\r\n"));
        QVERIFY(FileExists(path));
        QVERIFY(!FileExists(dir.path()));
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

QTEST_GUILESS_MAIN(TestCodec)
#include "tst_codec.moc"
