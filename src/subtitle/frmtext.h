#pragma once

#include "subtitle/makuentry.h"
#include "subtitle/subtitlepainter.h"
#include "subtitle/textlayout.h"

#include <QImage>
#include <QPoint>
#include <QRegion>
#include <QWidget>
#include <functional>

class SettingsStore;
struct Program;

// The subtitle window: a borderless window of the frame size that broadcasting software
// captures. Each TextDraw replaces the whole picture; everything black is cut away (region
// mode) or made transparent (layered mode).
class frmText : public QWidget
{
    Q_OBJECT
public:
    // Loading: restores the placement from "Pos", goes topmost and sets MakuShown.
    // `picBack` is the background picture every draw paints (held by SubtitleWindowControl).
    frmText(Program &program, const QImage *picBack, QWidget *parent = nullptr);
    ~frmText() override;

    void TextDraw(const MakuEntry &entry);

    // The idle-text dialog's contents; consulted while NoResOpen.
    void setIdleTextSource(IdleTextHook source);
    // Whether the main window's click-through item is checked; read at every layered draw.
    void setClickThroughSource(std::function<bool()> source);

    // Clears MakuShown and saves the placement; runs once, on close or destruction.
    void Form_Unload();
    bool isUnloaded() const { return m_unloaded; }

    // What the last draw produced: the picture on black, what the window paints, the region.
    const QImage &picture() const { return m_painter.picture(); }
    const QImage &shownImage() const { return m_layered ? m_shown : m_painter.picture(); }
    // Where the last draw changed the picture, and that part (or any) on a transparent ground.
    QRect lastChange() const { return m_changed; }
    QImage overlayPicture(const QRect &area) const { return m_painter.transparentPicture(area); }
    const QRegion &appliedRegion() const { return m_region; }
    const SubtitleLayout &lastLayout() const { return m_layout; }

    static const QString &windowCaption();
    // Where the window opens when no placement was ever stored (a first start).
    static void SetFirstPosition(SettingsStore &store, QPoint at);

signals:
    // After every draw, once the window shows the new picture.
    void drawn(const MakuEntry &entry);
    // After every draw while the game window is open: the text as TextDraw received it and
    // the poster's ID, for the answer check.
    void drawnForGame(const QString &text, const QString &id);

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Load();
    void redrawClearOrIdle();

    Program &m_program;
    const QImage *m_picBack = nullptr;
    IdleTextHook m_idleText;
    std::function<bool()> m_clickThrough;

    QSize m_frameSize = kDefaultWaku;
    SubtitleLayout m_layout;
    SubtitlePainter m_painter;
    // Kept between draws and brought up to date where the picture changed.
    QImage m_shown;
    QRegion m_region;
    QRect m_changed;
    bool m_layered = false;
    bool m_shapeValid = false; // m_region or m_shown matches the picture outside a change
    bool m_unloaded = false;
};
