#pragma once

#include <QString>
#include <QStringList>

// Made-up live-commentary threads in the 2channel-style data format, the same for a given seed.
namespace ThreadGen {

// count posts as data lines (without their LF): names with and without trips, mostly "sage",
// IDs of a few hundred posters, Japanese messages with "<br>", reply anchors wrapped in links
// as boards write them, and an address in about one post in twenty. The first line holds the
// title.
QStringList DatLines(int count, quint32 seed = 20240512);

// The same lines as one decoded body: every line followed by LF.
QString DatBody(int count, quint32 seed = 20240512);

} // namespace ThreadGen
