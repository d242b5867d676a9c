// The focus mark: every kind of control the program has shows one that
// stands out 3:1 from how it looks without the focus.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <algorithm>
#include <cmath>
#include <functional>

#include "platform/forms/FocusKeys.h"
#include "support/Waiting.h"

namespace {

using wktest::contrast;

// Each kind beside a button that holds the focus meanwhile: the points that
// change when the focus comes are at least a frame two points wide, over
// the control's parts too, and each stands out 3:1 from what it covers.
TEST(FocusMark, EveryKindOfControlShowsAMarkThreeToOne) {
    forms::focusSeenFromTheStart();  // as the program starts
    const std::pair<const char*, std::function<QWidget*(QWidget*)>> kinds[] = {
        {"push button", [](QWidget* p) { return new QPushButton("Delete", p); }},
        {"default button",  // its outline is dark
         [](QWidget* p) {
             auto* b = new QPushButton("Start >>", p);
             b->setDefault(true);
             return b;
         }},
        {"check box on a dark strip",
         [](QWidget* p) {
             auto* c = new QCheckBox("Show special signs", p);
             c->setStyleSheet("QCheckBox { background: #23467a; color: white; }");
             return c;
         }},
        {"icon button",
         [](QWidget* p) {
             auto* b =
                 new QPushButton(QApplication::style()->standardIcon(QStyle::SP_DialogOpenButton), "", p);
             b->setFixedSize(32, 32);
             return b;
         }},
        {"text box", [](QWidget* p) { return new QLineEdit(p); }},  // empty: a selected text is no mark
        {"list box",
         [](QWidget* p) {
             auto* c = new QComboBox(p);
             c->addItems({"English", "Deutsch"});
             return c;
         }},
        {"check box", [](QWidget* p) { return new QCheckBox("Mark the known", p); }},
        {"option button", [](QWidget* p) { return new QRadioButton("Ask least known", p); }},
        {"text area", [](QWidget* p) { return new QPlainTextEdit("a note", p); }},
        {"list",  // long: a scroll bar at its edge
         [](QWidget* p) {
             auto* l = new QListWidget(p);
             for (int i = 0; i < 30; ++i) l->addItem(QString("Haus %1").arg(i));
             l->setCurrentRow(0);
             return l;
         }},
        {"tree",
         [](QWidget* p) {
             auto* t = new QTreeWidget(p);
             t->setHeaderHidden(true);
             t->addTopLevelItem(new QTreeWidgetItem(QStringList{"Test"}));
             t->setCurrentItem(t->topLevelItem(0));
             return t;
         }},
    };
    for (const auto& [kind, make] : kinds) {
        QWidget window;
        auto* away = new QPushButton("away", &window);
        away->move(8, 8);
        QWidget* control = make(&window);
        control->setGeometry(QRect(QPoint(8, 48), control->sizeHint().expandedTo(QSize(120, 0))));
        window.resize(200, 60 + control->height());
        window.show();
        QApplication::setActiveWindow(&window);
        const QRect area = control->geometry().adjusted(-4, -4, 4, 4);
        QImage shot[2];
        for (QWidget* w : {static_cast<QWidget*>(away), control}) {
            w->setFocus(Qt::TabFocusReason);
            QApplication::processEvents();
            shot[w == control] = window.grab(area).toImage();
        }
        ASSERT_TRUE(control->hasFocus()) << kind;
        int changed = 0;
        double weakest = 21;
        for (int y = 0; y < shot[0].height(); ++y)
            for (int x = 0; x < shot[0].width(); ++x)
                if (const QRgb a = shot[0].pixel(x, y), b = shot[1].pixel(x, y); a != b) {
                    ++changed;
                    weakest = std::min(weakest, contrast(a, b));
                }
        EXPECT_GE(changed, 4 * (control->width() + control->height()) - 16) << kind;
        EXPECT_GE(weakest, 3.0) << kind;
    }
}

}  // namespace
