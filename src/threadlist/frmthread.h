#pragma once

#include "threadlist/subjectlist.h"

#include <QMainWindow>
#include <QVector>

class QAction;
class QComboBox;
class QLabel;
class QModelIndex;
class QTreeWidget;
class SubjectFetch;

// The thread list: a board's threads with post counts and posting rates; a click on a row
// opens that thread in the main window.
class frmThread : public QMainWindow
{
    Q_OBJECT
public:
    explicit frmThread(QWidget *parent = nullptr);

    // The main window's "スレ一覧": lists the board of a thread address.
    void showBoardOf(const QString &threadUrl);
    void mnuReload_Click();
    SubjectFetch &fetch() { return *m_fetch; }

signals:
    // A row was clicked: its thread address, for the main window to load.
    void threadChosen(const QString &url);

private:
    void SetStatus(const QString &text);
    void fill(const QVector<ThreadRow> &rows);
    void lvwThread_ColumnClick(int column);
    void lvwThread_Click(const QModelIndex &index);
    void setRequesting(bool requesting);

    QComboBox *cmbUrl = nullptr;
    QTreeWidget *lvwThread = nullptr;
    QLabel *m_status = nullptr;
    QAction *mnuReload = nullptr;
    SubjectFetch *m_fetch = nullptr;
    QString ListBoardUrl;
    bool ListRental = false;
    Qt::SortOrder m_order = Qt::AscendingOrder;
    bool m_refocus = false;
};
