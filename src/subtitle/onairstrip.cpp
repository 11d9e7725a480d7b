#include "subtitle/onairstrip.h"

#include "subtitle/subtitlequeue.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace {

constexpr int kWriteGap = 1000; // ms between writes of the counts

// A label as wide as the widest text it will show and painting its own background: a new text
// then repaints the label alone, without laying out or repainting the window around it.
QLabel *fixedLabel(QWidget *parent, const char *name, const QString &widest, const QString &tip)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignCenter);
    label->setToolTip(tip);
    label->setAutoFillBackground(true);
    const QFontMetrics metrics = label->fontMetrics();
    label->setFixedSize(metrics.horizontalAdvance(widest) + 16, metrics.height() + 8);
    return label;
}

void setIfChanged(QLabel *label, const QString &text)
{
    if (label->text() != text)
        label->setText(text);
}

} // namespace

OnAirStrip::OnAirStrip(SubtitleQueue &queue, QWidget *parent) : QWidget(parent), m_queue(queue)
{
    setObjectName(QStringLiteral("onAirStrip"));
    lblState = fixedLabel(
        this, "lblAirState", QStringLiteral("一時停止中"),
        QStringLiteral("字幕の状態：表示中・一時停止中（書き込み欄を開いている間）・非表示"));
    lblWaiting = fixedLabel(this, "lblWaiting", QStringLiteral("待ち 1000件"),
                            QStringLiteral("表示を待っている字幕の数"));
    lblDelay = fixedLabel(this, "lblDelay", QStringLiteral("遅れ 100000秒"),
                          QStringLiteral("待っている一番古いレスを受信してからの秒数"));
    lblLastLoad = fixedLabel(this, "lblLastLoad", QStringLiteral("最終取得 00:00:00"),
                             QStringLiteral("最後にスレを読み込めた時刻"));
    cmdLatest = new QPushButton(QStringLiteral("最新へ"), this);
    cmdLatest->setObjectName(QStringLiteral("cmdLatest"));
    cmdLatest->setToolTip(QStringLiteral(
        "待っているレスを最新の1件だけにして、すぐに表示します（お知らせは残ります）"));
    connect(cmdLatest, &QPushButton::clicked, this, &OnAirStrip::cmdLatest_Click);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 2, 0, 2);
    for (QWidget *w : {static_cast<QWidget *>(lblState), static_cast<QWidget *>(lblWaiting),
                       static_cast<QWidget *>(lblDelay), static_cast<QWidget *>(lblLastLoad)})
        row->addWidget(w);
    row->addStretch(1);
    row->addWidget(cmdLatest);

    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &OnAirStrip::write);
    connect(&m_queue, &SubtitleQueue::entriesChanged, this, &OnAirStrip::changed);
    m_state = OnAir::State::Shown; // differs, so setState writes the state label
    setState(OnAir::State::Hidden);
    write();
}

void OnAirStrip::setState(OnAir::State state)
{
    if (state == m_state)
        return;
    m_state = state;
    // Green on air, amber held back, grey off.
    static const QColor colours[][2] = {{QColor(0x2e, 0x7d, 0x32), Qt::white},
                                        {QColor(0xf9, 0xa8, 0x25), Qt::black},
                                        {QColor(0x75, 0x75, 0x75), Qt::white}};
    const QColor *colour = colours[int(state)];
    QPalette palette = lblState->palette();
    palette.setColor(QPalette::Window, colour[0]);
    palette.setColor(QPalette::WindowText, colour[1]);
    lblState->setPalette(palette);
    lblState->setText(OnAir::StateText(state));
}

void OnAirStrip::setLastLoad(const QTime &time)
{
    m_lastLoad = time;
    changed();
}

void OnAirStrip::changed()
{
    if (m_timer.isActive())
        return; // the write already due takes this change too
    const qint64 since = m_lastWrite.isValid() ? m_lastWrite.elapsed() : kWriteGap;
    m_timer.start(int(qBound(qint64(0), kWriteGap - since, qint64(kWriteGap))));
}

void OnAirStrip::write()
{
    m_lastWrite.start();
    const QList<MakuEntry> &entries = m_queue.entries();
    setIfChanged(lblWaiting, OnAir::WaitingText(int(entries.size())));
    setIfChanged(lblDelay, OnAir::DelayText(entries, ReceiptClock()));
    setIfChanged(lblLastLoad, OnAir::LastLoadText(m_lastLoad));
    // A waiting post grows older: its delay is written again in a second.
    for (const MakuEntry &entry : entries) {
        if (entry.kind == MakuEntry::Kind::Post) {
            m_timer.start(kWriteGap);
            break;
        }
    }
}

void OnAirStrip::cmdLatest_Click()
{
    const int dropped = m_queue.skipToNewest();
    if (dropped == 0) {
        emit statusText(QStringLiteral("飛ばせる字幕待ちのレスはありません"));
        return;
    }
    // The newest goes on air at once.
    m_queue.restartIfWaiting();
    emit statusText(QStringLiteral("字幕待ちのレスを%1件飛ばしました").arg(dropped));
}
