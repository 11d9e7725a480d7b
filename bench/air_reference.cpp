// The reference for `bench_air cpu`: a program that does only the visible work of following a
// thread, each piece the plain way, and nothing else. The benchmark feeds it on stdin, one JSON
// object a line, with what the program shows as it arrives:
//
//   {"restart": html}   a new thread: the page starts again with the header skin
//   {"posts": html}     posts filled through the post skin, appended at the end of the page
//   {"status": text}    the status text
//   {"title": text}     the window title
//   {"queue": [command, message, id, name, number, list text]}   a post to put on air
//
// It shows the main window's layout (menu bar, focused editable address box, web view, side
// pane of three lists, status bar of two countdowns and the status text), counts the reload
// period down every second, and draws each subtitle into a frameless window shaped to its
// letters, counting the subtitle's time down on the status bar every 100 ms while it is up.
// End of input ends it.

#include "platform/settingsstore.h"
#include "platform/threadview.h"
#include "settings/commandwords.h"
#include "settings/options.h"
#include "subtitle/makuentry.h"
#include "subtitle/subtitlepacing.h"
#include "subtitle/subtitlepainter.h"
#include "subtitle/textlayout.h"

#include <QApplication>
#include <QBitmap>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QMap>
#include <QMenuBar>
#include <QPaintEvent>
#include <QPainter>
#include <QSocketNotifier>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <QWindow>
#include <cstdio>
#include <unistd.h>

namespace {

QString jsString(const QString &text)
{
    return QString::fromUtf8(QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact))
        .mid(1)
        .chopped(1);
}

// The picture on black, the black cut away.
class SubtitleWindow : public QWidget
{
public:
    SubtitleWindow()
        : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    {
        draw(MakuEntry());
        show();
    }
    void draw(const MakuEntry &entry)
    {
        const SubtitleLayout layout = LayoutTextDraw(entry, m_options, TextDrawFlags{});
        resize(layout.frame);
        m_painter.paint(layout);
        const QImage &picture = m_painter.picture();
        // Cut to what is not black: the region of this bitmap is the pixels of other colours.
        const QImage cut = picture.createMaskFromColor(qRgb(0, 0, 0), Qt::MaskInColor);
        setMask(QRegion(QBitmap::fromImage(cut)));
        update();
        // Kept above the other windows, as the program keeps its own.
        raise();
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QPainter p(this);
        p.drawImage(event->rect().topLeft(), m_painter.picture(), event->rect());
    }

private:
    // The options the program reads from a settings file without entries.
    Options m_options = [] {
        QTemporaryDir home;
        return LoadSettings(SettingsStore(home.filePath(QStringLiteral("settings.ini"))));
    }();
    SubtitlePainter m_painter;
};

class Reference : public QMainWindow
{
public:
    Reference()
    {
        setWindowTitle(QStringLiteral("sazanami"));
        for (const char *caption : {"更新(&R)", "自動更新(&A)", "自動スクロール(&S)", "字幕(&N)",
                                    "字幕候補(&J)", "機能(&W)", "設定(&O)", "ヘルプ(&H)"})
            menuBar()->addAction(QString::fromUtf8(caption));
        auto *central = new QWidget(this);
        setCentralWidget(central);
        m_address = new QComboBox(central);
        m_address->setEditable(true);
        m_view = new QWebEngineView(central);
        // The program's page runs no scripts of its own either; its writes still run.
        m_view->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
        QObject::connect(m_view, &QWebEngineView::loadFinished, this, [this] {
            m_loading = false;
            appendWaiting();
        });
        m_queueList = new QListWidget(central);
        m_ngList = new QListWidget(central);
        m_commandList = new QListWidget(central);
        m_commandList->setSelectionMode(QAbstractItemView::MultiSelection);
        m_commandList->addItems(Commands::CommandWords());
        const QVector<bool> enabled = Commands::ParseEnableCommand(Options().EnableCommand);
        for (int i = 0; i < m_commandList->count() && i < enabled.size(); ++i)
            m_commandList->item(i)->setSelected(enabled[i]);
        for (QLabel **label : {&m_reloadLabel, &m_subtitleLabel, &m_status}) {
            *label = new QLabel(QStringLiteral("-1"), this);
            (*label)->setObjectName(label == &m_status        ? QStringLiteral("STATUS")
                                    : label == &m_reloadLabel ? QStringLiteral("TIMER")
                                                              : QStringLiteral("MAKUTIMER"));
            (*label)->setMinimumWidth(60);
            if (label != &m_status)
                (*label)->setFixedSize(60, (*label)->sizeHint().height());
            statusBar()->addWidget(*label, label == &m_status ? 1 : 0);
        }
        m_status->clear();
        resize(11190 / 15, 7155 / 15);

        m_reload.setInterval(1000);
        QObject::connect(&m_reload, &QTimer::timeout, this, [this] {
            m_reloadLeft = m_reloadLeft <= 1 ? 7 : m_reloadLeft - 1;
            m_reloadLabel->setText(QString::number(m_reloadLeft));
        });
        m_reload.start();
        m_reloadLabel->setText(QString::number(m_reloadLeft));
        m_tick.setInterval(100);
        QObject::connect(&m_tick, &QTimer::timeout, this, [this] { tick(); });
    }

    void setAddress(const QString &address) { m_address->setEditText(address); }
    void focusAddress()
    {
        activateWindow();
        m_address->setFocus();
    }

    void take(const QJsonObject &message)
    {
        if (message.contains(QLatin1String("restart"))) {
            // Posts that come before the new page has loaded wait for it.
            m_loading = true;
            m_view->setHtml(message.value(QLatin1String("restart")).toString(),
                            QUrl(QStringLiteral("about:blank")));
        }
        if (message.contains(QLatin1String("posts"))) {
            m_waiting += message.value(QLatin1String("posts")).toString();
            appendWaiting();
        }
        if (message.contains(QLatin1String("status")))
            m_status->setText(message.value(QLatin1String("status")).toString());
        if (message.contains(QLatin1String("title")))
            setWindowTitle(message.value(QLatin1String("title")).toString());
        if (message.contains(QLatin1String("queue"))) {
            const QJsonArray f = message.value(QLatin1String("queue")).toArray();
            MakuEntry entry;
            entry.kind = MakuEntry::Kind::Post;
            entry.command = f[0].toString();
            entry.message = f[1].toString();
            entry.id = f[2].toString();
            entry.name = f[3].toString();
            entry.number = f[4].toString();
            m_queue.append(entry);
            m_queueList->addItem(f[5].toString());
            if (m_countdown < 0)
                setCountdown(1);
        }
    }

private:
    void appendWaiting()
    {
        if (m_loading || m_waiting.isEmpty())
            return;
        m_view->page()->runJavaScript(
            QStringLiteral("document.body.insertAdjacentHTML('beforeend',%1);")
                .arg(jsString(m_waiting)),
            QWebEngineScript::ApplicationWorld);
        m_waiting.clear();
    }
    void setCountdown(int value)
    {
        m_countdown = value;
        m_subtitleLabel->setText(QString::number(value));
        if (value < 0)
            m_tick.stop();
        else if (!m_tick.isActive())
            m_tick.start();
    }
    void tick()
    {
        if (m_countdown - 1 > 0) {
            setCountdown(m_countdown - 1);
            return;
        }
        if (m_queue.isEmpty()) {
            m_subtitle.draw(MakuEntry());
            setCountdown(-1);
            return;
        }
        m_subtitle.draw(m_queue.takeFirst());
        delete m_queueList->takeItem(0);
        setCountdown(PacingWait(int(m_queue.size()), 0));
    }

    QComboBox *m_address = nullptr;
    QWebEngineView *m_view = nullptr;
    QListWidget *m_queueList = nullptr;
    QListWidget *m_ngList = nullptr;
    QListWidget *m_commandList = nullptr;
    QLabel *m_reloadLabel = nullptr;
    QLabel *m_subtitleLabel = nullptr;
    QLabel *m_status = nullptr;
    QTimer m_reload;
    QTimer m_tick;
    int m_reloadLeft = 7;
    int m_countdown = -1;
    QList<MakuEntry> m_queue;
    bool m_loading = false;
    QString m_waiting;
    SubtitleWindow m_subtitle;

    // The side pane as the program lays it out: the queue on top, NG and command words below.
    void resizeEvent(QResizeEvent *event) override
    {
        QMainWindow::resizeEvent(event);
        const QWidget *c = centralWidget();
        const int top = m_address->sizeHint().height();
        const int viewWidth = c->width() - 240 - 6;
        const int lower = qMax(0, c->height() - top - 200);
        m_address->setGeometry(0, 0, c->width(), top);
        m_view->setGeometry(0, top, viewWidth, c->height() - top);
        m_queueList->setGeometry(viewWidth + 3, top, 240, 200);
        m_ngList->setGeometry(viewWidth + 3, top + 200, 160, lower);
        m_commandList->setGeometry(viewWidth + 3 + 160, top + 200, 80, lower);
    }
};

// Paint events per widget class, printed at the end when asked ("paints").
class PaintCensus : public QObject
{
public:
    QMap<QString, int> paints;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints[watched->objectName().isEmpty()
                         ? QString::fromLatin1(watched->metaObject()->className())
                         : watched->objectName()];
        return false;
    }
};

} // namespace

int main(int argc, char **argv)
{
    // The web view composed as the program composes its own.
    ComposeThreadViewsInSoftware();
    QApplication app(argc, argv);
    Reference window;
    window.setAddress(app.arguments().value(1));
    window.show();
    // Activation asked for before the window is on the screen is lost.
    while (!window.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    window.focusAddress();
    QByteArray pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &window, [&] {
        char buffer[65536];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            input.setEnabled(false);
            QCoreApplication::quit();
            return;
        }
        pending.append(buffer, n);
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1))
            window.take(QJsonDocument::fromJson(pending.left(end)).object());
    });
    PaintCensus census;
    const bool paints = app.arguments().contains(QStringLiteral("paints"));
    if (paints)
        app.installEventFilter(&census);
    QTimer::singleShot(3000, [] {
        const QWidget *focus = QApplication::focusWidget();
        std::printf("    reference: focus %s, active window %s\n",
                    focus ? focus->metaObject()->className() : "none",
                    QApplication::activeWindow() ? "main window" : "none");
        std::fflush(stdout);
    });
    const int status = app.exec();
    if (paints) {
        std::printf("    paints:");
        for (auto it = census.paints.cbegin(); it != census.paints.cend(); ++it)
            std::printf(" paint %s %d;", qPrintable(it.key()), it.value());
        std::printf("\n");
    }
    return status;
}
