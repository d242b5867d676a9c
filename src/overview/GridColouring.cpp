#include "overview/GridColouring.h"

#include "overview/GridModel.h"
#include "platform/Error.h"
#include "platform/grid/Grid.h"

namespace overview {

namespace {

struct AnswerColumn {
    long column;
    QString rightField;  // "RA1" .. "RA9"
    int bit;             // answer number
};

std::vector<AnswerColumn> answerColumns(const grid::Grid& g) {
    std::vector<AnswerColumn> out;
    for (long c = 2; c <= g.Columns(); ++c) {
        const QString key = g.ColumnKey(c);
        if (isAnswerKey(key)) out.push_back({c, QLatin1Char('R') + key, key.at(1).digitValue()});
    }
    return out;
}

bool isRight(const QVariant& v) {
    return v.isValid() && !v.isNull() && v.toInt() == 1;
}

}  // namespace

void RMC_VGridColorEveryRight(grid::Grid& g, RecordAccess& rs, const RightAnswers* known) {
    const long selected = g.SelectedRow();
    const long rows = g.Rows();
    const auto answers = answerColumns(g);
    if (!answers.empty()) {
        for (long r = 1; r <= rows; ++r) {
            if (known) {
                const quint16 bits = r <= long(known->size()) ? (*known)[size_t(r - 1)] : 0;
                if (!bits) continue;
                for (const auto& a : answers)
                    if ((bits >> a.bit) & 1 && g.CellText(r, a.column) != QLatin1String("-"))
                        g.SetCellBackColor(r, a.column, colour::LightGreen);
                continue;
            }
            rs.SetAbsolutePosition(recordPositionOfRow(g, r));
            for (const auto& a : answers)
                if (g.CellText(r, a.column) != QLatin1String("-") && isRight(rs.Value(a.rightField)))
                    g.SetCellBackColor(r, a.column, colour::LightGreen);
        }
    }
    if (selected >= 1 && selected <= g.Rows()) {
        try {
            if (!known && !answers.empty()) rs.SetAbsolutePosition(recordPositionOfRow(g, selected));
            g.SetSelectedRow(selected);
        } catch (const wk::Error&) {
            // The row's record may be gone; the selection stays as it is.
        }
    }
}

void RMC_VGridColorEveryRightInRow(grid::Grid& g, RecordAccess& rs, long row) {
    const long kept = rs.AbsolutePosition();
    rs.SetAbsolutePosition(recordPositionOfRow(g, row));
    for (const auto& a : answerColumns(g)) {
        if (g.CellText(row, a.column) != QLatin1String("-") && isRight(rs.Value(a.rightField)))
            g.SetCellBackColor(row, a.column, colour::LightGreen);
        else
            g.SetCellBackColor(row, a.column, g.CellBackColor(row, 3));
    }
    try {
        if (kept >= 0) rs.SetAbsolutePosition(kept);
    } catch (const wk::Error&) {
    }
}

void VGridColorEverySecondCell(grid::Grid& g, RecordAccess& rs, int indikatorRand, bool reset,
                               const RightAnswers* known) {
    const long start = indikatorRand == 0 ? 1 : 2;
    const long rows = g.Rows(), cols = g.Columns();
    if (reset)
        for (long r = 1; r <= rows; ++r)
            for (long c = start; c <= cols; ++c) g.SetCellBackColor(r, c, colour::Default);
    for (long r = 1; r <= rows; r += 2) {
        for (long c = start; c <= cols; ++c) {
            g.SetCellBackColor(r, c, colour::Stripe);
            if (start == 1 && r + 1 <= rows) g.SetCellBackColor(r + 1, c, colour::Default);
        }
    }
    RMC_VGridColorEveryRight(g, rs, known);
}

void VGridRestripeFromRow(grid::Grid& g, RecordAccess& rs, long row, long colour) {
    g.SetRedraw(false);
    struct RedrawBack {
        grid::Grid& g;
        ~RedrawBack() { g.SetRedraw(true); }
    } redrawBack{g};
    const long rows = g.Rows(), cols = g.Columns();
    const bool wasStripe = colour == colour::Stripe;
    for (long r = row; r >= 1 && r <= rows; r += 2)
        for (long c = 2; c <= cols; ++c)
            g.SetCellBackColor(r, c, wasStripe ? colour::Stripe : colour::Default);
    for (long r = row + 1; r >= 1 && r <= rows; r += 2)
        for (long c = 2; c <= cols; ++c)
            g.SetCellBackColor(r, c, wasStripe ? colour::Default : colour::Stripe);
    RMC_VGridColorEveryRight(g, rs);
}

}  // namespace overview
