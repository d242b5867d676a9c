#pragma once
// Qt 6.4 tells assistive tools of a changed description with the control in
// the place of the new words, and a screen reader that speaks the new
// description of the control it is on (Orca) drops it unspoken. This sends
// the change as AT-SPI defines it, with the words.

class QAccessibleInterface;

namespace forms {

// Sends `control`'s description as changed, with its words, on Qt's own
// connection to the accessibility bus (so that tools know the sender as the
// program they read). False when there is no such connection: no tools
// listen, or the platform has none.
bool sendDescriptionWords(QAccessibleInterface* control);

}  // namespace forms
