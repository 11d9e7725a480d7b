#pragma once

#include <QString>
#include <QWebEngineView>
#include <functional>

class QMenu;

// Thread views hand their page to the window as a picture instead of through OpenGL. Composed
// through OpenGL, a window holding a web view is drawn again as a whole for every repaint of any
// of its controls (the subtitle countdown ten times a second), on the processor where OpenGL is
// software; as a picture, only the control is drawn again. The page's pixels are the same.
// Call once, before the first view is made.
void ComposeThreadViewsInSoftware();

// The thread view: one live HTML document that grows by document.write. Page scripts stay off,
// so nothing a board sends can run; the program's own calls run in the application world.
// Its policy keeps it off the network (what a post may show is PostMarkup's rule).
// Links never navigate the view: a click is handed to the navigation handler, which decides.
class ThreadView : public QWebEngineView
{
    Q_OBJECT
public:
    // Answers whether a navigation to the target may happen (false cancels it). A link click
    // asks it too; the document stays whatever it answers.
    using NavigationHandler = std::function<bool(const QString &target)>;

    explicit ThreadView(QWidget *parent = nullptr);

    void setNavigationHandler(NavigationHandler handler);
    // Adds items for the post under the pointer (number 0 where there is none) to the view's
    // context menu before it opens.
    using PostMenuHandler = std::function<void(QMenu *menu, qint64 number)>;
    void setPostMenuHandler(PostMenuHandler handler);

    // An empty document whose relative addresses lead into `folder`, where the skins' own
    // pictures and style sheets lie. It may show files but fetch nothing from the network,
    // never takes a base address, and runs no script of its own.
    void Start(const QString &folder);
    // Document operations, applied in call order.
    void Clear();
    void Open();
    void SetCharset(const QString &charset);
    void Write(const QString &html);
    // Writes one post after a mark that lets a right click tell which post it lies on.
    void WritePost(const QString &html, qint64 number);
    void Close();
    // Scrolls once all writes queued so far are applied. Requests between two of them come
    // to one scroll after the writes: reading the height lays the whole page out.
    void ScrollToBottom();

    QString charset() const { return m_charset; }
    QString SelectionText() const;

    // Runs a script after every pending document operation; the result arrives in `done`.
    void evaluate(const QString &script, std::function<void(const QVariant &)> done);

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;

signals:
    // The target of the link under the pointer, "" when the pointer leaves the link.
    // A link the view cannot resolve (a board's relative reply anchor) reports its href.
    void StatusTextChange(const QString &text);

private:
    friend class ThreadPage;
    void hookMessage(const QString &message);
    void queue(const QString &script);
    void takePendingScroll();
    void scheduleFlush();
    void flush();

    NavigationHandler m_handler;
    PostMenuHandler m_postMenu;
    // Part of every post mark, so that a name or skin cannot write one of its own.
    QString m_markToken;
    QString m_pending;
    QString m_charset;
    bool m_loading = false;
    bool m_starting = false; // Start() has asked for the document
    bool m_flushScheduled = false;
    bool m_scrollPending = false;
};
