#include "rendering/ngrules.h"

#include "platform/text.h"
#include "platform/textfile.h"
#include "rendering/datline.h"

#include <utility>

namespace {

const QString kIdPrefix = QStringLiteral("ID:");

// A poster's ID: boards without IDs show "???" for everyone, a blank would end the field, and
// a ":" would read differently in a queue entry and after "ID:" in the file.
bool IsPosterId(const QString &id)
{
    bool onlyQuestionMarks = true;
    for (const QChar c : id) {
        if (c.isSpace() || c.category() == QChar::Other_Control || c == QLatin1Char(':'))
            return false;
        onlyQuestionMarks = onlyQuestionMarks && c == QLatin1Char('?');
    }
    return !id.isEmpty() && !onlyQuestionMarks;
}

QString Shortened(const QString &text)
{
    constexpr qsizetype kShown = 40;
    return text.size() <= kShown ? text : text.left(kShown) + QStringLiteral("…");
}

} // namespace

QString NgRules::fileName(Kind kind)
{
    switch (kind) {
    case Kind::Id:
        return QStringLiteral("ngid.txt");
    case Kind::Name:
        return QStringLiteral("ngname.txt");
    case Kind::Pattern:
        break;
    }
    return QStringLiteral("ngregex.txt");
}

QString NgRules::PosterId(const QString &dateId)
{
    QString id = GetID(RemoveTags(dateId));
    id.remove(QLatin1Char('\r'));
    id.remove(0, kIdPrefix.size());
    return IsPosterId(id) ? id : QString();
}

QString NgRules::PosterIdOfEntry(const QString &idText)
{
    if (!idText.startsWith(kIdPrefix))
        return QString();
    // The queue writes "/" as ":"; the boards' IDs hold no ":" of their own.
    QString id = idText.mid(kIdPrefix.size());
    id.replace(QLatin1Char(':'), QLatin1Char('/'));
    return IsPosterId(id) ? id : QString();
}

QString NgRules::MessageText(const QString &message)
{
    QString text = message;
    text.replace(QStringLiteral(" <br> "), QStringLiteral("\n"));
    text.replace(QStringLiteral("<br>"), QStringLiteral("\n"));
    return DecodeEntities(RemoveTags(text)).trimmed();
}

int NgRules::count(Kind kind) const
{
    switch (kind) {
    case Kind::Id:
        return int(m_ids.size());
    case Kind::Name:
        return int(m_names.size());
    case Kind::Pattern:
        break;
    }
    return int(m_patterns.size());
}

bool NgRules::isEmpty() const
{
    return m_ids.isEmpty() && m_names.isEmpty() && m_patterns.isEmpty();
}

QStringList NgRules::load(const QString &folder, qint64 now, int idHours)
{
    m_folder = folder;
    m_ids.clear();
    m_idSet.clear();
    m_names.clear();
    m_patterns.clear();
    m_held = {};
    QStringList messages;
    for (const Kind kind : kKinds) {
        const std::optional<QString> text = ReadUtf8File(filePath(kind), kMaxFileBytes);
        if (!text) {
            m_held[int(kind)] = true;
            messages << QStringLiteral("%1 を読めませんでした（UTF-8 の1 MiB までのテキストでは"
                                       "ありません）。このファイルは書き換えません")
                            .arg(fileName(kind));
            continue;
        }
        const QStringList lines = SplitLines(*text);
        for (int i = 0; i < lines.size(); ++i) {
            if (lines.at(i).trimmed().isEmpty())
                continue;
            if (count(kind) >= kMaxRules) {
                m_held[int(kind)] = true;
                messages << QStringLiteral("%1 の規則が%2件を超えているため、先頭の%2件だけを"
                                           "使います。このファイルは書き換えません")
                                .arg(fileName(kind))
                                .arg(kMaxRules);
                break;
            }
            const QString problem = takeLine(kind, lines.at(i), now, idHours);
            if (!problem.isEmpty())
                messages << QStringLiteral("%1 の%2行目は使えません：%3")
                                .arg(fileName(kind))
                                .arg(i + 1)
                                .arg(problem);
        }
    }
    return messages;
}

QString NgRules::takeLine(Kind kind, const QString &line, qint64 now, int idHours)
{
    if (kind == Kind::Name) {
        if (!m_names.contains(line))
            m_names << line;
        return QString();
    }
    if (kind == Kind::Pattern) {
        // Kept whether it works or not: the file is written back with it.
        m_patterns.append(PatternRule{line, NgPattern(line), false});
        return m_patterns.constLast().pattern.error();
    }
    // A hand-written line may lack the time, or carry "ID:"; a time ahead of the clock counts
    // as now, so that it cannot keep a rule for ever.
    const qsizetype tab = line.indexOf(QLatin1Char('\t'));
    QString id = (tab < 0 ? line : line.left(tab)).trimmed();
    if (id.startsWith(kIdPrefix))
        id.remove(0, kIdPrefix.size());
    bool ok = false;
    const qint64 stamp = tab < 0 ? now : line.mid(tab + 1).trimmed().toLongLong(&ok);
    const qint64 added = ok ? qMin(stamp, now) : now;
    if (!IsPosterId(id) || now - added > qint64(idHours) * 3600)
        return QString();
    if (!m_idSet.contains(id)) {
        m_ids.append(IdRule{id, added});
        m_idSet.insert(id);
        return QString();
    }
    for (IdRule &rule : m_ids)
        if (rule.id == id)
            rule.added = qMax(rule.added, added);
    return QString();
}

QStringList NgRules::list(Kind kind) const
{
    QStringList texts;
    if (kind == Kind::Id) {
        for (const IdRule &rule : m_ids)
            texts << rule.id;
    } else if (kind == Kind::Name) {
        texts = m_names;
    } else {
        for (const PatternRule &rule : m_patterns)
            texts << rule.text;
    }
    return texts;
}

QString NgRules::patternProblem(int index) const
{
    if (index < 0 || index >= m_patterns.size())
        return QString();
    const PatternRule &rule = m_patterns.at(index);
    if (!rule.pattern.isValid())
        return rule.pattern.error();
    return rule.stopped ? QStringLiteral("照合に時間がかかりすぎるため止めました") : QString();
}

NgRules::Outcome NgRules::add(Kind kind, const QString &text, qint64 now)
{
    if (text.trimmed().isEmpty())
        return {false, QStringLiteral("空のNG規則は追加できません")};
    if (text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n')))
        return {false, QStringLiteral("改行を含むNG規則は追加できません")};
    const QStringList present = list(kind);
    const qsizetype at = present.indexOf(text);
    if (at < 0 && count(kind) >= kMaxRules)
        return {false, QStringLiteral("NG規則は種類ごとに%1件までです").arg(kMaxRules)};
    if (kind == Kind::Id) {
        if (!IsPosterId(text))
            return {false, QStringLiteral("IDの表示されていないレスです")};
        // Still posting: the day of the ID starts again.
        if (at >= 0)
            m_ids[at].added = now;
        else
            m_ids.append(IdRule{text, now});
        m_idSet.insert(text);
    } else if (at >= 0) {
        return {true, QString()};
    } else if (kind == Kind::Name) {
        m_names << text;
    } else {
        const NgPattern pattern(text);
        if (!pattern.isValid())
            return {false, pattern.error()};
        m_patterns.append(PatternRule{text, pattern, false});
    }
    return {true, save(kind)};
}

QString NgRules::remove(Kind kind, int index)
{
    if (index < 0 || index >= count(kind))
        return QString();
    if (kind == Kind::Id)
        m_idSet.remove(m_ids.takeAt(index).id);
    else if (kind == Kind::Name)
        m_names.removeAt(index);
    else
        m_patterns.removeAt(index);
    return save(kind);
}

QString NgRules::fileText(Kind kind) const
{
    QString text;
    if (kind == Kind::Id) {
        for (const IdRule &rule : m_ids)
            text +=
                rule.id + QLatin1Char('\t') + QString::number(rule.added) + QStringLiteral("\r\n");
        return text;
    }
    for (const QString &line : list(kind))
        text += line + QStringLiteral("\r\n");
    return text;
}

QString NgRules::save(Kind kind)
{
    // Rules made before any folder was read belong to no file.
    if (m_folder.isEmpty())
        return QString();
    if (m_held[int(kind)])
        return QStringLiteral("%1 は読み込めなかった部分があるため書き換えません（この変更は"
                              "終了まで有効です）")
            .arg(fileName(kind));
    if (!WriteUtf8File(filePath(kind), fileText(kind)))
        return QStringLiteral("%1 に保存できませんでした").arg(filePath(kind));
    return QString();
}

bool NgRules::hides(const QString &id, const QString &name, const QString &message)
{
    if (!id.isEmpty() && m_idSet.contains(id))
        return true;
    if (!name.isEmpty()) {
        for (const QString &part : std::as_const(m_names))
            if (name.contains(part))
                return true;
    }
    if (m_patterns.isEmpty())
        return false;
    const QString text = MessageText(message);
    for (PatternRule &rule : m_patterns) {
        if (rule.stopped)
            continue;
        switch (rule.pattern.match(text)) {
        case NgPattern::Result::Match:
            return true;
        case NgPattern::Result::Stopped:
            // Skipped from now on: each post would cost the whole bound again.
            rule.stopped = true;
            m_notes << QStringLiteral("NGパターン「%1」は照合に時間がかかりすぎるため止めました")
                           .arg(Shortened(rule.text));
            break;
        case NgPattern::Result::NoMatch:
            break;
        }
    }
    return false;
}

QStringList NgRules::takeNotes()
{
    return std::exchange(m_notes, QStringList());
}
