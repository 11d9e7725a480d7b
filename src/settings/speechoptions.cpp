#include "settings/speechoptions.h"

#include "platform/settingsstore.h"
#include "settings/options.h"

#include <QHostAddress>
#include <QUrl>

namespace {

struct NumberField
{
    SpeechRange range;
    qint16 SpeechOptions::*i16 = nullptr;
    qint32 SpeechOptions::*i32 = nullptr;
};

const NumberField kNumbers[] = {
    {{"Engine", 0, 3}, &SpeechOptions::Engine},
    {{"VoicevoxSpeaker", 0, 100000}, nullptr, &SpeechOptions::VoicevoxSpeaker},
    {{"BouyomiPort", 1, 65535}, nullptr, &SpeechOptions::BouyomiPort},
    {{"Volume", 0, 100}, &SpeechOptions::Volume},
    {{"Rate", -10, 10}, &SpeechOptions::Rate},
    {{"ReadName", 0, 1}, &SpeechOptions::ReadName},
    {{"MaxChars", 1, 1000}, &SpeechOptions::MaxChars},
    {{"Backlog", 0, 100}, &SpeechOptions::Backlog},
};

const QString kVoicevoxUrl = QStringLiteral("VoicevoxUrl");
const QString kBouyomiHost = QStringLiteral("BouyomiHost");

} // namespace

bool SpeechOptions::operator==(const SpeechOptions &o) const
{
    return Engine == o.Engine && VoicevoxUrl == o.VoicevoxUrl &&
           VoicevoxSpeaker == o.VoicevoxSpeaker && BouyomiHost == o.BouyomiHost &&
           BouyomiPort == o.BouyomiPort && Volume == o.Volume && Rate == o.Rate &&
           ReadName == o.ReadName && MaxChars == o.MaxChars && Backlog == o.Backlog;
}

const SpeechRange &SpeechRangeOf(const char *key)
{
    for (const NumberField &f : kNumbers)
        if (qstrcmp(f.range.key, key) == 0)
            return f.range;
    qFatal("no speech option %s", key);
}

SpeechOptions LoadSpeechOptions(const SettingsStore &store)
{
    SpeechOptions o;
    for (const NumberField &f : kNumbers) {
        qint64 v = 0;
        if (!ParseWholeNumber(store.value(kSpeechSection, QLatin1String(f.range.key)), f.range.min,
                              f.range.max, &v))
            continue;
        if (f.i16)
            o.*f.i16 = qint16(v);
        else
            o.*f.i32 = qint32(v);
    }
    const QString url = store.value(kSpeechSection, kVoicevoxUrl).trimmed();
    if (!url.isEmpty())
        o.VoicevoxUrl = url;
    const QString host = store.value(kSpeechSection, kBouyomiHost).trimmed();
    if (!host.isEmpty())
        o.BouyomiHost = host;
    return o;
}

void SaveSpeechOptions(SettingsStore &store, const SpeechOptions &o)
{
    for (const NumberField &f : kNumbers)
        store.setValue(kSpeechSection, QLatin1String(f.range.key),
                       QString::number(f.i16 ? o.*f.i16 : o.*f.i32));
    store.setValue(kSpeechSection, kVoicevoxUrl, o.VoicevoxUrl);
    store.setValue(kSpeechSection, kBouyomiHost, o.BouyomiHost);
    store.sync();
}

bool IsLocalSpeechHost(const QString &host)
{
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    QHostAddress address;
    if (!address.setAddress(host))
        return false;
    // An IPv4 address written as IPv6 (::ffff:a.b.c.d) is judged as the IPv4 address.
    bool mapped = false;
    const quint32 v4 = address.toIPv4Address(&mapped);
    if (mapped)
        address = QHostAddress(v4);
    static const QPair<QHostAddress, int> kLocal[] = {
        QHostAddress::parseSubnet(QStringLiteral("127.0.0.0/8")),
        QHostAddress::parseSubnet(QStringLiteral("10.0.0.0/8")),
        QHostAddress::parseSubnet(QStringLiteral("172.16.0.0/12")),
        QHostAddress::parseSubnet(QStringLiteral("192.168.0.0/16")),
        QHostAddress::parseSubnet(QStringLiteral("169.254.0.0/16")),
        QHostAddress::parseSubnet(QStringLiteral("::1/128")),
        QHostAddress::parseSubnet(QStringLiteral("fc00::/7")),
        QHostAddress::parseSubnet(QStringLiteral("fe80::/10")),
    };
    for (const auto &subnet : kLocal)
        if (address.isInSubnet(subnet))
            return true;
    return false;
}

std::optional<SpeechEndpoint> ParseVoicevoxUrl(const QString &typed)
{
    const QUrl url(typed.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.scheme() != QLatin1String("http") || url.host().isEmpty() ||
        !url.userInfo().isEmpty() || url.hasQuery() || url.hasFragment() ||
        (!url.path().isEmpty() && url.path() != QLatin1String("/")))
        return std::nullopt;
    if (!IsLocalSpeechHost(url.host()))
        return std::nullopt;
    return SpeechEndpoint{url.host(), quint16(url.port(80))};
}
