#include "game/gamesidewindow.h"

#include "platform/windowops.h"
#include "settings/program.h"

#include <QCloseEvent>

GameSideWindow::GameSideWindow(Program &program, int left, int gap, QWidget *parent)
    : QWidget(parent, Qt::Window), m_program(program), m_left(left), m_gap(gap)
{}

void GameSideWindow::Form_Load(const QRect &gameFrame)
{
    SetTopMost(this, 1);
    move(gameFrame.left() + m_left, gameFrame.bottom() + 1 + m_gap);
}

void GameSideWindow::closeEvent(QCloseEvent *event)
{
    if (m_program.flags.GameClosing)
        event->accept();
    else
        event->ignore();
}
