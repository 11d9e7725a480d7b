#include "subtitle/frmtext.h"

#include "platform/settingsstore.h"
#include "platform/windowops.h"
#include "platform/windowshape.h"
#include "settings/options.h"
#include "settings/program.h"
#include "subtitle/subtitlepainter.h"

#include <QCloseEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>

namespace {

const char *const kTop = "TextTop";
const char *const kLeft = "TextLeft";
const char *const kWidth = "TextWidth";
const char *const kHeight = "TextHeight";

} // namespace

const QString &frmText::windowCaption()
{
    static const QString caption = QStringLiteral("sazanami 字幕");
    return caption;
}

void frmText::SetFirstPosition(SettingsStore &store, QPoint at)
{
    int stored = 0;
    if (ReadPlacement(store, kTop, &stored) || ReadPlacement(store, kLeft, &stored))
        return;
    WritePlacement(store, kTop, at.y());
    WritePlacement(store, kLeft, at.x());
}

frmText::frmText(Program &program, const QImage *picBack, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_program(program), m_picBack(picBack)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(windowCaption());
    setFocusPolicy(Qt::StrongFocus);
    // Always able to carry transparency, so the window mode can change between draws
    // without recreating the native window.
    PrepareTransparentWindow(this);
    (new WindowDrag(this))->watch(this);
    resize(m_frameSize);
    Form_Load();
}

frmText::~frmText()
{
    Form_Unload();
}

void frmText::Form_Load()
{
    QRect g = geometry();
    int v = 0;
    bool moved = false;
    if (const SettingsStore *store = m_program.store) {
        if (ReadPlacement(*store, kTop, &v)) {
            g.moveTop(v);
            moved = true;
        }
        if (ReadPlacement(*store, kLeft, &v)) {
            g.moveLeft(v);
            moved = true;
        }
        if (ReadPlacement(*store, kWidth, &v) && v > 0)
            g.setWidth(v);
        if (ReadPlacement(*store, kHeight, &v) && v > 0)
            g.setHeight(v);
    }
    resize(g.size());
    if (moved)
        move(g.topLeft());
    SetTopMost(this, 1);
    m_program.flags.MakuShown = true;
}

void frmText::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    m_program.flags.MakuShown = false;
    if (SettingsStore *store = m_program.store) {
        WritePlacement(*store, kTop, pos().y());
        WritePlacement(*store, kLeft, pos().x());
        WritePlacement(*store, kWidth, width());
        WritePlacement(*store, kHeight, height());
    }
}

void frmText::setIdleTextSource(IdleTextHook source)
{
    m_idleText = std::move(source);
}

void frmText::setClickThroughSource(std::function<bool()> source)
{
    m_clickThrough = std::move(source);
}

void frmText::TextDraw(const MakuEntry &entry)
{
    const Options &opt = m_program.opt;
    const TextDrawFlags flags{m_program.flags.DragPointView, m_program.flags.GameOpen};
    m_layout = LayoutTextDraw(entry, opt, flags, m_frameSize);
    m_frameSize = m_layout.frame;
    resize(m_frameSize);

    if (m_layout.setClipboard)
        SetClipboardText(m_layout.clipboardText);

    const QRect changed = m_painter.paint(m_layout, m_picBack ? *m_picBack : QImage());
    m_changed = changed;
    const QImage &picture = m_painter.picture();
    const bool layered = opt.TextMode != 0;
    const bool whole = !m_shapeValid || layered != m_layered || changed == picture.rect();
    m_layered = layered;
    m_shapeValid = true;

    if (!layered) {
        // Outside the change the shape is what it was.
        m_region = whole ? RegionFromImage(picture)
                         : m_region.subtracted(changed).united(
                               RegionFromImage(picture, qRgb(0, 0, 0), changed));
        m_shown = QImage();
        SetWindowRegion(this, m_region);
    } else {
        m_region = QRegion();
        ClearWindowRegion(this);
        KeyColourToTransparent(picture, m_shown, whole ? picture.rect() : changed);
        // Click-through is only ever switched on here; reopening the window switches it off.
        if (m_clickThrough && m_clickThrough())
            SetClickThrough(this);
    }
    update(whole ? rect() : changed);

    if (opt.MakuFormTop == 1)
        SetTopMost(this, 1);

    emit drawn(entry);
    if (m_program.flags.GameOpen)
        emit drawnForGame(entry.text(), entry.id);
}

void frmText::redrawClearOrIdle()
{
    if (m_program.flags.NoResOpen && m_idleText)
        TextDraw(m_idleText().entry(false));
    else
        TextDraw(MakuEntry::freeText(QStringLiteral("　")));
}

void frmText::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    const QRect r = event->rect();
    p.fillRect(r, Qt::transparent);
    const QImage &shown = shownImage();
    if (!shown.isNull())
        p.drawImage(r.topLeft(), shown, r);
}

void frmText::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Space:
        m_program.flags.DragPointView = !m_program.flags.DragPointView;
        redrawClearOrIdle();
        break;
    case Qt::Key_Home:
        m_program.flags.DragPointView = true;
        TextDraw(MakuEntry::freeText(QStringLiteral("　")));
        move(QCursor::pos() - QPoint(10, 5));
        break;
    case Qt::Key_Left:
        move(pos() + QPoint(-1, 0));
        break;
    case Qt::Key_Right:
        move(pos() + QPoint(1, 0));
        break;
    case Qt::Key_Up:
        move(pos() + QPoint(0, -1));
        break;
    case Qt::Key_Down:
        move(pos() + QPoint(0, 1));
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void frmText::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}
