#pragma once

#include <QWidget>

struct Program;

// A topmost window of the game placed below the game window; it closes only while the game
// window is closing (GameClosing).
class GameSideWindow : public QWidget
{
    Q_OBJECT
public:
    // Topmost, `left` pixels right of the game window's left edge and `gap` below its bottom.
    void Form_Load(const QRect &gameFrame);

protected:
    GameSideWindow(Program &program, int left, int gap, QWidget *parent);
    void closeEvent(QCloseEvent *event) override;

    Program &m_program;

private:
    int m_left = 0;
    int m_gap = 0;
};
