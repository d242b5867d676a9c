#include "vocabdb/frmNewDB.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <algorithm>

#include "core/RunState.h"
#include "core/modMain.h"
#include "platform/Error.h"
#include "platform/forms/Captions.h"
#include "platform/forms/Controls.h"
#include "platform/forms/FocusKeys.h"
#include "platform/forms/Twips.h"

namespace vocabdb {

namespace {

QRect labelDesign() {
    return forms::twipsRect(240, 150, 1815, 255);
}

QRect boxDesign() {
    return forms::twipsRect(2160, 120, 3495, 285);
}

}  // namespace

frmNewDB::frmNewDB(QWidget* mainWindow, std::function<void()> createDatabase)
    : QWidget(nullptr, Qt::Dialog), mainWindow_(mainWindow), createDatabase_(std::move(createDatabase)) {
    setObjectName("frmNewDB");
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(forms::twipsSize(5775, 1095));

    lblBC = new QLabel(this);
    lblBC->setObjectName("lblBC");
    lblBC->setGeometry(labelDesign());
    forms::setTag(lblBC, "224");

    txtC = new QLineEdit(this);
    txtC->setObjectName("txtC");
    txtC->setGeometry(boxDesign());
    forms::limitTextLength(txtC, 100);
    lblBC->setBuddy(txtC);  // names the box for assistive tools

    cmdOK = new QPushButton(this);
    cmdOK->setObjectName("cmdOK");
    cmdOK->setGeometry(forms::twipsRect(3840, 600, 1815, 375));
    cmdOK->setDefault(true);
    forms::setTag(cmdOK, "4");

    cmdAbbrechen = new QPushButton(this);
    cmdAbbrechen->setObjectName("cmdAbbrechen");
    cmdAbbrechen->setGeometry(forms::twipsRect(2160, 600, 1455, 375));
    forms::setTag(cmdAbbrechen, "17");

    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    // This is a plain window, not a QDialog: Enter in the note reaches the
    // default button only through this.
    connect(txtC, &QLineEdit::returnPressed, cmdOK, &QPushButton::click);
    connect(cmdAbbrechen, &QPushButton::clicked, this, [this] { cmdAbbrechen_Click(); });
    forms::enterPresses(cmdOK);
    forms::enterPresses(cmdAbbrechen);
    Form_Load();
}

void frmNewDB::Form_Load() {
    setWindowTitle(modMain::GetText(95));
    forms::ApplyCaptions(this, modMain::GetText, false);
    // The design's width held the caption in the old platform's narrow
    // font; where the desktop's needs more, the box beside it gives way.
    lblBC->ensurePolished();
    const QRect box = boxDesign(), label = labelDesign();
    lblBC->resize(std::max(label.width(), lblBC->sizeHint().width()), label.height());
    const int left = std::max(box.left(), lblBC->geometry().right() + (box.left() - label.right()));
    txtC->setGeometry(left, box.top(), box.right() + 1 - left, box.height());
}

void frmNewDB::Unload() {
    if (mainWindow_) mainWindow_->setEnabled(true);
    unloading_ = true;
    close();
    // OK or Cancel, the main window takes the keys again.
    if (mainWindow_) mainWindow_->activateWindow();
}

void frmNewDB::cmdAbbrechen_Click() {
    Unload();
}

void frmNewDB::cmdOK_Click() {
    runstate::NeuDBCopyright = txtC->text();
    hide();
    // The main window comes back whatever the creation did.
    try {
        if (createDatabase_) createDatabase_();
    } catch (const wk::Error& e) {
        modMain::ShowError(e.number(), e.description(), QStringLiteral("348"));
    }
    Unload();
}

void frmNewDB::closeEvent(QCloseEvent* e) {
    if (!unloading_ && mainWindow_) mainWindow_->setEnabled(true);
    e->accept();
}

void frmNewDB::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape && !(e->modifiers() & ~Qt::KeypadModifier)) {
        cmdAbbrechen_Click();
        return;
    }
    QWidget::keyPressEvent(e);
}

}  // namespace vocabdb
