// The form base: load once, modal show through the interaction, unload
// that can be cancelled from code and from the close box.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "support/QtPrinters.h"

#include <QApplication>
#include <QCheckBox>
#include <QVBoxLayout>
#include <QPushButton>

#include "platform/Error.h"
#include "platform/forms/FocusKeys.h"
#include "platform/forms/Form.h"
#include "support/ModalHelpers.h"
#include "support/ScriptedInteraction.h"

using namespace forms;

namespace {

// A window shows where its focus is before the first Tab: a check box the
// window gave the focus to is drawn with its frame.
TEST(FocusSeen, AWindowShowsItsFocusBeforeTheFirstTab) {
    focusSeenFromTheStart();
    QWidget w;
    auto* lay = new QVBoxLayout(&w);
    auto* a = new QCheckBox("a", &w);
    auto* b = new QCheckBox("b", &w);
    lay->addWidget(a);
    lay->addWidget(b);
    w.show();
    QApplication::setActiveWindow(&w);
    b->setFocus(Qt::ActiveWindowFocusReason);
    const QImage bare = a->grab().toImage();
    a->setFocus(Qt::ActiveWindowFocusReason);
    EXPECT_NE(a->grab().toImage(), bare);
}

class frmTest : public Form {
public:
    frmTest() {
        setObjectName("frmTest");
        cmdOK = new QPushButton("OK", this);
        connect(cmdOK, &QPushButton::clicked, this, [this] { Unload(); });
    }
    QPushButton* cmdOK;
    std::vector<std::string> log;
    int cancelQuery = 0;
    int lastMode = -1;
    bool unloadInLoad = false;

protected:
    void Form_Load() override {
        log.push_back("load");
        if (unloadInLoad) Unload();
    }
    void Form_Activate() override { log.push_back("activate"); }
    void Form_QueryUnload(int& Cancel, int mode) override {
        log.push_back("query");
        lastMode = mode;
        Cancel = cancelQuery;
    }
    void Form_Unload(int&) override {
        log.push_back("unload");
        if (failUnload) throw wk::Error(3021, "No current record.");
    }

public:
    bool failUnload = false;
};

}  // namespace

TEST(Form, LoadsOnceAndUnloadsOnce) {
    frmTest f;
    f.Load();
    f.Show();
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.log, (std::vector<std::string>{"load"}));
    EXPECT_TRUE(f.Unload());
    EXPECT_FALSE(f.isVisible());
    EXPECT_FALSE(f.isLoaded());
    EXPECT_TRUE(f.Unload());  // not loaded: nothing asked
    EXPECT_EQ(f.log, (std::vector<std::string>{"load", "query", "unload"}));
    EXPECT_EQ(f.lastMode, vbFormCode);
    f.Show();  // loads again
    EXPECT_EQ(f.log.back(), "load");
    f.Unload();
}

TEST(Form, QueryUnloadCancelsCodeAndCloseBox) {
    frmTest f;
    f.Show();
    f.cancelQuery = 1;
    EXPECT_FALSE(f.Unload());
    EXPECT_TRUE(f.isVisible());
    EXPECT_FALSE(f.close());  // the close box
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.lastMode, vbFormControlMenu);
    f.cancelQuery = 0;
    EXPECT_TRUE(f.close());
    EXPECT_FALSE(f.isLoaded());
    EXPECT_EQ(f.log, (std::vector<std::string>{"load", "query", "query", "query", "unload"}));
}

TEST(Form, ModalShowGoesThroughTheScript) {
    wktest::ScriptedUi s;
    frmTest f;
    s.pushModal([&](QWidget& form) {
        EXPECT_EQ(&form, &f);
        EXPECT_TRUE(f.isLoaded());  // loaded before it is shown
        f.cmdOK->click();
    });
    f.Show(vbModal);
    EXPECT_FALSE(f.isLoaded());
    EXPECT_EQ(s.last(wktest::CallKind::ShowModal).formName, "frmTest");
}

TEST(Form, ModalScriptThatLeavesTheFormOpenFails) {
    frmTest f;
    EXPECT_NONFATAL_FAILURE(
        {
            wktest::ScriptedUi s;
            s.pushModal([](QWidget&) {});
            f.Show(vbModal);
        },
        "still shown");
}

TEST(Form, QtModalShowReturnsWhenTheFormHides) {
    frmTest f;
    f.Load();
    wktest::onModal([&](QWidget* modal) {
        EXPECT_EQ(modal, &f);
        f.cmdOK->click();
    });
    qtInteraction().ShowModal(f);
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(f.windowModality(), Qt::NonModal);

    f.show();
    try {
        qtInteraction().ShowModal(f);
        ADD_FAILURE() << "shown twice";
    } catch (const wk::Error& e) {
        EXPECT_EQ(e.number(), 400);
    }
}

TEST(Form, FormThatUnloadsItselfWhileLoadingIsNotShown) {
    // The loading window does its work in its load and unloads itself.
    frmTest f;
    f.unloadInLoad = true;
    f.Show();
    EXPECT_FALSE(f.isVisible());
    EXPECT_FALSE(f.isLoaded());
    EXPECT_EQ(f.log, (std::vector<std::string>{"load", "query", "unload"}));
}

TEST(Form, ActivateOnEachActivation) {
    frmTest f;
    QWidget other;
    f.Show();
    QApplication::processEvents();
    const auto activations = [&] { return std::count(f.log.begin(), f.log.end(), "activate"); };
    const auto first = activations();
    EXPECT_GE(first, 1);
    other.show();
    QApplication::setActiveWindow(&other);
    QApplication::processEvents();
    EXPECT_EQ(activations(), first);
    QApplication::setActiveWindow(&f);
    QApplication::processEvents();
    EXPECT_EQ(activations(), first + 1);
    f.Unload();
}

TEST(Form, AnErrorInUnloadLeavesTheFormUsable) {
    frmTest f;
    f.Show();
    f.failUnload = true;
    EXPECT_THROW(f.Unload(), wk::Error);
    EXPECT_TRUE(f.isLoaded());
    f.failUnload = false;
    EXPECT_TRUE(f.Unload());  // not stuck in "unloading"
    EXPECT_FALSE(f.isLoaded());
}
