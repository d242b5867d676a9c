#pragma once
// One focus mark for every control: a solid ring two pixels wide along the
// edge of the control that has the focus, drawn over whatever the control
// paints, dark where it covers light points and white where it covers dark
// ones. The style's own marks (a faint tint or outline, 1.2 to
// 2.4:1 against the control without the focus) are left out, so that every
// point that changes with the focus stands out 3:1 and more from what it
// covers. Item views keep the frame around their current entry, drawn in
// the same colour.

#include <QColor>

class QWidget;

namespace forms {

// The dark colour of the mark.
inline const QColor FocusMarkColour(0x10, 0x24, 0x48);
constexpr int FocusMarkWidth = 2;

// Installs the mark for the whole application, once.
void markFocus();

// A control that draws its mark itself (a grid frames its current cell)
// gets none from here: the dynamic property "wkOwnFocusMark" set true.
// A control whose rim is dark (a picture button on a dark bar) has its
// ring drawn `inset` pixels inside, on its light face: the property
// "wkFocusMarkInset".
void focusMarkInset(QWidget* control, int inset);

}  // namespace forms
