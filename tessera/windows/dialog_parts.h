// Pieces the three configuration dialogs build alike: buttons and labelled lists
// named after their control arrays.
#pragma once

#include <QString>
#include <string>
#include <vector>

class QComboBox;
class QGridLayout;
class QPushButton;
class QWidget;

namespace tessera::config {

// Room left above a window for its title bar when it is sized to the screen.
inline constexpr int kTitleBarAllowance = 40;

// `caption` may carry a mnemonic ("&Close"); the screen reader hears it without.
QPushButton* DialogButton(const QString& name, const QString& caption, QWidget* parent);

// The window's "Close": Escape presses it, and the value fields do not hold the
// technician back with a range message on the way to it.
void MakeCloseButton(QWidget* window, QPushButton* close);

// A drop-down list `base`_`index` with its label in `row` of the frame's grid; the
// screen reader hears "<frame caption> <label>".
QComboBox* AddList(QGridLayout* grid, int row, const QString& base, int index, const QString& label,
                   const QString& frame_caption);

// Refills the list and selects its first entry.
void FillList(QComboBox* list, const std::vector<std::string>& entries);

}  // namespace tessera::config
