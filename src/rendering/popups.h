#pragma once

#include <QRect>
#include <QString>

class PostTable;

// Anchor and ID pop-ups: what the status text of a hovered link asks for, the pop-up texts
// built from the post table, and where the panel goes.
namespace Popups {

// The posts the pop-up texts read: the table, the posts received so far and the board kind.
struct Thread
{
    const PostTable &ResData;
    qint32 ResTotal = 0;
    bool twoCh = true; // "2ch": the message starts on a line of its own
};

// What a status text asks for.
struct Request
{
    enum class Kind
    {
        None,
        Range,
        Id
    };
    Kind kind = Kind::None;
    qint64 from = 0; // Range
    qint64 to = 0;
    QString id; // Id: "id:" and the ID, its "/" written "%2f" as the date field's link has it
};

// Mail links and web addresses give nothing; a text with "/" is a reply anchor ending in a
// post number or range ("12", "12-15", "12n"); "id:…" is an ID link.
Request ParseStatusText(const QString &S);

// The pop-up text for a request, plain text as the view shows each post (tags removed,
// entities and references decoded once); null when the request gives no pop-up.
QString PopupText(const Request &request, const Thread &thread);

// Posts StartPos to EndPos, or ">>N に期待" when the range reaches past the last post received,
// or "なんかエラー" for a number outside the table.
QString GetPopupRes(const Thread &thread, qint64 StartPos, qint64 EndPos);
// Every post whose date field holds the ID; "？" for none and for the three special IDs.
QString GetSameId(const Thread &thread, const QString &IDStr);

// Where the panel goes, in pixels of the main window's inner area: above and to the right of
// the pointer, pinned to the top and to the right, never beyond the inner area (a panel
// larger than the area is cut to it and scrolls).
QRect PanelRect(QPoint pointer, QSize labelSize, QSize innerSize);

} // namespace Popups
