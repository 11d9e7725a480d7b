#pragma once

#include "game/gamesidewindow.h"

#include <QPoint>

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
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLabel *lblQuestion = nullptr;
    QLabel *lblTimeLimit = nullptr;
    QPoint m_pressOffset;
    bool m_dragging = false;
};
