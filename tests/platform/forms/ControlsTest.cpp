// Control arrays, the mouse pointer and the text limit.
#include <gtest/gtest.h>

#include "support/QtPrinters.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>

#include "platform/Error.h"
#include "platform/forms/ControlArray.h"
#include "platform/forms/Controls.h"
#include "platform/forms/MousePointer.h"

using namespace forms;

TEST(ControlArray, IndexedFromOneAndRaisesNineOutside) {
    QLineEdit a, b, c;
    ControlArray<QLineEdit> txtA{&a, &b};
    EXPECT_EQ(txtA.add(&c), 3);
    EXPECT_EQ(txtA(1), &a);
    EXPECT_EQ(txtA(3), &c);
    EXPECT_EQ(txtA.LBound(), 1);
    EXPECT_EQ(txtA.UBound(), 3);
    for (int bad : {0, 4, -1}) {
        try {
            txtA(bad);
            ADD_FAILURE() << "index " << bad << " accepted";
        } catch (const wk::Error& e) {
            EXPECT_EQ(e.number(), wk::err::SubscriptOutOfRange);
        }
    }
    EXPECT_EQ(txtA.indexOf(&b), 2);
    QLineEdit stranger;
    EXPECT_EQ(txtA.indexOf(&stranger), 0);
}

TEST(MousePointer, HourglassAndBackAlwaysLeavesNoOverride) {
    ASSERT_EQ(QApplication::overrideCursor(), nullptr);
    setMousePointer(vbHourglass);
    setMousePointer(vbHourglass);  // set twice, as nested callers do
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    setMousePointer(vbDefault);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(MousePointer(), vbDefault);
}

TEST(MousePointer, BusyCursorRestoresAlsoOnError) {
    try {
        BusyCursor busy;
        EXPECT_EQ(MousePointer(), vbHourglass);
        {
            BusyCursor inner(vbArrowHourglass);
            EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
        }
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        throw wk::Error(3021, "x");
    } catch (const wk::Error&) {
    }
    EXPECT_EQ(MousePointer(), vbDefault);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(TextLimit, TypingStopsAtTheLimitButCodeTextIsKept) {
    QLineEdit edit;
    limitTextLength(&edit, 5);
    EXPECT_EQ(textLengthLimit(&edit), 5);
    edit.insert("abc");
    edit.insert("def");  // as typed: only what fits
    EXPECT_EQ(edit.text(), "abcde");
    edit.insert("x");
    EXPECT_EQ(edit.text(), "abcde");

    edit.setText("0123456789");  // by code: whole
    EXPECT_EQ(edit.text(), "0123456789");
    edit.end(false);
    edit.insert("x");
    EXPECT_EQ(edit.text(), "0123456789");
    edit.backspace();  // shrinking is allowed
    EXPECT_EQ(edit.text(), "012345678");
    edit.insert("y");  // but not growing again
    EXPECT_EQ(edit.text(), "012345678");

    limitTextLength(&edit, 0);
    edit.insert("z");
    EXPECT_EQ(edit.text(), "012345678z");
    EXPECT_EQ(textLengthLimit(&edit), 0);
}

TEST(TextLimit, PasteInTheMiddleIsCutToWhatFits) {
    QLineEdit edit;
    limitTextLength(&edit, 6);
    edit.setText("abcd");
    edit.setCursorPosition(2);
    QApplication::clipboard()->setText("XYZ");
    edit.paste();
    EXPECT_EQ(edit.text(), "abXYcd");
    EXPECT_EQ(edit.cursorPosition(), 4);
}
