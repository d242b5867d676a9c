#pragma once
// Key events the way the original's handlers took them: KeyDown and KeyUp
// with the key code and the shift state, KeyPress with the character code,
// each passed by reference so that a handler can set it to 0 to swallow the
// key. A form with key preview sees every key of its controls first.
//
//   forms::previewKeys(this, {.KeyDown = [this](int& KeyCode, int Shift) { Form_KeyDown(KeyCode, Shift); },
//                             .KeyPress = [this](int& KeyAscii) { Form_KeyPress(KeyAscii); }});
//   forms::handleKeys(txtQ, {.KeyUp = [this](int& KeyCode, int Shift) { txtQ_KeyUp(KeyCode, Shift); }});
//
// Order for one key: form KeyDown, control KeyDown, form KeyPress, control
// KeyPress, then the control itself; on release form KeyUp, control KeyUp.
// KeyCode := 0 in a KeyDown swallows the whole key (the control sees
// neither the key nor its character); KeyAscii := 0 swallows the key too;
// another KeyAscii types that character instead. KeyCode := 0 in KeyUp
// swallows the release.
//
// Keys reach the handlers through the control that has the focus (typed or
// sent with SendKeys), once per key: a key the control ignores travels on to
// its parents, which do not run the handlers again, even when a handler
// opened a dialog or moved the focus meanwhile. Handlers must not let errors escape into Qt's event
// loop: catch them as the original's handlers did.

#include <QKeyEvent>
#include <functional>

class QWidget;

namespace forms {

// Shift states, added.
inline constexpr int vbShiftMask = 1;
inline constexpr int vbCtrlMask = 2;
inline constexpr int vbAltMask = 4;

// Key codes the program names.
inline constexpr int vbKeyBack = 8;
inline constexpr int vbKeyTab = 9;
inline constexpr int vbKeyReturn = 13;
inline constexpr int vbKeyShift = 16;
inline constexpr int vbKeyControl = 17;
inline constexpr int vbKeyMenu = 18;
inline constexpr int vbKeyEscape = 27;
inline constexpr int vbKeySpace = 32;
inline constexpr int vbKeyPageUp = 33;
inline constexpr int vbKeyPageDown = 34;
inline constexpr int vbKeyEnd = 35;
inline constexpr int vbKeyHome = 36;
inline constexpr int vbKeyLeft = 37;
inline constexpr int vbKeyUp = 38;
inline constexpr int vbKeyRight = 39;
inline constexpr int vbKeyDown = 40;
inline constexpr int vbKeyInsert = 45;
inline constexpr int vbKeyDelete = 46;
inline constexpr int vbKeyApps = 93;  // the menu key
inline constexpr int vbKeyF1 = 112;
inline constexpr int vbKeyF2 = 113;
inline constexpr int vbKeyF3 = 114;
inline constexpr int vbKeyF4 = 115;
inline constexpr int vbKeyF5 = 116;
inline constexpr int vbKeyF6 = 117;
inline constexpr int vbKeyF7 = 118;
inline constexpr int vbKeyF8 = 119;
inline constexpr int vbKeyF10 = 121;  // F9 = 120 ... F12 = 123

// The key code of a key: letters 65-90 and digits 48-57 (also with Shift),
// F1 112 on, the keypad 96-111, and for the punctuation keys the codes of
// the German layout by the key's place (the key of "ß" and "?" is 219).
int vbKeyCode(const QKeyEvent& e);
int vbShiftState(Qt::KeyboardModifiers modifiers);
// The character code a key types (Enter 13, Esc 27, Backspace 8, Ctrl+A 1),
// 0 for a key that types nothing (arrows, F keys, Tab, Delete).
int vbKeyAscii(const QKeyEvent& e);

struct KeyHandlers {
    std::function<void(int& KeyCode, int Shift)> KeyDown = {};
    std::function<void(int& KeyAscii)> KeyPress = {};
    std::function<void(int& KeyCode, int Shift)> KeyUp = {};
};

// The control's own key handlers; they also get the keys of its children
// (a composite control). Replaces earlier handlers of the control.
void handleKeys(QWidget* control, KeyHandlers handlers);
// Key preview: the form's handlers get every key of any of its controls
// before the control's own handlers.
void previewKeys(QWidget* form, KeyHandlers handlers);

}  // namespace forms
