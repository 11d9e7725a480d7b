#pragma once

// Helpers for window tests: pixel boxes and counts, the message-box catcher, the key target,
// the tab click.
#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMessageBox>
#include <QTabBar>
#include <QTimer>
#include <QtTest>

inline bool isBlack(QRgb c)
{
    return (c & 0x00FFFFFF) == 0;
}

// Bounding box and number of the pixels inside `within` (the whole picture if null) that are
// `colour`, or that are not black when `colour` is invalid.
struct PixelBox
{
    QRect box;
    int count = 0;
};

inline PixelBox pixelsOf(const QImage &image, const QColor &colour, QRect within = QRect())
{
    if (within.isNull())
        within = image.rect();
    PixelBox p;
    for (int y = within.top(); y <= within.bottom(); ++y)
        for (int x = within.left(); x <= within.right(); ++x) {
            const QRgb c = image.pixel(x, y);
            if (colour.isValid() ? (c & 0xFFFFFF) == (colour.rgb() & 0xFFFFFF) : !isBlack(c)) {
                p.box |= QRect(x, y, 1, 1);
                ++p.count;
            }
        }
    return p;
}

// What a label shows, as a screen reader reads it: text drawn as markup has lost its tags.
inline QString shownText(QWidget *label)
{
    QAccessibleInterface *shown = QAccessible::queryAccessibleInterface(label);
    return shown ? shown->text(QAccessible::Name) : QStringLiteral("<no label>");
}

// Answers every message box that opens while it lives and records the last text.
class MessageBoxCatcher : public QObject
{
public:
    MessageBoxCatcher()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                text = box->text();
                ++count;
                box->accept();
            }
        });
        m_timer.start(10);
    }
    QString text;
    int count = 0;

private:
    QTimer m_timer;
};

// Shows and activates `window` and returns the widget a key typed now would reach.
inline QWidget *keyTarget(QWidget *window)
{
    window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window))
        return nullptr;
    return QApplication::focusWidget() ? QApplication::focusWidget() : window;
}

// Clicks the tab captioned `title` in `window`, as a user brings a page to the front.
inline bool clickTab(QWidget *window, const QString &title)
{
    for (QTabBar *bar : window->findChildren<QTabBar *>()) {
        for (int i = 0; i < bar->count(); ++i) {
            if (bar->tabText(i) == title) {
                QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(i).center());
                return bar->currentIndex() == i;
            }
        }
    }
    return false;
}
