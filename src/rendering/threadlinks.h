#pragma once

#include "rendering/frmpicture.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <functional>
#include <optional>

class QFrame;
class QLabel;
class QScrollArea;
class QWidget;
class PostTable;
struct ThreadState;

// The links of the thread view: what a click does, the anchor and ID pop-up panel picPopup over
// the view, and the image viewer. The main window connects the view's events and the two
// signals, and tells where the subtitle window is.
class ThreadLinks : public QObject
{
    Q_OBJECT
public:
    using GeometrySource = std::function<std::optional<QRect>()>;

    // `area` is the main window's inner area, which holds the panel.
    ThreadLinks(QWidget *area, const PostTable &resData, const ThreadState &thread,
                QObject *parent = nullptr);

    // The subtitle window's geometry while it is loaded.
    void setSubtitleGeometry(GeometrySource source) { m_subtitleGeometry = std::move(source); }

    // A link click or navigation of the view; true only for the view's own about:blank.
    bool webMain_BeforeNavigate2(const QString &target);
    // The target of the link under the pointer changed.
    void webMain_StatusTextChange(const QString &text);
    // Shows the panel with the text near the pointer.
    void SetPopup(const QString &Text);
    void hidePopup();

    frmPicture *picture() const { return m_picture; }
    void closePicture();

signals:
    void statusText(const QString &text);
    // Put the address into the address bar and run the load command.
    void loadThread(const QString &address);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showPicture(const QString &address);

    QWidget *m_area;
    const PostTable &m_resData;
    const ThreadState &m_thread;
    QFrame *picPopup = nullptr;
    QScrollArea *m_scroll = nullptr;
    QLabel *lblPopup = nullptr;
    QTimer m_leaveTimer;
    QPointer<frmPicture> m_picture;
    GeometrySource m_subtitleGeometry;
};
