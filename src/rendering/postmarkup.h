#pragma once

#include <QString>

// What a board's HTML in one field of a post may keep in the thread view: text and a few tags
// that only change how text looks or link somewhere on a click. Nothing kept can fetch, run,
// re-base the page, play or lay itself over the page.
namespace PostMarkup {

// Tags of one field, known or not, kept at most; later ones are dropped, so no post nests
// deeper or repeats markup without end.
constexpr int kMaxTags = 512;

// The field with every known harmless tag rebuilt from its name and harmless attributes
// (quoted and escaped), every other tag shown as text, comments and unfinished tags dropped,
// and every tag it opened closed at its end. Linear in the field's length.
QString Clean(const QString &html);

} // namespace PostMarkup
