#pragma once

#include "game/gamesidewindow.h"

class QLabel;

// 配信画面に映す用の「お題」: the clock and the hints for the broadcast picture. Topmost,
// dragged by its labels; it closes only with the game window.
class frmQuestion : public GameSideWindow
{
    Q_OBJECT
public:
    explicit frmQuestion(Program &program, QWidget *parent = nullptr);

    void setQuestionText(const QString &text);
    void setClock(int t);

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QLabel *lblQuestion = nullptr;
    QLabel *lblTimeLimit = nullptr;
};
