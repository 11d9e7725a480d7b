#include "settings/commandwords.h"

namespace Commands {

const QStringList &CommandWords()
{
    static const QStringList words = {
        QStringLiteral("ue"),     QStringLiteral("shita"),    QStringLiteral("naka"),
        QStringLiteral("normal"), QStringLiteral("big"),      QStringLiteral("small"),
        QStringLiteral("jumbo"),  QStringLiteral("gigantic"), QStringLiteral("white"),
        QStringLiteral("red"),    QStringLiteral("orange"),   QStringLiteral("yellow"),
        QStringLiteral("pink"),   QStringLiteral("blue"),     QStringLiteral("purple"),
        QStringLiteral("cyan"),   QStringLiteral("green"),
    };
    return words;
}

QVector<bool> ParseEnableCommand(const QString &stored)
{
    const QStringList pieces = stored.split(QLatin1Char(','));
    QVector<bool> enabled(CommandWords().size(), false);
    for (int i = 0; i < enabled.size() && i < pieces.size(); ++i) {
        // A piece reads as true when it is a non-zero number or the word "True".
        const QString p = pieces[i].trimmed();
        bool ok = false;
        const double v = p.toDouble(&ok);
        enabled[i] = ok ? v != 0 : p.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
    }
    return enabled;
}

QString FormatEnableCommand(const QVector<bool> &enabled)
{
    QString text;
    for (bool on : enabled)
        text += on ? QStringLiteral("1,") : QStringLiteral("0,");
    return text;
}

} // namespace Commands

QString GetEnableCommand(const QString &text, const QVector<bool> &enabled)
{
    QString result = text;
    const QStringList &words = Commands::CommandWords();
    for (int i = 0; i < words.size(); ++i) {
        if (i >= enabled.size() || !enabled[i])
            result.remove(words[i]);
    }
    return result;
}
