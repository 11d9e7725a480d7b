#pragma once

#include "rendering/posttable.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

struct Program;
struct ThreadState;
class SubtitleQueue;

// New-post processing: received lines become posts that are numbered, stored in ResData,
// written into the thread view through the post skin and, when new, queued as subtitles.
// The window supplies what it owns (NG words, command selection, the view, its title) as hooks.
class PostPipeline
{
public:
    using WordsSource = std::function<QStringList()>;
    using FlagsSource = std::function<QVector<bool>()>;
    using HtmlSink = std::function<void(const QString &html)>;
    using TextSink = std::function<void(const QString &text)>;
    using Action = std::function<void()>;

    PostPipeline(Program &program, ThreadState &state, SubtitleQueue &queue);

    // The NG words in list order, read once per batch of lines (lstNG).
    void setNgWordSource(WordsSource source) { m_ngWords = std::move(source); }
    // The enable flags of the 17 command words (selection of lstCommand), read per queued post.
    void setCommandFlagSource(FlagsSource source) { m_commandFlags = std::move(source); }
    // Appends one filled post at the end of the thread view.
    void setWriter(HtmlSink writer) { m_write = std::move(writer); }
    // Runs after every written post (AutoScroll).
    void setAutoScroll(Action autoScroll) { m_autoScroll = std::move(autoScroll); }
    // Receives the window title "sazanami - [title]" when a thread's first post arrives.
    void setTitleHandler(TextSink handler) { m_setTitle = std::move(handler); }

    // The skins as last read: the header starts the view, the post skin is filled per post.
    void setSkins(const QString &headerSkin, const QString &resSkin);
    const QString &HeaderSkin() const { return m_headerSkin; }
    const QString &ResSkin() const { return m_resSkin; }

    // Takes complete new lines of one response, each without its LF, in order and exactly
    // once. separator is the response's field separator ("<>" or ",").
    void SetLog(const QStringList &lines, const QString &separator);
    // Processes one post: links, storing, rendering and, for a new post, queueing.
    // isNg marks a line that the NG test replaced; such a post is never queued.
    void AddLog(const QString &Num, const QString &Names, QString Mail, QString DateID,
                QString Message, bool isNg = false);

    const PostTable &ResData() const { return m_resData; }

    // The program's own entry when a thread reaches post 1000.
    static const QString &Notice1000();

private:
    Program &m_program;
    ThreadState &m_state;
    SubtitleQueue &m_queue;
    PostTable m_resData;
    QString m_headerSkin;
    QString m_resSkin;
    WordsSource m_ngWords;
    FlagsSource m_commandFlags;
    HtmlSink m_write;
    Action m_autoScroll;
    TextSink m_setTitle;
};
