#include "subtitle/frmnorestext.h"

#include "platform/settingsstore.h"
#include "platform/windowops.h"
#include "settings/program.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

const QString kNoResText = QStringLiteral("NoResText");
const QString kNoResCommand = QStringLiteral("NoResCommand");

} // namespace

frmNoResText::frmNoResText(Program &program, QWidget *parent)
    : QWidget(parent, Qt::Dialog), m_program(program)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("レスが無いときに文字を表示する"));

    txtText = new QLineEdit(this);
    cmbCommand = new QComboBox(this);
    cmbCommand->setEditable(true);
    cmbCommand->addItems({QStringLiteral("small"), QStringLiteral("big"),
                          QStringLiteral("jumbo naka"), QStringLiteral("ue red"),
                          QStringLiteral("small ue pink"), QStringLiteral("small shita white"),
                          QStringLiteral("normal shita green")});
    cmbCommand->setCurrentIndex(-1);
    cmdView = new QPushButton(QStringLiteral("表示"), this);
    lblNote = TextLabel(QStringLiteral("このダイアログを開いていると、↑の文字がレスが無いときに"
                                       "自動的に表示されるようになります。"
                                       "消したいときは、このダイアログを閉じてください。"),
                        this);
    lblNote->setWordWrap(true);

    auto *layout = new QGridLayout(this);
    layout->addWidget(TextLabel(QStringLiteral("文字"), this), 0, 0);
    layout->addWidget(txtText, 0, 1, 1, 2);
    layout->addWidget(TextLabel(QStringLiteral("コマンド"), this), 1, 0);
    layout->addWidget(cmbCommand, 1, 1);
    layout->addWidget(cmdView, 1, 2);
    layout->addWidget(lblNote, 2, 0, 1, 3);
    layout->setColumnStretch(1, 1);
    resize(420, sizeHint().height());

    connect(cmdView, &QPushButton::clicked, this, &frmNoResText::cmdView_Click);

    m_program.flags.NoResOpen = true;
    LoadNoResText();
}

frmNoResText::~frmNoResText()
{
    Form_Unload();
}

QString frmNoResText::text() const
{
    return txtText->text();
}

QString frmNoResText::command() const
{
    return cmbCommand->currentText();
}

void frmNoResText::LoadNoResText()
{
    if (!m_program.store)
        return;
    txtText->setText(m_program.store->value(kOptionSection, kNoResText));
    cmbCommand->setEditText(m_program.store->value(kOptionSection, kNoResCommand));
}

void frmNoResText::cmdView_Click()
{
    // Its command words count in normal mode too, as when the queue runs dry.
    if (m_draw)
        m_draw(idleText().entry(true));
}

void frmNoResText::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}

void frmNoResText::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    m_program.flags.NoResOpen = false;
    if (!m_program.store)
        return;
    m_program.store->setValue(kOptionSection, kNoResText, text());
    m_program.store->setValue(kOptionSection, kNoResCommand, command());
    m_program.store->sync();
}
