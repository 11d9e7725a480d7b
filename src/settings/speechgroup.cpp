#include "settings/speechgroup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace {

QSpinBox *spinBox(QWidget *parent, const char *key, const char *objectName)
{
    auto *box = new QSpinBox(parent);
    const SpeechRange &range = SpeechRangeOf(key);
    box->setRange(range.min, range.max);
    box->setObjectName(QLatin1String(objectName));
    return box;
}

} // namespace

SpeechSettingsGroup::SpeechSettingsGroup(QWidget *parent)
    : QGroupBox(QStringLiteral("読み上げ"), parent)
{
    m_engine = new QComboBox(this);
    m_engine->setObjectName(QStringLiteral("cmbSpeechEngine"));
    m_engine->addItems({QStringLiteral("読み上げない"), QStringLiteral("システムの音声"),
                        QStringLiteral("VOICEVOX"), QStringLiteral("棒読みちゃん")});
    m_voicevoxUrl = new QLineEdit(this);
    m_voicevoxUrl->setObjectName(QStringLiteral("txtVoicevoxUrl"));
    m_voicevoxSpeaker = spinBox(this, "VoicevoxSpeaker", "spnVoicevoxSpeaker");
    m_bouyomiHost = new QLineEdit(this);
    m_bouyomiHost->setObjectName(QStringLiteral("txtBouyomiHost"));
    m_bouyomiPort = spinBox(this, "BouyomiPort", "spnBouyomiPort");
    m_volume = spinBox(this, "Volume", "spnSpeechVolume");
    m_rate = spinBox(this, "Rate", "spnSpeechRate");
    m_readName = new QCheckBox(QStringLiteral("名前も読み上げる"), this);
    m_readName->setObjectName(QStringLiteral("chkReadName"));
    m_maxChars = spinBox(this, "MaxChars", "spnMaxChars");
    m_backlog = spinBox(this, "Backlog", "spnBacklog");
    m_testButton = new QPushButton(QStringLiteral("テスト"), this);
    m_testButton->setObjectName(QStringLiteral("cmdSpeechTest"));
    m_result = new QLabel(this);
    m_result->setObjectName(QStringLiteral("lblSpeechResult"));
    // Engines' messages name addresses the user typed: never rich text.
    m_result->setTextFormat(Qt::PlainText);
    m_result->setWordWrap(true);

    auto *grid = new QGridLayout(this);
    auto pair = [this](QWidget *a, const QString &caption, QWidget *b) {
        auto *holder = new QWidget(this);
        auto *row = new QHBoxLayout(holder);
        row->setContentsMargins(0, 0, 0, 0);
        row->addWidget(a, 1);
        row->addWidget(new QLabel(caption, holder));
        row->addWidget(b);
        return holder;
    };
    int r = 0;
    grid->addWidget(new QLabel(QStringLiteral("読み上げ方"), this), r, 0);
    grid->addWidget(pair(m_engine, QString(), m_readName), r++, 1);
    grid->addWidget(new QLabel(QStringLiteral("VOICEVOXのURL"), this), r, 0);
    grid->addWidget(pair(m_voicevoxUrl, QStringLiteral("話者"), m_voicevoxSpeaker), r++, 1);
    grid->addWidget(new QLabel(QStringLiteral("棒読みちゃんのホスト"), this), r, 0);
    grid->addWidget(pair(m_bouyomiHost, QStringLiteral("ポート"), m_bouyomiPort), r++, 1);
    auto *numbers = new QWidget(this);
    auto *numberRow = new QHBoxLayout(numbers);
    numberRow->setContentsMargins(0, 0, 0, 0);
    for (const auto &[caption, box] : {std::pair{QStringLiteral("音量"), m_volume},
                                       {QStringLiteral("速さ"), m_rate},
                                       {QStringLiteral("最大文字数"), m_maxChars},
                                       {QStringLiteral("待ちの上限"), m_backlog}}) {
        numberRow->addWidget(new QLabel(caption, numbers));
        numberRow->addWidget(box);
    }
    numberRow->addStretch(1);
    grid->addWidget(numbers, r++, 0, 1, 2);
    grid->addWidget(pair(m_result, QString(), m_testButton), r++, 0, 1, 2);
    grid->setColumnStretch(1, 1);

    connect(m_testButton, &QPushButton::clicked, this, &SpeechSettingsGroup::test);
}

void SpeechSettingsGroup::load(const SpeechOptions &o)
{
    m_engine->setCurrentIndex(qBound(0, int(o.Engine), m_engine->count() - 1));
    m_voicevoxUrl->setText(o.VoicevoxUrl);
    m_voicevoxSpeaker->setValue(o.VoicevoxSpeaker);
    m_bouyomiHost->setText(o.BouyomiHost);
    m_bouyomiPort->setValue(o.BouyomiPort);
    m_volume->setValue(o.Volume);
    m_rate->setValue(o.Rate);
    m_readName->setChecked(o.ReadName == 1);
    m_maxChars->setValue(o.MaxChars);
    m_backlog->setValue(o.Backlog);
}

std::optional<SpeechOptions> SpeechSettingsGroup::take(QString *refusal, QLineEdit **field) const
{
    SpeechOptions o;
    o.VoicevoxUrl = m_voicevoxUrl->text().trimmed();
    o.BouyomiHost = m_bouyomiHost->text().trimmed();
    if (!ParseVoicevoxUrl(o.VoicevoxUrl)) {
        *refusal = QStringLiteral("VOICEVOXのURLには、このパソコンかLAN内のhttpのアドレスを入力して"
                                  "ください（例: http://127.0.0.1:50021）。");
        *field = m_voicevoxUrl;
        return std::nullopt;
    }
    if (!IsLocalSpeechHost(o.BouyomiHost)) {
        *refusal = QStringLiteral("棒読みちゃんのホストには、このパソコンかLAN内のIPアドレスを"
                                  "入力してください（例: 127.0.0.1）。");
        *field = m_bouyomiHost;
        return std::nullopt;
    }
    o.Engine = qint16(m_engine->currentIndex());
    o.VoicevoxSpeaker = m_voicevoxSpeaker->value();
    o.BouyomiPort = m_bouyomiPort->value();
    o.Volume = qint16(m_volume->value());
    o.Rate = qint16(m_rate->value());
    o.ReadName = m_readName->isChecked() ? 1 : 0;
    o.MaxChars = qint16(m_maxChars->value());
    o.Backlog = qint16(m_backlog->value());
    return o;
}

void SpeechSettingsGroup::test()
{
    QString refusal;
    QLineEdit *field = nullptr;
    const std::optional<SpeechOptions> options = take(&refusal, &field);
    if (!options) {
        m_result->setText(refusal);
        return;
    }
    if (!m_test)
        return;
    m_result->setText(QStringLiteral("読み上げています…"));
    m_test(*options, this, [this](const QString &result) { m_result->setText(result); });
}
