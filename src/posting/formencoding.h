#pragma once

#include <QString>

// Form encoding of the post fields, as the boards' scripts expect them.

// Both forms send a character their encoding lacks as a browser does, as its decimal reference
// "&#N;" (the board stores and shows it), never as "?"; the JIS forms of 〜 − ‖ — ¢ £ ¬ take
// their Windows codes.

// Shift_JIS bytes, form-encoded; a double-byte character's trail byte is always escaped.
QString UrlEncodeSJIS(const QString &text);
// EUC-JP bytes, form-encoded. Vendor and user-defined characters (Shift_JIS leads 0xF0–0xFC)
// have no EUC-JP code and go as references.
QString UrlEncodeEUC(const QString &text);
// Trailing spaces removed from every line and blank lines from the end. Ideographic spaces
// (U+3000) stay: posters line up text art with them.
QString TrimMessage(const QString &text);
