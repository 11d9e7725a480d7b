#pragma once

#include "settings/speechgroup.h"

#include <QVector>
#include <QWidget>
#include <functional>
#include <initializer_list>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
struct Program;

// The settings dialog: edits the options in place on OK and saves them. Not modal; deletes
// itself on close. The main window closes an open subtitle window before showing it and
// reopens it when closed() says so, so a new frame size and mode take effect at once.
class frmSetting : public QWidget
{
    Q_OBJECT
public:
    // Shows a refusal to the user: title and text.
    using MessageHook = std::function<void(const QString &title, const QString &text)>;

    explicit frmSetting(Program &program, QWidget *parent = nullptr);

    // Whether the subtitle window was open when the dialog was opened.
    void setReopenMakuView(bool reopen) { m_reopenMakuView = reopen; }
    bool reopenMakuView() const { return m_reopenMakuView; }
    // Called after OK saved the options: the subtitle window's LoadBackPicture.
    void setLoadBackPicture(std::function<void()> load) { m_loadBackPicture = std::move(load); }
    // Reads the test sentence of the group "読み上げ".
    void setSpeechTest(SpeechSettingsGroup::TestHook hook)
    {
        m_speech->setTestHook(std::move(hook));
    }
    // Replaces the message box (tests record the refusal instead).
    void setMessageHook(MessageHook hook) { m_message = std::move(hook); }

    // Copies every control back, saves, reloads the background picture and closes; a text
    // that cannot be used is refused with a message and the dialog stays open. False then.
    bool cmdOk_Click();
    void cmdCancel_Click();

    // Option-button groups: the button at index i stands for the stored value i.
    QVector<QRadioButton *> optMakuMode;
    QVector<QRadioButton *> optColor;
    QVector<QRadioButton *> optSize;
    QVector<QRadioButton *> optSpeed;
    QVector<QRadioButton *> optTextMode;
    QVector<QRadioButton *> optFontDecorate;
    QVector<QRadioButton *> optNextThread;

    QCheckBox *chkWakuView = nullptr;
    QCheckBox *chkFontResize = nullptr;
    QCheckBox *chkFontFuchi = nullptr;
    QCheckBox *chkFontShadow = nullptr;
    QCheckBox *chkTextIDView = nullptr;
    QCheckBox *chkText2Clipboard = nullptr;
    QCheckBox *chkNum1000 = nullptr;
    QCheckBox *chkTextNameView = nullptr;
    QCheckBox *chkTextNumView = nullptr;
    QCheckBox *chkMakuFormTop = nullptr;
    QCheckBox *chkResumeThread = nullptr;
    QCheckBox *chkOverlay = nullptr;
    QCheckBox *chkOverlayLan = nullptr;

    QComboBox *cmbWakuSize = nullptr;
    QLineEdit *txtKeyword = nullptr;
    QLineEdit *txtTextLimit = nullptr;
    QComboBox *cmbBackPicture = nullptr;
    QLineEdit *txtOverlayPort = nullptr;
    QSpinBox *txtFlowSeconds = nullptr;
    QSpinBox *txtFlowMax = nullptr;

    QPushButton *cmdOk = nullptr;
    QPushButton *cmdCancel = nullptr;

    // The 13 frame sizes offered by cmbWakuSize.
    static const QStringList &WakuSizes();

signals:
    // The dialog closed, by OK, Cancel or its close box.
    void closed(bool reopenMakuView);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    // A page of the dialog holding `groups` top-down.
    void addPage(const QString &title, std::initializer_list<QWidget *> groups);
    void addModeAndColour(QWidget *settings, QGridLayout *grid, int &r);
    void addSizeAndSpeed(QWidget *settings, QGridLayout *grid, int &r);
    void addTexts(QWidget *settings, QGridLayout *grid, int &r);
    void addSwitches(QWidget *settings, QGridLayout *grid, int &r);
    QWidget *decorationGroup();
    QWidget *textModeGroup();
    QWidget *overlayGroup();
    QWidget *nextThreadGroup();
    void Form_Load();
    void refuse(QLineEdit *field, const QString &text);

    Program &m_program;
    bool m_reopenMakuView = false;
    bool m_closed = false;
    std::function<void()> m_loadBackPicture;
    MessageHook m_message;
    QTabWidget *m_pages = nullptr;
    SpeechSettingsGroup *m_speech = nullptr;
};
