#include "subtitle/subtitlewindowcontrol.h"

#include "platform/textfile.h"
#include "settings/program.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMessageBox>

SubtitleWindowControl::SubtitleWindowControl(Program &program, QWidget *owner, QObject *parent)
    : QObject(parent), m_program(program), m_owner(owner)
{}

SubtitleWindowControl::~SubtitleWindowControl()
{
    // The owner is going: a window hidden now tells nobody.
    if (m_window)
        m_window->removeEventFilter(this);
    delete m_window.data();
}

bool SubtitleWindowControl::isShown() const
{
    const frmText *w = window();
    return w && w->isVisible();
}

bool SubtitleWindowControl::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched == m_window && (type == QEvent::Show || type == QEvent::Hide) &&
        !event->spontaneous())
        emit shownChanged(type == QEvent::Show);
    return QObject::eventFilter(watched, event);
}

const QString &SubtitleWindowControl::ClickThroughMessage()
{
    static const QString message =
        QStringLiteral("透過方式が「従来の方式」だとクリックの透過はできません") +
        QStringLiteral("\r\n") + QStringLiteral("設定でレイヤードウィンドウ設定に変更してください");
    return message;
}

void SubtitleWindowControl::setIdleTextSource(IdleTextHook source)
{
    m_idleText = std::move(source);
    if (m_window)
        m_window->setIdleTextSource(m_idleText);
}

frmText *SubtitleWindowControl::window() const
{
    return m_window && !m_window->isUnloaded() ? m_window.data() : nullptr;
}

frmText *SubtitleWindowControl::load()
{
    if (frmText *w = window())
        return w;
    auto *w = new frmText(m_program, &m_picBack);
    w->setIdleTextSource(m_idleText);
    w->setClickThroughSource([this] { return m_clickThrough; });
    connect(w, &frmText::drawnForGame, this, &SubtitleWindowControl::drawnForGame);
    connect(w, &frmText::drawn, this, &SubtitleWindowControl::drawn);
    w->installEventFilter(this);
    m_window = w;
    return w;
}

void SubtitleWindowControl::close()
{
    // The window unloads in its close event and deletes itself afterwards.
    if (frmText *w = window())
        w->close();
    m_window = nullptr;
    emit unloaded();
}

void SubtitleWindowControl::drawEmpty(frmText *w)
{
    w->TextDraw(MakuEntry());
}

void SubtitleWindowControl::reopen()
{
    frmText *old = window();
    if (!old)
        return;
    const bool shown = old->isVisible();
    close();
    QCoreApplication::processEvents();
    frmText *w = load();
    // A fresh window has no picture yet: draw before it appears, so no opaque box shows.
    drawEmpty(w);
    if (shown)
        w->show();
}

void SubtitleWindowControl::TextDraw(const MakuEntry &entry)
{
    load()->TextDraw(entry);
}

bool SubtitleWindowControl::LoadBackPicture()
{
    QString &file = m_program.opt.BackPictureFile;
    if (file.isEmpty()) {
        m_picBack = QImage(); // nothing is painted without a file name; free the old picture
        return false;
    }
    const QString path = m_program.dataFile(file);
    if (!FileExists(path)) {
        m_picBack = QImage();
        QMessageBox box(
            QMessageBox::NoIcon, QStringLiteral("sazanami"),
            QStringLiteral("設定されていた画像が見つからないので、画像無し設定にします"),
            QMessageBox::Ok, m_owner);
        box.exec();
        file.clear();
        return false;
    }
    // A file that is there but is no picture leaves the holder empty: drawing then paints none.
    m_picBack = QImage(path);
    return !m_picBack.isNull();
}

bool SubtitleWindowControl::mnuMakuView_Click()
{
    m_program.flags.DragPointView = true;
    frmText *w = window();
    if (w && w->isVisible()) {
        close();
        return false;
    }
    // A window loaded by a draw while closed was never shown: show it instead of closing it.
    w = load();
    drawEmpty(w);
    w->show();
    return true;
}

bool SubtitleWindowControl::mnuClickThrough_Click()
{
    if (m_clickThrough) {
        m_clickThrough = false;
        reopen();
        return false;
    }
    if (m_program.opt.TextMode != 0) {
        m_clickThrough = true;
        reopen();
        return true;
    }
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("sazanami"), ClickThroughMessage(),
                    QMessageBox::Ok, m_owner);
    box.exec();
    return false;
}

void SubtitleWindowControl::mnuDragPointViewChange_Click()
{
    frmText *w = window();
    if (!w)
        return;
    m_program.flags.DragPointView = !m_program.flags.DragPointView;
    if (m_program.flags.NoResOpen && m_idleText)
        w->TextDraw(m_idleText().entry(false));
    else
        w->TextDraw(MakuEntry::freeText(QStringLiteral("　")));
}

void SubtitleWindowControl::unload()
{
    close();
}
