#include "threadgen.h"

#include <random>

namespace ThreadGen {

namespace {

const char *const kPhrases[] = {
    "きたああああああ",
    "うおおおお",
    "草",
    "ここすき",
    "今の判定おかしくね？",
    "wwwwwwwwww",
    "実況はここでいいの？",
    "始まった",
    "おつおつ",
    "神回確定",
    "音ズレてない？",
    "かわいい",
    "それな",
    "えぇ…",
    "まだ始まらんの",
    "今北産業",
    "8888888888",
    "後半戦も期待",
    "解説の人わかりやすいな",
    "ＣＭ長すぎ",
    "いけええええ",
    "ナイス！",
    "惜しい",
    "なんでや",
    "来週も見るわ",
    "画質いいね",
    "BGMの曲名だれか教えて",
    "ここで交代か",
    "は？",
    "つよい",
};

const char *const kNames[] = {
    "名無しさん＠実況は実況板で",
    "名無しさん＠実況は実況板で",
    "名無しさん＠実況は実況板で",
    "風吹けば名無し",
    "<b>実況主</b>",
    "名無しさん </b>◆Sazanami.k<b>",
};

const char *const kMails[] = {"sage", "sage", "sage", "sage", "", "", "age", "sage red big"};

const char *const kAddresses[] = {
    "http://www.example.jp/news/2024/05/12/article.html",
    "ttp://imgur.example.com/a1B2c3D.jpg",
    "https://video.example.net/watch?v=abcdEFGH123",
    "http://example.com/?q=%E5%AE%9F%E6%B3%81&page=2",
};

const char kIdChars[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ+/";

} // namespace

QStringList DatLines(int count, quint32 seed)
{
    std::mt19937 rng(seed);
    auto pick = [&rng](int n) { return int(rng() % quint32(n)); };

    QStringList ids;
    for (int i = 0; i < 300; ++i) {
        QString id;
        for (int k = 0; k < 8; ++k)
            id += QLatin1Char(kIdChars[pick(64)]);
        ids << id;
    }

    QStringList lines;
    lines.reserve(count);
    int second = 0;
    for (int n = 1; n <= count; ++n) {
        second += pick(3);
        const QString date = QStringLiteral("2024/05/12(日) %1:%2:%3.%4 ID:%5")
                                 .arg(21 + second / 3600)
                                 .arg((second / 60) % 60, 2, 10, QLatin1Char('0'))
                                 .arg(second % 60, 2, 10, QLatin1Char('0'))
                                 .arg(pick(100), 2, 10, QLatin1Char('0'))
                                 .arg(ids[pick(ids.size())]);
        QString message = QStringLiteral(" ");
        if (n > 1 && pick(10) < 3) {
            const int target = 1 + pick(n - 1);
            message += QStringLiteral("<a href=\"../test/read.cgi/livejupiter/1715500000/%1\" "
                                      "rel=\"noopener noreferrer\" target=\"_blank\">&gt;&gt;%1</a>"
                                      " <br> ")
                           .arg(target);
        }
        const int sentences = 1 + pick(4);
        for (int s = 0; s < sentences; ++s) {
            if (s > 0)
                message += QStringLiteral(" <br> ");
            message += QString::fromUtf8(kPhrases[pick(int(std::size(kPhrases)))]);
        }
        if (pick(20) == 0)
            message += QStringLiteral(" <br> ") +
                       QLatin1String(kAddresses[pick(int(std::size(kAddresses)))]);
        message += QLatin1Char(' ');

        const QString title =
            n == 1 ? QStringLiteral("【実況】日曜ナイター実況スレ Part123") : QString();
        lines << QString::fromUtf8(kNames[pick(int(std::size(kNames)))]) + QStringLiteral("<>") +
                     QString::fromUtf8(kMails[pick(int(std::size(kMails)))]) +
                     QStringLiteral("<>") + date + QStringLiteral("<>") + message +
                     QStringLiteral("<>") + title;
    }
    return lines;
}

QString DatBody(int count, quint32 seed)
{
    const QStringList lines = DatLines(count, seed);
    QString body;
    for (const QString &line : lines)
        body += line + QLatin1Char('\n');
    return body;
}

} // namespace ThreadGen
