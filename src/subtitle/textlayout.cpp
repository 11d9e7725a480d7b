#include "subtitle/textlayout.h"

#include "subtitle/commands.h"

#include <QFontMetrics>
#include <QRegularExpression>
#include <algorithm>

namespace {

// A frame beyond this would need a picture of hundreds of megabytes; such a size is treated
// like any other unusable text.

const QColor kNormalFrame(96, 96, 192);
const QColor kCommandFrame(192, 96, 96);
const QColor kIdleFrame(96, 192, 96);
const QColor kNameTagColour(255, 255, 255);

constexpr int kNameTagPoints = 9;

QColor colourOf(qint32 code)
{
    return QColor(code & 0xFF, (code >> 8) & 0xFF, (code >> 16) & 0xFF);
}

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

SubtitleLayout LayoutTextDraw(const TextDrawArgs &args, const Options &opt,
                              const TextDrawFlags &flags, QSize lastFrame)
{
    using namespace TextLayout;
    SubtitleLayout l;
    const bool normalMode = opt.MakuMode == 0;
    QString text = args.Text;

    // Normal mode ignores the viewers' command words.
    l.command = normalMode ? QString() : args.Command;

    if (const std::optional<QSize> size = ParseWakuSize(opt.WakuSize)) {
        l.frame = *size;
    } else {
        l.frame = lastFrame.isValid() && !lastFrame.isEmpty()
                      ? lastFrame
                      : QSize(kDefaultWidth, kDefaultHeight);
        l.frameFromSetting = false;
    }
    const int W = l.frame.width();
    const int H = l.frame.height();

    l.paintBackPicture = !opt.BackPictureFile.isEmpty();

    if (args.NoRes)
        l.frameColour = kIdleFrame;
    else
        l.frameColour = normalMode ? kNormalFrame : kCommandFrame;

    if (!isBlankCaption(text) && opt.Text2Clipboard == 1) {
        l.setClipboard = true;
        l.clipboardText = text;
    }

    if (!args.ID.isEmpty() && (flags.GameOpen || opt.TextIDView == 1))
        text += QStringLiteral(" [") + args.ID + QLatin1Char(']');

    if (!args.Number.isEmpty()) {
        const QString crlf = QStringLiteral("\r\n");
        if (opt.TextNumView == 1 && opt.TextNameView == 1)
            text = args.Number + QLatin1Char(' ') + args.Name + crlf + text;
        else if (opt.TextNumView == 1)
            text = args.Number + crlf + text;
        else if (opt.TextNameView == 1)
            text = QStringLiteral("名前：") + args.Name + crlf + text;
    }

    if (flags.DragPointView)
        l.dragMark = QRect(0, 0, 43, 10);
    else if (opt.TextMode == 0)
        l.dragMark = QRect(0, 0, 1, 1); // region mode: keeps the region from ever being empty

    l.drawFrame = opt.WakuView == 0;
    l.frameRect = QRect(0, 0, W, H);

    l.drawNameTag = flags.DragPointView;
    l.nameTag = NameTagText();
    l.nameTagAt = QPoint(1, 0);
    l.nameTagFont = SubtitleFont(kNameTagPoints, false);
    l.nameTagColour = kNameTagColour;

    if (opt.TextLimit > 0 && text.size() > opt.TextLimit)
        text = cutTo(text, opt.TextLimit) + LimitMark();

    int s = 0;
    if (!normalMode)
        s = CommandFontSize(l.command);
    if (s == 0)
        s = FontSizePoints(opt.FontSize);
    l.startPointSize = s;

    QFont font = SubtitleFont(s);
    QSize extent = MeasureText(text, font);
    if (!(normalMode && opt.FontResize == 1)) {
        while (extent.width() > W) {
            s -= 2;
            if (s < kMinPointSize) {
                s = kMinPointSize;
                font = SubtitleFont(s);
                extent = MeasureText(text, font);
                break;
            }
            font = SubtitleFont(s);
            extent = MeasureText(text, font);
        }
    }
    l.pointSize = s;
    l.font = font;
    l.textSize = extent;
    const QFontMetrics metrics(font);
    l.lineHeight = metrics.height();
    l.ascent = metrics.ascent();

    l.text = text;
    l.lines = SplitLines(text);
    l.multiLine = l.lines.size() > 1;

    l.colourCode = GetColorCode(l.command, opt.FontColorCode);
    l.outlineCode = GetFuchiColorCode(l.colourCode);
    l.textColour = colourOf(l.colourCode);
    l.outlineColour = colourOf(l.outlineCode);

    const int w = extent.width();
    const int h = extent.height();
    if (l.multiLine || normalMode)
        l.pos = QPoint(0, 5);
    else if (l.command.contains(QLatin1String("naka")))
        l.pos = QPoint(qRound((W - w) / 2.0), qRound((H - s) / 2.0));
    else if (l.command.contains(QLatin1String("shita")))
        l.pos = QPoint(qRound((W - w) / 2.0), H - h - 2);
    else
        l.pos = QPoint(qRound((W - w) / 2.0), 5);

    const int X = l.pos.x();
    const int Y = l.pos.y();
    switch (opt.FontDecorate) {
    case 1:
        if (s > 15) {
            l.decoration = FontDecoration::Shadow;
            l.copies = {QPoint(X + 1, Y + 1)};
            l.copiesEachLineAtX = false; // printed like the caption: later lines from x = 0
        }
        break;
    case 2:
        l.decoration = FontDecoration::PathOutline;
        l.penWidth = PathPenWidth(s);
        break;
    case 3: {
        l.decoration = FontDecoration::Copies;
        const int d = CopyDistance(s);
        l.copies = {QPoint(X + d, Y + d), QPoint(X + d, Y - d), QPoint(X - d, Y + d),
                    QPoint(X - d, Y - d)};
        if (d >= 2)
            l.copies += {QPoint(X + d, Y), QPoint(X - d, Y), QPoint(X, Y + d), QPoint(X, Y - d)};
        l.copiesEachLineAtX = true;
        break;
    }
    default:
        break;
    }
    return l;
}
