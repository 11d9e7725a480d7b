#pragma once

#include "subtitle/makuentry.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
struct Program;

// The idle-text dialog: a standing text and its command words, shown on the subtitle window
// whenever the queue runs dry while this dialog is open. Not modal; deletes itself on close.
class frmNoResText : public QWidget
{
    Q_OBJECT
public:
    explicit frmNoResText(Program &program, QWidget *parent = nullptr);
    ~frmNoResText() override;

    void setTextDraw(TextDrawHook draw) { m_draw = std::move(draw); }

    // What the controls hold now, saved or not: the pacing step and the subtitle window's
    // Space key draw with these.
    QString text() const;
    QString command() const;
    IdleText idleText() const { return {text(), command()}; }

    void LoadNoResText();
    void cmdView_Click();

    QLineEdit *txtText = nullptr;
    QComboBox *cmbCommand = nullptr;
    QPushButton *cmdView = nullptr;
    QLabel *lblNote = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Unload();

    Program &m_program;
    TextDrawHook m_draw;
    bool m_unloaded = false;
};
