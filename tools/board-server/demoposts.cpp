#include "demoposts.h"

namespace {

const char16_t *const kNames[] = {
    u"名無しさん",         u"名無しさん", u"名無しさん",      u"実況民",     u"名無しさん＠実況中",
    u"</b>◆Sazanami.x<b>", u"通りすがり", u"<b>コテハン</b>", u"名無しさん",
};

// Mail fields: mostly plain or "sage", some with the subtitle command words.
const char16_t *const kMails[] = {
    u"",
    u"sage",
    u"sage",
    u"",
    u"shita red big",
    u"ue blue",
    u"naka small",
    u"sage jumbo pink",
    u"age",
    u"shita yellow",
    u"green",
    u"sage",
    u"ue gigantic orange",
    u"",
    u"cyan small",
};

const char16_t *const kMessages[] = {
    u"きたああああ",
    u"今北産業",
    u"この流れ好き",
    u"うぽつです",
    u"わこつ <br> 今日も見に来ました",
    u"音声ちょっと小さいかも",
    u"ｷﾀ━━━━(ﾟ∀ﾟ)━━━━!!",
    u"草",
    u"それな",
    u"いいぞもっとやれ",
    u"画像置いときますね <br> https://example.com/images/sakura.jpg",
    u"参考 http://example.jp/news/2023/11/15/article.html",
    u"この曲なんていうの？",
    u"&lt;script&gt;alert(1)&lt;/script&gt; ←こういうのは効かないよ",
    u"１０００までいくかな",
    u"ﾜﾛﾀ",
    u"もう一回見たい <br> <br> お願いします",
    u"その発想はなかった",
    u"BGMいいね &amp; 画質もいい",
    u"おつ <br> https://example.net/pics/neko.png",
};

const char16_t *const kReplies[] = {
    u"そうだね", u"わかる", u"ちがうよ", u"それはない", u"ありがとう",
};

const char16_t *const kWeekdays[] = {u"月", u"火", u"水", u"木", u"金", u"土", u"日"};

const char kIdChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

} // namespace

DemoPosts::DemoPosts(quint32 seed) : m_rng(seed)
{
    for (QString &id : m_ids)
        id = randomId();
}

QString DemoPosts::randomId()
{
    QString id;
    for (int i = 0; i < 8; ++i)
        id += QLatin1Char(kIdChars[m_rng.bounded(int(sizeof kIdChars) - 1)]);
    return id;
}

DemoPosts::Post DemoPosts::make(int number, const QDateTime &when, const QString &threadPath)
{
    Post post;
    post.date = dateText(when);
    if (number == 1) {
        post.name = QStringLiteral("名無しさん");
        post.mail = QString();
        post.id = m_ids[0];
        post.message = QStringLiteral(
            "sazanamiのデモ実況スレです <br> このスレはローカルのデモ板にあります <br> "
            "新しいレスが数秒ごとに増えていきます");
        return post;
    }
    post.name = QString::fromUtf16(pick(kNames));
    post.mail = QString::fromUtf16(pick(kMails));
    // A few regulars post again and again, so that the same ID shows up more than once.
    post.id = m_rng.bounded(3) == 0 ? randomId() : m_ids[m_rng.bounded(6)];
    if (number > 2 && m_rng.bounded(4) == 0) {
        const int target = 1 + m_rng.bounded(number - 1);
        const QString anchor = QStringLiteral("&gt;&gt;") + QString::number(target);
        // 2channel wraps an anchor in a link to the post it names.
        post.message =
            (threadPath.isEmpty()
                 ? anchor
                 : QStringLiteral("<a href=\"") + threadPath + QString::number(target) +
                       QStringLiteral("\" target=\"_blank\">") + anchor + QStringLiteral("</a>")) +
            QLatin1Char(' ') + QString::fromUtf16(pick(kReplies));
    } else {
        post.message = QString::fromUtf16(pick(kMessages));
    }
    return post;
}

QString DemoPosts::datLine(const Post &post, const QString &title)
{
    return post.name + QStringLiteral("<>") + post.mail + QStringLiteral("<>") + post.date +
           QStringLiteral(" ID:") + post.id + QStringLiteral("<> ") + post.message +
           QStringLiteral(" <>") + title;
}

QString DemoPosts::rentalLine(int number, const Post &post, const QString &title)
{
    return QString::number(number) + QStringLiteral("<>") + post.name + QStringLiteral("<>") +
           post.mail + QStringLiteral("<>") + post.date + QStringLiteral("<>") + post.message +
           QStringLiteral("<>") + title + QStringLiteral("<>") + post.id;
}

QString DemoPosts::dateText(const QDateTime &when)
{
    const QDate d = when.date();
    const QTime t = when.time();
    return d.toString(QStringLiteral("yyyy/MM/dd")) + QLatin1Char('(') +
           QString::fromUtf16(kWeekdays[d.dayOfWeek() - 1]) + QLatin1Char(')') + QLatin1Char(' ') +
           t.toString(QStringLiteral("hh:mm:ss")) + QLatin1Char('.') +
           QStringLiteral("%1").arg(t.msec() / 10, 2, 10, QLatin1Char('0'));
}
