#include "rendering/frmngsetting.h"

#include <QElapsedTimer>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTextDocument>

frmNgSetting::frmNgSetting(NgRules &rules, AddPattern addPattern,
                           std::function<QStringList()> shownMessages, QWidget *parent)
    : QWidget(parent, Qt::Dialog), m_rules(rules), m_addPattern(std::move(addPattern)),
      m_shownMessages(std::move(shownMessages))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("frmNgSetting"));
    setWindowTitle(QStringLiteral("NG設定"));

    auto *layout = new QGridLayout(this);
    const std::tuple<NgRules::Kind, const char *, const char *> columns[] = {
        {NgRules::Kind::Id, "ID", "lstNgId"},
        {NgRules::Kind::Name, "名前・トリップ", "lstNgName"},
        {NgRules::Kind::Pattern, "パターン（本文）", "lstNgPattern"},
    };
    for (const auto &[kind, caption, name] : columns) {
        const int column = int(kind);
        layout->addWidget(new QLabel(QString::fromUtf8(caption), this), 0, column);
        m_lists[column] = new QListWidget(this);
        m_lists[column]->setObjectName(QLatin1String(name));
        layout->addWidget(m_lists[column], 1, column);
        auto *remove = new QPushButton(QStringLiteral("削除"), this);
        remove->setObjectName(QStringLiteral("cmdRemove%1").arg(column));
        connect(remove, &QPushButton::clicked, this, [this, k = kind] { removeSelected(k); });
        layout->addWidget(remove, 2, column);
    }

    txtPattern = new QLineEdit(this);
    txtPattern->setObjectName(QStringLiteral("txtNgPattern"));
    txtPattern->setPlaceholderText(QStringLiteral("正規表現（例: ^うざ|死ね）"));
    cmdAddPattern = new QPushButton(QStringLiteral("パターンを追加"), this);
    cmdAddPattern->setObjectName(QStringLiteral("cmdAddPattern"));
    // Both show what a file or the library said: never as markup.
    lblCheck = new QLabel(this);
    lblCheck->setObjectName(QStringLiteral("lblNgCheck"));
    lblCheck->setTextFormat(Qt::PlainText);
    lblMessage = new QLabel(this);
    lblMessage->setObjectName(QStringLiteral("lblNgMessage"));
    lblMessage->setTextFormat(Qt::PlainText);
    lblMessage->setWordWrap(true);
    layout->addWidget(txtPattern, 3, 0, 1, 2);
    layout->addWidget(cmdAddPattern, 3, 2);
    layout->addWidget(lblCheck, 4, 0, 1, 3);
    layout->addWidget(lblMessage, 5, 0, 1, 3);
    resize(640, 360);

    connect(txtPattern, &QLineEdit::textChanged, this, &frmNgSetting::checkPattern);
    connect(txtPattern, &QLineEdit::returnPressed, this, &frmNgSetting::addPattern);
    connect(cmdAddPattern, &QPushButton::clicked, this, &frmNgSetting::addPattern);
    refresh();
}

void frmNgSetting::refresh()
{
    for (const NgRules::Kind kind : NgRules::kKinds) {
        QListWidget *list = m_lists[int(kind)];
        list->clear();
        const QStringList texts = m_rules.list(kind);
        for (int i = 0; i < texts.size(); ++i) {
            auto *item = new QListWidgetItem(texts.at(i), list);
            const QString problem =
                kind == NgRules::Kind::Pattern ? m_rules.patternProblem(i) : QString();
            if (!problem.isEmpty()) {
                item->setForeground(Qt::gray);
                item->setToolTip(Qt::convertFromPlainText(problem));
            }
        }
    }
}

void frmNgSetting::setMessage(const QString &text)
{
    lblMessage->setText(text);
}

void frmNgSetting::addPattern()
{
    const NgRules::Outcome outcome = m_addPattern(txtPattern->text());
    setMessage(outcome.message);
    if (outcome.inEffect)
        txtPattern->clear();
    refresh();
}

void frmNgSetting::removeSelected(NgRules::Kind kind)
{
    const int row = m_lists[int(kind)]->currentRow();
    if (row < 0)
        return;
    setMessage(m_rules.remove(kind, row));
    refresh();
}

void frmNgSetting::checkPattern()
{
    const QString text = txtPattern->text();
    if (text.isEmpty()) {
        lblCheck->clear();
        return;
    }
    const NgPattern pattern(text);
    if (!pattern.isValid()) {
        lblCheck->setText(pattern.error());
        return;
    }
    // Every keystroke checks again: the whole check is bounded, not only each match.
    QElapsedTimer clock;
    clock.start();
    int count = 0;
    for (const QString &message : m_shownMessages()) {
        const NgPattern::Result result = pattern.match(NgRules::MessageText(message));
        if (result == NgPattern::Result::Stopped) {
            lblCheck->setText(
                QStringLiteral("照合に時間がかかりすぎるパターンです（それまでに%1件に一致）")
                    .arg(count));
            return;
        }
        count += result == NgPattern::Result::Match ? 1 : 0;
        if (clock.elapsed() > kCheckMilliseconds) {
            lblCheck->setText(QStringLiteral("%1件に一致（時間切れのため途中まで）").arg(count));
            return;
        }
    }
    lblCheck->setText(QStringLiteral("%1件に一致").arg(count));
}
