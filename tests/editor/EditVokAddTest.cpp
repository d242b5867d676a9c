// Add mode: loading, the OK state, saving a new item with every field, the
// duplicate question, validation and the reset for the next item.

#include <QApplication>
#include <QFocusEvent>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>

#include "EditorFixture.h"
#include "support/Access.h"
#include "support/QtPrinters.h"

using namespace edtest;
using forms::vbExclamation;

QString EditorTest::pictureFile(const QString& name, int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::red);
    const QString p = dir.filePath(name);
    EXPECT_TRUE(img.save(p, "PNG"));
    return p;
}

namespace {

bool shown(const QWidget* w) {
    return !w->isHidden();
}

}  // namespace

TEST_F(EditorTest, AddModeOpensEmptyEveryTime) {
    storeItem("Hund", {"dog"}, 0, "Tiere", "Nomen");
    storeItem("Baum", {"tree"}, 0, "Natur", "Nomen");
    host.UpdateWindow("THEMEN");
    for (int round = 0; round < 2; ++round) {
        form->LetzteEingabe.Typ = 1;  // remembered, but every opening starts in vocabulary style
        openAdd();
        EXPECT_EQ(form->lblBAddVok->text(), "New questions");
        EXPECT_EQ(form->cmdOK->text(), "A&dd question");
        EXPECT_EQ(form->lblBQ->text(), "&Question");
        EXPECT_EQ(form->chkAskAllItems->text(), "Ask for a&ll answers");
        EXPECT_EQ(form->EditTyp, 0);
        EXPECT_TRUE(form->optTypAt(0)->isChecked());
        EXPECT_EQ(form->cboThema->currentText(), runstate::arrThemen.value(0));
        EXPECT_EQ(form->cboThema->count(), runstate::arrThemen.size());
        EXPECT_EQ(form->cboKategorie->currentText(), "");
        EXPECT_EQ(form->txtPunkte->text(), "0");
        EXPECT_FALSE(form->cmdOK->isEnabled());
        EXPECT_FALSE(shown(form->lblBF7));
        EXPECT_TRUE(shown(form->cmdCancel));
        EXPECT_FALSE(form->chkAskAllItems->isEnabled());
        EXPECT_FALSE(form->chkMindTheOrder->isEnabled());
        for (editor::PicBox* b : {form->picSQPlay, form->picSQDel, form->picPicView, form->picPicDel})
            EXPECT_FALSE(shown(b));
        EXPECT_TRUE(shown(form->picSQ));
        EXPECT_TRUE(shown(form->picPic));
        EXPECT_EQ(forms::backColor(form->txtQ), 0xE0E0E0u);
        EXPECT_EQ(forms::backColor(form->txtPunkte), 0xFFFFFFu);
        EXPECT_EQ(form->txtA(1)->width(), forms::twipsToPixels(2415));
        form->Unload();
    }
    // Each closing re-queries, refreshes the lists and rebuilds the grid.
    EXPECT_EQ(host.setDataCalls, 2);
    EXPECT_EQ(host.fills, 2);
    EXPECT_EQ(host.rs->RecordCount(), 2);
}

TEST_F(EditorTest, EmptyListsGiveOneEmptyEntry) {
    openAdd();
    EXPECT_EQ(form->cboThema->count(), 1);
    EXPECT_EQ(form->cboThema->itemText(0), "");
    EXPECT_EQ(form->cboKategorie->count(), 1);
}

TEST_F(EditorTest, OkFollowsQuestionAnswersAndType) {
    openAdd();
    form->txtQ->setText("Haus");
    EXPECT_FALSE(form->cmdOK->isEnabled());
    form->txtA(3)->setText(" ");  // a blank counts as filled
    EXPECT_TRUE(form->cmdOK->isEnabled());
    EXPECT_TRUE(shown(form->lblBF7));
    EXPECT_EQ(forms::backColor(form->txtA(3)), 0xFFFFFFu);
    form->txtQ->setText("");
    EXPECT_FALSE(form->cmdOK->isEnabled());
    EXPECT_FALSE(shown(form->lblBF7));
    form->txtQ->setText("Haus");

    // Multiple choice: a ticked right answer is what counts.
    form->optTypAt(1)->setChecked(true);
    EXPECT_EQ(form->EditTyp, 1);
    EXPECT_FALSE(form->cmdOK->isEnabled());  // an answer text alone is not enough
    for (int i = 1; i <= 9; ++i) {
        EXPECT_TRUE(form->chkA(i)->isEnabled()) << i;
        EXPECT_FALSE(form->chkA(i)->isChecked());
        EXPECT_EQ(form->txtA(i)->width(), forms::twipsToPixels(1935));
    }
    EXPECT_TRUE(form->chkAskAllItems->isHidden());
    form->txtA(3)->setText("");
    form->chkA(5)->setChecked(true);
    EXPECT_TRUE(form->cmdOK->isEnabled());
    form->chkA(5)->setChecked(false);
    EXPECT_FALSE(form->cmdOK->isEnabled());

    // Back to vocabulary style: marks cleared and the boxes off.
    form->chkA(2)->setChecked(true);
    form->optTypAt(0)->setChecked(true);
    EXPECT_EQ(form->EditTyp, 0);
    for (int i = 1; i <= 9; ++i) {
        EXPECT_FALSE(form->chkA(i)->isChecked());
        EXPECT_FALSE(form->chkA(i)->isEnabled());
    }
    EXPECT_FALSE(form->chkAskAllItems->isHidden());
}

TEST_F(EditorTest, AnswerCountRuleSwitchesTheAnswerOrderBoxes) {
    openAdd();
    form->chkAskAllItems->setEnabled(true);
    form->chkAskAllItems->setChecked(true);
    form->txtA(1)->setText("rot;red");
    EXPECT_TRUE(form->chkAskAllItems->isEnabled());
    EXPECT_TRUE(form->chkMindTheOrder->isEnabled());
    form->txtA(1)->setText("rot");
    EXPECT_FALSE(form->chkAskAllItems->isEnabled());
    EXPECT_FALSE(form->chkMindTheOrder->isEnabled());
    EXPECT_TRUE(form->chkAskAllItems->isChecked());  // the mark stays
    form->txtA(5)->setText("red");
    EXPECT_TRUE(form->chkAskAllItems->isEnabled());
    form->chkAskAllItems->setChecked(false);
    EXPECT_FALSE(form->chkMindTheOrder->isEnabled());
    form->chkAskAllItems->setChecked(true);
    EXPECT_TRUE(form->chkMindTheOrder->isEnabled());
}

TEST_F(EditorTest, AddStoresEveryFieldAndZeroedStatistics) {
    openAdd();
    form->txtQ->setText("das Haus ");
    form->txtA(1)->setText("house");
    form->txtA(2)->setText("home");
    form->chkAskAllItems->setChecked(true);
    form->chkMindTheOrder->setChecked(true);
    form->cboThema->setEditText("Wohnen");
    form->cboKategorie->setEditText("Nomen");
    form->txtExplanation->setText("ein Gebäude");
    form->txtTip->setText("h...");
    form->txtPunkte->setText("12");
    ASSERT_TRUE(form->cmdOK->isEnabled());
    form->cmdOK_Click();

    ASSERT_EQ(itemCount(), 1);
    auto r = item("das Haus ");
    EXPECT_EQ(r->Value("Typ").toInt(), 0);
    EXPECT_EQ(r->Value("A1").toString(), "house");
    EXPECT_EQ(r->Value("A2").toString(), "home");
    EXPECT_EQ(r->Value("A3").toString(), "");
    EXPECT_EQ(r->Value("RA1").toInt(), 0);
    EXPECT_EQ(r->Value("AskAllItems").toInt(), 1);
    EXPECT_EQ(r->Value("MindTheOrder").toInt(), 1);
    EXPECT_EQ(r->Value("T").toString(), "Wohnen");
    EXPECT_EQ(r->Value("Kategorie").toString(), "Nomen");
    EXPECT_EQ(r->Value("Explanation").toString(), "ein Gebäude");
    EXPECT_EQ(r->Value("Tip").toString(), "h...");
    EXPECT_EQ(r->Value("Punkte").toInt(), 12);
    EXPECT_EQ(r->Value("ZuletztGelerntAm").toDateTime(), QDateTime(QDate(2026, 3, 4), QTime(10, 11, 12)));
    for (int u = 1; u <= 5; ++u) {
        for (const char* p : {"AA", "AR", "AF", "FQ"}) {
            const QVariant v = r->Value(p + QString::number(u));
            EXPECT_FALSE(v.isNull()) << p << u;
            EXPECT_EQ(v.toDouble(), 0.0) << p << u;
        }
        for (int k = 1; k <= 6; ++k) EXPECT_EQ(r->Value(QString("Known%1%2").arg(u).arg(k)).toInt(), 0);
    }
    EXPECT_EQ(r->Value("MCAA").toInt(), 3);
    EXPECT_EQ(r->Value("Markiert").toInt(), 0);
    EXPECT_EQ(r->FieldSize("Bild"), 0);

    // The form is ready for the next item, with the same theme, category and type.
    EXPECT_EQ(form->txtQ->text(), "");
    for (int i = 1; i <= 9; ++i) EXPECT_EQ(form->txtA(i)->text(), "");
    EXPECT_EQ(form->txtExplanation->text(), "");
    EXPECT_EQ(form->txtTip->text(), "");
    EXPECT_EQ(form->txtPunkte->text(), "0");
    EXPECT_EQ(form->cboThema->currentText(), "Wohnen");
    EXPECT_EQ(form->cboKategorie->currentText(), "Nomen");
    EXPECT_FALSE(form->cmdOK->isEnabled());
    EXPECT_EQ(form->cmdOK->text(), "A&dd question");
    EXPECT_FALSE(shown(form->lblBF7));
    EXPECT_TRUE(host.updates.contains("THEMEN"));
    EXPECT_TRUE(runstate::arrThemen.contains("Wohnen"));
    EXPECT_TRUE(form->cboThema->findText("Wohnen") >= 0);
    EXPECT_EQ(form->LetzteEingabe.Thema, "Wohnen");
    // The answer-order boxes keep their marks.
    EXPECT_TRUE(form->chkAskAllItems->isChecked());
    // The new row is the recordset's current record.
    EXPECT_EQ(host.rs->Value("Q").toString(), "das Haus ");
}

TEST_F(EditorTest, MultipleChoiceItemNeedsNoAnswerTextAndKeepsItsType) {
    openAdd();
    form->optTypAt(1)->setChecked(true);
    form->txtQ->setText("Welche Farbe?");
    form->chkA(2)->setChecked(true);
    form->chkAskAllItems->setChecked(true);  // hidden in this type; enabled state decides
    form->cmdOK_Click();
    auto r = item("Welche Farbe?");
    EXPECT_EQ(r->Value("Typ").toInt(), 1);
    EXPECT_EQ(r->Value("RA2").toInt(), 1);
    EXPECT_EQ(r->Value("RA1").toInt(), 0);
    EXPECT_EQ(r->Value("AskAllItems").toInt(), 0);  // disabled: no answers
    EXPECT_EQ(form->EditTyp, 1);
    EXPECT_TRUE(form->optTypAt(1)->isChecked());
    for (int i = 1; i <= 9; ++i) EXPECT_FALSE(form->chkA(i)->isChecked());
}

// The arrow keys between the two types choose the type they move to, as a
// click does, and Tab comes to the type chosen.
TEST_F(EditorTest, ArrowKeysChooseTheType) {
    openAdd();
    form->show();
    QApplication::setActiveWindow(form.get());
    form->optTypAt(0)->setFocus();
    wktest::keyTo(form->optTypAt(0), Qt::Key_Right);
    EXPECT_TRUE(form->optTypAt(1)->isChecked());
    EXPECT_EQ(form->EditTyp, 1);
    wktest::keyTo(QApplication::focusWidget(), Qt::Key_Left);
    EXPECT_TRUE(form->optTypAt(0)->isChecked());
    EXPECT_EQ(form->EditTyp, 0);
    // Tab into the pair, last left on the type not chosen, goes straight to
    // the chosen one, from where the arrows lead to the other: a reader
    // hears that one alone.
    form->optTypAt(1)->setFocus(Qt::OtherFocusReason);
    form->txtQ->setFocus(Qt::OtherFocusReason);
    wktest::ReaderLog log;
    wktest::keyTo(form->txtQ, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), form->optTypAt(0));
    EXPECT_EQ(log.focus().size(), 1);
}

TEST_F(EditorTest, EmptyOrSingleBlankThemeIsStoredAsOther) {
    openAdd();
    const struct { QString theme, stored; } cases[] = {{"", "Other"}, {" ", "Other"}, {"  ", "  "}};
    int n = 0;
    for (const auto& c : cases) {
        form->txtQ->setText(QString("Frage %1").arg(++n));
        form->txtA(1)->setText("x");
        form->cboThema->setEditText(c.theme);
        form->cboKategorie->setEditText(c.theme);
        form->cmdOK_Click();
        auto r = item(QString("Frage %1").arg(n));
        EXPECT_EQ(r->Value("T").toString(), c.stored);
        EXPECT_EQ(r->Value("Kategorie").toString(), c.stored);
        // The theme box shows the theme as typed.
        EXPECT_EQ(form->cboThema->currentText(), c.theme);
    }
}

TEST_F(EditorTest, TickedButDisabledAnswerOrderIsStoredAsZero) {
    openAdd();
    form->txtQ->setText("eins");
    form->txtA(1)->setText("one;1");
    form->chkAskAllItems->setChecked(true);
    form->chkMindTheOrder->setChecked(true);
    form->txtA(1)->setText("one");  // a single answer switches both off
    form->cmdOK_Click();
    auto r = item("eins");
    EXPECT_EQ(r->Value("AskAllItems").toInt(), 0);
    EXPECT_EQ(r->Value("MindTheOrder").toInt(), 0);
}

TEST_F(EditorTest, DuplicateQuestionAsksWithTheFoundAnswer) {
    storeItem("Haus", {"house"});
    reopen();
    openAdd();
    form->txtQ->setText("Haus");
    form->txtA(1)->setText("home");
    form->txtTip->setText("tip");
    ui.pushMsgBox(forms::vbNo);
    form->cmdOK_Click();
    const auto& box = ui.last(wktest::CallKind::MsgBox);
    EXPECT_EQ(
        box.prompt,
        "The word/question \"Haus\" already exists and has the following answer:\r\rhouse\r\rContinue ?");
    EXPECT_EQ(box.style, forms::vbYesNo);
    EXPECT_EQ(box.title, "Duplicate question");
    EXPECT_EQ(itemCount(), 1);
    EXPECT_EQ(form->txtQ->text(), "Haus");
    EXPECT_EQ(form->txtTip->text(), "tip");
    EXPECT_EQ(form->focusWidget(), form->txtQ);

    ui.pushMsgBox(forms::vbYes);
    form->cmdOK_Click();
    EXPECT_EQ(itemCount(), 2);
    EXPECT_EQ(form->txtQ->text(), "");

    // Case and trailing blanks make a different question.
    for (const QString q : {"haus", "Haus "}) {
        form->txtQ->setText(q);
        form->txtA(1)->setText("x");
        const int boxes = ui.count(wktest::CallKind::MsgBox);
        form->cmdOK_Click();
        EXPECT_EQ(ui.count(wktest::CallKind::MsgBox), boxes) << q.toStdString();
    }
    EXPECT_EQ(itemCount(), 4);
}

TEST_F(EditorTest, DuplicateSearchFindsItemsAddedInThisSession) {
    openAdd();
    form->txtQ->setText("neu");
    form->txtA(1)->setText("new");
    form->cmdOK_Click();
    form->txtQ->setText("neu");
    form->txtA(1)->setText("new");
    ui.pushMsgBox(forms::vbNo);
    form->cmdOK_Click();
    EXPECT_TRUE(ui.last(wktest::CallKind::MsgBox).prompt.contains("\r\rnew\r\r"));
    EXPECT_EQ(itemCount(), 1);
}

TEST_F(EditorTest, OkRefusesWhatTheDatabaseCannotHold) {
    openAdd();
    form->txtQ->setText("Punkte");
    form->txtA(1)->setText("x");

    // F8 before the points box was left.
    form->txtPunkte->setText("12a");
    ui.pushMsgBox(forms::vbOK);
    int f8 = 119;
    form->Form_KeyUp(f8, 0);
    auto box = ui.last(wktest::CallKind::MsgBox);
    EXPECT_EQ(box.prompt, "Please enter a numeric value >=0 !");
    EXPECT_EQ(box.style, vbExclamation);
    EXPECT_EQ(box.title, "Warning:");
    EXPECT_EQ(form->focusWidget(), form->txtPunkte);
    EXPECT_EQ(itemCount(), 0);

    form->txtPunkte->setText("3");
    form->cboThema->setEditText(QString(51, 'x'));
    ui.pushMsgBox(forms::vbOK);
    form->cmdOK_Click();
    EXPECT_EQ(ui.last(wktest::CallKind::MsgBox).prompt, "Maximum length of this field is 50 !");
    EXPECT_EQ(form->focusWidget(), form->cboThema);
    EXPECT_EQ(itemCount(), 0);

    // A question made longer than its field by the character grid.
    form->cboThema->setEditText(QString(50, 'x'));
    form->txtQ->setText(QString(241, 'q'));
    ui.pushMsgBox(forms::vbOK);
    form->cmdOK_Click();
    EXPECT_EQ(ui.last(wktest::CallKind::MsgBox).prompt, "Maximum length of this field is 240 !");
    EXPECT_EQ(itemCount(), 0);
    EXPECT_EQ(form->txtQ->text().size(), 241);  // nothing cut

    form->txtQ->setText(QString(240, 'q'));
    form->cmdOK_Click();
    EXPECT_EQ(itemCount(), 1);
    EXPECT_EQ(item(QString(240, 'q'))->Value("T").toString(), QString(50, 'x'));
}

TEST_F(EditorTest, LeavingChecksOfThemeCategoryAndPoints) {
    openAdd();
    form->cboThema->setEditText(QString(50, 't'));
    form->cboThema_LostFocus();
    EXPECT_EQ(ui.count(wktest::CallKind::MsgBox), 0);
    form->cboThema->setEditText(QString(51, 't'));
    ui.pushMsgBox(forms::vbOK);
    form->cboThema_LostFocus();
    EXPECT_EQ(ui.last(wktest::CallKind::MsgBox).prompt, "Maximum length of this field is 50 !");
    EXPECT_EQ(form->cboThema->currentText().size(), 51);
    EXPECT_EQ(form->focusWidget(), form->cboThema);

    form->cboKategorie->setEditText("");
    form->cboKategorie_LostFocus();
    EXPECT_EQ(form->cboKategorie->currentText(), "Other");
    modMain::SetLanguage(0);
    form->cboKategorie->setEditText("");
    form->cboKategorie_LostFocus();
    EXPECT_EQ(form->cboKategorie->currentText(), "Andere");
    modMain::SetLanguage(1);

    for (const QString ok : {"7", " 12 "}) {
        form->txtPunkte->setText(ok);
        form->txtPunkte_LostFocus();
    }
    EXPECT_EQ(ui.count(wktest::CallKind::MsgBox), 1);
    form->txtPunkte->setText("");
    form->txtPunkte_LostFocus();
    EXPECT_EQ(form->txtPunkte->text(), "0");

    // Only whole numbers from 0 up; the refusal selects the whole text.
    int boxes = 1;
    for (const QString bad : {"12a", "-5", "1e3", "2.5"}) {
        form->txtPunkte->setText(bad);
        ui.pushMsgBox(forms::vbOK);
        form->txtPunkte_LostFocus();
        EXPECT_EQ(ui.count(wktest::CallKind::MsgBox), ++boxes) << bad.toStdString();
        EXPECT_EQ(ui.last(wktest::CallKind::MsgBox).prompt, "Please enter a numeric value >=0 !");
        EXPECT_EQ(form->txtPunkte->selectedText(), bad);
        EXPECT_EQ(form->focusWidget(), form->txtPunkte);
    }
}

TEST_F(EditorTest, EmptyPointsStoreZero) {
    openAdd();
    form->txtQ->setText("leer");
    form->txtA(1)->setText("empty");
    form->txtPunkte->setText("");
    form->cmdOK_Click();
    EXPECT_EQ(item("leer")->Value("Punkte").toInt(), 0);
    EXPECT_EQ(form->txtPunkte->text(), "0");
}

TEST_F(EditorTest, EnterChainSkipsWhatCannotTakeTheFocus) {
    openAdd();
    form->show();
    auto enter = [](auto&& handler) {
        int k = 13;
        handler(k);
        EXPECT_EQ(k, 0);
    };
    enter([&](int& k) { form->txtQ_KeyPress(k); });
    EXPECT_EQ(form->focusWidget(), form->txtA(1));
    enter([&](int& k) { form->txtA_KeyPress(4, k); });
    EXPECT_EQ(form->focusWidget(), form->txtA(5));
    // A single answer: the answer-order box is off, so the theme is next.
    enter([&](int& k) { form->txtA_KeyPress(9, k); });
    EXPECT_EQ(form->focusWidget(), form->cboThema);
    enter([&](int& k) { form->cboThema_KeyPress(k); });
    EXPECT_EQ(form->focusWidget(), form->cboKategorie);
    enter([&](int& k) { form->cboKategorie_KeyPress(k); });
    EXPECT_EQ(form->focusWidget(), form->txtExplanation);
    enter([&](int& k) { form->txtExplanation_KeyPress(k); });
    enter([&](int& k) { form->txtTip_KeyPress(k); });
    EXPECT_EQ(form->focusWidget(), form->txtPunkte);
    // OK is off: the focus stays.
    enter([&](int& k) { form->txtPunkte_KeyPress(k); });
    EXPECT_EQ(form->focusWidget(), form->txtPunkte);

    // Multiple choice: answer, then its (off) mark, which passes on.
    form->optTypAt(1)->setChecked(true);
    form->txtA(2)->setText("");
    form->chkA(2)->setEnabled(false);
    enter([&](int& k) { form->txtA_KeyPress(2, k); });
    EXPECT_EQ(form->focusWidget(), form->txtA(3));
    int other = 'a';
    form->txtQ_KeyPress(other);
    EXPECT_EQ(other, 'a');
    form->Unload();
}

TEST_F(EditorTest, EscapeAndF8AtFormLevel) {
    openAdd();
    int f8 = 119;
    form->Form_KeyUp(f8, 1);  // OK is off: nothing
    EXPECT_EQ(itemCount(), 0);
    EXPECT_TRUE(form->isLoaded());
    form->vb->show();
    int esc = 27;
    form->Form_KeyPress(esc);
    EXPECT_TRUE(form->isLoaded());  // the character grid is open
    form->vb->hide();
    form->Form_KeyPress(esc);
    EXPECT_FALSE(form->isLoaded());
    EXPECT_EQ(host.fills, 1);
    EXPECT_EQ(host.updates, QStringList{"THEMEN"});
}

TEST_F(EditorTest, CancelDropsTheItem) {
    openAdd();
    form->txtQ->setText("weg");
    form->txtA(1)->setText("away");
    form->cmdCancel_Click();
    EXPECT_EQ(itemCount(), 0);
    EXPECT_FALSE(form->isLoaded());
}

TEST_F(EditorTest, DraggingTheFrameMovesTheDialog) {
    openAdd();
    form->move(100, 100);
    form->fraEditVok_MouseMove(0, 0, 30, 30);  // no button went down: nothing
    EXPECT_EQ(form->pos(), QPoint(100, 100));
    form->fraEditVok_MouseDown(2, 0, 150.4, 300.6);
    EXPECT_TRUE(form->bWindowDrag);
    EXPECT_EQ(form->GrabX, 150);
    EXPECT_EQ(form->GrabY, 301);
    form->fraEditVok_MouseMove(2, 0, 0, 0);
    const QPoint c = QCursor::pos();
    EXPECT_EQ(form->x(), forms::twipsToPixels(c.x() * 15.0 - 150));
    EXPECT_EQ(form->y(), forms::twipsToPixels(c.y() * 15.0 - 301));
    form->fraEditVok_MouseUp(2, 0, 0, 0);
    EXPECT_FALSE(form->bWindowDrag);
}

TEST_F(EditorTest, OnlyARealLeavingRunsTheChecks) {
    openAdd();
    form->cboKategorie->setEditText("");
    QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
    QApplication::sendEvent(form->cboKategorie, &popup);
    EXPECT_EQ(form->cboKategorie->currentText(), "");  // opening the list is no leaving
    QFocusEvent tab(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(form->cboKategorie, &tab);
    EXPECT_EQ(form->cboKategorie->currentText(), "Other");

    form->txtPunkte->setText("");
    QApplication::sendEvent(form->txtPunkte, &tab);
    EXPECT_EQ(form->txtPunkte->text(), "0");
}

TEST_F(EditorTest, ThemeIsNotCompletedFromTheList) {
    storeItem("Hund", {"dog"}, 0, "Tiere", "Nomen");
    reopen();
    host.UpdateWindow("THEMEN");
    openAdd();
    form->show();
    form->activateWindow();
    QApplication::processEvents();  // the first activation focuses the question
    form->cboThema->setEditText("");
    form->cboThema->setFocus();
    QApplication::processEvents();
    ASSERT_EQ(form->cboThema->itemText(0), "Tiere");
    if (QApplication::focusWidget() != form->cboThema) GTEST_SKIP() << "no keyboard focus on this platform";
    QKeyEvent t(QEvent::KeyPress, Qt::Key_T, Qt::NoModifier, "T");
    QApplication::sendEvent(form->cboThema, &t);
    EXPECT_EQ(form->cboThema->currentText(), "T");
    form->Unload();
}

TEST_F(EditorTest, TheRunKeepsOneEditorWithItsRememberedEntry) {
    QWidget mainWindow;
    editor::frmEditVok& first = editor::EditVok(host, &mainWindow);
    first.NEWVOK = true;
    ui.pushModal([&](QWidget& w) {
        auto& f = dynamic_cast<editor::frmEditVok&>(w);
        f.txtQ->setText("Tor");
        f.txtA(1)->setText("gate");
        f.cboThema->setEditText("Sport");
        f.cmdOK_Click();
        f.cmdCancel_Click();
    });
    first.Show(forms::vbModal);
    EXPECT_FALSE(first.isLoaded());
    editor::frmEditVok& again = editor::EditVok(host, &mainWindow);
    EXPECT_EQ(&again, &first);
    EXPECT_EQ(again.LetzteEingabe.Thema, "Sport");
    EXPECT_EQ(itemCount(), 1);
}
