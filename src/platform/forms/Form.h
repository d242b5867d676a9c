#pragma once
// The base of the forms: the original's Load, Activate, QueryUnload and
// Unload events and its Show, Hide and Unload, over a top-level QWidget.
//
//   class frmSearch : public forms::Form {
//       void Form_Load() override { forms::ApplyCaptions(this, GetText, false); ... }
//       void cmdCancel_Click() { Unload(); }
//   };
//   frmSearch f;  f.Show(forms::vbModal);   // through forms::ui(): tests script it
//
// A modal Show returns when the form is hidden or unloaded. Unload hides
// the form and ends its loaded state; it does not delete the object (its
// owner does), and a later Show loads it again.

#include <QWidget>

namespace forms {

enum FormShowMode : int { vbModeless = 0, vbModal = 1 };

// Why a form is being unloaded (QueryUnload's UnloadMode).
enum UnloadMode : int {
    vbFormControlMenu = 0,  // the window's close box
    vbFormCode = 1,         // Unload called by code
    vbAppWindows = 2,       // the session ends
};

class Form : public QWidget {
    Q_OBJECT
public:
    explicit Form(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::Window);

    bool isLoaded() const { return loaded_; }
    // Runs Form_Load unless the form is loaded already.
    void Load();
    // Loads, then shows; a modal Show returns when the form is hidden.
    void Show(int mode = vbModeless);
    void Hide() { hide(); }
    // Asks QueryUnload and Unload (with vbFormCode); unless one of them
    // cancels, hides the form and leaves it unloaded. False when cancelled.
    bool Unload();

signals:
    void unloaded();

protected:
    virtual void Form_Load() {}
    virtual void Form_Activate() {}
    virtual void Form_QueryUnload(int& /*Cancel*/, int /*UnloadMode*/) {}
    virtual void Form_Unload(int& /*Cancel*/) {}

    void closeEvent(QCloseEvent* e) override;
    bool event(QEvent* e) override;

private:
    bool unload(int mode);

    bool loaded_ = false;
    bool unloading_ = false;
};

}  // namespace forms
