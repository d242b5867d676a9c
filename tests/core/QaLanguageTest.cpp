// Qt's own texts follow the language the learner chose.
#include <QCoreApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/QtPrinters.h"

#include "core/modMain.h"
#include "platform/forms/FileDialogs.h"
#include "support/ModalHelpers.h"

namespace {

QString yesButtonText() {
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    return box.button(QMessageBox::Yes)->text();
}

TEST(QaLanguage, MessageBoxButtonsAndDialogsSpeakTheChosenLanguage) {
    modMain::SetLanguage(0);
    EXPECT_EQ(yesButtonText(), "&Ja");
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "File &name:"), "Datei&name:");
    modMain::SetLanguage(1);
    EXPECT_EQ(yesButtonText(), "&Yes");
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "File &name:"), "File &name:");
}

// Saves under a name that does not exist yet with the create prompt asked
// for; returns the prompt's text and its Yes button's.
std::pair<QString, QString> createPrompt(const QString& folder) {
    forms::FileDialog f;
    f.InitDir = folder;
    f.Filter = "Vocabulary database (*.wkd)|*.wkd";
    f.Flags = forms::cdlOFNCreatePrompt;
    std::pair<QString, QString> seen;
    wktest::onModal([&seen](QWidget* w) {
        wktest::onModal([&seen](QWidget* prompt) {
            auto* box = qobject_cast<QMessageBox*>(prompt);
            ASSERT_NE(box, nullptr);
            seen = {box->text(), box->button(QMessageBox::Yes)->text()};
            box->button(QMessageBox::Yes)->click();
        });
        wktest::typeNameAndAccept(w, "kurs.wkd");
    });
    EXPECT_TRUE(dialogs::runFileDialog(f, dialogs::Mode::Save));
    EXPECT_EQ(f.FileTitle, "kurs.wkd");
    return seen;
}

TEST(QaLanguage, FileDialogCreatePromptSpeaksTheChosenLanguage) {
    QTemporaryDir dir;
    modMain::SetLanguage(0);
    const auto [german, ja] = createPrompt(dir.path());
    EXPECT_EQ(german, "Die Datei kurs.wkd existiert nicht.\nSoll sie angelegt werden?");
    EXPECT_EQ(ja, "&Ja");
    modMain::SetLanguage(1);
    const auto [english, yes] = createPrompt(dir.path());
    EXPECT_EQ(english, "kurs.wkd does not exist.\nDo you want to create it?");
    EXPECT_EQ(yes, "&Yes");
}

}  // namespace
