// The grid options dialog over real databases: what it loads, what each
// control writes where, the size checks, the font rows and the rebuild.
#include "GridOptionsFixture.h"
#include "support/Access.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include "../support/QtPrinters.h"
#include "../support/ScriptedInteraction.h"
#include "overview/frmFont.h"
#include "overview/frmGridOptions.h"
#include "platform/Error.h"
#include "platform/forms/Accessible.h"

using overview::frmFont;
using overview::frmGridOptions;

namespace {

class GridOptionsTest : public dialogstest::DialogsTest {
protected:
    void SetUp() override {
        DialogsTest::SetUp();
        overview::FontFamilySource = [](bool) {
            return QStringList{"Alpha Sans", "Beta Serif", "Gamma Mono"};
        };
    }
    void TearDown() override {
        overview::FontFamilySource = nullptr;
        DialogsTest::TearDown();
    }
};

TEST_F(GridOptionsTest, LoadShowsCaptionsAndStoredValuesAndCopiesTheDisplayFlagsThatAreOn) {
    setOption("ZeilenumbruchA", 0);
    setOption("HighlightActiveRow", 0);
    setOption("Gridlines", 0);
    setOption("SchriftartT", "Courier");
    setOption("SchriftgroesseT", "12");
    setProgram("HighlightActiveRow", 1);
    setProgram("Gridlines", 1);
    setProgram("IndikatorRand", 0);
    setProgram("ListIcon", 1);
    setOption("IndikatorRand", 1);

    wktest::ScriptedUi ui;
    frmGridOptions f(host);
    f.Form_Load();

    EXPECT_EQ(f.windowTitle(), "Table options");
    EXPECT_EQ(f.chkWordbreakQ->text(), "Wordbreak in field \"Word/Question\"");
    EXPECT_EQ(f.chkWordbreakT->text(), "Wordbreak in field \"Subject\"");
    EXPECT_EQ(f.chkListIcon->text(), "Enable enhanced icons");
    EXPECT_EQ(f.lblSchriftartRest->text(), "Other");
    EXPECT_EQ(f.cmdPickFontA->toolTip(), "Pick a font");
    EXPECT_EQ(f.cmdDefault->toolTip(), "Sets all fonts to MS Sans Serif, size 8");

    EXPECT_TRUE(f.chkWordbreakQ->isChecked());  // default 1
    EXPECT_FALSE(f.chkWordbreakA->isChecked());
    EXPECT_TRUE(f.chkHighlightActiveRow->isChecked());
    EXPECT_TRUE(f.chkGridlines->isChecked());
    EXPECT_FALSE(f.chkColorCode->isChecked());
    EXPECT_TRUE(f.chkListIcon->isChecked());
    EXPECT_EQ(f.txtSchriftart->text(), "MS Sans Serif");
    EXPECT_EQ(f.txtSchriftgroesse->text(), "8");
    EXPECT_EQ(f.txtSchriftartT->text(), "Courier");
    EXPECT_EQ(f.txtSchriftgroesseT->text(), "12");

    // The flags that are on reach the database's copy; the grid lines are on.
    EXPECT_EQ(stored("HighlightActiveRow").toInt(), 1);
    EXPECT_EQ(stored("Gridlines").toInt(), 1);
    // A flag that is off is not written: the copy keeps its old value.
    EXPECT_EQ(stored("IndikatorRand").toInt(), 1);
    EXPECT_TRUE(host.grid.GridLines());
    EXPECT_TRUE(f.optM[0]->isChecked());
    EXPECT_FALSE(f.fraDisplay->isHidden());
    EXPECT_TRUE(f.fraFonts->isHidden());
    EXPECT_EQ(ui.count(wktest::CallKind::MsgBox), 0);
}

TEST_F(GridOptionsTest, EachCheckBoxWritesItsRecordsAndGridLinesActAtOnce) {
    host.grid.SetGridLines(false);  // as the main window set it from Gridlines 0
    wktest::ScriptedUi ui;
    frmGridOptions f(host);
    f.Form_Load();

    f.chkWordbreakA->setChecked(false);
    EXPECT_EQ(stored("ZeilenumbruchA").toInt(), 0);
    f.chkWordbreakT->setChecked(false);
    EXPECT_EQ(stored("ZeilenumbruchT").toInt(), 0);

    f.chkHighlightActiveRow->setChecked(true);
    EXPECT_EQ(stored("HighlightActiveRow").toInt(), 1);
    EXPECT_EQ(storedProgram("HighlightActiveRow").toInt(), 1);

    f.chkColorCode->setChecked(false);
    EXPECT_EQ(stored("IndikatorRand").toInt(), 0);
    EXPECT_EQ(storedProgram("IndikatorRand").toInt(), 0);

    ASSERT_FALSE(host.grid.GridLines());
    f.chkGridlines->setChecked(true);
    EXPECT_TRUE(host.grid.GridLines());
    EXPECT_EQ(stored("Gridlines").toInt(), 1);
    EXPECT_EQ(storedProgram("Gridlines").toInt(), 1);
    f.chkGridlines->setChecked(false);
    EXPECT_FALSE(host.grid.GridLines());
    EXPECT_EQ(storedProgram("Gridlines").toInt(), 0);

    // ListIcon lives in the program options only.
    f.chkListIcon->setChecked(false);
    EXPECT_EQ(storedProgram("ListIcon").toInt(), 0);
    EXPECT_THROW(stored("ListIcon"), wk::Error);
    EXPECT_EQ(host.rebuilds, 0);  // only OK rebuilds
}

TEST_F(GridOptionsTest, SizeBelowSixOrNotANumberIsRefusedWithMessage420) {
    wktest::ScriptedUi ui;
    frmGridOptions f(host);
    f.Form_Load();

    for (const char* bad : {"5", "ab", ""}) {
        ui.pushMsgBox(forms::vbOK);
        f.txtSchriftgroesse->setText(bad);
        f.txtSchriftgroesse_LostFocus();
        const auto& m = ui.last(wktest::CallKind::MsgBox);
        EXPECT_EQ(m.prompt, "Please enter a numeric value >= 6 !") << bad;
        EXPECT_EQ(m.style, forms::vbOKOnly | forms::vbInformation);
        EXPECT_EQ(m.title, "");
        EXPECT_EQ(stored("Schriftgroesse").toString(), "8") << bad;
        EXPECT_EQ(f.txtSchriftgroesse->text(), bad);  // the entry stays for mending
    }
    for (const char* good : {"6", "99"}) {
        f.txtSchriftgroesseA->setText(good);
        f.txtSchriftgroesseA_LostFocus();
        EXPECT_EQ(stored("SchriftgroesseA").toString(), good);
    }
    f.txtSchriftgroesseT->setText("14");
    f.txtSchriftgroesseT_LostFocus();
    EXPECT_EQ(stored("SchriftgroesseT").toString(), "14");
    EXPECT_EQ(ui.count(wktest::CallKind::MsgBox), 3);
}

TEST_F(GridOptionsTest, TheOtherColumnsSizeChecksAtEveryChange) {
    wktest::ScriptedUi ui;
    frmGridOptions f(host);
    f.Form_Load();
    ASSERT_EQ(ui.count(wktest::CallKind::MsgBox), 0);  // "8" from the load passes

    // Typing "10": the "1" alone is refused, the "10" stored.
    ui.pushMsgBox(forms::vbOK);
    f.txtSchriftgroesseRest->setText("1");
    EXPECT_EQ(ui.count(wktest::CallKind::MsgBox), 1);
    EXPECT_EQ(stored("SchriftgroesseRest").toString(), "8");
    f.txtSchriftgroesseRest->setText("10");
    EXPECT_EQ(ui.count(wktest::CallKind::MsgBox), 1);
    EXPECT_EQ(stored("SchriftgroesseRest").toString(), "10");

    ui.pushMsgBox(forms::vbOK);
    f.txtSchriftgroesseRest->setText("");
    EXPECT_EQ(ui.count(wktest::CallKind::MsgBox), 2);
    EXPECT_EQ(stored("SchriftgroesseRest").toString(), "10");
}

TEST_F(GridOptionsTest, FontNamesAreStoredAsTypedAndATooLongNameIsRefusedNotCut) {
    wktest::ScriptedUi ui;
    frmGridOptions f(host);
    f.Form_Load();

    f.txtSchriftartA->setText("  any Text ");
    f.txtSchriftartA_LostFocus();
    EXPECT_EQ(stored("SchriftartA").toString(), "  any Text ");
    f.txtSchriftartRest->setText("");
    f.txtSchriftartRest_LostFocus();
    EXPECT_EQ(stored("SchriftartRest").toString(), "");

    // 41 characters do not fit the field of 40: the user is told so plainly
    // (not in the error report), the box keeps its text to be shortened, the
    // stored name stays, and the record is usable for the next write.
    f.show();
    QApplication::setActiveWindow(&f);
    ui.pushMsgBox(forms::vbOK);
    f.txtSchriftart->setText(QString(41, 'x'));
    f.txtSchriftart_LostFocus();
    EXPECT_EQ(ui.count(wktest::CallKind::MsgBox), 1);
    EXPECT_EQ(ui.last(wktest::CallKind::MsgBox).prompt,
              modMain::GetText(5077) + "40" + modMain::GetText(5078));
    EXPECT_EQ(ui.last(wktest::CallKind::MsgBox).title, modMain::GetText(40));
    EXPECT_EQ(f.txtSchriftart->text(), QString(41, 'x'));
    EXPECT_EQ(stored("Schriftart").toString(), "MS Sans Serif");
    f.txtSchriftart->setText(QString(40, 'y'));
    f.txtSchriftart_LostFocus();
    EXPECT_EQ(stored("Schriftart").toString(), QString(40, 'y'));
}

// After a refusal the user can always act or leave: the focus is not pulled
// back into the box, and "Restore default fonts", which replaces the name
// anyway, works at the first click.
TEST_F(GridOptionsTest, ARefusedNameTrapsNeitherTheFocusNorAClick) {
    setOption("Schriftart", "Arial");
    setOption("SchriftartA", "Arial");
    wktest::ScriptedUi ui;
    ui.pushMsgBox(forms::vbOK);
    ui.pushMsgBox(forms::vbOK);
    ui.allowUnusedAnswers();
    frmGridOptions f(host);
    f.Form_Load();
    f.show();
    QApplication::setActiveWindow(&f);
    f.optM[1]->click();
    // A click as the window system delivers it: the focus moves first.
    auto click = [](QWidget* w) {
        w->setFocus(Qt::MouseFocusReason);
        const QPointF at(2, 2);
        QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(w, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(w, &release);
    };
    const QString tooLong(45, 'x');

    ASSERT_TRUE(f.txtSchriftart->hasFocus());
    f.txtSchriftart->setText(tooLong);
    click(f.cmdDefault);
    EXPECT_EQ(ui.count(wktest::CallKind::MsgBox), 0);
    EXPECT_EQ(f.txtSchriftart->text(), "MS Sans Serif");
    EXPECT_EQ(stored("Schriftart").toString(), "MS Sans Serif");
    EXPECT_EQ(stored("SchriftartA").toString(), "MS Sans Serif");

    f.txtSchriftartA->setFocus();
    f.txtSchriftartA->setText(tooLong);
    click(f.txtSchriftartT);
    EXPECT_EQ(ui.count(wktest::CallKind::MsgBox), 1);
    EXPECT_TRUE(f.txtSchriftartT->hasFocus());
    EXPECT_EQ(stored("SchriftartA").toString(), "MS Sans Serif");
    click(f.txtSchriftartRest);
    EXPECT_EQ(ui.count(wktest::CallKind::MsgBox), 1);
}

TEST_F(GridOptionsTest, RestoreDefaultsWritesAllFourFontsAndLeavesTheFlags) {
    setOption("Schriftart", "Arial");
    setOption("SchriftgroesseA", "20");
    setOption("SchriftartRest", "");
    setOption("SchriftgroesseT", "11");
    setOption("ZeilenumbruchQ", 0);
    wktest::ScriptedUi ui;
    frmGridOptions f(host);
    f.Form_Load();
    f.cmdDefault_Click();

    for (QLineEdit* e : {f.txtSchriftart, f.txtSchriftartA, f.txtSchriftartT, f.txtSchriftartRest})
        EXPECT_EQ(e->text(), "MS Sans Serif");
    for (QLineEdit* e :
         {f.txtSchriftgroesse, f.txtSchriftgroesseA, f.txtSchriftgroesseT, f.txtSchriftgroesseRest})
        EXPECT_EQ(e->text(), "8");
    for (const char* n : {"Schriftart", "SchriftartA", "SchriftartT", "SchriftartRest"})
        EXPECT_EQ(stored(n).toString(), "MS Sans Serif") << n;
    for (const char* n : {"Schriftgroesse", "SchriftgroesseA", "SchriftgroesseT", "SchriftgroesseRest"})
        EXPECT_EQ(stored(n).toString(), "8") << n;
    EXPECT_EQ(stored("ZeilenumbruchQ").toInt(), 0);
}

TEST_F(GridOptionsTest, PickingAFontWritesTheRowsFieldsAndReloadsItsBoxes) {
    wktest::ScriptedUi ui;
    frmGridOptions f(host);
    f.Form_Load();
    QString asked, askedSize;
    ui.pushModal([&](QWidget& w) {
        auto& d = dynamic_cast<frmFont&>(w);
        asked = d.FieldToWriteTo;
        askedSize = d.FieldToWriteSizeTo;
        d.lstFont->setCurrentRow(2);
        d.sldFont->setValue(20);
        d.cmdOK_Click();
    });
    f.cmdPickFontA_Click();
    EXPECT_EQ(asked, "SchriftartA");
    EXPECT_EQ(askedSize, "SchriftgroesseA");
    EXPECT_EQ(stored("SchriftartA").toString(), "Gamma Mono");
    EXPECT_EQ(stored("SchriftgroesseA").toString(), "20");
    EXPECT_EQ(f.txtSchriftartA->text(), "Gamma Mono");
    EXPECT_EQ(f.txtSchriftgroesseA->text(), "20");
    EXPECT_EQ(stored("Schriftart").toString(), "MS Sans Serif");

    ui.pushModal([&](QWidget& w) {
        auto& d = dynamic_cast<frmFont&>(w);
        asked = d.FieldToWriteTo;
        d.lstFont->setCurrentRow(0);
        d.sldFont->setValue(30);
        d.cmdAbbrechen_Click();
    });
    f.txtSchriftartRest->setText("typed, not stored");
    f.cmdPickFontRest_Click();
    EXPECT_EQ(asked, "SchriftartRest");
    EXPECT_EQ(f.txtSchriftartRest->text(), "MS Sans Serif");
    EXPECT_EQ(f.txtSchriftgroesseRest->text(), "8");
    EXPECT_EQ(stored("SchriftgroesseRest").toString(), "8");
}

TEST_F(GridOptionsTest, OkAndEscRebuildTheGridAndClose) {
    wktest::ScriptedUi ui;
    {
        frmGridOptions f(host);
        f.Form_Load();
        f.cmdOK_Click();
        EXPECT_EQ(host.rebuilds, 1);
        EXPECT_TRUE(f.unloaded());
    }
    {
        frmGridOptions f(host);
        f.Form_Load();
        f.show();
        QApplication::processEvents();
        // Esc reaches the dialog first, whatever control has the focus.
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(f.chkColorCode, &esc);
        EXPECT_EQ(host.rebuilds, 2);
        EXPECT_TRUE(f.unloaded());
        EXPECT_FALSE(f.isVisible());
    }
    {
        // Closed any other way: no rebuild.
        frmGridOptions f(host);
        f.Form_Load();
        f.show();
        f.close();
        EXPECT_EQ(host.rebuilds, 2);
    }
}

TEST_F(GridOptionsTest, TheToolbarOpensTheLoadedDialogModally) {
    wktest::ScriptedUi ui;
    QString title;
    ui.pushModal([&](QWidget& w) {
        auto& d = dynamic_cast<frmGridOptions&>(w);
        title = d.windowTitle();
        d.cmdOK_Click();
    });
    overview::ShowGridOptions(host);
    EXPECT_EQ(title, "Table options");
    EXPECT_EQ(host.rebuilds, 1);
}

// The page buttons switch the pages; Tab stops at the button of the page
// shown and never at the other one, however the page was chosen.
TEST_F(GridOptionsTest, PageButtonsSwitchThePages) {
    wktest::ScriptedUi ui;
    frmGridOptions f(host);
    f.Form_Load();
    const QStringList display = {"chkWordbreakQ",         "chkWordbreakA", "chkWordbreakT",
                                 "chkHighlightActiveRow", "chkGridlines",  "chkColorCode",
                                 "chkListIcon",           "cmdOK",         "optM(0)"};
    EXPECT_EQ(wktest::tabWalk(f.chkWordbreakQ), display);
    f.optM[1]->setChecked(true);
    EXPECT_TRUE(f.fraDisplay->isHidden());
    EXPECT_FALSE(f.fraFonts->isHidden());
    EXPECT_EQ(wktest::unnamedControls(&f), QStringList());  // "...", font and size boxes by their row
    EXPECT_FALSE(wktest::tabWalk(f.txtSchriftart).contains("optM(0)"));
    EXPECT_TRUE(wktest::tabWalk(f.txtSchriftart).contains("optM(1)"));
    // Back by the arrow key from the fonts' button.
    f.optM[1]->setFocus(Qt::TabFocusReason);
    wktest::keyTo(f.optM[1], Qt::Key_Left);
    EXPECT_TRUE(f.optM[0]->isChecked());
    EXPECT_FALSE(f.fraDisplay->isHidden());
    EXPECT_TRUE(f.fraFonts->isHidden());
    EXPECT_EQ(wktest::tabWalk(f.chkWordbreakQ), display);
}

// An arrow key on the page buttons chooses the page beside, and the focus
// goes to the page's first control as a click on the button takes it
// there: only that control is heard, not the page button after it.
TEST_F(GridOptionsTest, APageChosenByAnArrowIsHeardOnceAtItsFirstControl) {
    wktest::ScriptedUi ui;
    forms::installAccessibility();
    frmGridOptions f(host);
    f.Form_Load();
    f.show();
    QApplication::setActiveWindow(&f);
    const struct {
        int from;
        Qt::Key key;
        int page;
        QString heard;
    } cases[] = {
        {0, Qt::Key_Right, 1, "txtSchriftart"},
        {1, Qt::Key_Left, 0, "chkWordbreakQ"},
        {0, Qt::Key_Down, 1, "txtSchriftart"},
        {1, Qt::Key_Up, 0, "chkWordbreakQ"},
    };
    for (const auto& c : cases) {
        f.optM[c.from]->setFocus(Qt::TabFocusReason);
        wktest::ReaderLog log;
        wktest::keyTo(f.optM[c.from], c.key);
        EXPECT_TRUE(f.optM[c.page]->isChecked()) << c.key;
        EXPECT_EQ(log.focus(), QStringList{c.heard}) << c.key;
        EXPECT_EQ(wktest::focusedControl(&f), c.heard) << c.key;
    }
}

}  // namespace

namespace {

TEST_F(GridOptionsTest, LeavingAWrongSizeForAnotherWrongOneAsksOnceAndKeepsTheFocus) {
    wktest::ScriptedUi ui;
    frmGridOptions f(host);
    f.Form_Load();
    f.optM[1]->setChecked(true);
    f.show();
    QApplication::setActiveWindow(&f);
    QApplication::processEvents();
    f.txtSchriftgroesseA->setText("4");
    f.txtSchriftgroesseT->setText("3");
    f.txtSchriftgroesseA->setFocus(Qt::OtherFocusReason);
    QApplication::processEvents();
    ASSERT_TRUE(f.txtSchriftgroesseA->hasFocus());

    ui.pushMsgBox(forms::vbOK);
    f.txtSchriftgroesseT->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(ui.count(wktest::CallKind::MsgBox), 1);
    EXPECT_TRUE(f.txtSchriftgroesseA->hasFocus());
    EXPECT_EQ(stored("SchriftgroesseA").toString(), "8");
    EXPECT_EQ(stored("SchriftgroesseT").toString(), "8");

    // Mended, the box is left and stores its size.
    f.txtSchriftgroesseA->setText("16");
    f.txtSchriftart->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(stored("SchriftgroesseA").toString(), "16");
    f.close();
}

}  // namespace
