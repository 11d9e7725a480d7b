#include "app/frmmain.h"

#include "app/ngcontrol.h"
#include "game/catfeegame.h"
#include "game/frmcatfee.h"
#include "overlay/frmoverlayurl.h"
#include "overlay/overlayserver.h"
#include "platform/codec.h"
#include "platform/settingsstore.h"
#include "platform/sound.h"
#include "platform/textfile.h"
#include "platform/threadview.h"
#include "posting/frmpost.h"
#include "posting/postrequest.h"
#include "rendering/ngwords.h"
#include "rendering/postpipeline.h"
#include "rendering/threadlinks.h"
#include "retrieval/reloadcountdown.h"
#include "retrieval/threadloader.h"
#include "settings/commandwords.h"
#include "settings/firststart.h"
#include "settings/frmsetting.h"
#include "settings/program.h"
#include "speech/speechengines.h"
#include "speech/speechreader.h"
#include "subtitle/frmnorestext.h"
#include "subtitle/frmtext.h"
#include "subtitle/makuentry.h"
#include "subtitle/onairstrip.h"
#include "subtitle/subtitlepacing.h"
#include "subtitle/subtitlequeue.h"
#include "subtitle/subtitlewindowcontrol.h"
#include "threadlist/frmthread.h"
#include "threadlist/nextthreadbar.h"
#include "threadlist/nextthreadwatch.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStatusBar>
#include <QTextDocument>
#include <QTime>
#include <QTimer>

namespace {

// Default inner size 11190 × 7155 twips.
constexpr int kDefaultWidth = 11190 / kTwipsPerPixel;
constexpr int kDefaultHeight = 7155 / kTwipsPerPixel;
// A selection longer than this (in Shift_JIS bytes) proposes no NG word.
constexpr qsizetype kMaxNgSelectionBytes = 31000;
// Side pane: the queue on top, NG words (NG設定 under them) and command words side by side
// below it, each list under its heading.
constexpr int kResWidth = 200;
constexpr int kResHeight = 200;
constexpr int kCommandOffset = 110;
constexpr int kPaneGap = 6;

const QString kStartPage = QStringLiteral(
    "「設定」を開いて各設定を自分好みに編集<br>↓<br>実況に使うスレURLをコピーしてきて、"
    "アドレスバーに貼り付けてEnterキーを押す<br>↓<br>「字幕」を押して字幕表示枠を表示する<br>↓<br>"
    "「自動更新」、「自動スクロール」を好みに設定する<br>↓<br>"
    "新着レスぶんから、字幕表示枠内に表示されるようになる");

const char *const kPlacementKeys[] = {"MainTop", "MainLeft", "MainWidth", "MainHeight"};

// Ctrl held with the load command or a click: a Ctrl load, an NG word removed.
bool ctrlHeld()
{
    return QGuiApplication::keyboardModifiers().testFlag(Qt::ControlModifier);
}

} // namespace

frmMain::frmMain(Program &program, QWidget *parent) : QMainWindow(parent), m_program(program)
{
    setWindowTitle(QStringLiteral("sazanami"));
    buildControls();
    buildMenu();
    resize(kDefaultWidth, kDefaultHeight);

    m_wave = new WavePlayer(this);
    connect(m_wave, &WavePlayer::noAudioOutput, this, [this] {
        SetStatus(QStringLiteral("音声の出力先が見つからないため、効果音は鳴りません"));
    });
    m_overlay = new OverlayServer(this);
    createSubtitleParts();
    createThreadParts();
    createNextThreadParts();
    createTimers();
}

frmMain::~frmMain()
{
    // A post window deleted with this one must not report to a window half gone.
    if (m_post)
        m_post->disconnect(this);
}

// The queue, its pacing and the subtitle window.
void frmMain::createSubtitleParts()
{
    m_queue = new SubtitleQueue(this);
    connect(m_queue, &SubtitleQueue::countdownChanged, this, [this](int v) {
        setPanelText(QStringLiteral("MAKUTIMER"), QString::number(v));
        if (v >= 0 && m_loaded && !m_unloaded && !tmrMaku->isActive())
            tmrMaku->start();
    });
    connect(m_queue, &SubtitleQueue::entriesChanged, this, &frmMain::refreshQueueList);
    connect(m_queue, &SubtitleQueue::entriesDropped, this, [this](int count) {
        SetStatus(QStringLiteral("字幕候補が%1件を超えたため、古いものから%2件を捨てました")
                      .arg(SubtitleQueue::kMaxEntries)
                      .arg(count));
    });

    m_maku = new SubtitleWindowControl(m_program, this, this);
    m_textDraw = [this](const MakuEntry &entry) { m_maku->TextDraw(entry); };
    // Every draw while the game window is open is an answer to judge.
    connect(m_maku, &SubtitleWindowControl::drawnForGame, this,
            [this](const QString &text, const QString &id) {
                if (m_catfee)
                    m_catfee->game().Hantei(text, id);
            });
    connect(m_maku, &SubtitleWindowControl::drawn, this, [this] { feedOverlaySubtitle(false); });
    connect(m_maku, &SubtitleWindowControl::unloaded, m_overlay, &OverlayServer::clearSubtitle);
    connect(m_maku, &SubtitleWindowControl::shownChanged, this, &frmMain::updateAirState);
    const IdleTextHook idle = [this] { return m_noRes ? m_noRes->idleText() : IdleText(); };
    m_maku->setIdleTextSource(idle);

    m_pacing = new SubtitlePacing(*m_queue, m_program, this);
    connect(m_pacing, &SubtitlePacing::textDrawRequested, m_maku, &SubtitleWindowControl::TextDraw);
    connect(m_pacing, &SubtitlePacing::waveRequested, m_wave, &WavePlayer::PlayWave);
    m_pacing->setIdleText(idle);

    // Posts and notices are read as they go on air, after their subtitle is drawn.
    m_speech = new SpeechReader(this);
    connect(m_speech, &SpeechReader::statusNote, this, &frmMain::SetStatus);
    connect(m_maku, &SubtitleWindowControl::drawn, m_speech, &SpeechReader::onAir);

    m_strip = new OnAirStrip(*m_queue, m_central);
    connect(m_strip, &OnAirStrip::statusText, this, &frmMain::SetStatus);
}

// The load command, new-post processing, the reload countdown and the thread view's links.
void frmMain::createThreadParts()
{
    m_pipeline = new PostPipeline(m_program, m_thread, this);
    connect(m_pipeline, &PostPipeline::postRendered, webMain, &ThreadView::WritePost);
    connect(m_pipeline, &PostPipeline::autoScrollRequested, this, &frmMain::AutoScroll);
    connect(m_pipeline, &PostPipeline::titleChanged, this, &frmMain::setWindowTitle);
    connect(m_pipeline, &PostPipeline::postQueued, m_queue, &SubtitleQueue::queuePost);
    connect(m_pipeline, &PostPipeline::noticeQueued, m_queue, &SubtitleQueue::queueNotice);
    // The flow page takes posts as they are received, not as the subtitle paces them.
    m_overlay->followPosts(*m_pipeline, m_program.opt);

    wireNgRules();

    m_loader = new ThreadLoader(m_thread, this);
    connect(m_loader, &ThreadLoader::statusChanged, this, &frmMain::SetStatus);
    connect(m_loader, &ThreadLoader::addressTextChanged, this, &frmMain::setAddressText);
    connect(m_loader, &ThreadLoader::viewRestartRequested, this, &frmMain::restartView);
    connect(m_loader, &ThreadLoader::linesReceived, m_pipeline, &PostPipeline::SetLog);
    connect(m_pipeline, &PostPipeline::postsTaken, m_loader, &ThreadLoader::addPosts);
    connect(m_loader, &ThreadLoader::refetched, m_pipeline, &PostPipeline::finishRefetch);
    connect(m_loader, &ThreadLoader::loadEnded, this, [this](DatFetch::LoadEnd how) {
        if (how == DatFetch::LoadEnd::Finished)
            m_strip->setLastLoad(QTime::currentTime());
    });
    m_reload = new ReloadCountdown(this);
    connect(m_reload, &ReloadCountdown::timerTextChanged, this,
            [this](const QString &text) { setPanelText(QStringLiteral("TIMER"), text); });
    connect(m_reload, &ReloadCountdown::reloadDue, this, &frmMain::mnuReload_Click);

    m_links = new ThreadLinks(m_central, m_pipeline->ResData(), m_thread, this);
    m_links->setSubtitleGeometry([this]() -> std::optional<QRect> {
        if (!m_program.flags.MakuShown || !m_maku->window())
            return std::nullopt;
        return m_maku->window()->geometry();
    });
    connect(m_links, &ThreadLinks::statusText, this, &frmMain::SetStatus);
    connect(m_links, &ThreadLinks::loadThread, this, [this](const QString &address) {
        setAddressText(address);
        mnuReload_Click();
    });
    webMain->setNavigationHandler(
        [this](const QString &target) { return m_links->webMain_BeforeNavigate2(target); });
    connect(webMain, &ThreadView::StatusTextChange, m_links,
            &ThreadLinks::webMain_StatusTextChange);
}

// The search for the next thread after every load, and the bar that offers what it finds.
void frmMain::createNextThreadParts()
{
    m_nextThread = new NextThreadWatch(this);
    connect(m_loader, &ThreadLoader::loadEnded, this, [this](DatFetch::LoadEnd how) {
        m_moveNotice = false;
        const PostTable &posts = m_pipeline->ResData();
        m_nextThread->threadLoaded(m_thread.CurrentUrl, m_pipeline->threadTitle(),
                                   EndFactsOf(m_thread, m_loader->fetch().response(), how),
                                   [&posts](qint32 from, qint32 to) {
                                       QVector<PostText> last;
                                       for (qint32 n = from; n <= to; ++n)
                                           last.append({n, posts.value(n).Message});
                                       return last;
                                   });
    });
    connect(m_nextThread, &NextThreadWatch::successorFound, this, &frmMain::nextThreadFound);
    connect(m_nextThread, &NextThreadWatch::statusChanged, this, &frmMain::SetStatus);
    // The first post of the thread moved to gives the notice its title, before its posts.
    connect(m_pipeline, &PostPipeline::titleChanged, this, [this] {
        if (std::exchange(m_moveNotice, false))
            m_pipeline->announce(NextThreadNotice(m_pipeline->threadTitle()));
    });
    m_nextThreadBar = new NextThreadBar(m_central);
    connect(m_nextThreadBar, &NextThreadBar::moveChosen, this, &frmMain::moveToNextThread);
    connect(m_nextThreadBar, &NextThreadBar::ignored, this,
            [this](const NextThreadCandidate &candidate) {
                m_nextThread->ignore(candidate);
                Form_Resize();
            });
    connect(m_loader, &ThreadLoader::viewRestartRequested, this, [this] {
        m_nextThreadBar->hide();
        Form_Resize();
    });
}

// tmrReload runs from start to exit. tmrMaku runs while the subtitle countdown does: at -1 it
// has nothing to count and sleeps until the countdown is set again (createSubtitleParts).
void frmMain::createTimers()
{
    tmrMaku = new QTimer(this);
    tmrMaku->setObjectName(QStringLiteral("tmrMaku"));
    tmrMaku->setInterval(100);
    connect(tmrMaku, &QTimer::timeout, this, [this] {
        m_pacing->tmrMaku_Timer();
        if (m_queue->countdown() < 0)
            tmrMaku->stop();
    });
    tmrReload = new QTimer(this);
    tmrReload->setObjectName(QStringLiteral("tmrReload"));
    tmrReload->setInterval(1000);
    connect(tmrReload, &QTimer::timeout, this, [this] { m_reload->tick(); });
}

void frmMain::buildControls()
{
    m_central = new QWidget(this);
    setCentralWidget(m_central);

    cmbUrl = new QComboBox(m_central);
    cmbUrl->setObjectName(QStringLiteral("cmbUrl"));
    cmbUrl->setEditable(true);
    // Enter is handled by cmbUrl_KeyPress: every Enter adds an item, duplicates included.
    cmbUrl->setInsertPolicy(QComboBox::NoInsert);
    cmbUrl->setDuplicatesEnabled(true);
    connect(cmbUrl->lineEdit(), &QLineEdit::returnPressed, this, &frmMain::cmbUrl_KeyPress);

    webMain = new ThreadView(m_central);
    webMain->setObjectName(QStringLiteral("webMain"));

    lstRes = new QListWidget(m_central);
    lstRes->setObjectName(QStringLiteral("lstRes"));
    lstCommand = new QListWidget(m_central);
    lstCommand->setObjectName(QStringLiteral("lstCommand"));
    lstCommand->setSelectionMode(QAbstractItemView::MultiSelection);
    lstCommand->addItems(Commands::CommandWords());
    connect(lstCommand->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &frmMain::lstCommand_SelectionChanged);
    lstNG = new QListWidget(m_central);
    lstNG->setObjectName(QStringLiteral("lstNG"));
    connect(lstNG, &QListWidget::itemClicked, this, &frmMain::lstNG_Click);
    cmdNgSetting = new QPushButton(QStringLiteral("NG設定"), m_central);
    cmdNgSetting->setObjectName(QStringLiteral("cmdNgSetting"));
    lstCommand->setToolTip(
        QStringLiteral("選択中のコマンドが有効です。クリックで無効・有効を切り替えます"));
    lstNG->setToolTip(QStringLiteral("Ctrl+クリックでNGワードを削除します"));
    const char *const headings[] = {"字幕待ち", "NG", "コマンド"};
    for (int i = 0; i < 3; ++i)
        m_paneHeadings[i] = new QLabel(QString::fromUtf8(headings[i]), m_central);

    auto addPanel = [this](const QString &key, const QString &text, int stretch) {
        auto *label = new QLabel(text, this);
        label->setObjectName(key);
        // A status line or an error page of a board is shown as written, never as markup.
        label->setTextFormat(Qt::PlainText);
        label->setMinimumWidth(60);
        // The countdowns change every tick; at a fixed size they repaint alone, without
        // laying out and repainting the whole status bar.
        if (stretch == 0)
            label->setFixedSize(60, label->sizeHint().height());
        statusBar()->addWidget(label, stretch);
        m_panels.insert(key, label);
    };
    statusBar()->setObjectName(QStringLiteral("stbStatus"));
    addPanel(QStringLiteral("TIMER"), QStringLiteral("-1"), 0);
    addPanel(QStringLiteral("MAKUTIMER"), QStringLiteral("-1"), 0);
    addPanel(QStringLiteral("STATUS"), QString(), 1);
    m_panels.value(QStringLiteral("TIMER"))
        ->setToolTip(QStringLiteral("自動更新で次に読み込むまでの秒数（-1：自動更新は無効）"));
    m_panels.value(QStringLiteral("MAKUTIMER"))
        ->setToolTip(QStringLiteral(
            "次の字幕を表示するまでの残り（0.1秒単位。-1：表示を待っている字幕はありません）"));
}

namespace {

QAction *menuItem(QMenu *menu, const QString &caption, const QKeySequence &key = {})
{
    QAction *a = menu->addAction(caption);
    if (!key.isEmpty())
        a->setShortcut(key);
    return a;
}

} // namespace

void frmMain::buildMenu()
{
    buildReloadMenus();
    mnuMakuView = menuBar()->addAction(QStringLiteral("字幕(&N)"));
    mnuMakuView->setCheckable(true); // checked while the subtitle window is open
    connect(mnuMakuView, &QAction::triggered, this, &frmMain::mnuMakuView_Click);
    mnuMakuList = menuBar()->addAction(QStringLiteral("字幕候補(&J)"));
    connect(mnuMakuList, &QAction::triggered, this, &frmMain::mnuMakuList_Click);
    buildFeatureMenu();
    buildSettingsMenu();
    QMenu *help = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    mnuAbout = menuItem(help, QStringLiteral("バージョン情報(&A)"));
    connect(mnuAbout, &QAction::triggered, this, &frmMain::mnuAbout_Click);
    nameMenuItems();
}

// 更新, 自動更新 (its periods come at start-up) and 自動スクロール.
void frmMain::buildReloadMenus()
{
    QMenuBar *bar = menuBar();
    mnuReload = bar->addAction(QStringLiteral("更新(&R)"));
    connect(mnuReload, &QAction::triggered, this, &frmMain::mnuReload_Click);

    m_autoReloadMenu = bar->addMenu(QStringLiteral("自動更新(&A)"));
    auto *autoReloadGroup = new QActionGroup(this);
    mnuAutoReload.append(menuItem(m_autoReloadMenu, QStringLiteral("無効(&S)")));
    mnuAutoReload.append(m_autoReloadMenu->addSeparator());
    mnuAutoReload[0]->setCheckable(true);
    mnuAutoReload[0]->setChecked(true);
    mnuAutoReload[0]->setData(0);
    connect(mnuAutoReload[0], &QAction::triggered, this, [this] { mnuAutoReload_Click(0); });
    autoReloadGroup->addAction(mnuAutoReload[0]);

    QMenu *autoScroll = bar->addMenu(QStringLiteral("自動スクロール(&S)"));
    auto *autoScrollGroup = new QActionGroup(this);
    mnuAutoScroll.append(menuItem(autoScroll, QStringLiteral("無効(&S)")));
    mnuAutoScroll.append(menuItem(autoScroll, QStringLiteral("有効(&G)")));
    for (QAction *a : std::as_const(mnuAutoScroll)) {
        a->setCheckable(true);
        autoScrollGroup->addAction(a);
    }
    mnuAutoScroll[0]->setChecked(true);
    for (int i = 0; i < mnuAutoScroll.size(); ++i)
        connect(mnuAutoScroll[i], &QAction::triggered, this, [this, i] { mnuAutoScroll_Click(i); });
}

void frmMain::buildFeatureMenu()
{
    QMenu *features = menuBar()->addMenu(QStringLiteral("機能(&W)"));
    mnuFreeDraw = menuItem(features, QStringLiteral("任意の文字を表示(&T)"), Qt::Key_F2);
    mnuNoResText =
        menuItem(features, QStringLiteral("レスが無いときに任意の文字を表示する(&Y)"), Qt::Key_F4);
    mnuWrite = menuItem(features, QStringLiteral("書き込み&&スレ立て(&W)"), Qt::Key_F6);
    mnuThread = menuItem(features, QStringLiteral("スレ一覧(&T)"), Qt::Key_F7);
    mnuNextThread = menuItem(features, QStringLiteral("次スレを探す"));
    connect(mnuNextThread, &QAction::triggered, this, &frmMain::mnuNextThread_Click);
    mnuMakucatch =
        menuItem(features, QStringLiteral("リスナー参加型キャッチフィーリング"), Qt::Key_F8);
    connect(mnuFreeDraw, &QAction::triggered, this, &frmMain::mnuFreeDraw_Click);
    connect(mnuNoResText, &QAction::triggered, this, &frmMain::mnuNoResText_Click);
    connect(mnuThread, &QAction::triggered, this, &frmMain::mnuThread_Click);
    connect(mnuMakucatch, &QAction::triggered, this, &frmMain::mnuMakucatch_Click);
    connect(mnuWrite, &QAction::triggered, this, &frmMain::mnuWrite_Click);
    features->addSeparator();
    mnuOverlayUrl = menuItem(features, QStringLiteral("配信用URL（ブラウザソース）"));
    connect(mnuOverlayUrl, &QAction::triggered, this, &frmMain::mnuOverlayUrl_Click);
}

void frmMain::buildSettingsMenu()
{
    QMenu *settings = menuBar()->addMenu(QStringLiteral("設定(&O)"));
    mnuSetting = menuItem(settings, QStringLiteral("設定(&S)"));
    connect(mnuSetting, &QAction::triggered, this, &frmMain::mnuSetting_Click);
    settings->addSeparator();
    mnuAddNG = menuItem(settings, QStringLiteral("NGワード追加(&N)"), Qt::Key_F3);
    connect(mnuAddNG, &QAction::triggered, this, &frmMain::mnuAddNG_Click);
    mnuNgSetting = menuItem(settings, QStringLiteral("NG設定(&G)"));
    mnuSkinReload = menuItem(settings, QStringLiteral("スキン再読込(&J)"));
    connect(mnuSkinReload, &QAction::triggered, this, &frmMain::mnuSkinReload_Click);
    mnuClickThrough = menuItem(settings, QStringLiteral("字幕枠のクリック透過(&T)"), Qt::Key_F9);
    mnuClickThrough->setCheckable(true);
    connect(mnuClickThrough, &QAction::triggered, this, &frmMain::mnuClickThrough_Click);
    mnuDragPointViewChange = menuItem(settings, QStringLiteral("ドラッグポイント表示切替(&D)"));
    connect(mnuDragPointViewChange, &QAction::triggered, this,
            &frmMain::mnuDragPointViewChange_Click);
}

// Object names as the program calls the items; an array item carries its index.
void frmMain::nameMenuItems()
{
    const std::pair<QAction *, const char *> named[] = {
        {mnuReload, "mnuReload"},
        {mnuMakuView, "mnuMakuView"},
        {mnuMakuList, "mnuMakuList"},
        {mnuFreeDraw, "mnuFreeDraw"},
        {mnuNoResText, "mnuNoResText"},
        {mnuWrite, "mnuWrite"},
        {mnuThread, "mnuThread"},
        {mnuNextThread, "mnuNextThread"},
        {mnuMakucatch, "mnuMakucatch"},
        {mnuOverlayUrl, "mnuOverlayUrl"},
        {mnuSetting, "mnuSetting"},
        {mnuAddNG, "mnuAddNG"},
        {mnuNgSetting, "mnuNgSetting"},
        {mnuSkinReload, "mnuSkinReload"},
        {mnuClickThrough, "mnuClickThrough"},
        {mnuDragPointViewChange, "mnuDragPointViewChange"},
        {mnuAbout, "mnuAbout"},
    };
    for (const auto &[action, name] : named)
        action->setObjectName(QLatin1String(name));
    for (int i = 0; i < mnuAutoScroll.size(); ++i)
        mnuAutoScroll[i]->setObjectName(QStringLiteral("mnuAutoScroll(%1)").arg(i));
}

bool frmMain::Form_Load(const QString &commandLine)
{
    SettingsStore &store = *m_program.store;
    m_program.opt = LoadSettings(store);
    m_program.speech = LoadSpeechOptions(store);
    if (!loadSkins())
        return false;
    PaneVisible = m_program.opt.MakuListView == 0;
    restorePlacement();
    cmbUrl->setEditText(store.value(QStringLiteral("OPTION"), QStringLiteral("Address")));
    showStartPage();

    addReloadPeriods();
    restoreReloadAndScroll();

    if (!commandLine.isEmpty()) {
        cmbUrl->setEditText(commandLine);
        mnuReload_Click();
    } else if (m_program.opt.ResumeThread == 1 && !cmbUrl->currentText().isEmpty()) {
        // The broadcast goes on where it stopped: the last thread at once, not at the first
        // countdown.
        mnuReload_Click();
    }
    loadNgWords();
    m_ng->load();
    loadCommandSelection();
    m_maku->LoadBackPicture();
    applyOverlay();
    applySpeech();
    m_loaded = true;
    Form_Resize();
    show();
    if (m_program.opt.MakuOpen == 1)
        mnuMakuView_Click();
    tmrMaku->start();
    tmrReload->start();
    return true;
}

// The periods of 自動更新, each item carrying its seconds.
void frmMain::addReloadPeriods()
{
    QActionGroup *group = mnuAutoReload[0]->actionGroup();
    for (int seconds = ReloadCountdown::kMinPeriod; seconds <= ReloadCountdown::kMaxPeriod;
         ++seconds) {
        QAction *a = m_autoReloadMenu->addAction(ReloadCountdown::caption(seconds));
        a->setCheckable(true);
        a->setData(seconds);
        group->addAction(a);
        const int index = int(mnuAutoReload.size());
        connect(a, &QAction::triggered, this, [this, index] { mnuAutoReload_Click(index); });
        mnuAutoReload.append(a);
    }
    for (int i = 0; i < mnuAutoReload.size(); ++i)
        mnuAutoReload[i]->setObjectName(QStringLiteral("mnuAutoReload(%1)").arg(i));
}

// The last run's automatic reload and scrolling; an unknown period leaves reload off.
void frmMain::restoreReloadAndScroll()
{
    for (int i = 1; i < mnuAutoReload.size(); ++i) {
        if (!mnuAutoReload[i]->isSeparator() &&
            mnuAutoReload[i]->data().toInt() == m_program.opt.AutoReload)
            mnuAutoReload_Click(i);
    }
    mnuAutoScroll_Click(m_program.opt.AutoScroll == 1 ? 1 : 0);
}

bool frmMain::loadSkins()
{
    HeaderSkin = ReadTextFile(m_program.dataFile(QStringLiteral("Header.htm")));
    ResSkin = ReadTextFile(m_program.dataFile(QStringLiteral("Res.htm")));
    if (!HeaderSkin.isEmpty() && !ResSkin.isEmpty()) {
        m_pipeline->setResSkin(ResSkin);
        return true;
    }
    QMessageBox::critical(this, QStringLiteral("sazanami"),
                          QStringLiteral("スキンファイルが不正です"));
    return false;
}

void frmMain::mnuSkinReload_Click()
{
    if (loadSkins())
        return;
    // Everything is loaded by now, so ending saves settings and NG words as usual.
    close();
    QApplication::exit(1);
}

void frmMain::showStartPage()
{
    webMain->Start(m_program.AppPath);
    webMain->Clear();
    webMain->Open();
    webMain->SetCharset(QStringLiteral("Shift_JIS"));
    webMain->Write(kStartPage);
    webMain->Close();
}

void frmMain::restorePlacement()
{
    const SettingsStore &store = *m_program.store;
    int values[] = {pos().y(), pos().x(), width(), height()};
    bool stored[] = {false, false, false, false};
    for (int i = 0; i < 4; ++i)
        stored[i] = ReadPlacement(store, kPlacementKeys[i], &values[i]);
    if (!stored[0] && !stored[1] && !stored[2] && !stored[3]) {
        placeFirstTime();
        return;
    }
    if (values[2] > 0 && values[3] > 0)
        resize(values[2], values[3]);
    // Without a stored position the window system places the window.
    if (stored[0] || stored[1])
        move(values[1], values[0]);
}

void frmMain::placeFirstTime()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QSize subtitle = ParseWakuSize(m_program.opt.WakuSize).value_or(kDefaultWaku);
    const FirstPlacement at = FirstStartPlacement(screen->availableGeometry(), subtitle);
    resize(at.main.size());
    move(at.main.topLeft());
    frmText::SetFirstPosition(*m_program.store, at.subtitle);
}

void frmMain::savePlacement()
{
    const int values[] = {pos().y(), pos().x(), width(), height()};
    for (int i = 0; i < 4; ++i)
        WritePlacement(*m_program.store, kPlacementKeys[i], values[i]);
}

void frmMain::loadNgWords()
{
    const QString text = ReadTextFile(m_program.dataFile(QStringLiteral("ngword.txt")));
    m_pipeline->setNgWords(NgWords::FromFileText(text));
    lstNG->addItems(m_pipeline->ngWords());
}

void frmMain::wireNgRules()
{
    m_ng = new NgControl(m_program, *m_pipeline, *m_queue, this);
    connect(m_ng, &NgControl::statusText, this, &frmMain::SetStatus);
    // Posts already on air wait to be read too: a silenced poster is not read either.
    connect(m_ng, &NgControl::ruleAdded, this,
            [this] { m_speech->dropIf([this](const MakuEntry &e) { return m_ng->hides(e); }); });
    connect(m_pipeline, &PostPipeline::ngNote, this, &frmMain::SetStatus);
    // Written in one go, the document keeps the reader's place.
    connect(m_pipeline, &PostPipeline::rewriteStarted, this, &frmMain::restartView);
    connect(m_pipeline, &PostPipeline::rewriteFinished, this, &frmMain::AutoScroll);
    m_ng->attach(webMain, lstRes);
    connect(mnuNgSetting, &QAction::triggered, m_ng, &NgControl::showDialog);
    connect(cmdNgSetting, &QPushButton::clicked, m_ng, &NgControl::showDialog);
}

bool frmMain::saveNgWords()
{
    return WriteTextFile(m_program.dataFile(QStringLiteral("ngword.txt")),
                         NgWords::ToFileText(m_pipeline->ngWords()));
}

void frmMain::loadCommandSelection()
{
    const QVector<bool> enabled = Commands::ParseEnableCommand(m_program.opt.EnableCommand);
    m_pipeline->setCommandFlags(enabled);
    for (int i = 0; i < lstCommand->count() && i < enabled.size(); ++i)
        lstCommand->item(i)->setSelected(enabled[i]);
}

void frmMain::lstCommand_SelectionChanged(const QItemSelection &selected,
                                          const QItemSelection &deselected)
{
    for (const QModelIndex &index : selected.indexes())
        m_pipeline->setCommandFlag(index.row(), true);
    for (const QModelIndex &index : deselected.indexes())
        m_pipeline->setCommandFlag(index.row(), false);
}

void frmMain::SetStatus(const QString &text)
{
    // Texts can carry what a board sent: one line (its line breaks become spaces, so a reason on
    // the second line stays readable), and short enough for the status bar.
    constexpr qsizetype kMaxStatus = 200;
    static const QRegularExpression breaks(QStringLiteral("[\r\n]+"));
    QString line = text;
    line.replace(breaks, QStringLiteral(" "));
    if (line.size() > kMaxStatus)
        line.truncate(line.at(kMaxStatus - 1).isHighSurrogate() ? kMaxStatus - 1 : kMaxStatus);
    setPanelText(QStringLiteral("STATUS"), line);
}

QString frmMain::addressText() const
{
    return cmbUrl->currentText();
}

void frmMain::setAddressText(const QString &text)
{
    cmbUrl->setEditText(text);
}

void frmMain::setPanelText(const QString &key, const QString &text)
{
    // Every change repaints the whole window around the web view, so only changes are written.
    QLabel *label = m_panels.value(key);
    if (label && label->text() != text)
        label->setText(text);
}

void frmMain::mnuReload_Click()
{
    m_loader->load(cmbUrl->currentText(), ctrlHeld());
}

void frmMain::mnuWrite_Click()
{
    const PostTarget target = CheckPostAddress(cmbUrl->currentText());
    if (target.address != cmbUrl->currentText())
        setAddressText(target.address);
    if (!target.open) {
        SetStatus(target.status);
        return;
    }
    if (!m_post) {
        m_post = new frmPost(
            m_program.flags, [this] { return cmbUrl->currentText(); }, this);
        connect(m_post, &frmPost::statusChanged, this, &frmMain::SetStatus);
        connect(m_post, &frmPost::reloadRequested, this, &frmMain::mnuReload_Click);
        connect(m_post, &frmPost::threadListRequested, this, &frmMain::mnuThread_Click);
        connect(m_post, &frmPost::pauseReleased, m_queue, &SubtitleQueue::restartIfWaiting);
        connect(m_post, &frmPost::pauseChanged, this, &frmMain::updateAirState);
    }
    m_post->show();
    m_post->raise();
    m_post->activateWindow();
    updateAirState();
}

void frmMain::mnuAutoReload_Click(int index)
{
    // The separator (and anything not an item) changes nothing.
    if (index < 0 || index >= mnuAutoReload.size() || mnuAutoReload[index]->isSeparator() ||
        !m_reload->setPeriod(mnuAutoReload[index]->data().toInt()))
        return;
    for (int i = 0; i < mnuAutoReload.size(); ++i)
        mnuAutoReload[i]->setChecked(i == index);
}

void frmMain::mnuAddNG_Click()
{
    bool ok = false;
    const QString word = QInputDialog::getText(
        this, windowTitle(),
        QStringLiteral(
            "NGワードを入力してください\r\n"
            "追加したNGワードは、リストの消したい項目の上でCtrl+マウスクリックで消せます"),
        QLineEdit::Normal, GetSelectedNG(), &ok);
    if (ok && !word.isEmpty()) {
        const QString stored = NgWords::AsBoardWrites(word);
        m_pipeline->addNgWord(stored);
        lstNG->addItem(stored);
    }
}

QString frmMain::GetSelectedNG() const
{
    const QString sel = webMain->SelectionText();
    if (sel.isEmpty() || Codec::sjisLength(sel) > kMaxNgSelectionBytes)
        return QString();
    // The web view separates selected lines with LF alone.
    const qsizetype end = sel.indexOf(QLatin1Char('\n'));
    QString first = end < 0 ? sel : sel.left(end);
    if (first.endsWith(QLatin1Char('\r')))
        first.chop(1);
    return first;
}

void frmMain::lstNG_Click(QListWidgetItem *item)
{
    if (lstNG->count() == 0 || !ctrlHeld() || !item)
        return;
    const int row = lstNG->row(item);
    m_pipeline->removeNgWord(row);
    delete lstNG->takeItem(row);
}

void frmMain::restartView()
{
    webMain->Clear();
    webMain->Open();
    webMain->SetCharset(QStringLiteral("Shift_JIS"));
    webMain->Write(HeaderSkin);
}

void frmMain::AutoScroll()
{
    if (mnuAutoScroll[1]->isChecked())
        webMain->ScrollToBottom();
}

void frmMain::mnuAutoScroll_Click(int index)
{
    for (int i = 0; i < mnuAutoScroll.size(); ++i)
        mnuAutoScroll[i]->setChecked(i == index);
}

void frmMain::refreshQueueList()
{
    // Many posts can be queued by one chunk; the list is redrawn once afterwards.
    if (m_queueRefreshPending)
        return;
    m_queueRefreshPending = true;
    QTimer::singleShot(0, this, [this] {
        m_queueRefreshPending = false;
        lstRes->clear();
        // Each row readable, its text form (what the program passes on) as its tooltip; board
        // text in a tooltip is plain text, not markup.
        constexpr qsizetype kMaxTip = 1000;
        for (const MakuEntry &entry : m_queue->entries()) {
            auto *item = new QListWidgetItem(entry.rowText());
            const QString form = entry.listText();
            item->setData(Qt::UserRole, form); // the entry a row's context menu acts on
            item->setToolTip(Qt::convertFromPlainText(form.left(kMaxTip)));
            lstRes->addItem(item);
        }
    });
}

void frmMain::mnuMakuView_Click()
{
    if (m_maku->mnuMakuView_Click())
        m_queue->restartIfWaiting();
    updateAirState();
}

void frmMain::updateAirState()
{
    const bool shown = m_maku->isShown();
    mnuMakuView->setChecked(shown);
    using OnAir::State;
    m_strip->setState(!shown                     ? State::Hidden
                      : m_program.flags.MakuStop ? State::Paused
                                                 : State::Shown);
}

void frmMain::mnuClickThrough_Click()
{
    mnuClickThrough->setChecked(m_maku->mnuClickThrough_Click());
}

void frmMain::mnuDragPointViewChange_Click()
{
    m_maku->mnuDragPointViewChange_Click();
}

void frmMain::mnuFreeDraw_Click()
{
    FreeDraw(m_program, m_textDraw, [this](const QString &prompt) -> std::optional<QString> {
        bool ok = false;
        const QString text = QInputDialog::getText(this, QStringLiteral("sazanami"), prompt,
                                                   QLineEdit::Normal, QString(), &ok);
        return ok ? std::optional<QString>(text) : std::nullopt;
    });
}

void frmMain::mnuNoResText_Click()
{
    if (!m_noRes) {
        m_noRes = new frmNoResText(m_program, this);
        m_noRes->setTextDraw(m_textDraw);
    }
    m_noRes->show();
    m_noRes->raise();
    m_noRes->activateWindow();
}

void frmMain::mnuThread_Click()
{
    if (!m_threadList) {
        m_threadList = new frmThread(this);
        connect(m_threadList, &frmThread::threadChosen, this, [this](const QString &url) {
            setAddressText(url);
            mnuReload_Click();
        });
    }
    m_threadList->showBoardOf(cmbUrl->currentText());
}

void frmMain::mnuNextThread_Click()
{
    m_nextThread->searchNow();
}

void frmMain::nextThreadFound(const NextThreadCandidate &candidate)
{
    switch (m_program.opt.NextThread) {
    case 2:
        moveToNextThread(candidate);
        return;
    case 1:
        m_nextThreadBar->offer(candidate);
        Form_Resize();
        return;
    default:
        SetStatus(NextThreadCaption(candidate));
        return;
    }
}

void frmMain::moveToNextThread(const NextThreadCandidate &candidate)
{
    // Not inside the end of the load that found it: the same connection starts the next load.
    QTimer::singleShot(0, this, [this, candidate] {
        // As if typed: both addresses in the history, so the old thread is one Enter away.
        const QString old = m_thread.CurrentUrl;
        if (!old.isEmpty() && cmbUrl->findText(old) < 0)
            cmbUrl->addItem(old);
        cmbUrl->addItem(candidate.url);
        cmbUrl->setEditText(candidate.url);
        // A load by hand that still runs gives way. Post 1 is the template; from 2 on is news.
        m_loader->load(candidate.url, !m_thread.Ready, 2);
        m_moveNotice = m_thread.CurrentUrl == candidate.url && !m_thread.Ready;
    });
}

void frmMain::mnuSetting_Click()
{
    if (m_setting) {
        m_setting->raise();
        m_setting->activateWindow();
        return;
    }
    // The subtitle window is closed while the dialog is open, so new sizes and modes apply
    // when it comes back.
    const bool reopen = m_maku->isLoaded();
    if (reopen)
        m_maku->unload();
    m_setting = new frmSetting(m_program, this);
    m_setting->setReopenMakuView(reopen);
    m_setting->setLoadBackPicture([this] { m_maku->LoadBackPicture(); });
    m_setting->setSpeechTest(&SpeakTest);
    connect(m_setting, &frmSetting::closed, this, [this](bool reopenMakuView) {
        if (reopenMakuView && !m_unloaded && !m_maku->isLoaded())
            mnuMakuView_Click();
        if (!m_unloaded) {
            applyOverlay();
            applySpeech();
        }
    });
    m_setting->show();
}

void frmMain::mnuMakucatch_Click()
{
    // A closed game window waits for its deletion; a new one starts from zero.
    if (m_catfee && m_catfee->isVisible()) {
        m_catfee->raise();
        m_catfee->activateWindow();
        return;
    }
    m_catfee = new frmCatfee(m_program, this);
    m_catfee->Form_Load();
    m_overlay->followGame(&m_catfee->game());
}

void frmMain::applyOverlay()
{
    Options &o = m_program.opt;
    if (o.Overlay == 0) {
        m_overlay->stop();
        return;
    }
    if (o.OverlayLAN != 0 && o.OverlayToken.isEmpty()) {
        // Made once and kept, so the addresses in the streaming software stay valid.
        o.OverlayToken = OverlayServer::newToken();
        m_program.store->setValue(kOptionSection, QStringLiteral("OverlayToken"), o.OverlayToken);
        m_program.store->sync();
    }
    const bool lan = o.OverlayLAN != 0;
    if (m_overlay->isListeningWith(o.OverlayPort, lan, o.OverlayToken))
        return;
    if (!m_overlay->start(o.OverlayPort, lan, o.OverlayToken)) {
        // The rest of the program works on without the pages.
        SetStatus(QStringLiteral("配信用サーバーを開始できませんでした（%1）")
                      .arg(m_overlay->errorString()));
        return;
    }
    feedOverlaySubtitle(true);
}

void frmMain::applySpeech()
{
    const SpeechOptions &o = m_program.speech;
    if (o == m_speech->options() && (m_speech->engine() != nullptr) == (o.Engine != 0))
        return;
    m_speech->setEngine(MakeSpeechEngine(o), o);
}

void frmMain::feedOverlaySubtitle(bool whole)
{
    if (!m_overlay->isListening())
        return;
    const frmText *w = m_maku->window();
    if (!w || w->picture().isNull()) {
        m_overlay->clearSubtitle();
        return;
    }
    const QRect area = whole ? w->picture().rect() : w->lastChange();
    m_overlay->drawSubtitle(w->picture().size(), area.topLeft(), w->overlayPicture(area));
}

void frmMain::mnuOverlayUrl_Click()
{
    (new frmOverlayUrl(*m_overlay, m_program.opt.OverlayLAN != 0, this))->show();
}

void frmMain::mnuMakuList_Click()
{
    PaneVisible = !PaneVisible;
    Form_Resize();
}

void frmMain::mnuAbout_Click()
{
    QMessageBox::information(this, QStringLiteral("Version"),
                             QStringLiteral("sazanami Ver. " SAZANAMI_VERSION "\r\n"));
}

void frmMain::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void frmMain::Form_Resize()
{
    const int innerWidth = m_central->width();
    const int innerHeight = m_central->height();
    const int urlHeight = cmbUrl->sizeHint().height();
    // The on-air strip runs under the address bar, over the view and the pane.
    const int stripHeight = m_strip->sizeHint().height();
    const int top = urlHeight + stripHeight;
    const int viewWidth = PaneVisible ? innerWidth - kResWidth - kPaneGap : innerWidth;
    const int viewHeight = innerHeight - top;
    // A window too small for the pane keeps its last layout.
    if (viewWidth <= 0 || viewHeight <= 0)
        return;
    cmbUrl->setGeometry(0, 0, innerWidth, urlHeight);
    m_strip->setGeometry(0, urlHeight, innerWidth, stripHeight);
    // The next-thread question, when asked, sits between the strip and the view.
    const int barHeight = m_nextThreadBar && m_nextThreadBar->isVisible()
                              ? std::min(m_nextThreadBar->sizeHint().height(), viewHeight / 2)
                              : 0;
    if (barHeight > 0)
        m_nextThreadBar->setGeometry(0, top, viewWidth, barHeight);
    webMain->setGeometry(0, top + barHeight, viewWidth, viewHeight - barHeight);
    layOutPane(top, viewHeight);
}

void frmMain::layOutPane(int top, int height)
{
    const int left = webMain->width() + kPaneGap / 2;
    const int heading = m_paneHeadings[0]->sizeHint().height();
    const int lowerTop = top + kResHeight;
    const int lowerHeight = qMax(0, height - kResHeight - heading);
    const int buttonHeight = qMin(lowerHeight, cmdNgSetting->sizeHint().height());
    m_paneHeadings[0]->setGeometry(left, top, kResWidth, heading);
    lstRes->setGeometry(left, top + heading, kResWidth, kResHeight - heading);
    m_paneHeadings[1]->setGeometry(left, lowerTop, kCommandOffset, heading);
    lstNG->setGeometry(left, lowerTop + heading, kCommandOffset, lowerHeight - buttonHeight);
    cmdNgSetting->setGeometry(left, lowerTop + heading + lowerHeight - buttonHeight, kCommandOffset,
                              buttonHeight);
    m_paneHeadings[2]->setGeometry(left + kCommandOffset, lowerTop, kResWidth - kCommandOffset,
                                   heading);
    lstCommand->setGeometry(left + kCommandOffset, lowerTop + heading, kResWidth - kCommandOffset,
                            lowerHeight);
    for (QWidget *w :
         {static_cast<QWidget *>(lstRes), static_cast<QWidget *>(lstNG),
          static_cast<QWidget *>(cmdNgSetting), static_cast<QWidget *>(lstCommand),
          static_cast<QWidget *>(m_paneHeadings[0]), static_cast<QWidget *>(m_paneHeadings[1]),
          static_cast<QWidget *>(m_paneHeadings[2])})
        w->setVisible(PaneVisible);
}

void frmMain::cmbUrl_KeyPress()
{
    // Every Enter adds the text to the history, duplicates included, and loads it.
    const QString text = cmbUrl->currentText();
    cmbUrl->addItem(text);
    cmbUrl->setEditText(text);
    mnuReload_Click();
}

void frmMain::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    QMainWindow::closeEvent(event);
}

void frmMain::Form_Unload()
{
    if (m_unloaded || !m_loaded)
        return;
    m_unloaded = true;
    SettingsStore &store = *m_program.store;
    // A minimised or maximised window would store coordinates that do not restore well.
    if (windowState() == Qt::WindowNoState)
        savePlacement();
    store.setValue(QStringLiteral("OPTION"), QStringLiteral("Address"), cmbUrl->currentText());
    const bool ngSaved = saveNgWords();
    m_program.opt.EnableCommand = Commands::FormatEnableCommand(m_pipeline->commandFlags());
    m_program.opt.MakuListView = PaneVisible ? 0 : 1;
    m_program.opt.AutoReload = qint16(qMax(0, m_reload->ReloadInterval()));
    m_program.opt.AutoScroll = mnuAutoScroll[1]->isChecked() ? 1 : 0;
    // Open now, or closed only while the settings dialog is.
    m_program.opt.MakuOpen = m_maku->isShown() || (m_setting && m_setting->reopenMakuView());
    SaveSettings(store, m_program.opt);
    tmrMaku->stop();
    tmrReload->stop();
    m_speech->setEngine(nullptr, m_program.speech);
    m_maku->unload();
    m_links->closePicture();
    if (m_setting)
        m_setting->close();
    if (m_noRes)
        m_noRes->close();
    if (m_threadList)
        m_threadList->close();
    if (m_catfee)
        m_catfee->close();
    if (m_post)
        m_post->close();
    // The other windows wrote their own keys while closing.
    QStringList unsaved;
    if (!ngSaved)
        unsaved << m_program.dataFile(QStringLiteral("ngword.txt"));
    if (!store.sync())
        unsaved << store.path();
    if (!unsaved.isEmpty()) {
        // What was not saved would be gone with the program: say where, and hand the words over.
        QMessageBox box(QMessageBox::Warning, QStringLiteral("sazanami"),
                        QStringLiteral("次のファイルに保存できませんでした\n") +
                            unsaved.join(QLatin1Char('\n')),
                        QMessageBox::Ok, this);
        box.setTextFormat(Qt::PlainText);
        if (!ngSaved)
            box.setDetailedText(m_pipeline->ngWords().join(QLatin1Char('\n')));
        box.exec();
    }
    const QString temp = m_program.dataFile(QStringLiteral("temp.htm"));
    if (FileExists(temp))
        QFile::remove(temp);
}
