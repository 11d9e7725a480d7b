#include "retrieval/threadaddress.h"

#include "retrieval/boards.h"

#include <QRegularExpression>

namespace {

const QString kHttp = QStringLiteral("http://");
const QString kHttps = QStringLiteral("https://");
const QString kReadCgi = QStringLiteral("test/read.cgi");
const QString kReadCgiDir = QStringLiteral("test/read.cgi/");
const QString kRentalReadCgi = QStringLiteral("/bbs/read.cgi/");

// The text after the scheme, or a null string when the address has none.
QString afterScheme(const QString &url)
{
    if (url.startsWith(kHttps))
        return url.mid(kHttps.size());
    // Any "http://" will do; the text is then taken from the eighth character on.
    if (url.contains(kHttp))
        return url.mid(kHttp.size());
    return QString();
}

bool isHostChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_');
}

// The domain followed by "/test/read.cgi/" where the domain starts a host label, so that
// sub-hosts count and an external board whose name merely ends the same way does not.
bool containsRefusedPage(const QString &address, QLatin1String domain)
{
    const QString needle = QString(domain) + QLatin1Char('/') + kReadCgiDir;
    for (qsizetype i = address.indexOf(needle); i >= 0; i = address.indexOf(needle, i + 1)) {
        if (i == 0 || !isHostChar(address.at(i - 1)))
            return true;
    }
    return false;
}

bool isRefusedHost(const QString &host)
{
    const QString h = host.toLower();
    auto matches = [&h](QLatin1String d) {
        return h == d || h.endsWith(QLatin1Char('.') + QString(d));
    };
    for (QLatin1String d : Boards::kCentralDomains) {
        if (matches(d))
            return true;
    }
    return matches(Boards::kAdultDomain);
}

} // namespace

bool IsReadCgi(const QString &address)
{
    return address.contains(kReadCgi);
}

bool IsShitaraba(const QString &address)
{
    return address.contains(QString(Boards::kRentalNewHost) + kRentalReadCgi) ||
           address.contains(QString(Boards::kRentalOldHost) + kRentalReadCgi);
}

bool IsRefusedBoard(const QString &address)
{
    for (QLatin1String d : Boards::kCentralDomains) {
        if (containsRefusedPage(address, d))
            return true;
    }
    if (containsRefusedPage(address, Boards::kAdultDomain))
        return true;
    // Also with a port, in the query form or in capitals.
    return IsReadCgi(address) && isRefusedHost(GetHostPort(address).name);
}

QString GetDatUrl(const QString &address)
{
    QString a = address;
    if (a.endsWith(QLatin1String("\r\n")))
        a.chop(2);

    if (a.contains(QLatin1String("bbs="))) {
        a.remove(QStringLiteral("test/read.cgi?bbs="));
        a.replace(QLatin1String("&key="), QLatin1String("/dat/"));
        const qsizetype amp = a.indexOf(QLatin1Char('&'));
        if (amp >= 0)
            a.truncate(amp);
        return a + QLatin1String(".dat");
    }

    if (!a.endsWith(QLatin1Char('/')))
        a += QLatin1Char('/');
    const qsizetype p = a.indexOf(kReadCgiDir);
    if (p < 0)
        return QString();
    QString t = a;
    t.remove(kReadCgiDir);
    // The address up to the board directory, PREFIX included.
    const qsizetype boardEnd = t.indexOf(QLatin1Char('/'), p);
    if (boardEnd < 0)
        return QString();
    QString d = t.left(boardEnd + 1) + QLatin1String("dat/");
    // What follows the board directory in the page address: the key and anything after it.
    d += a.mid(d.size() + kReadCgiDir.size() - 4, 256);
    const qsizetype q = d.lastIndexOf(QLatin1String("dat/")) + 4;
    const qsizetype keyEnd = d.indexOf(QLatin1Char('/'), q);
    if (keyEnd < 0)
        return QString();
    return d.left(keyEnd) + QLatin1String(".dat");
}

bool IsDatUrl(const QString &url)
{
    if (GetHost(url).isEmpty())
        return false;
    const QString path = GetPath(url);
    if (!path.endsWith(QLatin1String(".dat")))
        return false;
    const qsizetype keyStart = path.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype keyLength = path.size() - keyStart - 4;
    // "/BOARD/dat/KEY.dat" at least: a board directory in front of "dat/" and a key.
    return keyLength > 0 && keyStart >= 7 && path.mid(keyStart - 5, 5) == QLatin1String("/dat/");
}

QString GetRawModeUrl(const QString &address, qint32 ResCount)
{
    QString url = address;
    url.replace(QLatin1String("read.cgi"), QLatin1String("rawmode.cgi"));
    return url + QString::number(ResCount) + QLatin1Char('-');
}

QString GetHost(const QString &url)
{
    const QString rest = afterScheme(url);
    const qsizetype slash = rest.indexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : rest.left(slash);
}

QString GetPath(const QString &url)
{
    const QString rest = afterScheme(url);
    const qsizetype slash = rest.indexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : rest.mid(slash);
}

bool IsHttps(const QString &url)
{
    return url.startsWith(kHttps);
}

HostPort GetHostPort(const QString &url)
{
    const QString host = GetHost(url);
    HostPort result;
    QString portText;
    bool hasPort = false;
    if (host.startsWith(QLatin1Char('['))) {
        // An IPv6 literal: "[::1]" or "[::1]:8080".
        const qsizetype close = host.indexOf(QLatin1Char(']'));
        if (close < 0)
            return result;
        result.name = host.mid(1, close - 1);
        const QString rest = host.mid(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(QLatin1Char(':')))
                return result;
            hasPort = true;
            portText = rest.mid(1);
        }
    } else {
        const qsizetype colon = host.indexOf(QLatin1Char(':'));
        result.name = colon < 0 ? host : host.left(colon);
        if (colon >= 0) {
            hasPort = true;
            portText = host.mid(colon + 1);
        }
    }
    if (!hasPort) {
        result.port = IsHttps(url) ? 443 : 80;
        return result;
    }
    bool digits = !portText.isEmpty() && portText.size() <= 5;
    for (QChar c : portText)
        digits = digits && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    const int port = digits ? portText.toInt() : 0;
    result.port = port > 0 && port <= 65535 ? quint16(port) : 0;
    return result;
}

bool IsBoardUrl(const QString &address)
{
    static const QRegularExpression board(
        QStringLiteral("^https?://[^/?#\\s]+(/[^/?#\\s]+){1,2}/(index\\.html?|subback\\.html)?$"));
    return board.match(address).hasMatch();
}
