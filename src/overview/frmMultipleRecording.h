#pragma once
// Records a sound for every marked item in turn: the window shows the
// item's question and first answer while it records; "Next" stores the take
// and goes on with the next marked item; "Cancel" ends the run. The caller
// rebuilds the grid afterwards.

#include <QDialog>
#include <functional>
#include <memory>

class QFrame;
class QLabel;
class QPushButton;

namespace overview {

class DialogsHost;
class SoundRecorder;

class frmMultipleRecording : public QDialog {
    Q_OBJECT
public:
    explicit frmMultipleRecording(DialogsHost& host, QWidget* parent = nullptr);
    ~frmMultipleRecording() override;

    void Form_Load();
    // The whole run; the window unloads itself at its end.
    void Form_Activate();
    void cmdOK_Click();
    void cmdAbbrechen_Click();

    // Called once each time an item's recording has started, before the
    // window waits for "Next" (tests click there).
    std::function<void(frmMultipleRecording&)> whileRecording;

    bool bRecordingItem = false;
    // Number of items whose sound was stored by the run.
    int storedCount() const { return stored_; }
    bool unloaded() const { return unloaded_; }

    QLabel* lblBSay = nullptr;
    QLabel* lblB = nullptr;
    QLabel* lblA = nullptr;
    QFrame* sRec = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdAbbrechen = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void unload();

    DialogsHost& host_;
    std::unique_ptr<SoundRecorder> MM;
    bool cancelled_ = false;
    bool running_ = false;
    bool activated_ = false;
    bool unloaded_ = false;
    int stored_ = 0;
};

// The grid menu's recording for the marked items: shows the dialog
// modally; the run starts when it appears and it closes itself at the end.
// The caller rebuilds the grid afterwards.
void ShowMultipleRecording(DialogsHost& host);

}  // namespace overview
