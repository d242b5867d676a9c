#pragma once
// What assistive tools hear of the program's controls, where Qt's own
// accessibility says something else:
// - a list box is read by its name (Qt on Linux reads its current entry as
//   its name, so a box named "Language" was heard as "English");
// - a box that hands its focus to an inner part (a grid to its table, a
//   button row to a button) is named as that part is, and reports the
//   focus only through that part: Qt reported both as focused;
// - the current entry of a table or list reports the focus only while the
//   table or list has it, and a tick of its box is told
//   (ItemViewAccessible.cpp);
// - a focus is told only for the shown control that has it, then the
//   current entry of a list, table or tree that takes it, and the entry a
//   key chooses in a closed list box;
// - a control nobody sees tells nothing a reader must work through; its
//   name, description and states are told as it is shown, where they
//   changed; nor does a progress as it passes (QuietProgress);
// - a container is what it is: a panel, a line, a dialog or a message
//   (property wkMessage on a dialog window), never a frame, which tools
//   take for a window of its own.
// Installed once, by the first form that names its boxes.

#include <QPointer>
#include <QString>
#include <QWidget>
#include <initializer_list>
#include <vector>

namespace forms {

void installAccessibility();

// From now on `control` is a new control to assistive tools, and its next
// focus is news, where it stays as its content is replaced: a screen reader
// announces a focus only on a control other than the one it is on, with
// the states it holds now, and for a new one keeps none it heard of the old.
void renewForTools(QWidget* control);

// While it lives, the texts `controls` show pass by too fast to be read
// (a progress in per cent), and a reader worked through each before it
// spoke again: they tell the tools nothing. As it ends, each control still
// there tells the text it ends on, once, where it differs from the one it
// began with (as it is shown, where it is hidden).
class QuietProgress {
public:
    explicit QuietProgress(std::initializer_list<QWidget*> controls);
    ~QuietProgress();
    QuietProgress(const QuietProgress&) = delete;
    QuietProgress& operator=(const QuietProgress&) = delete;

private:
    struct Held {
        QPointer<QWidget> control;
        QString name;
    };
    std::vector<Held> held_;
};

// Names a box for assistive tools, together with the inner part that takes
// the focus for it (its focus proxy, a list box's text box).
void nameBox(QWidget* box, const QString& name);

}  // namespace forms
