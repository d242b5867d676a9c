// Filter strings and the open/save dialog built from the common dialog
// fields, checked on the QFileDialog before it would run.
#include <gtest/gtest.h>

#include "support/QtPrinters.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include "platform/Error.h"
#include "platform/forms/FileDialogs.h"
#include "support/ModalHelpers.h"

using dialogs::FilterEntry;
using dialogs::Mode;

TEST(FilterString, SplitsIntoPairs) {
    const auto entries = dialogs::parseFilter("Text|*.txt|Pictures|*.bmp;*.jpg; *.gif|All|*.*");
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries[0], (FilterEntry{"Text", {"*.txt"}}));
    EXPECT_EQ(entries[1], (FilterEntry{"Pictures", {"*.bmp", "*.jpg", "*.gif"}}));
    EXPECT_EQ(entries[2], (FilterEntry{"All", {"*.*"}}));
    EXPECT_TRUE(dialogs::parseFilter("").isEmpty());
    // A description left without its patterns is dropped.
    EXPECT_EQ(dialogs::parseFilter("Text|*.txt|Broken").size(), 1);
}

TEST(FilterString, BecomesQtNameFilters) {
    EXPECT_EQ(dialogs::nameFilters("Text|*.txt|All|*.*"), QStringList({"Text (*.txt)", "All (*)"}));
    EXPECT_EQ(dialogs::nameFilters("Pictures|*.bmp;*.jpg"), QStringList({"Pictures (*.bmp *.jpg)"}));
    // The description already names its pattern: not repeated.
    EXPECT_EQ(dialogs::nameFilters("Vocabulary database (*.wkd)|*.wkd"),
              QStringList({"Vocabulary database (*.wkd)"}));
    EXPECT_EQ(dialogs::nameFilters("Bilder (*.bmp;*.jpg)|*.bmp;*.jpg"),
              QStringList({"Bilder (*.bmp *.jpg)"}));
    EXPECT_EQ(dialogs::nameFilters("Alle Dateien (*.*)|*.*"), QStringList({"Alle Dateien (*)"}));
    // Parentheses that are no pattern list stay, and the patterns follow.
    EXPECT_EQ(dialogs::nameFilters("Sound (Wave)|*.wav"), QStringList({"Sound (Wave) (*.wav)"}));
}

TEST(FileDialog, OpenDialogTakesTheFields) {
    QTemporaryDir dir;
    forms::FileDialog f;
    f.DialogTitle = "Open database";
    f.Filter = "Text|*.txt|Vocabulary database (*.wkd)|*.wkd";
    f.FilterIndex = 2;
    f.InitDir = dir.path();
    f.Flags = forms::cdlOFNFileMustExist | forms::cdlOFNHideReadOnly;

    QFileDialog dlg;
    dialogs::prepareFileDialog(dlg, f, Mode::Open);
    EXPECT_EQ(dlg.windowTitle(), "Open database");
    EXPECT_EQ(dlg.acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(dlg.fileMode(), QFileDialog::ExistingFile);
    EXPECT_TRUE(dlg.testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_EQ(dlg.nameFilters(), QStringList({"Text (*.txt)", "Vocabulary database (*.wkd)"}));
    EXPECT_EQ(dlg.selectedNameFilter(), "Vocabulary database (*.wkd)");
    EXPECT_EQ(QDir(dlg.directory()).canonicalPath(), QDir(dir.path()).canonicalPath());
}

TEST(FileDialog, SaveDialogPromptsForOverwriteOnlyWhenAsked) {
    forms::FileDialog f;
    f.Filter = "Text|*.txt";
    f.DefaultExt = ".txt";
    QFileDialog plain;
    dialogs::prepareFileDialog(plain, f, Mode::Save);
    EXPECT_EQ(plain.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(plain.fileMode(), QFileDialog::AnyFile);
    EXPECT_TRUE(plain.testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_EQ(plain.defaultSuffix(), "txt");

    f.Flags = forms::cdlOFNOverwritePrompt;
    f.FilterIndex = 9;  // beyond the list: the first filter
    QFileDialog asking;
    dialogs::prepareFileDialog(asking, f, Mode::Save);
    EXPECT_FALSE(asking.testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_EQ(asking.selectedNameFilter(), "Text (*.txt)");
}

TEST(FileDialog, ChosenFileAndFilterAreReadBack) {
    QTemporaryDir dir;
    forms::FileDialog f;
    f.Filter = "Text|*.txt|All|*.*";
    f.InitDir = dir.path();
    f.FileName = "liste.txt";
    QFileDialog dlg;
    dialogs::prepareFileDialog(dlg, f, Mode::Save);
    dlg.selectNameFilter("All (*)");
    dialogs::readFileDialog(dlg, f);
    EXPECT_EQ(QFileInfo(f.FileName).fileName(), "liste.txt");
    EXPECT_EQ(QFileInfo(QFileInfo(f.FileName).path()).canonicalFilePath(), QDir(dir.path()).canonicalPath());
    EXPECT_EQ(f.FileTitle, "liste.txt");
    EXPECT_EQ(f.FilterIndex, 2);
}

TEST(FileDialog, RunningDialogCancelledRaisesOnlyWithCancelError) {
    auto cancelLater = [] {
        wktest::onModal([](QWidget* w) {
            auto* d = qobject_cast<QFileDialog*>(w);
            ASSERT_NE(d, nullptr);
            d->reject();
        });
    };
    forms::FileDialog f;
    f.FileName = "before";
    f.Flags = forms::cdlOFNHideReadOnly;
    f.Filter = "All|*.*";
    cancelLater();
    EXPECT_FALSE(dialogs::runFileDialog(f, Mode::Open));
    EXPECT_EQ(f.FileName, "before");

    f.CancelError = true;
    cancelLater();
    try {
        dialogs::runFileDialog(f, Mode::Save);
        ADD_FAILURE() << "no error";
    } catch (const wk::Error& e) {
        EXPECT_EQ(e.number(), 32755);
    }
}

TEST(FileDialog, RunningDialogAcceptedGivesThePath) {
    QTemporaryDir dir;
    QFile file(dir.filePath("kurs.wkd"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    forms::FileDialog f;
    f.InitDir = dir.path();
    f.Filter = "Vocabulary database (*.wkd)|*.wkd";
    f.Flags = forms::cdlOFNFileMustExist;
    wktest::onModal([](QWidget* w) { wktest::typeNameAndAccept(w, "kurs.wkd"); });
    ASSERT_TRUE(dialogs::runFileDialog(f, Mode::Open));
    EXPECT_EQ(QFileInfo(f.FileName).canonicalFilePath(), QFileInfo(file).canonicalFilePath());
    EXPECT_EQ(f.FileTitle, "kurs.wkd");
}

// Qt keeps the dialog's history and folder in its settings: a test program
// keeps them in its own folder, never in the user's.
TEST(FileDialog, ItsStateStaysInTheTestProgramsOwnFolder) {
    const QString home = qEnvironmentVariable("WORTKISTE_HOME");
    ASSERT_FALSE(home.isEmpty());
    const QSettings qtSettings(QSettings::UserScope, QStringLiteral("QtProject"));
    EXPECT_TRUE(qtSettings.fileName().startsWith(home + "/")) << qtSettings.fileName().toStdString();
}

// The question before a new file is made shows its name as it stands.
TEST(FileDialog, CreatePromptShowsTheNameAsItStands) {
    QTemporaryDir dir;
    forms::FileDialog f;
    f.InitDir = dir.path();
    f.Filter = "All|*.*";
    f.Flags = forms::cdlOFNCreatePrompt;
    bool asked = false;
    wktest::onModal([&](QWidget* w) {
        auto* d = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(d, nullptr);
        wktest::onModal([&](QWidget* q) {
            auto* box = qobject_cast<QMessageBox*>(q);
            ASSERT_NE(box, nullptr);
            asked = true;
            EXPECT_TRUE(box->text().contains("<b>neu.txt")) << box->text().toStdString();
            EXPECT_EQ(box->textFormat(), Qt::PlainText);
            box->button(QMessageBox::Yes)->click();
        });
        wktest::typeNameAndAccept(d, "<b>neu.txt");
    });
    ASSERT_TRUE(dialogs::runFileDialog(f, Mode::Save));
    EXPECT_TRUE(asked);
    EXPECT_EQ(f.FileTitle, "<b>neu.txt");
}

TEST(FileDialog, FilterMatchesWithoutRegardToCase) {
    QTemporaryDir dir;
    for (const char* name : {"kurs.WKD", "liste.wkd", "notiz.txt"}) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    forms::FileDialog fields;
    fields.InitDir = dir.path();
    fields.Filter = "Vocabulary database (*.wkd)|*.wkd";
    QFileDialog dlg;
    dialogs::prepareFileDialog(dlg, fields, Mode::Open);
    auto* model = dlg.findChild<QFileSystemModel*>();
    ASSERT_NE(model, nullptr);
    dlg.show();
    // The model reads the folder in the background.
    QElapsedTimer clock;
    clock.start();
    while (model->rowCount(model->index(dir.path())) < 2 && clock.elapsed() < 5000) {
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    const QModelIndex root = model->index(dir.path());
    QStringList shown;
    for (int r = 0; r < model->rowCount(root); ++r) {
        const QModelIndex i = model->index(r, 0, root);
        // Entries the filter rejects are hidden or, on some styles, greyed.
        if (model->flags(i) & Qt::ItemIsEnabled) shown << model->fileName(i);
    }
    shown.sort();
    EXPECT_EQ(shown, QStringList({"kurs.WKD", "liste.wkd"}));
    dlg.hide();
}

// A pop-up (the file name's completion list) still open as the dialog
// closes goes with it: Qt holds back every activation while a pop-up is
// open, so the window below, handed the keys by the desktop, was left
// inactive, its focus unseen and deaf to Tab.
TEST(FileDialog, APopupStillOpenGoesWithTheDialog) {
    QTemporaryDir dir;
    QWidget below;
    below.show();
    QMenu list;  // outlives the dialog, as a pop-up may while the desktop moves on
    list.addAction(QStringLiteral("neu.txt"));
    forms::FileDialog f;
    f.InitDir = dir.path();
    f.Filter = "All|*.*";
    wktest::onModal([&](QWidget* w) {
        list.popup(w->mapToGlobal(QPoint(10, 10)));
        ASSERT_EQ(QApplication::activePopupWidget(), &list);
        wktest::typeNameAndAccept(w, "neu.txt");
    });
    ASSERT_TRUE(dialogs::runFileDialog(f, Mode::Save));
    EXPECT_FALSE(list.isVisible());
    below.activateWindow();
    QApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), &below);
}
