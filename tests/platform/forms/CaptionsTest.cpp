// Captions from tags: what is relabelled, what is skipped, in which order.
#include <gtest/gtest.h>

#include "support/QtPrinters.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>

#include "platform/Error.h"
#include "platform/forms/Captions.h"

using namespace forms;

namespace {

QString lookup(int id) {
    return QStringLiteral("text %1").arg(id);
}

template <class T>
T* make(QWidget* parent, const char* name, const QString& tagText) {
    auto* w = new T(parent);
    w->setObjectName(name);
    setTag(w, tagText);
    return w;
}

}  // namespace

TEST(Captions, EveryKindOfCaptionedControlIsSet) {
    QWidget form;
    auto* lbl = make<QLabel>(&form, "lblName", "6");
    auto* cmd = make<QPushButton>(&form, "cmdOK", "17");
    auto* chk = make<QCheckBox>(&form, "chkSound", "18");
    auto* opt = make<QRadioButton>(&form, "optA", "19");
    auto* fra = make<QGroupBox>(&form, "fraBenutzer", "20");
    auto* inner = make<QLabel>(fra, "lblInner", "21");  // inside a frame
    auto* mnu = make<QMenu>(&form, "mnuFile", "26");
    auto* act = new QAction(mnu);
    setTag(act, "27");
    auto* txt = make<QLineEdit>(&form, "txtName", "");
    txt->setText("typed");
    auto* keep = make<QLabel>(&form, "lblKeep", "");
    keep->setText("design");

    ApplyCaptions(&form, lookup, false);
    EXPECT_EQ(lbl->text(), "text 6");
    EXPECT_EQ(cmd->text(), "text 17");
    EXPECT_EQ(chk->text(), "text 18");
    EXPECT_EQ(opt->text(), "text 19");
    EXPECT_EQ(fra->title(), "text 20");
    EXPECT_EQ(inner->text(), "text 21");
    EXPECT_EQ(mnu->title(), "text 26");
    EXPECT_EQ(act->text(), "text 27");
    EXPECT_EQ(txt->text(), "typed");
    EXPECT_EQ(keep->text(), "design");
}

TEST(Captions, ImgControlsSkippedOnlyWhenAsked) {
    QWidget form;
    auto* img = make<QLabel>(&form, "imgEnd", "1");  // the hint's flag, not an id
    auto* imgUpper = make<QLabel>(&form, "IMGx", "5");
    std::vector<int> asked;
    auto recording = [&](int id) {
        asked.push_back(id);
        return lookup(id);
    };
    ApplyCaptions(&form, recording, true);
    EXPECT_EQ(img->text(), "");
    EXPECT_EQ(imgUpper->text(), "text 5");  // "img" is compared in lower case only
    EXPECT_EQ(asked, std::vector<int>({5}));

    ApplyCaptions(&form, lookup, false);
    EXPECT_EQ(img->text(), "text 1");
}

TEST(Captions, FormTitleOnlyWhereAsked) {
    QWidget form;
    setTag(&form, "9");
    form.setWindowTitle("design");
    ApplyCaptions(&form, lookup, false);
    EXPECT_EQ(form.windowTitle(), "design");
    ApplyCaptions(&form, lookup, false, true);
    EXPECT_EQ(form.windowTitle(), "text 9");
}

TEST(Captions, VisitsInCreationOrderAndStopsAtAFailingLookup) {
    QWidget form;
    auto* a = make<QLabel>(&form, "lblA", "1");
    auto* b = make<QLabel>(&form, "lblB", "8");
    auto* c = make<QLabel>(&form, "lblC", "3");
    std::vector<int> asked;
    auto failingOn8 = [&](int id) -> QString {
        asked.push_back(id);
        if (id == 8) throw wk::Error(wk::err::ResourceNotFound, "Resource with identifier not found");
        return lookup(id);
    };
    EXPECT_THROW(ApplyCaptions(&form, failingOn8, false), wk::Error);
    EXPECT_EQ(asked, std::vector<int>({1, 8}));
    EXPECT_EQ(a->text(), "text 1");
    EXPECT_EQ(b->text(), "");
    EXPECT_EQ(c->text(), "");
}

TEST(Captions, LabelMnemonicsAndPlainText) {
    QWidget form;
    auto* plain = make<QLabel>(&form, "lblPlain", "1");
    auto* withBuddy = make<QLabel>(&form, "lblBuddy", "2");
    auto* edit = new QLineEdit(&form);
    withBuddy->setBuddy(edit);
    auto texts = [](int id) { return id == 1 ? QString("R&&D <b>&Neu</b>") : QString("&Name"); };
    ApplyCaptions(&form, texts, false);
    EXPECT_EQ(plain->text(), "R&D <b>Neu</b>");
    EXPECT_EQ(plain->textFormat(), Qt::PlainText);
    EXPECT_EQ(withBuddy->text(), "&Name");
}

TEST(Captions, TagIsReadAsA16BitInteger) {
    EXPECT_EQ(tagToInteger("17"), 17);
    EXPECT_EQ(tagToInteger(" 5009 "), 5009);
    EXPECT_EQ(tagToInteger("2.5"), 2);  // rounded to even
    EXPECT_EQ(tagToInteger("3.5"), 4);
    try {
        tagToInteger("abc");
        ADD_FAILURE();
    } catch (const wk::Error& e) {
        EXPECT_EQ(e.number(), wk::err::TypeMismatch);
    }
    try {
        tagToInteger("40000");
        ADD_FAILURE();
    } catch (const wk::Error& e) {
        EXPECT_EQ(e.number(), wk::err::Overflow);
    }
}
