#include "platform/codec.h"
#include "rendering/ngrules.h"

#include <QTemporaryDir>
#include <QtTest>

using Kind = NgRules::Kind;

namespace {

constexpr qint64 kNow = 1800000000;

// A data folder holding the three rule files as given (nothing written for a null text).
struct Folder
{
    explicit Folder(const QByteArray &ids = {}, const QByteArray &names = {},
                    const QByteArray &patterns = {})
    {
        const QByteArray texts[] = {ids, names, patterns};
        for (const Kind kind : NgRules::kKinds) {
            QFile file(path(kind));
            if (!texts[int(kind)].isNull() &&
                (!file.open(QIODevice::WriteOnly) || file.write(texts[int(kind)]) < 0))
                qFatal("cannot write %s", qPrintable(path(kind)));
        }
    }
    QString path(Kind kind) const { return dir.filePath(NgRules::fileName(kind)); }
    QByteArray read(Kind kind) const
    {
        QFile file(path(kind));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QStringList load(NgRules &rules, int idHours = 24) const
    {
        return rules.load(dir.path() + QLatin1Char('/'), kNow, idHours);
    }
    QTemporaryDir dir;
};

} // namespace

class TestNgRules : public QObject
{
    Q_OBJECT
private slots:
    // Line ends of any editor, a last line without one, blank lines, expiry by NgIdHours, a
    // time ahead of the clock, an invalid pattern reported by its line and still written back.
    void filesReadAndWrittenBack()
    {
        const Folder folder("old\t1799910000\r\nfresh\t1799999000\nID:typed\rfuture\t1900000000"
                            "\r\n\r\n???\t1799999000\nnotime",
                            "名無し ◆trip\r\n\r\n  \n荒らし", "死ね\r\n(a\n\nw{5,}");
        NgRules rules;
        QCOMPARE(folder.load(rules),
                 QStringList{"ngregex.txt の2行目は使えません：パターンの3文字目が正しくありません"
                             "（missing closing parenthesis）"});
        QCOMPARE(rules.list(Kind::Id), QStringList({"fresh", "typed", "future", "notime"}));
        QCOMPARE(rules.list(Kind::Name), QStringList({"名無し ◆trip", "荒らし"}));
        QCOMPARE(rules.list(Kind::Pattern), QStringList({"死ね", "(a", "w{5,}"}));
        QVERIFY(!rules.patternProblem(1).isEmpty());

        // Every change writes its file at once, CR LF, the unusable pattern kept.
        QCOMPARE(rules.add(Kind::Pattern, "^うざ", kNow).message, QString());
        QCOMPARE(folder.read(Kind::Pattern), QByteArray("死ね\r\n(a\r\nw{5,}\r\n^うざ\r\n"));
        QCOMPARE(rules.add(Kind::Id, "fresh", kNow + 5).message, QString());
        QCOMPARE(folder.read(Kind::Id), QByteArray("fresh\t1800000005\r\ntyped\t1800000000\r\n"
                                                   "future\t1800000000\r\nnotime\t1800000000\r\n"));
        QCOMPARE(rules.remove(Kind::Name, 0), QString());
        QCOMPARE(folder.read(Kind::Name), QByteArray("荒らし\r\n"));

        // With NgIdHours 1, an hour and a second later.
        NgRules again;
        folder.load(again, 1);
        QCOMPARE(again.list(Kind::Id), QStringList({"fresh", "typed", "future", "notime"}));
        again.load(folder.dir.path() + QLatin1Char('/'), kNow + 3606, 1);
        QCOMPARE(again.list(Kind::Id), QStringList());
    }

    // A file written by another tool (Shift_JIS) or beyond the bound is never rewritten with
    // less; a byte-order mark is no part of the first rule.
    void unreadableFilesAreLeftAlone()
    {
        const QByteArray sjis = Codec::toSjis(QStringLiteral("荒らし\r\n"));
        QByteArray many;
        for (int i = 0; i <= NgRules::kMaxRules; ++i)
            many += "rule" + QByteArray::number(i) + "\r\n";
        const Folder folder(QByteArray(), sjis, many);
        NgRules rules;
        const QStringList messages = folder.load(rules);
        QCOMPARE(messages.size(), 2);
        QVERIFY(messages[0].startsWith(QStringLiteral("ngname.txt を読めませんでした")));
        QVERIFY(messages[1].startsWith(QStringLiteral("ngregex.txt の規則が1000件を超えている")));
        QCOMPARE(rules.list(Kind::Pattern).size(), NgRules::kMaxRules);
        QCOMPARE(rules.list(Kind::Pattern).constLast(), QStringLiteral("rule999"));

        const NgRules::Outcome name = rules.add(Kind::Name, QStringLiteral("荒らし"), kNow);
        QVERIFY(name.inEffect);
        QVERIFY(name.message.contains(QStringLiteral("書き換えません")));
        QCOMPARE(folder.read(Kind::Name), sjis);
        QVERIFY(!rules.remove(Kind::Pattern, 0).isEmpty());
        QCOMPARE(folder.read(Kind::Pattern), many);
        // The missing ID file is made.
        QVERIFY(rules.add(Kind::Id, QStringLiteral("abc"), kNow).message.isEmpty());
        QCOMPARE(folder.read(Kind::Id), QByteArray("abc\t1800000000\r\n"));

        const Folder bom(QByteArray("\xEF\xBB\xBF"
                                    "abc\t1800000000\r\n"));
        bom.load(rules);
        QCOMPARE(rules.list(Kind::Id), QStringList{"abc"});
    }

    void refusedRules_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        const int id = int(Kind::Id), name = int(Kind::Name), pattern = int(Kind::Pattern);
        QTest::newRow("blank") << name << " "
                               << "空のNG規則は追加できません";
        QTest::newRow("line break") << name << "a\nb"
                                    << "改行を含むNG規則は追加できません";
        QTest::newRow("no ID") << id << "???"
                               << "IDの表示されていないレスです";
        QTest::newRow("ID with a blank") << id << "ab cd"
                                         << "IDの表示されていないレスです";
        QTest::newRow("invalid pattern")
            << pattern << "a)"
            << "パターンの2文字目が正しくありません（unmatched closing parenthesis）";
        QTest::newRow("1,001 characters")
            << pattern << QString(1001, 'a') << "パターンが1000文字を超えています";
    }
    void refusedRules() // a rule that would break the file, hide everyone or never work
    {
        QFETCH(int, kind);
        QFETCH(QString, text);
        QFETCH(QString, message);
        NgRules rules;
        const NgRules::Outcome outcome = rules.add(Kind(kind), text, kNow);
        QCOMPARE(outcome.message, message);
        QVERIFY(!outcome.inEffect && rules.isEmpty());
        QVERIFY(rules.add(Kind::Pattern, QString(1000, 'a'), kNow).inEffect); // the longest
    }

    void hides_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("hidden");
        QTest::newRow("ID") << "ab/cd"
                            << "名無し"
                            << " こんにちは " << true;
        QTest::newRow("other ID") << "ab/cde"
                                  << "名無し"
                                  << " こんにちは " << false;
        QTest::newRow("trip in a name") << "x"
                                        << "名無し ◆trip7"
                                        << "a" << true;
        QTest::newRow("name case") << "x"
                                   << "名無し ◆TRIP7"
                                   << "a" << false;
        QTest::newRow("pattern at the start of a line") << "x"
                                                        << "名無し"
                                                        << " 今日は <br> うざい <br> " << true;
        QTest::newRow("pattern reads entities") << "x"
                                                << "n"
                                                << " &gt;&gt;1 うざい " << true;
        QTest::newRow("pattern not in a tag") << "x"
                                              << "n"
                                              << " <a href=\"うざ\">x</a> " << false;
        QTest::newRow("full-width digits as \\d") << "x"
                                                  << "n"
                                                  << " ８８８８ " << true;
    }
    void hides()
    {
        QFETCH(QString, id);
        QFETCH(QString, name);
        QFETCH(QString, message);
        QFETCH(bool, hidden);
        NgRules rules;
        for (const auto &[kind, text] : {std::pair{Kind::Id, "ab/cd"},
                                         {Kind::Name, "◆trip"},
                                         {Kind::Pattern, "^うざ|>>1 う"},
                                         {Kind::Pattern, "\\d{4}"}})
            QVERIFY(rules.add(kind, QString::fromUtf8(text), kNow).inEffect);
        QCOMPARE(rules.hides(id, name, message), hidden);
    }

    void posterIds() // the ID of a date field, linked or not, and of a queue entry
    {
        QCOMPARE(NgRules::PosterId("2007/01/01 ID:ab/cd BE:1"), QStringLiteral("ab/cd"));
        QCOMPARE(NgRules::PosterId("1 <a href=\"ID:ab%2fcd\">ID:</a>ab/cd"),
                 QStringLiteral("ab/cd"));
        QCOMPARE(NgRules::PosterId("2007/01/01 12:00 ID:abc\r"), QStringLiteral("abc"));
        QCOMPARE(NgRules::PosterId("2007/01/01 ID:???"), QString());
        QCOMPARE(NgRules::PosterId("2007/01/01"), QString());
        QCOMPARE(NgRules::PosterIdOfEntry("ID:ab:cd"), QStringLiteral("ab/cd"));
        QCOMPARE(NgRules::PosterIdOfEntry("ID:???"), QString());
    }

    // A pathological pattern stalls the window: the match limit ends runaway backtracking,
    // the time bound a repeat that scans the text again at every step (a lookahead in a loop,
    // about 10^12 steps here, which no match limit counts).
    void pathologicalPatternsAreBounded_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("subject");
        QTest::newRow("(a+)+$") << "(a+)+$" << QString(50000, 'a') + 'b';
        QTest::newRow("lookahead in a loop") << "(?:(?=a*b)a)*c" << QString(10000, 'a') + "bc";
    }
    void pathologicalPatternsAreBounded()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, subject);
        NgRules rules;
        QVERIFY(rules.add(Kind::Pattern, pattern, kNow).inEffect);
        QVERIFY(!rules.hides(QString(), QString(), subject));
        QCOMPARE(rules.takeNotes(), QStringList{"NGパターン「" + pattern +
                                                "」は照合に時間がかかりすぎるため止めました"});
        QVERIFY(!rules.patternProblem(0).isEmpty());
        // Stopped: the next post costs nothing and says nothing.
        QVERIFY(!rules.hides(QString(), QString(), subject));
        QCOMPARE(rules.takeNotes(), QStringList());
        QCOMPARE(NgPattern(pattern).match(QStringLiteral("xbc")),
                 pattern.endsWith('c') ? NgPattern::Result::Match : NgPattern::Result::NoMatch);
    }
};

QTEST_GUILESS_MAIN(TestNgRules)
#include "tst_ngrules.moc"
