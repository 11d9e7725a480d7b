#include "threadlist/frmthread.h"

#include "platform/windowops.h"
#include "threadlist/subjectfetch.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QStatusBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Column
{
    Num,
    Title,
    Res,
    Power,
    Url
};

// Rows compare their cells so that padded and over-long numbers sort as numbers.
class ThreadItem : public QTreeWidgetItem
{
public:
    explicit ThreadItem(const ThreadRow &row)
        : QTreeWidgetItem(QStringList{row.Num, row.Title, row.Res, row.Power, row.Url})
    {
        // Blanks pad the numbers for sorting; in a proportional font only this lines them up.
        setTextAlignment(Res, Qt::AlignRight | Qt::AlignVCenter);
        setTextAlignment(Power, Qt::AlignRight | Qt::AlignVCenter);
    }
    bool operator<(const QTreeWidgetItem &other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        return ThreadCellLess(column, text(column), other.text(column));
    }
};

} // namespace

frmThread::frmThread(QWidget *parent) : QMainWindow(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmThread"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("スレッド一覧"));
    CloseOnEscape(this);

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(1, 1, 1, 1);
    cmbUrl = new QComboBox(central);
    cmbUrl->setObjectName(QStringLiteral("cmbUrl"));
    cmbUrl->setEditable(true);
    // Enter keeps every address in the drop-down, repeats included, then lists it.
    cmbUrl->setInsertPolicy(QComboBox::InsertAtBottom);
    cmbUrl->setDuplicatesEnabled(true);
    cmbUrl->setEditText(QStringLiteral("http://"));
    connect(cmbUrl->lineEdit(), &QLineEdit::returnPressed, this, &frmThread::mnuReload_Click);

    lvwThread = new QTreeWidget(central);
    lvwThread->setObjectName(QStringLiteral("lvwThread"));
    lvwThread->setRootIsDecorated(false);
    lvwThread->setUniformRowHeights(true);
    lvwThread->setAllColumnsShowFocus(true);
    lvwThread->setHeaderLabels({QStringLiteral("番号"), QStringLiteral("タイトル"),
                                QStringLiteral("レス"), QStringLiteral("勢い"),
                                QStringLiteral("URL")});
    lvwThread->setColumnWidth(Num, 50);
    lvwThread->setColumnWidth(Title, 360);
    lvwThread->setColumnWidth(Res, 50);
    lvwThread->setColumnWidth(Power, 70);
    // Sorting happens once per header click, never while rows are added.
    lvwThread->setSortingEnabled(false);
    lvwThread->header()->setSectionsClickable(true);
    lvwThread->header()->setSortIndicatorShown(true);
    lvwThread->header()->setSortIndicator(-1, Qt::AscendingOrder);
    connect(lvwThread->header(), &QHeaderView::sectionClicked, this,
            &frmThread::lvwThread_ColumnClick);
    connect(lvwThread, &QTreeWidget::clicked, this, &frmThread::lvwThread_Click);

    layout->addWidget(cmbUrl);
    layout->addWidget(lvwThread, 1);
    setCentralWidget(central);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("stbStatus"));
    m_status->setTextFormat(Qt::PlainText); // a board's status line is no markup
    statusBar()->addWidget(m_status, 1);

    mnuReload = menuBar()->addAction(QStringLiteral("更新(&R)"));
    mnuReload->setObjectName(QStringLiteral("mnuReload"));
    connect(mnuReload, &QAction::triggered, this, &frmThread::mnuReload_Click);

    m_fetch = new SubjectFetch(this);
    connect(m_fetch, &SubjectFetch::statusChanged, this, &frmThread::SetStatus);
    connect(m_fetch, &SubjectFetch::listEnded, this, [this](const QVector<ThreadRow> &rows) {
        setRequesting(false);
        fill(rows);
    });
    resize(720, 480);
}

void frmThread::showBoardOf(const QString &threadUrl)
{
    show();
    raise();
    activateWindow();
    cmbUrl->setEditText(BoardUrlOf(threadUrl));
    mnuReload_Click();
}

void frmThread::mnuReload_Click()
{
    if (!mnuReload->isEnabled())
        return;
    const QString url = cmbUrl->currentText();
    if (url.isEmpty() || url == QLatin1String("http://"))
        return;
    if (url.contains(QLatin1String("read.cgi"))) {
        SetStatus(QStringLiteral("板のURLを入力してください"));
        return;
    }
    ListRental = IsRentalBoardUrl(url);
    ListBoardUrl = url;
    setRequesting(true);
    lvwThread->clear();
    m_fetch->GetBoard(url, ListRental);
}

void frmThread::SetStatus(const QString &text)
{
    m_status->setText(text);
}

void frmThread::setRequesting(bool requesting)
{
    // Disabling the box moves the focus away; it comes back for the next address.
    if (requesting)
        m_refocus = cmbUrl->hasFocus();
    cmbUrl->setEnabled(!requesting);
    mnuReload->setEnabled(!requesting);
    if (!requesting && m_refocus)
        cmbUrl->setFocus();
}

void frmThread::fill(const QVector<ThreadRow> &rows)
{
    QList<QTreeWidgetItem *> items;
    items.reserve(rows.size());
    for (const ThreadRow &row : rows)
        items.append(new ThreadItem(row));
    lvwThread->addTopLevelItems(items);
}

void frmThread::lvwThread_ColumnClick(int column)
{
    m_order = m_order == Qt::DescendingOrder ? Qt::AscendingOrder : Qt::DescendingOrder;
    lvwThread->sortItems(column, m_order);
}

void frmThread::lvwThread_Click(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    const QString url = lvwThread->topLevelItem(index.row())->text(Url);
    if (!url.isEmpty())
        emit threadChosen(url);
}
