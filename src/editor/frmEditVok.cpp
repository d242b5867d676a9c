#include "editor/frmEditVok.h"

#include <QApplication>
#include <QCursor>
#include <QFocusEvent>
#include <QFont>
#include <QFontMetrics>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTableView>
#include <algorithm>

#include "core/RunState.h"
#include "core/modMain.h"
#include "core/modMedia.h"
#include "editor/EditVokHost.h"
#include "editor/EditVokRules.h"
#include "editor/frmPic.h"
#include "overview/DaoRecordAccess.h"
#include "overview/GridColouring.h"
#include "platform/Error.h"
#include "platform/forms/Captions.h"
#include "platform/forms/Colors.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Keys.h"
#include "platform/forms/Twips.h"
#include "platform/grid/Grid.h"
#include "platform/media/Media.h"
#include "vocabdb/FontSettings.h"

namespace editor {

using modMain::GetText;

void EditVokHost::RMC_VGridColorEveryRightInRow(long row) {
    grid::Grid* g = vg1();
    if (!g) return;
    overview::DaoRecordAccess access(data());
    overview::RMC_VGridColorEveryRightInRow(*g, access, row);
}

// ---------------------------------------------------------------- PicBox

PicBox::PicBox(QWidget* parent) : QLabel(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAlignment(Qt::AlignCenter);
}

void PicBox::mouseReleaseEvent(QMouseEvent* e) {
    if (rect().contains(e->position().toPoint())) emit Click();
    QLabel::mouseReleaseEvent(e);
}

void PicBox::focusInEvent(QFocusEvent* e) {
    QLabel::focusInEvent(e);
    emit GotFocus();
}

void PicBox::focusOutEvent(QFocusEvent* e) {
    QLabel::focusOutEvent(e);
    emit LostFocus();
}

namespace {

enum class Glyph { Picture, View, Delete, Sound, Play };

// The 16 x 16 pictures of the media buttons; the highlighted look has a
// light frame behind the glyph.
QPixmap glyph(Glyph g, bool highlighted) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    if (highlighted) {
        p.setPen(QColor(0x33, 0x66, 0xCC));
        p.setBrush(QColor(0xCC, 0xE0, 0xFF));
        p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
    }
    switch (g) {
        case Glyph::Picture:
            p.setPen(QColor(0x40, 0x40, 0x40));
            p.setBrush(QColor(0xB0, 0xD8, 0xFF));
            p.drawRect(QRectF(2.5, 3.5, 11, 9));
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0x30, 0x90, 0x30));
            p.drawPolygon(
                QPolygonF({QPointF(3, 12), QPointF(7, 7), QPointF(10, 10), QPointF(13, 6), QPointF(13, 12)}));
            break;
        case Glyph::View:
            p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1.6));
            p.setBrush(QColor(0xE8, 0xF4, 0xFF));
            p.drawEllipse(QRectF(2, 2, 8, 8));
            p.drawLine(QPointF(9, 9), QPointF(14, 14));
            break;
        case Glyph::Delete:
            p.setPen(QPen(QColor(0xCC, 0x20, 0x20), 2.2, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(4, 4), QPointF(12, 12));
            p.drawLine(QPointF(12, 4), QPointF(4, 12));
            break;
        case Glyph::Sound: {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0x30, 0x30, 0x90));
            p.drawEllipse(QRectF(2.5, 10, 5, 4));
            p.drawEllipse(QRectF(8.5, 8.5, 5, 4));
            p.setPen(QPen(QColor(0x30, 0x30, 0x90), 1.5));
            p.drawLine(QPointF(7, 12), QPointF(7, 3));
            p.drawLine(QPointF(13, 10.5), QPointF(13, 2));
            p.drawLine(QPointF(7, 3), QPointF(13, 2));
            break;
        }
        case Glyph::Play:
            p.setPen(QColor(0x10, 0x60, 0x10));
            p.setBrush(QColor(0x30, 0xB0, 0x30));
            p.drawPolygon(QPolygonF({QPointF(4, 3), QPointF(13, 8), QPointF(4, 13)}));
            break;
    }
    return pm;
}

const char* const kSoundFields[4] = {"Sound", "SoundTip", "SoundRichtig", "SoundFalsch"};

QString asText(const QVariant& v) {
    return v.isValid() && !v.isNull() ? v.toString() : QString();
}

}  // namespace

// ---------------------------------------------------------------- form

frmEditVok::frmEditVok(EditVokHost& host, QWidget* parent)
    : forms::Form(parent, Qt::Dialog | Qt::FramelessWindowHint), host_(host) {
    setObjectName(QStringLiteral("frmEditVok"));
    setFixedSize(forms::twipsSize(8415, 6000));
    forms::previewKeys(this, {.KeyPress = [this](int& k) { Form_KeyPress(k); },
                              .KeyUp = [this](int& k, int s) { Form_KeyUp(k, s); }});
}

frmEditVok::~frmEditVok() = default;

frmEditVok& EditVok(EditVokHost& host, QWidget* parent) {
    static QPointer<frmEditVok> form;
    if (!form) form = new frmEditVok(host, parent);
    return *form;
}

dao::RecordsetPtr frmEditVok::rs() const {
    return host_.data();
}

void frmEditVok::buildControls() {
    if (fraEditVok) {
        fraEditVok->hide();
        fraEditVok->deleteLater();
        fraEditVok->setParent(nullptr);
    }
    optTyp = {};
    txtA = {};
    chkA = {};
    UmlautZiel = nullptr;

    auto name = [](QWidget* w, const char* n) {
        w->setObjectName(QString::fromLatin1(n));
        return w;
    };
    auto label = [&](QWidget* parent, const char* n, const char* tag, double l, double t, double w,
                     double h) {
        auto* lbl = new QLabel(parent);
        name(lbl, n);
        if (tag) forms::setTag(lbl, QString::fromLatin1(tag));
        forms::moveTwips(lbl, l, t, w, h);
        return lbl;
    };

    // No title bar: a raised border marks the dialog's edge.
    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::Panel);
    frame->setFrameShadow(QFrame::Raised);
    frame->setLineWidth(2);
    fraEditVok = frame;
    name(fraEditVok, "fraEditVok");
    fraEditVok->setAutoFillBackground(true);
    forms::moveTwips(fraEditVok, 0, 0, 8415, 6000);
    fraEditVok->installEventFilter(this);

    // Header: the mode title and the type of a new item.
    lblBAddVok = label(fraEditVok, "lblBAddVok", nullptr, 180, 90, 2760, 360);
    QFont head = lblBAddVok->font();
    head.setBold(true);
    head.setPointSizeF(head.pointSizeF() * 1.3);
    lblBAddVok->setFont(head);
    lblBTyp = label(fraEditVok, "lblBTyp", "552", 3000, 120, 1740, 285);
    for (int i = 0; i < 2; ++i) {
        auto* o = new QRadioButton(fraEditVok);
        name(o, i == 0 ? "optTyp0" : "optTyp1");
        o->setProperty("Index", i);
        forms::setTag(o, QString::number(553 + i));
        forms::moveTwips(o, i == 0 ? 4800 : 6600, 90, 1740, 330);
        optTyp.add(o);
    }
    auto* line = new QFrame(fraEditVok);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    forms::moveTwips(line, 120, 480, 8175, 30);

    picEditVok = new QWidget(fraEditVok);
    name(picEditVok, "picEditVok");
    forms::moveTwips(picEditVok, 0, 480, 8415, 5520);

    QFont section = picEditVok->font();
    section.setBold(true);
    lblBEditVokBasics = label(picEditVok, "lblBEditVokBasics", "555", 180, 180, 2400, 285);
    lblBAdvanced = label(picEditVok, "lblBAdvanced", "556", 4080, 180, 2400, 285);
    lblBMultimedia = label(picEditVok, "lblBMultimedia", "557", 4080, 2790, 2400, 285);
    for (QLabel* l : {lblBEditVokBasics, lblBAdvanced, lblBMultimedia}) l->setFont(section);

    // Question and answers.
    lblBQ = label(picEditVok, "lblBQ", "558", 240, 630, 1150, 255);
    txtQ = new QLineEdit(picEditVok);
    name(txtQ, "txtQ");
    forms::moveTwips(txtQ, 1440, 600, 2415, 285);
    forms::limitTextLength(txtQ, 240);
    lblBA = label(picEditVok, "lblBA", "559", 240, 990, 1150, 255);
    for (int i = 1; i <= 9; ++i) {
        auto* t = new QLineEdit(picEditVok);
        t->setObjectName(QStringLiteral("txtA%1").arg(i));
        forms::moveTwips(t, 1440, 960 + 300 * (i - 1), 1935, 285);
        forms::limitTextLength(t, 240);
        txtA.add(t);
        auto* c = new QCheckBox(QStringLiteral("&%1").arg(i), picEditVok);
        c->setObjectName(QStringLiteral("chkA%1").arg(i));
        forms::moveTwips(c, 3480, 960 + 300 * (i - 1), 480, 285);
        chkA.add(c);
    }

    // Theme, category, explanation, tip, points and the answer-order boxes.
    auto combo = [&](const char* n, double top) {
        auto* c = new QComboBox(picEditVok);
        name(c, n);
        c->setEditable(true);
        c->setInsertPolicy(QComboBox::NoInsert);
        // Typing is stored as typed: no completion from the list.
        c->setCompleter(nullptr);
        forms::moveTwips(c, 5400, top, 2775, 315);
        return c;
    };
    auto edit = [&](const char* n, double top, double width, int limit) {
        auto* e = new QLineEdit(picEditVok);
        name(e, n);
        forms::moveTwips(e, 5400, top, width, 285);
        forms::limitTextLength(e, limit);
        return e;
    };
    lblBThema = label(picEditVok, "lblBThema", "560", 4200, 615, 1150, 255);
    cboThema = combo("cboThema", 570);
    lblBKategorie = label(picEditVok, "lblBKategorie", "561", 4200, 945, 1150, 255);
    cboKategorie = combo("cboKategorie", 900);
    lblBExplanation = label(picEditVok, "lblBExplanation", "562", 4200, 1260, 1150, 255);
    txtExplanation = edit("txtExplanation", 1230, 2775, 240);
    lblBTip = label(picEditVok, "lblBTip", "563", 4200, 1590, 1150, 255);
    txtTip = edit("txtTip", 1560, 2775, 240);
    lblBPunkte = label(picEditVok, "lblBPunkte", "564", 4200, 1920, 1150, 255);
    txtPunkte = edit("txtPunkte", 1890, 900, 6);
    chkAskAllItems = new QCheckBox(picEditVok);
    name(chkAskAllItems, "chkAskAllItems");
    forms::setTag(chkAskAllItems, QStringLiteral("390"));
    forms::moveTwips(chkAskAllItems, 5400, 2205, 2895, 270);
    chkMindTheOrder = new QCheckBox(picEditVok);
    name(chkMindTheOrder, "chkMindTheOrder");
    forms::setTag(chkMindTheOrder, QStringLiteral("391"));
    forms::moveTwips(chkMindTheOrder, 5400, 2475, 2895, 270);

    // Sounds and picture: attach, play or view, delete.
    auto pic = [&](const char* n, double left, double top, Glyph g, bool hi = false) {
        auto* b = new PicBox(picEditVok);
        name(b, n);
        forms::moveTwips(b, left, top, 300, 300);
        b->setPicture(glyph(g, hi));
        return b;
    };
    const double soundTop = 3090, soundStep = 300;
    Label1 = label(picEditVok, "Label1", "565", 4200, soundTop + 30, 2220, 255);
    Label3 = label(picEditVok, "Label3", "566", 4200, soundTop + soundStep + 30, 2220, 255);
    Label4 = label(picEditVok, "Label4", "567", 4200, soundTop + 2 * soundStep + 30, 2220, 255);
    Label2 = label(picEditVok, "Label2", "568", 4200, soundTop + 3 * soundStep + 30, 2220, 255);
    PicBox** rows[4][3] = {{&picSQ, &picSQPlay, &picSQDel},
                           {&picST, &picSTPlay, &picSTDel},
                           {&picSR, &picSRPlay, &picSRDel},
                           {&picSW, &picSWPlay, &picSWDel}};
    const char* names[4][3] = {{"picSQ", "picSQPlay", "picSQDel"},
                               {"picST", "picSTPlay", "picSTDel"},
                               {"picSR", "picSRPlay", "picSRDel"},
                               {"picSW", "picSWPlay", "picSWDel"}};
    for (int r = 0; r < 4; ++r) {
        const double top = soundTop + r * soundStep;
        *rows[r][0] = pic(names[r][0], 6480, top, Glyph::Sound);
        *rows[r][1] = pic(names[r][1], 6840, top, Glyph::Play);
        *rows[r][2] = pic(names[r][2], 7200, top, Glyph::Delete);
    }
    const double picTop = soundTop + 4 * soundStep + 30;
    imgPicture = new QLabel(picEditVok);
    name(imgPicture, "imgPicture");
    imgPicture->setAlignment(Qt::AlignCenter);
    imgPicture->setFrameShape(QFrame::StyledPanel);
    forms::moveTwips(imgPicture, 4200, picTop, 915, 780);
    imgPicture->installEventFilter(this);
    lblBPic = label(picEditVok, "lblBPic", "569", 5250, picTop + 30, 1170, 255);
    picPic = pic("picPic", 6480, picTop, Glyph::Picture);
    picPicView = pic("picPicView", 6840, picTop, Glyph::View);
    picPicDel = pic("picPicDel", 7200, picTop, Glyph::Delete);
    // Holders of the looks; never shown.
    picPicHi = pic("picPicHi", 0, 0, Glyph::Picture, true);
    picVHi = pic("picVHi", 0, 0, Glyph::View, true);
    picDHi = pic("picDHi", 0, 0, Glyph::Delete, true);
    picSHi = pic("picSHi", 0, 0, Glyph::Sound, true);
    picPHi = pic("picPHi", 0, 0, Glyph::Play, true);
    picStack = pic("picStack", 0, 0, Glyph::Picture);
    for (PicBox* h : {picPicHi, picVHi, picDHi, picSHi, picPHi, picStack}) h->hide();

    // Hints and buttons at the bottom.
    lblBZ = label(picEditVok, "lblBZ", "720", 240, 3840, 3600, 255);
    lblBF7 = label(picEditVok, "lblBF7", "721", 240, 4140, 3600, 255);
    for (QLabel* l : {lblBZ, lblBF7}) {
        QFont f = l->font();
        f.setItalic(true);
        l->setFont(f);
    }
    cmdCancel = new QPushButton(picEditVok);
    name(cmdCancel, "cmdCancel");
    forms::setTag(cmdCancel, QStringLiteral("571"));
    forms::moveTwips(cmdCancel, 5280, 5100, 1320, 375);
    cmdOK = new QPushButton(picEditVok);
    name(cmdOK, "cmdOK");
    forms::moveTwips(cmdOK, 6720, 5100, 1455, 375);

    // The special-character grid, hidden until a box asks for it.
    vb = new grid::Grid(picEditVok);
    name(vb, "vb");
    forms::moveTwips(vb, 1440, 1200, 2415, 2500);
    vb->view()->horizontalHeader()->hide();
    vb->view()->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    vb->hide();

    // A label's access key goes to the field beside it.
    lblBQ->setBuddy(txtQ);
    lblBA->setBuddy(txtA(1));
    lblBThema->setBuddy(cboThema);
    lblBKategorie->setBuddy(cboKategorie);
    lblBExplanation->setBuddy(txtExplanation);
    lblBTip->setBuddy(txtTip);
    lblBPunkte->setBuddy(txtPunkte);
    Label1->setBuddy(picSQ);
    Label3->setBuddy(picST);
    Label4->setBuddy(picSR);
    Label2->setBuddy(picSW);
    lblBPic->setBuddy(picPic);

    wireControls();
    fraEditVok->show();
}

void frmEditVok::wireControls() {
    connect(txtQ, &QLineEdit::textChanged, this, [this] { txtQ_Change(); });
    forms::handleKeys(txtQ, {.KeyPress = [this](int& k) { txtQ_KeyPress(k); },
                             .KeyUp = [this](int& k, int s) { txtQ_KeyUp(k, s); }});
    txtQ->installEventFilter(this);
    for (int i = 1; i <= 9; ++i) {
        connect(txtA(i), &QLineEdit::textChanged, this, [this, i] { txtA_Change(i); });
        forms::handleKeys(txtA(i), {.KeyPress = [this, i](int& k) { txtA_KeyPress(i, k); },
                                    .KeyUp = [this, i](int& k, int s) { txtA_KeyUp(i, k, s); }});
        txtA(i)->installEventFilter(this);
        connect(chkA(i), &QCheckBox::toggled, this, [this, i] { chkA_Click(i); });
        forms::handleKeys(chkA(i), {.KeyPress = [this, i](int& k) { chkA_KeyPress(i, k); }});
    }
    for (int i = 0; i < 2; ++i)
        connect(optTypAt(i), &QRadioButton::toggled, this, [this, i](bool on) {
            if (on) optTyp_Click(i);
        });
    connect(chkAskAllItems, &QCheckBox::toggled, this, [this] { chkAskAllItems_Click(); });
    connect(chkMindTheOrder, &QCheckBox::toggled, this, [this] { chkMindTheOrder_Click(); });
    forms::handleKeys(chkAskAllItems, {.KeyPress = [this](int& k) { chkAskAllItems_KeyPress(k); }});
    forms::handleKeys(chkMindTheOrder, {.KeyPress = [this](int& k) { chkMindTheOrder_KeyPress(k); }});
    // The edit text changes both by typing and by choosing from the list.
    connect(cboThema, &QComboBox::editTextChanged, this, [this] { cboThema_Change(); });
    connect(cboKategorie, &QComboBox::editTextChanged, this, [this] { cboKategorie_Change(); });
    forms::handleKeys(cboThema, {.KeyPress = [this](int& k) { cboThema_KeyPress(k); }});
    forms::handleKeys(cboKategorie, {.KeyPress = [this](int& k) { cboKategorie_KeyPress(k); }});
    connect(txtExplanation, &QLineEdit::textChanged, this, [this] { txtExplanation_Change(); });
    connect(txtTip, &QLineEdit::textChanged, this, [this] { txtTip_Change(); });
    connect(txtPunkte, &QLineEdit::textChanged, this, [this] { txtPunkte_Change(); });
    forms::handleKeys(txtExplanation, {.KeyPress = [this](int& k) { txtExplanation_KeyPress(k); }});
    forms::handleKeys(txtTip, {.KeyPress = [this](int& k) { txtTip_KeyPress(k); }});
    forms::handleKeys(txtPunkte, {.KeyPress = [this](int& k) { txtPunkte_KeyPress(k); }});
    for (QWidget* w : {static_cast<QWidget*>(cboThema), static_cast<QWidget*>(cboKategorie),
                       static_cast<QWidget*>(txtPunkte)})
        w->installEventFilter(this);
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });

    connect(vb, &grid::Grid::DblClick, this, [this](long r, long c) { vb_DblClick(r, c); });
    // Through the key handling, which also reports Enter and Esc.
    forms::handleKeys(vb, {.KeyPress = [this](int& k) { vb_KeyPress(k); }});
    connect(vb, &grid::Grid::LostFocus, this, [this] { vb_LostFocus(); });

    struct Media {
        PicBox* b;
        void (frmEditVok::*click)();
    };
    const Media media[] = {
        {picPic, &frmEditVok::picPic_Click},       {picPicView, &frmEditVok::picPicView_Click},
        {picPicDel, &frmEditVok::picPicDel_Click}, {picSQ, &frmEditVok::picSQ_Click},
        {picSQPlay, &frmEditVok::picSQPlay_Click}, {picSQDel, &frmEditVok::picSQDel_Click},
        {picST, &frmEditVok::picST_Click},         {picSTPlay, &frmEditVok::picSTPlay_Click},
        {picSTDel, &frmEditVok::picSTDel_Click},   {picSR, &frmEditVok::picSR_Click},
        {picSRPlay, &frmEditVok::picSRPlay_Click}, {picSRDel, &frmEditVok::picSRDel_Click},
        {picSW, &frmEditVok::picSW_Click},         {picSWPlay, &frmEditVok::picSWPlay_Click},
        {picSWDel, &frmEditVok::picSWDel_Click}};
    for (const Media& m : media) {
        PicBox* b = m.b;
        auto click = m.click;
        connect(b, &PicBox::Click, this, [this, click] { (this->*click)(); });
        connect(b, &PicBox::GotFocus, this, [this, b] { setLook(b, true); });
        connect(b, &PicBox::LostFocus, this, [this, b] { setLook(b, false); });
        forms::handleKeys(b, {.KeyPress = [this, click](int& k) {
                              if (k == 32 || k == 13) (this->*click)();
                          }});
    }
}

// Focus looks: the highlighted picture comes from a hidden holder; the
// normal one from a sibling of the same kind, or from picStack for the two
// picture buttons.
void frmEditVok::setLook(PicBox* b, bool highlighted) {
    PicBox* from = nullptr;
    if (b == picPic || b == picPicView) {
        if (highlighted) {
            picStack->setPicture(b->picture());
            from = b == picPic ? picPicHi : picVHi;
        } else {
            from = picStack;
        }
    } else if (b == picPicDel || b == picSQDel || b == picSTDel || b == picSRDel || b == picSWDel) {
        from = highlighted ? picDHi : (b == picSQDel ? picSTDel : picSQDel);
    } else if (b == picSQ || b == picST || b == picSR || b == picSW) {
        from = highlighted ? picSHi : (b == picSQ ? picST : picSQ);
    } else {
        from = highlighted ? picPHi : (b == picSQPlay ? picSTPlay : picSQPlay);
    }
    b->setPicture(from->picture());
}

// ---------------------------------------------------------------- loading

void frmEditVok::fillCombo(QComboBox* cbo, const QStringList& items) {
    cbo->clear();
    const QString text = cbo->currentText();
    // Adding entries leaves the text as it is, as the original's list did.
    const QSignalBlocker block(cbo);
    for (const QString& s : items) cbo->addItem(s);
    cbo->setCurrentIndex(-1);
    cbo->setEditText(text);
}

void frmEditVok::Form_Load() {
    buildControls();
    forms::ApplyCaptions(this, GetText, false);

    bErsteAktivierung = true;
    for (QString& s : SoundDatei) s.clear();
    BildDatei.clear();
    saving_ = false;

    const dao::RecordsetPtr options = host_.rsOptions();
    auto setFamily = [](QWidget* w, const QString& family) {
        if (family.isEmpty()) return;
        QFont f = w->font();
        f.setFamily(family);
        w->setFont(f);
    };
    setFamily(cboThema, vocabdb::GetSchriftartT(options));
    setFamily(cboKategorie, vocabdb::GetSchriftartT(options));
    setFamily(txtQ, vocabdb::GetSchriftart(options));
    for (QLineEdit* a : txtA) setFamily(a, vocabdb::GetSchriftartA(options));

    fillCombo(cboThema, runstate::arrThemen.isEmpty() ? QStringList{QString()} : runstate::arrThemen);
    fillCombo(cboKategorie,
              runstate::arrKategorien.isEmpty() ? QStringList{QString()} : runstate::arrKategorien);

    const QList<PicBox*> actions = {picSQPlay, picSQDel,  picSTPlay, picSTDel,   picSRPlay,
                                    picSRDel,  picSWPlay, picSWDel,  picPicView, picPicDel};
    if (NEWVOK) {
        lblBAddVok->setText(GetText(550));
        chkAskAllItems->setChecked(false);
        chkAskAllItems->setEnabled(false);
        chkMindTheOrder->setChecked(false);
        chkMindTheOrder->setEnabled(false);
        if (cboThema->count() > 0) cboThema->setCurrentIndex(0);
        txtPunkte->setText(QStringLiteral("0"));
        for (PicBox* b : actions) b->hide();
        for (int i = 1; i <= 9; ++i) {
            txtA(i)->setText(QString());
            chkA(i)->setChecked(false);
        }
        ColorEmptyFields();
        cmdCancel->show();
        cmdCancel->setEnabled(true);
        cmdOK->setText(GetText(570));
        cmdOK->setEnabled(false);
        lblBF7->setVisible(cmdOK->isEnabled());
        optTyp_Click(0);  // also checks its button
    } else {
        try {
            loadItem();
        } catch (const wk::Error& e) {
            // No item to edit (no current record, a damaged row): say so and close.
            modMain::ShowError(e.number(), e.description(), QString());
            Unload();
            return;
        }
    }
    // In vocabulary style the disabled right-answer boxes lie under the
    // widened answers; keep them out of sight there.
    for (int i = 1; i <= 9; ++i) chkA(i)->setVisible(EditTyp != 0);
}

// Edit mode: the controls take the grid's current record.
void frmEditVok::loadItem() {
    const QList<PicBox*> actions = {picSQPlay, picSQDel,  picSTPlay, picSTDel,   picSRPlay,
                                    picSRDel,  picSWPlay, picSWDel,  picPicView, picPicDel};
    dao::Recordset& r = *rs();
    lblBAddVok->setText(GetText(551));
    // A Null in these integers counts as their default 0.
    chkAskAllItems->setChecked(r.Value("AskAllItems").toInt() == 1);
    chkMindTheOrder->setChecked(r.Value("MindTheOrder").toInt() == 1);
    chkMindTheOrder->setEnabled(chkAskAllItems->isChecked());
    txtQ->setText(asText(r.Value("Q")));
    auto tolerant = [](auto&& step) {
        try {
            step();
        } catch (const wk::Error&) {
        }
    };
    for (int i = 1; i <= 9; ++i) {
        tolerant([&] { txtA(i)->setText(asText(r.Value(QStringLiteral("A%1").arg(i)))); });
        tolerant([&] { chkA(i)->setChecked(r.Value(QStringLiteral("RA%1").arg(i)).toInt() == 1); });
    }
    tolerant([&] { cboThema->setEditText(asText(r.Value("T"))); });
    tolerant([&] { cboKategorie->setEditText(asText(r.Value("Kategorie"))); });
    tolerant([&] { txtExplanation->setText(asText(r.Value("Explanation"))); });
    tolerant([&] { txtTip->setText(asText(r.Value("Tip"))); });
    tolerant([&] { txtPunkte->setText(asText(r.Value("Punkte"))); });
    for (PicBox* b : actions) b->hide();
    ColorEmptyFields();
    showMediaButtons(0, modMedia::HasSound(r));
    showMediaButtons(1, modMedia::HasSoundTip(r));
    showMediaButtons(2, modMedia::HasSoundRichtig(r));
    showMediaButtons(3, modMedia::HasSoundFalsch(r));
    const bool hasPicture = modMedia::HasPicture(r);
    showMediaButtons(4, hasPicture);
    imgPicture->clear();
    if (hasPicture) {
        try {
            const QPixmap pm = modMedia::LoadBlobPicture(r, QStringLiteral("Bild"));
            imgPicture->setPixmap(
                pm.scaled(imgPicture->contentsRect().size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
        } catch (const wk::Error&) {
            // Stored bytes that are no picture: the preview stays empty.
        }
    }
    cmdCancel->hide();
    cmdCancel->setEnabled(false);
    cmdOK->setText(GetText(573));
    cmdOK->setEnabled(true);
    lblBF7->setVisible(cmdOK->isEnabled());
    optTypAt(0)->hide();
    optTypAt(1)->hide();
    lblBTyp->hide();
    EditTyp = qint16(r.Value("Typ").toInt());
    if (EditTyp == 0) {
        for (int i = 1; i <= 9; ++i) {
            chkA(i)->setChecked(false);
            chkA(i)->setEnabled(false);
            txtA(i)->resize(forms::twipsToPixels(2415), txtA(i)->height());
        }
        chkAskAllItems->show();
        chkMindTheOrder->show();
    } else {
        for (int i = 1; i <= 9; ++i) {
            tolerant([&] { chkA(i)->setChecked(r.Value(QStringLiteral("RA%1").arg(i)).toInt() == 1); });
            chkA(i)->setEnabled(!txtA(i)->text().isEmpty());
            txtA(i)->resize(forms::twipsToPixels(1935), txtA(i)->height());
        }
        chkAskAllItems->hide();
        chkMindTheOrder->hide();
    }
}

void frmEditVok::Form_Activate() {
    if (bErsteAktivierung) {
        txtQ->setFocus();
        bErsteAktivierung = false;
    }
}

void frmEditVok::Form_KeyPress(int& KeyAscii) {
    if (KeyAscii == 27 && vb && vb->isHidden()) Unload();
}

void frmEditVok::Form_KeyUp(int& KeyCode, int /*Shift*/) {
    if (KeyCode == 119 && cmdOK && cmdOK->isEnabled()) cmdOK_Click();
}

void frmEditVok::fraEditVok_MouseDown(int /*Button*/, int /*Shift*/, double X, double Y) {
    bWindowDrag = true;
    GrabX = std::lround(X);
    GrabY = std::lround(Y);
}

void frmEditVok::fraEditVok_MouseMove(int /*Button*/, int /*Shift*/, double /*X*/, double /*Y*/) {
    if (!bWindowDrag || isMaximized() || isMinimized()) return;
    const QPoint c = QCursor::pos();
    const double left = c.x() * forms::TwipsPerPixelX - GrabX;
    const double top = c.y() * forms::TwipsPerPixelY - GrabY;
    move(forms::twipsToPixels(left), y());
    move(x(), forms::twipsToPixels(top));
}

void frmEditVok::fraEditVok_MouseUp(int /*Button*/, int /*Shift*/, double /*X*/, double /*Y*/) {
    bWindowDrag = false;
}

void frmEditVok::imgPicture_Click() {
    picPicView_Click();
}

void frmEditVok::Form_Unload(int& /*Cancel*/) {
    if (vb) vb->hide();
    if (!NEWVOK) return;
    // New items are shown in the order of the stored query.
    if (const dao::DatabasePtr db = host_.dbVok())
        host_.setData(db->OpenRecordset(QStringLiteral("Alles"), dao::dbOpenDynaset));
    host_.UpdateWindow(QStringLiteral("THEMEN"));
    host_.FillVG1();
}

bool frmEditVok::eventFilter(QObject* watched, QEvent* e) {
    const bool mouse = e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseMove ||
                       e->type() == QEvent::MouseButtonRelease;
    if (watched == fraEditVok && mouse) {
        auto* me = static_cast<QMouseEvent*>(e);
        const auto twips = [me](bool x) {
            return (x ? me->position().x() : me->position().y()) * forms::TwipsPerPixelX;
        };
        switch (e->type()) {
            case QEvent::MouseButtonPress:
                fraEditVok_MouseDown(int(me->button()), grid::shiftState(me->modifiers()), twips(true),
                                     twips(false));
                return true;
            case QEvent::MouseMove:
                fraEditVok_MouseMove(int(me->buttons()), grid::shiftState(me->modifiers()), twips(true),
                                     twips(false));
                return true;
            case QEvent::MouseButtonRelease:
                fraEditVok_MouseUp(int(me->button()), grid::shiftState(me->modifiers()), twips(true),
                                   twips(false));
                return true;
            default:
                break;
        }
    } else if (watched == imgPicture && e->type() == QEvent::MouseButtonRelease) {
        imgPicture_Click();
        return true;
    } else if (e->type() == QEvent::FocusOut) {
        // Opening the list or a menu, or another window becoming active, is
        // no leaving of the field.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(e)->reason();
        if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason)
            return forms::Form::eventFilter(watched, e);
        if (watched == cboThema) cboThema_LostFocus();
        if (watched == cboKategorie) cboKategorie_LostFocus();
        if (watched == txtPunkte) txtPunkte_LostFocus();
    } else if (e->type() == QEvent::MouseButtonDblClick) {
        // Shift held while double-clicking selects text instead. The state is
        // the event's own: a remembered Shift-down goes stale when Shift is
        // released outside the box (Shift+Tab away).
        const bool shift = static_cast<QMouseEvent*>(e)->modifiers().testFlag(Qt::ShiftModifier);
        if (shift && (watched == txtQ || txtA.indexOf(watched))) return forms::Form::eventFilter(watched, e);
        if (watched == txtQ) {
            txtQ_DblClick();
            return true;
        }
        if (const int i = txtA.indexOf(watched)) {
            txtA_DblClick(i);
            return true;
        }
    }
    return forms::Form::eventFilter(watched, e);
}

// ---------------------------------------------------------------- colours, OK state

void frmEditVok::setBack(QWidget* w, bool filled) {
    forms::setBackColor(w, filled ? FilledInputColor : EmptyInputColor);
}

void frmEditVok::ColorEmptyFields() {
    setBack(txtQ, !txtQ->text().isEmpty());
    for (int i = 1; i <= 9; ++i) {
        const bool filled = !txtA(i)->text().isEmpty();
        setBack(txtA(i), filled);
        chkA(i)->setEnabled(filled);
    }
    setBack(cboThema, !cboThema->currentText().isEmpty());
    setBack(cboKategorie, !cboKategorie->currentText().isEmpty());
    setBack(txtExplanation, !txtExplanation->text().isEmpty());
    setBack(txtTip, !txtTip->text().isEmpty());
    setBack(txtPunkte, !txtPunkte->text().isEmpty());
}

void frmEditVok::CheckOkEnabled() {
    bool ok = false;
    if (!txtQ->text().isEmpty()) {
        if (EditTyp == 1) {
            for (int i = 1; i <= 9 && !ok; ++i) ok = chkA(i)->isChecked();
        } else {
            for (int i = 1; i <= 9 && !ok; ++i) ok = !txtA(i)->text().isEmpty();
        }
    }
    // While a new item is being stored OK stays off.
    cmdOK->setEnabled(ok && !saving_);
    lblBF7->setVisible(cmdOK->isEnabled());
}

void frmEditVok::optTyp_Click(int Index) {
    if (!NEWVOK) return;
    EditTyp = qint16(Index);
    const bool mc = Index != 0;
    for (int i = 1; i <= 9; ++i) {
        chkA(i)->setChecked(false);
        chkA(i)->setEnabled(mc);
        chkA(i)->setVisible(mc);
        txtA(i)->resize(forms::twipsToPixels(mc ? 1935 : 2415), txtA(i)->height());
    }
    chkAskAllItems->setVisible(!mc);
    chkMindTheOrder->setVisible(!mc);
    // The OK rule depends on the type: a multiple-choice item needs a mark.
    CheckOkEnabled();
    if (optTypAt(Index) && !optTypAt(Index)->isChecked()) {
        const QSignalBlocker block(optTypAt(Index));
        optTypAt(Index)->setChecked(true);
        optTypAt(1 - Index)->setChecked(false);
    }
    if (!bErsteAktivierung) txtQ->setFocus();
}

// ---------------------------------------------------------------- OK in both modes

bool frmEditVok::checkBeforeAdd() {
    // Texts set by code (special characters) may pass the typing limit, and
    // OK by F8 comes before the leaving checks; the database would refuse
    // such a value, so say so and keep everything the user typed.
    auto warn = [this](int msg, QWidget* focus) {
        forms::ui().MsgBox(GetText(msg), forms::vbExclamation, GetText(40));
        focus->setFocus();
        return false;
    };
    const dao::RecordsetPtr r = rs();
    auto tooLong = [&](const QString& field, const QString& text) {
        const int size = r->FieldDefinedSize(field);
        return size > 0 && text.size() > size;
    };
    if (tooLong(QStringLiteral("Q"), txtQ->text())) return warn(90, txtQ);
    for (int i = 1; i <= 9; ++i)
        if (tooLong(QStringLiteral("A%1").arg(i), txtA(i)->text())) return warn(90, txtA(i));
    if (cboThema->currentText().size() > SubjectMaxLength) return warn(89, cboThema);
    if (cboKategorie->currentText().size() > SubjectMaxLength) return warn(89, cboKategorie);
    if (tooLong(QStringLiteral("Explanation"), txtExplanation->text())) return warn(90, txtExplanation);
    if (tooLong(QStringLiteral("Tip"), txtTip->text())) return warn(90, txtTip);
    if (!PointsValue(txtPunkte->text())) {
        forms::ui().MsgBox(GetText(572), forms::vbExclamation, GetText(40));
        txtPunkte->selectAll();
        txtPunkte->setFocus();
        return false;
    }
    return true;
}

void frmEditVok::cmdOK_Click() {
    if (!NEWVOK) {
        host_.UpdateWindow(QStringLiteral("THEMEN"));
        Unload();
        return;
    }
    if (saving_) return;
    try {
        if (modMain::FindRecordByField(QStringLiteral("Q"), rs(), txtQ->text())) {
            const QString prompt = DuplicatePrompt(GetText(276), txtQ->text(), GetText(277),
                                                   asText(modMain::GefundenA1), GetText(278));
            if (forms::ui().MsgBox(prompt, forms::vbYesNo, GetText(275)) == forms::vbNo) {
                txtQ->setFocus();
                return;
            }
        }
        if (!checkBeforeAdd()) return;
        addItem();
    } catch (const wk::Error& e) {
        modMain::ShowError(e.number(), e.description(), QString());
    }
}

void frmEditVok::addItem() {
    saving_ = true;
    cmdOK->setEnabled(false);
    dao::Recordset& r = *rs();
    r.AddNew();
    try {
        LetzteEingabe.Typ = EditTyp;
        r.SetValue("Typ", EditTyp);
        r.SetValue("Q", txtQ->text());
        for (int i = 1; i <= 9; ++i) {
            r.SetValue(QStringLiteral("A%1").arg(i), txtA(i)->text());
            r.SetValue(QStringLiteral("RA%1").arg(i), chkA(i)->isChecked() ? 1 : 0);
        }
        r.SetValue("AskAllItems", chkAskAllItems->isEnabled() && chkAskAllItems->isChecked() ? 1 : 0);
        r.SetValue("MindTheOrder", chkMindTheOrder->isEnabled() && chkMindTheOrder->isChecked() ? 1 : 0);
        r.SetValue("ZuletztGelerntAm", forms::ui().Now());
        const QString other = GetText(87);
        LetzteEingabe.Thema = cboThema->currentText();
        r.SetValue("T", SubjectToStore(cboThema->currentText(), other));
        LetzteEingabe.Kategorie = cboKategorie->currentText();
        r.SetValue("Kategorie", SubjectToStore(cboKategorie->currentText(), other));
        r.SetValue("Explanation", txtExplanation->text());
        r.SetValue("Tip", txtTip->text());
        r.SetValue("Punkte", *PointsValue(txtPunkte->text()));
        for (int u = 1; u <= runstate::MaxUsers; ++u)
            for (const char* stat : {"AA", "AR", "AF", "FQ"}) r.SetValue(stat + QString::number(u), 0);
        r.Update();
    } catch (...) {
        // Nothing of the item is stored; the form keeps what was typed.
        r.CancelUpdate();
        saving_ = false;
        CheckOkEnabled();
        throw;
    }
    r.SetBookmark(r.LastModified());

    // The row is stored; a medium that cannot be read leaves the ones before
    // it stored and is reported by FileToField.
    try {
        if (!BildDatei.isEmpty()) modMedia::FileToField(BildDatei, r, QStringLiteral("Bild"));
        for (int i = 0; i < 4; ++i)
            if (!SoundDatei[i].isEmpty())
                modMedia::FileToField(SoundDatei[i], r, QString::fromLatin1(kSoundFields[i]));
    } catch (const wk::Error& e) {
        modMain::ShowError(e.number(), e.description(), QString());
    }
    saving_ = false;

    host_.UpdateWindow(QStringLiteral("THEMEN"));
    fillCombo(cboThema, runstate::arrThemen.isEmpty() ? QStringList{QString()} : runstate::arrThemen);
    fillCombo(cboKategorie,
              runstate::arrKategorien.isEmpty() ? QStringList{QString()} : runstate::arrKategorien);
    cboThema->setEditText(LetzteEingabe.Thema);
    cboKategorie->setEditText(LetzteEingabe.Kategorie);
    resetForNext();
}

void frmEditVok::resetForNext() {
    txtQ->setText(QString());
    txtExplanation->setText(QString());
    txtTip->setText(QString());
    txtPunkte->setText(QStringLiteral("0"));
    for (int m = 0; m <= 4; ++m) showMediaButtons(m, false);
    imgPicture->clear();
    for (int i = 1; i <= 9; ++i) {
        txtA(i)->setText(QString());
        chkA(i)->setChecked(false);
        chkA(i)->setEnabled(false);
    }
    ColorEmptyFields();
    cmdCancel->show();
    cmdCancel->setEnabled(true);
    cmdOK->setText(GetText(570));
    cmdOK->setEnabled(false);
    lblBF7->hide();
    BildDatei.clear();
    for (QString& s : SoundDatei) s.clear();
    optTyp_Click(LetzteEingabe.Typ);
}

void frmEditVok::cmdCancel_Click() {
    Unload();
}

// ---------------------------------------------------------------- write-through

void frmEditVok::setGridCell(const QString& key, const QString& text) {
    try {
        grid::Grid* g = host_.vg1();
        if (!g) return;
        const long row = g->SelectedRow();
        g->SetCellText(row, g->ColumnIndex(key), text);
    } catch (const wk::Error&) {
        // A column the grid does not show, or no selected row.
    }
}

int frmEditVok::writeField(const QString& field, const QVariant& value, const QString& cellText) {
    dao::Recordset& r = *rs();
    try {
        r.Edit();
        r.SetValue(field, value);
        r.Update();
    } catch (const wk::Error& e) {
        // The record keeps the value it had.
        try {
            r.CancelUpdate();
        } catch (const wk::Error&) {
        }
        if (e.number() != wk::err::FieldTooSmall) modMain::ShowError(e.number(), e.description(), QString());
        return e.number();
    }
    setGridCell(field, cellText);
    return 0;
}

// A text the field cannot hold (only code-set text passes the typing limit):
// the box takes the stored value back, with a beep.
static void putStoredBack(QLineEdit* box, const dao::RecordsetPtr& r, const QString& field) {
    forms::ui().Beep();
    box->setText(asText(r->Value(field)));
}

void frmEditVok::txtQ_Change() {
    setBack(txtQ, !txtQ->text().isEmpty());
    if (!NEWVOK && !txtQ->text().isEmpty()) {
        if (writeField(QStringLiteral("Q"), txtQ->text(), txtQ->text()) == wk::err::FieldTooSmall) {
            putStoredBack(txtQ, rs(), QStringLiteral("Q"));
            return;
        }
    }
    CheckOkEnabled();
}

void frmEditVok::txtA_Change(int Index) {
    QLineEdit* box = txtA(Index);
    const bool filled = !box->text().isEmpty();
    setBack(box, filled);
    if (!filled)
        chkA(Index)->setEnabled(false);
    else if (EditTyp == 1)
        chkA(Index)->setEnabled(true);
    if (!NEWVOK) {
        const QString field = QStringLiteral("A%1").arg(Index);
        dao::Recordset& r = *rs();
        try {
            r.Edit();
            r.SetValue(field, box->text());
        } catch (const wk::Error& e) {
            try {
                r.CancelUpdate();
            } catch (const wk::Error&) {
            }
            if (e.number() == wk::err::FieldTooSmall) {
                // Runs this handler again with the stored value.
                putStoredBack(box, rs(), field);
                return;
            }
            modMain::ShowError(e.number(), e.description(), QStringLiteral("hga7"));
            return;
        }
        try {
            r.Update();
        } catch (const wk::Error& e) {
            try {
                r.CancelUpdate();
            } catch (const wk::Error&) {
            }
            modMain::ShowError(e.number(), e.description(), QStringLiteral("hga7"));
            return;
        }
        setGridCell(field, box->text());
    }
    answerCountRule();
    CheckOkEnabled();
}

void frmEditVok::answerCountRule() {
    QStringList answers;
    for (QLineEdit* a : txtA) answers << a->text();
    if (HasSeveralAnswers(answers)) {
        chkAskAllItems->setEnabled(true);
        chkMindTheOrder->setEnabled(chkAskAllItems->isChecked());
    } else {
        chkAskAllItems->setEnabled(false);
        chkMindTheOrder->setEnabled(false);
    }
}

void frmEditVok::cboThema_Change() {
    const QString t = cboThema->currentText();
    setBack(cboThema, !t.isEmpty());
    // A theme too long for its field is refused when the box is left.
    if (!NEWVOK) writeField(QStringLiteral("T"), t, t);
}

void frmEditVok::cboKategorie_Change() {
    const QString t = cboKategorie->currentText();
    setBack(cboKategorie, !t.isEmpty());
    if (!NEWVOK) writeField(QStringLiteral("Kategorie"), t, t);
}

void frmEditVok::txtExplanation_Change() {
    setBack(txtExplanation, !txtExplanation->text().isEmpty());
    if (NEWVOK) return;
    if (writeField(QStringLiteral("Explanation"), txtExplanation->text(), txtExplanation->text()) ==
        wk::err::FieldTooSmall)
        putStoredBack(txtExplanation, rs(), QStringLiteral("Explanation"));
}

void frmEditVok::txtTip_Change() {
    setBack(txtTip, !txtTip->text().isEmpty());
    if (NEWVOK) return;
    if (writeField(QStringLiteral("Tip"), txtTip->text(), txtTip->text()) == wk::err::FieldTooSmall)
        putStoredBack(txtTip, rs(), QStringLiteral("Tip"));
}

void frmEditVok::txtPunkte_Change() {
    if (NEWVOK) return;
    const QString text = txtPunkte->text();
    // A text that is no number is refused when the box is left; the record
    // keeps its points meanwhile.
    if (const auto v = PointsValue(text))
        writeField(QStringLiteral("Punkte"), *v, text.isEmpty() ? QStringLiteral("0") : text);
}

void frmEditVok::chkA_Click(int Index) {
    if (!NEWVOK) {
        dao::Recordset& r = *rs();
        try {
            r.Edit();
            r.SetValue(QStringLiteral("RA%1").arg(Index), chkA(Index)->isChecked() ? 1 : 0);
            r.Update();
        } catch (const wk::Error& e) {
            try {
                r.CancelUpdate();
            } catch (const wk::Error&) {
            }
            modMain::ShowError(e.number(), e.description(), QString());
        }
        try {
            if (grid::Grid* g = host_.vg1()) {
                long row = g->SelectedRow();
                if (row > 0) host_.RMC_VGridColorEveryRightInRow(row);
            }
        } catch (const wk::Error&) {
        }
    }
    CheckOkEnabled();
}

void frmEditVok::chkAskAllItems_Click() {
    if (!NEWVOK) writeField(QStringLiteral("AskAllItems"), chkAskAllItems->isChecked() ? 1 : 0, {});
    chkMindTheOrder->setEnabled(chkAskAllItems->isChecked());
}

void frmEditVok::chkMindTheOrder_Click() {
    if (!NEWVOK) writeField(QStringLiteral("MindTheOrder"), chkMindTheOrder->isChecked() ? 1 : 0, {});
}

// ---------------------------------------------------------------- Enter chain

void frmEditVok::enterTo(QWidget* target) {
    // A target that cannot take the focus passes it on along the chain.
    while (target && !(target->isEnabled() && !target->isHidden())) {
        if (const int i = chkA.indexOf(target))
            target = i < 9 ? static_cast<QWidget*>(txtA(i + 1)) : cboThema;
        else if (target == chkAskAllItems || target == chkMindTheOrder)
            target = cboThema;
        else
            target = nullptr;  // OK while it is off: the focus stays
    }
    if (target) target->setFocus();
}

void frmEditVok::txtQ_KeyPress(int& KeyAscii) {
    if (KeyAscii != 13) return;
    KeyAscii = 0;
    enterTo(txtA(1));
}

void frmEditVok::txtA_KeyPress(int Index, int& KeyAscii) {
    if (KeyAscii != 13) return;
    KeyAscii = 0;
    if (Index < 9)
        enterTo(EditTyp == 0 ? static_cast<QWidget*>(txtA(Index + 1)) : chkA(Index));
    else if (EditTyp != 0)
        enterTo(cboThema);
    else
        enterTo(chkAskAllItems->isEnabled() ? static_cast<QWidget*>(chkAskAllItems) : cboThema);
}

void frmEditVok::chkA_KeyPress(int Index, int& KeyAscii) {
    if (KeyAscii == 13) {
        KeyAscii = 0;
        enterTo(Index < 9 ? static_cast<QWidget*>(txtA(Index + 1)) : cboThema);
    }
    CheckOkEnabled();
}

void frmEditVok::chkAskAllItems_KeyPress(int& KeyAscii) {
    if (KeyAscii != 13) return;
    KeyAscii = 0;
    enterTo(chkMindTheOrder->isEnabled() ? static_cast<QWidget*>(chkMindTheOrder) : cboThema);
}

void frmEditVok::chkMindTheOrder_KeyPress(int& KeyAscii) {
    if (KeyAscii != 13) return;
    KeyAscii = 0;
    enterTo(cboThema);
}

void frmEditVok::cboThema_KeyPress(int& KeyAscii) {
    if (KeyAscii != 13) return;
    KeyAscii = 0;
    enterTo(cboKategorie);
}

void frmEditVok::cboKategorie_KeyPress(int& KeyAscii) {
    if (KeyAscii != 13) return;
    KeyAscii = 0;
    enterTo(txtExplanation);
}

void frmEditVok::txtExplanation_KeyPress(int& KeyAscii) {
    if (KeyAscii != 13) return;
    KeyAscii = 0;
    enterTo(txtTip);
}

void frmEditVok::txtTip_KeyPress(int& KeyAscii) {
    if (KeyAscii != 13) return;
    KeyAscii = 0;
    enterTo(txtPunkte);
}

void frmEditVok::txtPunkte_KeyPress(int& KeyAscii) {
    if (KeyAscii != 13) return;
    KeyAscii = 0;
    enterTo(cmdOK);
}

// ---------------------------------------------------------------- leaving checks

void frmEditVok::subjectLeaving(QComboBox* cbo) {
    if (cbo->currentText().isEmpty()) cbo->setEditText(GetText(87));
    if (cbo->currentText().size() > SubjectMaxLength) {
        forms::ui().MsgBox(GetText(89), forms::vbExclamation, GetText(40));
        cbo->setFocus();
    }
}

void frmEditVok::cboThema_LostFocus() {
    subjectLeaving(cboThema);
}

void frmEditVok::cboKategorie_LostFocus() {
    subjectLeaving(cboKategorie);
}

void frmEditVok::txtPunkte_LostFocus() {
    if (txtPunkte->text().isEmpty()) txtPunkte->setText(QStringLiteral("0"));
    // Also a number too large for the field is refused here.
    if (!PointsValue(txtPunkte->text())) {
        forms::ui().MsgBox(GetText(572), forms::vbExclamation, GetText(40));
        // The whole text, so that typing replaces it.
        txtPunkte->selectAll();
        txtPunkte->setFocus();
    }
}

// ---------------------------------------------------------------- special characters

void frmEditVok::openCharGrid(QLineEdit* box, int boxIndex) {
    UmlautZiel = box;
    QFont f = vb->font();
    f.setFamily(box->font().family());
    vb->setFont(f);
    const int topTwips = forms::pixelsToTwips(box->y() + box->height());
    BuildCharGrid();
    // Under the question and the first answers all eight rows are seen, with
    // no scroll bar over the last one; the lower boxes scroll.
    int heightTwips = CharGridHeight(boxIndex);
    if (heightTwips >= CharGridHeight(0)) {
        int rows = 2 * vb->view()->frameWidth();
        for (long r = 1; r <= vb->Rows(); ++r) rows += vb->RowHeight(r);
        heightTwips = std::max(heightTwips, forms::pixelsToTwips(rows));
    }
    forms::moveTwips(vb, 1440, topTwips, 2415, heightTwips);
    vb->show();
    vb->raise();
    vb->setFocus();
    try {
        vb->SetSelectedColumn(1);
        vb->SetSelectedRow(1);
    } catch (const wk::Error&) {
    }
}

void frmEditVok::BuildCharGrid() {
    vb->Clear(true);
    QFont f = txtQ->font();
    f.setPointSize(12);
    for (int c = 1; c <= 8; ++c) vb->AddColumn(QString::number(c));
    for (int r = 1; r <= 8; ++r) vb->AddRow(-1, QString::number(r));
    for (int r = 1; r <= 8; ++r)
        for (int c = 1; c <= 8; ++c)
            vb->CellDetails(r, c, QString(SpecialChar(r, c)), grid::DT_CENTER, -1, -1, -1, &f);
    for (int c = 1; c <= 8; ++c) vb->SetColumnWidth(QString::number(c), 17);
    // Rows as high as the characters, accents over capitals included.
    const int rowHeight = QFontMetrics(f).height() + 2;
    for (int r = 1; r <= 8; ++r) vb->SetRowHeight(r, rowHeight);
}

void frmEditVok::pickChar(long row, long col) {
    if (!UmlautZiel) return;
    const QChar ch = SpecialChar(int(row), int(col));
    if (ch.isNull()) return;
    UmlautZiel->setText(UmlautZiel->text() + ch);
}

void frmEditVok::txtQ_DblClick() {
    openCharGrid(txtQ, 0);
}

void frmEditVok::txtA_DblClick(int Index) {
    openCharGrid(txtA(Index), Index);
}

void frmEditVok::txtQ_KeyUp(int& KeyCode, int Shift) {
    txtA_KeyUp(0, KeyCode, Shift);
}

// Index 0 is the question box.
void frmEditVok::txtA_KeyUp(int Index, int& KeyCode, int Shift) {
    if (KeyCode == forms::vbKeyShift) return;
    // Ctrl+S comes with exactly Ctrl down, so Shift is up and the grid opens.
    const QChar key = QChar(char16_t(KeyCode)).toUpper();
    if (Shift == forms::vbCtrlMask) {
        if (key == QLatin1Char('N'))
            forms::ui().SendKeys(QStringLiteral("ñ"));
        else if (key == QLatin1Char('S'))
            Index == 0 ? txtQ_DblClick() : txtA_DblClick(Index);
    } else if (Shift == (forms::vbCtrlMask | forms::vbShiftMask)) {
        if (key == QLatin1Char('1'))
            forms::ui().SendKeys(QStringLiteral("¡"));
        else if (key == QLatin1Char('N'))
            forms::ui().SendKeys(QStringLiteral("Ñ"));
        else if (key == QLatin1Char('C'))
            forms::ui().SendKeys(QStringLiteral("Ç"));
        else if (KeyCode == 219)
            forms::ui().SendKeys(QStringLiteral("¿"));
    }
}

void frmEditVok::vb_DblClick(long Row, long Col) {
    pickChar(Row, Col);
}

void frmEditVok::vb_KeyPress(int& KeyAscii) {
    if (KeyAscii == 13 || KeyAscii == 32) {
        pickChar(vb->SelectedRow(), vb->SelectedColumn());
    } else if (KeyAscii == 27 && UmlautZiel) {
        UmlautZiel->setCursorPosition(int(UmlautZiel->text().size()));
        UmlautZiel->setFocus();
        vb_LostFocus();
    }
}

void frmEditVok::vb_LostFocus() {
    vb->hide();
}

// ---------------------------------------------------------------- picture and sounds

void frmEditVok::showMediaButtons(int i, bool on) {
    PicBox* pairs[5][2] = {{picSQPlay, picSQDel},
                           {picSTPlay, picSTDel},
                           {picSRPlay, picSRDel},
                           {picSWPlay, picSWDel},
                           {picPicView, picPicDel}};
    pairs[i][0]->setVisible(on);
    pairs[i][1]->setVisible(on);
}

void frmEditVok::redrawRowIcon() {
    try {
        grid::Grid* g = host_.vg1();
        if (!g) return;
        g->SetCellIcon(g->SelectedRow(), g->ColumnIndex(QStringLiteral("icon")), host_.GridIconKey());
    } catch (const wk::Error&) {
    }
}

bool frmEditVok::chooseMediaFile(int titleId, const QString& filter, QString& chosen) {
    try {
        CommonDialog.CancelError = true;
        CommonDialog.FileName.clear();
        CommonDialog.InitDir = runstate::LastMediaFile;
        CommonDialog.DialogTitle = GetText(titleId);
        CommonDialog.Flags = forms::cdlOFNFileMustExist | forms::cdlOFNHideReadOnly;
        CommonDialog.Filter = filter;
        CommonDialog.ShowOpen();
        runstate::LastMediaFile = CommonDialog.InitDir;
    } catch (const wk::Error&) {
        return false;  // cancelled
    }
    chosen = CommonDialog.FileName;
    return !chosen.isEmpty();
}

void frmEditVok::picPic_Click() {
    QString path;
    if (!chooseMediaFile(118, modMedia::PictureFilter(), path)) return;
    // A file that is no picture is not taken, in either mode: it would be
    // stored as one.
    const QPixmap chosen(path);
    if (chosen.isNull()) return;
    if (NEWVOK) {
        const QPixmap& pm = chosen;
        BildDatei = path;
        imgPicture->setPixmap(
            pm.scaled(imgPicture->contentsRect().size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    } else {
        try {
            dao::Recordset& r = *rs();
            if (!modMedia::FileToField(path, r, QStringLiteral("Bild"))) return;
            const QPixmap pm = modMedia::LoadBlobPicture(r, QStringLiteral("Bild"));
            imgPicture->setPixmap(
                pm.scaled(imgPicture->contentsRect().size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
        } catch (const wk::Error& e) {
            modMain::ShowError(e.number(), e.description(), QString());
            return;
        }
        redrawRowIcon();
    }
    showMediaButtons(4, true);
}

void frmEditVok::attachSound(int i) {
    QString path;
    if (!chooseMediaFile(113, GetText(114), path)) return;
    if (NEWVOK) {
        SoundDatei[size_t(i)] = path;
    } else {
        try {
            if (!modMedia::FileToField(path, *rs(), QString::fromLatin1(kSoundFields[i]))) return;
        } catch (const wk::Error& e) {
            modMain::ShowError(e.number(), e.description(), QString());
            return;
        }
        redrawRowIcon();
    }
    showMediaButtons(i, true);
}

void frmEditVok::picPicView_Click() {
    QPixmap pm;
    try {
        if (NEWVOK) {
            if (BildDatei.isEmpty()) return;
            pm = QPixmap(BildDatei);
        } else {
            if (!modMedia::HasPicture(*rs())) return;
            pm = modMedia::LoadBlobPicture(*rs(), QStringLiteral("Bild"));
        }
    } catch (const wk::Error& e) {
        modMain::ShowError(e.number(), e.description(), QString());
        return;
    }
    if (pm.isNull()) return;  // the chosen file has gone since
    delete frmPic_;
    frmPic_ = new frmPic(this);
    frmPic_->imgVok->setPixmap(pm);
    frmPic_->imgVok->resize(pm.size());
    // 100 twips larger than the picture, centred on the editor, never above
    // or left of the screen's origin.
    const double w = forms::pixelsToTwips(pm.width()) + 100;
    const double h = forms::pixelsToTwips(pm.height()) + 100;
    frmPic_->resize(forms::twipsSize(w, h));
    double left = forms::pixelsToTwips(x()) + forms::pixelsToTwips(width()) / 2.0 - w / 2;
    double top = forms::pixelsToTwips(y()) + forms::pixelsToTwips(height()) / 2.0 - h / 2;
    if (left < 0) left = 0;
    if (top < 0) top = 0;
    frmPic_->move(forms::twipsToPixels(left), forms::twipsToPixels(top));
    frmPic_->Show(forms::vbModal);
}

void frmEditVok::playSound(int i) {
    if (NEWVOK) {
        media::PlaySound(SoundDatei[size_t(i)]);
        return;
    }
    dao::Recordset& r = *rs();
    try {
        switch (i) {
            case 0:
                modMedia::PlayItemSound(r, true);
                break;
            case 1:
                modMedia::PlaySoundTip(r);
                break;
            case 2:
                modMedia::PlaySoundRichtig(r, false);
                break;
            default:
                modMedia::PlaySoundFalsch(r, false);
                break;
        }
    } catch (const wk::Error&) {
        // Playing never reports.
    }
}

void frmEditVok::deleteSound(int i) {
    if (NEWVOK) {
        SoundDatei[size_t(i)].clear();
    } else {
        try {
            dao::Recordset& r = *rs();
            switch (i) {
                case 0:
                    modMedia::ClearSound(r);
                    break;
                case 1:
                    modMedia::ClearSoundTip(r);
                    break;
                case 2:
                    modMedia::ClearSoundRichtig(r);
                    break;
                default:
                    modMedia::ClearSoundFalsch(r);
                    break;
            }
        } catch (const wk::Error& e) {
            modMain::ShowError(e.number(), e.description(), QString());
            return;
        }
        redrawRowIcon();
    }
    showMediaButtons(i, false);
}

void frmEditVok::picPicDel_Click() {
    if (NEWVOK) {
        BildDatei.clear();
    } else {
        try {
            modMedia::ClearPicture(*rs());
        } catch (const wk::Error& e) {
            modMain::ShowError(e.number(), e.description(), QString());
            return;
        }
        redrawRowIcon();
    }
    showMediaButtons(4, false);
    imgPicture->clear();
}

}  // namespace editor
