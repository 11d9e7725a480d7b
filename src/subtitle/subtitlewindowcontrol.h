#pragma once

#include "subtitle/frmtext.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <functional>

class QWidget;
struct Program;

// The subtitle window as the main window sees it: loading it on demand, the menu commands
// 字幕, click-through and drag mark, TextDraw for the queue, free text and idle text, and the
// background picture every draw paints.
//
// The main window owns one and connects:
//   mnuMakuView            → if (mnuMakuView_Click()) queue.restartIfWaiting();
//   mnuClickThrough        → mnuClickThrough->setChecked(mnuClickThrough_Click());
//   mnuDragPointViewChange → mnuDragPointViewChange_Click();
//   every TextDraw caller  → TextDraw(...); drawnForGame → the game's answer check.
class SubtitleWindowControl : public QObject
{
    Q_OBJECT
public:
    // `owner` parents message boxes.
    SubtitleWindowControl(Program &program, QWidget *owner, QObject *parent = nullptr);
    ~SubtitleWindowControl() override;

    void setIdleTextSource(IdleTextHook source);

    // The loaded subtitle window, or null.
    frmText *window() const;
    bool isLoaded() const { return window() != nullptr; }
    // The window is loaded and on the screen.
    bool isShown() const;

    // Draws on the subtitle window, loading it without showing it when it is not loaded.
    void TextDraw(const MakuEntry &entry);
    // Reads the BackPictureFile picture again (at start and after the settings changed); a
    // missing file is reported and the setting cleared. True when a picture is now held.
    bool LoadBackPicture();

    // 字幕: closes a shown window, or shows it with an empty draw. True when it opened the
    // window: the caller then restarts the queue countdown when entries wait.
    bool mnuMakuView_Click();
    // 字幕枠のクリック透過: returns the item's new check state.
    bool mnuClickThrough_Click();
    // ドラッグポイント表示切替: only while the window is loaded.
    void mnuDragPointViewChange_Click();
    // Closes and unloads the window: at program end, or while the settings dialog is open.
    void unload();

    static const QString &ClickThroughMessage();

signals:
    // Forwarded from the window: after every draw while the game window is open.
    void drawnForGame(const QString &text, const QString &id);
    // Forwarded from the window: after every draw.
    void drawn(const MakuEntry &entry);
    // The window was closed: nothing is shown any more.
    void unloaded();
    // The window appeared on the screen or left it, however it was opened or closed.
    void shownChanged(bool shown);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    frmText *load();
    void close();
    void reopen();
    void drawEmpty(frmText *window);

    Program &m_program;
    QImage m_picBack; // the background picture (picBack)
    QWidget *m_owner = nullptr;
    QPointer<frmText> m_window;
    IdleTextHook m_idleText;
    bool m_clickThrough = false;
};
