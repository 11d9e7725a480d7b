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

const QString &RefusedSchemeText();
const QString &RefusedBoardText();

} // namespace Links
