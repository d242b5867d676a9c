// The main window's controls. Geometry is given in twips as the window was
// designed and converted at 15 twips per pixel.
#include "mainwindow/frmMain.h"

#include <QApplication>
#include <QEvent>
#include <QResizeEvent>
#include <QTableView>
#include <QTimer>

#include "platform/forms/FocusKeys.h"
#include "platform/grid/Grid.h"
#include "platform/grid/ImageList.h"

namespace mainwindow {

namespace {

frmMain* g_main = nullptr;

QRect tw(int l, int t, int w, int h) {
    return QRect(px(l), px(t), px(w), px(h));
}

void setTag(QObject* o, const QString& tag) {
    o->setProperty("Tag", tag);
}

struct BarButton {
    const char* name;
    const char* picture;
    int left;
};
constexpr BarButton kBarButtons[] = {
    {"imgBarNewDB", "newdb", 120},          {"imgBarOpenDB", "opendb", 840},
    {"imgBarOverview", "overview", 2160},   {"imgBarOptions", "options", 2880},
    {"imgBarStartTest", "starttest", 3600},
};

}  // namespace

template <class W>
W* frmMain::add(W* w, const QString& name) {
    w->setObjectName(name);
    controls_.append(w);
    return w;
}

ImageBox* frmMain::image(const QString& name, QWidget* parent, int l, int t, int w, int h,
                         const QString& picture) {
    auto* img = add(new ImageBox(name, parent), name);
    img->setGeometry(tw(l, t, w, h));
    if (!picture.isEmpty()) img->setPicture(picture);
    return img;
}

QAction* frmMain::item(QMenu* menu, const QString& name, const QString& caption) {
    auto* a = menu->addAction(caption);
    if (caption == "-") a->setSeparator(true);
    a->setObjectName(name);
    controls_.append(a);
    menuItems[name] = a;
    return a;
}

QMenu* frmMain::submenu(QMenu* menu, const QString& name, const QString& caption) {
    auto* m = menu->addMenu(caption);
    m->setObjectName(name);
    m->menuAction()->setObjectName(name);
    controls_.append(m->menuAction());
    menuItems[name] = m->menuAction();
    return m;
}

QAction* frmMain::menuItem(const QString& name) const {
    auto it = menuItems.find(name);
    return it == menuItems.end() ? nullptr : it->second;
}

void frmMain::buildMenus() {
    mnuDatei = new QMenu(this);
    mnuDatei->setObjectName("mnuDatei");
    mnuDatei->menuAction()->setObjectName("mnuDatei");
    controls_.append(mnuDatei->menuAction());
    menuItems["mnuDatei"] = mnuDatei->menuAction();

    mnuVGrid = new QMenu(this);
    mnuVGrid->setObjectName("mnuVGrid");
    mnuVGrid->menuAction()->setObjectName("mnuVGrid");
    mnuVGrid->menuAction()->setText("mnuVGrid");
    menuItems["mnuVGrid"] = mnuVGrid->menuAction();
    auto* m = mnuVGrid;
    // In display order.
    item(m, "mnuVGrid_Edit");
    item(m, "mnuH", "-");
    item(m, "mnuVGrid_Del");
    item(m, "mnuVGrid_Markieren");
    item(m, "mnuVGrid_DelStat");
    item(m, "mnuM", "-");
    item(m, "mnuVGrid_AlleAntwortenAbfragen");
    item(m, "mnuVGrid_ReihenfolgeBeachten");
    item(m, "mnuK", "-");
    QMenu* mm = submenu(m, "mnuVGrid_Multimedia", "M&ultimedia");
    item(mm, "mnuVGrid_ImportSound");
    item(mm, "mnuVGrid_DelSound");
    item(mm, "mnuVGrid_ImportPic");
    item(mm, "mnuVGrid_DelPic");
    item(m, "mnuI", "-");
    QMenu* alle = submenu(m, "mnuVGrid_Alle");
    item(alle, "mnuVGrid_CheckAll");
    item(alle, "mnuVGrid_UncheckAll");
    item(alle, "mnuVGrid_Alle_SoundDel");
    item(alle, "mnuVGrid_Alle_DelPic");
    item(alle, "mnuVGrid_Alle_DelStat");
    item(alle, "mnuVGrid_Alle_RenameT");
    item(alle, "mnuVGrid_Alle_Tausche");
    QMenu* mark = submenu(m, "mnuVGrid_Markierte");
    item(mark, "mnuVGrid_Markierte_Del");
    item(mark, "mnuVGrid_Markierte_SoundDel");
    item(mark, "mnuVGrid_Markierte_RecordSound");
    item(mark, "mnuVGrid_Markierte_DelPic");
    item(mark, "mnuVGrid_Markierte_DelStat");
    item(mark, "mnuVGrid_Markierte_RenameT");
    item(mark, "mnuVGrid_Markierte_Tausche");
    item(m, "mnuJ", "-");
    item(m, "mnuVGrid_FindDuplicates");
    item(m, "mnuVGrid_Alle_DelSpaces");
    item(m, "mnuL", "-");
    QMenu* ans = submenu(m, "mnuVGrid_Ansicht");
    QMenu* begriff = submenu(ans, "mnuVGrid_Ansicht_Begriff");
    for (int i = 1; i <= 9; ++i) {
        auto* a =
            item(begriff, QStringLiteral("mnuVGrid_Ansicht_Begriff_%1").arg(i), QStringLiteral("&%1").arg(i));
        a->setCheckable(true);
    }
    for (const char* n : {"mnuVGrid_Ansicht_Thema", "mnuVGrid_Ansicht_Kategorie",
                          "mnuVGrid_Ansicht_Explanation", "mnuVGrid_Ansicht_Tip", "mnuVGrid_Ansicht_Punkte"})
        item(ans, n)->setCheckable(true);
    item(ans, "mnuL", "-");
    for (const char* n :
         {"mnuVGrid_Ansicht_AA", "mnuVGrid_Ansicht_AR", "mnuVGrid_Ansicht_AF", "mnuVGrid_Ansicht_FQ"})
        item(ans, n)->setCheckable(true);
}

// A sizable window with the window manager's frame; its own title-bar
// pictures, dragging and size grip stay as well.
frmMain::frmMain(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("frmMain");
    resize(px(10200), px(7125));
    setMinimumSize(px(8640), px(6510));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0xee, 0xf2, 0xf8));
    setPalette(pal);

    // The dark strip behind the title-bar pictures, the user name and the
    // main bar.
    imgTop = image("imgTop", this, 0, 0, 10200, 645, ":/forms/main_top.png");

    imgBarMin = image("imgBarMin", this, 8115, 120, 240, 210);
    imgBarMax = image("imgBarMax", this, 8370, 120, 240, 210);
    imgBarExit = image("imgBarExit", this, 8640, 120, 240, 210);
    auto holder = [&](const QString& name, const QString& pic) {
        auto* h = image(name, this, 0, 0, 240, 210, pic);
        h->hide();
        return h;
    };
    imgBarMin_Lo = holder("imgBarMin_Lo", ":/forms/main_title_min_lo.png");
    imgBarMin_Hi = holder("imgBarMin_Hi", ":/forms/main_title_min_hi.png");
    imgBarMax_Lo = holder("imgBarMax_Lo", ":/forms/main_title_max_lo.png");
    imgBarMax_Hi = holder("imgBarMax_Hi", ":/forms/main_title_max_hi.png");
    imgBarRestore_Lo = holder("imgBarRestore_Lo", ":/forms/main_title_restore_lo.png");
    imgBarRestore_Hi = holder("imgBarRestore_Hi", ":/forms/main_title_restore_hi.png");
    imgBarExit_Lo = holder("imgBarExit_Lo", ":/forms/main_title_exit_lo.png");
    imgBarExit_Hi = holder("imgBarExit_Hi", ":/forms/main_title_exit_hi.png");
    imgBarMin->setPictureFrom(imgBarMin_Lo);
    imgBarMax->setPictureFrom(imgBarMax_Lo);
    imgBarExit->setPictureFrom(imgBarExit_Lo);
    for (auto* img : {imgBarMin, imgBarMax, imgBarExit}) setTag(img, "1");

    imgBottom = image("imgBottom", this, 0, 6720, 9600, 300, ":/forms/main_bottom.png");
    imgSizeArrow = image("imgSizeArrow", this, 9600, 6480, 240, 240, ":/forms/main_sizearrow.png");
    imgSizeArrow->setCursor(Qt::SizeFDiagCursor);

    lblUsername = add(new QLabel(this), "lblUsername");
    lblUsername->setGeometry(tw(0, 315, 1815, 255));
    lblUsername->setStyleSheet("color: white; font-weight: bold; padding-left: 6px;");

    // Main bar: the frame is a little taller than designed so that the
    // buttons (top 90, height 555) are not cut at its lower edge.
    fraMainBar = add(new QWidget(this), "fraMainBar");
    fraMainBar->setGeometry(tw(2160, 0, 5295, 660));
    fraMainBar->setVisible(false);
    ImageBox** bar[] = {&imgBarNewDB, &imgBarOpenDB, &imgBarOverview, &imgBarOptions, &imgBarStartTest};
    for (int i = 0; i < 5; ++i) {
        const auto& b = kBarButtons[i];
        const QString base = QString::fromLatin1(b.name);
        const QString pic = QStringLiteral(":/forms/main_bar_%1_").arg(QLatin1String(b.picture));
        *bar[i] = image(base, fraMainBar, b.left, 90, 570, 555);
        for (const char* st : {"Lo", "Hi", "Down"}) {
            auto* h = image(base + "_" + st, fraMainBar, b.left, 90, 570, 555,
                            pic + QString::fromLatin1(st).toLower() + ".png");
            h->hide();
            barHolders[base + "_" + st] = h;
        }
        (*bar[i])->setPictureFrom(barHolders[base + "_Lo"]);
    }

    fraTestBar = add(new QWidget(this), "fraTestBar");
    fraTestBar->setGeometry(tw(2160, 0, 5295, 660));
    fraTestBar->setVisible(false);
    imgTestBarSolve = image("imgTestBarSolve", fraTestBar, 120, 90, 570, 555);
    imgTestBarSound = image("imgTestBarSound", fraTestBar, 840, 90, 570, 555);
    imgTestBarCancel = image("imgTestBarCancel", fraTestBar, 1560, 90, 570, 555);

    // Status area under the bars.
    lblBDBName = add(new QLabel(this), "lblBDBName");
    lblBDBName->setGeometry(tw(120, 750, 2595, 210));
    lblBCount = add(new QLabel(this), "lblBCount");
    lblBCount->setGeometry(tw(120, 960, 2595, 210));
    QFont small = font();
    small.setPointSizeF(8);
    lblBDBName->setFont(small);
    lblBCount->setFont(small);
    lblBDBName->setStyleSheet("font-weight: bold;");
    lblBarPopup = add(new QLabel(this), "lblBarPopup");
    lblBarPopup2 = add(new QLabel(this), "lblBarPopup2");
    for (auto* l : {lblBarPopup, lblBarPopup2}) {
        l->setFont(small);
        l->setAutoFillBackground(true);
        QPalette p = l->palette();
        p.setColor(QPalette::Window, p.color(QPalette::ToolTipBase));
        p.setColor(QPalette::WindowText, Qt::black);
        l->setPalette(p);
        l->hide();
    }
    lblBarPopup->setGeometry(tw(2880, 750, 4000, 210));
    lblBarPopup2->setGeometry(tw(2880, 960, 4000, 210));

    // Panels; Form_Resize gives them their size.
    fraWelcome = add(new QWidget(this), "fraWelcome");
    imgWelcome = image("imgWelcome", fraWelcome, 0, 0, 5400, 2100, ":/forms/main_welcome.png");
    imgWelcome->setScaledContents(false);

    fraOverview1 = add(new QWidget(this), "fraOverview1");
    fraOverview1->hide();
    fraOverview1_1 = add(new QWidget(fraOverview1), "fraOverview1_1");
    fraOverview1_1->setGeometry(tw(600, 0, 7000, 4000));
    ilVG = std::make_unique<grid::ImageList>();
    grid::fillOverviewImages(*ilVG);
    IL = std::make_unique<grid::ImageList>();
    grid::fillOverviewImages(*IL);
    vg1 = add(new grid::Grid(fraOverview1_1), "vg1");
    vg1->setGeometry(tw(30, 120, 6900, 3800));

    fraVerwaltung = add(new SettingsPanel(this), "fraVerwaltung");
    fraVerwaltung->hide();
    fraVerwaltung->gridRecordset = [this] { return data; };

    fraAbfrage = add(new QWidget(this), "fraAbfrage");
    fraAbfrage->hide();
    lblTestQ = add(new QLabel(fraAbfrage), "lblTestQ");
    lblTestQ->setGeometry(tw(240, 240, 7000, 600));
    vgUmlaute = add(new grid::Grid(fraAbfrage), "vgUmlaute");
    vgUmlaute->setGeometry(tw(600, 3000, 6000, 300));
    chkShowUmlaute = add(new QCheckBox(fraAbfrage), "chkShowUmlaute");
    chkShowUmlaute->setGeometry(tw(120, 3000, 300, 300));

    cboThemen = add(new QComboBox(this), "cboThemen");
    cboThemen->hide();
    cboKategorien = add(new QComboBox(this), "cboKategorien");
    cboKategorien->hide();

    tmrBar = add(new QTimer(this), "tmrBar");
    tmrBar->setInterval(50);
    killer = add(new QTimer(this), "killer");
    killer->setInterval(50);
    wireExitAndStatus();

    buildMenus();
    connectGrid();
    setupOverviewCommands();

    // The title-bar and status pictures stay above the panels.
    for (QWidget* w : std::initializer_list<QWidget*>{fraMainBar, fraTestBar, imgBarMin, imgBarMax,
                                                      imgBarExit, imgSizeArrow})
        w->raise();

    connectBars();
}

frmMain::~frmMain() {
    // Hiding moves the focus off the controls; let that happen while their
    // handlers still have a whole window, and let nothing reach them after.
    hide();
    for (QObject* o : findChildren<QObject*>()) QObject::disconnect(o, nullptr, this, nullptr);
    // The image lists go before the grid that draws from them.
    if (vg1) vg1->SetImageList(nullptr);
    if (g_main == this) g_main = nullptr;
    delete testEvents_;  // it must not see the events of the controls going away
}

void frmMain::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    applyOuterSize();
    Form_Resize();
}

void frmMain::moveEvent(QMoveEvent* e) {
    QWidget::moveEvent(e);
    applyOuterSize();
}

void frmMain::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    applyOuterSize();
    // A window manager that draws no frame never tells one: the size as set
    // is then the outer size already.
    if (!pendingOuterSize_.isEmpty()) QTimer::singleShot(2000, this, [this] { pendingOuterSize_ = {}; });
}

QPoint frmMain::frameOffset() const {
    return geometry().topLeft() - frameGeometry().topLeft();
}

void frmMain::applyOuterSize() {
    if (!isVisible()) return;
    const QSize frame = frameGeometry().size() - size();
    if (frame == QSize(0, 0)) return;  // not known yet
    if (leastSize_.see(frame, windowState()) && minimumSize() != leastSize_.client())
        setMinimumSize(leastSize_.client());
    if (pendingOuterSize_.isEmpty()) return;
    const QSize outer = pendingOuterSize_;
    pendingOuterSize_ = {};
    resize(outer - frame);
}

void frmMain::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    if (e->type() == QEvent::WindowStateChange) {
        Form_Resize();
        if (loaded_) applyAccessibleNames();  // maximise or restore
    } else if ((e->type() == QEvent::ActivationChange && isActiveWindow()) ||
               (e->type() == QEvent::EnabledChange && isEnabled())) {
        // Disabled for a dialog or the loading window, or left while a
        // rebuild hid the control that had the focus, the window comes back
        // with no shown control to take the keys: the work takes the focus,
        // not the first control in the Tab order.
        const QWidget* f = focusWidget();
        if (loaded_ && (!f || !f->isVisible() || !f->isEnabled())) FocusWork();
    }
}

void frmMain::takeBackActivation() {
    if (isVisible() && isEnabled() && !QApplication::activeWindow() && windowHandle() &&
        QGuiApplication::focusWindow() == windowHandle())
        activateWindow();
}

bool frmMain::focusNextPrevChild(bool next) {
    // Qt calls this for a control hidden with the focus as well as for Tab.
    const QWidget* f = QApplication::focusWidget();
    if (placingFocus_ > 0 && f && isAncestorOf(f) && !f->isVisible()) return true;
    // Shift+Tab goes Tab's way back, past the special signs' table too.
    if (!next)
        if (QWidget* previous = forms::previousTabStop(this)) {
            previous->setFocus(Qt::BacktabFocusReason);
            return true;
        }
    return QWidget::focusNextPrevChild(next);
}

frmMain& MainForm() {
    if (!g_main) {
        g_main = new frmMain;
        g_main->Form_Load();
    }
    return *g_main;
}

bool MainFormLoaded() {
    return g_main != nullptr;
}

void UnloadMainForm() {
    delete g_main;
    g_main = nullptr;
}

}  // namespace mainwindow
