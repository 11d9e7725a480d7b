#pragma once

#include <QString>

// Filling the post skin and the three kinds of links made on the way: mail, ID and addresses.
namespace Skin {

// The name as a mail link when the mail field is not empty (the target quoted and escaped).
QString GetMailName(const QString &names, const QString &mail);

// The ID of a date field as a link target: GetID with every "/" written "%2f", CR removed.
QString LinkTargetId(const QString &dateId);
// The "ID:" that GetID found turned into a link to the ID; unchanged when the ID is empty.
QString LinkId(const QString &dateId, const QString &id);

// An address found in a message. Positions are 0-based.
struct UrlMatch
{
    qsizetype position = -1; // where the address starts; -1 when there is none
    QString address;         // the address as written in the message
    bool lacksH = false;     // written "ttp://": the link target gets its "h" back
    bool found() const { return position >= 0; }
};

// The first address at or after start: "http://" or the "ttp://" form, whichever comes first,
// running over the address characters.
UrlMatch FindUrl(const QString &message, qsizetype start);
// The message with its first 30 address searches turned into links; later addresses stay text.
QString LinkAddresses(const QString &message);

// The post skin with every placeholder (&NUMBER, &NAME, &MAILNAME, &MAIL, &DATE, &MESSAGE) of
// its own text replaced in one pass; a placeholder inside a field stays as written.
QString FillResSkin(const QString &resSkin, const QString &num, const QString &names,
                    const QString &mailName, const QString &mail, const QString &dateId,
                    const QString &message);

} // namespace Skin
