// Creates the application object and shows the start form.
#include <QApplication>
#include <QFileInfo>
#include <QScreen>

#include "core/RunState.h"
#include "core/RunStateDb.h"
#include "core/modMain.h"
#include "platform/Error.h"
#include "platform/shell/Shell.h"
#include "startup/FrmBenutzer.h"

#include <cstdio>
#include <cstring>

namespace {

// --help and --version answer on the terminal and end, before anything
// needs a display; any other command line is the database to open.
bool answeredOption(int argc, char** argv) {
    if (argc < 2) return false;
    const QByteArray name = (runstate::ProgName + " " + runstate::ProgVersion).toUtf8();
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("%s\n", name.constData());
        return true;
    }
    if (std::strcmp(argv[1], "--help") == 0) {
        std::printf(
            "Usage: wortkiste [DATABASE]\n"
            "%s, a vocabulary trainer for a graphical desktop.\n"
            "\n"
            "Once a user is chosen, it opens the vocabulary database DATABASE (a .wkd\n"
            "file) when that file exists, or else the user's last database.\n"
            "\n"
            "  --help     show this help and end\n"
            "  --version  show the version and end\n"
            "\n"
            "The program folder (users, options, new databases in DB/) is\n"
            "$WORTKISTE_HOME when set, or else Wortkiste/Wortkiste in the user's data\n"
            "folder (~/.local/share/Wortkiste/Wortkiste).\n",
            name.constData());
        return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (answeredOption(argc, argv)) return 0;
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
