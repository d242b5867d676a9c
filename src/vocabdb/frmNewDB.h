#pragma once
// The small dialog before a new database is created: it asks for the note
// that goes into the new file for good. The main window is disabled while it
// is shown; every way out enables it again.

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QWidget>
#include <functional>

namespace vocabdb {

class frmNewDB : public QWidget {
    Q_OBJECT
public:
    // mainWindow is enabled again when the dialog ends; createDatabase runs
    // the main window's VokDBNeu after the note is taken.
    frmNewDB(QWidget* mainWindow, std::function<void()> createDatabase);

    void Form_Load();
    void cmdAbbrechen_Click();
    void cmdOK_Click();

    QLabel* lblBC;
    QLineEdit* txtC;
    QPushButton* cmdOK;
    QPushButton* cmdAbbrechen;

protected:
    // The close box acts as Cancel, so the main window never stays disabled.
    void closeEvent(QCloseEvent* e) override;
    // Esc cancels, as in every dialog.
    void keyPressEvent(QKeyEvent* e) override;

private:
    void Unload();
    QPointer<QWidget> mainWindow_;
    std::function<void()> createDatabase_;
    bool unloading_ = false;
};

}  // namespace vocabdb
