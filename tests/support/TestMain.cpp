// Shared main of every test program: a Qt application on the offscreen
// platform and a fresh program folder, with the desktop's data, settings
// and cache folders inside it, so no test touches a user's files (Qt keeps
// the file dialog's state in the settings folder).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <memory>

#include "platform/dao/Dao.h"
#include "platform/forms/FocusKeys.h"

// The start form makes a test's own folder the working folder, gone after
// the test: a program started later (the bus test's copy) could not run.
struct WorkingFolderKept : ::testing::EmptyTestEventListener {
    const QString folder = QDir::currentPath();
    void OnTestEnd(const ::testing::TestInfo&) override { QDir::setCurrent(folder); }
};

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // A test program that a test starts (and may kill, so that its own
    // clean-up never runs) makes its folder inside its parent's, which the
    // parent removes with everything in it.
    const QString parent = qEnvironmentVariable("WK_TEST_FOLDER");
    const auto home = parent.isEmpty()
                          ? std::make_unique<QTemporaryDir>()
                          : std::make_unique<QTemporaryDir>(parent + QStringLiteral("/child-XXXXXX"));
    qputenv("WK_TEST_FOLDER", home->path().toUtf8());
    qputenv("WORTKISTE_HOME", home->path().toUtf8());
    qputenv("XDG_DATA_HOME", (home->path() + "/xdg-data").toUtf8());
    qputenv("XDG_RUNTIME_DIR", (home->path() + "/xdg-runtime").toUtf8());
    qputenv("XDG_CONFIG_HOME", (home->path() + "/xdg-config").toUtf8());
    qputenv("XDG_CACHE_HOME", (home->path() + "/xdg-cache").toUtf8());
    qputenv("XDG_STATE_HOME", (home->path() + "/xdg-state").toUtf8());
    dao::KeepRunningAtFileSizeLimit();
    QApplication app(argc, argv);
    QApplication::setApplicationName("Wortkiste");
    // Windows show their focus as the program's do.
    forms::focusSeenFromTheStart();
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new WorkingFolderKept);
    return RUN_ALL_TESTS();
}
