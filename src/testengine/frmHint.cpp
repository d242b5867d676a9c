#include "testengine/frmHint.h"

#include <QKeyEvent>

#include "core/modMain.h"
#include "platform/forms/Captions.h"
#include "platform/forms/Colors.h"
#include "platform/forms/Twips.h"

namespace testengine {

frmHint::frmHint(QWidget* parent) : forms::Form(parent, Qt::Dialog) {
    setObjectName("frmHint");
    // A message to a screen reader, which reads its text on opening
    // however short (a dialog's, from three words on).
    setProperty("wkMessage", true);
    setFixedSize(forms::twipsSize(4695, 2295));
    forms::setBackColor(this, 0xEFC0A0);
    setAutoFillBackground(true);

    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Label1->setGeometry(forms::twipsRect(120, 120, 4455, 1455));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // A tip or an explanation is the user's text, never markup.
    Label1->setTextFormat(Qt::PlainText);
    // Greyed text must stay readable on the window's blue.
    QPalette pal = Label1->palette();
    pal.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x5a, 0x5a, 0x5a));
    Label1->setPalette(pal);

    Line1 = new QFrame(this);
    Line1->setObjectName("Line1");
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Plain);
    Line1->setGeometry(forms::twipsRect(120, 1680, 4440, 15));

    cmdOK = new QPushButton(this);
    cmdOK->setObjectName("cmdOK");
    cmdOK->setGeometry(forms::twipsRect(600, 1800, 3495, 375));
    cmdOK->setText("Close");
    cmdOK->setDefault(true);
    forms::setBackColor(cmdOK, 0xEFC0A0);
    forms::setTag(cmdOK, "709");
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
}

void frmHint::Form_Load() {
    forms::ApplyCaptions(this, modMain::GetText, /*skipImg=*/true);
}

// Esc closes the window as its button does.
void frmHint::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier)
        cmdOK_Click();
    else
        forms::Form::keyPressEvent(e);
}

void frmHint::cmdOK_Click() {
    Unload();
}

}  // namespace testengine
