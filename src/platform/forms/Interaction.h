#pragma once
// Everything a form asks of the user or the machine outside its own controls:
// message and input boxes, file dialogs, ending the program, the beep, key
// sending, the clock and the random generator. The program runs on the Qt
// implementation; tests install a scripted one that answers from a queue and
// records every call, so no test blocks on a dialog or ends its process.

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <exception>

class QAction;
class QMenu;
class QPoint;
class QWidget;

namespace forms {

// Message box styles and answers, numbered as the original's runtime did.
enum MsgBoxStyle : int {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbAbortRetryIgnore = 2,
    vbYesNoCancel = 3,
    vbYesNo = 4,
    vbRetryCancel = 5,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
    vbDefaultButton1 = 0,
    vbDefaultButton2 = 256,
    vbDefaultButton3 = 512,
    vbApplicationModal = 0,
    vbSystemModal = 4096,
};

enum MsgBoxResult : int {
    vbOK = 1,
    vbCancel = 2,
    vbAbort = 3,
    vbRetry = 4,
    vbIgnore = 5,
    vbYes = 6,
    vbNo = 7,
};

// Flags of the common file dialog that the program uses.
enum FileDialogFlags : int {
    cdlOFNReadOnly = 0x1,
    cdlOFNOverwritePrompt = 0x2,
    cdlOFNHideReadOnly = 0x4,
    cdlOFNNoChangeDir = 0x8,
    cdlOFNPathMustExist = 0x800,
    cdlOFNFileMustExist = 0x1000,
    cdlOFNCreatePrompt = 0x2000,
    cdlOFNExplorer = 0x80000,
};

// One open or save dialog, filled like the original's common dialog control.
struct FileDialog {
    QString DialogTitle;
    QString Filter;       // "Text|*.txt|All files|*.*"
    int FilterIndex = 1;  // from 1
    QString InitDir;
    QString FileName;   // in: proposed name; out: chosen path
    QString FileTitle;  // out: the chosen file's name without its folder
    QString DefaultExt;
    int Flags = 0;
    bool CancelError = false;  // cancelling raises wk::Error 32755
};

// Thrown by EndProgram in the scripted implementation, so that a test sees
// the end of the program as an exception instead of losing its process.
struct ProgramEnded : std::exception {
    explicit ProgramEnded(int c) : code(c) {}
    int code;
    const char* what() const noexcept override { return "program ended"; }
};

class Interaction {
public:
    virtual ~Interaction() = default;

    // Text may contain a bare CR as a line break. An empty title shows the
    // product name. Returns a MsgBoxResult.
    virtual int MsgBox(const QString& prompt, int style = vbOKOnly, const QString& title = {}) = 0;

    // Returns the text typed, or "" when the user cancelled (as the original).
    virtual QString InputBox(const QString& prompt, const QString& title = {},
                             const QString& defaultText = {}) = 0;

    // Both return true when a file was chosen (dlg.FileName, dlg.FilterIndex
    // updated). On cancel they return false, or raise wk::Error 32755 when
    // dlg.CancelError is set.
    virtual bool ShowOpen(FileDialog& dlg) = 0;
    virtual bool ShowSave(FileDialog& dlg) = 0;

    // Shows a form modally and returns once it is hidden, unloaded or
    // destroyed (the original's Show vbModal). A form already shown raises
    // wk::Error 400. Implementations that do not script forms get the Qt
    // one's behaviour.
    virtual void ShowModal(QWidget& form);

    // Pops up a menu at a screen position and returns when it closes (the
    // original's PopupMenu). The chosen entry is triggered before this
    // returns; it is returned, or nullptr when the menu was dismissed.
    virtual QAction* PopupMenu(QMenu& menu, const QPoint& globalPos);

    // Ends the program at once (the original's End). Never returns.
    [[noreturn]] virtual void EndProgram(int exitCode = 0) = 0;

    virtual void Beep() = 0;
    virtual void SendKeys(const QString& keys) = 0;

    // Lets pending window events run (the original's DoEvents).
    virtual void DoEvents() = 0;

    virtual QDateTime Now() = 0;
    virtual qint64 TickCount() = 0;  // milliseconds since some fixed start

    // Uniform in [0, 1). Seeded once per process.
    virtual double Rnd() = 0;
};

// The product name, shown where a box is given no title.
inline constexpr const char* kProductName = "Wortkiste";

// The title of a box whose title is empty on purpose. Desktops put the
// program's name into a title left empty; a blank shows nothing.
inline const QString EmptyTitle = QStringLiteral(" ");

// The implementation in force. Defaults to the Qt one.
Interaction& ui();
// Installs another implementation (tests); nullptr restores the Qt one.
void setInteraction(Interaction* impl);
// The Qt implementation, whichever one is in force.
Interaction& qtInteraction();

}  // namespace forms
