// Picture and sounds in both modes, the enlarged picture, the focus looks of
// the media buttons, and the special characters.

#include <unistd.h>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTableView>

#include "EditorFixture.h"
#include "core/modMedia.h"
#include "editor/EditVokRules.h"
#include "editor/frmPic.h"
#include "platform/forms/FileDialogs.h"
#include "support/Access.h"
#include "support/ProcessLocks.h"
#include "support/QtPrinters.h"
#include "support/StuckPipe.h"

using namespace edtest;

namespace {

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

}  // namespace

TEST_F(EditorTest, AddModeKeepsPathsUntilTheItemIsSaved) {
    const QString pic = pictureFile("bild.png");
    const QString q = file("frage.wav", QByteArray("RIFF-question-sound"));
    const QString w = file("falsch.wav", QByteArray("RIFF-wrong"));
    openAdd();

    ui.pushOpen(pic);
    form->picPic_Click();
    const auto& dlg = ui.last(wktest::CallKind::ShowOpen).dialog;
    EXPECT_EQ(dlg.DialogTitle, "Import picture");
    // Every format the program loads is offered, PNG among them.
    const auto filters = dialogs::parseFilter(dlg.Filter);
    ASSERT_EQ(filters.size(), 1);
    EXPECT_EQ(filters[0].description, "Picture");
    for (const char* name : {"bild.png", "bild.jpg", "bild.jpeg", "bild.bmp", "bild.gif", "BILD.PNG"})
        EXPECT_TRUE(QDir::match(filters[0].patterns, name)) << name;
    EXPECT_FALSE(QDir::match(filters[0].patterns, "ton.wav"));
    EXPECT_EQ(dialogs::nameFilters(dlg.Filter).value(0).left(9), "Picture (");
    EXPECT_EQ(dlg.Flags, 0x1004);
    EXPECT_TRUE(dlg.CancelError);
    EXPECT_EQ(form->BildDatei, pic);
    EXPECT_FALSE(form->imgPicture->pixmap().isNull());
    EXPECT_FALSE(form->picPicView->isHidden());
    EXPECT_FALSE(form->picPicDel->isHidden());

    ui.pushOpen(q);
    form->picSQ_Click();
    EXPECT_EQ(ui.last(wktest::CallKind::ShowOpen).dialog.Filter, "Soundfile (*.wav)|*.wav");
    ui.pushOpen(w);
    form->picSW_Click();
    ui.pushOpen(q);
    form->picST_Click();
    EXPECT_EQ(form->SoundDatei[0], q);
    EXPECT_EQ(form->SoundDatei[3], w);
    EXPECT_FALSE(form->picSWPlay->isHidden());
    EXPECT_TRUE(form->picSRPlay->isHidden());

    // Cancelling changes nothing.
    ui.pushOpenCancel();
    form->picSR_Click();
    EXPECT_EQ(form->SoundDatei[2], "");
    EXPECT_TRUE(form->picSRDel->isHidden());

    // Deleting only forgets the path.
    form->picSTDel_Click();
    EXPECT_EQ(form->SoundDatei[1], "");
    EXPECT_TRUE(form->picSTPlay->isHidden());
    EXPECT_EQ(itemCount(), 0);

    form->txtQ->setText("Bild");
    form->txtA(1)->setText("picture");
    form->cmdOK_Click();
    auto r = item("Bild");
    EXPECT_EQ(r->GetChunk("Bild", 0, r->FieldSize("Bild")), fileBytes(pic));
    EXPECT_EQ(r->GetChunk("Sound", 0, r->FieldSize("Sound")), fileBytes(q));
    EXPECT_EQ(r->FieldSize("SoundTip"), 0);
    EXPECT_EQ(r->FieldSize("SoundRichtig"), 0);
    EXPECT_EQ(r->GetChunk("SoundFalsch", 0, r->FieldSize("SoundFalsch")), fileBytes(w));

    // The next item starts without media.
    EXPECT_EQ(form->BildDatei, "");
    for (const QString& s : form->SoundDatei) EXPECT_EQ(s, "");
    EXPECT_TRUE(form->imgPicture->pixmap().isNull());
    EXPECT_TRUE(form->picPicView->isHidden());
    EXPECT_TRUE(form->picSQPlay->isHidden());
}

// A file that is no picture (or an empty one) is refused, and the user is
// told which file and why.
TEST_F(EditorTest, AddModeRefusesAFileThatIsNoPictureAndSaysSo) {
    openAdd();
    for (const QByteArray& bytes : {QByteArray("not a picture"), QByteArray()}) {
        const QString bogus = file("kaputt.jpg", bytes);
        ui.pushOpen(bogus);
        ui.pushMsgBox(forms::vbOK);
        form->picPic_Click();
        EXPECT_EQ(form->BildDatei, "");
        EXPECT_TRUE(form->picPicView->isHidden());
        const auto& box = ui.last(wktest::CallKind::MsgBox);
        EXPECT_TRUE(box.prompt.contains(QDir::toNativeSeparators(bogus)));
        EXPECT_TRUE(box.prompt.endsWith(modMain::GetText(5079)));
    }
    EXPECT_EQ(ui.count(wktest::CallKind::MsgBox), 2);
}

// A pipe chosen as a picture or a sound is named and never waited on.
TEST_F(EditorTest, APipeChosenAsPictureOrSoundIsNamedAndNotTaken) {
    wktest::StuckPipe pipe(dir.filePath("pipe.png"));
    ASSERT_TRUE(pipe.made());
    openAdd();
    ui.pushOpen(pipe.path());
    ui.pushMsgBox(forms::vbOK);
    form->picPic_Click();
    ui.pushOpen(pipe.path());
    ui.pushMsgBox(forms::vbOK);
    form->picSQ_Click();
    EXPECT_EQ(ui.msgBoxPrompts(), QStringList(2, "File cannot be opened:\r" + pipe.path() +
                                                     "\r\rThis is not a regular file but a folder, a pipe or "
                                                     "a device."));
    EXPECT_EQ(form->BildDatei, "");
    EXPECT_EQ(form->SoundDatei[0], "");
    EXPECT_TRUE(form->picPicView->isHidden());
    EXPECT_TRUE(form->picSQPlay->isHidden());
    EXPECT_FALSE(pipe.waited());
}

// A file the program holds, chosen as a sound, is named and not taken in
// either mode: playing or storing it would open it and so drop the
// database's locks.
TEST_F(EditorTest, AFileTheProgramHoldsIsNotTakenAsASound) {
    storeItem("Katze", {"cat"});
    const QString db = dir.filePath("kurs.wkd");
    const QString link = dir.filePath("link.wav");
    ASSERT_EQ(::link(QFile::encodeName(db).constData(), QFile::encodeName(link).constData()), 0);
    const QString oldUser = runstate::UserDBPfad;
    runstate::UserDBPfad = file("USER.MDB", "closed, but the program's");
    reopen();
    buildGrid({"Q"});
    for (const bool add : {true, false}) {
        if (add)
            openAdd();
        else
            openEdit(0);
        for (const QString& held : {db, db + "-journal", link, runstate::UserDBPfad}) {
            SCOPED_TRACE((add ? "add " : "edit ") + held.toStdString());
            ui.pushOpen(held);
            ui.pushMsgBox(forms::vbOK);
            form->picSQ_Click();
            EXPECT_EQ(ui.last(wktest::CallKind::MsgBox).prompt,
                      "File cannot be opened:\r" + QDir::toNativeSeparators(held) +
                          "\r\rWortkiste is using this file: it is the open vocabulary database, the user "
                          "database USER.MDB or one of their journal files.");
            EXPECT_EQ(form->SoundDatei[0], "");
            EXPECT_TRUE(form->picSQPlay->isHidden());
        }
        form->Hide();
    }
    EXPECT_EQ(ui.count(wktest::CallKind::MsgBox), 8);
    EXPECT_EQ(item("Katze")->FieldSize("Sound"), 0);

    // A sound taken, then a link to the database put in its place: playing
    // it leaves the connection its locks.
    openAdd();
    const QString taken = file("taken.wav", "RIFF-taken");
    ui.pushOpen(taken);
    form->picSQ_Click();
    ASSERT_EQ(form->SoundDatei[0], taken);
    ASSERT_TRUE(QFile::remove(taken));
    ASSERT_EQ(::link(QFile::encodeName(db).constData(), QFile::encodeName(taken).constData()), 0);
    // SQLite holds its locks on the file in the middle of a transaction.
    dao::DBEngine::Workspaces(0).BeginTrans();
    host.db->Execute("UPDATE VOK SET Q = Q");
    ASSERT_TRUE(wktest::HoldsPosixLock(db));
    form->picSQPlay_Click();
    EXPECT_TRUE(wktest::HoldsPosixLock(db));
    dao::DBEngine::Workspaces(0).Rollback();
    form->Hide();
    runstate::UserDBPfad = oldUser;
}

TEST_F(EditorTest, EditModeRefusesAFileThatIsNoPictureAndKeepsTheStoredOne) {
    storeItem("Katze", {"cat"});
    reopen();
    buildGrid({"Q", "A1"});
    const QString pic = pictureFile("katze.png", 30, 20);
    const QString bogus = file("kaputt.jpg", QByteArray("not a picture"));
    host.rs->SetAbsolutePosition(0);
    host.vg.SetSelectedRow(1);
    form->NEWVOK = false;
    form->Load();
    ui.pushOpen(pic);
    form->picPic_Click();
    host.iconKey = 9;
    ui.pushOpen(bogus);
    ui.pushMsgBox(forms::vbOK);
    form->picPic_Click();
    EXPECT_EQ(host.rs->GetChunk("Bild", 0, host.rs->FieldSize("Bild")), fileBytes(pic));
    EXPECT_NE(host.vg.CellIcon(1, 1), 9);
    EXPECT_FALSE(form->imgPicture->pixmap().isNull());
    ASSERT_EQ(ui.count(wktest::CallKind::MsgBox), 1);
    EXPECT_TRUE(ui.last(wktest::CallKind::MsgBox).prompt.endsWith(modMain::GetText(5079)));
}

TEST_F(EditorTest, EditModeStoresAndClearsAtOnceAndRedrawsTheIcon) {
    storeItem("Katze", {"cat"});
    reopen();
    buildGrid({"Q", "A1"});
    const QString pic = pictureFile("katze.png", 30, 20);
    const QString snd = file("miau.wav", QByteArray("RIFF-miau"));
    host.rs->SetAbsolutePosition(0);
    host.vg.SetSelectedRow(1);
    form->NEWVOK = false;
    form->Load();
    EXPECT_TRUE(form->picPicView->isHidden());

    runstate::LastMediaFile = dir.path();
    host.iconKey = 4;
    ui.pushOpen(pic);
    form->picPic_Click();
    EXPECT_EQ(ui.last(wktest::CallKind::ShowOpen).dialog.InitDir, dir.path());
    EXPECT_EQ(host.rs->GetChunk("Bild", 0, host.rs->FieldSize("Bild")), fileBytes(pic));
    EXPECT_EQ(host.vg.CellIcon(1, 1), 4);
    EXPECT_FALSE(form->imgPicture->pixmap().isNull());
    EXPECT_FALSE(form->picPicDel->isHidden());

    host.iconKey = 5;
    ui.pushOpen(snd);
    form->picSR_Click();
    EXPECT_EQ(host.rs->GetChunk("SoundRichtig", 0, host.rs->FieldSize("SoundRichtig")), fileBytes(snd));
    EXPECT_EQ(host.vg.CellIcon(1, 1), 5);
    EXPECT_FALSE(form->picSRPlay->isHidden());

    // A second file replaces the first.
    const QString snd2 = file("miau2.wav", QByteArray("RIFF-2"));
    ui.pushOpen(snd2);
    form->picSR_Click();
    EXPECT_EQ(host.rs->GetChunk("SoundRichtig", 0, host.rs->FieldSize("SoundRichtig")), fileBytes(snd2));

    // Reopening shows exactly the media the record holds.
    form->Unload();
    form->Load();
    EXPECT_FALSE(form->picSRPlay->isHidden());
    EXPECT_TRUE(form->picSQPlay->isHidden());
    EXPECT_TRUE(form->picSTPlay->isHidden());
    EXPECT_FALSE(form->picPicView->isHidden());
    EXPECT_FALSE(form->imgPicture->pixmap().isNull());

    host.iconKey = 0;
    form->picSRDel_Click();
    form->picPicDel_Click();
    EXPECT_EQ(host.rs->FieldSize("SoundRichtig"), 0);
    EXPECT_EQ(host.rs->FieldSize("Bild"), 0);
    EXPECT_EQ(host.vg.CellIcon(1, 1), 0);
    EXPECT_TRUE(form->picSRPlay->isHidden());
    EXPECT_TRUE(form->imgPicture->pixmap().isNull());
    EXPECT_EQ(ui.count(wktest::CallKind::MsgBox), 0);
}

TEST_F(EditorTest, ViewShowsThePictureCentredOnTheEditor) {
    const QString pic = pictureFile("gross.png", 40, 30);
    openAdd();
    form->picPicView_Click();  // nothing chosen: no window
    EXPECT_EQ(ui.count(wktest::CallKind::ShowModal), 0);

    ui.pushOpen(pic);
    form->picPic_Click();
    form->move(300, 200);
    QSize size;
    QPoint pos;
    ui.pushModal([&](QWidget& w) {
        auto& f = dynamic_cast<editor::frmPic&>(w);
        size = f.size();
        pos = f.pos();
        EXPECT_EQ(f.imgVok->pixmap().size(), QSize(40, 30));
        f.imgVok_Click();
    });
    form->imgPicture_Click();
    EXPECT_EQ(size, forms::twipsSize(40 * 15 + 100, 30 * 15 + 100));
    const double left = 300 * 15 + form->width() * 15 / 2.0 - (40 * 15 + 100) / 2.0;
    EXPECT_EQ(pos.x(), forms::twipsToPixels(left));

    // Near the screen's origin the window is kept at 0.
    form->move(-400, -300);
    ui.pushModal([&](QWidget& w) {
        pos = w.pos();
        dynamic_cast<editor::frmPic&>(w).imgVok_Click();
    });
    form->picPicView_Click();
    EXPECT_EQ(pos, QPoint(0, 0));
}

TEST_F(EditorTest, MediaButtonsAnswerSpaceAndEnterAndShowTheirFocus) {
    openAdd();
    form->show();
    form->activateWindow();
    for (editor::PicBox* b : {form->picSQDel, form->picSRDel}) b->show();  // as after an attach
    QApplication::processEvents();
    const QPixmap normalDel = form->picSTDel->picture();
    form->picSQDel->setFocus();
    QApplication::processEvents();
    if (!form->picSQDel->hasFocus()) GTEST_SKIP() << "no keyboard focus on this platform";
    EXPECT_EQ(form->picSQDel->picture().toImage(), form->picDHi->picture().toImage());
    form->picSRDel->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(form->picSQDel->picture().toImage(), normalDel.toImage());
    EXPECT_EQ(form->picSRDel->picture().toImage(), form->picDHi->picture().toImage());

    // picPic keeps its own look in picStack while it has the focus.
    const QImage ownPic = form->picPic->picture().toImage();
    form->picPic->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(form->picStack->picture().toImage(), ownPic);
    form->txtQ->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(form->picPic->picture().toImage(), ownPic);

    // Space opens the dialog; another key does nothing.
    form->picSQ->setFocus();
    ui.pushOpenCancel();
    QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ");
    QApplication::sendEvent(form->picSQ, &space);
    EXPECT_EQ(ui.count(wktest::CallKind::ShowOpen), 1);
    QKeyEvent x(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "x");
    QApplication::sendEvent(form->picSQ, &x);
    EXPECT_EQ(ui.count(wktest::CallKind::ShowOpen), 1);
    form->Unload();
}

// ---------------------------------------------------------------- special characters

TEST(SpecialChars, TableHoldsCapitalsBesideSmallLetters) {
    using editor::SpecialChar;
    EXPECT_EQ(SpecialChar(1, 1), QChar(0xC0));  // À
    EXPECT_EQ(SpecialChar(1, 2), QChar(0xE0));  // à
    EXPECT_EQ(SpecialChar(6, 7), QChar(0xD7));  // ×
    EXPECT_EQ(SpecialChar(6, 8), QChar(0xF7));  // ÷
    EXPECT_EQ(SpecialChar(8, 7), QChar(0xDF));  // ß
    EXPECT_EQ(SpecialChar(8, 8), QChar(0xFF));  // ÿ
    EXPECT_TRUE(SpecialChar(9, 1).isNull());
    EXPECT_EQ(editor::CharGridHeight(0), 2500);
    EXPECT_EQ(editor::CharGridHeight(5), 2500);
    EXPECT_EQ(editor::CharGridHeight(8), 1550);
    EXPECT_EQ(editor::CharGridHeight(9), 1250);
}

TEST_F(EditorTest, CharacterGridOpensUnderItsBoxAndAppends) {
    openAdd();
    form->show();
    form->txtA_DblClick(8);
    ASSERT_FALSE(form->vb->isHidden());
    EXPECT_EQ(form->UmlautZiel, form->txtA(8));
    EXPECT_EQ(form->vb->height(), forms::twipsToPixels(1550));
    EXPECT_EQ(form->vb->y(), form->txtA(8)->y() + form->txtA(8)->height());
    EXPECT_EQ(form->vb->Rows(), 8);
    EXPECT_EQ(form->vb->Columns(), 8);
    EXPECT_EQ(form->vb->SelectedRow(), 1);
    EXPECT_EQ(form->vb->SelectedColumn(), 1);
    EXPECT_EQ(form->vb->CellText(6, 8), QString(QChar(0xF7)));

    form->vb->hide();
    form->txtQ->setText("ab");
    form->txtQ->setCursorPosition(0);
    form->txtQ_DblClick();
    EXPECT_GE(form->vb->height(), forms::twipsToPixels(2500));
    // All eight rows are seen whole; none hides behind a scroll bar.
    QApplication::processEvents();
    QTableView* view = form->vb->view();
    EXPECT_LE(view->rowViewportPosition(7) + view->rowHeight(7), view->viewport()->height());
    EXPECT_EQ(view->rowViewportPosition(0), 0);
    form->vb_DblClick(1, 1);
    form->vb->SetSelectedColumn(2);
    int enter = 13;
    wktest::ReaderRunning reader;
    QApplication::setActiveWindow(form.get());
    view->setFocus();
    wktest::ReaderLog log;
    form->vb_KeyPress(enter);
    EXPECT_EQ(form->txtQ->text(), QString("ab") + QChar(0xC0) + QChar(0xE0));
    EXPECT_FALSE(form->vb->isHidden());
    // Heard on the sign, where the keys are, until another is current.
    EXPECT_EQ(log.carried(), QStringList{"described: cell 'à': Question: " + form->txtQ->text()});
    QAccessibleTableInterface* signs = QAccessible::queryAccessibleInterface(view)->tableInterface();
    EXPECT_EQ(signs->cellAt(0, 0)->text(QAccessible::Description), "");  // nor on the one beside
    form->vb->SetSelectedColumn(3);
    form->vb->SetSelectedColumn(2);  // and back
    EXPECT_EQ(signs->cellAt(0, 1)->text(QAccessible::Description), "");

    int esc = 27;
    form->vb_KeyPress(esc);
    EXPECT_TRUE(form->vb->isHidden());
    EXPECT_EQ(form->txtQ->cursorPosition(), 4);
    EXPECT_EQ(form->focusWidget(), form->txtQ);
    form->Unload();
}

TEST_F(EditorTest, ShiftHeldBlocksTheGrid) {
    openAdd();
    form->show();
    auto dblClick = [&](QWidget* w, Qt::KeyboardModifiers mods) {
        QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)),
                        Qt::LeftButton, Qt::LeftButton, mods);
        QApplication::sendEvent(w, &dbl);
    };
    dblClick(form->txtQ, Qt::ShiftModifier);
    EXPECT_TRUE(form->vb->isHidden());
    dblClick(form->txtA(3), Qt::ShiftModifier);
    EXPECT_TRUE(form->vb->isHidden());

    // Shift goes down in the question box and up elsewhere (Shift+Tab out):
    // nothing of it stays behind.
    QKeyEvent shiftDown(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier);
    QApplication::sendEvent(form->txtQ, &shiftDown);
    QKeyEvent backtab(QEvent::KeyPress, Qt::Key_Backtab, Qt::ShiftModifier);
    QApplication::sendEvent(form->txtQ, &backtab);
    QKeyEvent shiftUp(QEvent::KeyRelease, Qt::Key_Shift, Qt::NoModifier);
    QApplication::sendEvent(form->cboThema, &shiftUp);
    dblClick(form->txtQ, Qt::NoModifier);
    EXPECT_FALSE(form->vb->isHidden());
    EXPECT_EQ(form->UmlautZiel, form->txtQ);
    form->vb->hide();
    int s = 'S';
    form->txtA_KeyUp(3, s, 2);  // Ctrl+S
    EXPECT_FALSE(form->vb->isHidden());
    EXPECT_EQ(form->UmlautZiel, form->txtA(3));
    form->Unload();
}

TEST_F(EditorTest, ShortcutsSendSpanishCharacters) {
    openAdd();
    const struct {
        int key, shift;
        QString sent;
    } cases[] = {{'N', 2, "ñ"}, {'N', 3, "Ñ"}, {'C', 3, "Ç"}, {'1', 3, "¡"}, {219, 3, "¿"},
                 {'C', 2, ""},  {'N', 6, ""},  {'N', 0, ""},  {'N', 1, ""}};
    for (const auto& c : cases) {
        ui.clearCalls();
        int k = c.key;
        form->txtA_KeyUp(2, k, c.shift);
        if (c.sent.isEmpty()) {
            EXPECT_EQ(ui.count(wktest::CallKind::SendKeys), 0) << c.key << " " << c.shift;
        } else {
            ASSERT_EQ(ui.count(wktest::CallKind::SendKeys), 1) << c.key << " " << c.shift;
            EXPECT_EQ(ui.last(wktest::CallKind::SendKeys).keys, c.sent);
        }
    }
}

TEST_F(EditorTest, SentCharacterArrivesAtTheCaret) {
    openAdd();
    form->show();
    form->activateWindow();
    ui.setDeliverKeys(true);
    form->txtQ->setFocus();
    form->txtQ->setText("mao");
    form->txtQ->setCursorPosition(2);
    QApplication::processEvents();
    int n = 'N';
    form->txtQ_KeyUp(n, 2);
    QApplication::processEvents();
    if (QApplication::focusWidget() != form->txtQ) GTEST_SKIP() << "no keyboard focus on this platform";
    EXPECT_EQ(form->txtQ->text(), "maño");
    form->Unload();
}

TEST_F(EditorTest, EditModePickStoresTheAnswer) {
    storeItem("Ecke", {"corner", "angle"});
    reopen();
    buildGrid({"Q", "A1", "A2"});
    host.rs->SetAbsolutePosition(0);
    host.vg.SetSelectedRow(1);
    form->NEWVOK = false;
    form->Load();
    form->txtA_DblClick(2);
    form->vb_DblClick(2, 8);  // ç
    EXPECT_EQ(host.rs->Value("A2").toString(), QString("angle") + QChar(0xE7));
    EXPECT_EQ(host.vg.CellText(1, host.vg.ColumnIndex("A2")), QString("angle") + QChar(0xE7));
}

TEST_F(EditorTest, CharacterGridTakesRealKeysAndDoubleClicks) {
    openAdd();
    form->show();
    form->activateWindow();
    QApplication::processEvents();
    form->txtA(2)->setText("ma");
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(5, 5), form->txtA(2)->mapToGlobal(QPointF(5, 5)),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form->txtA(2), &dbl);
    ASSERT_FALSE(form->vb->isHidden());
    if (!form->vb->view()->hasFocus()) GTEST_SKIP() << "no keyboard focus on this platform";
    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QApplication::sendEvent(form->vb->view(), &right);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
    QApplication::sendEvent(form->vb->view(), &enter);
    EXPECT_EQ(form->txtA(2)->text(), QString("ma") + QChar(0xE0));
    QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ");
    QApplication::sendEvent(form->vb->view(), &space);
    EXPECT_EQ(form->txtA(2)->text(), QString("ma") + QChar(0xE0) + QChar(0xE0));
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, "\x1b");
    QApplication::sendEvent(form->vb->view(), &esc);
    QApplication::processEvents();
    EXPECT_TRUE(form->vb->isHidden());
    EXPECT_TRUE(form->isLoaded());  // Esc in the grid does not close the editor
    EXPECT_EQ(form->focusWidget(), form->txtA(2));
    form->Unload();
}

TEST_F(EditorTest, FirstActivationPutsTheFocusInTheQuestion) {
    openAdd();
    EXPECT_TRUE(form->bErsteAktivierung);
    form->show();
    form->activateWindow();
    QApplication::processEvents();
    if (!form->isActiveWindow()) GTEST_SKIP() << "no window activation on this platform";
    EXPECT_FALSE(form->bErsteAktivierung);
    EXPECT_EQ(form->focusWidget(), form->txtQ);
    form->Unload();
}

TEST_F(EditorTest, EditModePlaysTheQuestionSoundWhateverTheOption) {
    storeItem("Glocke", {"bell"});
    reopen();
    {
        auto r = host.db->OpenRecordset("VOK");
        r->Edit();
        r->SetValue("Sound", QByteArray("RIFF-bell"));
        r->Update();
    }
    modMedia::ShowSoundOption = [] { return QVariant(0); };
    openEdit(0);
    EXPECT_FALSE(form->picSQPlay->isHidden());
    EXPECT_TRUE(form->picSTPlay->isHidden());
    const QDir temp(modMain::GetTempPath());
    const int before = int(temp.entryList(QDir::Files).size());
    form->picSQPlay_Click();
    const QStringList after = QDir(modMain::GetTempPath()).entryList(QDir::Files);
    ASSERT_EQ(int(after.size()), before + 1);  // the stored sound went to a file to be played
    form->picSTPlay_Click();                   // no tip sound: nothing is played
    EXPECT_EQ(QDir(modMain::GetTempPath()).entryList(QDir::Files).size(), after.size());
    modMedia::ShowSoundOption = nullptr;
    EXPECT_EQ(ui.count(wktest::CallKind::MsgBox), 0);
}
