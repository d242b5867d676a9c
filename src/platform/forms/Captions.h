#pragma once
// Captions from tags: a captioned control carries the message id of its
// caption as its tag ("17"), and the form's load handler sets every caption
// from the message table in one pass. An empty tag keeps the design caption.
//
//   forms::setTag(cmdOK, "17");
//   forms::ApplyCaptions(this, GetText, /*skipImg=*/false);
//
// The text lookup is passed in (GetText of the start-up module), so this
// layer does not depend on the message table.

#include <QString>
#include <functional>

class QObject;
class QWidget;

namespace forms {

// The tag is kept as the dynamic property "Tag".
void setTag(QObject* control, const QString& tag);
QString tag(const QObject* control);

// The tag read as the original read it: a 16-bit integer. Raises wk::Error
// 13 (type mismatch) for a non-number and 6 (overflow) outside -32768..32767.
int tagToInteger(const QString& tag);

// Sets the caption of one control: the text of a label, button, check box,
// option button or action, the title of a group box or menu, or a property
// "caption" that a widget of our own declares. Returns false for a control
// without a caption (text boxes, lists); it is left as it is.
bool setCaption(QObject* control, const QString& text);

// A caption as assistive tools should read it: without shortcut marks
// ("&&" is a plain "&"), the blanks around it and a closing colon.
QString spokenCaption(const QString& caption);

// Visits the form's controls in creation order (children before their own
// children, depth first) and sets each tagged one's caption to
// getText(tag). With skipImg, controls whose objectName begins with "img"
// (lower case, exactly) are skipped whatever their tag holds. With
// formCaption, the form's own tag sets its window title too. Then names the
// boxes after their labels, as below.
// An error of the lookup passes to the caller; controls before it keep their
// new captions.
void ApplyCaptions(QWidget* form, const std::function<QString(int)>& getText, bool skipImg,
                   bool formCaption = false);

// Names each box that a label points to (its buddy) after that label, for
// assistive tools, unless the form named the box itself.
void nameBoxesAfterLabels(QWidget* form);

}  // namespace forms
