// Creates the application object and shows the start form.
#include <QApplication>
#include <QFileInfo>
#include <QScreen>

#include "core/RunStateDb.h"
#include "core/modMain.h"
#include "platform/Error.h"
#include "platform/shell/Shell.h"
#include "startup/FrmBenutzer.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Wortkiste");
    QApplication::setOrganizationName("Wortkiste");
    shell::SubstituteMissingFonts();

    // The command line as one text, the way the start form reads it: a file
    // path with blanks arrives quoted or in pieces and is put together again.
    QStringList args = QApplication::arguments();
    args.removeFirst();

    auto* start = new startup::FrmBenutzer;
    start->setAttribute(Qt::WA_DeleteOnClose);
    QString commandLine = args.join(' ');
    // Start-up makes the program folder the current one, so a file named
    // relative to where the program was started is made absolute first.
    const QFileInfo named(QString(commandLine).remove('"'));
    if (!commandLine.isEmpty() && named.isRelative() && named.isFile())
        commandLine = named.absoluteFilePath();
    start->CommandLine = commandLine;
    try {
        start->Form_Load();
    } catch (const wk::Error& e) {
        // Start-up cannot go on without what failed here.
        modMain::ShowError(e.number(), e.description(), QString());
        return 1;
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        start->move(screen->geometry().center() - start->rect().center());
    start->show();
    const int code = app.exec();
    // Closed while the application still exists, not among the static
    // objects at the very end.
    runstate::ResetDatabaseHandles();
    return code;
}
