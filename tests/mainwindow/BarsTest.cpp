// The main bar: availability, pressed and lit pictures, hints, clicks and the
// three database locks.
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeWidget>
#include <algorithm>
#include <cmath>
#include <functional>

#include "mainwindow/BarsFixture.h"
#include "mainwindow/SettingsPanel.h"
#include "support/Waiting.h"

using namespace barstest;
using mainwindow::frmMain;
using mainwindow::ImageBox;
using wktest::CallKind;

namespace {

class Bars : public BarsTest {};

struct HintCase {
    const char* button;
    const char* text;
    const char* shortcut;
};

TEST_F(Bars, EachButtonsHintCarriesItsTwoMessages) {
    auto& m = startMain(1);
    const HintCase cases[] = {
        {"imgBarNewDB", "Create a new database", "(Ctrl-N)"}, {"imgBarOpenDB", "Open database", "(Ctrl-O)"},
        {"imgBarOverview", "Database View", "(Ctrl-D)"},      {"imgBarOptions", "Settings", "(Ctrl-E)"},
        {"imgBarStartTest", "Start test", "(Ctrl-S)"},
    };
    for (const auto& c : cases) {
        m.HideBarPopup();
        auto* b = m.findChild<ImageBox*>(c.button);
        ASSERT_TRUE(b);
        emit b->mouseMove(0, 0, 30, 30);
        EXPECT_TRUE(m.lblBarPopup->isVisible()) << c.button;
        EXPECT_EQ(m.lblBarPopup->text(), c.text);
        EXPECT_EQ(m.lblBarPopup2->text(), c.shortcut);
        EXPECT_EQ(forms::foreColor(m.lblBarPopup), 0x000000u) << c.button;
        EXPECT_EQ(b->pictureKey(), pictureOf(m, b, "Hi")) << c.button;
        // Only the button under the pointer is lit.
        for (ImageBox* o :
             {m.imgBarNewDB, m.imgBarOpenDB, m.imgBarOverview, m.imgBarOptions, m.imgBarStartTest})
            if (o != b) {
                EXPECT_EQ(o->pictureKey(), pictureOf(m, o, "Lo")) << o->objectName().toStdString();
            }
        EXPECT_EQ(m.BarPopupCursor, cursor);
        EXPECT_TRUE(m.tmrBar->isActive());
    }
}

TEST_F(Bars, PictureButtonsAreNamedByTheirHint) {
    auto& m = startMain(1);
    for (ImageBox* b : {m.imgBarExit, m.imgBarMin, m.imgBarMax, m.imgBarNewDB, m.imgBarOpenDB,
                        m.imgBarOverview, m.imgBarOptions, m.imgBarStartTest}) {
        m.HideBarPopup();
        emit b->mouseMove(0, 0, 30, 30);
        EXPECT_FALSE(b->accessibleName().isEmpty()) << b->objectName().toStdString();
        EXPECT_EQ(b->accessibleName(), m.lblBarPopup->text()) << b->objectName().toStdString();
        EXPECT_EQ(b->accessibleDescription(), m.lblBarPopup2->text().trimmed())
            << b->objectName().toStdString();
    }
    for (const char* tool :
         {"New", "Delete", "Search", "Import", "Record", "SoundImport", "ImportPic", "GridOptions"}) {
        auto* b = m.findChild<QPushButton*>(QString("cmdOverview1_") + tool);
        ASSERT_TRUE(b) << tool;
        m.HideBarPopup();
        m.cmdOverview1_MouseMove(tool);
        EXPECT_EQ(b->accessibleName(), m.lblBarPopup->text()) << tool;
    }
    EXPECT_EQ(m.imgBarNewDB->accessibleName(), "Create a new database");
    // The test bar's hints show only during a test.
    EXPECT_EQ(m.imgTestBarCancel->accessibleName(), "End test");
    EXPECT_EQ(m.imgTestBarSound->accessibleName(), "Play sound");
    EXPECT_EQ(m.imgTestBarSolve->accessibleName(), "Correct/continue");
    EXPECT_EQ(m.imgTestBarSolve->accessibleDescription(), "Rightclick for clue");
    EXPECT_EQ(m.findChild<QPushButton*>("cmdOverview1_ImportPic")->accessibleName(), "Import picture");
}

using wktest::contrast;

// The focused bar button shows a frame around it, placed by the window or
// reached by Tab, each of whose points stands out 3:1 from what it covers;
// it lies on the picture's light face, inside its dark rim.
TEST_F(Bars, AFocusedBarButtonsFrameStandsOutThreeToOne) {
    auto& m = startMain(1);
    m.show();
    QApplication::setActiveWindow(&m);
    for (ImageBox* b : {m.imgBarNewDB, m.imgBarOverview, m.imgBarStartTest}) {
        const QRect area(b->mapTo(&m, QPoint(0, 0)), b->size());
        m.imgBarOpenDB->setFocus(Qt::OtherFocusReason);
        const QImage away = m.grab(area).toImage();
        b->setFocus(Qt::OtherFocusReason);
        const QImage focused = m.grab(area).toImage();
        int marked = 0, onTheRim = 0;
        double weakest = 21;
        for (int y = 0; y < away.height(); ++y)
            for (int x = 0; x < away.width(); ++x)
                if (away.pixel(x, y) != focused.pixel(x, y)) {
                    ++marked;
                    onTheRim += std::min({x, y, away.width() - 1 - x, away.height() - 1 - y}) < 2;
                    weakest = std::min(weakest, contrast(away.pixel(x, y), focused.pixel(x, y)));
                }
        const QString name = b->objectName();
        EXPECT_GE(marked, 2 * (b->width() + b->height())) << name.toStdString();  // a frame, not a dot
        EXPECT_GE(weakest, 3.0) << name.toStdString();
        EXPECT_EQ(onTheRim, 0) << name.toStdString();
    }
}

// A bar button that does nothing now looks locked (its picture greyed),
// takes no focus and is heard disabled, from the start or once locked;
// it opens again with what it waits for. The others look as they are.
TEST_F(Bars, LockedButtonsLookLockedAndTakeNoFocus) {
    // How coloured the picture is: the mean saturation of its shown points.
    const auto colour = [](const QImage& img) {
        double sum = 0, weight = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QColor c = img.pixelColor(x, y);
                sum += c.hsvSaturationF() * c.alphaF();
                weight += c.alphaF();
            }
        return weight > 0 ? sum / weight : 0.0;
    };
    const auto deleteTheOnlyItem = [this](frmMain& m) {
        m.vg1->SetSelectedRow(1);
        ui.pushMsgBox(forms::vbYes);
        m.vg1_KeyDown(46, 0);
    };
    const auto lock = [this](frmMain& m, void (frmMain::*click)()) {
        m.imgBarOptions_Click();
        ui.pushMsgBox(forms::vbYes);
        (m.*click)();
    };
    const struct {
        const char* when;
        int items;
        std::function<void(frmMain&)> act;
        QStringList locked;
    } cases[] = {
        {"no database", -1, {}, {"imgBarOverview", "imgBarOptions", "imgBarStartTest"}},
        {"an empty database", 0, {}, {"imgBarStartTest"}},
        {"a database with an item", 1, {}, {}},
        {"its last item deleted", 1, deleteTheOnlyItem, {"imgBarStartTest"}},
        {"the overview locked",
         1,
         [&](frmMain& m) { lock(m, &frmMain::cmdDBHideOverview_Click); },
         {"imgBarOverview"}},
        {"the settings locked",
         1,
         [&](frmMain& m) { lock(m, &frmMain::cmdDBHideOptions_Click); },
         {"imgBarOptions"}},
        {"a database opened after none",
         -1,
         [&](frmMain& m) { m.VokDBOeffnen(makeVokDB("zwei.wkd")); },
         {"imgBarStartTest"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.when);
        roadtest::resetRunState();
        start.reset();
        QFile::remove(dbFolder() + "/kurs.wkd");
        QFile::remove(dbFolder() + "/zwei.wkd");
        frmMain& m = startMain(c.items);
        if (c.act) c.act(m);
        for (ImageBox* b :
             {m.imgBarNewDB, m.imgBarOpenDB, m.imgBarOverview, m.imgBarOptions, m.imgBarStartTest}) {
            const std::string name = b->objectName().toStdString();
            const bool locked = c.locked.contains(b->objectName());
            EXPECT_EQ(QAccessible::queryAccessibleInterface(b)->state().disabled, locked) << name;
            EXPECT_EQ(bool(b->focusPolicy() & Qt::TabFocus), !locked) << name;
            const double open = colour(m.barHolders.at(b->objectName() + "_Lo")->grab().toImage());
            EXPECT_EQ(colour(b->grab().toImage()) < open / 2, locked) << name;
        }
    }
}

TEST_F(Bars, WithoutDatabaseOnlyNewAndOpenWork) {
    auto& m = startMain(-1);
    EXPECT_TRUE(m.fraWelcome->isVisibleTo(&m));
    for (ImageBox* b : {m.imgBarOverview, m.imgBarOptions, m.imgBarStartTest}) {
        m.barButton_MouseDown(b);
        EXPECT_EQ(b->pictureKey(), pictureOf(m, b, "Lo")) << b->objectName().toStdString();
        EXPECT_FALSE(m.bOverviewDown || m.bOptionsDown || m.bStartTestDown);
        m.HideBarPopup();
        emit b->mouseMove(0, 0, 10, 10);
        EXPECT_EQ(forms::foreColor(m.lblBarPopup), 0x808080u) << b->objectName().toStdString();
        EXPECT_EQ(b->pictureKey(), pictureOf(m, b, "Lo"));
    }
    // The grey hints keep their shortcut line without a database.
    EXPECT_EQ(m.lblBarPopup2->text(), "(Ctrl-S)");
    m.imgBarOverview_Click();
    m.imgBarOptions_Click();
    EXPECT_TRUE(m.fraWelcome->isVisibleTo(&m));
    EXPECT_FALSE(m.fraOverview1->isVisibleTo(&m));
    EXPECT_FALSE(m.fraVerwaltung->isVisibleTo(&m));

    m.barButton_MouseDown(m.imgBarOpenDB);
    EXPECT_TRUE(m.bOpenDBDown);
    EXPECT_EQ(m.imgBarOpenDB->pictureKey(), pictureOf(m, m.imgBarOpenDB, "Down"));
}

TEST_F(Bars, NothingResetsWhileAButtonIsHeldDown) {
    auto& m = startMain(1);
    emit m.imgBarOverview->mouseMove(0, 0, 10, 10);
    m.barButton_MouseDown(m.imgBarOverview);
    EXPECT_TRUE(m.bOverviewDown);
    EXPECT_EQ(m.imgBarOverview->pictureKey(), pictureOf(m, m.imgBarOverview, "Down"));
    // Dragged away with the button held: picture and hint stay.
    cursor += QPoint(200, 100);
    m.tmrBar_Timer();
    EXPECT_EQ(m.imgBarOverview->pictureKey(), pictureOf(m, m.imgBarOverview, "Down"));
    EXPECT_TRUE(m.lblBarPopup->isVisible());
    EXPECT_TRUE(m.tmrBar->isActive());

    m.barButton_MouseUp(m.imgBarOverview);
    EXPECT_FALSE(m.bOverviewDown);
    EXPECT_EQ(m.imgBarOverview->pictureKey(), pictureOf(m, m.imgBarOverview, "Hi"));
    m.tmrBar_Timer();
    EXPECT_EQ(m.imgBarOverview->pictureKey(), pictureOf(m, m.imgBarOverview, "Lo"));
    EXPECT_FALSE(m.lblBarPopup->isVisible());
    EXPECT_FALSE(m.lblBarPopup2->isVisible());
    EXPECT_FALSE(m.tmrBar->isActive());
}

TEST_F(Bars, OverviewAndSettingsSwitchPanels) {
    auto& m = startMain(2);
    EXPECT_TRUE(m.fraOverview1->isVisibleTo(&m));  // the opening shows it
    emit m.imgBarOptions->mouseMove(0, 0, 5, 5);
    ASSERT_TRUE(m.lblBarPopup->isVisible());
    emit m.imgBarOptions->clicked();
    EXPECT_TRUE(m.fraVerwaltung->isVisibleTo(&m));
    EXPECT_FALSE(m.fraOverview1->isVisibleTo(&m));
    EXPECT_FALSE(m.lblBarPopup->isVisible());
    emit m.imgBarOverview->clicked();
    EXPECT_TRUE(m.fraOverview1->isVisibleTo(&m));
    EXPECT_FALSE(m.fraVerwaltung->isVisibleTo(&m));
    EXPECT_TRUE(m.fraMainBar->isVisibleTo(&m));
}

TEST_F(Bars, EmptyGridCannotStartATest) {
    auto& m = startMain(0);
    emit m.imgBarStartTest->mouseMove(0, 0, 5, 5);
    EXPECT_EQ(m.lblBarPopup->text(), "Start test");
    EXPECT_EQ(forms::foreColor(m.lblBarPopup), 0x808080u);
    EXPECT_EQ(m.imgBarStartTest->pictureKey(), pictureOf(m, m.imgBarStartTest, "Lo"));
    m.barButton_MouseDown(m.imgBarStartTest);
    EXPECT_FALSE(m.bStartTestDown);
}

TEST_F(Bars, OpenButtonAsksForAFileAndOpensIt) {
    auto& m = startMain(-1);
    makeVokDB("zwei.wkd");
    ui.pushOpen(dbFolder() + "/zwei.wkd");
    emit m.imgBarOpenDB->clicked();
    EXPECT_EQ(ui.count(CallKind::ShowOpen), 1);
    EXPECT_TRUE(runstate::bDBOffen);
    EXPECT_EQ(runstate::VokDBName, "ZWEI");
    EXPECT_TRUE(m.fraOverview1->isVisibleTo(&m));
}

// ---- locks ----

TEST_F(Bars, OverviewLockIsAskedOnceStoredAndHoldsAfterReopening) {
    auto& m = startMain(1);
    ui.pushMsgBox(forms::vbNo);
    m.cmdDBHideOverview_Click();
    ui.pushMsgBox(forms::vbCancel);
    m.cmdDBHideOverview_Click();
    EXPECT_EQ(optionsValue(path, "ShowOverview").toInt(), 1);

    ui.pushMsgBox(forms::vbYes);
    m.cmdDBHideOverview_Click();
    const auto& box = ui.last(CallKind::MsgBox);
    EXPECT_EQ(box.title, "Caution:");
    EXPECT_EQ(box.style, forms::vbYesNoCancel);
    EXPECT_EQ(box.prompt,
              "If the overview panel is locked, the test content cannot be changed anymore.\r\n\r\n"
              "Do you really want to lock the overview panel ?");
    EXPECT_EQ(optionsValue(path, "ShowOverview").toInt(), 0);

    // Locked: the button and its hint refuse, and the panel stays away.
    m.imgBarOptions_Click();
    m.imgBarOverview_Click();
    EXPECT_FALSE(m.fraOverview1->isVisibleTo(&m));
    m.HideBarPopup();
    emit m.imgBarOverview->mouseMove(0, 0, 5, 5);
    EXPECT_EQ(m.lblBarPopup2->text(), "Locked");
    EXPECT_EQ(forms::foreColor(m.lblBarPopup), 0x808080u);
    EXPECT_EQ(m.imgBarOverview->pictureKey(), pictureOf(m, m.imgBarOverview, "Lo"));

    // Reopened, the file keeps the lock: the overview does not come up.
    m.VokDBOeffnen(path);
    EXPECT_TRUE(runstate::bDBOffen);
    EXPECT_FALSE(m.fraOverview1->isVisibleTo(&m));
    EXPECT_FALSE(m.barButtonAvailable(m.imgBarOverview));
}

TEST_F(Bars, SettingsLockHidesThePanelsAndShowsTheOverviewWhenOpen) {
    auto& m = startMain(1);
    m.imgBarOptions_Click();
    ASSERT_TRUE(m.fraVerwaltung->isVisibleTo(&m));
    ui.pushMsgBox(forms::vbYes);
    m.cmdDBHideOptions_Click();
    EXPECT_EQ(optionsValue(path, "ShowOptions").toInt(), 0);
    EXPECT_FALSE(m.fraVerwaltung->isVisibleTo(&m));
    EXPECT_TRUE(m.fraOverview1->isVisibleTo(&m));
    EXPECT_TRUE(
        ui.last(CallKind::MsgBox).prompt.endsWith("\r\n\r\nDo you really want to lock the options panel ?"));
    m.imgBarOptions_Click();
    EXPECT_FALSE(m.fraVerwaltung->isVisibleTo(&m));
}

TEST_F(Bars, TheSettingsPanelOpensOnTheSelectedNodesPage) {
    // Not the active window (another program has it): no focus event comes.
    auto& m = startMain(1);
    auto* panel = m.fraVerwaltung;
    const auto shown = [&] {
        QStringList pages;
        for (QFrame* p : {panel->fraOpt_Test, panel->fraVTE_Welche, panel->fraVPE, panel->fraVDI})
            if (p->isVisibleTo(&m)) pages << p->objectName();
        return pages;
    };
    m.imgBarOptions_Click();
    EXPECT_EQ(shown(), QStringList{"fraOpt_Test"});
    EXPECT_TRUE(panel->lblBOpt_Start->isVisibleTo(&m));

    // The node chosen last is chosen again, and its page shows, also when the
    // tree has kept the focus.
    QTreeWidgetItem* db = panel->tvVerwaltung->findItems("Database", Qt::MatchExactly).value(0);
    ASSERT_TRUE(db);
    panel->tvVerwaltung->setCurrentItem(db);
    panel->tvVerwaltung_NodeClick(db);
    m.imgBarOverview_Click();
    m.imgBarOptions_Click();
    EXPECT_EQ(shown(), QStringList{"fraVDI"});
}

TEST_F(Bars, TheSpecialCharactersBoxExplainsItself) {
    auto& m = startMain(1);
    m.imgBarStartTest_Click();
    ASSERT_TRUE(m.chkShowUmlaute->isVisibleTo(&m));
    const QPointF p(3, 3);
    QMouseEvent move(QEvent::MouseMove, p, m.chkShowUmlaute->mapToGlobal(p), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(m.chkShowUmlaute, &move);
    EXPECT_TRUE(m.lblBarPopup->isVisibleTo(&m));
    EXPECT_EQ(m.lblBarPopup->text(), "Show special signs");
    EXPECT_EQ(forms::foreColor(m.lblBarPopup), 0u);
    m.imgTestBarCancel_Click();
}

TEST_F(Bars, SettingsLockWithOverviewLockedLeavesNoPanel) {
    auto& m = startMain(1);
    ui.pushMsgBox(forms::vbYes);
    m.cmdDBHideOverview_Click();
    m.imgBarOptions_Click();
    ui.pushMsgBox(forms::vbYes);
    m.cmdDBHideOptions_Click();
    for (QWidget* p : std::initializer_list<QWidget*>{m.fraOverview1, m.fraWelcome, m.fraVerwaltung,
                                                      m.fraAbfrage, m.fraTestBar})
        EXPECT_FALSE(p->isVisibleTo(&m)) << p->objectName().toStdString();
}

TEST_F(Bars, ExportLockWritesOneAndDisablesItsButton) {
    auto& m = startMain(1);
    m.imgBarOptions_Click();
    // The button on the settings panel reaches the window's lock.
    QPushButton* button = m.fraVerwaltung->cmdDBHideImportExport;
    ASSERT_TRUE(button->isEnabled());
    ui.pushMsgBox(forms::vbNo);
    button->click();
    EXPECT_TRUE(button->isEnabled());
    EXPECT_EQ(optionsValue(path, "ExportProtection").toInt(), 0);
    ui.pushMsgBox(forms::vbYes);
    button->click();
    EXPECT_FALSE(button->isEnabled());
    // Reopened, the settings panel keeps the button off.
    m.VokDBOeffnen(path);
    m.imgBarOptions_Click();
    EXPECT_FALSE(button->isEnabled());
    EXPECT_EQ(ui.count(CallKind::MsgBox), 2);
    EXPECT_EQ(optionsValue(path, "ExportProtection").toInt(), 1);
    EXPECT_TRUE(ui.last(CallKind::MsgBox).prompt.startsWith("If you lock import/export"));
}

TEST_F(Bars, LockThatCannotBeWrittenSaysSoAndStaysOpen) {
    auto& m = startMain(1);
    m.imgBarOptions_Click();
    QPushButton* button = m.fraVerwaltung->cmdDBHideOverview;
    // The options record of a file opened read-only refuses the write.
    auto readOnly = dao::DBEngine::OpenDatabase(path, false, true, ";pwd=" + vocabdb::VokDBPasswort);
    const auto saved = runstate::rsOptions;
    runstate::rsOptions = readOnly->OpenRecordset("OPTIONS");
    ui.pushMsgBox(forms::vbYes);
    ui.pushMsgBox(forms::vbOK);
    m.cmdDBHideOverview_Click();
    EXPECT_EQ(ui.count(CallKind::MsgBox), 2);
    EXPECT_TRUE(button->isEnabled());
    runstate::rsOptions = saved;
    readOnly->Close();
    EXPECT_EQ(optionsValue(path, "ShowOverview").toInt(), 1);
    EXPECT_TRUE(m.barButtonAvailable(m.imgBarOverview));
}

TEST_F(Bars, ShowOptionsOtherThanOneOpensButHintsLocked) {
    const QString p = makeVokDB("zwei.wkd");
    setOption(p, "ShowOptions", 2);
    auto& m = startMain(-1);
    m.VokDBOeffnen(p);
    emit m.imgBarOptions->mouseMove(0, 0, 5, 5);
    EXPECT_EQ(m.lblBarPopup2->text(), "Locked");
    m.imgBarOptions_Click();
    EXPECT_TRUE(m.fraVerwaltung->isVisibleTo(&m));
}

}  // namespace
