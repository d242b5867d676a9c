#include "overview/frmMultipleRecording.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include "core/modMain.h"
#include "overview/OverviewDialogsHost.h"
#include "overview/modRecording.h"
#include "platform/Error.h"
#include "platform/forms/Captions.h"
#include "platform/forms/Interaction.h"
#include "vocabdb/FontSettings.h"

#include <algorithm>
#include <vector>

namespace overview {

frmMultipleRecording::frmMultipleRecording(DialogsHost& host, QWidget* parent)
    : QDialog(parent), host_(host) {
    setObjectName("frmMultipleRecording");
    setModal(true);
    lblBSay = new QLabel(this);
    lblBSay->setObjectName("lblBSay");
    forms::setTag(lblBSay, "270");
    lblB = new QLabel(this);
    lblB->setObjectName("lblB");
    lblB->setWordWrap(true);
    lblA = new QLabel(this);
    lblA->setObjectName("lblA");
    lblA->setWordWrap(true);
    // The item's question and answer, as they stand.
    lblB->setTextFormat(Qt::PlainText);
    lblA->setTextFormat(Qt::PlainText);
    sRec = new QFrame(this);
    sRec->setObjectName("sRec");
    sRec->setFixedSize(16, 16);
    sRec->setStyleSheet(QStringLiteral("background-color: #e02020; border-radius: 8px;"));
    sRec->setVisible(false);
    cmdOK = new QPushButton(this);
    cmdOK->setObjectName("cmdOK");
    forms::setTag(cmdOK, "272");
    cmdOK->setDefault(true);
    cmdAbbrechen = new QPushButton(this);
    cmdAbbrechen->setObjectName("cmdAbbrechen");
    forms::setTag(cmdAbbrechen, "271");

    auto* head = new QHBoxLayout;
    head->addWidget(lblBSay, 1);
    head->addWidget(sRec);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdAbbrechen);
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(head);
    lay->addWidget(lblB);
    lay->addWidget(lblA);
    lay->addStretch(1);
    lay->addLayout(buttons);
    setMinimumSize(380, 170);

    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdAbbrechen, &QPushButton::clicked, this, [this] { cmdAbbrechen_Click(); });
}

frmMultipleRecording::~frmMultipleRecording() = default;

void frmMultipleRecording::Form_Load() {
    forms::ApplyCaptions(this, modMain::GetText, false);
    const QString face = vocabdb::GetSchriftart(host_.OptionsRecord());
    for (QLabel* l : {lblB, lblA}) {
        QFont f = l->font();
        if (!face.isEmpty()) f.setFamily(face);
        f.setPointSize(std::max(f.pointSize(), 12));
        l->setFont(f);
    }
}

void frmMultipleRecording::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!activated_) {
        activated_ = true;
        QTimer::singleShot(0, this, [this] { Form_Activate(); });
    }
}

void frmMultipleRecording::Form_Activate() {
    if (running_) return;
    running_ = true;
    dao::RecordsetPtr rs = host_.GridRecordset();
    // The marked positions from one pass over the marks, rather than every
    // record of the grid's recordset read again before the first take.
    std::vector<long> marked;
    if (rs)
        rs->ForEachRecord({QStringLiteral("Markiert")}, [&](long p, const QVariantList& v) {
            if (v.at(0).isValid() && v.at(0).toBool()) marked.push_back(p);
        });
    std::sort(marked.begin(), marked.end());
    for (const long p : marked) {
        if (cancelled_) break;
        rs->SetAbsolutePosition(p);
        lblB->setText(rs->Value(QStringLiteral("Q")).toString());
        lblA->setText(QString());
        lblA->setText(rs->Value(QStringLiteral("A1")).toString());

        MM = NewSoundRecorder();
        sRec->setVisible(true);
        bRecordingItem = true;
        if (!StartRecording(*MM)) {
            // Without the template nothing can be recorded for any item.
            bRecordingItem = false;
            sRec->setVisible(false);
            break;
        }
        if (whileRecording) whileRecording(*this);
        while (bRecordingItem && !cancelled_) {
            forms::ui().DoEvents();
            if (bRecordingItem && !cancelled_) QThread::msleep(10);
        }
        sRec->setVisible(false);
        if (cancelled_) {
            // Cancel drops the take in progress.
            AbandonRecording(*MM);
            break;
        }
        const bool saved = StopRecording(*MM);
        if (StoreRecording(*rs, saved)) ++stored_;
    }
    MM.reset();
    running_ = false;
    unload();
}

void frmMultipleRecording::cmdOK_Click() {
    bRecordingItem = false;
}

void frmMultipleRecording::cmdAbbrechen_Click() {
    cancelled_ = true;
    bRecordingItem = false;
    if (!running_) unload();
}

void frmMultipleRecording::done(int result) {
    // The close box cancels like the Cancel button; the run ends the window.
    if (running_) {
        cancelled_ = true;
        bRecordingItem = false;
        return;
    }
    unloaded_ = true;
    QDialog::done(result);
}

void frmMultipleRecording::unload() {
    unloaded_ = true;
    if (isVisible()) QDialog::done(cancelled_ ? QDialog::Rejected : QDialog::Accepted);
}

void ShowMultipleRecording(DialogsHost& host) {
    frmMultipleRecording f(host, host.MainWindow());
    f.Form_Load();
    forms::ui().ShowModal(f);
}

}  // namespace overview
