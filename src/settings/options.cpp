#include "settings/options.h"

#include "platform/settingsstore.h"
#include "settings/commandwords.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>
#include <limits>

bool ParseWholeNumber(const QString &text, qint64 min, qint64 max, qint64 *out)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    bool ok = false;
    const double d = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(d))
        return false;
    const double r = std::nearbyint(d); // the default rounding mode is half to even
    if (r < double(min) || r > double(max))
        return false;
    *out = static_cast<qint64>(r);
    return true;
}

std::optional<QSize> ParseWakuSize(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("^([0-9]{1,9})x([0-9]{1,9})$"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const int w = m.captured(1).toInt();
    const int h = m.captured(2).toInt();
    if (w < 1 || h < 1 || w > kMaxWakuSide || h > kMaxWakuSide)
        return std::nullopt;
    return QSize(w, h);
}

int ParseOverlayPort(const QString &typed)
{
    // Digits typed through an input method count as their plain forms.
    const QString text = typed.normalized(QString::NormalizationForm_KC).trimmed();
    bool digits = !text.isEmpty() && text.size() <= 5;
    for (QChar c : text)
        digits = digits && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    const int port = digits ? text.toInt() : 0;
    return port >= kMinOverlayPort && port <= 65535 ? port : 0;
}

bool ReadPlacement(const SettingsStore &store, const char *key, int *pixels)
{
    qint64 twips = 0;
    if (!ParseWholeNumber(store.value(kPosSection, QLatin1String(key)), -100000000, 100000000,
                          &twips))
        return false;
    *pixels = int(std::lround(double(twips) / kTwipsPerPixel));
    return true;
}

void WritePlacement(SettingsStore &store, const char *key, int pixels)
{
    store.setValue(kPosSection, QLatin1String(key),
                   QString::number(qint64(pixels) * kTwipsPerPixel));
}

QString Options::defaultEnableCommand()
{
    return QStringLiteral("1,").repeated(Commands::CommandWords().size());
}

QString Options::defaultWakuSize()
{
    return QStringLiteral("%1x%2").arg(kDefaultWaku.width()).arg(kDefaultWaku.height());
}

namespace {

// One row per key, in the order of the store's key table.
struct Field
{
    Field(const char *k, qint16 Options::*p, const QString &s = kOptionSection)
        : key(k), section(s), i16(p)
    {}
    Field(const char *k, qint32 Options::*p) : key(k), i32(p) {}
    Field(const char *k, QString Options::*p) : key(k), text(p) {}
    const char *key;
    QString section = kOptionSection;
    qint16 Options::*i16 = nullptr;
    qint32 Options::*i32 = nullptr;
    QString Options::*text = nullptr;
};

const Field kFields[] = {
    {"MakuMode", &Options::MakuMode},
    {"FontColor", &Options::FontColor},
    {"FontColorCode", &Options::FontColorCode},
    {"FontSize", &Options::FontSize},
    {"WakuSize", &Options::WakuSize},
    {"WakuView", &Options::WakuView},
    {"Keyword", &Options::Keyword},
    {"FontResize", &Options::FontResize},
    {"Speed", &Options::Speed},
    {"FontFuchi", &Options::FontFuchi},
    {"FontShadow", &Options::FontShadow},
    {"EnableCommand", &Options::EnableCommand},
    {"BackPicture", &Options::BackPicture},
    {"BackPictureFile", &Options::BackPictureFile},
    {"TextLimit", &Options::TextLimit},
    {"TextMode", &Options::TextMode},
    {"FontDecorate", &Options::FontDecorate},
    {"MakuListView", &Options::MakuListView},
    {"TextIDView", &Options::TextIDView},
    {"Text2Clipboard", &Options::Text2Clipboard},
    {"Num1000", &Options::Num1000},
    {"TextNameView", &Options::TextNameView},
    {"TextNumView", &Options::TextNumView},
    {"MakuFormTop", &Options::MakuFormTop},
    {"AutoReload", &Options::AutoReload},
    {"AutoScroll", &Options::AutoScroll},
    {"Overlay", &Options::Overlay},
    {"OverlayPort", &Options::OverlayPort},
    {"OverlayLAN", &Options::OverlayLAN},
    {"OverlayToken", &Options::OverlayToken},
    {"NgIdHours", &Options::NgIdHours},
    {"NextThread", &Options::NextThread},
    {"FlowSeconds", &Options::FlowSeconds, kOverlaySection},
    {"FlowMax", &Options::FlowMax, kOverlaySection},
    {"ResumeThread", &Options::ResumeThread},
    {"MakuOpen", &Options::MakuOpen},
};

template<typename T> void readNumber(const SettingsStore &store, const Field &f, T &target)
{
    qint64 v = 0;
    if (ParseWholeNumber(store.value(f.section, QLatin1String(f.key)),
                         std::numeric_limits<T>::min(), std::numeric_limits<T>::max(), &v))
        target = static_cast<T>(v);
}

} // namespace

const QStringList &OptionKeys()
{
    static const QStringList keys = [] {
        QStringList list;
        for (const Field &f : kFields) {
            if (f.section == kOptionSection)
                list << QLatin1String(f.key);
        }
        return list;
    }();
    return keys;
}

Options LoadSettings(const SettingsStore &store)
{
    Options o;
    for (const Field &f : kFields) {
        if (f.i16)
            readNumber(store, f, o.*f.i16);
        else if (f.i32)
            readNumber(store, f, o.*f.i32);
        else
            o.*f.text = store.value(f.section, QLatin1String(f.key));
    }
    if (o.EnableCommand.isEmpty())
        o.EnableCommand = Options::defaultEnableCommand();
    if (o.WakuSize.isEmpty())
        o.WakuSize = Options::defaultWakuSize();
    if (o.NextThread < 0 || o.NextThread > 2)
        o.NextThread = Options().NextThread;
    return o;
}

void SaveSettings(SettingsStore &store, const Options &o)
{
    for (const Field &f : kFields) {
        QString text;
        if (f.i16)
            text = QString::number(o.*f.i16);
        else if (f.i32)
            text = QString::number(o.*f.i32);
        else
            text = o.*f.text;
        store.setValue(f.section, QLatin1String(f.key), text);
    }
    store.sync();
}
