#include "game/frmquestion.h"

#include "platform/windowops.h"
#include "settings/program.h"

#include <QCloseEvent>
#include <QLabel>

namespace {
constexpr int kMargin = 120 / kTwipsPerPixel;
constexpr int kGapBelowGame = 300 / kTwipsPerPixel;
} // namespace

// Left edge at the game window's, top 300 twips below its bottom edge.
frmQuestion::frmQuestion(Program &program, QWidget *parent)
    : GameSideWindow(program, 0, kGapBelowGame, parent)
{
    setObjectName(QStringLiteral("frmQuestion"));
    setWindowTitle(QStringLiteral("配信画面に映す用の「お題」"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(128, 128, 128));
    pal.setColor(QPalette::WindowText, Qt::white);
    setPalette(pal);

    const QFont font(QStringLiteral("ＭＳ Ｐゴシック"), 18);
    auto *drag = new WindowDrag(this);
    auto makeLabel = [&](const char *name, const QString &caption) {
        auto *label = new QLabel(caption, this);
        label->setObjectName(QLatin1String(name));
        label->setTextFormat(Qt::PlainText); // a topic of a dictionary file is no markup
        label->setFont(font);
        label->setToolTip(QStringLiteral("ドラッグで移動できます"));
        drag->watch(label);
        return label;
    };
    lblQuestion = makeLabel("lblQuestion", QStringLiteral("配信画面に映す用の「お題」"));
    lblTimeLimit = makeLabel("lblTimeLimit", QStringLiteral("-1"));
    lblQuestion->move(kMargin, kMargin);
    lblQuestion->adjustSize();
    lblTimeLimit->adjustSize();
    // Narrow enough to stay clear of the score window placed 7000 twips to the right.
    resize(440, 2 * lblQuestion->height() + 3 * kMargin);
}

void frmQuestion::setQuestionText(const QString &text)
{
    lblQuestion->setText(text);
    lblQuestion->adjustSize();
}

void frmQuestion::setClock(int t)
{
    lblTimeLimit->setText(QString::number(t));
    lblTimeLimit->adjustSize();
    lblTimeLimit->move(width() - kMargin - lblTimeLimit->width(), lblTimeLimit->y());
}

void frmQuestion::closeEvent(QCloseEvent *event)
{
    GameSideWindow::closeEvent(event);
    // The last window of the game to close ends the closing.
    if (event->isAccepted())
        m_program.flags.GameClosing = false;
}

void frmQuestion::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    lblTimeLimit->move(width() - kMargin - lblTimeLimit->width(),
                       lblQuestion->y() + lblQuestion->height() + kMargin);
}
