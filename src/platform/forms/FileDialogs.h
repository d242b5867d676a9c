#pragma once
// Open and save dialogs over QFileDialog, filled from the original's common
// dialog fields. Forms do not call these directly: they go through
// forms::ui().ShowOpen/ShowSave (or dialogs::CommonDialog), which tests
// script. The pieces are apart so that the dialog's make-up can be checked
// without running it. They sit in the forms runtime because its Qt
// interaction runs them; dialogs::CommonDialog sits above it.

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

#include "platform/forms/Interaction.h"

class QAbstractFileIconProvider;
class QFileDialog;
class QMessageBox;
class QWidget;

namespace dialogs {

// One entry of a filter string "Text|*.txt|All|*.*".
struct FilterEntry {
    QString description;
    QStringList patterns;  // as given: "*.txt", "*.*"

    bool operator==(const FilterEntry&) const = default;
};

// Splits a filter string into its description/pattern pairs. A trailing
// description without patterns is dropped; patterns are split at ";".
QList<FilterEntry> parseFilter(const QString& filter);

// The same as QFileDialog name filters: "Text (*.txt)", "All (*)". "*.*"
// means every file here as it did on the original's platform. A description
// that already ends in its own patterns in parentheses is not repeated.
QStringList nameFilters(const QString& filter);

enum class Mode { Open, Save };

// The dialogs' icon provider: icons and types by file name, never by
// reading a file (see prepareFileDialog).
QAbstractFileIconProvider* nameOnlyIconProvider();

// Fills `dlg` from the common dialog fields: title, filters and the selected
// one (FilterIndex from 1), initial folder, proposed name, default
// extension, the overwrite prompt and the file-must-exist rule.
void prepareFileDialog(QFileDialog& dlg, const forms::FileDialog& fields, Mode mode);

// After an accepted dialog: FileName (full path), FileTitle and FilterIndex.
void readFileDialog(const QFileDialog& dlg, forms::FileDialog& fields);

// Runs the dialog modally. Returns true with the fields updated when a file
// was chosen; false on cancel, or wk::Error 32755 when CancelError is set.
bool runFileDialog(forms::FileDialog& fields, Mode mode, QWidget* parent = nullptr);

// The question asked before a file that does not exist is taken (the
// create prompt): "<name> does not exist. Do you want to create it?".
std::unique_ptr<QMessageBox> createPromptBox(const QString& fileName, const QString& title,
                                             QWidget* parent = nullptr);

// The error raised for a cancelled dialog with CancelError set.
[[noreturn]] void raiseCancelled();

}  // namespace dialogs
