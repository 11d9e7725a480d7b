#pragma once

#include <QObject>
#include <QPoint>
#include <QString>
#include <functional>

class QLabel;
class QWidget;

// Puts a window into (mode 1) or out of (mode 0) the topmost band without moving it.
void SetTopMost(QWidget *window, int mode);
// Hands an address to the desktop's default handler.
bool OpenExternal(const QString &address);
void SetClipboardText(const QString &text);
QString ClipboardText();

// A label that shows its text as written: never markup, whatever the text holds.
QLabel *TextLabel(const QString &text, QWidget *parent);

// Escape anywhere in `window` runs `action`, or closes the window without one.
void CloseOnEscape(QWidget *window, std::function<void()> action = {});

// Moves a window with the left mouse button held on any widget it watches (the window itself or
// its labels): the point where the button went down stays under the cursor.
class WindowDrag : public QObject
{
public:
    explicit WindowDrag(QWidget *window);
    void watch(QWidget *handle);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window = nullptr;
    QPoint m_offset; // from the window's top-left corner to the cursor
    bool m_dragging = false;
};
