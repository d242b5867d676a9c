#pragma once
// Keys that move the focus the way a desktop user expects of every control.

#include <span>

class QAbstractButton;
class QPlainTextEdit;
class QRadioButton;
class QWidget;

namespace forms {

// Enter presses the button as Space does (outside a dialog Qt leaves Enter
// to the window); Enter with Alt or Ctrl stays the window's.
void enterPresses(QAbstractButton* button);

// Tab and Ctrl+Tab leave the multi-line box (with Shift backwards); no tab
// character is typed into it on the way out.
void tabLeaves(QPlainTextEdit* box);

// Tab into a group of option buttons comes to its chosen button (to the
// one that last had the focus while none is chosen).
void tabStopOnChoice(std::span<QRadioButton* const> group);

// The arrow keys in a group of option buttons choose the button they move
// to, also while none of the group is chosen yet (Qt chooses only when the
// button left was chosen); Tab comes to the choice.
void arrowsChoose(std::span<QRadioButton* const> group);

// The control Shift+Tab takes the focus to from the window's focus: the one
// from which Tab comes to it, so that Shift+Tab goes Tab's way backwards.
// Qt looks along the window's focus chain instead, where setTabOrder
// leaves the parts of a table it moved (the viewport, which hands its focus
// to the table) at their old place, and Shift+Tab went there. Null when no
// other control takes the focus.
QWidget* previousTabStop(QWidget* window);

// Every window shows where its focus is from the moment it opens, not only
// after the first Tab (Qt's styles hide the focus frame until then, so a
// window opened by a key showed none), by the mark of FocusMark.h.
void focusSeenFromTheStart();

}  // namespace forms
