#pragma once

#include <QRect>

#include <array>

class QComboBox;
class QFont;
class QLabel;
class QWidget;

// The snooze drop-down of the alarm windows: 5, 10, 15 and 30 minutes and 1 hour, 10 minutes chosen.
namespace SnoozeChoice {

inline constexpr std::array<int, 5> Minutes = {5, 10, 15, 30, 60};
inline constexpr int DefaultMinutes = 10;
// The column the snooze takes right of an alarm window's close button, and its controls' width (twips).
inline constexpr int ColumnWidth = 1335;
inline constexpr int ControlWidth = 1215;

// A drop-down list (not editable) named "SnoozeChoice"; the window gives it its flat look when it loads.
QComboBox* makeCombo(QWidget* form, const QRect& place, const QFont& font);
// Its caption "Snooze for:", named "SnoozeCaption": a reader names a drop-down list by the caption that
// labels it, and reads the list's own name as its choice.
QLabel* makeCaption(QWidget* form, const QRect& place, const QFont& font, QComboBox* combo);
int minutesOf(const QComboBox* combo);

} // namespace SnoozeChoice
