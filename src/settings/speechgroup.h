#pragma once

#include "settings/speechoptions.h"

#include <QGroupBox>
#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

// The settings dialog's group "読み上げ": the `Speech` options and a test button that reads a
// sample through the engine chosen (the dialog's caller supplies the reading).
class SpeechSettingsGroup : public QGroupBox
{
    Q_OBJECT
public:
    // Reads "テスト読み上げです" with `options` and calls `done` with a line saying how it went;
    // nothing outlives `context`.
    using TestHook = std::function<void(const SpeechOptions &options, QObject *context,
                                        const std::function<void(const QString &)> &done)>;

    explicit SpeechSettingsGroup(QWidget *parent = nullptr);

    void load(const SpeechOptions &options);
    // The options as shown; nullopt with a message and the field to correct when an address is
    // not one that may be used.
    std::optional<SpeechOptions> take(QString *refusal, QLineEdit **field) const;
    void setTestHook(TestHook hook) { m_test = std::move(hook); }

private:
    void test();

    QComboBox *m_engine;
    QLineEdit *m_voicevoxUrl;
    QSpinBox *m_voicevoxSpeaker;
    QLineEdit *m_bouyomiHost;
    QSpinBox *m_bouyomiPort;
    QSpinBox *m_volume;
    QSpinBox *m_rate;
    QCheckBox *m_readName;
    QSpinBox *m_maxChars;
    QSpinBox *m_backlog;
    QPushButton *m_testButton;
    QLabel *m_result;
    TestHook m_test;
};
