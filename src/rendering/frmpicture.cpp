#include "rendering/frmpicture.h"

#include "platform/windowops.h"
#include "rendering/links.h"

#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {

// An address that merely contains ".JPG" can be an HTML page: it gets no scripts, no plugins,
// no local files, and cannot lead anywhere but to other web addresses.
class PicturePage : public QWebEnginePage
{
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType, bool) override
    {
        return Links::IsWebAddress(url.toString());
    }
};

} // namespace

frmPicture::frmPicture(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmPicture"));
    setWindowTitle(QStringLiteral("画像"));
    CloseOnEscape(this);
    webPicture = new QWebEngineView(this);
    webPicture->setObjectName(QStringLiteral("webPicture"));
    auto *page = new PicturePage(webPicture);
    QWebEngineSettings *s = page->settings();
    s->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    s->setUnknownUrlSchemePolicy(QWebEngineSettings::DisallowUnknownUrlSchemes);
    webPicture->setPage(page);
    // First placement, used while the subtitle window is closed: a small window over the
    // main window's centre.
    resize(480, 360);
    if (parent)
        move(parent->geometry().center() - rect().center());
}

bool frmPicture::LoadPicture(const QString &Url)
{
    if (!Links::IsWebAddress(Url))
        return false;
    webPicture->setUrl(QUrl(Url));
    return true;
}

void frmPicture::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    webPicture->setGeometry(rect());
}
