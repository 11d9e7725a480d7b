#pragma once

#include <QPointer>
#include <QVector>
#include <QWidget>

class CatfeeGame;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTimer;
class WavePlayer;
class frmQuestion;
class frmScore;
struct Program;

// マクキャッチフィーリング: the broadcaster's side of the guessing game. Opening it opens the
// question and score windows and sets GameOpen; closing it closes both and clears it.
class frmCatfee : public QWidget
{
    Q_OBJECT
public:
    explicit frmCatfee(Program &program, QWidget *parent = nullptr);

    // Opening: cfq folder, dictionary listing and loading, GameOpen, the other two windows,
    // scores reset.
    void Form_Load();
    CatfeeGame &game() const { return *m_game; }

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void layOut();
    void connectGame();
    void cmdReload_Click();
    void cmdStartServer_Click();
    void cmdNextQuestion_Click();
    void cmdCopy_Click();
    void lblOdai_DblClick();
    void AddSystemText(const QString &text);
    int selectedMode() const;

    Program &m_program;
    CatfeeGame *m_game = nullptr;
    WavePlayer *m_wave = nullptr;
    QPointer<frmQuestion> m_question;
    QPointer<frmScore> m_score;

    QLabel *lblOdai = nullptr;
    QPushButton *cmdCopy = nullptr;
    QPushButton *cmdNextQuestion = nullptr;
    QPushButton *cmdScoreReset = nullptr;
    QLabel *lblCount = nullptr;
    QListWidget *lstQuestion = nullptr;
    QPushButton *cmdReload = nullptr;
    QPushButton *cmdStartServer = nullptr;
    QVector<QRadioButton *> optQuestion;
    QPlainTextEdit *txtSystem = nullptr; // the game's system messages
    QTimer *tmrTimelimit = nullptr;
};
