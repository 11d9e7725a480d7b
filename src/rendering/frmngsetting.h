#pragma once

#include "rendering/ngrules.h"

#include <QWidget>
#include <array>
#include <functional>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// "NG設定": the NG rules by ID, name and pattern, one list each, to look at and remove, and a
// field for a new pattern that says at once how many posts of the current thread it hides.
// Not modal; deletes itself on close.
class frmNgSetting : public QWidget
{
    Q_OBJECT
public:
    // Adds a pattern and applies it, as every new rule is applied.
    using AddPattern = std::function<NgRules::Outcome(const QString &pattern)>;
    // shownMessages gives the messages (HTML) of the current thread's posts that are not hidden.
    frmNgSetting(NgRules &rules, AddPattern addPattern, std::function<QStringList()> shownMessages,
                 QWidget *parent = nullptr);

    // Fills the lists again from the rules.
    void refresh();
    // Shows why the last change was refused or not saved ("" clears it).
    void setMessage(const QString &text);

    // The whole check against the current thread, however many posts it has.
    static constexpr qint64 kCheckMilliseconds = 200;

private:
    void checkPattern();
    void addPattern();
    void removeSelected(NgRules::Kind kind);

    NgRules &m_rules;
    AddPattern m_addPattern;
    std::function<QStringList()> m_shownMessages;
    std::array<QListWidget *, 3> m_lists{};
    QLineEdit *txtPattern = nullptr;
    QPushButton *cmdAddPattern = nullptr;
    QLabel *lblCheck = nullptr;
    QLabel *lblMessage = nullptr;
};
