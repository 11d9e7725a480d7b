#include "platform/threadview.h"

#include <QJsonDocument>
#include <QJsonValue>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineSettings>

namespace {

class ThreadPage : public QWebEnginePage
{
public:
    ThreadPage(ThreadView::NavigationHandler *handler, QObject *parent)
        : QWebEnginePage(parent), m_handler(handler)
    {}

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType, bool isMainFrame) override
    {
        if (!isMainFrame)
            return false;
        if (!*m_handler)
            return url.toString() == QLatin1String("about:blank");
        return (*m_handler)(url.toString());
    }

private:
    ThreadView::NavigationHandler *m_handler;
};

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

ThreadView::ThreadView(QWidget *parent) : QWebEngineView(parent)
{
    auto *page = new ThreadPage(&m_handler, this);
    page->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    page->settings()->setAttribute(QWebEngineSettings::AutoLoadImages, true);
    setPage(page);
    connect(page, &QWebEnginePage::linkHovered, this, &ThreadView::StatusTextChange);
    connect(page, &QWebEnginePage::loadFinished, this, [this] {
        m_loading = false;
        flush();
    });
}

void ThreadView::setNavigationHandler(NavigationHandler handler)
{
    m_handler = std::move(handler);
}

void ThreadView::Navigate(const QString &address)
{
    // Operations queued before the navigation belong to the old document.
    m_pending.clear();
    m_loading = true;
    setUrl(QUrl(address));
}

void ThreadView::Clear()
{
    // Opening the document discards its content; nothing more to do here.
}

void ThreadView::Open()
{
    queue(QStringLiteral("document.open();"));
}

void ThreadView::SetCharset(const QString &charset)
{
    // Text reaches the document already decoded; the name is kept for what the view reports.
    m_charset = charset;
}

void ThreadView::Write(const QString &html)
{
    queue(QStringLiteral("document.write(") + jsString(html) + QStringLiteral(");"));
}

void ThreadView::Close()
{
    queue(QStringLiteral("document.close();"));
}

void ThreadView::ScrollToBottom()
{
    queue(QStringLiteral("(function(){var e=document.scrollingElement||document.body;"
                         "if(e)e.scrollTop=e.scrollHeight;})();"));
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
    m_pending += script;
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
    if (m_loading || m_pending.isEmpty())
        return;
    page()->runJavaScript(m_pending, QWebEngineScript::ApplicationWorld);
    m_pending.clear();
}
