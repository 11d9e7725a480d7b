#pragma once

#include <QString>

// Form encoding of the post fields, as the boards' scripts expect them.

// Shift_JIS bytes, form-encoded; a double-byte character's trail byte is always escaped.
QString UrlEncodeSJIS(const QString &text);
// EUC-JP bytes, form-encoded. A vendor or user-defined character (Shift_JIS lead 0xF0–0xFC) has
// no EUC-JP code and is sent as the geta mark "〓" (%A2%AE), the usual stand-in.
QString UrlEncodeEUC(const QString &text);
// Trailing spaces removed from every line and blank lines from the end. Ideographic spaces
// (U+3000) stay: posters line up text art with them.
QString TrimMessage(const QString &text);
