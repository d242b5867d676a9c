#pragma once
// A window without the window manager's frame (the borderless wizard, the
// item editor) is placed by the program. Some window managers frame such a
// window where it asked to be, yet tell it only its place inside their
// frame: it then believes it stands in the screen's corner, and whatever
// asks it where it is (assistive tools, test drivers, mapping to the screen)
// looks in the wrong place. Kept, the window asks for its place once more
// whenever it comes on screen believing itself elsewhere; the window
// manager's answer to that request tells the true place.

class QWidget;

namespace forms {

void keepPlacement(QWidget* window);

}  // namespace forms
