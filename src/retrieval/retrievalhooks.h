#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// What thread retrieval needs from the window that owns it. Every hook may be left empty.
struct RetrievalHooks
{
    // Writes the "STATUS" panel of the status bar.
    std::function<void(const QString &text)> SetStatus;
    // Writes the address bar text (a rental-board address cut back to its last "/").
    std::function<void(const QString &text)> setAddressText;
    // Restarts the thread view for a new thread: clear, open, charset "Shift_JIS", header skin.
    std::function<void()> restartView;
    // Receives the complete new lines of a response, chunk by chunk, each exactly once and
    // without its LF (a rental-board line keeps its CR). It is expected to add the posts it
    // makes to ThreadState::ResTotal.
    std::function<void(const QStringList &lines, const QString &separator)> SetLog;
};
