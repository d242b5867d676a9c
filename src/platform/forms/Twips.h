#pragma once
// The original measured in twips; here 15 twips make one logical pixel, so a
// form keeps its proportions at every scale factor Qt applies.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <cmath>

class QWidget;

namespace forms {

inline constexpr int TwipsPerPixelX = 15;
inline constexpr int TwipsPerPixelY = 15;

// Rounded to the nearest pixel, halves away from zero.
inline int twipsToPixels(double twips) {
    return int(std::lround(twips / TwipsPerPixelX));
}
inline int pixelsToTwips(int pixels) {
    return pixels * TwipsPerPixelX;
}

inline QPoint twipsPoint(double left, double top) {
    return {twipsToPixels(left), twipsToPixels(top)};
}
inline QSize twipsSize(double width, double height) {
    return {twipsToPixels(width), twipsToPixels(height)};
}
inline QRect twipsRect(double left, double top, double width, double height) {
    return {twipsPoint(left, top), twipsSize(width, height)};
}

// The original's Move: position and size of a control, in twips.
void moveTwips(QWidget* w, double left, double top, double width, double height);

}  // namespace forms
