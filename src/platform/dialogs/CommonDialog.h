#pragma once
// The common dialog a form keeps as a member (frmMain's `CommonDialog`):
// its fields are set, then it is shown as an open or save dialog. It goes
// through forms::ui(), so tests answer it from their script.
//
//   CommonDialog.CancelError = true;
//   CommonDialog.InitDir = GetDBPath();
//   CommonDialog.Filter = GetText(42);
//   CommonDialog.Flags = forms::cdlOFNFileMustExist | forms::cdlOFNHideReadOnly;
//   CommonDialog.ShowOpen();   // wk::Error 32755 on cancel
//   QString path = CommonDialog.FileName;

#include "platform/forms/Interaction.h"

namespace dialogs {

class CommonDialog : public forms::FileDialog {
public:
    // True when a file was chosen. On cancel the fields stay as they were
    // and false is returned, or wk::Error 32755 is raised with CancelError.
    bool ShowOpen() { return forms::ui().ShowOpen(*this); }
    bool ShowSave() { return forms::ui().ShowSave(*this); }
};

}  // namespace dialogs
