// Every page of the settings panel in both languages: each caption fits its
// control, and no two controls of a page overlap except the count boxes laid
// over the blanks at the start of their check boxes' captions. With
// WK_SHOTS_DIR set, each page is also saved as a picture there.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QHeaderView>
#include <QScrollArea>
#include <QStyle>
#include <QStyleOptionButton>

#include "SettingsFixture.h"
#include "platform/forms/Twips.h"
#include "support/Access.h"

namespace settingstest {
namespace {

class SettingsLayoutTest : public SettingsFixture, public ::testing::WithParamInterface<int> {};

// Where the caption's text begins inside a check box or option button.
int textStart(const QAbstractButton* b) {
    QStyleOptionButton opt;
    opt.initFrom(b);
    opt.text = b->text();
    const bool radio = qobject_cast<const QRadioButton*>(b) != nullptr;
    const QRect r = b->style()->subElementRect(
        radio ? QStyle::SE_RadioButtonContents : QStyle::SE_CheckBoxContents, &opt, b);
    return r.left();
}

// What of the caption must show: the text after the blanks that the count
// boxes cover.
QString shownText(const QAbstractButton* b) {
    QString t = b->text();
    t.remove(QLatin1Char('&'));
    return t;
}

void expectFits(QWidget* w) {
    const QString name = w->objectName();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        if (b->text().isEmpty()) return;
        if (qobject_cast<QCheckBox*>(b) || qobject_cast<QRadioButton*>(b)) {
            const int need = textStart(b) + b->fontMetrics().horizontalAdvance(shownText(b));
            EXPECT_LE(need, b->width()) << name.toStdString() << ": " << b->text().toStdString();
        } else {
            EXPECT_LE(b->fontMetrics().horizontalAdvance(shownText(b)) + 8, b->width()) << name.toStdString();
        }
        EXPECT_LE(b->fontMetrics().height(), b->height() + 2) << name.toStdString();
    } else if (auto* l = qobject_cast<QLabel*>(w)) {
        if (l->text().isEmpty()) return;
        if (l->wordWrap())
            EXPECT_LE(l->heightForWidth(l->width()), l->height()) << name.toStdString();
        else
            EXPECT_LE(l->fontMetrics().horizontalAdvance(l->text()), l->width())
                << name.toStdString() << ": " << l->text().toStdString();
        EXPECT_LE(l->fontMetrics().height(), l->height() + 2) << name.toStdString();
    } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
        EXPECT_LE(g->fontMetrics().horizontalAdvance(g->title()) + 16, g->width()) << name.toStdString();
    }
}

TEST_P(SettingsLayoutTest, EveryPageShowsItsControlsWhole) {
    modMain::TextBasis = GetParam();
    runstate::arrThemen = QStringList{"Tiere", "Farben"};
    runstate::arrKategorien = QStringList{"Verben"};
    setStored("ZaehlePunkte", 1);
    setStored("Punktebewertung", 1);
    setStored("BewertungP2", 10);
    setStored("BewertungP3", 20);
    addItem("a", 40);
    auto& p = load();
    // The main window's smallest panel.
    p.resize(forms::twipsSize(8470, 4600));
    p.show();
    QApplication::processEvents();

    const QString shots = qEnvironmentVariable("WK_SHOTS_DIR");
    const QString lang = GetParam() == 10000 ? "de" : "en";
    QList<QTreeWidgetItem*> nodes;
    for (int i = 0; i < p.tvVerwaltung->topLevelItemCount(); ++i) {
        QTreeWidgetItem* top = p.tvVerwaltung->topLevelItem(i);
        nodes << top;
        for (int c = 0; c < top->childCount(); ++c) nodes << top->child(c);
    }
    ASSERT_EQ(nodes.size(), 11);

    // Every node text shows whole in the tree, without scrolling.
    EXPECT_LE(p.tvVerwaltung->header()->sectionSize(0), p.tvVerwaltung->viewport()->width());
    for (QTreeWidgetItem* n : nodes) {
        const QRect r = p.tvVerwaltung->visualItemRect(n);
        EXPECT_LE(r.left() + p.tvVerwaltung->fontMetrics().horizontalAdvance(n->text(0)),
                  p.tvVerwaltung->viewport()->width())
            << n->text(0).toStdString();
        EXPECT_TRUE(p.tvVerwaltung->viewport()->rect().contains(r)) << n->text(0).toStdString();
    }

    for (QTreeWidgetItem* n : nodes) {
        p.tvVerwaltung->setCurrentItem(n);
        p.tvVerwaltung_NodeClick(n);
        QApplication::processEvents();
        QFrame* page = p.pageForKey(n->data(0, Qt::UserRole).toString());
        ASSERT_NE(page, nullptr);
        ASSERT_TRUE(page->isVisible());
        EXPECT_TRUE(QRect(QPoint(0, 0), p.fraOpt->size()).contains(page->geometry()));

        const QList<QWidget*> controls = page->findChildren<QWidget*>();
        for (QWidget* w : controls) {
            if (w->isHidden() || !w->parentWidget()->isVisible() || w->parent()->inherits("QComboBox") ||
                w->parent()->inherits("QAbstractScrollArea") || w->inherits("QScrollBar") ||
                w->objectName().startsWith("qt_"))
                continue;
            expectFits(w);
            EXPECT_TRUE(QRect(QPoint(0, 0), w->parentWidget()->size()).contains(w->geometry()))
                << w->objectName().toStdString() << " leaves its frame";
        }
        EXPECT_EQ(wktest::unnamedControls(page), QStringList()) << lang.toStdString();
        EXPECT_EQ(wktest::framedControls(&p), QStringList()) << n->text(0).toStdString();
        // Siblings do not overlap, except a count box over its caption's blanks.
        for (int a = 0; a < controls.size(); ++a)
            for (int b = a + 1; b < controls.size(); ++b) {
                QWidget *x = controls[a], *y = controls[b];
                if (x->parentWidget() != y->parentWidget() || x->isHidden() || y->isHidden()) continue;
                if (x->objectName().startsWith("qt_") || y->objectName().startsWith("qt_")) continue;
                if (!x->geometry().intersects(y->geometry())) continue;
                const std::pair<QWidget*, QWidget*> overlays[] = {{p.chkNotTheKnown, p.cboKnownWieOft},
                                                                  {p.chkMaxFragen, p.txtMaxFragen}};
                bool allowed = false;
                for (auto [chk, box] : overlays)
                    if ((x == chk && y == box) || (x == box && y == chk)) {
                        auto* button = static_cast<QAbstractButton*>(chk);
                        QString caption = button->text();
                        const int blanks = int(caption.size() - caption.trimmed().size());
                        const int textBegins = chk->x() + textStart(button) +
                                               button->fontMetrics().horizontalAdvance(QString(blanks, ' '));
                        EXPECT_LE(box->geometry().right(), textBegins) << box->objectName().toStdString();
                        EXPECT_GE(box->x(), chk->x() + textStart(button) - 4)
                            << box->objectName().toStdString();
                        allowed = true;
                    }
                EXPECT_TRUE(allowed) << x->objectName().toStdString() << " overlaps "
                                     << y->objectName().toStdString() << " on " << lang.toStdString();
            }

        if (!shots.isEmpty()) {
            QDir().mkpath(shots);
            p.grab().save(
                QStringLiteral("%1/%2_%3.png").arg(shots, lang, n->data(0, Qt::UserRole).toString()));
        }
    }
}

// The least window under a window manager's frame leaves the panel less
// room than the options need: they scroll, so the tree and the frame around
// the options can be brought whole into view.
TEST_F(SettingsFixture, OptionsScrollIntoViewInAShortPanel) {
    auto& p = load();
    p.resize(forms::twipsSize(8470, 4225));
    p.show();
    QApplication::processEvents();
    auto* area = p.findChild<QScrollArea*>();
    ASSERT_NE(area, nullptr) << "nothing scrolls";
    area->ensureWidgetVisible(p.fraOpt, 0, 0);
    EXPECT_TRUE(p.rect().contains(QRect(p.fraOpt->mapTo(&p, QPoint(0, 0)), p.fraOpt->size())));
}

// The check box under the count reads as the sentence the row shows.
TEST_F(SettingsFixture, KnownItemsBoxIsNamedWithItsCount) {
    auto& p = load();
    p.cboKnownWieOft->setCurrentIndex(p.cboKnownWieOft->findText("3"));
    EXPECT_EQ(p.chkNotTheKnown->accessibleName(), "3 times known items left out");
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, SettingsLayoutTest, ::testing::Values(10000, 20000),
                         [](const auto& info) { return info.param == 10000 ? "German" : "English"; });

}  // namespace
}  // namespace settingstest
