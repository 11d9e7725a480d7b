#pragma once

#include "subtitle/onair.h"

#include <QElapsedTimer>
#include <QTime>
#include <QTimer>
#include <QWidget>

class QLabel;
class QPushButton;
class SubtitleQueue;

// The main window's on-air strip: the subtitle state in words and colour, the entries waiting
// and how late the oldest post is, the last successful load, and 最新へ. A label is written
// only when its text changes and, apart from the state, at most once a second, so following a
// thread costs a small repaint a second at most.
class OnAirStrip : public QWidget
{
    Q_OBJECT
public:
    OnAirStrip(SubtitleQueue &queue, QWidget *parent = nullptr);

    void setState(OnAir::State state);
    void setLastLoad(const QTime &time);

signals:
    // What 最新へ did, for the status bar.
    void statusText(const QString &text);

private:
    void changed();
    void write();
    void cmdLatest_Click();

    SubtitleQueue &m_queue;
    OnAir::State m_state = OnAir::State::Hidden;
    QTime m_lastLoad;
    QLabel *lblState = nullptr;
    QLabel *lblWaiting = nullptr;
    QLabel *lblDelay = nullptr;
    QLabel *lblLastLoad = nullptr;
    QPushButton *cmdLatest = nullptr;
    QTimer m_timer; // the next write: one second after the last at the soonest
    QElapsedTimer m_lastWrite;
};
