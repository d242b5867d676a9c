#include "exchange/frmImport.h"
#include "exchange/frmImportParts.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "core/RunState.h"
#include "core/modFunctions.h"
#include "core/modMain.h"
#include "exchange/ExportWriter.h"
#include "platform/Error.h"
#include "platform/forms/Captions.h"
#include "platform/forms/Colors.h"
#include "platform/forms/FocusKeys.h"
#include "platform/forms/Interaction.h"
#include "platform/forms/MousePointer.h"
#include "platform/forms/Placement.h"
#include "platform/forms/Twips.h"
#include "platform/grid/Grid.h"
#include "vocabdb/FontSettings.h"

namespace exchange {

using modMain::GetText;

namespace {

template <class T>
T* make(QWidget* parent, const char* name, const QString& tag = {}) {
    auto* w = new T(parent);
    w->setObjectName(QString::fromLatin1(name));
    if (!tag.isEmpty()) forms::setTag(w, tag);
    return w;
}

QFrame* page(QWidget* parent, const char* name) {
    auto* f = make<QFrame>(parent, name);
    f->setLayout(new QVBoxLayout);
    return f;
}

}  // namespace

// The main window's grid recordset; without an open database there is none.
dao::Recordset& need(const dao::RecordsetPtr& rs) {
    if (!rs) dao::Raise(wk::err::ObjectInvalid);
    return *rs;
}

frmImport::frmImport(ImportHost& host, QWidget* parent) : QDialog(parent), host_(host) {
    setObjectName(QStringLiteral("frmImport"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    forms::keepPlacement(this);
    setModal(true);
    buildControls();
    Form_Load();
}

frmImport::~frmImport() {
    Src.Close();
}

void frmImport::buildControls() {
    auto* outer = new QVBoxLayout(this);
    picVerwaltungBG = make<QLabel>(this, "picVerwaltungBG");
    picVerwaltungBG->setFixedHeight(12);
    picVerwaltungBG->setAutoFillBackground(true);
    forms::setBackColor(picVerwaltungBG, 0x804000);
    lblBHeader = make<QLabel>(this, "lblBHeader", "600");
    QFont hf = lblBHeader->font();
    hf.setBold(true);
    hf.setPointSize(hf.pointSize() + 4);
    lblBHeader->setFont(hf);
    lblBHeader->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    outer->addWidget(picVerwaltungBG);
    outer->addWidget(lblBHeader);
    lblBHeader->installEventFilter(this);
    picVerwaltungBG->installEventFilter(this);

    // Start page.
    fraA_Start = page(this, "fraA_Start");
    fraA_Start->layout()->addWidget(make<QLabel>(fraA_Start, "lblAStart", "605"));
    const int choiceTags[3] = {606, 607, 660};
    for (int i = 0; i < 3; ++i) {
        optChoice[i] = make<QRadioButton>(fraA_Start, "optChoice", QString::number(choiceTags[i]));
        optChoice[i]->setProperty("Index", i);
        optChoice[i]->installEventFilter(this);
        fraA_Start->layout()->addWidget(optChoice[i]);
        connect(optChoice[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on) optChoice_Click(i);
        });
    }
    fraA_Start->layout()->addWidget(make<QLabel>(fraA_Start, "lblAHint", "608"));
    auto* hint = make<QLabel>(fraA_Start, "lblAHintText", "609");
    hint->setWordWrap(true);
    fraA_Start->layout()->addWidget(hint);

    // Export: format.
    fraB_Export = page(this, "fraB_Export");
    fraB_Export->layout()->addWidget(make<QLabel>(fraB_Export, "lblBExFormat", "636"));
    const int formatTags[3] = {637, 638, 639};
    for (int i = 0; i < 3; ++i) {
        optExport_Format[i] =
            make<QRadioButton>(fraB_Export, "optExport_Format", QString::number(formatTags[i]));
        optExport_Format[i]->setProperty("Index", i);
        optExport_Format[i]->installEventFilter(this);
        fraB_Export->layout()->addWidget(optExport_Format[i]);
        connect(optExport_Format[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on) optExport_Format_Click(i);
        });
    }
    optExport_Format[2]->setEnabled(false);  // no XML writer
    // An arrow key chooses, so that Next is there without Space. The page
    // opens with nothing chosen and Next locked: Return on the option framed
    // goes nowhere until one is chosen.
    forms::arrowsChoose(optChoice);
    forms::arrowsChoose(optExport_Format);
    fraB_Export->layout()->addWidget(make<QLabel>(fraB_Export, "lblBExHint", "608"));
    auto* note = make<QLabel>(fraB_Export, "lblBExNote", "640");
    note->setWordWrap(true);
    fraB_Export->layout()->addWidget(note);

    // Export: items.
    fraC_Export = make<QFrame>(this, "fraC_Export");
    {
        auto* g = new QGridLayout(fraC_Export);
        lblBExport_DB = make<QLabel>(fraC_Export, "lblBExport_DB", "615");
        lblBExport_DBI = make<QLabel>(fraC_Export, "lblBExport_DBI", "617");
        vgExDB = make<grid::Grid>(fraC_Export, "vgExDB");
        vgExEx = make<grid::Grid>(fraC_Export, "vgExEx");
        for (grid::Grid* gr : {vgExDB, vgExEx}) {
            gr->SetMultiSelect(true);
            gr->view()->horizontalHeader()->hide();  // the labels above name them
        }
        cmdExport_DB_L2R = make<QPushButton>(fraC_Export, "cmdExport_DB_L2R");
        cmdExport_DB_L2R->setText(QStringLiteral(">"));
        cmdExport_DB_L2R_A = make<QPushButton>(fraC_Export, "cmdExport_DB_L2R_A");
        cmdExport_DB_L2R_A->setText(QStringLiteral(">>"));
        cmdExport_DB_R2L = make<QPushButton>(fraC_Export, "cmdExport_DB_R2L");
        cmdExport_DB_R2L->setText(QStringLiteral("<"));
        cmdExport_DB_R2L_A = make<QPushButton>(fraC_Export, "cmdExport_DB_R2L_A");
        cmdExport_DB_R2L_A->setText(QStringLiteral("<<"));
        auto* buttons = new QVBoxLayout;
        for (auto* b : {cmdExport_DB_L2R, cmdExport_DB_L2R_A, cmdExport_DB_R2L, cmdExport_DB_R2L_A})
            buttons->addWidget(b);
        lblBExport_DB->setBuddy(vgExDB);
        lblBExport_DBI->setBuddy(vgExEx);
        g->addWidget(lblBExport_DB, 0, 0);
        g->addWidget(lblBExport_DBI, 0, 2);
        g->addWidget(vgExDB, 1, 0);
        g->addLayout(buttons, 1, 1);
        g->addWidget(vgExEx, 1, 2);
        connect(cmdExport_DB_L2R, &QPushButton::clicked, this, &frmImport::cmdExport_DB_L2R_Click);
        connect(cmdExport_DB_L2R_A, &QPushButton::clicked, this, &frmImport::cmdExport_DB_L2R_A_Click);
        connect(cmdExport_DB_R2L, &QPushButton::clicked, this, &frmImport::cmdExport_DB_R2L_Click);
        connect(cmdExport_DB_R2L_A, &QPushButton::clicked, this, &frmImport::cmdExport_DB_R2L_A_Click);
        connect(vgExDB, &grid::Grid::DblClick, this, &frmImport::vgExDB_DblClick);
        connect(vgExEx, &grid::Grid::DblClick, this, &frmImport::vgExEx_DblClick);
    }

    // Export: fields.
    fraD_Export = page(this, "fraD_Export");
    auto* lblDExFields = make<QLabel>(fraD_Export, "lblDExFields", "630");
    fraD_Export->layout()->addWidget(lblDExFields);
    lstExFields = make<QListWidget>(fraD_Export, "lstExFields");
    lblDExFields->setBuddy(lstExFields);
    cmdExUp = make<QPushButton>(fraD_Export, "cmdExUp", "631");
    cmdExDown = make<QPushButton>(fraD_Export, "cmdExDown", "632");
    fraD_Export->layout()->addWidget(lstExFields);
    fraD_Export->layout()->addWidget(cmdExUp);
    fraD_Export->layout()->addWidget(cmdExDown);
    connect(cmdExUp, &QPushButton::clicked, this, &frmImport::cmdExUp_Click);
    connect(cmdExDown, &QPushButton::clicked, this, &frmImport::cmdExDown_Click);
    connect(lstExFields, &QListWidget::itemChanged, this, [this] { lstExFields_Click(); });
    connect(lstExFields, &QListWidget::currentRowChanged, this, [this] { lstExFields_Click(); });

    // Export: text options.
    fraE_Export = page(this, "fraE_Export");
    fraE_Export->layout()->addWidget(make<QLabel>(fraE_Export, "lblEExOptions", "634"));
    auto* lblEExSep = make<QLabel>(fraE_Export, "lblEExSep", "635");
    fraE_Export->layout()->addWidget(lblEExSep);
    cboExSep = make<QComboBox>(fraE_Export, "cboExSep");
    lblEExSep->setBuddy(cboExSep);
    chkExHeader = make<QCheckBox>(fraE_Export, "chkExHeader", "641");
    fraE_Export->layout()->addWidget(cboExSep);
    fraE_Export->layout()->addWidget(chkExHeader);
    connect(cboExSep, &QComboBox::currentIndexChanged, this, [this] { cboExSep_Click(); });

    // Export: result.
    fraF_Export = page(this, "fraF_Export");
    lblExStatus = make<QLabel>(fraF_Export, "lblExStatus");
    cmdExView = make<QPushButton>(fraF_Export, "cmdExView", "650");
    fraF_Export->layout()->addWidget(lblExStatus);
    fraF_Export->layout()->addWidget(cmdExView);
    connect(cmdExView, &QPushButton::clicked, this, &frmImport::cmdExView_Click);

    // Database import: source and conditions.
    fraB_Import = make<QFrame>(this, "fraB_Import");
    {
        auto* g = new QGridLayout(fraB_Import);
        auto* lblFrom = make<QLabel>(fraB_Import, "lblBImport_From", "610");
        g->addWidget(lblFrom, 0, 0, 1, 4);
        txtB_Import_FileName = make<QLineEdit>(fraB_Import, "txtB_Import_FileName");
        lblFrom->setBuddy(txtB_Import_FileName);
        cmdB_Import_OpenDB = make<QPushButton>(fraB_Import, "cmdB_Import_OpenDB");
        cmdB_Import_OpenDB->setText(QStringLiteral("..."));
        cmdB_Import_OpenDB->setFixedWidth(forms::twipsToPixels(495));
        g->addWidget(txtB_Import_FileName, 1, 0, 1, 3);
        g->addWidget(cmdB_Import_OpenDB, 1, 3);
        chkBed = make<QCheckBox>(fraB_Import, "chkBed", "611");
        g->addWidget(chkBed, 2, 0, 1, 4);
        for (int i = 0; i < 3; ++i) {
            if (i > 0) {
                cboAndOr[i] = make<QComboBox>(fraB_Import, "cboAndOr");
                cboAndOr[i]->setProperty("Index", i);
                g->addWidget(cboAndOr[i], 3 + i, 0);
            }
            cboWhat[i] = make<QComboBox>(fraB_Import, "cboWhat");
            cboComp[i] = make<QComboBox>(fraB_Import, "cboComp");
            txtBed[i] = make<QLineEdit>(fraB_Import, "txtBed");
            for (QWidget* w : {static_cast<QWidget*>(cboWhat[i]), static_cast<QWidget*>(cboComp[i]),
                               static_cast<QWidget*>(txtBed[i])})
                w->setProperty("Index", i);
            // The lists are as wide as their longest entry ("Rate of Mistake").
            for (QComboBox* c : {cboAndOr[i], cboWhat[i], cboComp[i]})
                if (c) c->setSizeAdjustPolicy(QComboBox::AdjustToContents);
            g->addWidget(cboWhat[i], 3 + i, 1);
            g->addWidget(cboComp[i], 3 + i, 2);
            g->addWidget(txtBed[i], 3 + i, 3);
        }
        connect(cmdB_Import_OpenDB, &QPushButton::clicked, this, &frmImport::cmdB_Import_OpenDB_Click);
        connect(txtB_Import_FileName, &QLineEdit::textChanged, this,
                [this] { txtB_Import_FileName_Change(); });
        connect(chkBed, &QCheckBox::toggled, this, [this] { chkBed_Click(0); });
        for (int i = 1; i < 3; ++i)
            connect(cboAndOr[i], &QComboBox::currentIndexChanged, this, [this, i] { cboAndOr_Click(i); });
    }

    // Database import: items.
    fraC_Import = make<QFrame>(this, "fraC_Import");
    {
        auto* g = new QGridLayout(fraC_Import);
        lstImport_DB = make<QListWidget>(fraC_Import, "lstImport_DB");
        lstImport_Import = make<QListWidget>(fraC_Import, "lstImport_Import");
        for (QListWidget* l : {lstImport_DB, lstImport_Import})
            l->setSelectionMode(QAbstractItemView::ExtendedSelection);
        cmdImport_L2R = make<QPushButton>(fraC_Import, "cmdImport_L2R");
        cmdImport_L2R->setText(QStringLiteral(">"));
        cmdImport_L2Ra = make<QPushButton>(fraC_Import, "cmdImport_L2Ra");
        cmdImport_L2Ra->setText(QStringLiteral(">>"));
        cmdImport_R2L = make<QPushButton>(fraC_Import, "cmdImport_R2L");
        cmdImport_R2L->setText(QStringLiteral("<"));
        cmdImport_R2La = make<QPushButton>(fraC_Import, "cmdImport_R2La");
        cmdImport_R2La->setText(QStringLiteral("<<"));
        auto* buttons = new QVBoxLayout;
        for (auto* b : {cmdImport_L2R, cmdImport_L2Ra, cmdImport_R2L, cmdImport_R2La}) buttons->addWidget(b);
        auto* lblDB = make<QLabel>(fraC_Import, "lblCImport_DB", "615");
        auto* lblImport = make<QLabel>(fraC_Import, "lblCImport_Import", "616");
        lblDB->setBuddy(lstImport_DB);
        lblImport->setBuddy(lstImport_Import);
        g->addWidget(lblDB, 0, 0);
        g->addWidget(lblImport, 0, 2);
        g->addWidget(lstImport_DB, 1, 0);
        g->addLayout(buttons, 1, 1);
        g->addWidget(lstImport_Import, 1, 2);
        connect(cmdImport_L2R, &QPushButton::clicked, this, &frmImport::cmdImport_L2R_Click);
        connect(cmdImport_L2Ra, &QPushButton::clicked, this, &frmImport::cmdImport_L2Ra_Click);
        connect(cmdImport_R2L, &QPushButton::clicked, this, &frmImport::cmdImport_R2L_Click);
        connect(cmdImport_R2La, &QPushButton::clicked, this, &frmImport::cmdImport_R2La_Click);
        connect(lstImport_DB, &QListWidget::itemDoubleClicked, this, [this] { lstImport_DB_DblClick(); });
        connect(lstImport_Import, &QListWidget::itemDoubleClicked, this,
                [this] { lstImport_Import_DblClick(); });
    }

    fraD_Import_Finish = page(this, "fraD_Import_Finish");
    lblDImport_Added = make<QLabel>(fraD_Import_Finish, "lblDImport_Added");
    fraD_Import_Finish->layout()->addWidget(lblDImport_Added);

    // Text import.
    fraB_TXTImport = make<QFrame>(this, "fraB_TXTImport");
    {
        auto* g = new QGridLayout(fraB_TXTImport);
        auto* lblFile = make<QLabel>(fraB_TXTImport, "lblB_TXTFile", "661");
        g->addWidget(lblFile, 0, 0);
        txtB_TXTImport_FileName = make<QLineEdit>(fraB_TXTImport, "txtB_TXTImport_FileName");
        lblFile->setBuddy(txtB_TXTImport_FileName);
        cmdTXTImportFile = make<QPushButton>(fraB_TXTImport, "cmdTXTImportFile");
        cmdTXTImportFile->setText(QStringLiteral("..."));
        cmdTXTImportFile->setFixedWidth(forms::twipsToPixels(495));
        g->addWidget(txtB_TXTImport_FileName, 0, 1, 1, 2);
        g->addWidget(cmdTXTImportFile, 0, 3);
        auto* lblFormat = make<QLabel>(fraB_TXTImport, "lblB_TXTFormat", "665");
        g->addWidget(lblFormat, 1, 0);
        cboB_TXTImport_Format = make<QComboBox>(fraB_TXTImport, "cboB_TXTImport_Format");
        lblFormat->setBuddy(cboB_TXTImport_Format);
        g->addWidget(cboB_TXTImport_Format, 1, 1);
        auto* lblSeparator = make<QLabel>(fraB_TXTImport, "lblB_TXTSeparator", "670");
        g->addWidget(lblSeparator, 1, 2);
        cboB_TXTImport_Separator = make<QComboBox>(fraB_TXTImport, "cboB_TXTImport_Separator");
        lblSeparator->setBuddy(cboB_TXTImport_Separator);
        g->addWidget(cboB_TXTImport_Separator, 1, 3);
        chkB_TXTImport_Header = make<QCheckBox>(fraB_TXTImport, "chkB_TXTImport_Header", "664");
        chkB_TXTImport_Header->hide();
        g->addWidget(chkB_TXTImport_Header, 2, 0, 1, 4);
        auto* lblPreview = make<QLabel>(fraB_TXTImport, "lblB_TXTPreview", "666");
        g->addWidget(lblPreview, 3, 0);
        lblB_TXTImport = make<QLabel>(fraB_TXTImport, "lblB_TXTImport");
        lblB_TXTImport->setText(QStringLiteral("-"));
        g->addWidget(lblB_TXTImport, 3, 3);
        vgB_TXTImport = make<grid::Grid>(fraB_TXTImport, "vgB_TXTImport");
        vgB_TXTImport->SetShowData(false);
        lblPreview->setBuddy(vgB_TXTImport);
        g->addWidget(vgB_TXTImport, 4, 0, 1, 4);
        connect(cmdTXTImportFile, &QPushButton::clicked, this, &frmImport::cmdTXTImportFile_Click);
        connect(txtB_TXTImport_FileName, &QLineEdit::textChanged, this,
                [this] { txtB_TXTImport_FileName_Change(); });
        connect(cboB_TXTImport_Format, &QComboBox::currentIndexChanged, this,
                [this] { cboB_TXTImport_Format_Click(); });
        connect(cboB_TXTImport_Separator, &QComboBox::currentIndexChanged, this,
                [this] { cboB_TXTImport_Separator_Click(); });
        connect(chkB_TXTImport_Header, &QCheckBox::toggled, this, [this] { chkB_TXTImport_Header_Click(); });
    }
    fraC_TXTImport = page(this, "fraC_TXTImport");
    lblC_TXTProgress = make<QLabel>(fraC_TXTImport, "lblC_TXTProgress");
    fraC_TXTImport->layout()->addWidget(lblC_TXTProgress);

    for (QFrame* f : {fraA_Start, fraB_Export, fraC_Export, fraD_Export, fraE_Export, fraF_Export,
                      fraB_Import, fraC_Import, fraD_Import_Finish, fraB_TXTImport, fraC_TXTImport})
        outer->addWidget(f);

    outer->addStretch();
    auto* bar = new QHBoxLayout;
    cmdBack = make<QPushButton>(this, "cmdBack", "602");
    cmdCancel = make<QPushButton>(this, "cmdCancel", "601");
    cmdWeiter = make<QPushButton>(this, "cmdWeiter", "603");
    cmdBack->hide();
    // Return goes on, as Next does, unless another button has the focus.
    cmdWeiter->setDefault(true);
    bar->addStretch();
    bar->addWidget(cmdBack);
    bar->addWidget(cmdCancel);
    bar->addWidget(cmdWeiter);
    outer->addLayout(bar);
    for (auto [button, handler] : {std::pair{cmdWeiter, &frmImport::cmdWeiter_Click},
                                   {cmdBack, &frmImport::cmdBack_Click},
                                   {cmdCancel, &frmImport::cmdCancel_Click}})
        connect(button, &QPushButton::clicked, this,
                [this, run = handler] { step([&] { (this->*run)(); }); });
    resize(forms::twipsSize(9000, 6600));
}

// ------------------------------------------------------------------ frame

void frmImport::Form_Load() {
    bool locked = false;
    if (auto opt = host_.OptionsRecord()) {
        const QVariant v = opt->Value(QStringLiteral("ExportProtection"));
        locked = v.isValid() && !v.isNull() && v.toInt() == 1;
    }
    optChoice[1]->setEnabled(!locked);

    questionFont = font();
    const QString face = vocabdb::GetSchriftart(host_.OptionsRecord());
    if (!face.isEmpty()) questionFont.setFamily(face);
    const double size = vocabdb::GetSchriftgroesse(host_.OptionsRecord()).toDouble();
    if (size > 0) questionFont.setPointSizeF(size);

    forms::ApplyCaptions(this, GetText, false);
    // Without a title bar the header names the window, for screen readers too.
    setAccessibleName(lblBHeader->text());
    nameArrows();
    nameConditions();
    // The "..." buttons by what they do, not as signs.
    cmdB_Import_OpenDB->setAccessibleName(GetText(222));
    cmdTXTImportFile->setAccessibleName(GetText(662));
    // The frame's buttons change their captions on the way ("Finish
    // export", "Import more"); each is wide enough for its longest one,
    // with room on both sides of the text.
    auto roomFor = [](QPushButton* b, std::initializer_list<int> ids) {
        int widest = 0;
        for (int id : ids)
            widest = std::max(
                widest, b->fontMetrics().horizontalAdvance(QString(GetText(id)).remove(QLatin1Char('&'))));
        b->setMinimumWidth(widest + b->fontMetrics().averageCharWidth() * 4);
    };
    roomFor(cmdWeiter, {603, 623, 627});
    roomFor(cmdCancel, {601, 624});
    roomFor(cmdBack, {602});

    ImportChanged = false;
    bWindowDrag = false;
    ImportStep = 0;
    ExportStep = 0;

    for (QFrame* f : {fraB_Import, fraC_Import, fraD_Import_Finish, fraB_TXTImport, fraC_TXTImport,
                      fraB_Export, fraC_Export, fraD_Export, fraE_Export, fraF_Export})
        f->hide();
    fraA_Start->show();
    cmdWeiter->setEnabled(false);

    if (runstate::BedWhat.size() > 3) runstate::BedWhat[3] = QStringLiteral("FQ%1").arg(runstate::BenutzerNr);

    if (cboWhat[0]->currentText().isEmpty()) {
        for (int i = 1; i < 3; ++i) {
            const QSignalBlocker block(cboAndOr[i]);
            cboAndOr[i]->clear();
            cboAndOr[i]->addItems({GetText(229), GetText(227), GetText(228)});
        }
        for (int i = 0; i < 3; ++i) {
            cboWhat[i]->clear();
            cboWhat[i]->addItems({GetText(50), GetText(51), GetText(52), GetText(56)});
            cboComp[i]->clear();
            cboComp[i]->addItems(
                {QStringLiteral("="), QStringLiteral("<"), QStringLiteral(">"), GetText(226), GetText(225)});
            cboWhat[i]->setCurrentIndex(0);
            cboComp[i]->setCurrentIndex(0);
        }
        for (int i = 1; i < 3; ++i) {
            cboAndOr[i]->setCurrentIndex(0);
            cboAndOr_Click(i);
        }
    }
    chkBed_Click(0);
}

// The condition rows hang under their check box: each part is named with
// its row's number and what it holds. The message table has no word for
// the comparison.
void frmImport::nameConditions() {
    const QString conditions = forms::spokenCaption(chkBed->text());
    chkBed->setAccessibleName(conditions);
    const QString comparison =
        modMain::TextBasis == 10000 ? QStringLiteral("Vergleich") : QStringLiteral("Comparison");
    for (int i = 0; i < 3; ++i) {
        const QString row = conditions + QLatin1Char(' ') + QString::number(i + 1);
        cboWhat[i]->setAccessibleName(row);
        cboComp[i]->setAccessibleName(row + QLatin1String(", ") + comparison);
        txtBed[i]->setAccessibleName(row + QLatin1String(", ") + forms::spokenCaption(GetText(216)));
        if (cboAndOr[i])
            cboAndOr[i]->setAccessibleName(row + QLatin1String(", ") + GetText(227) + QLatin1Char('/') +
                                           GetText(228));
    }
}

// What the arrow buttons move, for assistive tools (read as signs, "<<" says
// nothing); the message table has no words for them.
void frmImport::nameArrows() {
    const bool german = modMain::TextBasis == 10000;
    const QString names[] = {
        german ? QStringLiteral("Gewählte Begriffe hinzufügen") : QStringLiteral("Add the chosen questions"),
        german ? QStringLiteral("Alle Begriffe hinzufügen") : QStringLiteral("Add all questions"),
        german ? QStringLiteral("Gewählte Begriffe entfernen")
               : QStringLiteral("Remove the chosen questions"),
        german ? QStringLiteral("Alle Begriffe entfernen") : QStringLiteral("Remove all questions")};
    QPushButton* const arrows[][4] = {
        {cmdExport_DB_L2R, cmdExport_DB_L2R_A, cmdExport_DB_R2L, cmdExport_DB_R2L_A},
        {cmdImport_L2R, cmdImport_L2Ra, cmdImport_R2L, cmdImport_R2La}};
    for (const auto& row : arrows)
        for (int i = 0; i < 4; ++i)
            if (row[i]) row[i]->setAccessibleName(names[i]);
}

void frmImport::Unload() {
    Src.Close();
    unloaded_ = true;
    done(QDialog::Rejected);
    close();
}

void frmImport::optChoice_Click(int index) {
    WizardTask = index + 1;
    cmdWeiter->setEnabled(true);
}

void frmImport::optChoice_DblClick(int index) {
    if (!optChoice[index]->isEnabled()) return;
    optChoice[index]->setChecked(true);
    WizardTask = index + 1;
    cmdWeiter_Click();
}

void frmImport::optExport_Format_Click(int index) {
    ExportFormat = index;
    cmdWeiter->setEnabled(true);
}

void frmImport::optExport_Format_DblClick(int index) {
    if (!optExport_Format[index]->isEnabled()) return;
    optExport_Format[index]->setChecked(true);
    ExportFormat = index;
    cmdWeiter->setEnabled(true);
    cmdWeiter_Click();
}

void frmImport::cmdWeiter_Click() {
    if (WizardTask == 2) {
        lblBHeader->setText(GetText(626));
        switch (ExportStep) {
            case 0:
                fraA_Start->hide();
                fraB_Export->show();
                cmdWeiter->setEnabled(false);
                ExportStep = 1;
                break;
            case 1:
                exportStep1();
                ExportStep = 2;
                break;
            case 2:
                fraC_Export->hide();
                fraD_Export->show();
                {
                    const QSignalBlocker block(lstExFields);
                    lstExFields->clear();
                    for (int id : {50, 51, 52, 59, 56, 53}) {
                        auto* item = new QListWidgetItem(GetText(id), lstExFields);
                        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
                        item->setCheckState(id == 50 || id == 51 ? Qt::Checked : Qt::Unchecked);
                    }
                }
                ExportStep = ExportFormat == 0 ? 3 : 4;
                break;
            case 3:
                fraD_Export->hide();
                fraE_Export->show();
                cboExSep->clear();
                cboExSep->addItems({GetText(633), QStringLiteral(";"), QStringLiteral(",")});
                cboExSep->setCurrentIndex(0);
                cboExSep_Click();
                ExportStep = 4;
                break;
            case 4:
                exportWrite();
                return;  // sets the pointer and the step itself
            case 5:
                Unload();
                return;
            default:
                return;
        }
        forms::setMousePointer(forms::vbDefault);
    } else if (WizardTask == 1) {
        lblBHeader->setText(GetText(625));
        switch (ImportStep) {
            case 0:
                fraA_Start->hide();
                fraB_Import->show();
                chkBed_Click(0);
                cmdWeiter->setEnabled(false);
                txtB_Import_FileName_Change();
                ImportStep = 1;
                break;
            case 1:
                if (!openSourceStep()) return;
                ImportStep = 2;
                break;
            case 2:
                importStep2();
                ImportStep = 3;
                break;
            case 3:
                host_.FillVG1();
                Unload();
                return;
            default:
                return;
        }
        forms::setMousePointer(forms::vbDefault);
    } else if (WizardTask == 3) {
        lblBHeader->setText(GetText(625));
        switch (ImportStep) {
            case 0:
                cboB_TXTImport_Format->clear();
                cboB_TXTImport_Format->addItems({GetText(667), GetText(668)});
                cboB_TXTImport_Separator->clear();
                cboB_TXTImport_Separator->addItems(
                    {GetText(671), QStringLiteral(","), QStringLiteral(";"), QStringLiteral("@")});
                cboB_TXTImport_Format->setCurrentIndex(0);
                cboB_TXTImport_Separator->setCurrentIndex(0);
                fraA_Start->hide();
                fraB_TXTImport->show();
                cmdWeiter->setEnabled(false);
                txtB_TXTImport_FileName_Change();
                ImportStep = 1;
                break;
            case 1:
                textImportStep1();
                break;
            case 2:
                ImportStep = 3;
                host_.FillVG1();
                Unload();
                return;
            default:
                return;
        }
        forms::setMousePointer(forms::vbDefault);
    }
}

QFrame* frmImport::shownPage() const {
    for (QFrame* f : {fraA_Start, fraB_Import, fraC_Import, fraD_Import_Finish, fraB_TXTImport,
                      fraC_TXTImport, fraB_Export, fraC_Export, fraD_Export, fraE_Export, fraF_Export})
        if (f->isVisibleTo(this)) return f;
    return nullptr;
}

void frmImport::step(const std::function<void()>& run) {
    const QFrame* before = shownPage();
    {
        const QScopedValueRollback placing(stepping_, stepping_ + 1);
        run();
    }
    focusPage(before);
}

bool frmImport::focusNextPrevChild(bool next) {
    // Qt calls this for a control disabled or hidden with the focus as well
    // as for Tab.
    const QWidget* f = QApplication::focusWidget();
    if (stepping_ > 0 && f && isAncestorOf(f) && (!f->isVisible() || !f->isEnabled())) return true;
    return QDialog::focusNextPrevChild(next);
}

void frmImport::focusPage(const QFrame* before) {
    QFrame* page = shownPage();
    const auto usable = [this](const QWidget* w) { return w->isVisibleTo(this) && w->isEnabled(); };
    const QWidget* focus = QApplication::focusWidget();
    if (unloaded_ || !page || (page == before && focus && usable(focus))) return;
    for (QWidget* w = page->nextInFocusChain(); w && w != page && page->isAncestorOf(w);
         w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) && usable(w)) {
            w->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    if (usable(cmdWeiter))
        cmdWeiter->setFocus(Qt::OtherFocusReason);
    else
        cmdCancel->setFocus(Qt::OtherFocusReason);
}

void frmImport::cmdBack_Click() {
    fraC_Import->hide();
    fraB_Import->show();
    chkBed_Click(0);
    cmdWeiter->setEnabled(true);
    ImportStep = 1;
    cmdBack->hide();
}

void frmImport::tellResult(const QString& words) {
    // The count on the page is news where the keys are: on the button that
    // finishes now, which a reader hears change its description.
    cmdWeiter->setAccessibleDescription(words.simplified());
}

void frmImport::cmdCancel_Click() {
    if (WizardTask == 1 && ImportStep == 3) {
        ImportStep = 1;
        tellResult(QString());  // "Import more": the count is gone from the page
        cmdWeiter->setEnabled(modFunctions::FileExists(txtB_Import_FileName->text()));
        cmdCancel->setText(GetText(601));
        cmdWeiter->setText(GetText(603));
        chkBed_Click(0);
        fraD_Import_Finish->hide();
        fraB_Import->show();
        return;
    }
    if (ImportChanged) host_.FillVG1();
    Unload();
}

bool frmImport::eventFilter(QObject* watched, QEvent* event) {
    const auto type = event->type();
    if (type == QEvent::MouseButtonDblClick) {
        for (int i = 0; i < 3; ++i) {
            if (watched == optChoice[i]) {
                step([&] { optChoice_DblClick(i); });
                return true;
            }
            if (watched == optExport_Format[i]) {
                step([&] { optExport_Format_DblClick(i); });
                return true;
            }
        }
    }
    if (watched == lblBHeader || watched == picVerwaltungBG) {
        auto* w = static_cast<QWidget*>(watched);
        if (type == QEvent::MouseButtonPress) {
            Header_MouseDown(w, static_cast<QMouseEvent*>(event)->position().toPoint());
        } else if (type == QEvent::MouseMove) {
            Header_MouseMove(w, QCursor::pos());
        } else if (type == QEvent::MouseButtonRelease) {
            Header_MouseUp();
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmImport::Header_MouseDown(QWidget* /*control*/, QPoint posInControl) {
    bWindowDrag = true;
    GrabX = forms::pixelsToTwips(posInControl.x());
    GrabY = forms::pixelsToTwips(posInControl.y());
}

void frmImport::Header_MouseMove(QWidget* control, QPoint cursorOnScreen) {
    if (!bWindowDrag || isMaximized() || isMinimized()) return;
    if (cursorOnScreen == LastCursorPos) return;
    const int left =
        cursorOnScreen.x() * forms::TwipsPerPixelX - GrabX - forms::pixelsToTwips(control->x()) - 70;
    const int top =
        cursorOnScreen.y() * forms::TwipsPerPixelY - GrabY - forms::pixelsToTwips(control->y()) - 70;
    move(forms::twipsToPixels(left), forms::twipsToPixels(top));
    LastCursorPos = cursorOnScreen;
}

void frmImport::Header_MouseUp() {
    bWindowDrag = false;
}

}  // namespace exchange
