// Qt's own texts follow the language the learner chose.
#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

#include "core/modMain.h"

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

}  // namespace
