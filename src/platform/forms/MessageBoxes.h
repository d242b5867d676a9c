#pragma once
// The message and input boxes of the Qt implementation, built apart from
// running them so that their make-up can be checked without a modal loop.

#include <QString>
#include <memory>

class QAbstractButton;
class QInputDialog;
class QMessageBox;
class QWidget;

namespace forms {

// A bare CR (and CR LF) in the original's texts is a line break.
QString lineBreaks(const QString& text);

// The title shown: the product name when none is given.
QString boxTitle(const QString& title);

// A message box with the buttons, icon and default button of `style`.
// The prompt is shown as plain text, never as markup.
std::unique_ptr<QMessageBox> buildMessageBox(const QString& prompt, int style, const QString& title,
                                             QWidget* parent = nullptr);

// The MsgBoxResult for the button that closed `box` (nullptr: the box was
// closed without a button, which counts as its escape answer).
int messageBoxResult(const QMessageBox& box, const QAbstractButton* clicked);

std::unique_ptr<QInputDialog> buildInputBox(const QString& prompt, const QString& title,
                                            const QString& defaultText, QWidget* parent = nullptr);

}  // namespace forms
