// What TextDraw decides for any caption, command and settings: a usable frame, a size between
// the smallest and the starting one that fits the frame when it can, and the limit kept.
#include "fuzzcheck.h"

#include "subtitle/textlayout.h"

#include <QGuiApplication>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Fonts need a GUI application; no screen is needed.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: the font caches outlive every input and are not leaks.
    new QGuiApplication(*argc, *argv);

    // Every new font size grows fontconfig's caches, which would start a heap scan after nearly
    // every input; leaks are still looked for when the run ends.
    static std::vector<char *> args(*argv, *argv + *argc);
    static char noLeakScan[] = "-detect_leaks=0";
    args.insert(args.begin() + 1, noLeakScan);
    args.push_back(nullptr);
    *argv = args.data();
    *argc = int(args.size()) - 1;
    return 0;
}

// Input: MakuMode, FontSize, FontResize, TextLimit (two bytes, signed), FontDecorate, TextMode,
// WakuView, view switches (1 ID, 2 number, 4 name, 8 clipboard), draw flags (1 drag mark,
// 2 game open, 4 idle text), then UTF-8 fields separated by tabs: caption, command, WakuSize,
// ID, name, number.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    Options opt;
    opt.MakuMode = qint8(in.byte());
    opt.FontSize = qint8(in.byte());
    opt.FontResize = qint8(in.byte());
    opt.TextLimit = qint16(in.word());
    opt.FontDecorate = qint8(in.byte());
    opt.TextMode = qint8(in.byte());
    opt.WakuView = qint8(in.byte());
    const uint8_t views = in.byte();
    opt.TextIDView = views & 1;
    opt.TextNumView = (views >> 1) & 1;
    opt.TextNameView = (views >> 2) & 1;
    opt.Text2Clipboard = (views >> 3) & 1;
    const uint8_t drawFlags = in.byte();
    TextDrawFlags flags;
    flags.DragPointView = drawFlags & 1;
    flags.GameOpen = drawFlags & 2;

    QStringList fields = QString::fromUtf8(in.rest()).split(QLatin1Char('\t'));
    while (fields.size() < 6)
        fields << QString();
    MakuEntry entry = MakuEntry::freeText(fields[0], fields[1]);
    opt.WakuSize = fields[2];
    entry.id = fields[3];
    entry.name = fields[4];
    entry.number = fields[5];
    if (drawFlags & 4)
        entry.kind = MakuEntry::Kind::IdleText;

    const SubtitleLayout l = LayoutTextDraw(entry, opt, flags, QSize(320, 240));

    FUZZ_CHECK(l.frame.width() >= 1 && l.frame.width() <= 8192);
    FUZZ_CHECK(l.frame.height() >= 1 && l.frame.height() <= 8192);
    if (!l.frameFromSetting)
        FUZZ_EQUAL(l.frame, QSize(320, 240));
    FUZZ_CHECK(l.pointSize >= TextLayout::kMinPointSize);
    FUZZ_CHECK(l.pointSize <= l.startPointSize);
    const bool fitted = !(opt.MakuMode == 0 && opt.FontResize == 1);
    if (fitted && l.pointSize > TextLayout::kMinPointSize)
        FUZZ_CHECK(l.textSize.width() <= l.frame.width());
    if (!fitted)
        FUZZ_EQUAL(l.pointSize, l.startPointSize);
    if (opt.TextLimit > 0)
        FUZZ_CHECK(l.text.size() <= opt.TextLimit + TextLayout::LimitMark().size());
    FUZZ_EQUAL(l.lines, TextLayout::SplitLines(l.text));
    FUZZ_EQUAL(l.textSize.height(), l.lineHeight * int(l.lines.size()));
    if (opt.MakuMode == 0)
        FUZZ_CHECK(l.command.isEmpty());
    return 0;
}
