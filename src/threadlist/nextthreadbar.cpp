#include "threadlist/nextthreadbar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

NextThreadBar::NextThreadBar(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("NextThreadBar"));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::ToolTipBase);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(6, 2, 6, 2);
    lblNextThread = new QLabel(this);
    lblNextThread->setObjectName(QStringLiteral("lblNextThread"));
    // The title comes from the board.
    lblNextThread->setTextFormat(Qt::PlainText);
    lblNextThread->setForegroundRole(QPalette::ToolTipText);
    // A long title must not widen the main window.
    lblNextThread->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    cmdMove = new QPushButton(QStringLiteral("移動"), this);
    cmdMove->setObjectName(QStringLiteral("cmdNextThreadMove"));
    cmdIgnore = new QPushButton(QStringLiteral("無視"), this);
    cmdIgnore->setObjectName(QStringLiteral("cmdNextThreadIgnore"));
    row->addWidget(lblNextThread, 1);
    row->addWidget(cmdMove);
    row->addWidget(cmdIgnore);
    connect(cmdMove, &QPushButton::clicked, this, [this] { answer(true); });
    connect(cmdIgnore, &QPushButton::clicked, this, [this] { answer(false); });
    hide();
}

void NextThreadBar::offer(const NextThreadCandidate &candidate)
{
    m_candidate = candidate;
    lblNextThread->setText(NextThreadCaption(candidate));
    show();
}

void NextThreadBar::answer(bool move)
{
    hide();
    const NextThreadCandidate candidate = std::exchange(m_candidate, NextThreadCandidate());
    if (move)
        emit moveChosen(candidate);
    else
        emit ignored(candidate);
}
