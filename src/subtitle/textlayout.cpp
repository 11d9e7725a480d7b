#include "subtitle/textlayout.h"

#include "settings/commandwords.h"

#include <QFontMetrics>
#include <QRegularExpression>
#include <algorithm>

namespace {

const QColor kNormalFrame(96, 96, 192);
const QColor kCommandFrame(192, 96, 96);
const QColor kIdleFrame(96, 192, 96);
const QColor kNameTagColour(255, 255, 255);

constexpr int kNameTagPoints = 9;

bool isBlankCaption(const QString &text)
{
    return text.isEmpty() || text == QLatin1String(" ") || text == QStringLiteral("　");
}

// The first `limit` characters, without leaving half of a surrogate pair at the end.
QString cutTo(const QString &text, int limit)
{
    QString cut = text.left(limit);
    if (!cut.isEmpty() && cut.back().isHighSurrogate())
        cut.chop(1);
    return cut;
}

} // namespace

namespace TextLayout {

QColor ColourOf(qint32 code)
{
    return QColor(code & 0xFF, (code >> 8) & 0xFF, (code >> 16) & 0xFF);
}

int PathPenWidth(int points)
{
    if (points > 40)
        return points / 6;
    if (points > 20)
        return points / 4;
    return points / 3;
}

int CopyDistance(int points)
{
    if (points >= 40)
        return 3;
    if (points >= 20)
        return 2;
    return 1;
}

int PointsToPixels(int points)
{
    return qRound(points * 4.0 / 3.0);
}

QFont SubtitleFont(int points, bool bold)
{
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"),
                      QStringLiteral("Noto Sans CJK JP")});
    font.setPixelSize(std::max(1, PointsToPixels(points)));
    font.setBold(bold);
    // The same picture on every desktop: no hinting from the desktop's settings, no colour
    // fringes, no kerning (the text extents must match what is printed line by line).
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(
        QFont::StyleStrategy(QFont::PreferAntialias | QFont::NoSubpixelAntialias));
    font.setKerning(false);
    return font;
}

QStringList SplitLines(const QString &text)
{
    static const QRegularExpression breaks(QStringLiteral("\r\n|\r|\n"));
    return text.split(breaks);
}

QSize MeasureText(const QString &text, const QFont &font)
{
    const QFontMetrics metrics(font);
    const QStringList lines = SplitLines(text);
    int width = 0;
    for (const QString &line : lines)
        width = std::max(width, metrics.horizontalAdvance(line));
    return QSize(width, metrics.height() * int(lines.size()));
}

Decoration DecorationOf(int fontDecorate, int points)
{
    Decoration d;
    switch (fontDecorate) {
    case 1:
        if (points > 15) {
            d.kind = FontDecoration::Shadow;
            d.offsets = {QPoint(1, 1)};
        }
        break;
    case 2:
        d.kind = FontDecoration::PathOutline;
        d.penWidth = PathPenWidth(points);
        break;
    case 3: {
        d.kind = FontDecoration::Copies;
        const int c = CopyDistance(points);
        d.offsets = {QPoint(c, c), QPoint(c, -c), QPoint(-c, c), QPoint(-c, -c)};
        if (c >= 2)
            d.offsets += {QPoint(c, 0), QPoint(-c, 0), QPoint(0, c), QPoint(0, -c)};
        break;
    }
    default:
        break;
    }
    return d;
}

const QString &LimitMark()
{
    static const QString mark = QStringLiteral("[文字数制限]");
    return mark;
}

const QString &NameTagText()
{
    static const QString tag = QStringLiteral("sazanami");
    return tag;
}

} // namespace TextLayout

namespace {

// The frame: its size, background picture and colour.
void layOutFrame(SubtitleLayout &l, const Options &opt, bool normalMode, bool idle, QSize lastFrame)
{
    if (const std::optional<QSize> size = ParseWakuSize(opt.WakuSize)) {
        l.frame = *size;
    } else {
        l.frame = lastFrame.isValid() && !lastFrame.isEmpty() ? lastFrame : kDefaultWaku;
        l.frameFromSetting = false;
    }
    l.paintBackPicture = !opt.BackPictureFile.isEmpty();
    if (idle)
        l.frameColour = kIdleFrame;
    else
        l.frameColour = normalMode ? kNormalFrame : kCommandFrame;
}

// The drag mark, the frame's outline and the name tag.
void layOutMarks(SubtitleLayout &l, const Options &opt, const TextDrawFlags &flags)
{
    using namespace TextLayout;
    if (flags.DragPointView)
        l.dragMark = QRect(0, 0, 43, 10);
    else if (opt.TextMode == 0)
        l.dragMark = QRect(0, 0, 1, 1); // region mode: keeps the region from ever being empty

    l.drawFrame = opt.WakuView == 0;
    l.frameRect = QRect(QPoint(0, 0), l.frame);

    l.drawNameTag = flags.DragPointView;
    l.nameTag = NameTagText();
    l.nameTagAt = QPoint(1, 0);
    l.nameTagFont = SubtitleFont(kNameTagPoints, false);
    l.nameTagColour = kNameTagColour;
}

// The caption: the text with the ID, the number and name line, cut at the limit.
QString captionOf(const MakuEntry &entry, const QString &text, const Options &opt,
                  const TextDrawFlags &flags)
{
    QString caption = text;
    if (!entry.id.isEmpty() && (flags.GameOpen || opt.TextIDView == 1))
        caption += QStringLiteral(" [") + entry.id + QLatin1Char(']');

    if (!entry.number.isEmpty()) {
        const QString crlf = QStringLiteral("\r\n");
        if (opt.TextNumView == 1 && opt.TextNameView == 1)
            caption = entry.number + QLatin1Char(' ') + entry.name + crlf + caption;
        else if (opt.TextNumView == 1)
            caption = entry.number + crlf + caption;
        else if (opt.TextNameView == 1)
            caption = QStringLiteral("名前：") + entry.name + crlf + caption;
    }

    if (opt.TextLimit > 0 && caption.size() > opt.TextLimit)
        caption = cutTo(caption, opt.TextLimit) + TextLayout::LimitMark();
    return caption;
}

// The size in points, shrunk until the caption fits the frame's width, and its measures.
void fitCaption(SubtitleLayout &l, const Options &opt, bool normalMode)
{
    using namespace TextLayout;
    int s = 0;
    if (!normalMode)
        s = CommandFontSize(l.command);
    if (s == 0)
        s = FontSizePoints(opt.FontSize);
    l.startPointSize = s;

    QFont font = SubtitleFont(s);
    QSize extent = MeasureText(l.text, font);
    if (!(normalMode && opt.FontResize == 1)) {
        while (extent.width() > l.frame.width()) {
            s -= 2;
            if (s < kMinPointSize) {
                s = kMinPointSize;
                font = SubtitleFont(s);
                extent = MeasureText(l.text, font);
                break;
            }
            font = SubtitleFont(s);
            extent = MeasureText(l.text, font);
        }
    }
    l.pointSize = s;
    l.font = font;
    l.textSize = extent;
    const QFontMetrics metrics(font);
    l.lineHeight = metrics.height();
    l.ascent = metrics.ascent();
}

// Where the caption's first line starts: top, middle ("naka") or bottom ("shita").
QPoint captionPosition(const SubtitleLayout &l, bool normalMode)
{
    const int W = l.frame.width();
    const int H = l.frame.height();
    const int w = l.textSize.width();
    const int h = l.textSize.height();
    if (l.multiLine || normalMode)
        return QPoint(0, 5);
    switch (CommandPlaceOf(l.command)) {
    case CommandPlace::Middle:
        return QPoint(qRound((W - w) / 2.0), qRound((H - l.pointSize) / 2.0));
    case CommandPlace::Bottom:
        return QPoint(qRound((W - w) / 2.0), H - h - 2);
    default:
        return QPoint(qRound((W - w) / 2.0), 5);
    }
}

// The shadow or outline drawn before the caption.
void decorate(SubtitleLayout &l, const Options &opt)
{
    const TextLayout::Decoration d = TextLayout::DecorationOf(opt.FontDecorate, l.pointSize);
    l.decoration = d.kind;
    l.penWidth = d.penWidth;
    for (const QPoint &offset : d.offsets)
        l.copies.append(l.pos + offset);
    // The shadow is printed like the caption: later lines from x = 0.
    l.copiesEachLineAtX = d.kind != FontDecoration::Shadow;
}

} // namespace

SubtitleLayout LayoutTextDraw(const MakuEntry &entry, const Options &opt,
                              const TextDrawFlags &flags, QSize lastFrame)
{
    SubtitleLayout l;
    // Normal mode ignores the viewers' command words; the idle text's own draw obeys its own.
    const bool normalMode =
        opt.MakuMode == 0 && !(entry.commandWordsAlways && !entry.command.isEmpty());
    const QString text = entry.text();
    l.command = normalMode ? QString() : entry.command;

    layOutFrame(l, opt, normalMode, entry.isIdleText(), lastFrame);
    if (!isBlankCaption(text) && opt.Text2Clipboard == 1) {
        l.setClipboard = true;
        l.clipboardText = text;
    }
    layOutMarks(l, opt, flags);

    l.text = captionOf(entry, text, opt, flags);
    l.lines = TextLayout::SplitLines(l.text);
    l.multiLine = l.lines.size() > 1;
    fitCaption(l, opt, normalMode);

    l.colourCode = GetColorCode(l.command, opt.FontColorCode);
    l.outlineCode = GetFuchiColorCode(l.colourCode);
    l.textColour = TextLayout::ColourOf(l.colourCode);
    l.outlineColour = TextLayout::ColourOf(l.outlineCode);

    l.pos = captionPosition(l, normalMode);
    decorate(l, opt);
    return l;
}
