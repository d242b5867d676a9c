#include "overview/GridColouring.h"

#include "overview/GridModel.h"
#include "platform/Error.h"
#include "platform/dao/Dao.h"
#include "platform/grid/Grid.h"

#include <algorithm>
#include <iterator>

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

// The flags of every row's record, read in one pass over the records: after
// a sort the rows lie scattered over the recordset, and the recordset would
// fetch each record alone (with every field it has read for the grid).
RightAnswers readRightAnswers(const grid::Grid& g, RecordAccess& rs,
                              const std::vector<AnswerColumn>& answers) {
    const long rows = g.Rows();
    std::vector<long> rowOf(size_t(std::max(rs.RecordCount(), 0L)), 0);
    for (long r = 1; r <= rows; ++r) {
        const long p = recordPositionOfRow(g, r);
        if (p >= 0 && p < long(rowOf.size())) rowOf[size_t(p)] = r;
    }
    std::vector<int> numbers;
    for (const auto& a : answers) numbers.push_back(rs.FieldNumber(a.rightField));
    std::vector<int> known;
    std::copy_if(numbers.begin(), numbers.end(), std::back_inserter(known), [](int n) { return n >= 0; });
    RightAnswers bits(size_t(rows), 0);
    // Whole numbers straight from the pass, without a QVariant each: a sort
    // reads every answer flag of every record.
    const bool allNumbered = known.size() == answers.size();
    std::vector<dao::PassValue> pass(known.size());
    rs.ForEachRecord(known, [&](long position) {
        const long row = position >= 0 && position < long(rowOf.size()) ? rowOf[size_t(position)] : 0;
        if (row < 1) return;
        const bool passed = allNumbered && rs.ReadPassValues(known.data(), known.size(), pass.data());
        quint16 b = 0;
        for (size_t i = 0; i < answers.size(); ++i) {
            bool right;
            if (passed && pass[i].kind == dao::PassValue::Null)
                right = false;
            else if (passed &&
                     (pass[i].kind == dao::PassValue::Integer || pass[i].kind == dao::PassValue::Boolean))
                right = pass[i].integer == 1;
            else
                right = isRight(numbers[i] >= 0 ? rs.ValueAt(numbers[i]) : rs.Value(answers[i].rightField));
            if (right) b |= quint16(1u << answers[i].bit);
        }
        bits[size_t(row - 1)] = b;
    });
    return bits;
}

}  // namespace

void RMC_VGridColorEveryRight(grid::Grid& g, RecordAccess& rs, const RightAnswers* known) {
    const long selected = g.SelectedRow();
    const long rows = g.Rows();
    const auto answers = answerColumns(g);
    RightAnswers read;
    const bool walked = !known && !answers.empty();
    if (walked) {
        read = readRightAnswers(g, rs, answers);
        known = &read;
    }
    if (!answers.empty()) {
        for (long r = 1; r <= rows; ++r) {
            const quint16 bits = r <= long(known->size()) ? (*known)[size_t(r - 1)] : 0;
            if (!bits) continue;
            for (const auto& a : answers)
                if ((bits >> a.bit) & 1 && g.CellText(r, a.column) != QLatin1String("-"))
                    g.SetCellBackColor(r, a.column, colour::LightGreen);
        }
    }
    if (selected >= 1 && selected <= g.Rows()) {
        try {
            if (walked) rs.SetAbsolutePosition(recordPositionOfRow(g, selected));
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
    // With start column 1 the even rows take the default there, as all do
    // with reset; with 2 they keep their colours.
    const long start = indikatorRand == 0 ? 1 : 2;
    if (start <= g.Columns()) g.SetRowStripes(start, colour::Stripe, reset || start == 1);
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
