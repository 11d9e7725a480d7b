#pragma once

#include <QWidget>
#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class PostExchange;
struct AppFlags;
struct PostVerdict;

// The post window: a reply to the thread in the main window's address bar, or a new thread on
// its board. It holds the subtitles back while it is open (when asked to).
class frmPost : public QWidget
{
    Q_OBJECT
public:
    // addressText: the main window's address bar, read afresh for every post.
    frmPost(AppFlags &flags, std::function<QString()> addressText, QWidget *parent = nullptr);
    ~frmPost() override;

    void cmdKakikomi_Click();
    void cmdThread_Click();
    void Kakikomi();
    void KakikomiThread();

signals:
    void statusChanged(const QString &text);
    void reloadRequested();
    void threadListRequested();
    // The pause ended: the next waiting subtitle may be shown.
    void pauseReleased();
    // MakuStop changed, either way.
    void pauseChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void post(bool newThread);
    void chkMakuStop_Click();
    void onFinished(const PostVerdict &verdict);
    void Form_Unload();

    QLineEdit *txtThread;
    QLineEdit *txtName;
    QComboBox *txtMail;
    QPlainTextEdit *txtMessage;
    QPushButton *cmdKakikomi;
    QPushButton *cmdThread;
    QCheckBox *chkAutoClose;
    QCheckBox *chkMakuStop;
    PostExchange *wscSystem;

    AppFlags &m_flags;
    std::function<QString()> m_addressText;
    bool m_threadFlag = false;
    bool m_unloaded = false;
};
