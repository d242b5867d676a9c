#include "editor/frmEditVok.h"
#include "editor/frmEditVokParts.h"

#include <QFocusEvent>
#include <QFont>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QTableView>

#include "core/RunState.h"
#include "core/modMain.h"
#include "core/modMedia.h"
#include "editor/EditVokHost.h"
#include "editor/EditVokRules.h"
#include "overview/DaoRecordAccess.h"
#include "overview/GridColouring.h"
#include "platform/Error.h"
#include "platform/forms/Captions.h"
#include "platform/forms/Colors.h"
#include "platform/forms/Controls.h"
#include "platform/forms/FocusKeys.h"
#include "platform/forms/Keys.h"
#include "platform/forms/Twips.h"
#include "platform/grid/Grid.h"
#include "platform/media/Media.h"

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
    setProperty("wkPictureButton", true);
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

}  // namespace

const char* const kSoundFields[4] = {"Sound", "SoundTip", "SoundRichtig", "SoundFalsch"};

QString asText(const QVariant& v) {
    return v.isValid() && !v.isNull() ? v.toString() : QString();
}

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
    QRadioButton* const types[] = {optTypAt(0), optTypAt(1)};
    forms::arrowsChoose(types);  // an arrow key chooses the type it moves to
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
    // Enter in the points box leads to OK; Enter there presses it.
    forms::enterPresses(cmdOK);
    forms::enterPresses(cmdCancel);

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

}  // namespace editor
