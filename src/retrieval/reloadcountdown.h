#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>

// The automatic reload: the chosen period, and the countdown that the "TIMER" panel shows
// ("-1" when off). The window calls tick() every 1000 ms (tmrReload).
class ReloadCountdown : public QObject
{
    Q_OBJECT
public:
    // Menu indexes of "自動更新(&A)": 0 "無効(&S)", 1 the separator, 2..25 the periods 7..30 s.
    static constexpr int kOffIndex = 0;
    static constexpr int kFirstPeriodIndex = 2;
    static constexpr int kLastPeriodIndex = 25;

    explicit ReloadCountdown(QObject *parent = nullptr);

    // Choosing a menu item (mnuAutoReload_Click). An index that is neither "無効(&S)" nor a
    // period changes nothing.
    void choose(int index);
    void tick();

    // The item that carries the check mark.
    int checkedIndex() const { return m_checked; }
    qint32 ReloadInterval() const { return m_interval; }
    const QString &timerText() const { return m_text; }

    // The caption of a period item: "7 sec" … "30 sec".
    static QString caption(int index);

signals:
    // The text of the "TIMER" panel.
    void timerTextChanged(const QString &text);
    // The countdown reached 0: run the load command.
    void reloadDue();

private:
    void setText(const QString &text);

    qint32 m_interval = -1;
    QString m_text = QStringLiteral("-1");
    int m_checked = kOffIndex;
};
