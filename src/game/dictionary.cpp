#include "game/dictionary.h"

#include "platform/textfile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <cmath>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QStringList cfqFiles(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("*.cfq")}, QDir::Files | QDir::Readable,
                                  QDir::Name);
}

} // namespace

QVector<DictionaryEntry> ListDictionaries(const QString &appPath)
{
    QVector<DictionaryEntry> entries;
    for (const QString &name : cfqFiles(appPath))
        entries.append({name, appPath + name});
    const QString sub = appPath + QStringLiteral("cfq/");
    for (const QString &name : cfqFiles(sub))
        entries.append({QStringLiteral("cfq\\") + name, sub + name});
    return entries;
}

QString ReadDictionary(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > kMaxDictionaryBytes)
        return QString();
    return ReadTextFile(path);
}

QString GetDefaultQuestion(const QString &appPath)
{
    return ReadDictionary(appPath + QStringLiteral("default.dat"));
}

JoinedDictionaries JoinDictionaries(PoolMode mode, const QString &builtIn,
                                    const QVector<DictionaryText> &added)
{
    JoinedDictionaries joined;
    if (mode != PoolMode::AddedOnly) {
        joined.text += builtIn;
        if (mode == PoolMode::BuiltInTwice) {
            joined.text += builtIn;
            joined.messages.append(QStringLiteral("内蔵辞書を読み込みました（高確率）"));
        } else {
            joined.messages.append(QStringLiteral("内蔵辞書を読み込みました"));
        }
    }
    if (mode == PoolMode::BuiltInOnly)
        return joined;
    for (const DictionaryText &dict : added) {
        joined.text += dict.text;
        QString message = QStringLiteral("追加辞書 「") + dict.name;
        if (mode == PoolMode::AddedTwice) {
            joined.text += dict.text;
            message += QStringLiteral("」を読み込みました（高確率）");
        } else {
            message += QStringLiteral("」を読み込みました");
        }
        joined.messages.append(message);
    }
    return joined;
}

QStringList SplitPool(const QString &text)
{
    if (text.isEmpty())
        return {};
    // A dictionary saved by a Linux or old Mac editor has lone LF or CR line ends.
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    return text.split(lineEnd);
}

std::optional<QString> GetQuestion(const QStringList &pool, const RandomSource &random)
{
    if (pool.isEmpty())
        return std::nullopt;
    const qsizetype last = pool.size() - 1;
    const double r = random ? random() : 0.0;
    // Bounded even for a source that strays outside [0, 1).
    const qsizetype index =
        qBound<qsizetype>(0, qsizetype(std::floor(r * double(last))), qMax<qsizetype>(0, last - 1));
    return CleanTopic(pool.at(index));
}

QString CleanTopic(const QString &line)
{
    QString topic = line;
    // A line that starts with "//" is a topic, not a comment.
    const qsizetype comment = topic.indexOf(QStringLiteral("//"), 1);
    if (comment > 0)
        topic.truncate(comment);
    // Tabs go first, so blanks behind a tab are trimmed too.
    topic.remove(QLatin1Char('\t'));
    topic = TrimBlanks(topic);
    if (topic.isEmpty())
        topic = QStringLiteral("このもんだいはふせいです");
    topic = ToHiragana(topic);
    topic.replace(QStringLiteral("ヴ"), QStringLiteral("う゛"));
    topic.replace(QChar(0xFF0D), QChar(0x30FC));
    topic.replace(QLatin1Char('-'), QChar(0x30FC));
    return topic;
}

QString ToHiragana(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        if (c.unicode() >= 0x30A1 && c.unicode() <= 0x30F3)
            c = QChar(c.unicode() - 0x60);
    }
    return out;
}

QString TrimBlanks(const QString &text)
{
    auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QChar(0x3000); };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && blank(text.at(begin)))
        ++begin;
    while (end > begin && blank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}
