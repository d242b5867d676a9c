#pragma once
// The start form: takes the single-instance lock, prepares the program
// folder and the user database, offers the users and the interface
// language, and on confirmation opens the user's database and the main
// window. It has no title bar: a strip along its top moves it and an image
// ends the program.

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPoint>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "mainwindow/ImageBox.h"

namespace startup {

class FrmBenutzer : public QWidget {
    Q_OBJECT
public:
    explicit FrmBenutzer(QWidget* parent = nullptr);

    // The text after the program name on the command line.
    QString CommandLine;

    // The user management form; it refills cboBenutzer and selects its first
    // entry when it closes.
    inline static std::function<void(FrmBenutzer&)> ShowUserManagement;

    // Bits per pixel of the screen (the shell's answer; tests put in others).
    inline static std::function<int()> ColorDepth;

    // The start-up sequence.
    void Form_Load();
    // The focus to the form's work: choosing a user (Enter then starts), or
    // making the first one while the list is locked.
    void FocusWork();

    // Handlers.
    void cboBenutzer_Click();
    void cboLang_Click();
    void cmdNeu_Click();
    void cmdOK_Click();
    void imgMove_MouseDown(int Button, int Shift, double X, double Y);
    void imgMove_MouseMove(int Button, int Shift, double X, double Y);
    void imgMove_MouseUp(int Button, int Shift, double X, double Y);
    void imgEnd_Click();
    void imgEnd_MouseMove(int Button, int Shift, double X, double Y);
    void imgWWW_MouseMove(int Button, int Shift, double X, double Y);
    void imgWWW_Click();
    void Form_MouseMove();
    void fraBenutzer_MouseMove();
    void tmr_Timer();

    // Takes the named single-instance lock; false when another instance
    // holds it.
    static bool CreateAppMutex(const QString& name);
    // Returns once the tick count has advanced by ms, letting events run when
    // pump is set.
    static void Wait(qint32 ms, bool pump);

    // Controls.
    mainwindow::ImageBox* imgBack;
    QLabel* LblBenutzer;
    QComboBox* cboBenutzer;
    QPushButton* cmdNeu;
    QPushButton* cmdOK;
    QLabel* lblBLang;
    QComboBox* cboLang;
    QLabel* LblUserStat;
    QLabel* lblVersion;
    QGroupBox* fraBenutzer;
    mainwindow::ImageBox *imgMove, *imgEnd, *imgEnd_Lo, *imgEnd_Hi, *imgWWW;
    QLabel* lblWWW;
    QFrame* lHi;
    QTimer* tmr;

    // Lock names taken by this process, in order (the repeated pass after a
    // replaced user database takes a second one).
    QStringList heldLocks;

protected:
    void mouseMoveEvent(QMouseEvent*) override { Form_MouseMove(); }
    bool eventFilter(QObject* watched, QEvent* e) override;
    // Enter starts, as on the default button: this form is no QDialog.
    void keyPressEvent(QKeyEvent* e) override;

private:
    void ResetHover();
    void applyCaptions();
    bool openUserDatabase();
    // Ends the program after telling the user that the user database cannot
    // be used.
    // Tells why USER.MDB cannot be used and ends the program; names the
    // journal SQLite applied to the file while opening it, if any.
    [[noreturn]] void userDatabaseFailed(const QString& reason, const QString& journalApplied = {});

    int passes_ = 0;  // runs of the start-up sequence
    bool bFormDrag = false;
    qint32 DragOffsetX = 0, DragOffsetY = 0;
    QPoint HoverCursor;
    QList<QWidget*> controls_;
};

}  // namespace startup
