// The main window's new-database command, its exit, the change of user and
// the TEMP clean-up; the work itself is done in vocabdb and StatusLabels.
#include <QCloseEvent>
#include <QEvent>

#include "mainwindow/MainHosts.h"
#include "mainwindow/StatusLabels.h"
#include "mainwindow/frmMain.h"
#include "startup/RunState.h"
#include "startup/modMain.h"

namespace mainwindow {

namespace {

// Hands the double click on the user name to the window.
class DoubleClickFilter : public QObject {
public:
    DoubleClickFilter(QObject* parent, std::function<void()> onDoubleClick)
        : QObject(parent), onDoubleClick_(std::move(onDoubleClick)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::MouseButtonDblClick) {
            onDoubleClick_();
            return true;
        }
        return QObject::eventFilter(watched, e);
    }

private:
    std::function<void()> onDoubleClick_;
};

}  // namespace

void frmMain::wireExitAndStatus() {
    connect(imgBarNewDB, &ImageBox::clicked, this, [this] { imgBarNewDB_Click(); });
    connect(imgBarExit, &ImageBox::clicked, this, [this] { CompactDatabasesAndEnd(); });
    lblUsername->installEventFilter(new DoubleClickFilter(lblUsername, [this] { lblUsername_DblClick(); }));
    new TempCleanup(killer, modMain::GetTempPath());
}

void frmMain::imgBarNewDB_Click() {
    ShowNewDBDialog(*this);
}

void frmMain::VokDBNeu() {
    vocabdb::VokDBNeu(NewDBHostFor(*this));
}

void frmMain::CompactDatabasesAndEnd() {
    vocabdb::CompactDatabasesAndEnd(ExitHostFor(*this));
}

void frmMain::lblUsername_DblClick() {
    ChangeUser(*this);
}

void frmMain::closeEvent(QCloseEvent* e) {
    // Closing the window ends the program, always through the exit path.
    if (!runstate::bProgEnde) CompactDatabasesAndEnd();
    e->accept();
}

}  // namespace mainwindow
