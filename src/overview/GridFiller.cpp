#include "overview/GridFiller.h"

#include "platform/Error.h"
#include "platform/dao/Dao.h"
#include "platform/grid/Grid.h"
#include "platform/grid/ImageList.h"

#include <algorithm>
#include <iterator>

namespace overview {

GridFiller::GridFiller(GridBuildInputs in) : in_(std::move(in)) {}

int GridFiller::percentOf(long i, long count) {
    // Whole-number arithmetic: the floating form can land just below a whole
    // figure (7 records would end at 99%).
    if (count <= 0) return 0;
    return int((qint64(i) + 1) * 100 / count);
}

void GridFiller::build() {
    grid::Grid& g = *in_.grid;
    RecordAccess& rs = *in_.records;

    opts_ = GridOptions::read(*in_.options);
    fonts_[int(FontKind::Question)] = optionFont(opts_.schriftart, opts_.schriftgroesse);
    fonts_[int(FontKind::Answer)] = optionFont(opts_.schriftartA, opts_.schriftgroesseA);
    fonts_[int(FontKind::Topic)] = optionFont(opts_.schriftartT, opts_.schriftgroesseT);
    fonts_[int(FontKind::Rest)] = optionFont(opts_.schriftartRest, opts_.schriftgroesseRest);

    g.SetRedraw(false);
    g.SetShowData(false);
    g.Clear(true);
    g.SetImageList(in_.ilVG);

    addColumns();

    const long kept = rs.AbsolutePosition();
    // Each step by itself may fail on an empty recordset; the next still runs.
    try {
        rs.MoveLast();
    } catch (const wk::Error&) {
    }
    try {
        rs.MoveFirst();
    } catch (const wk::Error&) {
    }
    try {
        g.SetRows(rs.RecordCount());
    } catch (const wk::Error&) {
    }

    rs.BeginBulkRead();
    try {
        fillRows();
    } catch (...) {
        rs.EndBulkRead();
        throw;
    }
    rs.EndBulkRead();

    VGridColorEverySecondCell(g, rs, in_.indikatorRand, false, &right_);
    setWidths();
    for (long c = 1; c <= g.Columns(); ++c) g.SetColumnSortable(g.ColumnKey(c), true);
    g.SetImageList(in_.IL);
    g.AutoHeightRows();
    if (kept != -1) rs.SetAbsolutePosition(kept);
}

void GridFiller::addColumns() {
    grid::Grid& g = *in_.grid;
    columns_ = gridColumns(
        opts_, in_.user, in_.getText ? in_.getText : [](int) { return QString(); });
    for (const auto& c : columns_) {
        switch (c.cell) {
            case CellRule::Icon:
                g.AddColumn(c.key, {}, grid::AlignLeft, -1, IconColumnWidth, true, true, {}, false);
                break;
            case CellRule::No:
                g.AddColumn(c.key, {}, grid::AlignLeft, -1, -1, false, true, {}, false);
                break;
            default:
                g.AddColumn(c.key, c.header, grid::AlignLeft, -1, -1, true, false, {}, true);
                break;
        }
    }
}

void GridFiller::fillRows() {
    grid::Grid& g = *in_.grid;
    RecordAccess& rs = *in_.records;
    const long count = rs.RecordCount();
    // Every record is read through the same fields: look them up once.
    const FieldRef fqField(rs, QStringLiteral("FQ%1").arg(in_.user));
    const IconFields iconFields(rs);
    std::vector<FieldRef> field(columns_.size());
    for (size_t c = 0; c < columns_.size(); ++c)
        if (!columns_[c].field.isEmpty()) field[c] = FieldRef(rs, columns_[c].field);
    const long singleLine = grid::FormatSingleLine, wrap = grid::FormatWordWrap;
    const long qFormat = opts_.zeilenumbruchQ == 1 ? wrap : singleLine;
    const long aFormat = opts_.zeilenumbruchA == 0 ? singleLine : wrap;
    const long tFormat = opts_.zeilenumbruchT == 0 ? singleLine : wrap;
    const QFont* fontQ = &fonts_[int(FontKind::Question)];
    const QFont* fontA = &fonts_[int(FontKind::Answer)];
    const QFont* fontT = &fonts_[int(FontKind::Topic)];
    const QFont* fontR = &fonts_[int(FontKind::Rest)];

    // The error rate column shows the field the row colour comes from: read once.
    std::vector<char> isFq(columns_.size());
    for (size_t c = 0; c < columns_.size(); ++c) isFq[c] = field[c].name == fqField.name;

    // Right-answer field of each answer column, by grid column.
    std::vector<FieldRef> rightField(columns_.size());
    for (size_t c = 0; c < columns_.size(); ++c)
        if (columns_[c].cell == CellRule::Answer)
            rightField[c] = FieldRef(rs, QLatin1Char('R') + columns_[c].key);
    right_.assign(size_t(std::max(0L, g.Rows())), 0);

    // Eight row icons at most: each is looked up in the image list once.
    int iconIndex[8];
    std::fill(std::begin(iconIndex), std::end(iconIndex), -2);
    auto iconOfKind = [&](int kind) {
        if (iconIndex[kind] == -2) iconIndex[kind] = in_.IL->ItemIndex(gridIconKeyNameOfKind(kind));
        return iconIndex[kind];
    };

    // Every field the rows read, for a source that reads them in one pass.
    std::vector<int> numbers;
    auto reads = [&numbers](const FieldRef& f) {
        if (f.number >= 0) numbers.push_back(f.number);
    };
    reads(fqField);
    for (const FieldRef* f : {&iconFields.markiert, &iconFields.sound, &iconFields.soundTip,
                              &iconFields.soundRichtig, &iconFields.soundFalsch, &iconFields.bild})
        reads(*f);
    for (size_t c = 0; c < columns_.size(); ++c) {
        reads(field[c]);
        reads(rightField[c]);
    }

    // Where the source gives a record's plain values in one call, each row
    // reads them so, and its cells take the texts as the file holds them;
    // a value that is not plain is read as a QVariant, as it always was.
    // Place in the batch (-1: read as a QVariant) of each value a row reads.
    std::vector<int> batch;
    auto slot = [&batch](const FieldRef& f) {
        if (f.number < 0) return -1;
        batch.push_back(f.number);
        return int(batch.size()) - 1;
    };
    const int fqSlot = slot(fqField);
    const int markSlot = slot(iconFields.markiert);
    int mediaSlot[5];
    {
        int k = 0;
        for (const FieldRef* f : {&iconFields.sound, &iconFields.soundTip, &iconFields.soundRichtig,
                                  &iconFields.soundFalsch, &iconFields.bild})
            mediaSlot[k++] = slot(*f);
    }
    std::vector<int> textSlot(columns_.size(), -1), rightSlot(columns_.size(), -1);
    for (size_t c = 0; c < columns_.size(); ++c) {
        switch (columns_[c].cell) {
            case CellRule::Answer:
                rightSlot[c] = slot(rightField[c]);
                [[fallthrough]];
            case CellRule::Question:
            case CellRule::Topic:
            case CellRule::Plain:
                textSlot[c] = slot(field[c]);
                break;
            default:
                break;
        }
    }
    std::vector<dao::PassValue> values(batch.size());
    bool plain = false;  // values holds the current record's
    auto plainValue = [&](int at) -> const dao::PassValue* {
        return plain && at >= 0 ? &values[size_t(at)] : nullptr;
    };

    // The row icon: from the plain values where they are all there.
    auto rowIcon = [&]() {
        const dao::PassValue* m = plainValue(markSlot);
        bool known = m && (m->kind == dao::PassValue::Boolean || m->kind == dao::PassValue::Null);
        bool media[5] = {};
        for (int k = 0; k < 5 && known; ++k) {
            const dao::PassValue* v = plainValue(mediaSlot[k]);
            known = v && v->kind == dao::PassValue::Length;
            if (known) media[k] = v->integer > 0;
        }
        if (!known) return iconOfKind(gridIconKind(rs, in_.listIcon, iconFields));
        const bool marked = m->kind == dao::PassValue::Boolean && m->integer != 0;
        return iconOfKind(
            gridIconKindOf(in_.listIcon, marked, media[0] || media[1] || media[2] || media[3], media[4]));
    };

    // One value per column, read into again for every row: its text buffer
    // is reused, not made anew for each cell.
    std::vector<QVariant> cell(columns_.size(), QVariant(QString()));
    auto read = [&](size_t ci) -> const QVariant& {
        field[ci].read(rs, cell[ci]);
        return cell[ci];
    };
    // A text cell: a plain value goes in as the file holds it.
    auto textCell = [&](long row, size_t ci, long format, long back, const QFont* f, int indent) {
        const long col = long(ci) + 1;
        if (const dao::PassValue* v = plainValue(textSlot[ci])) {
            char digits[24];
            switch (v->kind) {
                case dao::PassValue::Text:
                    g.CellDetailsText(row, col,
                                      v->ascii ? QAnyStringView(QLatin1StringView(v->text))
                                               : QAnyStringView(QUtf8StringView(v->text)),
                                      format, -1, back, -1, f, indent);
                    return;
                case dao::PassValue::Null:
                    g.CellDetailsText(row, col, QAnyStringView(), format, -1, back, -1, f, indent);
                    return;
                case dao::PassValue::Integer:
                    g.CellDetailsText(row, col, grid::DecimalText(v->integer, digits), format, -1, back, -1,
                                      f, indent);
                    return;
                default:
                    break;
            }
        }
        g.CellDetails(row, col, read(ci), format, -1, back, -1, f, indent);
    };
    std::vector<QVariant> rightValue(columns_.size());
    QVariant fq;
    const long rows = std::min(count, g.Rows());
    long done = 0;
    int shown = -1;
    // The records come in the source's order; each fills the row of its position.
    auto fillRow = [&](long i) {
        if (i >= rows) return;
        const int p = percentOf(done++, count);
        if (p != shown) {
            shown = p;
            if (in_.progress) in_.progress(p);
        }
        const long row = i + 1;
        plain = !batch.empty() && rs.ReadPassValues(batch.data(), batch.size(), values.data());
        if (const dao::PassValue* v = plainValue(fqSlot); v && v->kind == dao::PassValue::Real)
            fq.setValue(v->real);
        else if (v && v->kind == dao::PassValue::Null)
            fq = QVariant();
        else
            fqField.read(rs, fq);
        const int icon = in_.listIcon == 1 ? rowIcon() : -1;
        g.CellDetailsText(row, 1, QAnyStringView(), singleLine, icon, errorRateColour(fq));
        // Fonts are kept per column: given with the first row only.
        const QFont* const fQ = i == 0 ? fontQ : nullptr;
        const QFont* const fA = i == 0 ? fontA : nullptr;
        const QFont* const fT = i == 0 ? fontT : nullptr;
        const QFont* const fR = i == 0 ? fontR : nullptr;
        for (size_t ci = 1; ci < columns_.size(); ++ci) {
            const ColumnSpec& c = columns_[ci];
            const long col = long(ci) + 1;
            switch (c.cell) {
                case CellRule::ErrorRate:
                    g.CellDetails(row, col, errorRateValue(isFq[ci] ? fq : read(ci)), singleLine, -1, -1, -1,
                                  fR);
                    break;
                case CellRule::No: {
                    char digits[24];
                    g.CellDetailsText(row, col, grid::DecimalText(i, digits), singleLine);
                    break;
                }
                case CellRule::Question:
                    textCell(row, ci, qFormat, -1, fQ, QuestionIndent);
                    break;
                case CellRule::Answer: {
                    bool right;
                    const dao::PassValue* v = plainValue(rightSlot[ci]);
                    if (v && (v->kind == dao::PassValue::Integer || v->kind == dao::PassValue::Null)) {
                        right = v->kind == dao::PassValue::Integer && v->integer == 1;
                    } else {
                        QVariant& ra = rightValue[ci];
                        rightField[ci].read(rs, ra);
                        right = ra.typeId() == QMetaType::Int
                                    ? *static_cast<const int*>(ra.constData()) == 1
                                    : ra.isValid() && !ra.isNull() && ra.toInt() == 1;
                    }
                    if (right) right_[size_t(i)] |= quint16(1u << c.key.at(1).digitValue());
                    textCell(row, ci, aFormat, right ? colour::LightGreen : colour::Default, fA, 0);
                    break;
                }
                case CellRule::Topic:
                    textCell(row, ci, tFormat, -1, fT, 0);
                    break;
                case CellRule::Plain:
                    textCell(row, ci, singleLine, -1, fR, 0);
                    break;
                case CellRule::Icon:
                    break;
            }
        }
    };
    if (rows > 0) {
        rs.ForEachRecord(numbers, fillRow);
        // Where a walk by position would have left it.
        rs.SetAbsolutePosition(rows - 1);
    }
}

void GridFiller::setWidths() {
    grid::Grid& g = *in_.grid;
    for (const auto& c : columns_) {
        switch (c.widthRule) {
            case WidthRule::Text150:
                g.SetColumnWidth(c.key, c.storedWidth != 0 ? c.storedWidth : TextColumnWidth);
                break;
            case WidthRule::Topic:
                if (c.storedWidth != 0) g.SetColumnWidth(c.key, c.storedWidth);
                break;
            case WidthRule::Fit:
                if (c.storedWidth != 0)
                    g.SetColumnWidth(c.key, c.storedWidth);
                else
                    g.AutoWidthColumn(c.key);
                break;
            case WidthRule::Fixed:
            case WidthRule::Default:
                break;
        }
    }
}

}  // namespace overview
