// Sound recording for the current item and for every marked item, with the
// media layer's recorder (no device here) and with an injected one.
#include "GridOptionsFixture.h"

#include <unistd.h>
#include <QAudioDevice>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QMediaDevices>
#include <QPushButton>

#include "../support/QtPrinters.h"
#include "../support/ScriptedInteraction.h"
#include "core/modMedia.h"
#include "overview/frmMultipleRecording.h"
#include "overview/modRecording.h"

using overview::DialogsHost;

namespace {

// What the injected recorders did, and the takes they save, in order.
struct RecorderScript {
    std::vector<QByteArray> takes;
    QStringList events;
    QByteArray fileAtOpen;
    int made = 0;
    size_t next = 0;
};

class FakeRecorder : public overview::SoundRecorder {
public:
    explicit FakeRecorder(RecorderScript& s) : s_(s) { ++s_.made; }
    bool Open(const QString& path) override {
        path_ = path;
        s_.events << "Open " + QFileInfo(path).fileName();
        QFile f(path);
        if (f.open(QIODevice::ReadOnly)) s_.fileAtOpen = f.readAll();
        return true;
    }
    bool Record() override {
        s_.events << "Record";
        return true;
    }
    void Stop() override { s_.events << "Stop"; }
    bool Save() override {
        s_.events << "Save";
        QFile f(path_);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
        f.write(s_.next < s_.takes.size() ? s_.takes[s_.next++] : QByteArray());
        return true;
    }
    void Close() override { s_.events << "Close"; }
    int ErrorNumber() const override { return 0; }
    QString ErrorString() const override { return {}; }

private:
    RecorderScript& s_;
    QString path_;
};

QByteArray everyByte() {
    QByteArray b;
    for (int r = 0; r < 3; ++r)
        for (int i = 0; i < 256; ++i) b.append(char(i));
    return b;
}

class RecordingTest : public dialogstest::DialogsTest {
protected:
    RecorderScript script;

    void SetUp() override {
        DialogsTest::SetUp();
        ASSERT_TRUE(modMedia::InstallDefaultSounds());
        QFile::remove(overview::RecordingFilePath());
        addItem("Apfel", "apple", true);
        addItem("Baum", QVariant(), false, "OLD SOUND");
        addItem("Zebra", QVariant(), true);
        openItems();
    }
    void TearDown() override {
        overview::MakeSoundRecorder = nullptr;
        DialogsTest::TearDown();
    }
    void inject() {
        overview::MakeSoundRecorder = [this] { return std::make_unique<FakeRecorder>(script); };
    }
    QByteArray soundOf(const QString& q) {
        auto rs = db->OpenRecordset("VOK");
        while (!rs->Eof()) {
            if (rs->Value("Q").toString() == q) return rs->Value("Sound").toByteArray();
            rs->MoveNext();
        }
        ADD_FAILURE() << "no item " << q.toStdString();
        return {};
    }
    void selectRow(long row) {
        host.grid.SetSelectedRow(row);
        host.vg1_SelectionChange(row, 3);
    }
    QStringList pictures() const {
        QStringList l;
        for (const auto& b : host.buttons)
            l << QString("%1:%2:%3").arg(int(b.button)).arg(b.enabled).arg(b.picture);
        return l;
    }
};

TEST_F(RecordingTest, TheWarningHasItsSevenLines) {
    EXPECT_EQ(overview::RecordingErrorMessage(),
              "An error occurred during recording. This may have the following reasons:\r"
              "- You have started another program using the same sound resources\r"
              "- You changed the settings for the microphone\r"
              "- You changed any settings in the Master Volume panel\r\r"
              "Please restart the program to continue recording sounds.\r"
              "Please change all settings before starting the program again and then avoid\r"
              "using other programs using sound resources.");
}

TEST_F(RecordingTest, WithoutASelectedRowTheButtonsAreSwitchedOffAndNothingIsRecorded) {
    inject();
    wktest::ScriptedUi ui;
    overview::SingleItemRecording rec(host);
    host.grid.SetSelectedRow(0);
    rec.cmdOverview1_Record_Click();
    EXPECT_EQ(pictures(), (QStringList{"0:0:Recordd", "1:0:ImportSoundd", "2:0:ImportPicd"}));
    EXPECT_EQ(script.made, 0);
    EXPECT_FALSE(rec.IsRecording());
}

TEST_F(RecordingTest, WithoutADeviceTheUserIsWarnedAndTheSoundStays) {
    if (!QMediaDevices::defaultAudioInput().isNull()) GTEST_SKIP() << "this machine has a recording device";
    wktest::ScriptedUi ui;
    overview::SingleItemRecording rec(host);
    selectRow(1);  // Apfel, rows in question order
    selectRow(2);  // Baum, which has a sound
    ui.pushMsgBox(forms::vbOK);
    rec.cmdOverview1_Record_Click();
    ASSERT_EQ(ui.count(wktest::CallKind::MsgBox), 1);
    EXPECT_EQ(ui.last(wktest::CallKind::MsgBox).title, "Record");
    EXPECT_FALSE(ui.last(wktest::CallKind::MsgBox).prompt.isEmpty());
    EXPECT_TRUE(rec.IsRecording());

    ui.pushMsgBox(forms::vbOK);
    rec.cmdOverview1_Record_Click();
    const auto& m = ui.last(wktest::CallKind::MsgBox);
    EXPECT_EQ(m.prompt, overview::RecordingErrorMessage());
    EXPECT_EQ(m.style, forms::vbCritical);
    EXPECT_EQ(m.title, "Warning:");
    EXPECT_EQ(soundOf("Baum"), QByteArray("OLD SOUND"));
    EXPECT_FALSE(QFile::exists(overview::RecordingFilePath()));
    EXPECT_FALSE(rec.IsRecording());
    EXPECT_EQ(pictures(), (QStringList{"0:1:Stop", "0:1:Recorde"}));
}

TEST_F(RecordingTest, TwoClicksStoreTheTakeByteForByteIntoTheItemCurrentAtTheFirst) {
    inject();
    script.takes = {everyByte()};
    wktest::ScriptedUi ui;
    overview::SingleItemRecording rec(host);
    selectRow(1);
    rec.cmdOverview1_Record_Click();
    EXPECT_TRUE(rec.IsRecording());
    // The device worked on a fresh copy of the template.
    QFile tpl(overview::RecordingTemplatePath());
    ASSERT_TRUE(tpl.open(QIODevice::ReadOnly));
    EXPECT_EQ(script.fileAtOpen, tpl.readAll());
    EXPECT_FALSE(script.fileAtOpen.isEmpty());

    // The user moves on before stopping: the sound still goes to the item
    // the recording was started for, and the selected item stays current.
    selectRow(3);
    const int zebraIcon = host.grid.CellIcon(3, 1);
    rec.cmdOverview1_Record_Click();
    EXPECT_FALSE(rec.IsRecording());
    EXPECT_EQ(ui.count(wktest::CallKind::MsgBox), 0);
    EXPECT_EQ(soundOf("Apfel"), everyByte());
    EXPECT_TRUE(soundOf("Zebra").isEmpty());
    EXPECT_EQ(script.events, (QStringList{"Open NewVok.wav", "Record", "Stop", "Save", "Close"}));
    EXPECT_FALSE(QFile::exists(overview::RecordingFilePath()));
    // Apfel is marked and now has a sound; Zebra's row keeps its icon.
    EXPECT_EQ(host.grid.CellIcon(1, 1), host.images.ItemIndex("CheckedSound"));
    EXPECT_EQ(host.grid.CellIcon(3, 1), zebraIcon);
    EXPECT_EQ(host.items->Value("Q").toString(), "Zebra");
    EXPECT_EQ(pictures(), (QStringList{"0:1:Stop", "0:1:Recorde"}));
}

TEST_F(RecordingTest, ATakeForAnItemDeletedMeanwhileIsDropped) {
    inject();
    script.takes = {QByteArray("take")};
    wktest::ScriptedUi ui;
    overview::SingleItemRecording rec(host);
    selectRow(1);
    rec.cmdOverview1_Record_Click();
    host.items->Delete();
    selectRow(3);
    rec.cmdOverview1_Record_Click();
    EXPECT_FALSE(rec.IsRecording());
    EXPECT_EQ(ui.count(wktest::CallKind::MsgBox), 0);
    EXPECT_TRUE(soundOf("Zebra").isEmpty());
    EXPECT_FALSE(QFile::exists(overview::RecordingFilePath()));
}

TEST_F(RecordingTest, AnEmptyTakeIsWarnedAboutAndStoresNothing) {
    inject();
    script.takes = {QByteArray()};
    wktest::ScriptedUi ui;
    overview::SingleItemRecording rec(host);
    selectRow(2);
    const int icon = host.grid.CellIcon(2, 1);
    rec.cmdOverview1_Record_Click();
    ui.pushMsgBox(forms::vbOK);
    rec.cmdOverview1_Record_Click();
    EXPECT_EQ(ui.last(wktest::CallKind::MsgBox).prompt, overview::RecordingErrorMessage());
    EXPECT_EQ(soundOf("Baum"), QByteArray("OLD SOUND"));
    EXPECT_EQ(host.grid.CellIcon(2, 1), icon);
}

// A stored take leaves no file behind, and deletes none it did not make.
TEST_F(RecordingTest, OnlyTheTakeIsDeletedFromTheProgramFolder) {
    inject();
    script.takes = {QByteArray("RIFF....")};
    const QString mine = modMain::ProgramFolder() + "/notes.tmp";
    QFile f(mine);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("keep me");
    f.close();
    wktest::ScriptedUi ui;
    overview::SingleItemRecording rec(host);
    selectRow(1);
    rec.cmdOverview1_Record_Click();
    rec.cmdOverview1_Record_Click();
    EXPECT_EQ(soundOf("Apfel"), QByteArray("RIFF...."));
    EXPECT_FALSE(QFile::exists(overview::RecordingFilePath()));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << "a file of the user's was deleted";
    EXPECT_EQ(f.readAll(), QByteArray("keep me"));
}

// Without a template nothing is recorded; nor with one that is a link to the
// open database: opening it would drop the database's locks.
TEST_F(RecordingTest, WithoutATemplateOfItsOwnNothingIsRecorded) {
    inject();
    const QString tpl = overview::RecordingTemplatePath();
    for (const bool linkToDatabase : {false, true}) {
        SCOPED_TRACE(linkToDatabase ? "a link to the open database" : "no template");
        QFile::remove(tpl);
        if (linkToDatabase) {
            ASSERT_EQ(::link(QFile::encodeName(db->Name()).constData(), QFile::encodeName(tpl).constData()),
                      0);
        }
        wktest::ScriptedUi ui;
        overview::SingleItemRecording rec(host);
        selectRow(1);
        ui.pushMsgBox(forms::vbOK);
        rec.cmdOverview1_Record_Click();
        EXPECT_TRUE(ui.last(wktest::CallKind::MsgBox).prompt.contains("Vok.dat"));
        EXPECT_FALSE(rec.IsRecording());
        EXPECT_TRUE(script.events.isEmpty());
        EXPECT_TRUE(host.buttons.empty());
        EXPECT_FALSE(QFile::exists(overview::RecordingFilePath()));
    }
    QFile::remove(tpl);
    ASSERT_TRUE(modMedia::InstallDefaultSounds());
}

TEST_F(RecordingTest, LosingTheSelectionWhileRecordingDropsTheTake) {
    inject();
    script.takes = {QByteArray("take")};
    wktest::ScriptedUi ui;
    overview::SingleItemRecording rec(host);
    selectRow(1);
    rec.cmdOverview1_Record_Click();
    host.grid.SetSelectedRow(0);
    rec.cmdOverview1_Record_Click();
    EXPECT_FALSE(rec.IsRecording());
    EXPECT_EQ(script.events.last(), "Close");
    EXPECT_FALSE(QFile::exists(overview::RecordingFilePath()));
    EXPECT_TRUE(soundOf("Apfel").isEmpty());
}

TEST_F(RecordingTest, TheDialogRecordsEveryMarkedItemInRecordOrder) {
    inject();
    script.takes = {QByteArray("first take"), QByteArray("second take")};
    wktest::ScriptedUi ui;
    overview::frmMultipleRecording f(host);
    f.Form_Load();
    EXPECT_EQ(f.lblBSay->text(), "Sound for the question :");
    EXPECT_EQ(f.cmdOK->text(), "&Next >>");
    QStringList shown;
    f.whileRecording = [&](overview::frmMultipleRecording& d) {
        shown << d.lblB->text() + "|" + d.lblA->text();
        // The item's own texts, never taken for markup.
        EXPECT_EQ(d.lblB->textFormat(), Qt::PlainText);
        EXPECT_EQ(d.lblA->textFormat(), Qt::PlainText);
        EXPECT_TRUE(d.bRecordingItem);
        EXPECT_FALSE(d.sRec->isHidden());
        d.cmdOK_Click();
    };
    f.Form_Activate();
    EXPECT_EQ(shown, (QStringList{"Apfel|apple", "Zebra|"}));
    EXPECT_EQ(soundOf("Apfel"), QByteArray("first take"));
    EXPECT_EQ(soundOf("Baum"), QByteArray("OLD SOUND"));
    EXPECT_EQ(soundOf("Zebra"), QByteArray("second take"));
    EXPECT_EQ(f.storedCount(), 2);
    EXPECT_TRUE(f.unloaded());
    EXPECT_TRUE(f.sRec->isHidden());
    EXPECT_EQ(ui.count(wktest::CallKind::MsgBox), 0);
}

TEST_F(RecordingTest, TheMenuShowsTheDialogModallyAndItRunsWhenShown) {
    inject();
    script.takes = {QByteArray("a"), QByteArray("z")};
    wktest::ScriptedUi ui;
    ui.pushModal([&](QWidget& w) {
        auto& d = dynamic_cast<overview::frmMultipleRecording&>(w);
        EXPECT_EQ(d.cmdAbbrechen->text(), "&Cancel");
        d.whileRecording = [](overview::frmMultipleRecording& r) { r.cmdOK_Click(); };
        d.Form_Activate();
        EXPECT_TRUE(d.unloaded());
    });
    overview::ShowMultipleRecording(host);
    EXPECT_EQ(soundOf("Apfel"), QByteArray("a"));
    EXPECT_EQ(soundOf("Zebra"), QByteArray("z"));
}

TEST_F(RecordingTest, CancelInTheDialogDropsTheTakeAndRecordsNoMore) {
    inject();
    script.takes = {QByteArray("first take"), QByteArray("second take")};
    wktest::ScriptedUi ui;
    overview::frmMultipleRecording f(host);
    f.Form_Load();
    int asked = 0;
    f.whileRecording = [&](overview::frmMultipleRecording& d) {
        ++asked;
        d.cmdAbbrechen_Click();
    };
    f.Form_Activate();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(script.made, 1);
    EXPECT_TRUE(soundOf("Apfel").isEmpty());
    EXPECT_TRUE(soundOf("Zebra").isEmpty());
    EXPECT_FALSE(QFile::exists(overview::RecordingFilePath()));
    EXPECT_TRUE(f.unloaded());
}

}  // namespace
