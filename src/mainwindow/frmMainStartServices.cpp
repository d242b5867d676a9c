// What the main window sets up for the rest of the program when it loads:
// the private TEMP folder, the options the sound players read, and the lists of
// right and wrong sounds.
#include <QDir>

#include "core/RunStateDb.h"
#include "core/modMain.h"
#include "core/modMedia.h"
#include "mainwindow/frmMain.h"
#include "platform/Error.h"
#include "platform/shell/Shell.h"

namespace mainwindow {

namespace {

// A field of a record that may be missing or closed: Null then, which the
// players count as "off".
QVariant optionOf(const dao::RecordsetPtr& rs, const QString& field) {
    if (!rs) return {};
    try {
        return rs->Value(field);
    } catch (const wk::Error&) {
        return {};
    }
}

}  // namespace

void frmMain::StartServices() {
    // A failure shows where a file is written there.
    shell::MakePrivateFolder(modMain::GetTempPath());

    // Read when a sound is played, so a changed option counts at once and a
    // closed database reads as "off".
    modMedia::ShowSoundOption = [] { return optionOf(runstate::rsOptions, QStringLiteral("ShowSound")); };
    modMedia::PlayRightOption = [] {
        return optionOf(runstate::rsUserOptionen, QStringLiteral("PlayRight"));
    };
    modMedia::PlayWrongOption = [] {
        return optionOf(runstate::rsUserOptionen, QStringLiteral("PlayWrong"));
    };
    // EnableTempCleanup is set with the window's clean-up (TempCleanup).

    modMedia::LoadSoundLists();
}

}  // namespace mainwindow
