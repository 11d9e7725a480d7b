#include "platform/threadview.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QJsonDocument>
#include <QJsonValue>
#include <QMenu>
#include <QPointer>
#include <QQuickWindow>
#include <QRandomGenerator>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <utility>

namespace {

// Hover and click reports of the link hook, as console messages of the application world.
const QString kHoverTag = QStringLiteral("\x01sazanami-hover:");
const QString kClickTag = QStringLiteral("\x01sazanami-click:");

// Runs in the application world after every document.open(), which drops listeners. Clicks on
// links are stopped here: Chromium would replace the whole document for a scheme it does not
// know ("ID:…"). A board's relative anchor is reported as written: it belongs to the board,
// not to the data folder the document's addresses lead into.
const QString kLinkHook = QStringLiteral(
    "(function(){var cur=null;"
    "function link(e){for(var n=e.target;n;n=n.parentNode)"
    "if(n.tagName==='A'&&n.hasAttribute('href'))return n;return null;}"
    "function target(a){var h=a.getAttribute('href');"
    "return /^[a-z][a-z0-9+.-]*:/i.test(h.trim())?a.href:h;}"
    "document.addEventListener('mouseover',function(e){var a=link(e);if(a===cur)return;"
    "cur=a;console.log('\\x01sazanami-hover:'+(a?target(a):''));},true);"
    "document.addEventListener('mouseout',function(e){if(e.relatedTarget||!cur)return;"
    "cur=null;console.log('\\x01sazanami-hover:');},true);"
    "document.addEventListener('click',function(e){var a=link(e);if(!a)return;"
    "e.preventDefault();if(e.button===0)console.log('\\x01sazanami-click:'+target(a));},true);"
    "document.addEventListener('auxclick',function(e){if(link(e))e.preventDefault();},true);"
    "})();");

} // namespace

class ThreadPage : public QWebEnginePage
{
public:
    ThreadPage(ThreadView *view) : QWebEnginePage(view), m_view(view) {}

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override
    {
        if (!isMainFrame)
            return false;
        // The program's own start; a refresh or form in a post never navigates by itself.
        if (type != NavigationTypeLinkClicked)
            return std::exchange(m_view->m_starting, false) &&
                   url.scheme() == QLatin1String("data");
        return m_view->m_handler && m_view->m_handler(url.toString());
    }
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &message, int,
                                  const QString &) override
    {
        m_view->hookMessage(message);
    }

private:
    ThreadView *m_view;
};

namespace {

QString jsString(const QString &text)
{
    // A JSON string literal is a valid JavaScript string literal; "</" is harmless here
    // because the text never passes through an HTML parser as script source.
    return QString::fromUtf8(
               QJsonDocument::fromVariant(QVariantList{text}).toJson(QJsonDocument::Compact))
        .mid(1)
        .chopped(1);
}

} // namespace

void ComposeThreadViewsInSoftware()
{
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
}

ThreadView::ThreadView(QWidget *parent)
    : QWebEngineView(parent),
      m_markToken(QString::number(QRandomGenerator::system()->generate64(), 36))
{
    auto *page = new ThreadPage(this);
    page->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    page->settings()->setAttribute(QWebEngineSettings::AutoLoadImages, true);
    page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    page->settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, true);
    setPage(page);
    connect(page, &QWebEnginePage::loadFinished, this, [this] {
        m_loading = false;
        flush();
    });
}

void ThreadView::setNavigationHandler(NavigationHandler handler)
{
    m_handler = std::move(handler);
}

void ThreadView::setPostMenuHandler(PostMenuHandler handler)
{
    m_postMenu = std::move(handler);
}

void ThreadView::Start(const QString &folder)
{
    // Operations queued before the start belong to the old document.
    m_pending.clear();
    m_scrollPending = false;
    m_loading = true;
    m_starting = true;
    // The policy stays with the document through every document.open(). Files may be shown
    // (the skins' own pictures and style sheets), nothing from the network; no base, form,
    // frame, plug-in or media.
    QString base = QDir(folder).absolutePath();
    if (!base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    page()->setHtml(QStringLiteral("<meta http-equiv=\"Content-Security-Policy\" content=\""
                                   "default-src 'none'; img-src file: data:; "
                                   "style-src file: 'unsafe-inline'; font-src file: data:; "
                                   "base-uri 'none'; form-action 'none'\">"),
                    QUrl::fromLocalFile(base));
}

void ThreadView::Clear()
{
    // Opening the document discards its content; nothing more to do here.
}

void ThreadView::Open()
{
    queue(QStringLiteral("document.open();") + kLinkHook);
}

void ThreadView::hookMessage(const QString &message)
{
    if (message.startsWith(kHoverTag))
        emit StatusTextChange(message.mid(kHoverTag.size()));
    else if (message.startsWith(kClickTag) && m_handler)
        m_handler(message.mid(kClickTag.size()));
}

void ThreadView::SetCharset(const QString &charset)
{
    // Text reaches the document already decoded; the name is kept for what the view reports.
    m_charset = charset;
}

void ThreadView::Write(const QString &html)
{
    // A scroll asked for before this write happens after it, together with later ones.
    m_pending += QStringLiteral("document.write(") + jsString(html) + QStringLiteral(");");
    scheduleFlush();
}

void ThreadView::WritePost(const QString &html, qint64 number)
{
    Write(QStringLiteral("<!--sazanami-post %1 %2-->").arg(number).arg(m_markToken) + html);
}

void ThreadView::contextMenuEvent(QContextMenuEvent *event)
{
    // Only what a reader needs: the engine's own menu offers navigation, saving and the page
    // source of a document that is the program's, in English.
    QPointer<QMenu> menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction *copy = menu->addAction(QStringLiteral("コピー"), this,
                                    [this] { page()->triggerAction(QWebEnginePage::Copy); });
    copy->setEnabled(page()->hasSelection());
    menu->addAction(QStringLiteral("すべて選択"), this,
                    [this] { page()->triggerAction(QWebEnginePage::SelectAll); });
    const QPoint global = event->globalPos();
    const QPointF at = QPointF(event->pos()) / zoomFactor();
    // The post is the last mark before the element under the pointer, in document order.
    const QString script =
        QStringLiteral(
            "(function(x,y){var e=document.elementFromPoint(x,y);if(!e)return 0;"
            "var w=document.createTreeWalker(document,NodeFilter.SHOW_COMMENT);w.currentNode=e;"
            "for(var c=w.previousNode();c;c=w.previousNode()){"
            "var m=/^sazanami-post (\\d+) %1$/.exec(c.data);if(m)return Number(m[1]);}"
            "return 0;})(%2,%3)")
            .arg(m_markToken)
            .arg(at.x())
            .arg(at.y());
    evaluate(script, [this, menu, global](const QVariant &number) {
        if (!menu)
            return;
        if (m_postMenu)
            m_postMenu(menu, number.toLongLong());
        menu->popup(global);
    });
}

void ThreadView::Close()
{
    queue(QStringLiteral("document.close();"));
}

void ThreadView::ScrollToBottom()
{
    m_scrollPending = true;
    scheduleFlush();
}

QString ThreadView::SelectionText() const
{
    return page()->selectedText();
}

void ThreadView::evaluate(const QString &script, std::function<void(const QVariant &)> done)
{
    if (m_loading) {
        // Wait until the document exists, then keep the order of operations.
        auto *conn = new QMetaObject::Connection;
        *conn = connect(page(), &QWebEnginePage::loadFinished, this, [=](bool) {
            disconnect(*conn);
            delete conn;
            evaluate(script, done);
        });
        return;
    }
    flush();
    page()->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                          [done](const QVariant &v) { done(v); });
}

void ThreadView::queue(const QString &script)
{
    // Any other operation keeps its place after a scroll asked for before it.
    takePendingScroll();
    m_pending += script;
    scheduleFlush();
}

void ThreadView::takePendingScroll()
{
    if (!m_scrollPending)
        return;
    m_scrollPending = false;
    m_pending += QStringLiteral("(function(){var e=document.scrollingElement||document.body;"
                                "if(e)e.scrollTop=e.scrollHeight;})();");
}

void ThreadView::scheduleFlush()
{
    // Posts of one chunk reach the page in a single call.
    if (!m_flushScheduled && !m_loading) {
        m_flushScheduled = true;
        QTimer::singleShot(0, this, [this] {
            m_flushScheduled = false;
            flush();
        });
    }
}

void ThreadView::flush()
{
    if (m_loading)
        return;
    takePendingScroll();
    if (m_pending.isEmpty())
        return;
    page()->runJavaScript(m_pending, QWebEngineScript::ApplicationWorld);
    m_pending.clear();
}
