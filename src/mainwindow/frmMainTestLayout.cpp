// The test screen's geometry: where the question, the picture and the
// answer controls of the shown item go for the panel's size, text boxes
// sized to their text, and the grid of special characters.
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QTableView>
#include <algorithm>
#include <cmath>

#include "core/RunState.h"
#include "core/RunStateDb.h"
#include "core/modMain.h"
#include "core/modMedia.h"
#include "mainwindow/frmMain.h"
#include "platform/Error.h"
#include "platform/forms/Colors.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Interaction.h"
#include "platform/grid/Grid.h"
#include "testengine/Answers.h"
#include "testengine/Selection.h"

namespace mainwindow {

using namespace runstate;
using namespace tsgeo;

namespace tsgeo {

double TextWidth(const QFont& f, const QString& s) {
    const QFontMetricsF fm(f);
    double w = 0;
    for (const QString& line : QString(s).replace("\r\n", "\n").split('\n'))
        w = std::max(w, fm.horizontalAdvance(line));
    return w * TwipsPerPixel;
}

double TextHeight(const QFont& f, const QString& s) {
    const QFontMetricsF fm(f);
    const auto lines = QString(s).replace("\r\n", "\n").split('\n').size();
    return std::ceil(fm.lineSpacing()) * lines * TwipsPerPixel;
}

QString WrapText(const QFont& f, const QString& s, double width) {
    QStringList lines;
    QString line;
    for (const QString& word : s.split(' ')) {
        const QString next = line.isEmpty() ? word : line + ' ' + word;
        if (!line.isEmpty() && TextWidth(f, next) > width) {
            lines << line;
            line = word;
        } else {
            line = next;
        }
    }
    lines << line;
    return lines.join('\n');
}

}  // namespace tsgeo

QString UmlautCharacters() {
    QString s;
    for (int c = 192; c <= 223; ++c) {
        s += QChar(c);
        s += QChar(c + 32);
    }
    return s;
}

namespace {

int opt(const char* field) {
    if (!rsOptions) return 0;
    return testengine::OptionInt(*rsOptions, QString::fromLatin1(field));
}

// One placement step: an error is reported and the layout goes on.
template <typename Fn>
void placed(Fn&& fn) {
    try {
        fn();
    } catch (const wk::Error& e) {
        modMain::ShowError(e.number(), e.description(), QStringLiteral("hc201"));
    }
}

}  // namespace

void frmMain::SetBestTextWidth(QLineEdit* T, long min, long Plus, long MAX) {
    double w = std::round(TextWidth(T->font(), T->text()) + double(Plus));
    if (w <= double(min)) w = double(min);
    if (w > double(MAX)) w = double(MAX);
    setWidth(T, w);
}

void frmMain::LayoutTestControls(QLabel* lbl) {
    if (bProgEnde || !fraTestBewertung) return;
    const double FW = Width(fraAbfrage), FH = Height(fraAbfrage), W = twips(width());
    setLeft(fraTestBewertung, FW / 2 - Width(fraTestBewertung) / 2);
    setTop(fraTestBewertung, 0);
    setLeft(lblTestXvonX, FW - Width(lblTestXvonX) - 120);
    auto& st = testState;
    if (st.TestFinished || !dataTest) return;

    dao::Recordset& rs = *dataTest;
    const int n = st.Test_WievieleAntwortFelder;
    const double A = W * 6 / 8;
    const double row = std::round(FH / (n + 3));
    bool pic = false;
    placed([&] { pic = modMedia::HasPicture(rs) && opt("ShowPic") == 1; });
    const bool showText = opt("ShowText") == 1;
    auto Lb = [&] { return Bottom(lbl); };

    // The question is measured in its own font, so that what is measured is
    // what is drawn.
    placed([&] {
        const QString cap = lbl->text();
        const double t = std::round(TextWidth(lbl->font(), cap) + 500);
        const double th = TextHeight(lbl->font(), cap);
        if (A < t) {
            const double lines = std::ceil(t / A);
            setHeight(lbl, th * lines + 80);
            setWidth(lbl, A + 700);
        } else {
            setWidth(lbl, t);
            setHeight(lbl, th + 80);
        }
        setLeft(lbl, W / 2 - Width(lbl) / 2);
    });
    placed([&] { setTop(lbl, (n < 4 && !pic) ? row : FH / 8); });

    if (st.ItemTyp == 0) {
        placed([&] {
            QLineEdit* T1 = txtTestA(1);
            const double h1 = Height(T1);
            const bool fits = Lb() + row + n * h1 + n * 30 <= FH;
            auto stack = [&](double gap) {
                for (int i = 2; i <= n; ++i) setTop(txtTestA(i), Bottom(txtTestA(i - 1)) + gap);
            };
            if (!showText) {
                if (n <= 1) {
                    if (pic) {
                        setTop(T1, FH / 8);
                        setTop(imgTest, Bottom(T1) + 100);
                    } else {
                        setTop(T1, FH / 3 - h1);
                    }
                } else {
                    setTop(T1, 400);
                    stack(50);
                    setTop(imgTest, Bottom(txtTestA(n)) + 80);
                }
            } else if (n <= 1) {
                if (pic) {
                    setTop(T1, Lb() + 100);
                    setTop(imgTest, Bottom(T1) + 100);
                } else {
                    setTop(T1, Lb() + (FH - Lb()) / 6);
                }
            } else if (pic) {
                setTop(T1, Lb() + 100);
                stack(50);
                setTop(imgTest, Bottom(txtTestA(n)) + 100);
            } else if (fits) {
                setTop(T1, Lb() + row);
                stack(30);
            } else {
                setTop(lbl, 150);
                setTop(T1, Lb() + 50);
                stack(30);
            }
        });
        for (int i = 1; i <= n; ++i) {
            placed([&] {
                QLineEdit* T = txtTestA(i);
                SetBestTextWidth(T, 2000, 600, long(FW - 4000));
                setLeft(T, FW / 2 - Width(T) / 2);
                T->setVisible(true);
            });
        }
        placed([&] {
            if (n < 9 && (opt("Lernmodus") == 1 || txtTestA(n + 1)->isVisible())) {
                QLineEdit* S = txtTestA(n + 1);
                S->setText(st.ExpectedAnswers.mid(1).join(QStringLiteral(", ")));
                SetBestTextWidth(S, 2000, 600, long(FW - 2000));
                setLeft(S, FW / 2 - Width(S) / 2);
                // Without answer boxes the solution stands under the question.
                setTop(S, n >= 1 ? Bottom(txtTestA(n)) + 100 : Lb() + 100);
                S->setReadOnly(true);
                forms::setBackColor(S, forms::vbInfoBackground);
                S->setVisible(true);
            }
        });
    } else if (st.ItemTyp == 1) {
        placed([&] {
            const int m = std::min(testengine::CountAnswers(rs), 9);
            const bool checks = testengine::CountRightAnswers(rs) > 1;
            auto C = [&](int i) -> QAbstractButton* {
                return checks ? static_cast<QAbstractButton*>(chkTestA(i)) : optTestA(i);
            };
            const QFont f = optTestA(1)->font();
            double M = 0;
            for (int i = 1; i <= m; ++i) {
                QAbstractButton* c = C(i);
                const QString cap = st.ExpectedAnswers.value(i);
                c->setText(forms::literalCaption(cap));
                const double tw = TextWidth(f, cap);
                setWidth(c, tw + 400);
                setHeight(c, TextHeight(f, cap));
                if (A < tw + 500) {
                    double lines = std::ceil((tw + 500) / A);
                    // A choice button does not wrap its text itself: break it
                    // at blanks, and give it the lines that takes.
                    const QString wrapped = WrapText(f, cap, A);
                    lines = std::max<double>(lines, wrapped.count('\n') + 1);
                    c->setText(forms::literalCaption(wrapped));
                    setHeight(c, TextHeight(f, cap) * lines + 80);
                    setWidth(c, A + 700);
                }
                M = std::max(M, Width(c));
            }
            for (int i = 1; i <= m; ++i) setLeft(C(i), FW / 2 - M / 2);
            for (int i = 1; i <= m; ++i) {
                setTop(C(i), i == 1 ? Lb() + 250 : Bottom(C(i - 1)) + 100);
                C(i)->setVisible(true);
            }
            if (pic) {
                if (checks)
                    setTop(imgTest, Bottom(chkTestA(std::max(m, 1))) + 80);
                else if (m == 0)
                    setTop(imgTest, showText ? Lb() + 100 : 100);
                else
                    setTop(imgTest, Bottom(optTestA(m)) + 80);
            }
        });
    }
    setLeft(imgTest, FW / 2 - Width(imgTest) / 2);
}

void frmMain::FillUmlauteGrid() {
    if (!vgUmlaute) return;
    vgUmlaute->SetRedraw(false);
    vgUmlaute->Clear(true);
    QFont f = txtTestA.count() ? txtTestA(1)->font() : font();
    f.setPointSize(12);
    const double p = TwipsPerPixel;
    // A grid narrower than one column still gets one.
    const int cols = std::max(1, int(std::nearbyint((Width(vgUmlaute) / p - 32) / 17.0)));
    const int rows = 64 / cols + (64 % cols ? 1 : 0);
    for (int c = 1; c <= cols; ++c)
        vgUmlaute->AddColumn(QString::number(c), QString(), grid::AlignLeft, -1, 17);
    for (int r = 1; r <= rows; ++r) vgUmlaute->AddRow(-1, QString::number(r));
    const QString chars = UmlautCharacters();
    for (int k = 0; k < chars.size(); ++k)
        vgUmlaute->CellDetails(k / cols + 1, k % cols + 1, QString(chars.at(k)),
                               grid::DT_CENTER | grid::DT_VCENTER | grid::DT_SINGLELINE, -1, -1, -1, &f);
    for (int c = 1; c <= cols; ++c) vgUmlaute->SetColumnWidth(QString::number(c), 17);
    // The grid shows one row at a time. A row holds a line of the 12-point
    // font plus the grid's cell margins (2 pixels above and below), or the
    // tops of accents and the cedillas are cut; the grid is just high enough
    // for one row (the resize layout keeps its bottom where a 300-twip grid
    // would end).
    const int rowHeight = QFontMetrics(f).height() + 2 * 2;
    for (int r = 1; r <= rows; ++r) vgUmlaute->SetRowHeight(r, rowHeight);
    // Computed, not measured: a hidden grid's viewport is not laid out yet.
    const int height = rowHeight + 2 * vgUmlaute->view()->frameWidth();
    vgUmlaute->resize(vgUmlaute->width(), height);
    vgUmlaute->SetRedraw(true);
}

void frmMain::vgUmlaute_DblClick(long lRow, long lCol) {
    // A sign never goes into an answer box no longer shown.
    if (FocusedAnswerBox && !FocusedAnswerBox->isVisibleTo(this)) return;
    QString s;
    try {
        if (FocusedAnswerBox) FocusedAnswerBox->setFocus();
    } catch (...) {
    }
    try {
        s = vgUmlaute->CellText(lRow, lCol);
    } catch (const wk::Error&) {
    }
    if (s.isEmpty()) return;
    // Put at the caret of the remembered box, replacing its selection; its
    // change handling runs as for typed input.
    if (FocusedAnswerBox && !FocusedAnswerBox->isReadOnly())
        FocusedAnswerBox->insert(s);
    else
        forms::ui().SendKeys(s);
}

}  // namespace mainwindow
