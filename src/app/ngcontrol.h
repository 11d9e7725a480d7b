#pragma once

#include "rendering/ngrules.h"

#include <QObject>
#include <QPointer>

class QListWidget;
class QMenu;
class QWidget;
class PostPipeline;
class SubtitleQueue;
class ThreadView;
class frmNgSetting;
struct MakuEntry;
struct Program;

// The NG rules by ID, name and pattern as the main window offers them: the items of a post's
// and of a waiting subtitle's context menu, the "NG設定" dialog, and every new rule applied at
// once to the queue, the view and the posts to come.
class NgControl : public QObject
{
    Q_OBJECT
public:
    NgControl(Program &program, PostPipeline &pipeline, SubtitleQueue &queue, QWidget *window);

    // Reads the rule files; what is wrong with them goes to the status bar.
    void load();
    // Gives the thread view's context menu and the queue list's (lstRes) the two items.
    void attach(ThreadView *view, QListWidget *queueList);
    void showDialog();
    // Whether the rules now make `entry` an NG post.
    bool hides(const MakuEntry &entry) const;

signals:
    void statusText(const QString &text);
    // A rule took effect: what still waits elsewhere (read-aloud) is checked again.
    void ruleAdded();

private:
    // "このIDをNG" and "この名前をNG" for post `number` of the thread (0: no post there).
    void addPostItems(QMenu *menu, qint64 number);
    // The same for a waiting subtitle.
    void addEntryItems(QMenu *menu, const MakuEntry &entry);
    void addItems(QMenu *menu, const QString &id, const QString &name);
    // A name rule; asked first when several posters of the thread share the name.
    void addNameRule(const QString &name);
    NgRules::Outcome addRule(NgRules::Kind kind, const QString &text);

    Program &m_program;
    PostPipeline &m_pipeline;
    SubtitleQueue &m_queue;
    QWidget *m_window;
    QPointer<frmNgSetting> m_dialog;
};
