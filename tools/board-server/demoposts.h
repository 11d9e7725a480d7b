#pragma once

#include <QDateTime>
#include <QRandomGenerator>
#include <QString>

// Made-up posts for the demo board: names, mail fields with "sage" and command words, IDs,
// anchors, image and web addresses, written the way the boards write them.
class DemoPosts
{
public:
    struct Post
    {
        QString name;
        QString mail;
        QString date; // "2023/11/15(水) 21:03:07.42"
        QString id;   // without "ID:"
        QString message;
    };

    explicit DemoPosts(quint32 seed = 1);

    // Post number `number` (1 is the thread's opening post), dated `when`. Its anchors link to
    // threadPath + number; with no path they stay plain text.
    Post make(int number, const QDateTime &when, const QString &threadPath);

    // One line of a 2channel-style data file, without its LF; title only on the first line.
    static QString datLine(const Post &post, const QString &title);
    // One line of the rental board's raw-mode output, without its LF.
    static QString rentalLine(int number, const Post &post, const QString &title);
    static QString dateText(const QDateTime &when);

private:
    QString randomId();
    template<typename T, int N> const T &pick(const T (&items)[N])
    {
        return items[m_rng.bounded(N)];
    }

    QRandomGenerator m_rng;
    QString m_ids[6];
};
