#include "rendering/threadlinks.h"

#include "platform/windowops.h"
#include "rendering/frmpicture.h"
#include "rendering/links.h"
#include "rendering/popups.h"
#include "retrieval/threadstate.h"

#include <QCursor>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollArea>

namespace {
// Header strip and label offsets inside the panel, in pixels (the panel's twips layout / 15).
constexpr int kStripWidth = 33;
constexpr int kStripHeight = 13;
constexpr int kLabelLeft = 1;
constexpr int kLabelTop = 12;
// Time to reach the panel after leaving its link before it goes.
constexpr int kLeaveGraceMs = 400;
} // namespace

ThreadLinks::ThreadLinks(QWidget *area, const PostTable &resData, const ThreadState &thread,
                         QObject *parent)
    : QObject(parent), m_area(area), m_resData(resData), m_thread(thread)
{
    // Cream panel with a dark border on the default skin's paler page; the strip takes the
    // skin's link colour.
    picPopup = new QFrame(area);
    picPopup->setObjectName(QStringLiteral("picPopup"));
    picPopup->setFrameShape(QFrame::Box);
    picPopup->setStyleSheet(QStringLiteral(
        "#picPopup{background:#fffff0;border:1px solid #5a5a5a;}"
        "#picPopupStrip{background:#1c5ea8;color:#ffffff;font-size:9px;padding-left:1px;}"
        "QScrollArea,QScrollArea>QWidget>QWidget{background:transparent;border:none;}"
        "#lblPopup{color:#222222;}"));
    auto *strip = new QLabel(QStringLiteral("Popup"), picPopup);
    strip->setObjectName(QStringLiteral("picPopupStrip"));
    strip->setGeometry(0, 0, kStripWidth, kStripHeight);
    m_scroll = new QScrollArea(picPopup);
    lblPopup = new QLabel;
    lblPopup->setObjectName(QStringLiteral("lblPopup"));
    lblPopup->setTextFormat(Qt::PlainText);
    lblPopup->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    lblPopup->setMargin(2);
    m_scroll->setWidget(lblPopup);
    lblPopup->installEventFilter(this);
    picPopup->installEventFilter(this);
    picPopup->hide();

    m_leaveTimer.setSingleShot(true);
    m_leaveTimer.setInterval(kLeaveGraceMs);
    connect(&m_leaveTimer, &QTimer::timeout, this, [this] {
        if (!picPopup->underMouse())
            hidePopup();
    });
}

bool ThreadLinks::webMain_BeforeNavigate2(const QString &target)
{
    if (target == QLatin1String("about:blank"))
        return true;
    switch (Links::Classify(target)) {
    case Links::Action::Refuse:
        emit statusText(Links::RefusedSchemeText());
        break;
    case Links::Action::RefusedBoard:
        emit statusText(Links::RefusedBoardText());
        OpenExternal(target);
        break;
    case Links::Action::LoadThread:
        emit loadThread(target);
        break;
    case Links::Action::ShowPicture:
        showPicture(target);
        break;
    case Links::Action::OpenExternal:
        OpenExternal(Links::DesktopAddress(target));
        break;
    }
    return false;
}

void ThreadLinks::webMain_StatusTextChange(const QString &text)
{
    // Moving off a link leaves a moment to reach the panel, so its text can be selected.
    if (text.isEmpty()) {
        if (picPopup->isVisible())
            m_leaveTimer.start();
        return;
    }
    hidePopup();
    const Popups::Thread thread{m_resData, m_thread.ResTotal,
                                m_thread.BoardKind == Boards::Kind::TwoChannel};
    const QString popup = Popups::PopupText(Popups::ParseStatusText(text), thread);
    if (!popup.isNull())
        SetPopup(popup);
}

void ThreadLinks::SetPopup(const QString &Text)
{
    const QPoint pointer = m_area->mapFromGlobal(QCursor::pos());
    lblPopup->setText(Text);
    lblPopup->adjustSize();
    const QRect r = Popups::PanelRect(pointer, lblPopup->size(), m_area->size());
    picPopup->setGeometry(r);
    m_scroll->setGeometry(kLabelLeft, kLabelTop, r.width() - kLabelLeft - 1,
                          r.height() - kLabelTop - 1);
    picPopup->show();
    picPopup->raise();
}

void ThreadLinks::hidePopup()
{
    m_leaveTimer.stop();
    picPopup->hide();
}

bool ThreadLinks::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lblPopup && event->type() == QEvent::MouseButtonRelease) {
        // A click hides the panel; a drag that selected text keeps it for copying.
        if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton &&
            !lblPopup->hasSelectedText())
            hidePopup();
    } else if (watched == picPopup && event->type() == QEvent::Leave) {
        if (QGuiApplication::mouseButtons() == Qt::NoButton && !lblPopup->hasSelectedText())
            hidePopup();
    }
    return QObject::eventFilter(watched, event);
}

void ThreadLinks::showPicture(const QString &address)
{
    if (!m_picture)
        m_picture = new frmPicture(m_area->window());
    // Over the subtitle window, so that the broadcast picks the picture up.
    if (const std::optional<QRect> r = m_subtitleGeometry ? m_subtitleGeometry() : std::nullopt)
        m_picture->setGeometry(*r);
    m_picture->show();
    m_picture->raise();
    m_picture->LoadPicture(address);
}

void ThreadLinks::closePicture()
{
    if (m_picture)
        m_picture->close();
}
