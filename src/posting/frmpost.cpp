#include "frmpost.h"

#include "formencoding.h"
#include "platform/windowops.h"
#include "postexchange.h"
#include "settings/program.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmPost::frmPost(AppFlags &flags, std::function<QString()> addressText, QWidget *parent)
    : QWidget(parent, Qt::Window), m_flags(flags), m_addressText(std::move(addressText))
{
    setObjectName(QStringLiteral("frmPost"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("書き込み&スレ立て"));
    CloseOnEscape(this);

    txtThread = new QLineEdit(this);
    txtName = new QLineEdit(this);
    txtMail = new QComboBox(this);
    txtMail->setEditable(true);
    txtMail->addItems({QStringLiteral("sage"), QStringLiteral("sage jumbo green"),
                       QStringLiteral("sage shita small white"),
                       QStringLiteral("sage naka gigantic red"),
                       QStringLiteral("sage shita normal blue"), QStringLiteral("sage gigantic!")});
    txtMail->setCurrentIndex(0);
    txtMessage = new QPlainTextEdit(this);
    txtMessage->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtMessage->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtMessage->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtMessage->installEventFilter(this);
    cmdKakikomi = new QPushButton(QStringLiteral("レス書き込み(Shift+Enter)"), this);
    cmdThread = new QPushButton(QStringLiteral("スレッドを立てる(&S)"), this);
    chkAutoClose = new QCheckBox(QStringLiteral("書き込み完了時に閉じる"), this);
    chkAutoClose->setChecked(true);
    chkMakuStop = new QCheckBox(QStringLiteral("字幕表示一時停止"), this);
    chkMakuStop->setChecked(true);
    wscSystem = new PostExchange(this);

    const std::pair<QObject *, const char *> names[] = {
        {txtThread, "txtThread"},       {txtName, "txtName"},         {txtMail, "txtMail"},
        {txtMessage, "txtMessage"},     {cmdKakikomi, "cmdKakikomi"}, {cmdThread, "cmdThread"},
        {chkAutoClose, "chkAutoClose"}, {chkMakuStop, "chkMakuStop"}, {wscSystem, "wscSystem"},
    };
    for (const auto &[object, name] : names)
        object->setObjectName(QLatin1String(name));

    auto *fields = new QFormLayout;
    fields->addRow(QStringLiteral("スレタイ"), txtThread);
    fields->addRow(QStringLiteral("名前"), txtName);
    fields->addRow(QStringLiteral("メール"), txtMail);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdKakikomi);
    buttons->addWidget(cmdThread);
    auto *checks = new QHBoxLayout;
    checks->addWidget(chkAutoClose);
    checks->addWidget(chkMakuStop);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(txtMessage, 1);
    layout->addLayout(buttons);
    layout->addLayout(checks);
    resize(480, 360);

    connect(cmdKakikomi, &QPushButton::clicked, this, &frmPost::cmdKakikomi_Click);
    connect(cmdThread, &QPushButton::clicked, this, &frmPost::cmdThread_Click);
    connect(chkMakuStop, &QCheckBox::clicked, this, &frmPost::chkMakuStop_Click);
    connect(wscSystem, &PostExchange::statusChanged, this, &frmPost::statusChanged);
    connect(wscSystem, &PostExchange::finished, this, &frmPost::onFinished);

    // Loading the window holds the subtitles back.
    m_flags.MakuStop = true;
}

frmPost::~frmPost()
{
    Form_Unload();
}

void frmPost::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    if (m_flags.MakuStop) {
        m_flags.MakuStop = false;
        emit pauseReleased();
        emit pauseChanged();
    }
}

void frmPost::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // The message is what is typed first, on every opening.
    txtMessage->setFocus();
}

void frmPost::chkMakuStop_Click()
{
    m_flags.MakuStop = chkMakuStop->isChecked();
    if (!m_flags.MakuStop)
        emit pauseReleased();
    emit pauseChanged();
}

bool frmPost::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtMessage && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            (key->modifiers() & Qt::ShiftModifier)) {
            cmdKakikomi_Click();
            return true; // no line break
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmPost::cmdKakikomi_Click()
{
    m_threadFlag = false;
    Kakikomi();
}

void frmPost::cmdThread_Click()
{
    if (wscSystem->isRunning()) {
        post(true); // refused with its status text
        return;
    }
    auto *box = new QMessageBox(
        QMessageBox::Question, QStringLiteral("sazanami"),
        m_addressText() + QStringLiteral("\r\n") +
            QStringLiteral("このスレッドのある板に、新規スレッドを立てます") +
            QStringLiteral("\r\n") + QStringLiteral("本当に実行してよろしいですか？"),
        QMessageBox::Yes | QMessageBox::No, this);
    box->setObjectName(QStringLiteral("confirmThread"));
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [this, box] {
        if (box->standardButton(box->clickedButton()) == QMessageBox::Yes) {
            m_threadFlag = true;
            KakikomiThread();
        }
    });
    box->open();
}

void frmPost::Kakikomi()
{
    post(false);
}

void frmPost::KakikomiThread()
{
    post(true);
}

void frmPost::post(bool newThread)
{
    if (wscSystem->isRunning()) {
        emit statusChanged(QStringLiteral("書き込み中です。終わるまでお待ちください"));
        return;
    }
    txtMessage->setPlainText(
        TrimMessage(txtMessage->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n")))
            .replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    PostFields fields;
    fields.newThread = newThread;
    fields.subject = newThread ? txtThread->text() : QString();
    fields.name = txtName->text();
    fields.mail = txtMail->currentText();
    fields.message = txtMessage->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    cmdKakikomi->setEnabled(false);
    cmdThread->setEnabled(false);
    wscSystem->start(m_addressText(), fields, QDateTime::currentDateTimeUtc());
}

void frmPost::onFinished(const PostVerdict &verdict)
{
    cmdKakikomi->setEnabled(true);
    cmdThread->setEnabled(true);
    if (verdict.outcome != PostVerdict::Outcome::Written) {
        auto *box = new QMessageBox(QMessageBox::NoIcon, QStringLiteral("sazanami"),
                                    QStringLiteral("なんかエラー\r\n") + verdict.text,
                                    QMessageBox::Ok, this);
        box->setObjectName(QStringLiteral("postError"));
        box->setTextFormat(Qt::PlainText); // the board's error page, as written
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
        return;
    }
    if (m_threadFlag)
        emit threadListRequested();
    else
        emit reloadRequested();
    if (chkAutoClose->isChecked())
        close();
    else
        txtMessage->clear();
}
