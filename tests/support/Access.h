#pragma once
// What a keyboard user and an assistive tool find in a window: the controls
// that Tab reaches, and the controls that have no accessible name.

#include <QAccessible>
#include <QHash>
#include <QStringList>
#include <QWidget>

#include "support/QtPrinters.h"

namespace wktest {

// Gives `first` the focus in its active window and presses Tab (as key
// events to the focused control, through its filters) until the focus comes
// back to `first` or `limit` presses are done. The object names of the
// controls the focus visited, each once, in order (controls of an array
// share a name; a grid's column header is "<grid>.header"). When the focus
// does not come back (a control keeps the Tab), the list ends with "(stuck)";
// when Shift+Tab from `first` does not go the same way round backwards, with
// "(Shift+Tab: ...)" and the controls it went to.
QStringList tabWalk(QWidget* first, int limit = 120);

// The name of the control that has the focus in `window` (as tabWalk names
// it), "" when none, or when that one is hidden or disabled.
QString focusedControl(const QWidget* window);

// A key pressed and released on `w`, through the filters, as typed.
void keyTo(QWidget* w, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = {});

// Of the named controls under first's window, the shown and enabled ones
// that a tabWalk from `first` never reaches (a disabled one is passed over,
// as everywhere).
QStringList missedByTab(QWidget* first, const QStringList& names);

// The object names of the shown controls under `window` that take the focus
// by Tab or are pressed by assistive tools (and the text boxes of list
// boxes), and that assistive tools read with no name, with their value as
// the name, as signs only, with a blank or a colon at the end, or as a
// picture.
QStringList unnamedControls(QWidget* window);

// What an assistive tool hears of a control: "role: name", the role in
// words ("button", "list box", "text", "check box", "table", "list",
// "picture", "panel", ...).
QString heard(QWidget* w);

// The object names of the shown controls under `window` that Tab reaches
// and that assistive tools find inside a container they take for a window
// of its own (a frame) below `window`: a screen reader keeps quiet there.
QStringList framedControls(QWidget* window);

// The object names of the shown controls under `window` (and of the lists
// and tables whose entry, "name/row,column") that report the focus while
// the focus is elsewhere.
QStringList focusedElsewhere(QWidget* window);

// While it lives, Qt's widgets tell assistive tools all they tell a
// running screen reader (on the offscreen platform Qt keeps some to itself:
// a view's changes of data, the entry it makes current).
class ReaderRunning {
public:
    ReaderRunning();
    ~ReaderRunning();
    ReaderRunning(const ReaderRunning&) = delete;
    ReaderRunning& operator=(const ReaderRunning&) = delete;
};

// What Qt tells a screen reader while the log lives: the controls that take
// the focus, in order ("name", "name/cell" for an entry, "name (hidden)" for
// one not shown). What reaches the reader over the bus is ReaderBus.h's.
class ReaderLog {
public:
    ReaderLog();
    ~ReaderLog();
    ReaderLog(const ReaderLog&) = delete;
    ReaderLog& operator=(const ReaderLog&) = delete;

    QStringList focus() const { return focus_; }
    // What the tools are handed, in order: "focus: <role> '<name>'" for the
    // control or entry that takes the focus, "ticked: <role> '<name>' on"
    // (or "off") for a box ticked or cleared, "caret: ..." and
    // "selection: ..." for a text's caret moved and its selection changed,
    // "described: ...: <words>" for a description changed.
    QStringList carried() const { return carried_; }
    // Of the controls named `name` (not their entries): "shown", "name",
    // "description", "value", "entry N chosen", "entry N ticked" (or
    // "cleared"), and "states" with the states told as changed ("+disabled",
    // "-checked": as they are now; "(other)"), in order.
    QStringList toldOf(const QString& name) const { return told_.value(name); }
    // The controls told renamed (not their entries), in order, "name
    // (hidden)" for one not shown.
    QStringList renamed() const { return renamed_; }

    // Called for every event Qt hands to assistive tools.
    static void heard(QAccessibleEvent* event);

private:
    QStringList focus_;
    QStringList carried_;
    QStringList renamed_;
    QHash<QString, QStringList> told_;
};

}  // namespace wktest
