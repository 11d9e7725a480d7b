#include "rendering/datline.h"

#include <QList>
#include <QStringView>

namespace {

constexpr qsizetype kTwoChannelFields = 4;    // name, mail, date, message (the title may lack)
constexpr qsizetype kShitarabaFields = 7;     // number, name, mail, date, message, title, ID
constexpr qsizetype kShitarabaBrokenSize = 6; // a known broken form: the ID field is missing

DatPost brokenPost(const QString &num, const QString &title)
{
    DatPost post;
    post.Num = num;
    post.Names = post.Mail = post.DateID = post.Message = kBrokenPost;
    post.Title = title;
    post.Broken = true;
    return post;
}

} // namespace

QString GetID(const QString &dateId)
{
    const qsizetype p = dateId.indexOf(QLatin1String("ID:"));
    if (p < 0)
        return QString();
    const qsizetype q = dateId.indexOf(QLatin1Char(' '), p);
    return q < 0 ? dateId.mid(p) : dateId.mid(p, q - p);
}

DatPost MapDatLine(const QString &line, const QString &separator, Boards::Kind boardKind,
                   qint32 resTotal)
{
    const QString num = QString::number(qint64(resTotal) + 1);
    // An empty separator would split between every character; nothing sensible can come of it.
    const QList<QStringView> f = separator.isEmpty() ? QList<QStringView>{QStringView(line)}
                                                     : QStringView(line).split(separator);
    const qsizetype n = f.size();

    if (boardKind == Boards::Kind::Shitaraba) {
        if (n < kShitarabaFields)
            return brokenPost(num, n >= kShitarabaBrokenSize ? f[5].toString() : QString());
        DatPost post;
        post.Num = num;
        post.Names = f[1].toString();
        post.Mail = f[2].toString();
        post.DateID.reserve(f[3].size() + 4 + f[6].size());
        post.DateID.append(f[3]).append(QLatin1String(" ID:")).append(f[6]);
        post.Message = f[4].toString();
        post.Title = f[5].toString();
        return post;
    }

    if (n < kTwoChannelFields)
        return brokenPost(num, QString());
    DatPost post;
    post.Num = num;
    post.Names = f[0].toString();
    post.Mail = f[1].toString();
    post.DateID = f[2].toString();
    post.Message = f[3].toString();
    if (n > 4)
        post.Title = f[4].toString();
    return post;
}
