#pragma once

#include "retrieval/threadstate.h"
#include "subtitle/makuentry.h"

#include <QMainWindow>
#include <QMap>
#include <QPointer>
#include <QVector>

class QAction;
class QComboBox;
class QItemSelection;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QPushButton;
class QTimer;
class NgControl;
class OnAirStrip;
class OverlayServer;
class PostPipeline;
class ReloadCountdown;
class SpeechReader;
class SubtitlePacing;
class SubtitleQueue;
class SubtitleWindowControl;
class ThreadLoader;
class ThreadLinks;
class ThreadView;
class WavePlayer;
class frmCatfee;
class frmNoResText;
class frmPost;
class frmSetting;
class frmThread;
class NextThreadBar;
class NextThreadWatch;
struct NextThreadCandidate;
struct Program;

// The main window: address bar, thread view, status bar, side pane and the menu through which
// every feature is reached. It owns the long-lived objects and runs start-up and shutdown.
// Tests and tools reach its controls by their object names (cmbUrl, webMain, lstRes, …).
class frmMain : public QMainWindow
{
    Q_OBJECT
public:
    explicit frmMain(Program &program, QWidget *parent = nullptr);
    ~frmMain() override;

    // Start-up. False when the program cannot run (a broken skin); the caller then ends it.
    bool Form_Load(const QString &commandLine);

    // Commands of the other windows: the status line, the address bar and the load command.
    void SetStatus(const QString &text);
    QString addressText() const;
    void setAddressText(const QString &text);
    void mnuReload_Click();

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void createSubtitleParts();
    void createThreadParts();
    void createNextThreadParts();
    void createTimers();
    void buildControls();
    void buildMenu();
    void buildReloadMenus();
    void buildFeatureMenu();
    void buildSettingsMenu();
    void nameMenuItems();
    void addReloadPeriods();
    void restoreReloadAndScroll();
    bool loadSkins();
    void showStartPage();
    void restorePlacement();
    void savePlacement();
    void loadNgWords();
    // The NG rules by ID, name and pattern: context menus, dialog, applying.
    void wireNgRules();
    bool saveNgWords();
    void loadCommandSelection();
    void setPanelText(const QString &key, const QString &text);
    // First start: a usable size, the subtitle window beside the main window.
    void placeFirstTime();
    void Form_Resize();
    void layOutPane(int top, int height);
    void Form_Unload();
    void refreshQueueList();
    // Enter in the address bar: the text joins the history and is loaded.
    void cmbUrl_KeyPress();
    void lstNG_Click(QListWidgetItem *item);
    void lstCommand_SelectionChanged(const QItemSelection &selected,
                                     const QItemSelection &deselected);

    // Menu commands.
    void mnuSkinReload_Click();
    void mnuAddNG_Click();
    void mnuMakuList_Click();
    void mnuAbout_Click();
    void mnuAutoScroll_Click(int index);
    void mnuAutoReload_Click(int index);
    void mnuMakuView_Click();
    void mnuClickThrough_Click();
    void mnuDragPointViewChange_Click();
    void mnuFreeDraw_Click();
    void mnuNoResText_Click();
    void mnuSetting_Click();
    void mnuThread_Click();
    void mnuMakucatch_Click();
    void mnuWrite_Click();
    void mnuOverlayUrl_Click();
    void mnuNextThread_Click();

    // Following into the next thread: a candidate handled as NextThread says, and the move.
    void nextThreadFound(const NextThreadCandidate &candidate);
    void moveToNextThread(const NextThreadCandidate &candidate);

    // The subtitle state as 字幕 and the on-air strip show it.
    void updateAirState();

    // Starts, restarts or stops the browser-source server as the options say.
    void applyOverlay();
    // Reads aloud with the engine the options choose; an unchanged choice keeps its engine.
    void applySpeech();
    // The subtitle window's last change to the pages, or its whole picture.
    void feedOverlaySubtitle(bool whole);

    // Scrolls the thread view to its end when auto-scroll is on.
    void AutoScroll();
    // Clears the thread view and writes the header skin; the document stays open for posts.
    void restartView();
    // The first line of the thread view's selection, proposed as a new NG word.
    QString GetSelectedNG() const;

    // Controls, named as the rest of the program refers to them.
    QComboBox *cmbUrl = nullptr;
    ThreadView *webMain = nullptr;
    QListWidget *lstRes = nullptr;
    QListWidget *lstCommand = nullptr;
    QListWidget *lstNG = nullptr;
    QPushButton *cmdNgSetting = nullptr;
    QLabel *m_paneHeadings[3] = {}; // 字幕待ち, NG, コマンド

    QAction *mnuReload = nullptr;
    // 0 off, 1 separator, then the periods; each item's data is its period in seconds.
    QVector<QAction *> mnuAutoReload;
    QVector<QAction *> mnuAutoScroll; // 0 off, 1 on
    QAction *mnuMakuView = nullptr;
    QAction *mnuMakuList = nullptr;
    QAction *mnuFreeDraw = nullptr;
    QAction *mnuNoResText = nullptr;
    QAction *mnuWrite = nullptr;
    QAction *mnuThread = nullptr;
    QAction *mnuMakucatch = nullptr;
    QAction *mnuOverlayUrl = nullptr;
    QAction *mnuNextThread = nullptr;
    QAction *mnuSetting = nullptr;
    QAction *mnuAddNG = nullptr;
    QAction *mnuNgSetting = nullptr;
    QAction *mnuSkinReload = nullptr;
    QAction *mnuClickThrough = nullptr;
    QAction *mnuDragPointViewChange = nullptr;
    QAction *mnuAbout = nullptr;

    QTimer *tmrMaku = nullptr;   // 100 ms: subtitle pacing
    QTimer *tmrReload = nullptr; // 1000 ms: automatic reload countdown

    bool PaneVisible = true;
    QString HeaderSkin;
    QString ResSkin;

    Program &m_program;
    ThreadState m_thread;
    SubtitleQueue *m_queue = nullptr;
    PostPipeline *m_pipeline = nullptr;
    ThreadLoader *m_loader = nullptr;
    ReloadCountdown *m_reload = nullptr;
    SubtitlePacing *m_pacing = nullptr;
    SubtitleWindowControl *m_maku = nullptr;
    ThreadLinks *m_links = nullptr;
    NgControl *m_ng = nullptr;
    OnAirStrip *m_strip = nullptr;
    WavePlayer *m_wave = nullptr;
    OverlayServer *m_overlay = nullptr;
    SpeechReader *m_speech = nullptr;
    NextThreadWatch *m_nextThread = nullptr;
    NextThreadBar *m_nextThreadBar = nullptr;
    // The thread being loaded was moved to: its title goes on air before its posts.
    bool m_moveNotice = false;
    // The one way every caller draws on the subtitle window.
    TextDrawHook m_textDraw;
    QPointer<frmNoResText> m_noRes;
    QPointer<frmCatfee> m_catfee;
    QPointer<frmSetting> m_setting;
    QPointer<frmThread> m_threadList;
    QPointer<frmPost> m_post;
    bool m_queueRefreshPending = false;
    QMap<QString, QLabel *> m_panels;
    QWidget *m_central = nullptr;
    QMenu *m_autoReloadMenu = nullptr;
    bool m_loaded = false;
    bool m_unloaded = false;
};
