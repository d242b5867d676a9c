#include "overview/frmGridOptions.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/modMain.h"
#include "overview/OverviewDialogsHost.h"
#include "overview/frmFont.h"
#include "platform/Error.h"
#include "platform/forms/Captions.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Interaction.h"
#include "platform/grid/Grid.h"
#include "vocabdb/FontSettings.h"

namespace overview {

namespace {

constexpr int NameBoxLimit = 200;
constexpr int SizeBoxLimit = 2;
constexpr double SmallestSize = 6.0;
const QString DefaultFont = QStringLiteral("MS Sans Serif");
const QString DefaultSize = QStringLiteral("8");

int flagOf(const QVariant& v) {
    return v.isValid() ? v.toInt() : 0;
}

QCheckBox* check(QWidget* parent, const char* name, const char* tag) {
    auto* c = new QCheckBox(parent);
    c->setObjectName(name);
    if (tag) forms::setTag(c, tag);
    return c;
}

}  // namespace

bool WriteOptionField(dao::Recordset& rs, const QString& field, const QVariant& value) {
    try {
        rs.Edit();
        rs.SetValue(field, value);
        rs.Update();
        return true;
    } catch (const wk::Error& e) {
        try {
            if (rs.EditMode() != dao::dbEditNone) rs.CancelUpdate();
        } catch (const wk::Error&) {
        }
        modMain::ShowError(e.number(), e.description(), QString());
        return false;
    }
}

frmGridOptions::frmGridOptions(DialogsHost& host, QWidget* parent) : QDialog(parent), host_(host) {
    setObjectName("frmGridOptions");
    setModal(true);

    optM[0] = new QRadioButton(this);
    optM[0]->setObjectName("optM(0)");
    forms::setTag(optM[0], "296");
    optM[1] = new QRadioButton(this);
    optM[1]->setObjectName("optM(1)");
    forms::setTag(optM[1], "297");

    // The display page.
    fraDisplay = new QFrame(this);
    fraDisplay->setObjectName("fraDisplay");
    fraDisplay->setFrameShape(QFrame::StyledPanel);
    chkWordbreakQ = check(fraDisplay, "chkWordbreakQ", nullptr);
    chkWordbreakA = check(fraDisplay, "chkWordbreakA", nullptr);
    chkWordbreakT = check(fraDisplay, "chkWordbreakT", nullptr);
    chkHighlightActiveRow = check(fraDisplay, "chkHighlightActiveRow", "324");
    chkGridlines = check(fraDisplay, "chkGridlines", "354");
    chkColorCode = check(fraDisplay, "chkColorCode", "325");
    chkListIcon = check(fraDisplay, "chkListIcon", "211");
    lblBEI = new QLabel(fraDisplay);
    lblBEI->setObjectName("lblBEI");
    forms::setTag(lblBEI, "212");
    lblBEI->setWordWrap(true);
    lblBEI->setIndent(20);
    {
        auto* lay = new QVBoxLayout(fraDisplay);
        for (QCheckBox* c : {chkWordbreakQ, chkWordbreakA, chkWordbreakT, chkHighlightActiveRow, chkGridlines,
                             chkColorCode, chkListIcon})
            lay->addWidget(c);
        lay->addWidget(lblBEI);
        lay->addStretch(1);
    }

    // The fonts page: four rows of head, "..." button, name and size.
    fraFonts = new QFrame(this);
    fraFonts->setObjectName("fraFonts");
    fraFonts->setFrameShape(QFrame::StyledPanel);
    {
        auto* lay = new QGridLayout(fraFonts);
        lay->setColumnStretch(1, 1);
        buildFontRow(lay, 0, lblSchriftart, cmdPickFont, txtSchriftart, txtSchriftgroesse, QString());
        buildFontRow(lay, 1, lblSchriftartA, cmdPickFontA, txtSchriftartA, txtSchriftgroesseA, "A");
        buildFontRow(lay, 2, lblSchriftartT, cmdPickFontT, txtSchriftartT, txtSchriftgroesseT, "T");
        buildFontRow(lay, 3, lblSchriftartRest, cmdPickFontRest, txtSchriftartRest, txtSchriftgroesseRest,
                     "Rest");
        forms::setTag(lblSchriftart, "50");
        forms::setTag(lblSchriftartA, "51");
        forms::setTag(lblSchriftartT, "52");
        forms::setTag(lblSchriftartRest, "351");
        cmdDefault = new QPushButton(fraFonts);
        cmdDefault->setObjectName("cmdDefault");
        forms::setTag(cmdDefault, "350");
        lay->addWidget(cmdDefault, 8, 0, 1, 3, Qt::AlignLeft);
        lay->setRowStretch(9, 1);
    }

    cmdOK = new QPushButton(this);
    cmdOK->setObjectName("cmdOK");
    forms::setTag(cmdOK, "291");

    auto* pages = new QHBoxLayout;
    pages->addWidget(optM[0]);
    pages->addWidget(optM[1]);
    pages->addStretch(1);
    auto* body = new QGridLayout;
    body->addWidget(fraDisplay, 0, 0);
    body->addWidget(fraFonts, 0, 0);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(cmdOK);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(pages);
    outer->addLayout(body, 1);
    outer->addLayout(bottom);
    setMinimumWidth(460);

    connect(optM[0], &QRadioButton::toggled, this, [this](bool on) {
        if (on) optM_Click(0);
    });
    connect(optM[1], &QRadioButton::toggled, this, [this](bool on) {
        if (on) optM_Click(1);
    });
    connect(chkWordbreakQ, &QCheckBox::toggled, this, [this] { chkWordbreakQ_Click(); });
    connect(chkWordbreakA, &QCheckBox::toggled, this, [this] { chkWordbreakA_Click(); });
    connect(chkWordbreakT, &QCheckBox::toggled, this, [this] { chkWordbreakT_Click(); });
    connect(chkHighlightActiveRow, &QCheckBox::toggled, this, [this] { chkHighlightActiveRow_Click(); });
    connect(chkColorCode, &QCheckBox::toggled, this, [this] { chkColorCode_Click(); });
    connect(chkGridlines, &QCheckBox::toggled, this, [this] { chkGridlines_Click(); });
    connect(chkListIcon, &QCheckBox::toggled, this, [this] { chkListIcon_Click(); });
    connect(txtSchriftgroesseRest, &QLineEdit::textChanged, this, [this] { txtSchriftgroesseRest_Change(); });
    connect(cmdPickFont, &QPushButton::clicked, this, [this] { cmdPickFont_Click(); });
    connect(cmdPickFontA, &QPushButton::clicked, this, [this] { cmdPickFontA_Click(); });
    connect(cmdPickFontT, &QPushButton::clicked, this, [this] { cmdPickFontT_Click(); });
    connect(cmdPickFontRest, &QPushButton::clicked, this, [this] { cmdPickFontRest_Click(); });
    connect(cmdDefault, &QPushButton::clicked, this, [this] { cmdDefault_Click(); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });

    // Key preview, and the boxes that store when they lose the focus.
    installEventFilter(this);
    for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
}

void frmGridOptions::buildFontRow(QGridLayout* lay, int index, QLabel*& head, QPushButton*& pick,
                                  QLineEdit*& name, QLineEdit*& size, const QString& suffix) {
    head = new QLabel(fraFonts);
    head->setObjectName("lblSchriftart" + suffix);
    QFont bold = head->font();
    bold.setBold(true);
    head->setFont(bold);
    pick = new QPushButton(QStringLiteral("..."), fraFonts);
    pick->setObjectName("cmdPickFont" + suffix);
    pick->setFixedWidth(QFontMetrics(pick->font()).horizontalAdvance(QStringLiteral("....")) + 16);
    name = new QLineEdit(fraFonts);
    name->setObjectName("txtSchriftart" + suffix);
    forms::limitTextLength(name, NameBoxLimit);
    size = new QLineEdit(fraFonts);
    size->setObjectName("txtSchriftgroesse" + suffix);
    forms::limitTextLength(size, SizeBoxLimit);
    size->setFixedWidth(QFontMetrics(size->font()).horizontalAdvance(QStringLiteral("0000")) + 12);
    const int r = index * 2;
    lay->addWidget(head, r, 0, 1, 3);
    lay->addWidget(pick, r + 1, 0);
    lay->addWidget(name, r + 1, 1);
    lay->addWidget(size, r + 1, 2);
}

std::array<frmGridOptions::FontRow, 4> frmGridOptions::rows() const {
    return {{{txtSchriftart, txtSchriftgroesse, "Schriftart", "Schriftgroesse"},
             {txtSchriftartA, txtSchriftgroesseA, "SchriftartA", "SchriftgroesseA"},
             {txtSchriftartT, txtSchriftgroesseT, "SchriftartT", "SchriftgroesseT"},
             {txtSchriftartRest, txtSchriftgroesseRest, "SchriftartRest", "SchriftgroesseRest"}}};
}

void frmGridOptions::Form_Load() {
    using modMain::GetText;
    forms::ApplyCaptions(this, GetText, false);
    for (QPushButton* b : {cmdPickFont, cmdPickFontA, cmdPickFontT, cmdPickFontRest})
        b->setToolTip(GetText(352));
    cmdDefault->setToolTip(GetText(353));
    // A font row's boxes and its "..." are named after the row's heading.
    const struct {
        QLabel* head;
        QPushButton* pick;
        QLineEdit *name, *size;
    } fontRows[] = {{lblSchriftart, cmdPickFont, txtSchriftart, txtSchriftgroesse},
                    {lblSchriftartA, cmdPickFontA, txtSchriftartA, txtSchriftgroesseA},
                    {lblSchriftartT, cmdPickFontT, txtSchriftartT, txtSchriftgroesseT},
                    {lblSchriftartRest, cmdPickFontRest, txtSchriftartRest, txtSchriftgroesseRest}};
    for (const auto& r : fontRows) {
        const QString row = forms::spokenCaption(r.head->text()) + QLatin1String(", ");
        r.pick->setAccessibleName(row + GetText(352));
        r.name->setAccessibleName(row + forms::spokenCaption(GetText(293)));
        r.size->setAccessibleName(row + forms::spokenCaption(GetText(292)));
    }
    setWindowTitle(GetText(321));
    const QString q = QStringLiteral("\"");
    chkWordbreakQ->setText(GetText(322) + q + GetText(50) + q);
    chkWordbreakA->setText(GetText(322) + q + GetText(51) + q);
    chkWordbreakT->setText(GetText(322) + q + GetText(52) + q);

    // A box set to another state runs its handler, which stores the state:
    // flags that are on are copied into the options record here.
    dao::RecordsetPtr opts = host_.OptionsRecord();
    chkWordbreakQ->setChecked(flagOf(opts->Value("ZeilenumbruchQ")) == 1);
    chkWordbreakA->setChecked(flagOf(opts->Value("ZeilenumbruchA")) == 1);
    chkWordbreakT->setChecked(flagOf(opts->Value("ZeilenumbruchT")) == 1);
    dao::RecordsetPtr prog = host_.ProgramOptionsRecord();
    chkHighlightActiveRow->setChecked(flagOf(prog->Value("HighlightActiveRow")) == 1);
    chkGridlines->setChecked(flagOf(prog->Value("Gridlines")) == 1);
    chkColorCode->setChecked(flagOf(prog->Value("IndikatorRand")) == 1);
    chkListIcon->setChecked(flagOf(prog->Value("ListIcon")) == 1);

    for (int i = 0; i < 4; ++i) reloadRow(i);

    optM[0]->setChecked(true);
    optM_Click(0);
}

void frmGridOptions::reloadRow(int row) {
    const dao::RecordsetPtr opts = host_.OptionsRecord();
    using namespace vocabdb;
    switch (row) {
        case 0:
            txtSchriftart->setText(GetSchriftart(opts));
            txtSchriftgroesse->setText(GetSchriftgroesse(opts));
            break;
        case 1:
            txtSchriftartA->setText(GetSchriftartA(opts));
            txtSchriftgroesseA->setText(GetSchriftgroesseA(opts));
            break;
        case 2:
            txtSchriftartT->setText(GetSchriftartT(opts));
            txtSchriftgroesseT->setText(GetSchriftgroesseT(opts));
            break;
        default:
            txtSchriftartRest->setText(GetSchriftartRest(opts));
            txtSchriftgroesseRest->setText(GetSchriftgroesseRest(opts));
            break;
    }
}

void frmGridOptions::optM_Click(int index) {
    // Tab stops at the button of the page shown, not at the other one; the
    // arrow keys choose the other page.
    for (int i = 0; i < 2; ++i) optM[i]->setFocusPolicy(i == index ? Qt::StrongFocus : Qt::ClickFocus);
    // The focus may not be taken yet while the dialog loads; that is fine.
    if (index == 0) {
        fraFonts->setVisible(false);
        fraDisplay->setVisible(true);
        chkWordbreakQ->setFocus();
    } else {
        fraDisplay->setVisible(false);
        fraFonts->setVisible(true);
        txtSchriftart->setFocus();
    }
}

void frmGridOptions::writeCheck(QCheckBox* box, const QString& field, bool options, bool program) {
    const int state = box->isChecked() ? 1 : 0;
    if (options && !WriteOptionField(*host_.OptionsRecord(), field, state)) return;
    if (program) WriteOptionField(*host_.ProgramOptionsRecord(), field, state);
}

void frmGridOptions::chkWordbreakQ_Click() {
    writeCheck(chkWordbreakQ, "ZeilenumbruchQ", true, false);
}
void frmGridOptions::chkWordbreakA_Click() {
    writeCheck(chkWordbreakA, "ZeilenumbruchA", true, false);
}
void frmGridOptions::chkWordbreakT_Click() {
    writeCheck(chkWordbreakT, "ZeilenumbruchT", true, false);
}
void frmGridOptions::chkHighlightActiveRow_Click() {
    writeCheck(chkHighlightActiveRow, "HighlightActiveRow", true, true);
}
void frmGridOptions::chkColorCode_Click() {
    writeCheck(chkColorCode, "IndikatorRand", true, true);
}
void frmGridOptions::chkGridlines_Click() {
    writeCheck(chkGridlines, "Gridlines", true, true);
    host_.vg1().SetGridLines(chkGridlines->isChecked());
}
void frmGridOptions::chkListIcon_Click() {
    writeCheck(chkListIcon, "ListIcon", false, true);
}

void frmGridOptions::writeName(QLineEdit* box, const QString& field, const QWidget* goingTo) {
    // Any name goes, the empty one too. The box takes more than the field
    // holds: a longer name is refused and the stored name stays. The focus
    // is not pulled back: that would refuse again at every click and trap
    // the user. Leaving for "Restore default fonts" is no leaving to refuse,
    // as its click replaces every name anyway.
    dao::Recordset& options = *host_.OptionsRecord();
    int size = 0;
    try {
        size = options.FieldDefinedSize(field);
    } catch (const wk::Error&) {
    }
    const bool fits = size <= 0 || box->text().size() <= size;
    if (!fits && goingTo == cmdDefault) return;
    if (!modMain::FitsField(box->text(), size)) return;
    WriteOptionField(options, field, box->text());
}

void frmGridOptions::txtSchriftart_LostFocus() {
    writeName(txtSchriftart, "Schriftart", QApplication::focusWidget());
}
void frmGridOptions::txtSchriftartA_LostFocus() {
    writeName(txtSchriftartA, "SchriftartA", QApplication::focusWidget());
}
void frmGridOptions::txtSchriftartT_LostFocus() {
    writeName(txtSchriftartT, "SchriftartT", QApplication::focusWidget());
}
void frmGridOptions::txtSchriftartRest_LostFocus() {
    writeName(txtSchriftartRest, "SchriftartRest", QApplication::focusWidget());
}

void frmGridOptions::checkSize(QLineEdit* box, const QString& field) {
    bool numeric = false;
    const double value = box->text().trimmed().toDouble(&numeric);
    if (!numeric || value < SmallestSize) {
        forms::ui().MsgBox(modMain::GetText(420), forms::vbOKOnly | forms::vbInformation, QString());
        box->setFocus();
        return;
    }
    WriteOptionField(*host_.OptionsRecord(), field, box->text());
}

void frmGridOptions::txtSchriftgroesse_LostFocus() {
    checkSize(txtSchriftgroesse, "Schriftgroesse");
}
void frmGridOptions::txtSchriftgroesseA_LostFocus() {
    checkSize(txtSchriftgroesseA, "SchriftgroesseA");
}
void frmGridOptions::txtSchriftgroesseT_LostFocus() {
    checkSize(txtSchriftgroesseT, "SchriftgroesseT");
}
void frmGridOptions::txtSchriftgroesseRest_Change() {
    checkSize(txtSchriftgroesseRest, "SchriftgroesseRest");
}

void frmGridOptions::pickFont(int row) {
    const FontRow r = rows()[size_t(row)];
    frmFont dlg(host_.OptionsRecord(), this);
    dlg.FieldToWriteTo = r.nameField;
    dlg.FieldToWriteSizeTo = r.sizeField;
    dlg.Form_Load();
    forms::ui().ShowModal(dlg);
    // Confirmed or not, the boxes show what is stored now.
    reloadRow(row);
}

void frmGridOptions::cmdPickFont_Click() {
    pickFont(0);
}
void frmGridOptions::cmdPickFontA_Click() {
    pickFont(1);
}
void frmGridOptions::cmdPickFontT_Click() {
    pickFont(2);
}
void frmGridOptions::cmdPickFontRest_Click() {
    pickFont(3);
}

void frmGridOptions::cmdDefault_Click() {
    dao::RecordsetPtr opts = host_.OptionsRecord();
    try {
        opts->Edit();
        for (const FontRow& r : rows()) {
            opts->SetValue(r.nameField, DefaultFont);
            opts->SetValue(r.sizeField, DefaultSize);
        }
        opts->Update();
    } catch (const wk::Error& e) {
        try {
            if (opts->EditMode() != dao::dbEditNone) opts->CancelUpdate();
        } catch (const wk::Error&) {
        }
        modMain::ShowError(e.number(), e.description(), QString());
    }
    for (int i = 0; i < 4; ++i) reloadRow(i);
}

void frmGridOptions::cmdOK_Click() {
    host_.FillVG1();
    unloaded_ = true;
    if (isVisible())
        accept();
    else
        setResult(QDialog::Accepted);
}

int frmGridOptions::Form_KeyPress(int keyAscii) {
    if (keyAscii == 27) {
        cmdOK_Click();
        return 0;
    }
    return keyAscii;
}

bool frmGridOptions::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(event);
        if (k->key() == Qt::Key_Escape) {
            Form_KeyPress(27);
            return true;
        }
        // An arrow on a page button chooses the page beside as a click on
        // its button does, the focus going to the page's first control;
        // Qt's own move would take it back to the button.
        if ((watched == optM[0] || watched == optM[1]) && !(k->modifiers() & ~Qt::KeypadModifier)) {
            const int key = k->key();
            const int page = key == Qt::Key_Right || key == Qt::Key_Down ? 1
                             : key == Qt::Key_Left || key == Qt::Key_Up  ? 0
                                                                         : -1;
            if (page >= 0) {
                if (!optM[page]->isChecked()) optM[page]->click();
                return true;
            }
        }
    } else if (event->type() == QEvent::FocusOut) {
        // Leaving for another window (a message box, another program) is no
        // leaving of the box.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && !unloaded_ &&
            !checking_) {
            checking_ = true;
            if (watched == txtSchriftart)
                txtSchriftart_LostFocus();
            else if (watched == txtSchriftartA)
                txtSchriftartA_LostFocus();
            else if (watched == txtSchriftartT)
                txtSchriftartT_LostFocus();
            else if (watched == txtSchriftartRest)
                txtSchriftartRest_LostFocus();
            else if (watched == txtSchriftgroesse)
                txtSchriftgroesse_LostFocus();
            else if (watched == txtSchriftgroesseA)
                txtSchriftgroesseA_LostFocus();
            else if (watched == txtSchriftgroesseT)
                txtSchriftgroesseT_LostFocus();
            checking_ = false;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ShowGridOptions(DialogsHost& host) {
    frmGridOptions f(host, host.MainWindow());
    f.Form_Load();
    forms::ui().ShowModal(f);
}

}  // namespace overview
