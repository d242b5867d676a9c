// Key codes and the original's key event order with key preview.
#include <gtest/gtest.h>

#include "support/QtPrinters.h"

#include <QApplication>
#include <QDialog>
#include <QFrame>
#include <QLineEdit>
#include <QVBoxLayout>

#include "platform/forms/Keys.h"
#include "support/ModalHelpers.h"

using namespace forms;

namespace {

QKeyEvent press(int key, Qt::KeyboardModifiers m = Qt::NoModifier, const QString& text = {}) {
    return QKeyEvent(QEvent::KeyPress, key, m, text);
}

// A shown, active form with two boxes; the first has the focus.
struct Form {
    QWidget form;
    QLineEdit* first = new QLineEdit;
    QLineEdit* second = new QLineEdit;
    Form() {
        auto* l = new QVBoxLayout(&form);
        l->addWidget(first);
        l->addWidget(second);
        form.show();
        QApplication::setActiveWindow(&form);
        first->setFocus();
        QApplication::processEvents();
    }
    void type(int key, Qt::KeyboardModifiers m = Qt::NoModifier, const QString& text = {}) {
        QKeyEvent p(QEvent::KeyPress, key, m, text);
        QApplication::sendEvent(QApplication::focusWidget(), &p);
        QKeyEvent r(QEvent::KeyRelease, key, m, text);
        QApplication::sendEvent(QApplication::focusWidget(), &r);
    }
};

}  // namespace

TEST(KeyCodes, AsTheOriginalNumberedThem) {
    EXPECT_EQ(vbKeyCode(press(Qt::Key_A)), 65);
    EXPECT_EQ(vbKeyCode(press(Qt::Key_F4)), 115);
    EXPECT_EQ(vbKeyCode(press(Qt::Key_F8)), 119);
    EXPECT_EQ(vbKeyCode(press(Qt::Key_Delete)), 46);
    EXPECT_EQ(vbKeyCode(press(Qt::Key_Return)), 13);
    EXPECT_EQ(vbKeyCode(press(Qt::Key_Enter, Qt::KeypadModifier)), 13);
    EXPECT_EQ(vbKeyCode(press(Qt::Key_Shift)), 16);
    EXPECT_EQ(vbKeyCode(press(Qt::Key_1)), 49);
    // Shifted digits and German punctuation keep their key's code.
    EXPECT_EQ(vbKeyCode(press(Qt::Key_Exclam, Qt::ShiftModifier | Qt::ControlModifier)), 49);
    EXPECT_EQ(vbKeyCode(press(Qt::Key_Question, Qt::ShiftModifier)), 219);
    EXPECT_EQ(vbKeyCode(press(Qt::Key_ssharp)), 219);
    EXPECT_EQ(vbKeyCode(press(Qt::Key_Udiaeresis)), 186);
    EXPECT_EQ(vbKeyCode(press(Qt::Key_5, Qt::KeypadModifier)), 101);
    EXPECT_EQ(vbKeyCode(press(Qt::Key_unknown)), 0);
    // The named keys keep their codes with Shift and Ctrl: Insert is not Delete.
    for (const auto m : {Qt::NoModifier, Qt::ShiftModifier, Qt::ControlModifier}) {
        QList<int> codes;
        for (const int k : {Qt::Key_Insert, Qt::Key_Delete, Qt::Key_Home, Qt::Key_End, Qt::Key_PageUp,
                            Qt::Key_PageDown, Qt::Key_Backspace, Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_Menu,
                            Qt::Key_F2, Qt::Key_F3, Qt::Key_F12})
            codes << vbKeyCode(press(k, m));
        EXPECT_EQ(codes, QList<int>({45, 46, 36, 35, 33, 34, 8, 9, 9, 93, 113, 114, 123})) << m;
    }

    EXPECT_EQ(vbShiftState(Qt::ShiftModifier), 1);
    EXPECT_EQ(vbShiftState(Qt::ControlModifier), 2);
    EXPECT_EQ(vbShiftState(Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier), 7);

    EXPECT_EQ(vbKeyAscii(press(Qt::Key_Return)), 13);
    EXPECT_EQ(vbKeyAscii(press(Qt::Key_Escape)), 27);
    EXPECT_EQ(vbKeyAscii(press(Qt::Key_A, Qt::NoModifier, "a")), 'a');
    EXPECT_EQ(vbKeyAscii(press(Qt::Key_A, Qt::ControlModifier, "\x01")), 1);
    EXPECT_EQ(vbKeyAscii(press(Qt::Key_Tab, Qt::NoModifier, "\t")), 0);
    EXPECT_EQ(vbKeyAscii(press(Qt::Key_F1)), 0);
}

TEST(KeyEvents, FormSeesEachKeyFirstAndOnlyOnce) {
    Form f;
    std::vector<std::string> log;
    previewKeys(&f.form, {.KeyDown =
                              [&](int& c, int s) {
                                  log.push_back("form down " + std::to_string(c) + "/" + std::to_string(s));
                              },
                          .KeyPress = [&](int& a) { log.push_back("form press " + std::to_string(a)); },
                          .KeyUp = [&](int& c, int) { log.push_back("form up " + std::to_string(c)); }});
    handleKeys(f.first, {.KeyDown = [&](int& c, int) { log.push_back("box down " + std::to_string(c)); },
                         .KeyPress = [&](int& a) { log.push_back("box press " + std::to_string(a)); },
                         .KeyUp = [&](int& c, int) { log.push_back("box up " + std::to_string(c)); }});
    f.type(Qt::Key_X, Qt::ShiftModifier, "X");
    EXPECT_EQ(log, (std::vector<std::string>{"form down 88/1", "box down 88", "form press 88", "box press 88",
                                             "form up 88", "box up 88"}));
    EXPECT_EQ(f.first->text(), "X");

    // F4 is ignored by the box and travels on to the form: still one call.
    log.clear();
    f.type(Qt::Key_F4);
    EXPECT_EQ(log,
              (std::vector<std::string>{"form down 115/0", "box down 115", "form up 115", "box up 115"}));
}

TEST(KeyEvents, ZeroSwallowsAndAnotherCharacterReplaces) {
    Form f;
    int boxCalls = 0;
    previewKeys(&f.form, {.KeyDown =
                              [](int& c, int) {
                                  if (c == vbKeyF1 + 3) c = 0;  // F4
                              },
                          .KeyPress =
                              [](int& a) {
                                  if (a == 27) a = 0;
                              }});
    handleKeys(f.first, {.KeyDown = [&](int&, int) { ++boxCalls; },
                         .KeyPress =
                             [](int& a) {
                                 if (a == 13) a = 0;
                                 if (a == 'a') a = 'b';
                             }});
    f.type(Qt::Key_F4);
    EXPECT_EQ(boxCalls, 0);  // the form took it

    bool returned = false;
    QObject::connect(f.first, &QLineEdit::returnPressed, [&] { returned = true; });
    f.type(Qt::Key_Return);
    EXPECT_FALSE(returned);

    f.type(Qt::Key_A, Qt::NoModifier, "a");
    f.type(Qt::Key_C, Qt::NoModifier, "c");
    EXPECT_EQ(f.first->text(), "bc");
}

TEST(KeyEvents, ControlHandlersCoverItsChildrenAndEndWithIt) {
    Form f;
    int calls = 0;
    handleKeys(&f.form, {.KeyPress = [&](int&) { ++calls; }});
    f.second->setFocus();
    f.type(Qt::Key_Q, Qt::NoModifier, "q");
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(f.second->text(), "q");

    auto* gone = new QLineEdit(&f.form);
    handleKeys(gone, {.KeyPress = [&](int&) { ++calls; }});
    delete gone;
    f.type(Qt::Key_R, Qt::NoModifier, "r");
    EXPECT_EQ(calls, 2);
}

TEST(KeyEvents, AWindowOwnedByTheFormKeepsItsKeys) {
    // A message box parented to a form is a window of its own: Esc or F8
    // typed there must not close the form or repeat its command below it.
    Form f;
    int formKeys = 0;
    previewKeys(&f.form, {.KeyDown = [&](int&, int) { ++formKeys; },
                          .KeyPress = [&](int&) { ++formKeys; },
                          .KeyUp = [&](int&, int) { ++formKeys; }});
    QDialog box(&f.form);
    auto* edit = new QLineEdit(&box);
    box.show();
    QApplication::setActiveWindow(&box);
    edit->setFocus();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), edit);
    for (const int key : {Qt::Key_F8, Qt::Key_Escape}) {
        QKeyEvent p(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(edit, &p);
        QKeyEvent r(QEvent::KeyRelease, key, Qt::NoModifier);
        QApplication::sendEvent(edit, &r);
    }
    EXPECT_EQ(formKeys, 0);

    // The same key in the form itself still reaches it (down and up).
    box.hide();
    QKeyEvent p(QEvent::KeyPress, Qt::Key_F8, Qt::NoModifier);
    QApplication::sendEvent(f.first, &p);
    QKeyEvent r(QEvent::KeyRelease, Qt::Key_F8, Qt::NoModifier);
    QApplication::sendEvent(f.first, &r);
    EXPECT_GT(formKeys, 0);
}

TEST(KeyEvents, AKeyIsHandledOnceWhenTheHandlerTakesTheFocusAway) {
    // The box sits three frames deep. A handler that opens a dialog leaves
    // the focus elsewhere (with a window manager: nowhere, until the window
    // is activated again); the ignored key then travels on to the parents,
    // which must not take it for a key of their own.
    QWidget form;
    auto* outer = new QFrame(&form);
    auto* middle = new QFrame(outer);
    auto* box = new QLineEdit(middle);
    auto* other = new QLineEdit(&form);
    new QVBoxLayout(outer);
    outer->layout()->addWidget(middle);
    new QVBoxLayout(middle);
    middle->layout()->addWidget(box);
    auto* l = new QVBoxLayout(&form);
    l->addWidget(outer);
    l->addWidget(other);
    form.show();
    QApplication::setActiveWindow(&form);
    QApplication::processEvents();

    int ups = 0, presses = 0, downs = 0;
    std::function<void()> away;
    previewKeys(&form, {.KeyDown = [&](int&, int) { ++downs; },
                        .KeyPress =
                            [&](int&) {
                                ++presses;
                                away();
                            },
                        .KeyUp =
                            [&](int&, int) {
                                ++ups;
                                away();
                            }});
    const auto send = [&](int key, Qt::KeyboardModifiers m, const QString& text) {
        QApplication::setActiveWindow(&form);
        box->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), box);
        QKeyEvent p(QEvent::KeyPress, key, m, text);
        QApplication::sendEvent(box, &p);
        box->setFocus();
        QKeyEvent r(QEvent::KeyRelease, key, m, text);
        QApplication::sendEvent(box, &r);
    };

    for (const auto& [name, leave] : std::vector<std::pair<std::string, std::function<void()>>>{
             {"no focus",
              [&] { QApplication::focusWidget() ? QApplication::focusWidget()->clearFocus() : void(); }},
             {"focus in another branch", [&] { other->setFocus(); }},
             {"a modal dialog",
              [&] {
                  QDialog dialog(&form);
                  auto* e = new QLineEdit(&dialog);
                  wktest::onModal([](QWidget* m) { static_cast<QDialog*>(m)->reject(); });
                  e->setFocus();
                  dialog.exec();
                  // The window manager activates the form again later.
                  if (QApplication::focusWidget()) QApplication::focusWidget()->clearFocus();
              }},
             {"a modal dialog with keys of its own, typed in", [&] {
                  // Its keys are handled meanwhile; the key that opened it
                  // must still be known for itself on its way up.
                  QDialog dialog(&form);
                  auto* e = new QLineEdit(&dialog);
                  int typed = 0;
                  previewKeys(&dialog, {.KeyPress = [&](int&) { ++typed; }});
                  wktest::onModal([e](QWidget* m) {
                      QKeyEvent p(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "x");
                      QApplication::sendEvent(e, &p);
                      QKeyEvent r(QEvent::KeyRelease, Qt::Key_X, Qt::NoModifier, "x");
                      QApplication::sendEvent(e, &r);
                      static_cast<QDialog*>(m)->reject();
                  });
                  e->setFocus();
                  dialog.exec();
                  EXPECT_EQ(e->text(), "x");
                  EXPECT_EQ(typed, 1);
                  if (QApplication::focusWidget()) QApplication::focusWidget()->clearFocus();
              }}}) {
        SCOPED_TRACE(name);
        away = leave;
        ups = presses = downs = 0;
        send(Qt::Key_O, Qt::ControlModifier, "\x0f");  // ignored by the box: travels on
        EXPECT_EQ(downs, 1);
        EXPECT_EQ(presses, 1);
        EXPECT_EQ(ups, 1);
        ups = presses = downs = 0;
        send(Qt::Key_F4, Qt::NoModifier, {});
        EXPECT_EQ(downs, 1);
        EXPECT_EQ(ups, 1);
    }

    // The next key of the same kind is a key of its own again.
    away = [] {};
    ups = 0;
    send(Qt::Key_F4, Qt::NoModifier, {});
    send(Qt::Key_F4, Qt::NoModifier, {});
    EXPECT_EQ(ups, 2);
}
