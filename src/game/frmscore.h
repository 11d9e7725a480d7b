#pragma once

#include <QWidget>

class QLabel;
class QListWidget;
class ScoreTable;
struct Program;

// スコア: the running total and one line per scoring poster. Topmost; it closes only with the
// game window.
class frmScore : public QWidget
{
    Q_OBJECT
public:
    explicit frmScore(Program &program, QWidget *parent = nullptr);

    // Topmost, 7000 twips right of the game window's left edge, 900 twips below its bottom.
    void Form_Load(const QRect &gameFrame);
    // The total and SetListenerScore.
    void showScores(const ScoreTable &scores);

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    Program &m_program;
    QLabel *Label1 = nullptr;
    QLabel *lblScore = nullptr;
    QListWidget *lstScore = nullptr;
};
