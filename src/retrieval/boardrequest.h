#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// The User-Agent of every request to a board: "Monazilla/1.00 sazanami/" and the version.
QString BoardUserAgent();

// The one GET a board is asked with (thread data, thread list), in Shift_JIS: HTTP/1.0 to the
// address's host and path, "Range: bytes=FROM-" when rangeFrom is not negative, the User-Agent
// and "Connection: Close".
QByteArray BoardGetRequest(const QString &address, qint64 rangeFrom = -1);
