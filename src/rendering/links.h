#pragma once

#include <QString>

// What a click on a link of the thread view does. The first matching rule wins.
namespace Links {

enum class Action
{
    Refuse,       // neither http:, https: nor mailto: the status line says so, nothing opens
    RefusedBoard, // a thread of the central service: the status line says so, the browser opens
    LoadThread,   // into the address bar and loaded in the program
    ShowPicture,  // the image viewer
    OpenExternal, // the desktop's default handler
};

Action Classify(const QString &target);

// True for the only schemes ever handed to the desktop or loaded: http:, https:, mailto:.
bool IsOpenableScheme(const QString &target);
// True for an http: or https: address.
bool IsWebAddress(const QString &target);
// True when the address names a picture by its extension, in any case.
bool IsPictureAddress(const QString &target);
// The address as the desktop gets it: a mailto: address without "attach" or "attachment"
// parameters, so that a post cannot have a local file attached to a mail.
QString DesktopAddress(const QString &target);

// The message with its plain reply anchors as links the view pops up, as 2channel writes them:
// "&gt;&gt;N", "&gt;&gt;N-M", each number of "&gt;&gt;N,M", "＞＞N" (digits of either width)
// and "&gt;N" at the start of a line, each linked to `base` + the number or range. Text inside a
// tag or an existing link stays as written; at most 100 anchors per message are linked.
QString LinkAnchors(const QString &message, const QString &base);
// What the anchors of a thread link to: the path of its address up to the last "/".
QString AnchorBase(const QString &threadUrl);

const QString &RefusedSchemeText();
const QString &RefusedBoardText();

} // namespace Links
