// The address rules on any text: host and path split the address after its scheme, the port
// is read from the host, and every rule answers for "https://" as it does for "http://".
#include "fuzzcheck.h"

#include "retrieval/threadaddress.h"

namespace {

const QString kHttp = QStringLiteral("http://");
const QString kHttps = QStringLiteral("https://");

void checkHostAndPath(const QString &url)
{
    const QString host = GetHost(url);
    const QString path = GetPath(url);
    FUZZ_CHECK(!path.isEmpty() || host.isEmpty());
    if (!path.isEmpty()) {
        FUZZ_CHECK(path.startsWith(QLatin1Char('/')));
        FUZZ_CHECK(!host.contains(QLatin1Char('/')));
        const QString scheme = IsHttps(url) ? kHttps : kHttp;
        if (url.startsWith(scheme))
            FUZZ_EQUAL(scheme + host + path, url);
    }

    const HostPort where = GetHostPort(url);
    FUZZ_CHECK(host.contains(where.name));
    // The port starts after an IPv6 literal's "]", else at the first colon; nothing else may
    // stand there.
    const bool ipv6 = host.startsWith(QLatin1Char('['));
    const qsizetype close = host.indexOf(QLatin1Char(']'));
    const qsizetype colon = host.indexOf(QLatin1Char(':'));
    const qsizetype end = ipv6 ? (close < 0 ? -1 : close + 1) : (colon < 0 ? host.size() : colon);
    if (end < 0 || (end < host.size() && host.at(end) != QLatin1Char(':'))) {
        FUZZ_EQUAL(where.port, quint16(0));
    } else if (end == host.size()) {
        FUZZ_EQUAL(where.port, quint16(IsHttps(url) ? 443 : 80));
        FUZZ_EQUAL(where.name, ipv6 ? host.mid(1, host.size() - 2) : host);
    } else if (where.port != 0) {
        FUZZ_EQUAL(host.mid(end + 1).toInt(), int(where.port));
    }

    GetDatUrl(url);
    IsDatUrl(url);
    IsRefusedBoard(url);
    GetRawModeUrl(url, 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString url = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    checkHostAndPath(url);

    // The same address under the other scheme.
    QString http;
    if (url.startsWith(kHttps))
        http = kHttp + url.mid(kHttps.size());
    else if (url.startsWith(kHttp))
        http = url;
    if (http.isEmpty())
        return 0;
    const QString https = kHttps + http.mid(kHttp.size());
    checkHostAndPath(http);
    checkHostAndPath(https);
    FUZZ_EQUAL(IsReadCgi(https), IsReadCgi(http));
    FUZZ_EQUAL(IsShitaraba(https), IsShitaraba(http));
    FUZZ_EQUAL(IsRefusedBoard(https), IsRefusedBoard(http));
    FUZZ_EQUAL(IsDatUrl(https), IsDatUrl(http));
    FUZZ_EQUAL(GetHost(https), GetHost(http));
    FUZZ_EQUAL(GetPath(https), GetPath(http));
    FUZZ_EQUAL(GetHostPort(https).name, GetHostPort(http).name);
    const QString datHttp = GetDatUrl(http);
    const QString datHttps = GetDatUrl(https);
    FUZZ_EQUAL(datHttps.isEmpty(), datHttp.isEmpty());
    if (datHttp.startsWith(kHttp))
        FUZZ_EQUAL(datHttps, kHttps + datHttp.mid(kHttp.size()));
    return 0;
}
