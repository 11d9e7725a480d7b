#include "rendering/skin.h"

#include "rendering/datline.h"

#include <array>

namespace Skin {

namespace {

constexpr int kMaxAddressSearches = 30;

constexpr std::array<bool, 128> makeAddressChars()
{
    std::array<bool, 128> table{};
    const char chars[] = "-.!~*'();/?:@&=+$,%#_0123456789"
                         "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    for (const char c : chars) {
        if (c != 0)
            table[static_cast<unsigned char>(c)] = true;
    }
    return table;
}

constexpr std::array<bool, 128> kAddressChars = makeAddressChars();

bool isAddressChar(QChar c)
{
    const char16_t u = c.unicode();
    return u < 128 && kAddressChars[u];
}

} // namespace

QString GetMailName(const QString &names, const QString &mail)
{
    if (mail.isEmpty())
        return names;
    // Quoted and escaped: a mail text must not add attributes to the link.
    return QLatin1String("<a href=\"mailto:") + mail.toHtmlEscaped() + QLatin1String("\">") +
           names + QLatin1String("</a>");
}

QString LinkTargetId(const QString &dateId)
{
    QString id = GetID(dateId);
    id.replace(QLatin1Char('/'), QLatin1String("%2f"));
    id.remove(QLatin1Char('\r'));
    return id;
}

QString LinkId(const QString &dateId, const QString &id)
{
    if (id.isEmpty())
        return dateId;
    // Only the "ID:" that GetID found: every other one would add the ID once more.
    const qsizetype at = dateId.indexOf(QLatin1String("ID:"));
    if (at < 0)
        return dateId;
    QString linked = dateId;
    linked.replace(at, 3,
                   QLatin1String("<a href=\"") + id.toHtmlEscaped() + QLatin1String("\">ID:</a>"));
    return linked;
}

UrlMatch FindUrl(const QString &message, qsizetype start)
{
    UrlMatch match;
    const qsizetype p1 = message.indexOf(QLatin1String("http://"), start);
    const qsizetype p2 = message.indexOf(QLatin1String("ttp://"), start);
    if (p1 < 0 || p1 > p2) {
        if (p2 < 0)
            return match;
        match.position = p2;
        match.lacksH = true;
    } else {
        match.position = p1;
    }
    qsizetype end = match.position;
    while (end < message.size() && isAddressChar(message.at(end)))
        ++end;
    match.address = message.mid(match.position, end - match.position);
    return match;
}

QString LinkAddresses(const QString &message)
{
    QString result = message;
    qsizetype start = 0;
    for (int count = 1; count <= kMaxAddressSearches; ++count) {
        const UrlMatch m = FindUrl(result, start);
        if (!m.found())
            break;
        const QString target = m.lacksH ? QLatin1Char('h') + m.address : m.address;
        const QString anchor = QLatin1String("<a href=\"") + target + QLatin1String("\">") +
                               m.address + QLatin1String("</a>");
        result.replace(m.position, m.address.size(), anchor);
        // Resume one character past the end of the inserted anchor.
        start = m.position + 2 * m.address.size() + (m.lacksH ? 17 : 16);
    }
    return result;
}

QString FillResSkin(const QString &resSkin, const QString &num, const QString &names,
                    const QString &mailName, const QString &mail, const QString &dateId,
                    const QString &message)
{
    // One pass over the skin's own text: a placeholder inside a field stays text, so the
    // result grows with the fields once per placeholder of the skin, never more.
    // "&MAILNAME" is tried before "&MAIL", of which it is an extension.
    const std::pair<QLatin1String, const QString *> placeholders[] = {
        {QLatin1String("&NUMBER"), &num},        {QLatin1String("&NAME"), &names},
        {QLatin1String("&MAILNAME"), &mailName}, {QLatin1String("&MAIL"), &mail},
        {QLatin1String("&DATE"), &dateId},       {QLatin1String("&MESSAGE"), &message},
    };
    QString html;
    qsizetype from = 0;
    for (qsizetype at = resSkin.indexOf(QLatin1Char('&')); at >= 0;
         at = resSkin.indexOf(QLatin1Char('&'), at + 1)) {
        const QStringView rest = QStringView(resSkin).mid(at);
        for (const auto &[name, field] : placeholders) {
            if (rest.startsWith(name)) {
                html.append(QStringView(resSkin).mid(from, at - from)).append(*field);
                from = at + name.size();
                at = from - 1;
                break;
            }
        }
    }
    html.append(QStringView(resSkin).mid(from));
    return html;
}

} // namespace Skin
