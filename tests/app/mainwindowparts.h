#pragma once

#include "app/frmmain.h"
#include "platform/threadview.h"
#include "retrieval/threadloader.h"
#include "subtitle/subtitlequeue.h"
#include "subtitle/subtitlewindowcontrol.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QTimer>
#include <QtTest>
#include <memory>

// The main window's parts, reached by their object names as the program names them.
namespace MainWindowParts {

// A window's part; a missing one ends the test run with its name.
template<class T> T *part(const QObject *window, const QString &name = QString())
{
    T *found = window->findChild<T *>(name);
    if (!found)
        qFatal("%s has no part named \"%s\"", window->metaObject()->className(), qPrintable(name));
    return found;
}
template<class T> T *part(const std::unique_ptr<frmMain> &window, const QString &name = QString())
{
    return part<T>(window.get(), name);
}

inline QComboBox *cmbUrl(const std::unique_ptr<frmMain> &w)
{
    return part<QComboBox>(w, QStringLiteral("cmbUrl"));
}
inline QAction *action(const std::unique_ptr<frmMain> &w, const QString &name)
{
    return part<QAction>(w, name);
}
// The text of a status-bar panel: "TIMER", "MAKUTIMER" or "STATUS".
inline QString panelText(const std::unique_ptr<frmMain> &w, const QString &key)
{
    return part<QLabel>(w, key)->text();
}
inline SubtitleWindowControl &maku(const std::unique_ptr<frmMain> &w)
{
    return *part<SubtitleWindowControl>(w);
}
inline SubtitleQueue &queue(const std::unique_ptr<frmMain> &w)
{
    return *part<SubtitleQueue>(w);
}
inline const ThreadState &thread(const std::unique_ptr<frmMain> &w)
{
    return part<ThreadLoader>(w)->state();
}
// What a script in the thread view gives back; null after ten seconds without an answer.
inline QVariant evaluate(const std::unique_ptr<frmMain> &w, const QString &script)
{
    QVariant result;
    bool done = false;
    part<ThreadView>(w, QStringLiteral("webMain"))->evaluate(script, [&](const QVariant &v) {
        result = v;
        done = true;
    });
    return QTest::qWaitFor([&] { return done; }, 10000) ? result : QVariant();
}

} // namespace MainWindowParts
