// The settings panel's controls: where each one sits (in twips, as the
// original's design placed them), its caption tag, its length limit, and the
// signals that raise its handler.
#include "mainwindow/SettingsPanel.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QHeaderView>
#include <QResizeEvent>

#include "core/modMain.h"
#include "platform/forms/Captions.h"
#include "platform/forms/Colors.h"
#include "platform/forms/Controls.h"
#include "platform/forms/FocusKeys.h"
#include "platform/forms/Twips.h"

namespace mainwindow {

using forms::moveTwips;
using forms::setTag;

namespace {

template <class W>
W* named(W* w, const char* name, const char* tag = nullptr) {
    w->setObjectName(QString::fromLatin1(name));
    if (tag) setTag(w, QString::fromLatin1(tag));
    return w;
}

QCheckBox* check(QWidget* parent, const char* name, const char* tag, double l, double t, double w,
                 double h = 255) {
    auto* c = named(new QCheckBox(parent), name, tag);
    moveTwips(c, l, t, w, h);
    return c;
}

QRadioButton* option(QWidget* parent, const QString& name, const char* tag, double l, double t, double w,
                     double h = 255) {
    auto* o = new QRadioButton(parent);
    o->setObjectName(name);
    setTag(o, QString::fromLatin1(tag));
    moveTwips(o, l, t, w, h);
    return o;
}

QLabel* label(QWidget* parent, const char* name, const char* tag, double l, double t, double w,
              double h = 195) {
    auto* c = named(new QLabel(parent), name, tag);
    moveTwips(c, l, t, w, h);
    return c;
}

QLineEdit* textBox(QWidget* parent, const char* name, double l, double t, double w, int maxLength,
                   double h = 285) {
    auto* e = named(new QLineEdit(parent), name);
    moveTwips(e, l, t, w, h);
    forms::limitTextLength(e, maxLength);
    forms::setBackColor(e, forms::SwitchedOnBackColor);
    return e;
}

QComboBox* dropdownList(QWidget* parent, const char* name, double l, double t, double w, double h = 315) {
    auto* c = named(new QComboBox(parent), name);
    c->setEditable(false);  // a choice from the list only
    moveTwips(c, l, t, w, h);
    forms::setBackColor(c, forms::SwitchedOnBackColor);
    return c;
}

}  // namespace

SettingsPanel::SettingsPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("fraVerwaltung"));
    QFont f = font();
    f.setPointSizeF(8);
    setFont(f);

    scroll_ = named(new QScrollArea(this), "scrVerwaltung");
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setFocusPolicy(Qt::NoFocus);  // Tab goes to the options, not to their frame
    scroll_->setWidgetResizable(true);
    content_ = named(new QWidget, "fraVerwaltungContent");

    picVerwaltungBG = named(new QLabel(content_), "picVerwaltungBG");
    moveTwips(picVerwaltungBG, -120, 0, 8600, 375);
    picVerwaltungBG->setAutoFillBackground(true);
    forms::setBackColor(picVerwaltungBG, 0xA86A3A);
    lblBOpt_Einstellungen = named(new QLabel(content_), "lblBOpt_Einstellungen", "808");
    moveTwips(lblBOpt_Einstellungen, 3000, 60, 2400, 270);
    lblBOpt_Einstellungen->setAlignment(Qt::AlignCenter);
    {
        QFont bold = font();
        bold.setBold(true);
        bold.setPointSizeF(10);
        lblBOpt_Einstellungen->setFont(bold);
        forms::setForeColor(lblBOpt_Einstellungen, forms::vbWhite);
    }

    fraOpt = named(new QGroupBox(content_), "fraOpt");
    moveTwips(fraOpt, 240, 480, 7935, 3975);
    tvVerwaltung = named(new QTreeWidget(fraOpt), "tvVerwaltung");
    moveTwips(tvVerwaltung, 120, 240, 2295, 3615);
    tvVerwaltung->setHeaderHidden(true);
    tvVerwaltung->setColumnCount(1);
    tvVerwaltung->setRootIsDecorated(true);
    // A narrow indent, as the original tree had, so the node texts fit; a
    // text that still does not fit scrolls instead of being cut.
    tvVerwaltung->setIndentation(10);
    tvVerwaltung->setTextElideMode(Qt::ElideNone);
    tvVerwaltung->header()->setStretchLastSection(false);
    tvVerwaltung->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    tvVerwaltung->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    tvVerwaltung->installEventFilter(this);

    buildPages();
    connectHandlers();

    // The window's own background shows through, as it did without scrolling.
    scroll_->setWidget(content_);
    content_->setAutoFillBackground(false);
    scroll_->viewport()->setAutoFillBackground(false);
    content_->setMinimumSize(fraOpt->width() + 2 * forms::twipsToPixels(120),
                             fraOpt->geometry().bottom() + 1 + forms::twipsToPixels(60));
    content_->installEventFilter(this);
}

SettingsPanel::~SettingsPanel() = default;

QFrame* SettingsPanel::page(const char* name) {
    auto* p = named(new QFrame(fraOpt), name);
    p->setFrameShape(QFrame::NoFrame);
    moveTwips(p, 2520, 120, 5295, 3720);
    p->hide();
    pages_.push_back(p);
    return p;
}

void SettingsPanel::buildPages() {
    // Pages in the order of the tree's nodes.
    fraOpt_Test = page("fraOpt_Test");
    lblBOpt_Start = label(fraOpt_Test, "lblBOpt_Start", "809", 120, 240, 5055, 615);
    lblBOpt_Start->setWordWrap(true);
    lblBOpt_Start->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    fraVTE_Welche = page("fraVTE_Welche");
    const char* auswahlTags[] = {"154", "155", "156", "157"};
    const double auswahlTops[] = {240, 600, 960, 1320};
    for (int i = 0; i < 4; ++i)
        optAuswahl.push_back(
            option(fraVTE_Welche, QStringLiteral("optAuswahl"), auswahlTags[i], 120, auswahlTops[i], 2295));
    cboAbfrageThema = dropdownList(fraVTE_Welche, "cboAbfrageThema", 2520, 930, 2655);
    cboAbfrageKategorie = dropdownList(fraVTE_Welche, "cboAbfrageKategorie", 2520, 1290, 2655);
    chkNotTheKnown = check(fraVTE_Welche, "chkNotTheKnown", "152", 120, 1860, 5055, 315);
    chkMaxFragen = check(fraVTE_Welche, "chkMaxFragen", "153", 120, 2280, 5055, 315);
    // The count sits over the blanks that begin both captions.
    cboKnownWieOft = dropdownList(fraVTE_Welche, "cboKnownWieOft", 420, 1860, 615);
    for (int i = 1; i <= 6; ++i) cboKnownWieOft->addItem(QString::number(i));
    cboKnownWieOft->setCurrentIndex(-1);
    txtMaxFragen = textBox(fraVTE_Welche, "txtMaxFragen", 420, 2295, 615, 4);

    fraA0AbzufragenderBegriff = page("fraA0AbzufragenderBegriff");
    const char* begriffTags[] = {"147", "148", "280"};
    for (int i = 0; i < 3; ++i)
        optAbzufragenderBegriff.push_back(option(fraA0AbzufragenderBegriff,
                                                 QStringLiteral("optAbzufragenderBegriff"), begriffTags[i],
                                                 120, 240 + 360 * i, 5055));

    fraA0Sortierreihenfolge = page("fraA0Sortierreihenfolge");
    const char* sortTags[] = {"150", "151"};
    for (int i = 0; i < 2; ++i)
        optSortieren.push_back(option(fraA0Sortierreihenfolge, QStringLiteral("optSortieren"), sortTags[i],
                                      120, 240 + 360 * i, 5055));

    fra0Praesent = page("fra0Praesent");
    chkTxt = check(fra0Praesent, "chkTxt", "159", 120, 240, 5055);
    chkSound = check(fra0Praesent, "chkSound", "160", 120, 600, 5055);
    chkPic = check(fra0Praesent, "chkPic", "161", 120, 960, 5055);

    fraVTE_Sonstige = page("fraVTE_Sonstige");
    chkLernmodus = check(fraVTE_Sonstige, "chkLernmodus", "370", 120, 240, 5055);
    chkNoAutofill = check(fraVTE_Sonstige, "chkNoAutofill", "440", 120, 600, 5055);
    chkOpt_ZeigeThemaBeiAbfrage =
        check(fraVTE_Sonstige, "chkOpt_ZeigeThemaBeiAbfrage", "379", 120, 960, 5055);
    chkOpt_ShowFirstLetter = check(fraVTE_Sonstige, "chkOpt_ShowFirstLetter", "380", 120, 1320, 5055);
    chkOpt_ZeigeBewertung = check(fraVTE_Sonstige, "chkOpt_ZeigeBewertung", "381", 120, 1680, 5055);

    fraOpt_Fehlerbehandlung = page("fraOpt_Fehlerbehandlung");
    chk0GK = check(fraOpt_Fehlerbehandlung, "chk0GK", "167", 120, 240, 5055);
    fra0FalscheAntwort = named(new QGroupBox(fraOpt_Fehlerbehandlung), "fra0FalscheAntwort", "168");
    moveTwips(fra0FalscheAntwort, 120, 720, 5055, 1455);
    chk0Aufloesen = check(fra0FalscheAntwort, "chk0Aufloesen", "169", 120, 360, 4815);
    chk0AskAgain = check(fra0FalscheAntwort, "chk0AskAgain", "170", 120, 720, 4815);
    chkFalscheNochmal = check(fra0FalscheAntwort, "chkFalscheNochmal", "171", 120, 1080, 4815);

    fraOpt_Limits = page("fraOpt_Limits");
    lblB0AnzahlAbfragen = label(fraOpt_Limits, "lblB0AnzahlAbfragen", "163", 120, 285, 3015, 255);
    txt0Versuche = textBox(fraOpt_Limits, "txt0Versuche", 3240, 240, 495, 1);
    chk0Zeitlimit = check(fraOpt_Limits, "chk0Zeitlimit", "164", 120, 705, 3015);
    txt0ZeitlimitS = textBox(fraOpt_Limits, "txt0ZeitlimitS", 3240, 690, 495, 0);
    lblBSekunden = label(fraOpt_Limits, "lblBSekunden", "165", 3840, 735, 1335, 255);
    chk2BigZeitlimit = check(fraOpt_Limits, "chk2BigZeitlimit", "243", 120, 1155, 3015);
    txt2BigZeitlimitM = textBox(fraOpt_Limits, "txt2BigZeitlimitM", 3240, 1140, 495, 3);
    lblBigZLM = label(fraOpt_Limits, "lblBigZLM", "242", 3840, 1185, 1335, 255);

    fraOpt_Punkte = page("fraOpt_Punkte");
    chkCountPoints = check(fraOpt_Punkte, "chkCountPoints", "241", 120, 240, 5055);
    chkPunkteBewertung = check(fraOpt_Punkte, "chkPunkteBewertung", "700", 120, 600, 5055);
    buildGradeRows();

    fraVPE = page("fraVPE");
    lblBSound = label(fraVPE, "lblBSound", "206", 120, 240, 5055, 255);
    chkPlayRight = check(fraVPE, "chkPlayRight", "207", 360, 540, 4815);
    chkPlayWrong = check(fraVPE, "chkPlayWrong", "208", 360, 840, 4815);
    chkRegFileType = check(fraVPE, "chkRegFileType", nullptr, 120, 1320, 5055);

    fraVDI = page("fraVDI");
    lblBC = label(fraVDI, "lblBC", "224", 120, 285, 2055, 255);
    txtC = textBox(fraVDI, "txtC", 2280, 240, 2895, 100);
    // The note is shown only; nothing would store an edit of it.
    txtC->setReadOnly(true);
    lblBVersion = label(fraVDI, "lblBVersion", nullptr, 120, 645, 2055, 255);
    lblBVersion->setText(QStringLiteral("Version :"));
    txtVersion = textBox(fraVDI, "txtVersion", 2280, 600, 1215, 10);
    lblBKommentar = label(fraVDI, "lblBKommentar", "30", 120, 1005, 2055, 255);
    txtKommentar = named(new QPlainTextEdit(fraVDI), "txtKommentar");
    moveTwips(txtKommentar, 2280, 960, 2895, 855);
    // The comment is stored as typed; a Tab leaving the box is no part of it.
    forms::tabLeaves(txtKommentar);
    forms::setBackColor(txtKommentar, forms::SwitchedOnBackColor);
    lblBStichworte = label(fraVDI, "lblBStichworte", "31", 120, 1965, 2055, 255);
    txtStichworte = textBox(fraVDI, "txtStichworte", 2280, 1920, 2895, 200);
    cmdDBHideOverview = named(new QPushButton(fraVDI), "cmdDBHideOverview", "585");
    moveTwips(cmdDBHideOverview, 2280, 2400, 2895, 375);
    cmdDBHideOptions = named(new QPushButton(fraVDI), "cmdDBHideOptions", "586");
    moveTwips(cmdDBHideOptions, 2280, 2835, 2895, 375);
    cmdDBHideImportExport = named(new QPushButton(fraVDI), "cmdDBHideImportExport", "595");
    moveTwips(cmdDBHideImportExport, 2280, 3270, 2895, 375);
    // Enter presses a lock button as Space does (each asks first).
    for (QPushButton* b : {cmdDBHideOverview, cmdDBHideOptions, cmdDBHideImportExport})
        forms::enterPresses(b);

    // Assistive tools name a box after the label that points to it.
    lblB0AnzahlAbfragen->setBuddy(txt0Versuche);
    lblBC->setBuddy(txtC);
    lblBVersion->setBuddy(txtVersion);
    lblBKommentar->setBuddy(txtKommentar);
    lblBStichworte->setBuddy(txtStichworte);

    for (QWidget* w : std::initializer_list<QWidget*>{txtMaxFragen, txt0Versuche, txt0ZeitlimitS,
                                                      txt2BigZeitlimitM, txtVersion, txtStichworte})
        w->installEventFilter(this);
    txtKommentar->installEventFilter(this);
}

void SettingsPanel::buildGradeRows() {
    for (int k = 1; k <= 8; ++k) {
        const double shift = 315.0 * (k - 1);
        auto* l = new QLabel(fraOpt_Punkte);
        l->setObjectName(QStringLiteral("lblPunkteBis"));
        setTag(l, QStringLiteral("701"));
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        moveTwips(l, 120, 1080 + shift, 1185, 195);
        lblPunkteBis.add(l);

        auto* bis = new QLineEdit(fraOpt_Punkte);
        bis->setObjectName(QStringLiteral("txtPunkteBis"));
        moveTwips(bis, 1440, 1035 + shift, 1095, 285);
        forms::limitTextLength(bis, 6);
        bis->installEventFilter(this);
        l->setBuddy(bis);
        txtPunkteBis.add(bis);

        auto* text = new QLineEdit(fraOpt_Punkte);
        text->setObjectName(QStringLiteral("txtPunkteBewertung"));
        moveTwips(text, 2640, 1035 + shift, 2535, 285);
        forms::limitTextLength(text, 240);
        txtPunkteBewertung.add(text);
    }
    // Until the first refill the rows stand as designed: off.
    for (int k = 1; k <= 8; ++k) {
        forms::switchInput(txtPunkteBis(k), false);
        forms::switchInput(txtPunkteBewertung(k), false);
    }
}

void SettingsPanel::connectHandlers() {
    auto onTick = [this](QCheckBox* box, void (SettingsPanel::*handler)()) {
        connect(box, &QCheckBox::toggled, this, [this, handler] { (this->*handler)(); });
    };
    onTick(chkNotTheKnown, &SettingsPanel::chkNotTheKnown_Click);
    onTick(chkMaxFragen, &SettingsPanel::chkMaxFragen_Click);
    onTick(chkTxt, &SettingsPanel::chkTxt_Click);
    onTick(chkPic, &SettingsPanel::chkPic_Click);
    onTick(chkSound, &SettingsPanel::chkSound_Click);
    onTick(chkLernmodus, &SettingsPanel::chkLernmodus_Click);
    onTick(chkNoAutofill, &SettingsPanel::chkNoAutofill_Click);
    onTick(chkOpt_ZeigeThemaBeiAbfrage, &SettingsPanel::chkOpt_ZeigeThemaBeiAbfrage_Click);
    onTick(chkOpt_ShowFirstLetter, &SettingsPanel::chkOpt_ShowFirstLetter_Click);
    onTick(chkOpt_ZeigeBewertung, &SettingsPanel::chkOpt_ZeigeBewertung_Click);
    onTick(chk0GK, &SettingsPanel::chk0GK_Click);
    onTick(chk0Aufloesen, &SettingsPanel::chk0Aufloesen_Click);
    onTick(chk0AskAgain, &SettingsPanel::chk0AskAgain_Click);
    onTick(chkFalscheNochmal, &SettingsPanel::chkFalscheNochmal_Click);
    onTick(chk0Zeitlimit, &SettingsPanel::chk0Zeitlimit_Click);
    onTick(chk2BigZeitlimit, &SettingsPanel::chk2BigZeitlimit_Click);
    onTick(chkCountPoints, &SettingsPanel::chkCountPoints_Click);
    onTick(chkPunkteBewertung, &SettingsPanel::chkPunkteBewertung_Click);
    onTick(chkPlayRight, &SettingsPanel::chkPlayRight_Click);
    onTick(chkPlayWrong, &SettingsPanel::chkPlayWrong_Click);
    onTick(chkRegFileType, &SettingsPanel::chkRegFileType_Click);

    // An option button raises its handler when it becomes the chosen one.
    auto onChoose = [this](const std::vector<QRadioButton*>& group, void (SettingsPanel::*handler)(int)) {
        for (int i = 0; i < int(group.size()); ++i)
            connect(group[std::size_t(i)], &QRadioButton::toggled, this, [this, handler, i](bool on) {
                if (on) (this->*handler)(i);
            });
    };
    onChoose(optAuswahl, &SettingsPanel::optAuswahl_Click);
    onChoose(optAbzufragenderBegriff, &SettingsPanel::optAbzufragenderBegriff_Click);
    onChoose(optSortieren, &SettingsPanel::optSortieren_Click);
    // Tab comes to the choice the database gave, not to a button Space
    // would then choose instead.
    for (const auto* group : {&optAuswahl, &optAbzufragenderBegriff, &optSortieren})
        forms::tabStopOnChoice(*group);

    auto onPick = [this](QComboBox* box, void (SettingsPanel::*handler)()) {
        connect(box, &QComboBox::currentIndexChanged, this, [this, handler](int i) {
            if (i >= 0) (this->*handler)();
        });
    };
    onPick(cboAbfrageThema, &SettingsPanel::cboAbfrageThema_Click);
    onPick(cboAbfrageKategorie, &SettingsPanel::cboAbfrageKategorie_Click);
    onPick(cboKnownWieOft, &SettingsPanel::cboKnownWieOft_Click);
    connect(cboKnownWieOft, &QComboBox::currentIndexChanged, this, [this] { nameBoxes(); });

    connect(txtMaxFragen, &QLineEdit::textChanged, this, [this] { txtMaxFragen_Change(); });
    for (int k = 1; k <= 8; ++k)
        connect(txtPunkteBewertung(k), &QLineEdit::textChanged, this,
                [this, k] { txtPunkteBewertung_Change(k); });

    connect(cmdDBHideOverview, &QPushButton::clicked, this, [this] { cmdDBHideOverview_Click(); });
    connect(cmdDBHideOptions, &QPushButton::clicked, this, [this] { cmdDBHideOptions_Click(); });
    connect(cmdDBHideImportExport, &QPushButton::clicked, this, [this] { cmdDBHideImportExport_Click(); });

    // A node chosen by the mouse or by the keys shows its page.
    connect(tvVerwaltung, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { tvVerwaltung_NodeClick(item); });
    connect(tvVerwaltung, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (!rebuildingTree_ && item && QApplication::mouseButtons() == Qt::NoButton)
            tvVerwaltung_NodeClick(item);
    });
}

void SettingsPanel::ApplyCaptions() {
    forms::ApplyCaptions(
        this, [](int id) { return modMain::GetText(id); }, false);
    captionsApplied_ = true;
    nameBoxes();
}

// Names for assistive tools where no single label names a box. Two check
// boxes read as one sentence with the count box laid over the blanks that
// begin their captions: they get that sentence; so do the two that end the
// sentence of the label above them.
void SettingsPanel::nameBoxes() {
    const auto spoken = [](const QWidget* w) {
        if (auto* b = qobject_cast<const QAbstractButton*>(w)) return forms::spokenCaption(b->text());
        return forms::spokenCaption(static_cast<const QLabel*>(w)->text());
    };
    const QString known = spoken(chkNotTheKnown);
    const QString count = cboKnownWieOft->currentText();
    chkNotTheKnown->setAccessibleName(count.isEmpty() ? known : count + QLatin1Char(' ') + known);
    cboKnownWieOft->setAccessibleName(known);
    chkMaxFragen->setAccessibleName(spoken(chkMaxFragen));
    txtMaxFragen->setAccessibleName(spoken(chkMaxFragen));
    txt0ZeitlimitS->setAccessibleName(spoken(chk0Zeitlimit) + QLatin1Char(' ') + spoken(lblBSekunden));
    txt2BigZeitlimitM->setAccessibleName(spoken(chk2BigZeitlimit) + QLatin1Char(' ') + spoken(lblBigZLM));
    for (int k = 1; k <= 8; ++k)
        txtPunkteBewertung(k)->setAccessibleName(spoken(chkPunkteBewertung) + QLatin1Char(' ') +
                                                 QString::number(k));
    // The two sound boxes end the sentence their label begins.
    for (QCheckBox* c : {chkPlayRight, chkPlayWrong})
        c->setAccessibleName(spoken(lblBSound) + QLatin1Char(' ') + spoken(c));
    tvVerwaltung->setAccessibleName(spoken(lblBOpt_Einstellungen));
    // The lists of the "subject only" and "category only" choices.
    cboAbfrageThema->setAccessibleName(spoken(optAuswahl[2]));
    cboAbfrageKategorie->setAccessibleName(spoken(optAuswahl[3]));
}

void SettingsPanel::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    scroll_->setGeometry(rect());
}

void SettingsPanel::centreContent() {
    // The heading strip spans the panel; heading and options are centred.
    const int w = content_->width();
    picVerwaltungBG->setGeometry(forms::twipsToPixels(-120), picVerwaltungBG->y(),
                                 w + forms::twipsToPixels(140), picVerwaltungBG->height());
    lblBOpt_Einstellungen->move(picVerwaltungBG->width() / 2 - lblBOpt_Einstellungen->width() / 2,
                                lblBOpt_Einstellungen->y());
    fraOpt->move(w / 2 - fraOpt->width() / 2, fraOpt->y());
}

bool SettingsPanel::eventFilter(QObject* watched, QEvent* e) {
    if (watched == content_) {
        if (e->type() == QEvent::Resize) centreContent();
        return false;
    }
    if (e->type() != QEvent::FocusOut && e->type() != QEvent::FocusIn)
        return QWidget::eventFilter(watched, e);
    // The original's focus events follow moves inside the window only, not
    // the window losing or regaining the activation.
    const auto reason = static_cast<QFocusEvent*>(e)->reason();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
        return QWidget::eventFilter(watched, e);

    if (e->type() == QEvent::FocusIn) {
        if (watched == tvVerwaltung) tvVerwaltung_GotFocus();
        return QWidget::eventFilter(watched, e);
    }
    // While a box is being given the focus back after its message, the
    // others do not test themselves: two bad boxes would pass it to and fro.
    if (refocusPending_) return QWidget::eventFilter(watched, e);
    if (watched == txtMaxFragen)
        txtMaxFragen_LostFocus();
    else if (watched == txt0Versuche)
        txt0Versuche_LostFocus();
    else if (watched == txt0ZeitlimitS)
        txt0ZeitlimitS_LostFocus();
    else if (watched == txt2BigZeitlimitM)
        txt2BigZeitlimitM_LostFocus();
    else if (watched == txtKommentar)
        txtKommentar_LostFocus();
    else if (watched == txtStichworte)
        txtStichworte_LostFocus();
    else if (watched == txtVersion)
        txtVersion_LostFocus();
    else if (int k = txtPunkteBis.indexOf(watched); k > 0)
        txtPunkteBis_LostFocus(k);
    return QWidget::eventFilter(watched, e);
}

}  // namespace mainwindow
