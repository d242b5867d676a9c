#pragma once
// Colours as the original wrote them: &HBBGGRR (blue in the high byte), and
// system colours &H800000nn that follow the desktop's palette.

#include <QColor>
#include <QPalette>
#include <optional>

class QWidget;

namespace forms {

// System colours the program names.
inline constexpr quint32 vbScrollBars = 0x80000000;
inline constexpr quint32 vbDesktop = 0x80000001;
inline constexpr quint32 vbActiveTitleBar = 0x80000002;
inline constexpr quint32 vbInactiveTitleBar = 0x80000003;
inline constexpr quint32 vbMenuBar = 0x80000004;
inline constexpr quint32 vbWindowBackground = 0x80000005;
inline constexpr quint32 vbWindowFrame = 0x80000006;
inline constexpr quint32 vbMenuText = 0x80000007;
inline constexpr quint32 vbWindowText = 0x80000008;
inline constexpr quint32 vbTitleBarText = 0x80000009;
inline constexpr quint32 vbApplicationWorkspace = 0x8000000C;
inline constexpr quint32 vbHighlight = 0x8000000D;
inline constexpr quint32 vbHighlightText = 0x8000000E;
inline constexpr quint32 vbButtonFace = 0x8000000F;
inline constexpr quint32 vbButtonShadow = 0x80000010;
inline constexpr quint32 vbGrayText = 0x80000011;
inline constexpr quint32 vbButtonText = 0x80000012;
inline constexpr quint32 vbInactiveCaptionText = 0x80000013;
inline constexpr quint32 vb3DHighlight = 0x80000014;
inline constexpr quint32 vb3DDKShadow = 0x80000015;
inline constexpr quint32 vb3DLight = 0x80000016;
inline constexpr quint32 vbInfoText = 0x80000017;
inline constexpr quint32 vbInfoBackground = 0x80000018;

// Plain colours.
inline constexpr quint32 vbBlack = 0x000000;
inline constexpr quint32 vbWhite = 0xFFFFFF;
inline constexpr quint32 vbRed = 0x0000FF;
inline constexpr quint32 vbGreen = 0x00FF00;
inline constexpr quint32 vbBlue = 0xFF0000;

// The back colours of inputs that are switched off and on.
inline constexpr quint32 SwitchedOffBackColor = 0xE0E0E0;
inline constexpr quint32 SwitchedOnBackColor = 0xFFFFFF;

inline bool isSystemColor(quint32 vb) {
    return (vb & 0x80000000u) != 0;
}

// The palette role that stands in for a system colour, and its group
// (vbGrayText is the disabled text colour). Empty for an unknown index.
struct PaletteSlot {
    QPalette::ColorGroup group = QPalette::Active;
    QPalette::ColorRole role = QPalette::Window;
};
std::optional<PaletteSlot> systemColorSlot(quint32 vb);

// &HBBGGRR or a system colour (resolved against the application palette)
// as a QColor. An unknown system colour gives black.
QColor VbColor(quint32 vb);
// A QColor as &HBBGGRR (alpha dropped).
quint32 toVbColor(const QColor& c);

// Back and fore colour of a control as the original set them. The value
// given is kept and read back as given (a system colour stays &H8000000F),
// and the control's palette follows it in every colour group, so a disabled
// control keeps the colour too. Inputs (line and text edits, lists, combo
// boxes, spin boxes) take it as their base, other widgets as their window.
void setBackColor(QWidget* w, quint32 vb);
void setForeColor(QWidget* w, quint32 vb);
// The value last set by setBackColor/setForeColor; without one, the colour
// the control shows now as &HBBGGRR.
quint32 backColor(const QWidget* w);
quint32 foreColor(const QWidget* w);

// Switches an input on or off the house way: enabled with SwitchedOnBackColor
// or disabled with `offColor` (SwitchedOffBackColor or vbButtonFace).
void switchInput(QWidget* w, bool on, quint32 offColor = SwitchedOffBackColor);

}  // namespace forms
