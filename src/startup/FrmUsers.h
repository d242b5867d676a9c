#pragma once
// User management: names, renames and frees the five user slots of
// USER.MDB. Opened from the start form, which is disabled while it is shown;
// every way out enables the start form again and refills its user list.

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QWidget>

#include "platform/forms/ControlArray.h"

namespace startup {

class FrmBenutzer;

class FrmUsers : public QWidget {
    Q_OBJECT
public:
    // Loads the form over the start form (deleted when it closes).
    explicit FrmUsers(FrmBenutzer& start);

    void Form_Load();
    void cmdDel_Click(int Index);
    // Enter moves on to the next name, or to cmdOK after the last; the key
    // is swallowed (set to 0).
    void TxtN_KeyPress(int Index, int& KeyAscii);
    void cmdOK_Click();
    void cmdAbbruch_Click();

    QLabel* LblBVerwaltung;
    forms::ControlArray<QLabel> LblUser;  // LblUser1 .. LblUser5
    forms::ControlArray<QLineEdit> TxtN;  // the names as edited
    forms::ControlArray<QLineEdit> TxtO;  // hidden: the names when the form opened
    forms::ControlArray<QPushButton> cmdDel;
    QPushButton* cmdOK;
    QPushButton* cmdAbbruch;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    // Any other way of closing the window acts as cmdAbbruch.
    void closeEvent(QCloseEvent* e) override;

private:
    // Enables the start form and refills its user list (steps shared by
    // both buttons), then closes this form.
    void RefillStartFormAndUnload();
    // Saves one slot; false when the user database refused it.
    bool SaveSlot(int i);

    QPointer<FrmBenutzer> start_;
    bool unloading_ = false;
};

// Shows the user management over the start form; the start form's cmdNeu
// calls it.
void ShowFrmUsers(FrmBenutzer& start);

}  // namespace startup
