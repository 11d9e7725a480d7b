#pragma once

#include "game/gamesidewindow.h"

class QLabel;
class QListWidget;
class ScoreTable;

// スコア: the running total and one line per scoring poster. Topmost; it closes only with the
// game window.
class frmScore : public GameSideWindow
{
    Q_OBJECT
public:
    explicit frmScore(Program &program, QWidget *parent = nullptr);

    // The total and SetListenerScore.
    void showScores(const ScoreTable &scores);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QLabel *lblScoreCaption = nullptr;
    QLabel *lblScore = nullptr;
    QListWidget *lstScore = nullptr;
};
