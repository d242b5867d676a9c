#pragma once
// Key sending: the original's key string ("{TAB}", "+{TAB}", "~", "{BS 3}",
// plain characters) becomes key events posted to the control that has the
// focus. Posted, not sent: they arrive after the calling handler returns, and
// pass through the control's key handling like typed keys.

#include <QString>
#include <Qt>
#include <vector>

namespace forms {

struct KeyStroke {
    int key = 0;  // Qt::Key
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
    QString text;  // what the stroke types; empty with Ctrl or Alt

    bool operator==(const KeyStroke&) const = default;
};

// Raises wk::Error 5 for a malformed string (an open brace without its
// close, an unknown key name, an unclosed group).
std::vector<KeyStroke> parseSendKeys(const QString& keys);

// Posts the strokes; each is delivered as press and release to the control
// that has the focus when it arrives (or, with none, to the active window).
void postKeyStrokes(const std::vector<KeyStroke>& strokes);

}  // namespace forms
