#include "subtitle/flowcomment.h"

#include "settings/commandwords.h"
#include "subtitle/textlayout.h"

std::optional<FlowComment> FlowCommentOf(const MakuEntry &entry, const Options &opt)
{
    if (entry.kind != MakuEntry::Kind::Post && entry.kind != MakuEntry::Kind::Notice)
        return std::nullopt;
    FlowComment c;
    c.text = TextLayout::SplitLines(entry.text()).join(QLatin1Char('\n'));
    if (c.text.trimmed().isEmpty())
        return std::nullopt;
    // As on the subtitle: normal mode ignores the viewers' command words.
    const QString command = opt.MakuMode == 0 ? QString() : entry.command;
    switch (CommandPlaceOf(command)) {
    case CommandPlace::Top:
        c.place = FlowComment::Place::Top;
        break;
    case CommandPlace::Bottom:
        c.place = FlowComment::Place::Bottom;
        break;
    default:
        break;
    }
    // The page's own default size (the normal one): the subtitle's FontSize fits its frame.
    int points = CommandFontSize(command);
    if (points == 0)
        points = FontSizePoints(0);
    c.size = TextLayout::PointsToPixels(points);
    const qint32 code = GetColorCode(command, opt.FontColorCode);
    c.colour = TextLayout::ColourOf(code);
    c.outline = TextLayout::ColourOf(GetFuchiColorCode(code));
    const TextLayout::Decoration d = TextLayout::DecorationOf(opt.FontDecorate, points);
    c.shadows = d.offsets;
    c.stroke = d.penWidth;
    return c;
}
