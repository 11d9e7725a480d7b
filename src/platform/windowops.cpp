#include "platform/windowops.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QShortcut>
#include <QUrl>
#include <QWidget>
#include <QWindow>

QLabel *TextLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

void CloseOnEscape(QWidget *window, std::function<void()> action)
{
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    escape->setContext(Qt::WindowShortcut);
    if (!action)
        action = [window] { window->close(); };
    QObject::connect(escape, &QShortcut::activated, window, std::move(action));
}

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

WindowDrag::WindowDrag(QWidget *window) : QObject(window), m_window(window) {}

void WindowDrag::watch(QWidget *handle)
{
    handle->installEventFilter(this);
}

bool WindowDrag::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton)
            break;
        m_offset = mouse->globalPosition().toPoint() - m_window->frameGeometry().topLeft();
        m_dragging = true;
        return true;
    }
    case QEvent::MouseMove:
        if (!m_dragging)
            break;
        m_window->move(static_cast<QMouseEvent *>(event)->globalPosition().toPoint() - m_offset);
        return true;
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
            m_dragging = false;
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
