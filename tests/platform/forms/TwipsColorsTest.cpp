#include <gtest/gtest.h>

#include "support/QtPrinters.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "platform/forms/Colors.h"
#include "platform/forms/Twips.h"

using namespace forms;

TEST(Twips, FifteenPerPixelRoundedToNearest) {
    EXPECT_EQ(twipsToPixels(3855), 257);
    EXPECT_EQ(twipsToPixels(375), 25);
    EXPECT_EQ(twipsToPixels(7), 0);
    EXPECT_EQ(twipsToPixels(8), 1);
    EXPECT_EQ(twipsToPixels(-8), -1);
    EXPECT_EQ(pixelsToTwips(257), 3855);
    EXPECT_EQ(twipsRect(0, 375, 3855, 2460), QRect(0, 25, 257, 164));

    QWidget w;
    moveTwips(&w, 150, 300, 1500, 450);
    EXPECT_EQ(w.geometry(), QRect(10, 20, 100, 30));
}

TEST(Colors, BlueIsTheHighByte) {
    EXPECT_EQ(VbColor(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(VbColor(0xFF0000), QColor(0, 0, 255));
    EXPECT_EQ(VbColor(0x123456), QColor(0x56, 0x34, 0x12));
    EXPECT_EQ(toVbColor(QColor(0x56, 0x34, 0x12)), 0x123456u);
    EXPECT_EQ(toVbColor(VbColor(SwitchedOffBackColor)), 0xE0E0E0u);
}

TEST(Colors, SystemColoursFollowThePalette) {
    QPalette pal = QApplication::palette();
    const QPalette saved = pal;
    pal.setColor(QPalette::Button, QColor(1, 2, 3));
    pal.setColor(QPalette::Base, QColor(4, 5, 6));
    pal.setColor(QPalette::Text, QColor(7, 8, 9));
    pal.setColor(QPalette::ButtonText, QColor(10, 11, 12));
    pal.setColor(QPalette::Disabled, QPalette::Text, QColor(13, 14, 15));
    QApplication::setPalette(pal);
    EXPECT_EQ(VbColor(vbButtonFace), QColor(1, 2, 3));
    EXPECT_EQ(VbColor(vbWindowBackground), QColor(4, 5, 6));
    EXPECT_EQ(VbColor(vbWindowText), QColor(7, 8, 9));
    EXPECT_EQ(VbColor(vbButtonText), QColor(10, 11, 12));
    EXPECT_EQ(VbColor(vbGrayText), QColor(13, 14, 15));
    EXPECT_FALSE(systemColorSlot(0x80000063).has_value());
    EXPECT_FALSE(systemColorSlot(0x00000F).has_value());
    QApplication::setPalette(saved);
}

TEST(Colors, BackColourIsReadBackAsSetAndShownWhenDisabled) {
    QLineEdit edit;
    switchInput(&edit, false);
    EXPECT_FALSE(edit.isEnabled());
    EXPECT_EQ(backColor(&edit), 0xE0E0E0u);
    EXPECT_EQ(edit.palette().color(QPalette::Disabled, QPalette::Base), QColor(0xE0, 0xE0, 0xE0));

    switchInput(&edit, false, vbButtonFace);
    EXPECT_EQ(backColor(&edit), vbButtonFace);  // the system colour, not its value

    switchInput(&edit, true);
    EXPECT_TRUE(edit.isEnabled());
    EXPECT_EQ(backColor(&edit), 0xFFFFFFu);
    EXPECT_EQ(edit.palette().color(QPalette::Active, QPalette::Base), QColor(Qt::white));

    QLabel label;
    setBackColor(&label, 0x00FF00);
    EXPECT_TRUE(label.autoFillBackground());
    EXPECT_EQ(label.palette().color(QPalette::Window), QColor(0, 255, 0));
    setForeColor(&label, vbRed);
    EXPECT_EQ(label.palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(foreColor(&label), vbRed);

    // Never set: what the control shows.
    QPushButton button;
    EXPECT_EQ(backColor(&button), toVbColor(button.palette().color(QPalette::Button)));
}
