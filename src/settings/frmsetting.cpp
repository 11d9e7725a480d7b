#include "settings/frmsetting.h"

#include "platform/settingsstore.h"
#include "platform/windowops.h"
#include "settings/commandwords.h"
#include "settings/program.h"
#include "subtitle/textlayout.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <limits>

namespace {

QVector<QRadioButton *> addOptions(QWidget *parent, const QStringList &captions)
{
    QVector<QRadioButton *> buttons;
    auto *group = new QButtonGroup(parent);
    for (const QString &caption : captions) {
        auto *button = new QRadioButton(caption, parent);
        group->addButton(button, int(buttons.size()));
        buttons.append(button);
    }
    return buttons;
}

void selectOption(const QVector<QRadioButton *> &buttons, int index)
{
    if (index >= 0 && index < buttons.size())
        buttons[index]->setChecked(true);
}

// `target` becomes the index of the chosen button; with none chosen (a stored value that no
// button stands for) it stays as it was.
template<typename T> void takeOption(const QVector<QRadioButton *> &buttons, T &target)
{
    for (int i = 0; i < buttons.size(); ++i) {
        if (buttons[i]->isChecked()) {
            target = static_cast<T>(i);
            return;
        }
    }
}

qint16 checkValue(const QCheckBox *box)
{
    return box->isChecked() ? 1 : 0;
}

QWidget *row(QWidget *parent, const QVector<QRadioButton *> &buttons)
{
    auto *holder = new QWidget(parent);
    auto *layout = new QHBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QRadioButton *b : buttons) {
        b->setParent(holder);
        layout->addWidget(b);
    }
    layout->addStretch(1);
    return holder;
}

} // namespace

const QStringList &frmSetting::WakuSizes()
{
    static const QStringList sizes = {
        QStringLiteral("320x180"),  QStringLiteral("320x240"),  QStringLiteral("400x300"),
        QStringLiteral("480x360"),  QStringLiteral("512x384"),  QStringLiteral("640x480"),
        QStringLiteral("640x360"),  QStringLiteral("800x450"),  QStringLiteral("800x600"),
        QStringLiteral("1024x576"), QStringLiteral("1024x768"), QStringLiteral("1280x720"),
        QStringLiteral("1280x960"),
    };
    return sizes;
}

frmSetting::frmSetting(Program &program, QWidget *parent)
    : QWidget(parent, Qt::Dialog), m_program(program)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("設定"));
    m_message = [this](const QString &title, const QString &text) {
        QMessageBox::warning(this, title, text);
    };
    buildControls();
    CloseOnEscape(this, [this] { cmdCancel_Click(); });
    Form_Load();
}

void frmSetting::buildControls()
{
    // Frame "設定": mode, colour, size, speed, frame, keyword, limit, picture, switches.
    auto *settings = new QGroupBox(QStringLiteral("設定"), this);
    auto *grid = new QGridLayout(settings);
    int r = 0;
    addModeAndColour(settings, grid, r);
    addSizeAndSpeed(settings, grid, r);
    addTexts(settings, grid, r);
    addSwitches(settings, grid, r);
    grid->setColumnStretch(1, 1);
    // On pages, so the dialog fits a laptop's screen; made in the order Tab moves through them.
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("tabSetting"));
    addPage(QStringLiteral("字幕"), {settings});
    addPage(QStringLiteral("文字装飾・描画方式"), {decorationGroup(), textModeGroup()});
    addPage(QStringLiteral("配信・読み上げ"),
            {overlayGroup(), m_speech = new SpeechSettingsGroup(this), nextThreadGroup()});

    cmdOk = new QPushButton(QStringLiteral("OK"), this);
    cmdCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    layout->addLayout(buttons);

    connect(cmdOk, &QPushButton::clicked, this, [this] { cmdOk_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, &frmSetting::cmdCancel_Click);
}

void frmSetting::addPage(const QString &title, std::initializer_list<QWidget *> groups)
{
    auto *page = new QWidget(m_pages);
    auto *layout = new QVBoxLayout(page);
    for (QWidget *group : groups) {
        group->setParent(page);
        layout->addWidget(group);
    }
    layout->addStretch(1);
    m_pages->addTab(page, title);
}

void frmSetting::addModeAndColour(QWidget *settings, QGridLayout *grid, int &r)
{
    optMakuMode = addOptions(
        settings,
        {QStringLiteral("ノーマルモード（特定の箇所にレスを表示するのみ、コマンド無効）"),
         QStringLiteral(
             "マクマクモード（リスナーがメール欄コマンドで位置・色・サイズを変えられる）")});
    grid->addWidget(optMakuMode[0], r++, 0, 1, 2);
    grid->addWidget(optMakuMode[1], r++, 0, 1, 2);

    const QStringList &words = Commands::ColourWords();
    optColor = addOptions(settings, words);
    auto *colours = new QWidget(settings);
    auto *colourGrid = new QGridLayout(colours);
    colourGrid->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < optColor.size(); ++i) {
        QRadioButton *b = optColor[i];
        b->setParent(colours);
        // Each button shows its own colour, with a caption that stays readable on it.
        const QColor colour = TextLayout::ColourOf(GetColorCode(words[i], 0));
        QPalette palette = b->palette();
        palette.setColor(QPalette::Window, colour);
        palette.setColor(QPalette::Button, colour);
        const int luma = (299 * colour.red() + 587 * colour.green() + 114 * colour.blue()) / 1000;
        palette.setColor(QPalette::WindowText, luma >= 128 ? QColor(Qt::black) : QColor(Qt::white));
        b->setPalette(palette);
        b->setBackgroundRole(QPalette::Window);
        b->setAutoFillBackground(true);
        colourGrid->addWidget(b, i / 5, i % 5);
    }
    grid->addWidget(TextLabel(QStringLiteral("フォントカラー"), settings), r, 0);
    grid->addWidget(colours, r++, 1);
}

void frmSetting::addSizeAndSpeed(QWidget *settings, QGridLayout *grid, int &r)
{
    optSize = addOptions(settings, Commands::SizeWords());
    grid->addWidget(TextLabel(QStringLiteral("フォントサイズ"), settings), r, 0);
    grid->addWidget(row(settings, optSize), r++, 1);

    optSpeed = addOptions(settings,
                          {QStringLiteral("遅い"), QStringLiteral("遅め"), QStringLiteral("通常"),
                           QStringLiteral("早め"), QStringLiteral("早い")});
    grid->addWidget(TextLabel(QStringLiteral("字幕表示速度"), settings), r, 0);
    grid->addWidget(row(settings, optSpeed), r++, 1);
    auto *speedNote = TextLabel(
        QStringLiteral("マクキャッフィーでは、回答最速表示のため速度設定が無視されます。"),
        settings);
    speedNote->setWordWrap(true);
    grid->addWidget(speedNote, r++, 1);
}

// The frame size, the keyword, the limit and the background picture.
void frmSetting::addTexts(QWidget *settings, QGridLayout *grid, int &r)
{
    cmbWakuSize = new QComboBox(settings);
    cmbWakuSize->setEditable(true);
    cmbWakuSize->setInsertPolicy(QComboBox::NoInsert);
    cmbWakuSize->addItems(WakuSizes());
    chkWakuView = new QCheckBox(QStringLiteral("枠を非表示にする"), settings);
    auto *waku = new QWidget(settings);
    auto *wakuRow = new QHBoxLayout(waku);
    wakuRow->setContentsMargins(0, 0, 0, 0);
    wakuRow->addWidget(cmbWakuSize);
    wakuRow->addWidget(chkWakuView);
    wakuRow->addStretch(1);
    grid->addWidget(TextLabel(QStringLiteral("枠サイズ"), settings), r, 0);
    grid->addWidget(waku, r++, 1);

    txtKeyword = new QLineEdit(settings);
    grid->addWidget(TextLabel(QStringLiteral("キーワード"), settings), r, 0);
    grid->addWidget(txtKeyword, r++, 1);

    txtTextLimit = new QLineEdit(settings);
    grid->addWidget(TextLabel(QStringLiteral("文字数制限（0で無制限）"), settings), r, 0);
    grid->addWidget(txtTextLimit, r++, 1);

    cmbBackPicture = new QComboBox(settings);
    grid->addWidget(TextLabel(QStringLiteral("背景画像"), settings), r, 0);
    grid->addWidget(cmbBackPicture, r++, 1);
}

void frmSetting::addSwitches(QWidget *settings, QGridLayout *grid, int &r)
{
    chkFontResize = new QCheckBox(QStringLiteral("フォントサイズ自動調整を無効　"), settings);
    chkTextIDView = new QCheckBox(QStringLiteral("字幕にIDを表示する"), settings);
    chkText2Clipboard =
        new QCheckBox(QStringLiteral("字幕の文字列をクリップボードにコピーする"), settings);
    chkNum1000 = new QCheckBox(QStringLiteral("レス番が1000に到達したらお知らせする"), settings);
    chkTextNameView = new QCheckBox(QStringLiteral("字幕に名前を表示する"), settings);
    chkTextNumView = new QCheckBox(QStringLiteral("字幕にレス番を表示する"), settings);
    chkMakuFormTop = new QCheckBox(QStringLiteral("字幕表示時強制最前面表示"), settings);
    chkResumeThread = new QCheckBox(QStringLiteral("起動したら前回のスレをすぐ読み込む"), settings);
    auto *switches = new QWidget(settings);
    auto *switchGrid = new QGridLayout(switches);
    switchGrid->setContentsMargins(0, 0, 0, 0);
    QCheckBox *const boxes[] = {chkFontResize,  chkTextIDView,   chkText2Clipboard,
                                chkNum1000,     chkTextNameView, chkTextNumView,
                                chkMakuFormTop, chkResumeThread};
    int i = 0;
    for (QCheckBox *box : boxes) {
        switchGrid->addWidget(box, i / 2, i % 2);
        ++i;
    }
    grid->addWidget(switches, r++, 0, 1, 2);

    auto *explanation = TextLabel(
        QStringLiteral("ノーマルの場合は常に設定したフォントカラー、フォントサイズで表示されます。"
                       "マクマクモードの場合は、設定はコマンド無しの場合に使われます。"
                       "キーワードを設定すると、そのキーワードがメール欄に書かれているレスのみを"
                       "表示するようになります。"),
        settings);
    explanation->setWordWrap(true);
    grid->addWidget(explanation, r++, 0, 1, 2);
}

// Frame "文字装飾": how the text is set off from the picture.
QWidget *frmSetting::decorationGroup()
{
    auto *decorate = new QGroupBox(QStringLiteral("文字装飾"), this);
    auto *decorateLayout = new QVBoxLayout(decorate);
    optFontDecorate = addOptions(
        decorate,
        {QStringLiteral("無し"),
         QStringLiteral("影を付ける - 文字の右下に向かい影が表示されるようになる、とても軽い"),
         QStringLiteral("従来の方式で縁取りをする - 文字に縁取りをする、美しく縁取りされるが、"
                        "かなり重い"),
         QStringLiteral("新方式で縁取りをする - 文字に縁取りをする、見た目は従来の方式に若干劣るが"
                        "、とても軽い")});
    for (QRadioButton *b : optFontDecorate)
        decorateLayout->addWidget(b);
    chkFontFuchi = new QCheckBox(QStringLiteral("フォントに縁取りをする"), decorate);
    chkFontShadow = new QCheckBox(QStringLiteral("フォントに影を付ける"), decorate);
    auto *oldDecorate = new QHBoxLayout;
    oldDecorate->addWidget(chkFontFuchi);
    oldDecorate->addWidget(chkFontShadow);
    oldDecorate->addStretch(1);
    decorateLayout->addLayout(oldDecorate);
    return decorate;
}

// Frame "字幕描画方式": how the capture software sees the subtitle window.
QWidget *frmSetting::textModeGroup()
{
    auto *textMode = new QGroupBox(QStringLiteral("字幕描画方式"), this);
    auto *textModeLayout = new QVBoxLayout(textMode);
    optTextMode = addOptions(
        textMode, {QStringLiteral("従来の方式 - WMEで直接範囲指定取り込み可能だが重い"),
                   QStringLiteral("レイヤードウィンドウ使用 - SCFHでレイヤードウィンドウを取り込ま"
                                  "ないと表示されないが軽い")});
    for (QRadioButton *b : optTextMode)
        textModeLayout->addWidget(b);
    return textMode;
}

// Frame "配信用サーバー": the pages for a streaming program's browser source.
QWidget *frmSetting::overlayGroup()
{
    auto *overlay = new QGroupBox(QStringLiteral("配信用サーバー（ブラウザソース）"), this);
    auto *overlayRow = new QHBoxLayout;
    chkOverlay = new QCheckBox(QStringLiteral("使う"), overlay);
    txtOverlayPort = new QLineEdit(overlay);
    txtOverlayPort->setMaximumWidth(80);
    chkOverlayLan =
        new QCheckBox(QStringLiteral("LAN（他のパソコンから合言葉付きで接続）"), overlay);
    overlayRow->addWidget(chkOverlay);
    overlayRow->addWidget(TextLabel(QStringLiteral("ポート"), overlay));
    overlayRow->addWidget(txtOverlayPort);
    overlayRow->addWidget(chkOverlayLan);
    overlayRow->addStretch(1);
    // The flowing comments' page: seconds to cross it, comments on it at once.
    txtFlowSeconds = new QSpinBox(overlay);
    txtFlowSeconds->setRange(1, kMaxFlowSeconds);
    txtFlowSeconds->setSuffix(QStringLiteral(" 秒"));
    txtFlowMax = new QSpinBox(overlay);
    txtFlowMax->setRange(1, kMaxFlowComments);
    auto *flowRow = new QHBoxLayout;
    flowRow->addWidget(TextLabel(QStringLiteral("流れるコメント: 画面を横切る時間"), overlay));
    flowRow->addWidget(txtFlowSeconds);
    flowRow->addWidget(TextLabel(QStringLiteral("同時に表示する数（最大）"), overlay));
    flowRow->addWidget(txtFlowMax);
    flowRow->addStretch(1);
    auto *rows = new QVBoxLayout(overlay);
    rows->addLayout(overlayRow);
    rows->addLayout(flowRow);
    return overlay;
}

// Frame "次スレ": what happens when the thread ends and its next thread is found.
QWidget *frmSetting::nextThreadGroup()
{
    auto *nextThread = new QGroupBox(QStringLiteral("次スレ（スレッドが終わったとき）"), this);
    auto *nextThreadRow = new QHBoxLayout(nextThread);
    optNextThread = addOptions(nextThread, {QStringLiteral("ステータスバーに表示するだけ"),
                                            QStringLiteral("移動するか確認する"),
                                            QStringLiteral("自動で移動する")});
    for (QRadioButton *b : optNextThread)
        nextThreadRow->addWidget(b);
    nextThreadRow->addStretch(1);
    return nextThread;
}

void frmSetting::Form_Load()
{
    const Options &o = m_program.opt;
    selectOption(optMakuMode, o.MakuMode);
    selectOption(optColor, o.FontColor);
    selectOption(optSize, o.FontSize);
    selectOption(optSpeed, o.Speed);
    selectOption(optTextMode, o.TextMode);
    selectOption(optFontDecorate, o.FontDecorate);
    selectOption(optNextThread, o.NextThread);

    chkWakuView->setChecked(o.WakuView != 0);
    chkFontResize->setChecked(o.FontResize != 0);
    chkFontFuchi->setChecked(o.FontFuchi != 0);
    chkFontShadow->setChecked(o.FontShadow != 0);
    chkTextIDView->setChecked(o.TextIDView != 0);
    chkText2Clipboard->setChecked(o.Text2Clipboard != 0);
    chkNum1000->setChecked(o.Num1000 != 0);
    chkTextNameView->setChecked(o.TextNameView != 0);
    chkTextNumView->setChecked(o.TextNumView != 0);
    chkMakuFormTop->setChecked(o.MakuFormTop != 0);
    chkResumeThread->setChecked(o.ResumeThread != 0);
    chkOverlay->setChecked(o.Overlay != 0);
    chkOverlayLan->setChecked(o.OverlayLAN != 0);
    txtOverlayPort->setText(QString::number(o.OverlayPort));
    txtFlowSeconds->setValue(o.FlowSeconds);
    txtFlowMax->setValue(o.FlowMax);
    m_speech->load(m_program.speech);

    const int size = cmbWakuSize->findText(o.WakuSize);
    if (size >= 0)
        cmbWakuSize->setCurrentIndex(size);
    else
        cmbWakuSize->setEditText(o.WakuSize);
    txtKeyword->setText(o.Keyword);
    txtTextLimit->setText(QString::number(o.TextLimit));

    cmbBackPicture->addItem(QString());
    const QStringList pictures =
        QDir(m_program.AppPath).entryList({QStringLiteral("*.bmp")}, QDir::Files, QDir::Name);
    cmbBackPicture->addItems(pictures);
    // A picture that is no longer there leaves the empty item chosen.
    cmbBackPicture->setCurrentIndex(
        o.BackPictureFile.isEmpty() ? 0 : std::max(0, cmbBackPicture->findText(o.BackPictureFile)));
}

void frmSetting::refuse(QLineEdit *field, const QString &text)
{
    if (m_message)
        m_message(QStringLiteral("設定"), text);
    // The field to correct is shown, whichever page was in front.
    for (QWidget *w = field; w; w = w->parentWidget()) {
        if (m_pages->indexOf(w) >= 0)
            m_pages->setCurrentWidget(w);
    }
    field->setFocus();
    field->selectAll();
}

bool frmSetting::cmdOk_Click()
{
    // Check the typed texts first, so a refused OK changes nothing. Full-width digits and "ｘ"
    // typed through an input method count as their plain forms.
    const QString limitText =
        txtTextLimit->text().normalized(QString::NormalizationForm_KC).trimmed();
    static const QRegularExpression wholeNumber(QStringLiteral("^[+-]?[0-9]+$"));
    bool limitOk = wholeNumber.match(limitText).hasMatch();
    const qint64 limit = limitOk ? limitText.toLongLong(&limitOk) : 0;
    if (!limitOk || limit < std::numeric_limits<qint16>::min() ||
        limit > std::numeric_limits<qint16>::max()) {
        refuse(txtTextLimit, QStringLiteral("文字数制限には -32768 から 32767 までの整数を入力して"
                                            "ください（0で無制限）。"));
        return false;
    }

    const QString waku =
        cmbWakuSize->currentText().normalized(QString::NormalizationForm_KC).trimmed();
    if (!ParseWakuSize(waku)) {
        refuse(cmbWakuSize->lineEdit(),
               QStringLiteral("枠サイズには「幅x高さ」の形で 1 から %1 までの整数を入力して"
                              "ください（例: 640x480）。")
                   .arg(kMaxWakuSide));
        return false;
    }

    const int port = ParseOverlayPort(txtOverlayPort->text());
    if (!port) {
        refuse(txtOverlayPort, QStringLiteral("配信用サーバーのポートには 1024 から 65535 までの"
                                              "整数を入力してください。"));
        return false;
    }

    QString speechRefusal;
    QLineEdit *speechField = nullptr;
    const std::optional<SpeechOptions> speech = m_speech->take(&speechRefusal, &speechField);
    if (!speech) {
        refuse(speechField, speechRefusal);
        return false;
    }

    Options &o = m_program.opt;
    takeOption(optMakuMode, o.MakuMode);
    for (int i = 0; i < optColor.size(); ++i) {
        if (optColor[i]->isChecked()) {
            o.FontColor = qint16(i);
            o.FontColorCode = GetColorCode(Commands::ColourWords()[i], o.FontColorCode);
        }
    }
    takeOption(optSize, o.FontSize);
    takeOption(optSpeed, o.Speed);
    takeOption(optTextMode, o.TextMode);
    takeOption(optFontDecorate, o.FontDecorate);
    takeOption(optNextThread, o.NextThread);

    o.WakuView = checkValue(chkWakuView);
    o.FontResize = checkValue(chkFontResize);
    o.FontFuchi = checkValue(chkFontFuchi);
    o.FontShadow = checkValue(chkFontShadow);
    o.TextIDView = checkValue(chkTextIDView);
    o.Text2Clipboard = checkValue(chkText2Clipboard);
    o.Num1000 = checkValue(chkNum1000);
    o.TextNameView = checkValue(chkTextNameView);
    o.TextNumView = checkValue(chkTextNumView);
    o.MakuFormTop = checkValue(chkMakuFormTop);
    o.ResumeThread = checkValue(chkResumeThread);
    o.Overlay = checkValue(chkOverlay);
    o.OverlayLAN = checkValue(chkOverlayLan);
    o.OverlayPort = port;
    o.FlowSeconds = qint16(txtFlowSeconds->value());
    o.FlowMax = qint16(txtFlowMax->value());

    o.WakuSize = waku;
    o.Keyword = txtKeyword->text();
    o.TextLimit = static_cast<qint16>(limit);
    o.BackPictureFile = cmbBackPicture->currentText();

    m_program.speech = *speech;
    if (m_program.store) {
        SaveSpeechOptions(*m_program.store, *speech);
        SaveSettings(*m_program.store, o);
    }
    if (m_loadBackPicture)
        m_loadBackPicture();
    close();
    return true;
}

void frmSetting::cmdCancel_Click()
{
    close();
}

void frmSetting::closeEvent(QCloseEvent *event)
{
    event->accept();
    if (m_closed)
        return;
    m_closed = true;
    emit closed(m_reopenMakuView);
}
