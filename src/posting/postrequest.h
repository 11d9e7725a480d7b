#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// What a post is made of: the values taken from the thread's address, the form body, the
// request bytes, and the judging of the board's answer. Pure: no socket, no clock of its own.

QString Get2chBBS(const QString &url);
QString Get2chKEY(const QString &url);
QString GetShitarabaDIR(const QString &url);
QString GetShitarabaBBS(const QString &url);
QString GetShitarabaKEY(const QString &url);

// True when the address is posted to with the rental board's form (/bbs/write.cgi, EUC-JP).
bool IsShitarabaForm(const QString &url);

// The time field: true seconds since 1970 UTC, five minutes back (the boards refuse a post
// whose form looks older than the thread or newer than their clock).
qint64 PostTime(const QDateTime &now);

// The fields of one post as typed (the message already trimmed).
struct PostFields
{
    QString subject; // new thread only
    QString name;
    QString mail;
    QString message;
    bool newThread = false;
};

// The form body of a reply or a new thread, for the form the address calls for.
QString PostBody(const QString &url, const PostFields &fields, qint64 time);

// The whole request, Shift_JIS. cookie: the Cookie value; empty means "NAME=…; MAIL=…".
QByteArray PostRequest(const QString &url, const PostFields &fields, const QString &body,
                       const QString &cookie = QString());

// The "NAME=…; MAIL=…" cookie of the first try, merged with what an answer's Set-Cookie
// lines asked for (those replace a key of the same name). Bounded in count and length.
QString PostCookie(const PostFields &fields, const QString &answer);

// What the board's answer means.
struct PostVerdict
{
    enum class Outcome
    {
        Written,      // the board took the post
        Failed,       // an error page, an HTTP error, an empty or unreadable answer
        Confirmation, // the board asks to confirm (sets cookies); nothing was written
    };
    Outcome outcome = Outcome::Failed;
    QString text; // the page title on success, else what to show the user
};

// Judges the decoded answer, status line and header included.
PostVerdict JudgePostAnswer(const QString &answer);

// The post command's check of the address bar before the post window opens.
struct PostTarget
{
    bool open = false;       // the post window may open
    bool twoChannel = false; // a 2channel-style address (also when refused)
    QString address;         // the address, a rental-board one cut after its last "/"
    QString status;          // the status text when refused
};
PostTarget CheckPostAddress(const QString &address);
