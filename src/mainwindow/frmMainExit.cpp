// The main window's new-database command, its exit, the change of user and
// the TEMP clean-up; the work itself is done in vocabdb and StatusLabels.
#include <QCloseEvent>
#include <QEvent>

#include "core/RunState.h"
#include "core/RunStateDb.h"
#include "core/modMain.h"
#include "mainwindow/MainHosts.h"
#include "mainwindow/StatusLabels.h"
#include "mainwindow/frmMain.h"
#include "platform/Error.h"

namespace mainwindow {

namespace {

// Hands a label's double click or pointer move to the window.
class LabelEvents : public QObject {
public:
    LabelEvents(QObject* parent, QEvent::Type type, std::function<void()> handler)
        : QObject(parent), type_(type), handler_(std::move(handler)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == type_) {
            handler_();
            // A move the label ignored would reach the window's background,
            // whose move takes the hint down again.
            return type_ == QEvent::MouseButtonDblClick || type_ == QEvent::MouseMove;
        }
        return QObject::eventFilter(watched, e);
    }

private:
    QEvent::Type type_;
    std::function<void()> handler_;
};

void onEvent(QWidget* w, QEvent::Type type, std::function<void()> handler) {
    if (type == QEvent::MouseMove) w->setMouseTracking(true);
    w->installEventFilter(new LabelEvents(w, type, std::move(handler)));
}

}  // namespace

void frmMain::wireExitAndStatus() {
    onEvent(lblUsername, QEvent::MouseButtonDblClick, [this] { lblUsername_DblClick(); });
    onEvent(lblUsername, QEvent::MouseMove, [this] { lblUsername_MouseMove(); });
    onEvent(lblBDBName, QEvent::MouseMove, [this] { lblBDBName_MouseMove(); });
    // The item count and the hint itself take the hint down.
    for (QLabel* l : {lblBCount, lblBarPopup, lblBarPopup2})
        onEvent(l, QEvent::MouseMove, [this] { HideBarPopup(); });
    new TempCleanup(killer, modMain::GetTempPath());
}

void frmMain::imgBarNewDB_Click() {
    HideBarPopup();
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

void frmMain::lblUsername_MouseMove() {
    BarPopupCursor = cursorPos();
    tmrBar->start();
    if (!runstate::rsBenutzer) return;
    QString line;
    try {
        line = UserStatisticsLine(runstate::rsBenutzer);
    } catch (const wk::Error& e) {
        modMain::ShowError(e.number(), e.description(), QString());
        return;
    }
    ShowBarPopup(line, 1, 1, UserStatisticsHint());
}

void frmMain::lblBDBName_MouseMove() {
    // The size comes from the file system: the database file itself is the
    // database layer's alone.
    const auto line = DatabaseSizeLine(runstate::bDBOffen, runstate::VokDBPfad);
    if (!line) return;
    ShowBarPopup(*line, 1, 1, QString());
    BarPopupCursor = cursorPos();
    tmrBar->start();
}

void frmMain::closeEvent(QCloseEvent* e) {
    // Closing the window ends the program, always through the exit path.
    if (!runstate::bProgEnde) CompactDatabasesAndEnd();
    e->accept();
}

}  // namespace mainwindow
