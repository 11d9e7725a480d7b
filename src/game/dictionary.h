#pragma once

#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>
#include <optional>

// The game's topic dictionaries: where they are, how the modes join them, how a topic is drawn.

// A dictionary file as the game window lists it: the shown name ("x.cfq" or "cfq\x.cfq") and
// the file it stands for.
struct DictionaryEntry
{
    QString name;
    QString path;
};

// The dictionary modes, in the order of the game window's option buttons.
enum class PoolMode
{
    BuiltInOnly = 0,  // 内蔵辞書のみ
    AddedOnly = 1,    // 追加辞書のみ
    Both = 2,         // 内蔵辞書 + 追加辞書
    AddedTwice = 3,   // 内蔵辞書 + 追加辞書（高確率化）
    BuiltInTwice = 4, // 内蔵辞書（高確率化） + 追加辞書
};

// Larger files are refused: dictionaries are hand-edited and read whole.
constexpr qint64 kMaxDictionaryBytes = 8 * 1024 * 1024;

// The "*.cfq" files of the program folder, then those of its "cfq" folder.
QVector<DictionaryEntry> ListDictionaries(const QString &appPath);

// The text of one dictionary file, empty when it is missing, unreadable or too large.
QString ReadDictionary(const QString &path);
// The built-in dictionary "default.dat" of the program folder, or an empty text.
QString GetDefaultQuestion(const QString &appPath);

// A dictionary's name and text, as the mode joins it.
struct DictionaryText
{
    QString name;
    QString text;
};
// The joined text of a mode and the messages that report what went into it.
struct JoinedDictionaries
{
    QString text;
    QStringList messages;
};
JoinedDictionaries JoinDictionaries(PoolMode mode, const QString &builtIn,
                                    const QVector<DictionaryText> &added);

// The topic pool: the joined text split at every line end (CR LF, lone LF or lone CR); an empty
// text has no element.
QStringList SplitPool(const QString &text);

// A number from [0, 1).
using RandomSource = std::function<double()>;

// A cleaned topic drawn from the pool; the last element (the rest after the final CR LF) is
// never drawn. Nothing when the pool has no element.
std::optional<QString> GetQuestion(const QStringList &pool, const RandomSource &random);

// A pool line made into a topic: comment cut, blanks removed, katakana as hiragana.
QString CleanTopic(const QString &line);

// Katakana from "ァ" to "ン" as the hiragana 0x60 code points lower; everything else kept.
QString ToHiragana(const QString &text);

// Spaces and ideographic spaces (U+3000) removed from both ends.
QString TrimBlanks(const QString &text);
