#include "app/ngcontrol.h"

#include "platform/text.h"
#include "platform/threadview.h"
#include "rendering/frmngsetting.h"
#include "rendering/postpipeline.h"
#include "settings/program.h"
#include "subtitle/makuentry.h"
#include "subtitle/subtitlequeue.h"

#include <QDateTime>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <algorithm>

namespace {
// A name used by this many posters of the thread is asked about before it is made NG.
constexpr int kSharedNamePosters = 3;
constexpr int kShownNameChars = 40;
} // namespace

NgControl::NgControl(Program &program, PostPipeline &pipeline, SubtitleQueue &queue,
                     QWidget *window)
    : QObject(window), m_program(program), m_pipeline(pipeline), m_queue(queue), m_window(window)
{}

void NgControl::load()
{
    const QStringList problems = m_pipeline.ngRules().load(
        m_program.AppPath, QDateTime::currentSecsSinceEpoch(), m_program.opt.NgIdHours);
    if (!problems.isEmpty())
        emit statusText(problems.join(QLatin1Char(' ')));
}

void NgControl::attach(ThreadView *view, QListWidget *queueList)
{
    view->setPostMenuHandler([this](QMenu *menu, qint64 number) { addPostItems(menu, number); });
    queueList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(queueList, &QListWidget::customContextMenuRequested, this,
            [this, queueList](const QPoint &at) {
                const QListWidgetItem *item = queueList->itemAt(at);
                if (!item)
                    return;
                // The list is redrawn after the queue changes: the entry is the one whose text
                // form the row carries, if it still waits.
                const QList<MakuEntry> &entries = m_queue.entries();
                const auto entry =
                    std::find_if(entries.cbegin(), entries.cend(),
                                 [form = item->data(Qt::UserRole).toString()](const auto &e) {
                                     return e.listText() == form;
                                 });
                auto *menu = new QMenu(m_window);
                menu->setAttribute(Qt::WA_DeleteOnClose);
                addEntryItems(menu, entry != entries.cend() ? *entry : MakuEntry());
                menu->popup(queueList->viewport()->mapToGlobal(at));
            });
}

void NgControl::addPostItems(QMenu *menu, qint64 number)
{
    // An NG post shows "NG" for a name and no ID: nothing of the poster is left to take.
    if (number <= 0 || m_pipeline.isHidden(number)) {
        addItems(menu, QString(), QString());
        return;
    }
    const ResRecord post = m_pipeline.ResData().value(number);
    addItems(menu, NgRules::PosterId(post.DateID), RemoveTags(post.Name));
}

void NgControl::addEntryItems(QMenu *menu, const MakuEntry &entry)
{
    if (entry.kind != MakuEntry::Kind::Post) {
        addItems(menu, QString(), QString());
        return;
    }
    addItems(menu, NgRules::PosterIdOfEntry(entry.id), entry.name);
}

void NgControl::addItems(QMenu *menu, const QString &id, const QString &name)
{
    menu->addSeparator();
    QAction *byId = menu->addAction(QStringLiteral("このIDをNG"));
    byId->setEnabled(!id.isEmpty());
    connect(byId, &QAction::triggered, this, [this, id] { addRule(NgRules::Kind::Id, id); });
    QAction *byName = menu->addAction(QStringLiteral("この名前をNG"));
    byName->setEnabled(!name.trimmed().isEmpty());
    connect(byName, &QAction::triggered, this, [this, name] { addNameRule(name); });
}

void NgControl::addNameRule(const QString &name)
{
    // The board's default name is nearly everyone's: one click must not silence the thread.
    const int posters = m_pipeline.postersNamed(name);
    if (posters < kSharedNamePosters) {
        addRule(NgRules::Kind::Name, name);
        return;
    }
    auto *box = new QMessageBox(
        QMessageBox::Question, QStringLiteral("sazanami"),
        QStringLiteral("「%1」は%2人が使っている名前です。NGにすると、この名前のレスはすべて"
                       "字幕に出なくなります。NGにしますか？")
            .arg(name.left(kShownNameChars))
            .arg(posters),
        QMessageBox::Yes | QMessageBox::No, m_window);
    box->setTextFormat(Qt::PlainText);
    box->setDefaultButton(QMessageBox::No);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [this, box, name] {
        if (box->standardButton(box->clickedButton()) == QMessageBox::Yes)
            addRule(NgRules::Kind::Name, name);
    });
    box->open();
}

NgRules::Outcome NgControl::addRule(NgRules::Kind kind, const QString &text)
{
    NgRules &rules = m_pipeline.ngRules();
    const NgRules::Outcome outcome = rules.add(kind, text, QDateTime::currentSecsSinceEpoch());
    if (!outcome.inEffect) {
        emit statusText(outcome.message);
        return outcome;
    }
    // Nothing more of the poster airs: what waits leaves the queue before the next tick.
    const int removed = m_queue.removeIf([this](const MakuEntry &entry) { return hides(entry); });
    m_pipeline.hideShownPosts();
    emit ruleAdded();
    if (m_dialog)
        m_dialog->refresh();
    const QString done[] = {QStringLiteral("このIDをNGにしました"),
                            QStringLiteral("この名前をNGにしました"),
                            QStringLiteral("NGパターンを追加しました")};
    QString status =
        done[int(kind)] + QStringLiteral("（待機中の字幕から%1件を取り除きました）").arg(removed);
    for (const QString &note : QStringList(outcome.message) + rules.takeNotes())
        if (!note.isEmpty())
            status += QStringLiteral("。") + note;
    emit statusText(status);
    return outcome;
}

bool NgControl::hides(const MakuEntry &entry) const
{
    return entry.kind == MakuEntry::Kind::Post &&
           m_pipeline.ngRules().hides(NgRules::PosterIdOfEntry(entry.id), entry.name,
                                      entry.message);
}

void NgControl::showDialog()
{
    if (!m_dialog) {
        m_dialog = new frmNgSetting(
            m_pipeline.ngRules(),
            [this](const QString &pattern) { return addRule(NgRules::Kind::Pattern, pattern); },
            [this] { return m_pipeline.shownMessages(); }, m_window);
    }
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
}
