#include "startup/FrmBenutzer.h"

#include <QFileInfo>
#include "startup/FrmUsers.h"

#include <QCursor>
#include <QDir>
#include <QEvent>
#include <QEventLoopLocker>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QSignalBlocker>
#include <cmath>

#include "core/RunState.h"
#include "core/RunStateDb.h"
#include "core/UserFiles.h"
#include "core/modFunctions.h"
#include "core/modMain.h"
#include "core/modMedia.h"
#include "mainwindow/frmMain.h"
#include "platform/Error.h"
#include "platform/RegularFile.h"
#include "platform/forms/Captions.h"
#include "platform/forms/FocusKeys.h"
#include "platform/forms/Interaction.h"
#include "platform/shell/Shell.h"
#include "startup/modRegister.h"
#include "startup/modUserDB.h"
#include "vocabdb/VokSchema.h"

namespace startup {

using namespace runstate;
using mainwindow::ImageBox;
using modMain::GetText;

namespace {

// Only the lock uses it; on the first pass ProgName is not set yet.
QString AppTitel;

QString restartMarker() {
    return modMain::ProgramFolder() + "/restart";
}

QString webAddress() {
    return QStringLiteral(WK_MAKER_WEB);
}

// The address as the link shows it: without its scheme.
QString webCaption() {
    QString s = webAddress();
    const qsizetype i = s.indexOf("://");
    return i < 0 ? s : s.mid(i + 3);
}

}  // namespace

FrmBenutzer::FrmBenutzer(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
    setObjectName("FrmBenutzer");
    setFixedSize(mainwindow::px(3855), mainwindow::px(2460));
    setWindowTitle("Wortkiste");
    setMouseTracking(true);
    auto reg = [this](QWidget* w, const QString& name, const QString& tag = {}) {
        w->setObjectName(name);
        if (!tag.isEmpty()) w->setProperty("Tag", tag);
        controls_.append(w);
    };

    imgBack = new ImageBox("imgBack", this);
    imgBack->setGeometry(rect());
    imgBack->setPicture(":/forms/benutzer_back.png");
    imgBack->setAttribute(Qt::WA_TransparentForMouseEvents);

    imgMove = new ImageBox("imgMove", this);
    imgMove->setGeometry(0, 0, mainwindow::px(3855), mainwindow::px(375));
    imgMove->setCursor(Qt::SizeAllCursor);
    reg(imgMove, "imgMove");

    imgEnd_Lo = new ImageBox("imgEnd_Lo", this);
    imgEnd_Lo->setPicture(":/forms/benutzer_end_lo.png");
    imgEnd_Lo->hide();
    imgEnd_Hi = new ImageBox("imgEnd_Hi", this);
    imgEnd_Hi->setPicture(":/forms/benutzer_end_hi.png");
    imgEnd_Hi->hide();
    imgEnd = new ImageBox("imgEnd", this);
    imgEnd->setGeometry(width() - 21, 4, 17, 17);
    imgEnd->setPictureFrom(imgEnd_Lo);
    imgEnd->setCursor(Qt::PointingHandCursor);
    reg(imgEnd, "imgEnd");

    fraBenutzer = new QGroupBox(this);
    fraBenutzer->setGeometry(6, 29, width() - 12, 106);
    fraBenutzer->setMouseTracking(true);
    reg(fraBenutzer, "fraBenutzer");

    const int labelW = 72, comboX = 82, comboW = fraBenutzer->width() - comboX - 8;
    LblBenutzer = new QLabel(fraBenutzer);
    LblBenutzer->setGeometry(8, 8, labelW, 22);
    reg(LblBenutzer, "LblBenutzer", "2");
    cboBenutzer = new QComboBox(fraBenutzer);
    cboBenutzer->setGeometry(comboX, 7, comboW, 24);
    reg(cboBenutzer, "cboBenutzer");

    lblBLang = new QLabel(fraBenutzer);
    lblBLang->setGeometry(8, 36, labelW, 22);
    reg(lblBLang, "lblBLang", "5");
    cboLang = new QComboBox(fraBenutzer);
    cboLang->setGeometry(comboX, 35, comboW, 24);
    reg(cboLang, "cboLang");

    LblUserStat = new QLabel(fraBenutzer);
    LblUserStat->setGeometry(8, 60, fraBenutzer->width() - 16, 16);
    reg(LblUserStat, "LblUserStat");

    const int btnW = (fraBenutzer->width() - 8 - 8 - 6) / 2;
    cmdNeu = new QPushButton(fraBenutzer);
    cmdNeu->setGeometry(8, 77, btnW, 24);
    // Enter on it opens the user management, not the start.
    forms::enterPresses(cmdNeu);
    reg(cmdNeu, "cmdNeu", "3");
    cmdOK = new QPushButton(fraBenutzer);
    cmdOK->setGeometry(8 + btnW + 6, 77, btnW, 24);
    cmdOK->setEnabled(false);
    cmdOK->setDefault(true);
    reg(cmdOK, "cmdOK", "4");

    QFont small = font();
    small.setPointSizeF(7.5);
    lblVersion = new QLabel(this);
    lblVersion->setGeometry(8, 140, 80, 18);
    lblVersion->setFont(small);
    reg(lblVersion, "lblVersion");

    lblWWW = new QLabel(webCaption(), this);
    lblWWW->setFont(small);
    lblWWW->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblWWW->setGeometry(90, 140, width() - 98, 18);
    lblWWW->setStyleSheet("color: #23467a;");
    reg(lblWWW, "lblWWW");
    lHi = new QFrame(this);
    lHi->setFrameShape(QFrame::HLine);
    lHi->setStyleSheet("color: #23467a;");
    const int textW = lblWWW->fontMetrics().horizontalAdvance(lblWWW->text());
    lHi->setGeometry(lblWWW->geometry().right() - textW, 157, textW + 1, 2);
    lHi->hide();
    reg(lHi, "lHi");
    imgWWW = new ImageBox("imgWWW", this);
    imgWWW->setGeometry(lblWWW->geometry().right() - textW, 140, textW + 1, 18);
    imgWWW->setCursor(Qt::PointingHandCursor);
    reg(imgWWW, "imgWWW");

    tmr = new QTimer(this);
    tmr->setObjectName("tmr");
    tmr->setInterval(50);

    // An error no handler expects is reported instead of leaving the event
    // loop with an exception.
    auto guarded = [](auto handler) {
        return [handler] {
            try {
                handler();
            } catch (const wk::Error& e) {
                modMain::ShowError(e.number(), e.description(), QString());
            }
        };
    };
    connect(cboBenutzer, &QComboBox::currentIndexChanged, this, guarded([this] { cboBenutzer_Click(); }));
    connect(cboLang, &QComboBox::currentIndexChanged, this, guarded([this] { cboLang_Click(); }));
    connect(cmdNeu, &QPushButton::clicked, this, guarded([this] { cmdNeu_Click(); }));
    connect(cmdOK, &QPushButton::clicked, this, guarded([this] { cmdOK_Click(); }));
    connect(imgMove, &ImageBox::mouseDown, this, &FrmBenutzer::imgMove_MouseDown);
    connect(imgMove, &ImageBox::mouseMove, this, &FrmBenutzer::imgMove_MouseMove);
    connect(imgMove, &ImageBox::mouseUp, this, &FrmBenutzer::imgMove_MouseUp);
    connect(imgEnd, &ImageBox::clicked, this, [this] { imgEnd_Click(); });
    connect(imgEnd, &ImageBox::mouseMove, this, &FrmBenutzer::imgEnd_MouseMove);
    connect(imgWWW, &ImageBox::mouseMove, this, &FrmBenutzer::imgWWW_MouseMove);
    connect(imgWWW, &ImageBox::clicked, this, [this] { imgWWW_Click(); });
    connect(tmr, &QTimer::timeout, this, [this] { tmr_Timer(); });
    fraBenutzer->installEventFilter(this);
    imgEnd->makeButton();
    imgWWW->makeButton();
    // Assistive tools name a box after the label that points to it.
    LblBenutzer->setBuddy(cboBenutzer);
    lblBLang->setBuddy(cboLang);
    // Tab goes through the choice first; the web link and the exit picture,
    // which the form has at its edges, come last.
    QWidget* const order[] = {cboBenutzer, cboLang, cmdNeu, cmdOK, imgWWW, imgEnd};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

bool FrmBenutzer::eventFilter(QObject* watched, QEvent* e) {
    if (watched == fraBenutzer && e->type() == QEvent::MouseMove) fraBenutzer_MouseMove();
    return QWidget::eventFilter(watched, e);
}

// Return and the keypad's Enter start, as the default button.
void FrmBenutzer::keyPressEvent(QKeyEvent* e) {
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) &&
        !(e->modifiers() & ~Qt::KeypadModifier)) {
        if (cmdOK->isEnabled() && cmdOK->isVisible()) cmdOK->click();
        return;
    }
    QWidget::keyPressEvent(e);
}

bool FrmBenutzer::CreateAppMutex(const QString& name) {
    return shell::AcquireInstanceLock(name);
}

void FrmBenutzer::Wait(qint32 ms, bool pump) {
    const qint64 until = forms::ui().TickCount() + ms;
    while (forms::ui().TickCount() < until)
        if (pump) forms::ui().DoEvents();
}

void FrmBenutzer::applyCaptions() {
    for (QWidget* w : controls_) {
        const QString tag = w->property("Tag").toString();
        if (tag.isEmpty()) continue;
        const QString text = GetText(tag.toInt());
        if (auto* l = qobject_cast<QLabel*>(w))
            l->setText(text);
        else if (auto* b = qobject_cast<QPushButton*>(w))
            b->setText(text);
    }
    forms::nameBoxesAfterLabels(this);
}

void FrmBenutzer::userDatabaseFailed(const QString& reason, const QString& journalApplied) {
    // No language is chosen yet: English, as the other start-up messages.
    const QString name = ProgName.isEmpty() ? QStringLiteral("Wortkiste") : ProgName;
    const QString end =
        journalApplied.isEmpty()
            ? QStringLiteral("%1 cannot start and has left the file as it is.").arg(name)
            : QStringLiteral(
                  "%1 cannot start. The database engine has applied the journal that lay beside the "
                  "file (%2) to it, as it does for every program that opens the file; %1 has "
                  "changed nothing else.")
                  .arg(name, journalApplied);
    forms::ui().MsgBox(
        QStringLiteral("The user database cannot be used:\r%1\r\r%2\r\r%3").arg(UserDBPfad, reason, end),
        forms::vbCritical, QStringLiteral("Wortkiste"));
    forms::ui().EndProgram(1);
    throw forms::ProgramEnded(1);  // EndProgram does not come back
}

// Opens USER.MDB, or creates it when it is missing. Returns false when the
// file was of an older layout and has been replaced: start-up then runs
// again from its first step.
bool FrmBenutzer::openUserDatabase() {
    wsUser = &dao::DBEngine::Workspaces(0);
    userfiles::TellJournalsSetAsideLater();
    if (!modFunctions::FileExists(UserDBPfad)) {
        try {
            modUserDB::UserDB u = modUserDB::CreateUserDB(UserDBPfad, UserDBPasswort, *wsUser, MaxUsers);
            dbUser = u.dbUser;
            rsBenutzer = u.rsBenutzer;
            rsUserOptionen = u.rsUserOptionen;
            modMain::CloseUserWorkspace = [] {
                if (dbUser && dbUser->IsOpen()) dbUser->Close();
            };
        } catch (const wk::Error& e) {
            userDatabaseFailed(QStringLiteral("It cannot be created in the program folder (%1: %2).")
                                   .arg(e.number())
                                   .arg(e.description()));
        }
        return true;
    }

    // SQLite applies a journal it finds beside the file when it opens it,
    // whatever becomes of the opening: the box says so where it changed it.
    const QFileInfo file(UserDBPfad);
    const qint64 size = file.size();
    const QDateTime modified = file.lastModified();
    QString journal;
    for (const char* suffix : {"-journal", "-wal"})
        if (QFileInfo(UserDBPfad + QLatin1String(suffix)).size() > 0)
            journal = UserDBPfad + QLatin1String(suffix);
    modUserDB::UserDB u;
    try {
        u = modUserDB::OpenUserDB(UserDBPfad, UserDBPasswort, *wsUser);
    } catch (const wk::Error& e) {
        const QFileInfo now(UserDBPfad);
        const bool changed = now.size() != size || now.lastModified() != modified;
        userDatabaseFailed(modUserDB::WhyUnusable(e), changed ? journal : QString());
    }
    if (const QString kept = userfiles::KeptJournalText(*u.dbUser, true); !kept.isEmpty()) {
        modUserDB::Close(u);
        userDatabaseFailed(kept);
    }
    userfiles::TellSetAsideJournal(*u.dbUser, true);
    dbUser = u.dbUser;
    rsBenutzer = u.rsBenutzer;
    rsUserOptionen = u.rsUserOptionen;
    modMain::CloseUserWorkspace = [] {
        if (dbUser && dbUser->IsOpen()) dbUser->Close();
    };
    try {
        modUserDB::ProbeUserDB(u);
    } catch (const wk::Error& e) {
        if (e.number() == wk::err::ItemNotFound) {
            // An older layout: a new, empty file takes its place.
            try {
                modUserDB::UserDB fresh =
                    modUserDB::ReplaceUserDB(u, UserDBPfad, UserDBPasswort, *wsUser, MaxUsers);
                modUserDB::Close(fresh);
            } catch (const wk::Error& e2) {
                userDatabaseFailed(QStringLiteral("It is of an older layout and cannot be replaced (%1: %2).")
                                       .arg(e2.number())
                                       .arg(e2.description()));
            }
            ResetDatabaseHandles();
            return false;
        }
        modMain::ShowError(e.number(), e.description(), QStringLiteral("Init0"));
        forms::ui().EndProgram(1);
    }
    return true;
}

void FrmBenutzer::Form_Load() {
    // One instance at a time. The name is taken before the product name
    // is set, so the first pass locks " 4.3_APPLICATION_MUTEX" and only
    // the pass repeated after a replaced user database "Wortkiste 4.3_...".
    ProgVersion = QStringLiteral("4.3");
    AppTitel = (passes_++ == 0 ? QString() : ProgName) + " " + ProgVersion;
    const QString lockName = AppTitel + "_APPLICATION_MUTEX";
    if (!CreateAppMutex(lockName)) {
        if (QFile::exists(restartMarker())) {
            // The instance that asked for the restart is still ending.
            int failures = 0;
            for (;;) {
                if (CreateAppMutex(lockName)) break;
                Wait(200, true);
                if (++failures >= 100) forms::ui().EndProgram(0);
            }
        } else {
            forms::ui().MsgBox(GetText(5055), forms::vbOKOnly, QStringLiteral("Wortkiste"));
            forms::ui().EndProgram(0);
        }
    }
    heldLocks.append(lockName);
    QFile::remove(restartMarker());

    // Too few colours.
    const int depth = ColorDepth ? ColorDepth() : shell::GetColorDepth();
    if (depth == 1 || depth == 4 || depth == 8) {
        forms::ui().MsgBox(GetText(5053) + "\r\n\r\n" + GetText(5054), forms::vbExclamation,
                           QStringLiteral("Wortkiste"));
        forms::ui().EndProgram(0);
    }

    const QString folder = modMain::ProgramFolder();
    QDir().mkpath(folder);
    QDir::setCurrent(folder);
    lblVersion->setText("version " + ProgVersion);
    UserDBPfad = folder + "/" + modUserDB::UserDBDatei;
    UserDBPasswort = modUserDB::UserDBPasswort;
    ProgName = QStringLiteral("Wortkiste");
    bProgEnde = false;
    imgEnd->setToolTip(GetText(460));
    imgEnd->setAccessibleName(GetText(460));  // the picture buttons are named for screen readers
    imgWWW->setAccessibleName(webAddress());

    // Folders; a failure shows later, where a file is written there.
    QDir().mkpath(modMain::GetDBPath());
    shell::MakePrivateFolder(modMain::GetTempPath());
    modMedia::InstallDefaultSounds();

    // Word tables of the condition builder.
    BedWhat = QStringList{"Q", "A", "T", "FQ"};
    BedAndOr = QStringList{"<Ende>", " AND ", " OR "};
    BedComp = QStringList{" = ", " < ", " > ", " NOT LIKE ", " LIKE "};

    VokDBPasswort = vocabdb::VokDBPasswort;
    bDBOffen = false;
    MaxUsers = 5;

    // The user database; an older layout is replaced and start-up
    // runs again.
    if (!openUserDatabase()) {
        Form_Load();
        return;
    }
    rsBenutzer->SetAbsolutePosition(0);

    applyCaptions();

    // Language of slot 1, English when it has none.
    {
        const QSignalBlocker block(cboLang);
        cboLang->clear();
        cboLang->addItem("Deutsch");
        cboLang->addItem("English");
        cboLang->setCurrentIndex(-1);
    }
    const QVariant lang = rsBenutzer->Value("LANG");
    if (lang.isValid() && lang.toInt() >= 0 && lang.toInt() < cboLang->count())
        cboLang->setCurrentIndex(lang.toInt());
    if (cboLang->currentText().isEmpty()) cboLang->setCurrentIndex(1);

    if (rsUserOptionen->Value("RegFileType").toInt() == 1) modRegister::RegisterFileType();

    // The users in use.
    {
        const QSignalBlocker block(cboBenutzer);
        cboBenutzer->clear();
        for (int n = 1; n <= MaxUsers; ++n) {
            rsBenutzer->SetAbsolutePosition(n - 1);
            const QString name = rsBenutzer->Value("Name").toString();
            if (!name.isEmpty()) cboBenutzer->addItem(rsBenutzer->Value("ID").toString() + ": " + name);
        }
        cboBenutzer->setCurrentIndex(-1);
    }

    // The first user, then the last one confirmed.
    rsBenutzer->SetAbsolutePosition(0);
    if (cboBenutzer->count() > 0) cboBenutzer->setCurrentIndex(0);
    const qint16 k =
        modFunctions::FindComboItemByID(*cboBenutzer, rsUserOptionen->Value("LastUser").toString());
    if (k != -1) cboBenutzer->setCurrentIndex(k);

    if (cboBenutzer->currentText().isEmpty()) {
        cmdNeu->setText(GetText(3));
        cboBenutzer->setEnabled(false);
        cboBenutzer->setStyleSheet("QComboBox { background: #E0E0E0; }");
    } else {
        cmdNeu->setText(GetText(7));
        cboBenutzer->setEnabled(true);
        cboBenutzer->setStyleSheet("QComboBox { background: #FFFFFF; }");
    }
    FocusWork();
}

void FrmBenutzer::FocusWork() {
    if (cboBenutzer->isEnabled())
        cboBenutzer->setFocus();
    else
        cmdNeu->setFocus();
}

void FrmBenutzer::cboBenutzer_Click() {
    const QString text = cboBenutzer->currentText();
    if (text.isEmpty()) return;
    // The rate is a courtesy: a row that cannot be read leaves it as it was.
    try {
        const int slot = text.left(1).toInt();
        rsBenutzer->SetAbsolutePosition(slot - 1);
        double rate = 0;
        const double asked = rsBenutzer->Value("AnzFr").toDouble();
        if (asked != 0) rate = std::nearbyint(100.0 / asked * rsBenutzer->Value("AnzF").toDouble());
        LblUserStat->setText(GetText(6) + QString::number(qint64(rate)) + " %");
    } catch (const wk::Error&) {
    }
    const QVariant lang = rsBenutzer->Value("LANG");
    if (lang.isValid()) cboLang->setCurrentIndex(lang.toInt());
    cmdOK->setEnabled(true);
}

void FrmBenutzer::cboLang_Click() {
    const int index = cboLang->currentIndex();
    if (index < 0) return;
    rsBenutzer->Edit();
    rsBenutzer->SetValue("LANG", index);
    rsBenutzer->Update();
    modMain::SetLanguage(qint16(index));
    applyCaptions();
    // The tag gives "New user"; with users in the list the button manages them.
    if (!cboBenutzer->currentText().isEmpty()) cmdNeu->setText(GetText(7));
    imgEnd->setToolTip(GetText(460));
    imgEnd->setAccessibleName(GetText(460));  // the picture buttons are named for screen readers
    imgWWW->setAccessibleName(webAddress());
    cboBenutzer_Click();
}

void FrmBenutzer::cmdNeu_Click() {
    cmdOK->setEnabled(false);
    if (ShowUserManagement) {
        ShowUserManagement(*this);
    } else {
        ShowFrmUsers(*this);
    }
}

void FrmBenutzer::cmdOK_Click() {
    const QString text = cboBenutzer->currentText();
    const int slot = text.left(1).toInt();
    if (slot < 1 || slot > MaxUsers) return;
    try {
        rsUserOptionen->Edit();
        rsUserOptionen->SetValue("LastUser", slot);
        rsUserOptionen->Update();
        BenutzerNr = qint16(slot);
        rsBenutzer = dbUser->OpenRecordset(QStringLiteral("USER%1").arg(slot), dao::dbOpenDynaset);
        BenutzerName = rsBenutzer->Value("Name").toString();
    } catch (const wk::Error& e) {
        modMain::ShowError(e.number(), e.description(), QStringLiteral("189"));
        return;
    }
    // Between this form and the main window no window shows: a message
    // closed then would count as the last window closed and end the
    // program unasked.
    const QEventLoopLocker stayUntilMainWindowShows;
    hide();

    // The file named on the command line, else the user's last database.
    QString path = CommandLine;
    const QString cleaned = modFunctions::RemoveString(path, "\"");
    if (!path.isEmpty() && modFunctions::FileExists(cleaned)) {
        path = cleaned;
    } else {
        // A pipe or a device named there is said so, not waited on; so is a
        // name whose bytes cannot be read.
        if (!cleaned.isEmpty() && wk::KindOfFile(cleaned) == wk::FileKind::Other)
            userfiles::RefuseNonRegularSource(cleaned);
        else if (!cleaned.isEmpty())
            userfiles::RefuseUnreadableName(cleaned);
        const QVariant last = rsBenutzer->Value("LastDB");
        if (last.isValid() && !last.toString().isEmpty()) path = last.toString();
    }
    mainwindow::frmMain& main = mainwindow::MainForm();
    if (!path.isEmpty() && modFunctions::FileExists(path)) {
        // A file that cannot be taken into use is reported; the program
        // still starts, without a database.
        try {
            main.VokDBOeffnen(path);
        } catch (const wk::Error& e) {
            if (e.number() != wk::err::NoCurrentRecord)
                modMain::ShowError(e.number(), e.description(), QStringLiteral("189"));
        }
    }
    main.show();
    close();
}

void FrmBenutzer::imgMove_MouseDown(int, int, double X, double Y) {
    bFormDrag = true;
    DragOffsetX = qint32(std::lround(X));
    DragOffsetY = qint32(std::lround(Y));
}

void FrmBenutzer::imgMove_MouseMove(int, int, double, double) {
    ResetHover();
    if (!bFormDrag || (windowState() & (Qt::WindowMaximized | Qt::WindowMinimized))) return;
    const QPoint p = QCursor::pos();
    if (p == CursorPos) return;
    move(p.x() - mainwindow::px(DragOffsetX), p.y() - mainwindow::px(DragOffsetY));
    CursorPos = p;
}

void FrmBenutzer::imgMove_MouseUp(int, int, double, double) {
    bFormDrag = false;
}

void FrmBenutzer::imgEnd_Click() {
    forms::ui().EndProgram(0);
}

void FrmBenutzer::imgEnd_MouseMove(int, int, double, double) {
    HoverCursor = QCursor::pos();
    tmr->start();
    imgEnd->setPictureFrom(imgEnd_Hi);
}

void FrmBenutzer::imgWWW_MouseMove(int, int, double, double) {
    HoverCursor = QCursor::pos();
    tmr->start();
    lHi->show();
}

void FrmBenutzer::imgWWW_Click() {
    shell::OpenDocument(webAddress());
}

void FrmBenutzer::Form_MouseMove() {
    ResetHover();
}
void FrmBenutzer::fraBenutzer_MouseMove() {
    ResetHover();
}
void FrmBenutzer::tmr_Timer() {
    ResetHover();
}

void FrmBenutzer::ResetHover() {
    if (QCursor::pos() == HoverCursor) return;
    imgEnd->setPictureFrom(imgEnd_Lo);
    lHi->hide();
    tmr->stop();
}

}  // namespace startup
