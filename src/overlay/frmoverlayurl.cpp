#include "overlay/frmoverlayurl.h"

#include "overlay/overlayserver.h"
#include "platform/windowops.h"

#include <QGridLayout>
#include <QHostAddress>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkInterface>
#include <QPushButton>

namespace {

// The addresses a browser reaches this machine at: 127.0.0.1, and with LAN every IPv4 one.
QStringList hostsFor(bool lan)
{
    QStringList hosts{QStringLiteral("127.0.0.1")};
    if (lan) {
        for (const QHostAddress &a : QNetworkInterface::allAddresses()) {
            if (!a.isLoopback() && a.protocol() == QAbstractSocket::IPv4Protocol)
                hosts << a.toString();
        }
    }
    return hosts;
}

} // namespace

frmOverlayUrl::frmOverlayUrl(const OverlayServer &server, bool lan, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmOverlayUrl"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("配信用URL（ブラウザソース）"));
    auto *grid = new QGridLayout(this);
    int row = 0;
    if (!server.isListening()) {
        grid->addWidget(TextLabel(QStringLiteral("配信用サーバーは動いていません。"
                                                 "「設定」で配信用サーバーを「使う」にして"
                                                 "ください。"),
                                  this),
                        row++, 0, 1, 4);
    }
    const std::pair<OverlayServer::Page, QString> pages[] = {
        {OverlayServer::Page::Subtitle, QStringLiteral("字幕")},
        {OverlayServer::Page::Question, QStringLiteral("お題")},
        {OverlayServer::Page::Score, QStringLiteral("スコア")},
        {OverlayServer::Page::Flow, QStringLiteral("流れるコメント")},
        {OverlayServer::Page::Index, QStringLiteral("一覧")},
    };
    const QStringList hosts = server.isListening() ? hostsFor(lan) : QStringList();
    for (const QString &host : hosts) {
        for (const auto &[page, caption] : pages) {
            const QString address = server.address(page, host);
            auto *field = new QLineEdit(address, this);
            field->setReadOnly(true);
            field->setMinimumWidth(420);
            auto *copy = new QPushButton(QStringLiteral("コピー"), this);
            connect(copy, &QPushButton::clicked, this, [address] { SetClipboardText(address); });
            const QSize size = server.pageSize(page);
            grid->addWidget(TextLabel(caption, this), row, 0);
            grid->addWidget(field, row, 1);
            if (page != OverlayServer::Page::Index)
                grid->addWidget(
                    TextLabel(QStringLiteral("%1×%2").arg(size.width()).arg(size.height()), this),
                    row, 2);
            grid->addWidget(copy, row++, 3);
        }
    }
    auto *close = new QPushButton(QStringLiteral("閉じる"), this);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    grid->addWidget(close, row, 3);
}
