// The message table, the language switch and the error report.
#include <gtest/gtest.h>

#include <QSet>
#include <QTemporaryDir>
#include <climits>
#include <cstdio>

#include "core/MessageTable.h"
#include "core/RunState.h"
#include "core/modMain.h"
#include "platform/Error.h"
#include "platform/dao/Dao.h"
#include "support/ScriptedInteraction.h"

using modMain::GetText;
using modMain::MessageTable;
using modMain::SetLanguage;
using modMain::ShowError;
using wktest::CallKind;
using wktest::InteractionCall;

namespace {

QList<qint32> expectedIds() {
    const int ranges[][2] = {
        {1, 7},       {9, 24},      {26, 31},     {35, 42},     {45, 46},     {49, 56},     {58, 69},
        {76, 78},     {80, 90},     {92, 119},    {121, 137},   {139, 161},   {163, 165},   {167, 181},
        {183, 188},   {190, 190},   {197, 201},   {204, 212},   {215, 216},   {221, 229},   {234, 246},
        {250, 258},   {260, 263},   {270, 273},   {275, 278},   {280, 280},   {290, 297},   {300, 302},
        {320, 322},   {324, 325},   {350, 354},   {370, 371},   {375, 381},   {390, 391},   {420, 420},
        {430, 430},   {440, 440},   {450, 451},   {460, 498},   {550, 575},   {580, 582},   {585, 587},
        {590, 597},   {600, 611},   {615, 648},   {650, 659},   {660, 668},   {670, 671},   {675, 697},
        {700, 702},   {705, 711},   {720, 721},   {750, 753},   {800, 809},   {5001, 5002}, {5009, 5012},
        {5015, 5017}, {5020, 5026}, {5030, 5031}, {5035, 5035}, {5040, 5041}, {5045, 5055}, {5060, 5060},
        {5070, 5084}, {5090, 5092}, {5100, 5100},
    };
    QList<qint32> ids;
    for (const auto& r : ranges)
        for (int id = r[0]; id <= r[1]; ++id) ids.append(id);
    return ids;
}

class Language : public ::testing::Test {
protected:
    void SetUp() override { modMain::TextBasis = 0; }
    void TearDown() override {
        modMain::TextBasis = 0;
        modMain::CloseUserWorkspace = nullptr;
    }
    wktest::ScriptedUi ui;
    InteractionCall box(size_t i) const { return ui.calls(CallKind::MsgBox).at(i); }
};

QString de(qint32 id) {
    modMain::TextBasis = 10000;
    return GetText(id);
}
QString en(qint32 id) {
    modMain::TextBasis = 20000;
    return GetText(id);
}

}  // namespace

TEST(MessageTable, HoldsExactlyTheListedIdsInBothLanguages) {
    const QList<qint32> ids = expectedIds();
    ASSERT_EQ(ids.size(), 510);
    QSet<qint32> expected;
    for (qint32 id : ids) expected << id + 10000 << id + 20000;

    const MessageTable& t = MessageTable::instance();
    const QList<qint32> keys = t.keys();
    EXPECT_EQ(t.size(), 1020);
    EXPECT_EQ(QSet<qint32>(keys.begin(), keys.end()), expected);
    for (qint32 key : keys) {
        EXPECT_FALSE(t.text(key).isEmpty()) << key;
        EXPECT_FALSE(t.text(key).contains(u'{')) << key << " keeps a placeholder";
    }
}

// Texts other parts of the program rely on, word for word.
TEST_F(Language, QuotedTextsMatchWordForWord) {
    struct Q {
        qint32 id;
        const char* de;
        const char* en;
    };
    const Q quoted[] = {
        {2, "Benutzer:", "User:"},
        {4, "&Weiter >>", "&Start >>"},
        {6, "Fehlerquotient: ", "Rate of mistake: "},
        {16, "&Speichern", "&Save"},
        {35, "- Keine Datenbank geöffnet -", "- No database selected -"},
        {37, "Vokabeldatenbank (*.wkd)|*.wkd", "Vocabulary database (*.wkd)|*.wkd"},
        {38, "Es besteht bereits eine Datei mit dem Namen ", "There is already a file named "},
        {40, "Hinweis:", "Warning:"},
        {49, "Datenbank wird komprimiert, bitte haben Sie einen Augenblick Geduld.",
         "Compressing database, please don't interrupt this process..."},
        {50, "Begriff/Frage", "Word/Question"},
        {56, "Fehlerquote", "Rate of Mistake"},
        {69, "9. Antwort", "9. Answer"},
        {78, "Dieses Feld darf kein ' enthalten !", "This field must not contain an ' !"},
        {87, "Andere", "Other"},
        {89, "Dieses Feld darf maximal 50 Zeichen lang sein !", "Maximum length of this field is 50 !"},
        {103, "De&markieren", "Un&check"},
        {119, "Bilddatei (*.jpg, *.bmp, *.gif)|*.jpg;*.bmp;*.gif",
         "Picture (*.jpg, *.bmp, *.gif)|*.jpg;*.bmp;*.gif"},
        {135, "Wortliste aus der Datenbank ", "Wordlist of the database "},
        {136, " Wörter", " Words"},
        {152, "               mal Gewusste nicht nochmal abfragen",
         "               times known items left out"},
        {180, "Versuch ", "Try "},
        {181, " von ", " of "},
        {204, " verknüpfen", " "},
        {205, "&Datenbankendung *.wkd mit ", "R&egister *.wkd with "},
        {258, "Folgende Fragen sollten noch einmal bearbeitet werden :",
         "The following questions should be revised :"},
        {276, "Der Begriff/die Frage ", "The word/question "},
        {277, " existiert schon mit folgender Antwort:", " already exists and has the following answer:"},
        {322, "Zeilenumbruch im Feld ", "Wordbreak in field "},
        {351, "Sonstige", "Other"},
        {420, "Bitte einen numerischen Wert >=6 eingeben !", "Please enter a numeric value >= 6 !"},
        {460, "Wortkiste beenden", "Exit Wortkiste"},
        {485, "(F3 oder Strg-F)", "(F3 or Ctrl-F)"},
        {489, "(Strg-R)", "(Strg-R)"},
        {565, "&Sound vor Abfrage :", "&Sound before asking :"},
        {572, "Bitte einen numerischen Wert >=0 eingeben!", "Please enter a numeric value >=0 !"},
        {592, "Achtung:", "Caution:"},
        {621, " Frage wurde importiert.", " question was added."},
        {651, "&Uuml;bersicht der Vokabeldatenbank", "Overview of"},
        {683, " Abfrage, davon ", " question, of which "},
        {686, " richtig", " were right"},
        {697, " ", " "},
        {700, "P&unkte bewerten", "Ma&ke a judgement"},
        {710, "Für diese Frage ist leider kein Tipp eingegeben worden",
         "No clue was entered for this question"},
        {751, " ist bereits in der Datenbank vorhanden.", " already exists in the database."},
        {809, "Bitte wählen Sie links die Optionen aus, die Sie bearbeiten möchten.",
         "Please choose the options you want to modify."},
        {5001, "Achtung:", "Warning:"},
        {5002, "Fehler ", "Error "},
        {5016, " erstellt, Sie benutzen aber nur Version ", ", but you're using version "},
        {5030, "Feld muss numerisch sein !", "Field must be numeric !"},
        {5035, "Mit den momentanen Abfrageoptionen werden keine Begriffe ausgewählt.",
         "With the current settings no words are selected."},
        {5047, " Fragen löschen wollen ?", " questions ?"},
        {5054,
         "Bitte ändern Sie die Anzeige-Eigenschaft Ihres PCs dementsprechend ab (mindestens \"High Color (16 "
         "Bit)\").",
         "Please change the display properties of your computer to display at least \"High Color (16 "
         "bit)\"."},
        {5055, "Wortkiste kann nicht zweimal gestartet werden", "Wortkiste is already running"},
        {5060, "Aus dieser Datenbank kann nicht importiert werden.", "Sorry, import not possible."},
    };
    for (const Q& q : quoted) {
        EXPECT_EQ(de(q.id), QString::fromUtf8(q.de)) << q.id;
        EXPECT_EQ(en(q.id), QString::fromUtf8(q.en)) << q.id;
    }
    // Quoted in one language only.
    EXPECT_EQ(
        en(620),
        "This database was created with an old version of Wortkiste. Please open the database in Wortkiste "
        "(this will cause an update) and then re-import it.");
    EXPECT_EQ(en(5020), "An error occurred during recording. This may have the following reasons:");
    EXPECT_EQ(en(606), "Import questions from existing databases");
    EXPECT_EQ(en(13), "User 3:");
}

TEST_F(Language, MakerAddressesComeFromTheBuild) {
    const QString mail = QStringLiteral(WK_MAKER_MAIL);
    const QString web = QStringLiteral(WK_MAKER_WEB);
    EXPECT_EQ(de(5009),
              "Helfen Sie mit, das Programm zu verbessern und senden Sie diese Fehlermeldung an \"" + mail +
                  "\" !");
    EXPECT_EQ(en(5009),
              "Please help improve this program by sending this error-message to \"" + mail + "\" !");
    for (qint32 id : {301, 5017}) {
        EXPECT_TRUE(de(id).contains(web)) << id;
        EXPECT_TRUE(en(id).contains(web)) << id;
    }
    EXPECT_TRUE(en(302).contains(mail));
}

TEST(MessageTableFormat, KeepsBlanksAndEscapedControlCharacters) {
    const MessageTable t = MessageTable::parse(
        "# comment\n"
        "10001\t  lead and trail  \n"
        "\n"
        "10002\ta\\tb\\rc\\nd\\\\e\n"
        "10003\tsite {WEB} mail {MAIL}\n"
        "10004\t\n");
    EXPECT_EQ(t.size(), 4);
    EXPECT_EQ(t.text(10001), "  lead and trail  ");
    EXPECT_EQ(t.text(10002), "a\tb\rc\nd\\e");
    EXPECT_EQ(t.text(10003), QStringLiteral("site " WK_MAKER_WEB " mail " WK_MAKER_MAIL));
    EXPECT_EQ(t.text(10004), "");
}

TEST(MessageTableFormat, RejectsDamagedTables) {
    for (const char* bad : {"10001\tdup\n10001\tdup again\n", "10001\tbad \\x escape\n",
                            "10001\tends in \\\n", "no key here\n", "\tno key\n"}) {
        try {
            MessageTable::parse(bad);
            ADD_FAILURE() << bad;
        } catch (const wk::Error& e) {
            EXPECT_EQ(e.number(), wk::err::ResourceNotFound) << bad;
        }
    }
    try {
        MessageTable::parse("10001\tx\n").text(10002);
        ADD_FAILURE();
    } catch (const wk::Error& e) {
        EXPECT_EQ(e.number(), wk::err::ResourceNotFound);
    }
}

TEST_F(Language, FirstLookupSettlesOnEnglish) {
    ASSERT_EQ(modMain::TextBasis, 0);
    EXPECT_EQ(GetText(5055), "Wortkiste is already running");
    EXPECT_EQ(modMain::TextBasis, 20000);
    EXPECT_EQ(runstate::TextBasis, 20000);  // the run state sees the same variable
    EXPECT_EQ(GetText(87), "Other");
}

TEST_F(Language, SetLanguageSwitchesLaterLookups) {
    SetLanguage(0);
    EXPECT_EQ(modMain::TextBasis, 10000);
    EXPECT_EQ(GetText(87), "Andere");
    SetLanguage(1);
    EXPECT_EQ(modMain::TextBasis, 20000);
    EXPECT_EQ(GetText(87), "Other");
    EXPECT_EQ(ui.count(CallKind::MsgBox), 0);
}

TEST_F(Language, MissingIdRaisesResourceNotFound) {
    for (qint32 id : {8, 0, 25, 810, 5000, 5061, 10087}) {
        try {
            GetText(id);
            ADD_FAILURE() << id;
        } catch (const wk::Error& e) {
            EXPECT_EQ(e.number(), wk::err::ResourceNotFound) << id;
        }
    }
    // A negative id may land on another language's key, as the key is a plain sum.
    SetLanguage(1);
    EXPECT_EQ(GetText(87 - 10000), "Andere");
}

TEST_F(Language, KeyOverflowRaisesOverflow) {
    SetLanguage(1);
    try {
        GetText(INT_MAX - 100);
        ADD_FAILURE();
    } catch (const wk::Error& e) {
        EXPECT_EQ(e.number(), wk::err::Overflow);
    }
}

TEST_F(Language, UnknownLanguageIsFatal) {
    SetLanguage(0);
    ui.pushMsgBox(forms::vbOK);
    ui.pushMsgBox(forms::vbOK);
    std::vector<std::string> order;
    modMain::CloseUserWorkspace = [&] {
        order.push_back("close");
        EXPECT_EQ(ui.count(CallKind::EndProgram), 0);  // closed before the program ends
    };
    EXPECT_THROW(SetLanguage(2), forms::ProgramEnded);
    ASSERT_EQ(ui.count(CallKind::MsgBox), 1);
    EXPECT_EQ(box(0).prompt, "Unknown Language-ID: 2");
    EXPECT_EQ(box(0).title, "Fatal error:");
    EXPECT_EQ(box(0).style, forms::vbCritical | forms::vbOKOnly);
    EXPECT_EQ(order, std::vector<std::string>{"close"});
    EXPECT_EQ(ui.count(CallKind::EndProgram), 1);
    EXPECT_EQ(modMain::TextBasis, 10000);

    modMain::CloseUserWorkspace = nullptr;  // no user database yet: still ends
    EXPECT_THROW(SetLanguage(-1), forms::ProgramEnded);
    EXPECT_EQ(ui.last(CallKind::MsgBox).prompt, "Unknown Language-ID: -1");
}

TEST_F(Language, ErrorReportLayoutAndTitle) {
    const QString mail = QStringLiteral(WK_MAKER_MAIL);
    ui.answerAllMsgBoxes(forms::vbOK);
    SetLanguage(1);
    ShowError(3022, "The changes were not successful.", "209");
    ASSERT_EQ(ui.count(CallKind::MsgBox), 1);
    EXPECT_EQ(box(0).title, "209");
    EXPECT_EQ(box(0).style, forms::vbCritical | forms::vbOKOnly);
    EXPECT_EQ(
        box(0).prompt,
        "Error 3022: The changes were not successful.\r\rPlease help improve this program by sending this "
        "error-message to \"" +
            mail + "\" !");
    EXPECT_FALSE(box(0).prompt.contains(u'\n'));

    ShowError(5, "", "");
    EXPECT_EQ(box(1).title, "Wortkiste");
    EXPECT_TRUE(box(1).prompt.startsWith("Error 5: \r\rPlease help"));

    SetLanguage(0);
    ShowError(-2147467259, "Unbekannter Fehler", "Ui37G");
    EXPECT_EQ(box(2).title, "Ui37G");
    EXPECT_EQ(
        box(2).prompt,
        "Fehler -2147467259: Unbekannter Fehler\r\rHelfen Sie mit, das Programm zu verbessern und senden "
        "Sie diese Fehlermeldung an \"" +
            mail + "\" !");
}

TEST_F(Language, ErrorReportBeforeAnyLanguageIsEnglish) {
    ui.pushMsgBox(forms::vbOK);
    ShowError(13, "Type mismatch", "Init0");
    ASSERT_EQ(ui.count(CallKind::MsgBox), 1);
    EXPECT_TRUE(box(0).prompt.startsWith("Error 13: Type mismatch\r\r"));
    EXPECT_EQ(modMain::TextBasis, 20000);
}

TEST_F(Language, ErrorReportTitleFollowsProductName) {
    const QString saved = runstate::ProgName;
    runstate::ProgName = "Wortkiste Test";
    ui.pushMsgBox(forms::vbOK);
    ShowError(1, "x", "");
    runstate::ProgName = saved;
    ASSERT_EQ(ui.count(CallKind::MsgBox), 1);
    EXPECT_EQ(box(0).title, "Wortkiste Test");
}

// What the layer raises for a change after another program renamed a file
// over the open one.
wk::Error changeAfterRenameOver(const QString& folder) {
    const QString open = folder + "/kurs.wkd";
    const QString other = folder + "/other.wkd";
    for (const QString& p : {open, other}) {
        auto db = dao::DBEngine::CreateDatabase(p);
        db->Execute("CREATE TABLE T (X LONG)");
        db->Close();
    }
    auto db = dao::DBEngine::OpenDatabase(open);
    db->Execute("INSERT INTO T (X) VALUES (1)");
    if (std::rename(qPrintable(other), qPrintable(open)) != 0) return wk::Error(0, "rename failed");
    try {
        db->Execute("INSERT INTO T (X) VALUES (2)");
    } catch (const wk::Error& e) {
        db->Close();
        return e;
    }
    db->Close();
    return wk::Error(0, "the change was not refused");
}

// The database layer's refusals (another program replaced the file, the disk
// is full, the name is too long) are the user's to mend, not faults to send
// to the maker: a plain box under the program's name, wherever they were
// caught. Everything else keeps the error report and its location code.
TEST_F(Language, ARefusalGetsAPlainBoxAFaultTheErrorReport) {
    const QString file = QStringLiteral("/home/anna/kurs.wkd");
    const QString journalGone = "Disk or network error. The journal of '" + file +
                                "' was removed or replaced by another program; changes saved shortly before "
                                "may be lost.";
    QTemporaryDir dir;
    const wk::Error replaced = changeAfterRenameOver(dir.path());
    ASSERT_EQ(replaced.number(), wk::err::DiskError) << replaced.description().toStdString();
    struct Case {
        qint32 number;
        QString description, location;
        bool plain;
    };
    const Case cases[] = {
        {3043, replaced.description(), "SFEV02", true},
        {3043, journalGone, "", true},
        {3026, "Not enough space on disk.", "732", true},
        {3260, dao::ErrorDescription(3260), "tr07", true},
        {3051,
         "The database engine cannot open the file '" + file + "'. Its name is too long to save changes.",
         "FF91", true},
        // The engine's own texts say nothing the user can act on.
        {3043, "Disk or network error.", "re51", false},
        {3043, "", "hga7", false},
        {3051, dao::ErrorDescription(3051).replace('|', file), "FF91", false},
        {3049, dao::ErrorDescription(3049).replace('|', file), "Ui37G", false},
        {3022, journalGone, "732", false},
    };
    ui.answerAllMsgBoxes(forms::vbOK);
    SetLanguage(0);
    for (const Case& c : cases) {
        SCOPED_TRACE(
            QStringLiteral("%1 at %2: %3").arg(c.number).arg(c.location, c.description).toStdString());
        ui.clearCalls();
        ShowError(c.number, c.description, c.location);
        ASSERT_EQ(ui.count(CallKind::MsgBox), 1);
        const InteractionCall b = box(0);
        if (c.plain) {
            EXPECT_EQ(b.prompt, c.description);
            EXPECT_EQ(b.style, forms::vbExclamation | forms::vbOKOnly);
            EXPECT_EQ(b.title, "Wortkiste");
        } else {
            EXPECT_EQ(b.prompt, GetText(5002) + QString::number(c.number) + ": " + c.description + "\r\r" +
                                    GetText(5009));
            EXPECT_EQ(b.style, forms::vbCritical | forms::vbOKOnly);
            EXPECT_EQ(b.title, c.location.isEmpty() ? "Wortkiste" : c.location);
        }
    }
}
