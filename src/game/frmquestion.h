#pragma once

#include <QPoint>
#include <QWidget>

class QLabel;
struct Program;

// 配信画面に映す用の「お題」: the clock and the hints for the broadcast picture. Topmost,
// dragged by its labels; it closes only with the game window.
class frmQuestion : public QWidget
{
    Q_OBJECT
public:
    explicit frmQuestion(Program &program, QWidget *parent = nullptr);

    // Topmost, left edge at the game window's, top 300 twips below its bottom edge.
    void Form_Load(const QRect &gameFrame);
    void setQuestionText(const QString &text);
    void setClock(int t);

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Program &m_program;
    QLabel *lblQuestion = nullptr;
    QLabel *lblTimeLimit = nullptr;
    QPoint m_pressOffset;
    bool m_dragging = false;
};
