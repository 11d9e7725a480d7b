#include "postrequest.h"

#include "formencoding.h"
#include "platform/codec.h"
#include "platform/text.h"
#include "retrieval/boards.h"
#include "retrieval/threadaddress.h"

#include <QStringList>

namespace {

const QString kReadCgi = QStringLiteral("test/read.cgi/");

// The text after the first `key` up to the next "&", or at most `limit` characters.
QString queryValue(const QString &url, const QString &key, qsizetype limit)
{
    const qsizetype at = url.indexOf(key);
    if (at < 0)
        return QString();
    const qsizetype from = at + key.size();
    const qsizetype amp = url.indexOf(QLatin1Char('&'), from);
    return amp < 0 ? url.mid(from, limit) : url.mid(from, amp - from);
}

// The board/key/… part of a path address; "" when there is none.
QString afterReadCgi(const QString &url)
{
    const qsizetype at = url.indexOf(kReadCgi);
    if (at < 0)
        return QString();
    QString cut = url;
    cut.remove(kReadCgi);
    return cut.mid(at);
}

QString untilSlash(const QString &text, qsizetype from)
{
    const qsizetype slash = text.indexOf(QLatin1Char('/'), from);
    return slash < 0 ? text.mid(from) : text.mid(from, slash - from);
}

QString field(const QString &url, int index)
{
    return url.split(QLatin1Char('/')).value(index);
}

QString between(const QString &text, const QString &open, const QString &close)
{
    const qsizetype at = text.indexOf(open);
    if (at < 0)
        return QString();
    const qsizetype from = at + open.size();
    const qsizetype end = text.indexOf(close, from);
    return end < 0 ? QString() : text.mid(from, end - from);
}

// A page's readable text for a message: tags gone, blank runs folded, at most 300 characters.
QString pageText(const QString &html)
{
    QString text = DecodeEntities(
        ReplaceEnclosed(html, QStringLiteral("<"), QStringLiteral(">"), QStringLiteral(" ")));
    text = text.simplified();
    if (text.size() > 300)
        text = text.left(300) + QStringLiteral("…");
    return text;
}

} // namespace

QString Get2chBBS(const QString &url)
{
    if (url.contains(QStringLiteral("bbs=")))
        return queryValue(url, QStringLiteral("bbs="), url.size());
    return untilSlash(afterReadCgi(url), 0);
}

QString Get2chKEY(const QString &url)
{
    if (url.contains(QStringLiteral("bbs=")))
        return queryValue(url, QStringLiteral("key="), 256);
    const QString rest = afterReadCgi(url);
    const qsizetype slash = rest.indexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : untilSlash(rest, slash + 1);
}

QString GetShitarabaDIR(const QString &url)
{
    return field(url, 5);
}

QString GetShitarabaBBS(const QString &url)
{
    return field(url, 6);
}

QString GetShitarabaKEY(const QString &url)
{
    return field(url, 7);
}

bool IsShitarabaForm(const QString &url)
{
    for (const QLatin1String host : {Boards::kRentalOldHost, Boards::kRentalNewHost}) {
        const QString tail = host + QLatin1Char('/');
        if (url.contains(QStringLiteral("http://") + tail) ||
            url.contains(QStringLiteral("https://") + tail))
            return true;
    }
    return false;
}

qint64 PostTime(const QDateTime &now)
{
    return now.toSecsSinceEpoch() - 300;
}

QString PostBody(const QString &url, const PostFields &f, qint64 time)
{
    QStringList parts;
    const QString t = QString::number(time);
    if (IsShitarabaForm(url)) {
        if (f.newThread) {
            parts << QStringLiteral("submit=") + UrlEncodeEUC(QStringLiteral("新規書き込み"))
                  << QStringLiteral("SUBJECT=") + UrlEncodeEUC(f.subject);
        } else {
            parts << QStringLiteral("submit=") + UrlEncodeEUC(QStringLiteral("書き込む"));
        }
        parts << QStringLiteral("NAME=") + UrlEncodeEUC(f.name)
              << QStringLiteral("MAIL=") + UrlEncodeEUC(f.mail)
              << QStringLiteral("MESSAGE=") + UrlEncodeEUC(f.message)
              << QStringLiteral("DIR=") + GetShitarabaDIR(url)
              << QStringLiteral("BBS=") + GetShitarabaBBS(url);
        if (!f.newThread)
            parts << QStringLiteral("KEY=") + GetShitarabaKEY(url);
        parts << QStringLiteral("TIME=") + t;
    } else {
        if (f.newThread) {
            parts << QStringLiteral("submit=") + UrlEncodeSJIS(QStringLiteral("新規スレッド作成"))
                  << QStringLiteral("subject=") + UrlEncodeSJIS(f.subject);
        } else {
            parts << QStringLiteral("submit=") + UrlEncodeSJIS(QStringLiteral("書き込む"));
        }
        parts << QStringLiteral("FROM=") + UrlEncodeSJIS(f.name)
              << QStringLiteral("mail=") + UrlEncodeSJIS(f.mail)
              << QStringLiteral("MESSAGE=") + UrlEncodeSJIS(f.message)
              << QStringLiteral("bbs=") + Get2chBBS(url);
        if (!f.newThread)
            parts << QStringLiteral("key=") + Get2chKEY(url);
        parts << QStringLiteral("time=") + t << QStringLiteral("hana=mogera");
    }
    return parts.join(QLatin1Char('&'));
}

QByteArray PostRequest(const QString &url, const PostFields &f, const QString &body,
                       const QString &cookie)
{
    const bool rental = IsShitarabaForm(url);
    const QString host = GetHost(url);
    const QString crlf = QStringLiteral("\r\n");
    QString r;
    r += QStringLiteral("POST ") +
         (IsHttps(url) ? QStringLiteral("https://") : QStringLiteral("http://")) + host +
         (rental ? QStringLiteral("/bbs/write.cgi") : QStringLiteral("/test/bbs.cgi")) +
         QStringLiteral(" HTTP/1.0") + crlf;
    r += QStringLiteral("Referer: ") + url + crlf;
    r += QStringLiteral("Host: ") + host + crlf;
    r += QStringLiteral("User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)") + crlf;
    if (rental)
        r += QStringLiteral("Content-Type: application/x-www-form-urlencoded") + crlf;
    r += QStringLiteral("Accept: text/plain") + crlf;
    r += QStringLiteral("Accept-charset: shift_jis") + crlf;
    r += QStringLiteral("Accept-Encoding:") + crlf;
    r += QStringLiteral("Content-Length: ") + QString::number(Codec::sjisLength(body)) + crlf;
    r += QStringLiteral("Cookie: ") +
         (cookie.isEmpty() ? QStringLiteral("NAME=") + f.name + QStringLiteral("; MAIL=") + f.mail
                           : cookie) +
         crlf;
    r += crlf;
    r += body + crlf;
    return Codec::toSjis(r);
}

QString PostCookie(const PostFields &f, const QString &answer)
{
    QStringList names{QStringLiteral("NAME"), QStringLiteral("MAIL")};
    QStringList values{f.name, f.mail};
    const qsizetype headEnd = answer.indexOf(QStringLiteral("\r\n\r\n"));
    const QStringList lines = answer.left(headEnd < 0 ? 0 : headEnd).split(QStringLiteral("\r\n"));
    const QString key = QStringLiteral("set-cookie:");
    for (const QString &line : lines) {
        if (names.size() >= 20 || !line.startsWith(key, Qt::CaseInsensitive))
            continue;
        const QString pair = line.mid(key.size()).section(QLatin1Char(';'), 0, 0).trimmed();
        const qsizetype eq = pair.indexOf(QLatin1Char('='));
        if (eq <= 0 || pair.size() > 1024 || HasControlCharacter(pair))
            continue;
        const QString name = pair.left(eq);
        const qsizetype at = names.indexOf(name);
        if (at >= 0) {
            values[at] = pair.mid(eq + 1);
        } else {
            names << name;
            values << pair.mid(eq + 1);
        }
    }
    QStringList parts;
    for (qsizetype i = 0; i < names.size(); ++i)
        parts << names.at(i) + QLatin1Char('=') + values.at(i);
    return parts.join(QStringLiteral("; "));
}

PostVerdict JudgePostAnswer(const QString &answer)
{
    using Outcome = PostVerdict::Outcome;
    if (answer.isEmpty())
        return {Outcome::Failed, QStringLiteral("サーバーから応答がありませんでした")};
    const QString crlf = QStringLiteral("\r\n");
    const qsizetype headEnd = answer.indexOf(QStringLiteral("\r\n\r\n"));
    const QString page = headEnd < 0 ? answer : answer.mid(headEnd + 4);
    const QString statusLine = answer.left(answer.indexOf(crlf));
    bool numeric = false;
    const int status = statusLine.startsWith(QStringLiteral("HTTP/"))
                           ? statusLine.section(QLatin1Char(' '), 1, 1).toInt(&numeric)
                           : 0;
    if (numeric && status >= 400) {
        const QString text = pageText(page);
        return {Outcome::Failed, text.isEmpty() ? statusLine : statusLine + crlf + text};
    }
    const qsizetype open = answer.indexOf(QStringLiteral("<title>"));
    if (open < 0 || answer.indexOf(QStringLiteral("</title>"), open) < 0) {
        const QString text = pageText(page);
        return {Outcome::Failed, QStringLiteral("書き込みの結果が分からない応答でした") +
                                     (text.isEmpty() ? QString() : crlf + text)};
    }
    const QString title = between(answer, QStringLiteral("<title>"), QStringLiteral("</title>"));
    if (title.contains(QStringLiteral("書き込み確認")) ||
        title.contains(QStringLiteral("書きこみ確認")))
        return {Outcome::Confirmation, pageText(page)};
    if (title == QStringLiteral("ERROR!") || title == QStringLiteral("ＥＲＲＯＲ！") ||
        title == QStringLiteral("ERROR!!")) {
        QString reason = between(answer, QStringLiteral("<b>"), QStringLiteral("</b>"));
        if (answer.indexOf(QStringLiteral("<b>")) < 0) {
            const qsizetype body = answer.indexOf(QStringLiteral("</title>")) + 8;
            reason = pageText(answer.mid(body));
        }
        reason.replace(QStringLiteral("<br>"), crlf);
        return {Outcome::Failed, title + crlf + reason};
    }
    return {Outcome::Written, title};
}

PostTarget CheckPostAddress(const QString &address)
{
    PostTarget t;
    t.address = address;
    if (IsReadCgi(address)) {
        t.twoChannel = true;
        if (IsRefusedBoard(address))
            t.status =
                QStringLiteral("2chはあえて書き込めないようにしてます。外部板で使いましょう");
        else
            t.open = true;
    } else if (IsShitaraba(address)) {
        if (!address.endsWith(QLatin1Char('/')))
            t.address = address.left(address.lastIndexOf(QLatin1Char('/')) + 1);
        if (CountString(t.address, QStringLiteral("/")) != 8)
            t.status = QStringLiteral("したばらのURLっぽいけど、なんか変です");
        else
            t.open = true;
    } else {
        t.status = QStringLiteral("このURLは書き込みできません");
    }
    return t;
}
