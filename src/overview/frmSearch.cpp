#include "overview/frmSearch.h"

#include <QEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QVBoxLayout>

#include "core/RunState.h"
#include "core/modFunctions.h"
#include "core/modMain.h"
#include "overview/OverviewDialogsHost.h"
#include "platform/forms/Captions.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Interaction.h"
#include "platform/grid/Grid.h"
#include "vocabdb/FontSettings.h"

namespace overview {

namespace {
constexpr int SearchTextLimit = 40;
constexpr int Margin = 4;
}  // namespace

frmSearch::frmSearch(DialogsHost& host, QWidget* parent) : QDialog(parent), host_(host) {
    setObjectName("frmSearch");
    setModal(true);
    txtS = new QLineEdit(this);
    txtS->setObjectName("txtS");
    forms::limitTextLength(txtS, SearchTextLimit);
    txtS->setMinimumWidth(320);
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(Margin, Margin, Margin, Margin);
    lay->addWidget(txtS);
    txtS->installEventFilter(this);
}

void frmSearch::Form_Load() {
    // The top-left corner at the centre of the main window.
    if (QWidget* main = host_.MainWindow()) {
        const QRect g = main->frameGeometry();
        move(g.left() + g.width() / 2, g.top() + g.height() / 2);
    }
    const QString face = vocabdb::GetSchriftartA(host_.OptionsRecord());
    QFont f = font();
    if (!face.isEmpty()) f.setFamily(face);
    setFont(f);
    txtS->setFont(f);
    const int h = QFontMetrics(f).boundingRect(QStringLiteral("X")).height();
    txtS->setFixedHeight(std::max(h, txtS->minimumSizeHint().height()));
    setFixedHeight(txtS->height() + 2 * Margin);
    txtS->setText(QString());
    hitRow_ = 0;
    hitCol_ = 0;
    setWindowTitle(modMain::GetText(98));
    txtS->setAccessibleName(forms::spokenCaption(modMain::GetText(97)));
}

int frmSearch::txtS_KeyPress(int keyAscii) {
    if (keyAscii == 27) {
        if (isVisible())
            done(QDialog::Rejected);
        else
            Form_Unload();
        return 0;
    }
    if (keyAscii == 13) {
        FindNext();
        return 0;
    }
    return keyAscii;
}

void frmSearch::FindNext() {
    grid::Grid& g = host_.vg1();
    const long rows = g.Rows();
    const long cols = g.Columns();
    if (g.SelectedRow() < 1 || SearchRow == rows) {
        if (rows >= 1) g.SetSelectedRow(1);
        SearchRow = 0;
    }
    if (g.SelectedColumn() < 1 && cols >= 2 && rows >= 1) g.SetSelectedColumn(2);
    if (SearchCol < cols) {
        ++SearchCol;
    } else {
        ++SearchRow;
        SearchCol = 1;
    }

    const QString wanted = modFunctions::UCase(txtS->text());
    long hitR = 0, hitC = 0;
    for (long r = std::max(SearchRow, 0L); r <= rows && hitR == 0; ++r) {
        if (r > 0) {
            for (long c = std::max(SearchCol, 1L); c <= cols; ++c) {
                if (c == 1) continue;
                if (modFunctions::UCase(g.CellText(r, c)).contains(wanted)) {
                    hitR = r;
                    hitC = c;
                    break;
                }
            }
        }
        if (hitR == 0) SearchCol = 1;
    }

    if (hitR == 0) {
        SearchRow = 0;
        txtS->setAccessibleDescription(QString());  // back from the box, no old hit is heard
        // The row the search left current (row 1 when it began again at
        // the top) is the one Delete would remove: it is shown.
        if (g.SelectedRow() >= 1 && g.SelectedColumn() >= 1)
            g.EnsureVisible(g.SelectedRow(), g.SelectedColumn());
        forms::ui().MsgBox(modMain::GetText(99), forms::vbOKOnly | forms::vbInformation, runstate::ProgName);
        return;
    }
    if (hitRow_ != 0 && hitCol_ != 0 && hitRow_ <= rows && hitCol_ <= cols)
        g.SetCellBackColor(hitRow_, hitCol_, savedColour_);
    SearchRow = hitR;
    SearchCol = hitC;
    // The hit becomes the grid's current cell: the row shown as current is
    // the item every command acts on. A hit in the hidden "no" column puts
    // the cursor on the row's question, and that cell is brought into view
    // (a hidden one cannot be).
    long cursorCol = hitC;
    if (!g.ColumnVisible(g.ColumnKey(hitC)) && g.ColumnExists(QStringLiteral("Q")))
        cursorCol = g.ColumnIndex(QStringLiteral("Q"));
    g.SetSelectedRow(hitR);
    g.SetSelectedColumn(cursorCol);
    host_.vg1_SelectionChange(hitR, hitC);
    g.EnsureVisible(hitR, cursorCol);
    savedColour_ = g.CellBackColor(hitR, hitC);
    hitRow_ = hitR;
    hitCol_ = hitC;
    g.SetCellBackColor(hitR, hitC, SearchHitColour);
    tellHit(cursorCol);
}

// The hit is news where the learner types: a reader speaks a description
// that changes on the control it is on (the grid, without the focus, is
// not heard). The cell by its column, and the row by its question.
void frmSearch::tellHit(long col) {
    const grid::Grid& g = host_.vg1();
    const auto cell = [&](long c) {
        return g.ColumnHeader(g.ColumnKey(c)) + QStringLiteral(": ") + g.CellText(hitRow_, c);
    };
    QString words = cell(col);
    const QString q = QStringLiteral("Q");
    if (g.ColumnExists(q) && g.ColumnIndex(q) != col) words += QStringLiteral(", ") + cell(g.ColumnIndex(q));
    txtS->setAccessibleDescription(words);
}

void frmSearch::Form_Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    grid::Grid& g = host_.vg1();
    if (hitRow_ != 0 && hitCol_ != 0 && hitRow_ <= g.Rows() && hitCol_ <= g.Columns())
        g.SetCellBackColor(hitRow_, hitCol_, savedColour_);
}

void frmSearch::done(int result) {
    Form_Unload();
    QDialog::done(result);
}

bool frmSearch::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtS && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape) return txtS_KeyPress(27) == 0;
        if (key == Qt::Key_Return || key == Qt::Key_Enter) return txtS_KeyPress(13) == 0;
    }
    return QDialog::eventFilter(watched, event);
}

void ShowSearch(DialogsHost& host) {
    frmSearch f(host, host.MainWindow());
    f.Form_Load();
    forms::ui().ShowModal(f);
}

}  // namespace overview
