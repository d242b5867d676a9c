#include "startup/FrmUsers.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QSignalBlocker>
#include <QWindow>

#include "core/RunState.h"
#include "core/RunStateDb.h"
#include "core/modMain.h"
#include "platform/Error.h"
#include "platform/forms/Captions.h"
#include "platform/forms/Colors.h"
#include "platform/forms/Controls.h"
#include "platform/forms/FocusKeys.h"
#include "platform/forms/Interaction.h"
#include "platform/forms/Twips.h"
#include "startup/FrmBenutzer.h"

namespace startup {

using modMain::GetText;
using namespace runstate;

namespace {

constexpr quint32 kBackColor = 0xEFC0A0;

template <class W>
W* named(W* w, const QString& name) {
    w->setObjectName(name);
    return w;
}

}  // namespace

FrmUsers::FrmUsers(FrmBenutzer& start) : QWidget(nullptr, Qt::Dialog), start_(&start) {
    setObjectName("FrmUsers");
    setAttribute(Qt::WA_DeleteOnClose);
    forms::setTag(this, "9");
    setFixedSize(forms::twipsSize(5400, 3480));

    LblBVerwaltung = named(new QLabel(this), "LblBVerwaltung");
    LblBVerwaltung->setGeometry(forms::twipsRect(240, 120, 4900, 300));
    QFont bold = LblBVerwaltung->font();
    bold.setBold(true);
    LblBVerwaltung->setFont(bold);
    forms::setTag(LblBVerwaltung, "10");

    for (int i = 1; i <= MaxUsers; ++i) {
        const double top = 600 + (i - 1) * 420;
        auto* lbl = named(new QLabel(this), QStringLiteral("LblUser%1").arg(i));
        lbl->setGeometry(forms::twipsRect(240, top + 30, 1200, 285));
        forms::setTag(lbl, QString::number(10 + i));
        LblUser.add(lbl);

        auto* txt = named(new QLineEdit(this), "TxtN");
        txt->setGeometry(forms::twipsRect(1500, top, 2400, 315));
        forms::limitTextLength(txt, 20);
        txt->installEventFilter(this);
        lbl->setBuddy(txt);  // names the box for assistive tools
        TxtN.add(txt);

        auto* old = named(new QLineEdit(this), "TxtO");
        old->hide();
        TxtO.add(old);

        auto* del = named(new QPushButton(this), "cmdDel");
        del->setGeometry(forms::twipsRect(4020, top, 1140, 315));
        forms::setTag(del, QString::number(17 + i));
        connect(del, &QPushButton::clicked, this, [this, i] { cmdDel_Click(i); });
        del->installEventFilter(this);
        cmdDel.add(del);
    }

    cmdAbbruch = named(new QPushButton(this), "cmdAbbruch");
    cmdAbbruch->setGeometry(forms::twipsRect(1500, 2820, 1500, 405));
    forms::setTag(cmdAbbruch, "17");
    cmdOK = named(new QPushButton(this), "cmdOK");
    cmdOK->setGeometry(forms::twipsRect(3120, 2820, 2040, 405));
    forms::setTag(cmdOK, "16");

    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    // Enter on a button presses it, as on the Save that Enter in the last
    // name leads to.
    for (QPushButton* b : findChildren<QPushButton*>()) forms::enterPresses(b);
    connect(cmdAbbruch, &QPushButton::clicked, this, [this] { cmdAbbruch_Click(); });
    Form_Load();
}

void FrmUsers::Form_Load() {
    forms::setBackColor(this, kBackColor);
    forms::setBackColor(cmdOK, kBackColor);
    forms::setBackColor(cmdAbbruch, kBackColor);
    for (QPushButton* b : cmdDel) forms::setBackColor(b, kBackColor);

    forms::ApplyCaptions(this, GetText, false, true);
    // The five "Delete" buttons are told apart by the slot they free.
    for (int i = 1; i <= MaxUsers; ++i)
        cmdDel(i)->setAccessibleName(forms::spokenCaption(cmdDel(i)->text()) + QLatin1Char(' ') +
                                     forms::spokenCaption(LblUser(i)->text()));
    if (start_) start_->setEnabled(false);

    for (int i = 1; i <= MaxUsers; ++i) {
        QString name;
        try {
            rsBenutzer->SetAbsolutePosition(i - 1);
            name = rsBenutzer->Value("Name").toString();
        } catch (const wk::Error&) {
            // A slot that cannot be read shows as free and is not written
            // unless a name is typed.
        }
        TxtN(i)->setText(name);
        TxtO(i)->setText(name);
    }
}

void FrmUsers::cmdDel_Click(int Index) {
    const QString name = TxtN(Index)->text();
    TxtN(Index)->setText(QString());
    // The box emptied is not where the learner is: a reader hears it on the
    // button, which speaks a description that changes while it has the focus.
    if (name.isEmpty() || !cmdDel(Index)->hasFocus()) return;
    cmdDel(Index)->setAccessibleDescription(forms::spokenCaption(LblUser(Index)->text()) + QLatin1Char(' ') +
                                            name + GetText(5100));
}

void FrmUsers::TxtN_KeyPress(int Index, int& KeyAscii) {
    if (KeyAscii != 13) return;
    KeyAscii = 0;
    if (Index >= MaxUsers)
        cmdOK->setFocus();
    else
        TxtN(Index + 1)->setFocus();
}

// Esc leaves the window as Cancel does, wherever the focus is in it.
void FrmUsers::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
        cmdAbbruch_Click();
        return;
    }
    QWidget::keyPressEvent(e);
}

bool FrmUsers::eventFilter(QObject* watched, QEvent* e) {
    // Words of a deletion belong to that moment, not to the next visit.
    if (e->type() == QEvent::FocusOut && cmdDel.indexOf(watched) > 0)
        static_cast<QWidget*>(watched)->setAccessibleDescription(QString());
    if (e->type() == QEvent::KeyPress) {
        const int index = TxtN.indexOf(watched);
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (index > 0 && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            int ascii = 13;
            TxtN_KeyPress(index, ascii);
            return ascii == 0;
        }
    }
    return QWidget::eventFilter(watched, e);
}

bool FrmUsers::SaveSlot(int i) {
    try {
        rsBenutzer->SetAbsolutePosition(i - 1);
        rsBenutzer->Edit();
        rsBenutzer->SetValue("Name", TxtN(i)->text());
        rsBenutzer->SetValue("AnzFr", 0);
        rsBenutzer->SetValue("AnzR", 0);
        rsBenutzer->SetValue("AnzF", 0);
        rsBenutzer->SetValue("LastDB", QString());
        rsBenutzer->Update();
        return true;
    } catch (const wk::Error& e) {
        try {
            if (rsBenutzer && rsBenutzer->EditMode() != dao::dbEditNone) rsBenutzer->CancelUpdate();
        } catch (const wk::Error&) {
        }
        modMain::ShowError(e.number(), e.description(), QString());
        return false;
    }
}

void FrmUsers::cmdOK_Click() {
    for (int i = 1; i <= MaxUsers; ++i) {
        const QString neu = TxtN(i)->text();
        const QString alt = TxtO(i)->text();
        if (neu == alt) continue;
        if (!alt.isEmpty()) {
            const QString prompt = GetText(5010) + alt + GetText(5011) + "\r\r" + GetText(5012);
            if (forms::ui().MsgBox(prompt, forms::vbYesNo, GetText(5001)) == forms::vbNo) continue;
        }
        // Slots saved so far stay saved; after a refusal the rest are not
        // tried, and the start form comes back all the same.
        if (!SaveSlot(i)) break;
    }
    QPointer<FrmBenutzer> start = start_;
    RefillStartFormAndUnload();
    if (!start) return;
    // Errors of the selection are of no consequence from here on.
    try {
        start->cboBenutzer->setCurrentIndex(0);
    } catch (const wk::Error&) {
    }
    start->cboBenutzer->setEnabled(true);
    start->cboBenutzer->setStyleSheet("QComboBox { background: #FFFFFF; }");
    // The button reads as after a start: "Users" once someone is in the list.
    start->cmdNeu->setText(GetText(start->cboBenutzer->currentText().isEmpty() ? 3 : 7));
    start->FocusWork();
}

void FrmUsers::cmdAbbruch_Click() {
    QPointer<FrmBenutzer> start = start_;
    RefillStartFormAndUnload();
    if (!start) return;
    try {
        start->cboBenutzer->setCurrentIndex(0);
    } catch (const wk::Error&) {
    }
    start->FocusWork();  // a list still without users takes no focus
}

void FrmUsers::RefillStartFormAndUnload() {
    if (start_) {
        start_->setEnabled(true);
        QComboBox* cbo = start_->cboBenutzer;
        const QSignalBlocker block(cbo);
        cbo->clear();
        try {
            for (int i = 1; i <= MaxUsers; ++i) {
                rsBenutzer->SetAbsolutePosition(i - 1);
                const QString name = rsBenutzer->Value("Name").toString();
                if (!name.isEmpty()) cbo->addItem(rsBenutzer->Value("ID").toString() + ": " + name);
            }
        } catch (const wk::Error&) {
            // What could be read is listed.
        }
        // The selection that follows is a change the start form hears.
        cbo->setCurrentIndex(-1);
    }
    unloading_ = true;
    close();
}

void FrmUsers::closeEvent(QCloseEvent* e) {
    if (!unloading_) {
        // The close box or the system's close key: as Cancel.
        cmdAbbruch_Click();
    }
    e->accept();
}

void ShowFrmUsers(FrmBenutzer& start) {
    auto* form = new FrmUsers(start);
    form->move(start.geometry().center() - form->rect().center());
    form->show();
    // Kept above the disabled start form.
    if (form->windowHandle() && start.windowHandle())
        form->windowHandle()->setTransientParent(start.windowHandle());
}

}  // namespace startup
