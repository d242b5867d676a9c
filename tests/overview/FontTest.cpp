// The font dialog and its font enumeration over a real options record.
#include "GridOptionsFixture.h"
#include "support/Access.h"

#include <QFontInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>

#include "../support/QtPrinters.h"
#include "../support/ScriptedInteraction.h"
#include "overview/frmFont.h"
#include "platform/shell/Shell.h"

using overview::frmFont;

namespace {

const QStringList Fonts{"Alpha Sans", "Beta Serif", "Gamma Mono", "Beta Serif"};

class FontTest : public dialogstest::DialogsTest {
protected:
    void SetUp() override {
        DialogsTest::SetUp();
        overview::FontFamilySource = [this](bool scalable) {
            lastScalable = scalable;
            return Fonts;
        };
    }
    void TearDown() override {
        overview::FontFamilySource = nullptr;
        DialogsTest::TearDown();
    }
    bool lastScalable = false;

    std::unique_ptr<frmFont> open(const QString& field = "SchriftartA",
                                  const QString& sizeField = "SchriftgroesseA") {
        auto f = std::make_unique<frmFont>(host.options);
        f->FieldToWriteTo = field;
        f->FieldToWriteSizeTo = sizeField;
        f->Form_Load();
        return f;
    }
    QString selected(const frmFont& f) {
        return f.lstFont->currentItem() ? f.lstFont->currentItem()->text() : "<none>";
    }
};

TEST_F(FontTest, OpensOnTheQuestionFontWhicheverGroupIsPicked) {
    setOption("Schriftart", "Beta Serif");
    setOption("Schriftgroesse", "8");
    setOption("SchriftartA", "Gamma Mono");
    setOption("SchriftgroesseA", "30");
    wktest::ScriptedUi ui;
    auto f = open();
    EXPECT_TRUE(lastScalable);  // only scalable fonts are listed
    EXPECT_EQ(f->windowTitle(), "Please select one of your 4 fonts");
    EXPECT_EQ(f->lblSize->text(), "Fontsize :");
    EXPECT_EQ(f->cmdAbbrechen->text(), "&Cancel");
    ASSERT_EQ(f->lstFont->count(), 4);  // repeats are not filtered
    EXPECT_EQ(f->sldFont->value(), 8);
    EXPECT_EQ(f->lblFontSize->text(), "8");
    EXPECT_EQ(f->Label1->font().pointSize(), 8);
    EXPECT_EQ(f->lstFont->currentRow(), 1);
    EXPECT_EQ(f->Label1->font().family(), QFont("Beta Serif").family());
    EXPECT_EQ(wktest::unnamedControls(f.get()), QStringList());
}

TEST_F(FontTest, TheFirstEntryIsSelectedLikeAnyOther) {
    setOption("Schriftart", "Alpha Sans");
    wktest::ScriptedUi ui;
    auto f = open();
    EXPECT_EQ(f->lstFont->currentRow(), 0);
}

TEST_F(FontTest, SmallMissingOrForeignSizesOpenAtSixAndLargeOnesAtTheEnd) {
    wktest::ScriptedUi ui;
    for (const auto& [value, expected] : std::vector<std::pair<QVariant, int>>{{QString("4"), 6},
                                                                               {QVariant(), 6},
                                                                               {QString("abc"), 6},
                                                                               {QString("12"), 12},
                                                                               {QString("99"), 48}}) {
        setOption("Schriftgroesse", value);
        auto f = open();
        EXPECT_EQ(f->sldFont->value(), expected) << value.toString().toStdString();
        EXPECT_EQ(f->lblFontSize->text(), QString::number(expected));
    }
}

TEST_F(FontTest, AFaceNotInstalledHereSelectsTheFaceItIsShownWith) {
    shell::SubstituteMissingFonts();
    const QString shownWith = QFontInfo(QFont("MS Sans Serif")).family();
    ASSERT_NE(shownWith, "MS Sans Serif");
    overview::FontFamilySource = [&](bool) { return QStringList{"Alpha Sans", shownWith, "Gamma Mono"}; };
    setOption("Schriftart", "MS Sans Serif");
    wktest::ScriptedUi ui;
    auto f = open("SchriftartT", "SchriftgroesseT");
    EXPECT_EQ(selected(*f), shownWith);
    f->cmdAbbrechen_Click();
    EXPECT_EQ(stored("Schriftart").toString(), "MS Sans Serif");  // the stored name stays
}

TEST_F(FontTest, AnUnlistedStoredFontLeavesNoSelectionAndOkWaitsForAChoice) {
    setOption("Schriftart", "MS Sans Serif");
    wktest::ScriptedUi ui;
    auto f = open("SchriftartT", "SchriftgroesseT");
    EXPECT_EQ(selected(*f), "<none>");
    f->cmdOK_Click();
    EXPECT_FALSE(f->unloaded());
    EXPECT_EQ(stored("SchriftartT").toString(), "MS Sans Serif");

    // A name that differs only in case is not the stored one either.
    setOption("Schriftart", "beta serif");
    auto g = open();
    EXPECT_EQ(selected(*g), "<none>");

    f->lstFont->setCurrentRow(2);
    f->sldFont->setValue(20);
    EXPECT_EQ(f->lblFontSize->text(), "20");
    EXPECT_EQ(f->Label1->font().pointSize(), 20);
    f->cmdOK_Click();
    EXPECT_TRUE(f->unloaded());
    EXPECT_TRUE(f->written());
    EXPECT_EQ(stored("SchriftartT").toString(), "Gamma Mono");
    EXPECT_EQ(stored("SchriftgroesseT").toString(), "20");
    EXPECT_EQ(stored("Schriftart").toString(), "beta serif");
    EXPECT_EQ(stored("Schriftgroesse").toString(), "8");
}

TEST_F(FontTest, CancelWritesNothing) {
    wktest::ScriptedUi ui;
    auto f = open("SchriftartRest", "SchriftgroesseRest");
    f->lstFont->setCurrentRow(0);
    f->sldFont->setValue(40);
    f->cmdAbbrechen_Click();
    EXPECT_TRUE(f->unloaded());
    EXPECT_FALSE(f->written());
    EXPECT_EQ(stored("SchriftartRest").toString(), "MS Sans Serif");
    EXPECT_EQ(stored("SchriftgroesseRest").toString(), "8");
}

TEST_F(FontTest, AFaceNameLongerThanTheFieldIsRefusedAndTheDialogStaysOpen) {
    const QString longName(45, 'L');
    overview::FontFamilySource = [&](bool) { return QStringList{longName}; };
    wktest::ScriptedUi ui;
    auto f = open();
    f->lstFont->setCurrentRow(0);
    ui.pushMsgBox(forms::vbOK);
    f->cmdOK_Click();
    EXPECT_EQ(ui.last(wktest::CallKind::MsgBox).prompt,
              modMain::GetText(5077) + "40" + modMain::GetText(5078));
    EXPECT_FALSE(f->unloaded());
    EXPECT_EQ(stored("SchriftartA").toString(), "MS Sans Serif");
    EXPECT_EQ(stored("SchriftgroesseA").toString(), "8");
}

class Collect : public overview::IEnumFontSink {
public:
    QStringList faces, styles, scripts;
    QStringList asked;
    long nested = -1;
    bool HasFont(const QString& key) override {
        asked << key;
        return key.startsWith("Beta");
    }
    void AddFont(const QString& face, const QString& style, const QString& script, long, bool) override {
        faces << face;
        styles << style;
        scripts << script;
        if (nested < 0) nested = overview::EnumFonts(*this, false, {}, 0);
    }
};

TEST(FontEnumeration, OneAtATimeAndTheReceiverFilters) {
    overview::FontFamilySource = [](bool) { return Fonts; };
    Collect c;
    EXPECT_EQ(overview::EnumFonts(c, false, {}, 0), 1);
    EXPECT_EQ(c.nested, 0);  // a second enumeration while one runs delivers nothing
    EXPECT_EQ(c.faces, (QStringList{"Alpha Sans", "Gamma Mono"}));
    EXPECT_EQ(c.asked.first(), "Alpha Sans Western");
    EXPECT_EQ(c.styles, (QStringList{"", ""}));
    // Once it has ended, the next one runs.
    Collect d;
    d.nested = 0;
    EXPECT_EQ(overview::EnumFonts(d, false, "Gamma Mono", 0), 1);
    EXPECT_TRUE(d.faces.size() >= 1 && d.faces.count("Gamma Mono") == d.faces.size());
    overview::FontFamilySource = nullptr;
}

TEST(FontEnumeration, TheRealListIsTheShellsScalableFonts) {
    overview::FontFamilySource = nullptr;
    Collect c;
    c.nested = 0;
    overview::EnumFonts(c, false, {}, 0);
    QStringList expected;
    for (const QString& f : shell::FontFamilies(true))
        if (!f.startsWith("Beta")) expected << f;
    EXPECT_EQ(c.faces, expected);
}

}  // namespace
