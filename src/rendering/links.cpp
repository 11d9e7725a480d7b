#include "rendering/links.h"

#include "retrieval/threadaddress.h"

namespace Links {

bool IsWebAddress(const QString &target)
{
    return target.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
           target.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

bool IsOpenableScheme(const QString &target)
{
    return IsWebAddress(target) || target.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive);
}

bool IsPictureAddress(const QString &target)
{
    const QString upper = target.toUpper();
    for (const char *ext : {".JPG", ".JPEG", ".GIF", ".PNG", ".BMP"}) {
        if (upper.contains(QLatin1String(ext)))
            return true;
    }
    return false;
}

Action Classify(const QString &target)
{
    // A board's HTML may link to anything; only these schemes leave the program.
    if (!IsOpenableScheme(target))
        return Action::Refuse;
    if (!IsWebAddress(target))
        return Action::OpenExternal; // mailto:
    if (IsReadCgi(target))
        return IsRefusedBoard(target) ? Action::RefusedBoard : Action::LoadThread;
    // The rental board serves https today, so its thread addresses in posts are https.
    if (IsShitaraba(target))
        return Action::LoadThread;
    return IsPictureAddress(target) ? Action::ShowPicture : Action::OpenExternal;
}

const QString &RefusedSchemeText()
{
    static const QString text = QStringLiteral("http、https、mailto以外のリンクは開きません");
    return text;
}

const QString &RefusedBoardText()
{
    static const QString text =
        QStringLiteral("2chはあえて読めないようにしてあるので、通常のブラウザで開きます");
    return text;
}

} // namespace Links
