#pragma once

#include "threadlist/nextthread.h"

#include <QWidget>

class QLabel;
class QPushButton;

// The question whether to follow the broadcast into a next thread: a bar in the main window,
// not a dialog, so following goes on while it waits.
class NextThreadBar : public QWidget
{
    Q_OBJECT
public:
    explicit NextThreadBar(QWidget *parent = nullptr);

    // Shows the bar for a candidate ("次スレ候補：TITLE" with 移動 and 無視).
    void offer(const NextThreadCandidate &candidate);
    const NextThreadCandidate &candidate() const { return m_candidate; }

signals:
    void moveChosen(const NextThreadCandidate &candidate);
    void ignored(const NextThreadCandidate &candidate);

private:
    void answer(bool move);

    QLabel *lblNextThread = nullptr;
    QPushButton *cmdMove = nullptr;
    QPushButton *cmdIgnore = nullptr;
    NextThreadCandidate m_candidate;
};
