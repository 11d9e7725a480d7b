#include "platform/windowops.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QUrl>
#include <QWidget>
#include <QWindow>

void SetTopMost(QWidget *window, int mode)
{
    if (!window || (mode != 0 && mode != 1))
        return;
    const bool on = mode == 1;
    if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on) {
        if (on && window->isVisible())
            window->raise();
        return;
    }
    // Changing the flags through the native window keeps a shown window where it is;
    // QWidget::setWindowFlag would hide it.
    if (QWindow *handle = window->windowHandle(); handle && window->isVisible()) {
        handle->setFlag(Qt::WindowStaysOnTopHint, on);
        window->overrideWindowFlags(handle->flags());
        if (on)
            window->raise();
    } else {
        window->setWindowFlag(Qt::WindowStaysOnTopHint, on);
    }
}

bool OpenExternal(const QString &address)
{
    return QDesktopServices::openUrl(QUrl::fromUserInput(address));
}

void SetClipboardText(const QString &text)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
}

QString ClipboardText()
{
    return QGuiApplication::clipboard()->text();
}
