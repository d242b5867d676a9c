#pragma once
// Notes and helpers for the controls of the forms.
//
// Change events: in the original, a value set by code raised the same change
// event as a change by the user, and loading the settings relies on it. So
// connect a control's change handler to the signal Qt emits for both:
//   QCheckBox / QRadioButton   toggled(bool)         (not clicked)
//   QLineEdit                  textChanged(QString)  (not textEdited)
//   QTextEdit/QPlainTextEdit   textChanged()
//   QComboBox / QListWidget    currentIndexChanged / currentRowChanged
//   QSlider / QSpinBox         valueChanged(int)
// Qt emits them only when the value differs from the one shown, which is
// what the original did too.
//
// Text limits: QLineEdit::setMaxLength also cuts text set by code; the
// original's limit held only for typing and pasting. Use limitTextLength.

class QLineEdit;
class QString;
class QWidget;

namespace forms {

// Every label in `root` (and root itself, when it is one) shows its text
// as it stands: Qt would take a question such as "<b>bold</b> tag" for
// markup. Call it once a form's labels are made.
void plainTextLabels(QWidget* root);

// The caption of a button (check box, option button) showing the user's own
// text: "&" is a character there, not the mark of a shortcut key.
QString literalCaption(const QString& text);

// The user cannot type or paste beyond `maxLength` characters (a paste is
// cut to what fits); text set by code is kept whole, and from such an
// over-long text the user can only take characters away. 0 removes the
// limit, as the original's MaxLength 0.
void limitTextLength(QLineEdit* edit, int maxLength);

// The limit in force (0: none).
int textLengthLimit(const QLineEdit* edit);

}  // namespace forms
