// The Qt message and input boxes: buttons, icons and default button by
// style, the answers they give, and line breaks and titles of the texts.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "support/QtPrinters.h"

#include <QApplication>
#include <QEventLoop>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "platform/forms/FileDialogs.h"
#include "platform/forms/Interaction.h"
#include "platform/forms/MessageBoxes.h"
#include "support/ModalHelpers.h"

using namespace forms;

namespace {

QList<QMessageBox::StandardButton> standardButtons(const QMessageBox& box) {
    QList<QMessageBox::StandardButton> out;
    for (QAbstractButton* b : box.buttons()) out << box.standardButton(b);
    std::sort(out.begin(), out.end());
    return out;
}

// Clicks `which` in the next modal box once it is shown.
void clickLater(QMessageBox::StandardButton which) {
    wktest::onModal([which](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        box->button(which)->click();
    });
}

}  // namespace

TEST(MessageBox, EachStyleGivesItsButtonsAndAnswers) {
    using SB = QMessageBox::StandardButton;
    struct Case {
        int style;
        QList<SB> buttons;
        QList<int> answers;  // in the order of `buttons`
    };
    const Case cases[] = {
        {vbOKOnly, {SB::Ok}, {vbOK}},
        {vbOKCancel, {SB::Ok, SB::Cancel}, {vbOK, vbCancel}},
        {vbAbortRetryIgnore, {SB::Abort, SB::Retry, SB::Ignore}, {vbAbort, vbRetry, vbIgnore}},
        {vbYesNoCancel, {SB::Yes, SB::No, SB::Cancel}, {vbYes, vbNo, vbCancel}},
        {vbYesNo, {SB::Yes, SB::No}, {vbYes, vbNo}},
        {vbRetryCancel, {SB::Retry, SB::Cancel}, {vbRetry, vbCancel}},
    };
    for (const Case& c : cases) {
        auto box = buildMessageBox("text", c.style | vbQuestion, "t");
        QList<SB> expected = c.buttons;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(standardButtons(*box), expected) << "style " << c.style;
        for (qsizetype i = 0; i < c.buttons.size(); ++i)
            EXPECT_EQ(messageBoxResult(*box, box->button(c.buttons[i])), c.answers[i]) << "style " << c.style;
    }
}

TEST(MessageBox, IconsFollowTheStyle) {
    EXPECT_EQ(buildMessageBox("", vbOKOnly, "")->icon(), QMessageBox::NoIcon);
    EXPECT_EQ(buildMessageBox("", vbCritical, "")->icon(), QMessageBox::Critical);
    EXPECT_EQ(buildMessageBox("", vbQuestion | vbYesNo, "")->icon(), QMessageBox::Question);
    EXPECT_EQ(buildMessageBox("", vbExclamation, "")->icon(), QMessageBox::Warning);
    EXPECT_EQ(buildMessageBox("", vbInformation | vbDefaultButton2, "")->icon(), QMessageBox::Information);
}

TEST(MessageBox, DefaultAndEscapeButtons) {
    auto yn = buildMessageBox("", vbYesNo | vbDefaultButton2, "");
    EXPECT_EQ(yn->defaultButton(), yn->button(QMessageBox::No));
    auto ync = buildMessageBox("", vbYesNoCancel | vbDefaultButton3, "");
    EXPECT_EQ(ync->defaultButton(), ync->button(QMessageBox::Cancel));
    EXPECT_EQ(ync->escapeButton(), ync->button(QMessageBox::Cancel));
    auto first = buildMessageBox("", vbYesNo, "");
    EXPECT_EQ(first->defaultButton(), first->button(QMessageBox::Yes));
    // A third default in a two-button box falls back to the first.
    auto beyond = buildMessageBox("", vbOKCancel | vbDefaultButton3, "");
    EXPECT_EQ(beyond->defaultButton(), beyond->button(QMessageBox::Ok));
    // Closing a box with only OK answers OK.
    auto ok = buildMessageBox("", vbOKOnly, "");
    EXPECT_EQ(messageBoxResult(*ok, nullptr), vbOK);
    auto oc = buildMessageBox("", vbOKCancel, "");
    EXPECT_EQ(messageBoxResult(*oc, nullptr), vbCancel);
}

TEST(MessageBox, CarriageReturnBreaksLinesAndTextIsNeverMarkup) {
    auto box = buildMessageBox("Fehler 3051: <b>gesperrt</b>\r\rBitte melden.\r\nEnde", vbOKOnly, "");
    EXPECT_EQ(box->text(), "Fehler 3051: <b>gesperrt</b>\n\nBitte melden.\nEnde");
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
}

TEST(MessageBox, EmptyTitleShowsTheProductName) {
    EXPECT_EQ(buildMessageBox("x", vbOKOnly, "")->windowTitle(), "Wortkiste");
    EXPECT_EQ(buildMessageBox("x", vbOKOnly, "Hinweis:")->windowTitle(), "Hinweis:");
    EXPECT_EQ(buildInputBox("x", "", "")->windowTitle(), "Wortkiste");
    // A title empty on purpose stays empty.
    EXPECT_EQ(buildMessageBox("x", vbExclamation, EmptyTitle)->windowTitle().trimmed(), "");
}

// A short text leaves the box narrower than its title, which the window
// manager's bar then cuts ("Wor...iste"): the box makes room for the title
// and the bar's icon and buttons. So does the file dialogs' create prompt,
// which carries the dialog's long title.
TEST(MessageBox, IsWideEnoughForItsTitleInTheTitleBar) {
    const QString longTitle = "Ein etwas längerer Titel für das Fenster";
    const std::unique_ptr<QMessageBox> boxes[] = {
        buildMessageBox("No duplicates found!", vbOKOnly | vbInformation, ""),
        buildMessageBox("No duplicates found!", vbOKOnly | vbInformation, longTitle),
        dialogs::createPromptBox("a.wkd", "Save the new database as..."),
    };
    for (const auto& box : boxes) {
        box->show();
        QFont bold = box->font();
        bold.setBold(true);
        EXPECT_GE(box->width(), QFontMetrics(bold).horizontalAdvance(box->windowTitle()) + 100)
            << box->windowTitle().toStdString();
        box->hide();
    }
    EXPECT_EQ(boxes[2]->defaultButton(), boxes[2]->button(QMessageBox::Yes));
    EXPECT_EQ(boxes[2]->textFormat(), Qt::PlainText);
}

TEST(MessageBox, QtImplementationReturnsTheClickedAnswer) {
    clickLater(QMessageBox::No);
    EXPECT_EQ(qtInteraction().MsgBox("Really?", vbYesNoCancel | vbQuestion, {}), vbNo);
    clickLater(QMessageBox::Retry);
    EXPECT_EQ(qtInteraction().MsgBox("Again?", vbRetryCancel, {}), vbRetry);
}

TEST(InputBox, GivesTheTextOrEmptyOnCancel) {
    auto dlg = buildInputBox("<b>Name</b>:\rplease", "New", "Anna");
    EXPECT_EQ(dlg->labelText(), "<b>Name</b>:\nplease");
    const auto* prompt = dlg->findChild<QLabel*>();
    ASSERT_NE(prompt, nullptr);
    EXPECT_EQ(prompt->textFormat(), Qt::PlainText) << "the prompt is never markup";
    EXPECT_EQ(dlg->textValue(), "Anna");

    wktest::onModal([](QWidget* w) {
        auto* d = qobject_cast<QInputDialog*>(w);
        ASSERT_NE(d, nullptr);
        d->setTextValue("Bert");
        d->accept();
    });
    EXPECT_EQ(qtInteraction().InputBox("Name?", {}, "x"), "Bert");

    wktest::onModal([](QWidget* w) {
        auto* d = qobject_cast<QInputDialog*>(w);
        ASSERT_NE(d, nullptr);
        d->setTextValue("typed, then cancelled");
        d->reject();
    });
    EXPECT_EQ(qtInteraction().InputBox("Name?", {}, "x"), "");
}

TEST(ModalHelpers, FailInsteadOfHanging) {
    EXPECT_NONFATAL_FAILURE(
        {
            wktest::onModal([](QWidget*) {}, 50);
            QEventLoop loop;
            QTimer::singleShot(300, &loop, &QEventLoop::quit);
            loop.exec();
        },
        "no modal window was shown");
    // A box left open is closed by its escape button after the failure.
    EXPECT_NONFATAL_FAILURE(
        {
            wktest::onModal([](QWidget*) {}, 100);
            EXPECT_EQ(qtInteraction().MsgBox("left open", vbOKCancel, {}), vbCancel);
        },
        "not closed in time");
}
