#pragma once

#include <QString>
#include <optional>

// What the question window shows when the round clock reaches t seconds for this topic:
// "？？？" at 150, the topic's length in "○" at 90, hints by length, the topic at 0.
// Nothing when the label keeps its text.
std::optional<QString> QuestionLabelAt(const QString &topic, int t);
