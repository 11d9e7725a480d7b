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
    // The periods offered, in seconds.
    static constexpr int kMinPeriod = 7;
    static constexpr int kMaxPeriod = 30;

    explicit ReloadCountdown(QObject *parent = nullptr);

    // Reload every `seconds` (kMinPeriod to kMaxPeriod), or off with 0. Any other value
    // changes nothing and gives false.
    bool setPeriod(int seconds);
    void tick();

    // The period in seconds, -1 when off.
    qint32 ReloadInterval() const { return m_interval; }

    // The caption of a period's menu item: "7 sec" … "30 sec".
    static QString caption(int seconds);

signals:
    // The text of the "TIMER" panel.
    void timerTextChanged(const QString &text);
    // The countdown reached 0: run the load command.
    void reloadDue();

private:
    void setText(const QString &text);

    qint32 m_interval = -1;
    QString m_text = QStringLiteral("-1");
};
