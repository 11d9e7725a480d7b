#pragma once

#include "rendering/ngpattern.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>
#include <array>

// The NG rules a streamer adds in the middle of a broadcast, beside the NG words: a poster
// silenced by ID or by name, posts hidden by a pattern. Each kind lives in its own file in the
// data folder (UTF-8, CR LF), written at once on every change.
class NgRules
{
public:
    enum class Kind
    {
        Id,      // "ngid.txt": an ID, a tab and the time it was added (seconds since the epoch)
        Name,    // "ngname.txt": a name or trip, found in the name without tags
        Pattern, // "ngregex.txt": a pattern, searched in the message as text
    };
    static constexpr std::array<Kind, 3> kKinds{Kind::Id, Kind::Name, Kind::Pattern};
    // Per kind: more in a file are left there, unused.
    static constexpr int kMaxRules = 1000;
    static constexpr qint64 kMaxFileBytes = 1024 * 1024;

    static QString fileName(Kind kind);

    // Reads the three files of the folder (ending with "/"). ID rules added more than idHours
    // hours before now are dropped: boards give a poster a new ID every day. Returns one
    // message per problem (a file that cannot be read, a pattern that cannot be used).
    QStringList load(const QString &folder, qint64 now, int idHours);

    // The rules of a kind in file order: IDs, names, patterns as written.
    QStringList list(Kind kind) const;
    // Why a pattern of the list does nothing: "" when it works.
    QString patternProblem(int index) const;
    bool isEmpty() const;

    struct Outcome
    {
        bool inEffect = false; // the rule applies now (added, or there already)
        QString message;       // why it was refused or not saved; "" when all went well
    };
    // Adds a rule and writes its file. An ID already there has its time renewed.
    Outcome add(Kind kind, const QString &text, qint64 now);
    // Removes a rule of the list and writes the file; the message says why it was not saved.
    QString remove(Kind kind, int index);

    // True when a rule hides the post. id: the poster's ID without "ID:" ("" for none); name:
    // the name without tags; message: the message HTML, made text only when a pattern asks.
    bool hides(const QString &id, const QString &name, const QString &message);
    // Patterns stopped since the last call, each as a message; a stopped pattern is skipped
    // for the rest of the run.
    QStringList takeNotes();

    // The poster's ID shown in a date field (with or without the ID link): "ID:abc" gives
    // "abc"; "" when the field shows none, or only "???" as boards without IDs do.
    static QString PosterId(const QString &dateId);
    // The poster's ID as a queue entry carries it ("ID:ab:cd" for "ab/cd").
    static QString PosterIdOfEntry(const QString &idText);
    // A message as patterns read it: "<br>" a line break, no tags, entities decoded, the
    // board's blank at both ends dropped.
    static QString MessageText(const QString &message);

private:
    struct IdRule
    {
        QString id;
        qint64 added = 0;
    };
    struct PatternRule
    {
        QString text;
        NgPattern pattern;
        bool stopped = false;
    };
    // One line of a rule file taken in; why it cannot be used ("" when it can, or is dropped).
    QString takeLine(Kind kind, const QString &line, qint64 now, int idHours);
    QString save(Kind kind);
    QString fileText(Kind kind) const;
    QString filePath(Kind kind) const { return m_folder + fileName(kind); }
    int count(Kind kind) const;

    QString m_folder;
    QVector<IdRule> m_ids;
    QSet<QString> m_idSet;
    QStringList m_names;
    QVector<PatternRule> m_patterns;
    // Per kind: its file could not be read whole, or holds more than is used; it is left as it is.
    std::array<bool, 3> m_held{};
    QStringList m_notes;
};
