// The item editor's grid of special characters for the question and answer
// boxes.
#include "editor/frmEditVok.h"
#include "editor/frmEditVokParts.h"

#include <QAccessible>
#include <QFont>
#include <QFontMetrics>
#include <QTableView>
#include <algorithm>

#include "core/RunState.h"
#include "core/modMain.h"
#include "editor/EditVokRules.h"
#include "platform/Error.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Keys.h"
#include "platform/forms/Twips.h"
#include "platform/grid/Grid.h"
#include "platform/media/Media.h"

namespace editor {

using modMain::GetText;

// ---------------------------------------------------------------- special characters

void frmEditVok::openCharGrid(QLineEdit* box, int boxIndex) {
    UmlautZiel = box;
    QFont f = vb->font();
    f.setFamily(box->font().family());
    vb->setFont(f);
    const int topTwips = forms::pixelsToTwips(box->y() + box->height());
    BuildCharGrid();
    // Under the question and the first answers all eight rows are seen, with
    // no scroll bar over the last one; the lower boxes scroll.
    int heightTwips = CharGridHeight(boxIndex);
    if (heightTwips >= CharGridHeight(0)) {
        int rows = 2 * vb->view()->frameWidth();
        for (long r = 1; r <= vb->Rows(); ++r) rows += vb->RowHeight(r);
        heightTwips = std::max(heightTwips, forms::pixelsToTwips(rows));
    }
    forms::moveTwips(vb, 1440, topTwips, 2415, heightTwips);
    vb->show();
    vb->raise();
    vb->setFocus();
    try {
        vb->SetSelectedColumn(1);
        vb->SetSelectedRow(1);
    } catch (const wk::Error&) {
    }
}

void frmEditVok::BuildCharGrid() {
    vb->Clear(true);
    QFont f = txtQ->font();
    f.setPointSize(12);
    for (int c = 1; c <= 8; ++c) vb->AddColumn(QString::number(c));
    for (int r = 1; r <= 8; ++r) vb->AddRow(-1, QString::number(r));
    for (int r = 1; r <= 8; ++r)
        for (int c = 1; c <= 8; ++c)
            vb->CellDetails(r, c, QString(SpecialChar(r, c)), grid::DT_CENTER, -1, -1, -1, &f);
    for (int c = 1; c <= 8; ++c) vb->SetColumnWidth(QString::number(c), 17);
    // Rows as high as the characters, accents over capitals included.
    const int rowHeight = QFontMetrics(f).height() + 2;
    for (int r = 1; r <= 8; ++r) vb->SetRowHeight(r, rowHeight);
}

void frmEditVok::pickChar(long row, long col) {
    if (!UmlautZiel) return;
    const QChar ch = SpecialChar(int(row), int(col));
    if (ch.isNull()) return;
    UmlautZiel->setText(UmlautZiel->text() + ch);
    // The box is not where the keys are: a reader hears what it holds on the sign.
    const QAccessibleInterface* box = QAccessible::queryAccessibleInterface(UmlautZiel);
    vb->TellOnCurrentCell((box ? box->text(QAccessible::Name) : QString()) + QStringLiteral(": ") +
                          UmlautZiel->text());
}

void frmEditVok::txtQ_DblClick() {
    openCharGrid(txtQ, 0);
}

void frmEditVok::txtA_DblClick(int Index) {
    openCharGrid(txtA(Index), Index);
}

void frmEditVok::txtQ_KeyUp(int& KeyCode, int Shift) {
    txtA_KeyUp(0, KeyCode, Shift);
}

// Index 0 is the question box.
void frmEditVok::txtA_KeyUp(int Index, int& KeyCode, int Shift) {
    if (KeyCode == forms::vbKeyShift) return;
    // Ctrl+S comes with exactly Ctrl down, so Shift is up and the grid opens.
    const QChar key = QChar(char16_t(KeyCode)).toUpper();
    if (Shift == forms::vbCtrlMask) {
        if (key == QLatin1Char('N'))
            forms::ui().SendKeys(QStringLiteral("ñ"));
        else if (key == QLatin1Char('S'))
            Index == 0 ? txtQ_DblClick() : txtA_DblClick(Index);
    } else if (Shift == (forms::vbCtrlMask | forms::vbShiftMask)) {
        if (key == QLatin1Char('1'))
            forms::ui().SendKeys(QStringLiteral("¡"));
        else if (key == QLatin1Char('N'))
            forms::ui().SendKeys(QStringLiteral("Ñ"));
        else if (key == QLatin1Char('C'))
            forms::ui().SendKeys(QStringLiteral("Ç"));
        else if (KeyCode == 219)
            forms::ui().SendKeys(QStringLiteral("¿"));
    }
}

void frmEditVok::vb_DblClick(long Row, long Col) {
    pickChar(Row, Col);
}

void frmEditVok::vb_KeyPress(int& KeyAscii) {
    if (KeyAscii == 13 || KeyAscii == 32) {
        pickChar(vb->SelectedRow(), vb->SelectedColumn());
    } else if (KeyAscii == 27 && UmlautZiel) {
        UmlautZiel->setCursorPosition(int(UmlautZiel->text().size()));
        UmlautZiel->setFocus();
        vb_LostFocus();
    }
}

void frmEditVok::vb_LostFocus() {
    vb->hide();
}

}  // namespace editor
