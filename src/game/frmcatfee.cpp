#include "game/frmcatfee.h"

#include "game/catfeegame.h"
#include "game/frmquestion.h"
#include "game/frmscore.h"
#include "platform/sound.h"
#include "platform/windowops.h"
#include "settings/program.h"

#include <QCloseEvent>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

frmCatfee::frmCatfee(Program &program, QWidget *parent)
    : QWidget(parent, Qt::Window), m_program(program)
{
    setObjectName(QStringLiteral("frmCatfee"));
    setWindowTitle(QStringLiteral("マクキャッチフィーリング"));
    setAttribute(Qt::WA_DeleteOnClose);

    m_game = new CatfeeGame(program, this);
    m_wave = new WavePlayer(this);
    m_question = new frmQuestion(program, this);
    m_score = new frmScore(program, this);
    buildControls();
    layOut();
    connectGame();

    tmrTimelimit = new QTimer(this);
    tmrTimelimit->setObjectName(QStringLiteral("tmrTimelimit"));
    tmrTimelimit->setInterval(1000);
    connect(tmrTimelimit, &QTimer::timeout, m_game, &CatfeeGame::tick);
}

void frmCatfee::buildControls()
{
    auto button = [this](const char *name, const QString &caption) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    lblOdai =
        new QLabel(QStringLiteral("配信者が見る用の「お題」（配信画面に入れないように）"), this);
    lblOdai->setObjectName(QStringLiteral("lblOdai"));
    lblOdai->setTextFormat(Qt::PlainText); // a topic of a dictionary file is no markup
    lblOdai->setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 18));
    lblOdai->installEventFilter(this);
    cmdCopy = button("cmdCopy", QStringLiteral("お題コピー"));
    cmdNextQuestion = button("cmdNextQuestion", QStringLiteral("次のお題"));
    cmdScoreReset = button("cmdScoreReset", QStringLiteral("スコア・回数リセット"));
    lblCount = new QLabel(QStringLiteral("0"), this);
    lblCount->setObjectName(QStringLiteral("lblCount"));
    lstQuestion = new QListWidget(this);
    lstQuestion->setObjectName(QStringLiteral("lstQuestion"));
    lstQuestion->setSelectionMode(QAbstractItemView::MultiSelection);
    cmdReload = button("cmdReload", QStringLiteral("辞書再検索"));
    cmdStartServer = button("cmdStartServer", QStringLiteral("辞書読込"));
    auto *frame = new QGroupBox(QStringLiteral("お題オプション"), this);
    auto *frameLayout = new QVBoxLayout(frame);
    const QStringList modes = {QStringLiteral("内蔵辞書のみ"), QStringLiteral("追加辞書のみ"),
                               QStringLiteral("内蔵辞書 + 追加辞書"),
                               QStringLiteral("内蔵辞書 + 追加辞書（高確率化）"),
                               QStringLiteral("内蔵辞書（高確率化） + 追加辞書")};
    for (int i = 0; i < modes.size(); ++i) {
        auto *option = new QRadioButton(modes.at(i), frame);
        option->setObjectName(QStringLiteral("optQuestion(%1)").arg(i));
        frameLayout->addWidget(option);
        optQuestion.append(option);
    }
    optQuestion[0]->setChecked(true);
    txtSystem = new QPlainTextEdit(this);
    txtSystem->setObjectName(QStringLiteral("txtSystem"));
    txtSystem->setReadOnly(true);
    txtSystem->setMaximumBlockCount(100);
    txtSystem->setFixedHeight(txtSystem->fontMetrics().lineSpacing() * 3 + 12);
}

void frmCatfee::layOut()
{
    auto *grid = new QGridLayout(this);
    grid->addWidget(lblOdai, 0, 0, 1, 4);
    grid->addWidget(cmdCopy, 1, 0);
    grid->addWidget(cmdNextQuestion, 1, 1);
    grid->addWidget(cmdScoreReset, 1, 2);
    auto *count = new QHBoxLayout;
    count->addWidget(new QLabel(QStringLiteral("回数"), this));
    count->addWidget(lblCount);
    count->addStretch();
    grid->addLayout(count, 1, 3);
    grid->addWidget(lstQuestion, 2, 0, 2, 2);
    grid->addWidget(cmdReload, 2, 2);
    grid->addWidget(cmdStartServer, 3, 2);
    grid->addWidget(optQuestion[0]->parentWidget(), 2, 3, 2, 1);
    grid->addWidget(txtSystem, 4, 0, 1, 4);
}

// The buttons to the game, the game to the labels, the sound and the two side windows.
void frmCatfee::connectGame()
{
    connect(cmdCopy, &QPushButton::clicked, this, &frmCatfee::cmdCopy_Click);
    connect(cmdNextQuestion, &QPushButton::clicked, this, &frmCatfee::cmdNextQuestion_Click);
    connect(cmdScoreReset, &QPushButton::clicked, m_game, &CatfeeGame::resetScores);
    connect(cmdReload, &QPushButton::clicked, this, &frmCatfee::cmdReload_Click);
    connect(cmdStartServer, &QPushButton::clicked, this, &frmCatfee::cmdStartServer_Click);

    connect(m_game, &CatfeeGame::topicShown, lblOdai, &QLabel::setText);
    connect(m_game, &CatfeeGame::roundCountChanged, lblCount,
            [this](int n) { lblCount->setText(QString::number(n)); });
    connect(m_game, &CatfeeGame::nextQuestionEnabledChanged, cmdNextQuestion,
            &QPushButton::setEnabled);
    connect(m_game, &CatfeeGame::systemText, this, &frmCatfee::AddSystemText);
    connect(m_game, &CatfeeGame::waveRequested, m_wave, &WavePlayer::PlayWave);
    connect(m_game, &CatfeeGame::questionTextChanged, m_question, &frmQuestion::setQuestionText);
    connect(m_game, &CatfeeGame::clockChanged, m_question, &frmQuestion::setClock);
    connect(m_game, &CatfeeGame::scoresChanged, m_score,
            [this] { m_score->showScores(m_game->scores()); });
}

void frmCatfee::Form_Load()
{
    QDir().mkpath(m_program.AppPath + QStringLiteral("cfq"));
    cmdReload_Click();
    cmdStartServer_Click();
    m_program.flags.GameOpen = true;
    show();
    const QRect frame = frameGeometry();
    m_question->Form_Load(frame);
    m_question->show();
    m_score->Form_Load(frame);
    m_score->show();
    m_game->resetScores();
    tmrTimelimit->start();
}

void frmCatfee::closeEvent(QCloseEvent *event)
{
    m_program.flags.GameClosing = true;
    if (m_score)
        m_score->close();
    if (m_question)
        m_question->close();
    m_program.flags.GameOpen = false;
    tmrTimelimit->stop();
    event->accept();
}

bool frmCatfee::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lblOdai && event->type() == QEvent::MouseButtonDblClick) {
        lblOdai_DblClick();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void frmCatfee::cmdReload_Click()
{
    lstQuestion->clear();
    for (const DictionaryEntry &entry : ListDictionaries(m_program.AppPath)) {
        auto *item = new QListWidgetItem(entry.name, lstQuestion);
        item->setData(Qt::UserRole, entry.path);
    }
}

void frmCatfee::cmdStartServer_Click()
{
    QVector<DictionaryEntry> selected;
    for (int i = 0; i < lstQuestion->count(); ++i) {
        const QListWidgetItem *item = lstQuestion->item(i);
        if (item->isSelected())
            selected.append({item->text(), item->data(Qt::UserRole).toString()});
    }
    m_game->LoadQuestion(PoolMode(selectedMode()), selected);
}

void frmCatfee::cmdNextQuestion_Click()
{
    m_game->NextQuestion();
}

void frmCatfee::cmdCopy_Click()
{
    SetClipboardText(lblOdai->text());
}

void frmCatfee::lblOdai_DblClick()
{
    OpenExternal(ImageSearchAddress(lblOdai->text()));
}

void frmCatfee::AddSystemText(const QString &text)
{
    txtSystem->appendPlainText(text);
}

int frmCatfee::selectedMode() const
{
    for (int i = 0; i < optQuestion.size(); ++i) {
        if (optQuestion[i]->isChecked())
            return i;
    }
    return 0;
}
