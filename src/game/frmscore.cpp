#include "game/frmscore.h"

#include "game/scores.h"
#include "platform/windowops.h"
#include "settings/options.h"

#include <QLabel>
#include <QListWidget>

namespace {
constexpr int kMargin = 120 / kTwipsPerPixel;
constexpr int kBottomGap = 300 / kTwipsPerPixel;
constexpr int kRightOfGame = 7000 / kTwipsPerPixel;
constexpr int kGapBelowGame = 900 / kTwipsPerPixel;

QFont gothic(int points)
{
    QFont font(QStringLiteral("ＭＳ ゴシック"), points);
    // Wherever that face is missing, a fixed-width one keeps the columns.
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    return font;
}
} // namespace

// 7000 twips right of the game window's left edge, 900 twips below its bottom.
frmScore::frmScore(Program &program, QWidget *parent)
    : GameSideWindow(program, kRightOfGame, kGapBelowGame, parent)
{
    setObjectName(QStringLiteral("frmScore"));
    setWindowTitle(QStringLiteral("スコア"));
    lblScoreCaption = TextLabel(QStringLiteral("Score:"), this);
    lblScoreCaption->setObjectName(QStringLiteral("lblScoreCaption"));
    lblScore = TextLabel(QStringLiteral("0"), this);
    lblScore->setObjectName(QStringLiteral("lblScore"));
    for (QLabel *label : {lblScoreCaption, lblScore}) {
        label->setFont(gothic(18));
        label->adjustSize();
    }
    lblScoreCaption->move(kMargin, kMargin);
    lstScore = new QListWidget(this);
    lstScore->setObjectName(QStringLiteral("lstScore"));
    lstScore->setFont(gothic(9));
    lstScore->move(0, lblScoreCaption->y() + lblScoreCaption->height() + kMargin);
    resize(320, 240);
}

void frmScore::showScores(const ScoreTable &scores)
{
    lblScore->setText(QString::number(scores.total()));
    lblScore->adjustSize();
    lblScore->move(width() - kMargin - lblScore->width(), kMargin);
    lstScore->clear();
    lstScore->addItems(scores.lines());
}

void frmScore::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // A window made too small keeps a list of no size rather than a negative one.
    lstScore->resize(qMax(0, width() - kMargin), qMax(0, height() - lstScore->y() - kBottomGap));
    lblScore->move(width() - kMargin - lblScore->width(), kMargin);
}
