// The main window's start, its layout for a size, and the switch between the
// welcome panel and the data view.
#include <QAbstractButton>
#include <QDir>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <algorithm>

#include "core/RunState.h"
#include "core/RunStateDb.h"
#include "core/modMain.h"
#include "mainwindow/frmMain.h"
#include "overview/BulkMenuState.h"
#include "platform/Error.h"
#include "platform/forms/Accessible.h"
#include "platform/forms/Captions.h"
#include "platform/forms/Controls.h"
#include "platform/grid/Grid.h"
#include "platform/grid/ImageList.h"

namespace mainwindow {

using namespace runstate;

namespace {

// Tags of the menu items, given when the window loads.
struct MenuTag {
    const char* name;
    int id;
};
constexpr MenuTag kMenuTags[] = {
    {"mnuDatei", 100},
    {"mnuVGrid_AlleAntwortenAbfragen", 390},
    {"mnuVGrid_ReihenfolgeBeachten", 391},
    {"mnuVGrid_ImportSound", 112},
    {"mnuVGrid_ImportPic", 200},
    {"mnuVGrid_Del", 104},
    {"mnuVGrid_DelSound", 101},
    {"mnuVGrid_DelPic", 201},
    {"mnuVGrid_DelStat", 111},
    {"mnuVGrid_Markieren", 102},
    {"mnuVGrid_Edit", 105},
    {"mnuVGrid_Alle", 106},
    {"mnuVGrid_Alle_SoundDel", 101},
    {"mnuVGrid_Alle_DelPic", 201},
    {"mnuVGrid_Alle_DelStat", 111},
    {"mnuVGrid_Alle_Tausche", 110},
    {"mnuVGrid_Alle_RenameT", 115},
    {"mnuVGrid_CheckAll", 102},
    {"mnuVGrid_UncheckAll", 109},
    {"mnuVGrid_Markierte", 107},
    {"mnuVGrid_Markierte_Del", 104},
    {"mnuVGrid_Markierte_RecordSound", 273},
    {"mnuVGrid_Markierte_SoundDel", 101},
    {"mnuVGrid_Markierte_DelPic", 201},
    {"mnuVGrid_Markierte_DelStat", 111},
    {"mnuVGrid_Markierte_Tausche", 110},
    {"mnuVGrid_Markierte_RenameT", 115},
    {"mnuVGrid_FindDuplicates", 108},
    {"mnuVGrid_Alle_DelSpaces", 131},
    {"mnuVGrid_Ansicht", 58},
    {"mnuVGrid_Ansicht_Begriff", 559},
    {"mnuVGrid_Ansicht_Thema", 560},
    {"mnuVGrid_Ansicht_Kategorie", 561},
    {"mnuVGrid_Ansicht_Explanation", 562},
    {"mnuVGrid_Ansicht_Tip", 563},
    {"mnuVGrid_Ansicht_Punkte", 564},
    {"mnuVGrid_Ansicht_AA", 53},
    {"mnuVGrid_Ansicht_AR", 54},
    {"mnuVGrid_Ansicht_AF", 55},
    {"mnuVGrid_Ansicht_FQ", 56},
};

void setCaption(QObject* o, const QString& text) {
    if (auto* l = qobject_cast<QLabel*>(o))
        l->setText(text);
    else if (auto* b = qobject_cast<QAbstractButton*>(o))
        b->setText(text);
    else if (auto* g = qobject_cast<QGroupBox*>(o))
        g->setTitle(text);
    else if (auto* a = qobject_cast<QAction*>(o))
        a->setText(text);
}

int intField(const dao::RecordsetPtr& rs, const char* field) {
    if (!rs) return 0;
    const QVariant v = rs->Value(QString::fromLatin1(field));
    return v.isValid() ? v.toInt() : 0;
}

}  // namespace

void frmMain::applyCaptions() {
    for (QObject* o : controls_) {
        const QString tag = o->property("Tag").toString();
        if (o->objectName().left(3) == "img" || tag.isEmpty()) continue;
        setCaption(o, modMain::GetText(tag.toInt()));
    }
    applyAccessibleNames();
}

void frmMain::applyAccessibleNames() {
    // The picture buttons show no text; their hint names them for screen
    // readers and test tools, the shortcut line describes them.
    auto name = [](QWidget* w, int text, int shortcut) {
        if (!w) return;
        w->setAccessibleName(modMain::GetText(text));
        w->setAccessibleDescription(modMain::GetText(shortcut).trimmed());
    };
    const bool maximised = windowState() & Qt::WindowMaximized;
    name(imgBarExit, 460, 461);
    name(imgBarMin, 466, 467);
    name(imgBarMax, maximised ? 464 : 462, maximised ? 465 : 463);
    name(imgBarNewDB, 478, 479);
    name(imgBarOpenDB, 476, 477);
    name(imgBarOverview, 474, 475);
    name(imgBarOptions, 472, 473);
    name(imgBarStartTest, 470, 471);
    name(imgTestBarCancel, 687, 688);
    name(imgTestBarSound, 689, 690);
    name(imgTestBarSolve, 693, 694);
    name(chkShowUmlaute, 696, 697);
    forms::nameBox(vg1, modMain::GetText(474));  // the panel the bar's button shows
    forms::nameBox(vgUmlaute, modMain::GetText(197));
    // A locked bar button is heard disabled, as its hint says "Locked".
    for (ImageBox* b : {imgBarOverview, imgBarOptions, imgBarStartTest})
        b->setAvailability([this, b] { return barButtonAvailable(b); });
    for (int i = 1; i <= txtTestA.count(); ++i)
        txtTestA(i)->setAccessibleName(forms::spokenCaption(modMain::GetText(559)) + QLatin1Char(' ') +
                                       QString::number(i));
    for (const char* tool :
         {"New", "Delete", "Search", "Import", "Record", "SoundImport", "ImportPic", "GridOptions"}) {
        const overview::ToolbarHint h = overview::toolbarHint(QLatin1String(tool), IsRecording);
        name(findChild<QPushButton*>(QStringLiteral("cmdOverview1_") + QLatin1String(tool)), h.text,
             h.shortcut);
    }
    lblTestBWrongWords->setBuddy(lstTestWrongWords);
    forms::nameBoxesAfterLabels(this);
}

void frmMain::Form_Load() {
    if (loaded_) return;
    loaded_ = true;
    BuildTestPanel();
    setupTabOrder();
    // Questions, answers, themes, grade texts, names and file names are the
    // user's: shown as they stand.
    forms::plainTextLabels(this);

    setWindowTitle(ProgName + " " + ProgVersion);
    Check_Depth = 0;
    TestActive = false;
    lblUsername->setText(BenutzerName);

    // Grid defaults: no sort arrows of its own, our image list.
    vg1->SetImageList(ilVG.get());
    StartServices();

    // Folders of the hidden file lists; a missing folder leaves its list
    // unbound.
    const QString temp = modMain::GetTempPath();
    tempFilesPath = QDir(temp).exists() ? temp : QString();
    const QString right = modMain::ProgramFolder() + "/DATA/RIGHT";
    const QString wrong = modMain::ProgramFolder() + "/DATA/WRONG";
    fileRichtigPath = QDir(right).exists() ? right : QString();
    fileFalschPath = QDir(wrong).exists() ? wrong : QString();

    for (const auto& t : kMenuTags)
        if (QAction* a = menuItem(QString::fromLatin1(t.name))) a->setProperty("Tag", QString::number(t.id));

    applyCaptions();
    fraVerwaltung->ApplyCaptions();

    if (!VokDBPfad.isEmpty())
        EnableDataView();
    else
        DisableDataView();

    // Placement from the user's row, in screen pixels.
    const int r5 = intField(rsBenutzer, "R5");
    if (r5 == 1) {
        setWindowState(windowState() | Qt::WindowMaximized);
        imgBarMax->setPictureFrom(imgBarRestore_Lo);
    } else {
        const int r3 = intField(rsBenutzer, "R3");
        const int r4 = intField(rsBenutzer, "R4");
        if (r3 == 0 && r4 == 0) {
            const QScreen* screen = QGuiApplication::primaryScreen();
            const QRect s = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
            move(s.width() / 2 - width() / 2, s.height() / 2 - height() / 2);
        } else {
            move(r3, r4);
        }
        const int w = intField(rsBenutzer, "LastWidth");
        const int h = intField(rsBenutzer, "LastHeight");
        // Position and size are the window's outer ones; the frame's share
        // of the size is taken off once the window manager has framed it.
        const QSize outer(w < 8640 / TwipsPerPixel ? px(8640) : w, h < 6510 / TwipsPerPixel ? px(6510) : h);
        resize(outer);
        pendingOuterSize_ = outer;
        applyOuterSize();
    }

    vg1->SetGridLines(intField(rsUserOptionen, "Gridlines") != 0);
    fraMainBar->setVisible(true);
    killer->start();
    Form_Resize();
}

void frmMain::Form_Resize() {
    if (inResize_) return;
    inResize_ = true;
    // Whether the window is maximised is kept in the user's row; a failure
    // here (no user row) is of no consequence.
    try {
        if (rsBenutzer && loaded_) {
            const int r5 = (windowState() & Qt::WindowMaximized) ? 1 : 0;
            if (intField(rsBenutzer, "R5") != r5) {
                rsBenutzer->Edit();
                rsBenutzer->SetValue("R5", r5);
                rsBenutzer->Update();
            }
        }
    } catch (const wk::Error&) {
        try {
            rsBenutzer->CancelUpdate();
        } catch (...) {
        }
    }
    if (windowState() & Qt::WindowMinimized) {
        inResize_ = false;
        return;
    }

    const double W = twips(width());
    const double H = twips(height());

    imgTop->setGeometry(0, 0, width(), px(645));
    // The title-bar pictures sit at the right edge with their designed
    // spacing, so that at every width they stay inside the window and clear
    // of the main bar.
    const double exitLeft = W - 120 - 240;
    imgBarExit->move(px(exitLeft), px(120));
    imgBarMax->move(px(exitLeft - (8640 - 8370)), px(120));
    imgBarMin->move(px(exitLeft - (8640 - 8115)), px(120));
    imgSizeArrow->move(width() - imgSizeArrow->width(), height() - imgSizeArrow->height());

    const double bottomH = twips(imgBottom->height());
    // The grip drag places the strip itself when it ends.
    if (!bSizeGripDrag) imgBottom->setGeometry(0, px(H - bottomH - 350), width(), imgBottom->height());

    const double ovTop = 1200, ovW = W - 170, ovH = H - ovTop - bottomH - 10 - 400;
    fraOverview1->setGeometry(px(20), px(ovTop), px(ovW), px(ovH));
    const double inLeft = twips(fraOverview1_1->x());
    const double inW = ovW - inLeft - 120, inH = ovH - 30;
    fraOverview1_1->setGeometry(px(600), fraOverview1_1->y(), px(inW), px(inH));
    vg1->setGeometry(px(30), vg1->y(), px(inW - 60), px(inH - 150));
    layoutOverviewToolbar();
    const QRect panel = fraOverview1->geometry();
    fraWelcome->setGeometry(panel);
    imgWelcome->move((panel.width() - imgWelcome->width()) / 2, (panel.height() - imgWelcome->height()) / 2);
    fraAbfrage->setGeometry(panel);
    fraTestBar->move(px(2160), 0);
    vgUmlaute->setGeometry(vgUmlaute->x(), panel.height() - px(380), panel.width() - px(600),
                           vgUmlaute->height());
    FillUmlauteGrid();
    // The grid is as high as its characters need; it ends where the 300-twip
    // grid of the layout would.
    vgUmlaute->move(vgUmlaute->x(), panel.height() - px(80) - vgUmlaute->height());
    chkShowUmlaute->move(chkShowUmlaute->x(), vgUmlaute->y());
    vgUmlaute->move((panel.width() + px(480)) / 2 - vgUmlaute->width() / 2, vgUmlaute->y());
    if (TestActive) LayoutTestControls(lblTestQ);
    fraVerwaltung->setGeometry(panel);
    inResize_ = false;
}

void frmMain::EnableDataView() {
    bDBOffen = true;
    fraWelcome->hide();
    vg1->show();
    lblBCount->setText(QString());
    lblBCount->show();
}

void frmMain::fitDBNameLabel() {
    // The design's width holds the name in the old platform's narrow font;
    // the desktop's bold font may need more, and nothing is cut.
    lblBDBName->ensurePolished();
    lblBDBName->resize(std::max(px(2595), lblBDBName->sizeHint().width()), lblBDBName->height());
}

void frmMain::DisableDataView() {
    bDBOffen = false;
    vg1->hide();
    lblBDBName->setText(modMain::GetText(35));
    fitDBNameLabel();
    lblBCount->setText(QString());
    lblBCount->hide();
    fraWelcome->show();
    refreshBarLocks();
    FocusWork();
}

void frmMain::UpdateWindow(const QString& That) {
    if (That == QLatin1String("lblbcount")) {
        if (bDBOffen) {
            const long n = vg1->Rows();
            lblBCount->setText(QString::number(n) + " " + modMain::GetText(n == 1 ? 377 : 378));
            if (!lblBCount->isVisible()) lblBCount->show();
        } else {
            lblBCount->setText(QString());
            lblBCount->hide();
        }
    } else if (That == QLatin1String("THEMEN")) {
        refreshSubjectLists();
    }
}

void frmMain::HideAllPanels() {
    // Hidden with the focus, a panel would hand it on to the next control
    // in the Tab order; the panel shown next gives it to its work instead.
    QWidget* const panels[] = {fraOverview1, fraWelcome, fraVerwaltung, fraAbfrage, fraTestBar};
    if (QWidget* f = focusWidget())
        for (QWidget* p : panels)
            if (p->isAncestorOf(f)) f->clearFocus();
    fraOverview1->hide();
    fraWelcome->hide();
    fraVerwaltung->hide();
    fraAbfrage->hide();
    fraTestBar->hide();
}

void frmMain::HideBarPopup() {
    lblBarPopup->hide();
    lblBarPopup2->hide();
}

void frmMain::imgBarOverview_Click() {
    if (!bDBOffen || !rsOptions) return;
    const QVariant show = rsOptions->Value("ShowOverview");
    if (show.isValid() && show.toInt() == 0) return;
    HideBarPopup();
    HideAllPanels();
    fraOverview1->show();
    FocusWork();
}

QWidget* frmMain::workControl() const {
    const auto shown = [this](const QWidget* w) { return w && w->isVisibleTo(this) && w->isEnabled(); };
    if (shown(fraAbfrage)) {
        if (shown(fraTestBewertung))
            return shown(lstTestWrongWords) ? static_cast<QWidget*>(lstTestWrongWords) : imgTestBarCancel;
        for (QWidget* w : std::initializer_list<QWidget*>{txtTestA(1), chkTestA(1), optTestA(1)})
            if (shown(w)) return w;
        return imgTestBarSolve;
    }
    if (shown(fraOverview1)) {
        if (shown(vg1) && vg1->ShowData()) return vg1;
        for (QPushButton* b : {cmdOverview1_New, cmdOverview1_Delete, cmdOverview1_Search,
                               cmdOverview1_Import, cmdOverview1_Record, cmdOverview1_SoundImport,
                               cmdOverview1_ImportPic, cmdOverview1_GridOptions})
            if (shown(b)) return b;
    }
    if (shown(fraVerwaltung)) return fraVerwaltung->tvVerwaltung;
    return shown(fraWelcome) && shown(fraMainBar) ? imgBarNewDB : nullptr;
}

void frmMain::FocusWork() {
    QWidget* w = workControl();
    if (!w) return;  // between two panels
    w->setFocus(Qt::OtherFocusReason);
    takeBackActivation();
}

}  // namespace mainwindow
