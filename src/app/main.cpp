// Reads the command line, creates the application object and shows the
// start form.
#include <QApplication>
#include <QFileInfo>
#include <QScreen>

#include "core/RunState.h"
#include "core/RunStateDb.h"
#include "core/UserFiles.h"
#include "core/modMain.h"
#include "platform/Error.h"
#include "platform/dao/Dao.h"
#include "platform/forms/Accessible.h"
#include "platform/forms/FocusKeys.h"
#include "platform/shell/Shell.h"
#include "startup/FrmBenutzer.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void printUsage(std::FILE* to) {
    const QByteArray name = (runstate::ProgName + " " + runstate::ProgVersion).toUtf8();
    std::fprintf(to,
                 "Usage: wortkiste [DATABASE]\n"
                 "%s, a vocabulary trainer for a graphical desktop.\n"
                 "\n"
                 "Once a user is chosen, it opens the vocabulary database DATABASE (a .wkd\n"
                 "file) when that file exists, or else the user's last database. A name\n"
                 "that starts with \"-\" goes after \"--\".\n"
                 "\n"
                 "  -h, --help  show this help and end\n"
                 "  --version   show the version and end\n"
                 "\n"
                 "Qt's own options (-style NAME, -reverse, -platform NAME, -session ID, ...)\n"
                 "go to Qt.\n"
                 "\n"
                 "The program folder (users, options, new databases in DB/) is\n"
                 "$WORTKISTE_HOME when set, or else Wortkiste/Wortkiste in the user's data\n"
                 "folder (~/.local/share/Wortkiste/Wortkiste).\n",
                 name.constData());
}

// Qt's own options, which QApplication takes off the command line: the
// window system's (X11's among them), the style's and the session
// manager's restart command "-session <id>". Each may begin with "-" or
// "--"; those marked so also come as "-style=Fusion".
struct QtOption {
    const char* name;
    bool takesValue;
    bool withEquals;
};
constexpr QtOption kQtOptions[] = {
    {"platform", true, false},
    {"platformpluginpath", true, false},
    {"platformtheme", true, false},
    {"plugin", true, false},
    {"qwindowgeometry", true, false},
    {"qwindowicon", true, false},
    {"qwindowtitle", true, false},
    {"session", true, false},
    {"style", true, true},
    {"stylesheet", true, true},
    {"qmljsdebugger", true, true},
    {"reverse", false, false},
    {"widgetcount", false, false},
    {"testability", false, false},
    {"display", true, false},
    {"geometry", true, false},
    {"icon", true, false},
    {"title", true, false},
    {"name", true, false},
    {"visual", true, false},
    {"nograb", false, false},
    {"dograb", false, false},
};

// How many words of the command line from argv[i] on are one of Qt's
// options: 0 when argv[i] is none (an option that lacks its value is not
// taken by Qt either).
int qtOptionWords(int i, int argc, const char* const* argv) {
    const char* a = argv[i];
    if (a[0] != '-') return 0;
    const char* name = a[1] == '-' ? a + 2 : a + 1;
    for (const QtOption& o : kQtOptions) {
        const std::size_t n = std::strlen(o.name);
        if (std::strncmp(name, o.name, n) != 0) continue;
        if (name[n] == '\0') return !o.takesValue ? 1 : i + 1 < argc ? 2 : 0;
        if (name[n] == '=' && o.withEquals) return 1;
    }
    return 0;
}

// The value of Qt's option `name` ("platform", "display") on the command
// line, or nullptr.
const char* qtOptionValue(int argc, const char* const* argv, const char* name) {
    const char* value = nullptr;
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        const int words = qtOptionWords(i, argc, argv);
        const char* a = argv[i][1] == '-' ? argv[i] + 2 : argv[i] + 1;
        if (words == 2 && std::strcmp(a, name) == 0) value = argv[i + 1];
        i += std::max(words, 1) - 1;
    }
    return value;
}

// --help and --version answer on the terminal, and an unknown option is
// refused, before anything needs a display; Qt's own options are left to
// QApplication, and the rest of the command line is the database to open.
// Returns the exit status, or -1 to start.
int answeredOption(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strcmp(a, "--") == 0) break;
        if (std::strcmp(a, "--version") == 0) {
            std::printf("%s %s\n", qPrintable(runstate::ProgName), qPrintable(runstate::ProgVersion));
            return 0;
        }
        if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0) {
            printUsage(stdout);
            return 0;
        }
        if (const int words = qtOptionWords(i, argc, argv); words > 0) {
            i += words - 1;
            continue;
        }
        if (a[0] == '-' && a[1] != '\0') {
            std::fprintf(stderr, "wortkiste: unknown option %s\n\n", a);
            printUsage(stderr);
            return 2;
        }
    }
    return -1;
}

// The database words of the command line: all but Qt's options and a
// leading "--". Read before QApplication takes its options, so that what
// it takes depends on no window system.
QStringList databaseWords(int argc, const char* const* argv) {
    QStringList out;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        if (!optionsEnded && std::strcmp(argv[i], "--") == 0) {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded) {
            if (const int words = qtOptionWords(i, argc, argv); words > 0) {
                i += words - 1;
                continue;
            }
        }
        out << QString::fromLocal8Bit(argv[i]);
    }
    return out;
}

constexpr char kNoDisplay[] =
    "wortkiste: no display to open a window on; it runs on a graphical desktop (X11 or Wayland)\n";

// Whether the windowing system Qt would pick needs a display that neither
// the environment nor the command line ("-platform", "-display") names.
bool displayMissing(int argc, const char* const* argv) {
    const char* option = qtOptionValue(argc, argv, "platform");
    const QByteArray platform = option ? QByteArray(option) : qgetenv("QT_QPA_PLATFORM");
    const bool needsDisplay =
        platform.isEmpty() || platform.startsWith("xcb") || platform.startsWith("wayland");
    return needsDisplay && qEnvironmentVariableIsEmpty("DISPLAY") &&
           qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && !qtOptionValue(argc, argv, "display");
}

// While the application object is made, a windowing system that cannot
// start (a display named but not there) ends the program with a message and
// status 1 rather than an abort.
QtMessageHandler qtMessages = nullptr;
void startupMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type != QtFatalMsg) {
        if (qtMessages)
            qtMessages(type, context, message);
        else
            std::fprintf(stderr, "%s\n", qPrintable(message));
        return;
    }
    std::fputs(kNoDisplay, stderr);
    std::fflush(stderr);
    std::_Exit(1);
}

}  // namespace

int main(int argc, char** argv) {
    if (const int status = answeredOption(argc, argv); status >= 0) return status;
    if (displayMissing(argc, argv)) {
        std::fputs(kNoDisplay, stderr);
        return 1;
    }
    const QStringList args = databaseWords(argc, argv);
    dao::KeepRunningAtFileSizeLimit();
    qtMessages = qInstallMessageHandler(startupMessages);
    QApplication app(argc, argv);
    qInstallMessageHandler(qtMessages);
    QApplication::setApplicationName("Wortkiste");
    QApplication::setOrganizationName("Wortkiste");
    shell::SubstituteMissingFonts();
    forms::focusSeenFromTheStart();
    // What assistive tools hear of a control is ours from the first one on:
    // Qt keeps the interface it made first.
    forms::installAccessibility();

    // The command line as one text, the way the start form reads it: a file
    // path with blanks arrives quoted or in pieces and is put together again.
    auto* start = new startup::FrmBenutzer;
    start->setAttribute(Qt::WA_DeleteOnClose);
    QString commandLine = args.join(' ');
    // Start-up makes the program folder the current one, so a file named
    // relative to where the program was started is made absolute first; so
    // is a name that cannot be read, which start-up then tells where it is.
    const QFileInfo named(QString(commandLine).remove('"'));
    if (!commandLine.isEmpty() && named.isRelative() &&
        (named.isFile() || userfiles::IsUnreadableName(named.absoluteFilePath())))
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
