#pragma once
// The screen's mouse pointer as the original set it: one value for the
// whole program, 0 the default and 11 the hourglass. Setting 0 always
// gives the normal pointer back, however often 11 was set before.

namespace forms {

enum MousePointerShape : int {
    vbDefault = 0,
    vbArrow = 1,
    vbCrosshair = 2,
    vbIbeam = 3,
    vbSizeNESW = 6,
    vbSizeNS = 7,
    vbSizeNWSE = 8,
    vbSizeWE = 9,
    vbUpArrow = 10,
    vbHourglass = 11,
    vbNoDrop = 12,
    vbArrowHourglass = 13,
    vbArrowQuestion = 14,
    vbSizeAll = 15,
};

int MousePointer();
void setMousePointer(int shape);

// Shows `shape` (the hourglass) for its lifetime and then puts back the
// pointer that was set before, also when an error leaves the scope.
class BusyCursor {
public:
    explicit BusyCursor(int shape = vbHourglass);
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    int previous_;
};

}  // namespace forms
