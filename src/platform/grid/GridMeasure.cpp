// Measuring the grid's text: column widths and the heights of rows with
// wrapped text, with the caches that keep a rebuild of many rows quick.
#include "platform/grid/Grid.h"
#include "platform/grid/GridStore.h"

#include "platform/Error.h"

#include <QFontMetricsF>
#include <QHash>
#include <QHeaderView>
#include <QRawFont>
#include <QTableView>
#include <algorithm>
#include <array>

namespace grid {

namespace {

// How a character takes part in line breaking, for the characters whose
// breaks the word-by-word measure knows. Between these the text layout
// breaks after a blank and nowhere else, but for the few rules of
// knownBreaks. Everything else (dashes, slashes, bars, closing braces,
// accents set apart, currency signs, scripts broken by dictionary, and
// whatever lies beyond) is left to the text layout.
enum BreakKind : quint8 { Unsure, Blank, Letter, Mark, Digit, Infix, Quote, Open, Close, Symbol };

constexpr char16_t kKindsBelow = 0x1100;

BreakKind breakKind(char16_t u) {
    if (u == u' ') return Blank;
    if (u >= u'0' && u <= u'9') return Digit;
    if (u < 0x80) {
        switch (u) {
            case u'.':
            case u',':
            case u':':
            case u';':
                return Infix;
            case u'\'':
            case u'"':
                return Quote;
            case u'(':
            case u'[':
                return Open;
            case u')':
            case u']':
                return Close;
            case u'#':
            case u'&':
            case u'*':
            case u'<':
            case u'=':
            case u'>':
            case u'@':
            case u'^':
            case u'_':
            case u'`':
            case u'~':
                return Symbol;
            default:
                return QChar::isLetter(u) ? Letter : Unsure;
        }
    }
    // The spacing modifier letters hold stress marks that break before
    // them; Thai, Lao, Tibetan and Myanmar break by dictionary.
    if (u >= kKindsBelow || (u >= 0x2B0 && u <= 0x2FF) || (u >= 0xE00 && u <= 0x109F)) return Unsure;
    if (QChar::isLetter(u)) return Letter;
    if (QChar::isMark(u)) return Mark;
    return Unsure;
}

const std::array<quint8, kKindsBelow>& breakKinds() {
    static const auto kinds = [] {
        std::array<quint8, kKindsBelow> k{};
        for (char16_t u = 0; u < kKindsBelow; ++u) k[u] = breakKind(u);
        return k;
    }();
    return kinds;
}

}  // namespace

void Grid::AutoWidthColumn(const QString& key) {
    auto& c = colByKey(key);
    const QFontMetrics fm(c.hasFont ? c.font : font());
    const QFontMetrics hfm(view_->horizontalHeader()->font());
    int w =
        hfm.horizontalAdvance(c.header) + 4 * kCellMargin + (c.headerIcon >= 0 ? kIconSize + kCellMargin : 0);
    // Statistics columns repeat few distinct texts: measure each text once.
    // Where the font's digits are all alike and touch nothing, texts that
    // differ only in their digits are as wide: they share one measure.
    QHash<detail::TextKey, int> seen;
    const qsizetype maxChar = std::max(1, fm.maxWidth());
    bool anyIcon = false;
    int widest = 0;
    QString normal;  // the text with its digits as zeros, reused from row to row
    const bool alike = digitsAlike(c);
    int numberWidth[24];  // by count of digits, -1 not yet measured
    std::fill(std::begin(numberWidth), std::end(numberWidth), -1);
    QString text;  // each measured row's text in turn, in one buffer
    for (long r = 0; r < s_->rows; ++r) {
        if (c.icon.at(size_t(r)) >= 0) anyIcon = true;
        // A text too short to beat the widest so far needs no measuring.
        const qsizetype length = c.text.length(size_t(r));
        if (length == 0 || length * maxChar <= widest) continue;
        c.text.read(size_t(r), text);
        const QStringView t(text);
        const QString raw = QString::fromRawData(text.constData(), text.size());
        if (alike && t.size() < qsizetype(std::size(numberWidth)) &&
            std::all_of(t.begin(), t.end(), [](QChar ch) { return ch >= u'0' && ch <= u'9'; })) {
            // A number: as wide as any other of as many digits.
            int& known = numberWidth[t.size()];
            if (known < 0) known = fm.horizontalAdvance(raw);
            widest = std::max(widest, known);
            continue;
        }
        QString key = raw;
        if (alike && numbersMeasureAlike(c, t)) {
            normal.resize(t.size());
            QChar* out = normal.data();
            for (const QChar ch : t)
                *out++ = ch >= QLatin1Char('1') && ch <= QLatin1Char('9') ? QLatin1Char('0') : ch;
            key = normal;
        }
        auto it = seen.constFind(detail::TextKey{key});
        int tw;
        if (it != seen.constEnd()) {
            tw = *it;
        } else {
            tw = fm.horizontalAdvance(raw);
            // Kept as a copy of its own: the key may be the column's buffer
            // or the reused one.
            if (seen.size() < 4096) seen.insert(detail::TextKey{QString(key.constData(), key.size())}, tw);
        }
        widest = std::max(widest, tw);
    }
    const int cell = widest + c.indent + 2 * kCellMargin + 2 + (anyIcon ? kIconSize + kCellMargin : 0);
    w = std::max(w, cell);
    SetColumnWidth(key, w);
}

int Grid::lineHeight(const Column& c) const {
    if (c.lineHeight == 0) c.lineHeight = QFontMetrics(c.hasFont ? c.font : font()).height();
    return c.lineHeight;
}

const QFontMetricsF& Grid::wrapMetrics(const Column& c) const {
    const QFont& f = c.hasFont ? c.font : font();
    if (!c.metrics || c.metricsFont != f) {
        c.metrics.emplace(f);
        c.metricsFont = f;
        const QFontMetrics im(f);
        c.metricsHeight = im.height();
        c.metricsLeading = im.leading();
        c.digitsAdd = -1;
        c.digitsAlike = -1;
        c.latinDigitNeighbours.fill(-1);
        c.digitNeighbours.clear();
        c.breakKinds.clear();
    }
    return *c.metrics;
}

bool Grid::digitsAdd(const Column& c) const {
    const QFontMetricsF& fm = wrapMetrics(c);  // also notices a new font
    if (c.digitsAdd < 0) {
        bool add = true;
        for (int d = 0; d < 10; ++d) c.digitWidth[d] = fm.horizontalAdvance(QString(QChar(u'0' + d)));
        for (int a = 0; a < 10 && add; ++a)
            for (int b = 0; b < 10 && add; ++b)
                add = fm.horizontalAdvance(QString(QChar(u'0' + a)) + QChar(u'0' + b)) ==
                      c.digitWidth[a] + c.digitWidth[b];
        qreal all = 0;
        for (int d = 0; d < 10; ++d) all += c.digitWidth[d];
        add = add && fm.horizontalAdvance(QStringLiteral("0123456789")) == all &&
              fm.horizontalAdvance(QStringLiteral("9876543210")) == all;
        c.digitsAdd = add ? 1 : 0;
    }
    return c.digitsAdd == 1;
}

bool Grid::digitsAlike(const Column& c) const {
    if (!digitsAdd(c)) return false;  // also notices a new font
    if (c.digitsAlike < 0) {
        c.digitsAlike = 1;
        for (int d = 1; d < 10; ++d)
            if (c.digitWidth[d] != c.digitWidth[0]) c.digitsAlike = 0;
    }
    return c.digitsAlike == 1;
}

bool Grid::numbersMeasureAlike(const Column& c, QStringView t) const {
    const QFontMetricsF& fm = *c.metrics;
    auto measure = [&](QChar ch) {
        const qreal w = fm.horizontalAdvance(QString(ch));
        bool ok = true;
        for (int d = 0; d < 10 && ok; ++d) {
            const QChar digit(u'0' + d);
            ok = fm.horizontalAdvance(QString(ch) + digit) == w + c.digitWidth[d] &&
                 fm.horizontalAdvance(QString(digit) + ch) == w + c.digitWidth[d];
        }
        return ok;
    };
    auto neighbourOk = [&](char16_t u) {
        if (u < 0x100) {
            // Most characters are Latin-1: by table, measured once each.
            qint8& known = c.latinDigitNeighbours[u];
            if (known < 0) known = measure(QChar(u)) ? 1 : 0;
            return known == 1;
        }
        if (QChar::isSurrogate(u)) return false;
        auto it = c.digitNeighbours.constFind(u);
        if (it != c.digitNeighbours.constEnd()) return *it;
        const bool ok = measure(QChar(u));
        c.digitNeighbours.insert(u, ok);
        return ok;
    };
    auto isDigit = [](char16_t u) { return char16_t(u - u'0') < 10; };
    const char16_t* p = t.utf16();
    const qsizetype n = t.size();
    bool anyDigit = false;
    for (qsizetype i = 0; i < n; ++i) {
        if (isDigit(p[i])) {
            anyDigit = true;
            continue;
        }
        const bool besideDigit = (i > 0 && isDigit(p[i - 1])) || (i + 1 < n && isDigit(p[i + 1]));
        if (besideDigit && !neighbourOk(p[i])) return false;
    }
    return anyDigit;
}

// Whether the text layout breaks t after its blanks and nowhere else, all
// of it drawn in the column's own font (a fallback font brings its own line
// height). After wrapMetrics(c).
bool Grid::knownBreaks(const Column& c, QStringView t) const {
    if (c.breakKinds.empty()) {
        const QRawFont own = QRawFont::fromFont(c.metricsFont);
        c.breakKinds.assign(breakKinds().begin(), breakKinds().end());
        for (char16_t u = 0; u < kKindsBelow; ++u)
            if (c.breakKinds[u] != Unsure && !own.supportsCharacter(QChar(u))) c.breakKinds[u] = Unsure;
    }
    BreakKind prev = Blank;       // the character before; Blank at a word's start
    BreakKind endOfWord = Blank;  // the last character of the word before
    bool first = true;
    for (const QChar ch : t) {
        const char16_t u = ch.unicode();
        const BreakKind k = u < kKindsBelow ? BreakKind(c.breakKinds[u]) : Unsure;
        switch (k) {
            case Unsure:
                return false;
            case Blank:
                // A leading or second blank; none breaks after an opening bracket.
                if (prev == Blank || prev == Open) return false;
                endOfWord = prev;
                break;
            case Mark:
                if (prev != Letter && prev != Mark) return false;
                break;
            case Digit:
                if (prev == Infix) return false;  // "1,5" breaks after its comma
                break;
            case Infix:
            case Close:
                if (prev == Blank && !first) return false;  // kept with the word before
                break;
            case Open:
                if (prev == Blank ? endOfWord == Quote : prev == Infix || prev == Close) return false;
                break;
            default:
                break;
        }
        prev = k;
        first = false;
    }
    return prev != Blank;
}

// Lines of text word-wrapped into width w, laid out word by word with the
// widths of the words cached per column (words repeat down a column), or -1
// where only the full text layout knows.
int Grid::wrappedLines(const Column& c, QStringView t, qreal w) const {
    const QFontMetricsF& fm = wrapMetrics(c);  // also notices a new font
    if (!knownBreaks(c, t)) return -1;
    auto width = [&](QStringView word) {
        const bool number = !word.isEmpty() && std::all_of(word.begin(), word.end(), [](QChar ch) {
            return ch >= QLatin1Char('0') && ch <= QLatin1Char('9');
        });
        if (number && digitsAdd(c)) {
            // Numbers rarely repeat: added up, not cached.
            qreal ww = 0;
            for (const QChar ch : word) ww += c.digitWidth[ch.unicode() - u'0'];
            return ww;
        }
        // Looked up without copying the word.
        const QString key = QString::fromRawData(word.data(), word.size());
        auto it = c.wordWidths.constFind(detail::TextKey{key});
        if (it != c.wordWidths.constEnd()) return *it;
        const qreal ww = fm.horizontalAdvance(key);
        if (c.wordWidths.size() < 65536) c.wordWidths.insert(detail::TextKey{word.toString()}, ww);
        return ww;
    };
    const qreal space = width(u" ");
    int lines = 1;
    qreal x = -1;
    const QStringView text(t);
    for (qsizetype start = 0;;) {
        const qsizetype sp = text.indexOf(QLatin1Char(' '), start);
        const qreal ww = width(text.mid(start, (sp < 0 ? text.size() : sp) - start));
        if (x < 0) {
            x = ww;
        } else if (x + space + ww <= w) {
            x += space + ww;
        } else {
            ++lines;
            x = ww;
        }
        if (sp < 0) break;
        start = sp + 1;
    }
    return lines;
}

int Grid::wrappedHeight(const Column& c, size_t r, bool icon) const {
    // The width the delegate draws into (the grid line takes one pixel).
    const int w =
        std::max(1, c.width - 1 - 2 * kCellMargin - c.indent - (icon ? kIconSize + kCellMargin : 0));
    if (c.wrapWidth != w || c.wrapFont != c.font) {
        c.wrapHeights.clear();
        c.wordWidths.clear();
        c.wrapWidth = w;
        c.wrapFont = c.font;
        c.wrapLookups = c.wrapHits = 0;
    }
    // Where the font draws every digit alike and none kerns with what
    // stands beside it, texts that differ only in their digits wrap alike
    // (numbered questions, "Thema 7"): they share one entry, that of the
    // text with zeros for its digits. The digits stand where they stood, so
    // whether they kern is asked of that text as well.
    if (!digitsAlike(c) || (c.text.readDigitsAsZeros(r, c.measured) && !numbersMeasureAlike(c, c.measured)))
        c.text.read(r, c.measured);
    const QStringView t(c.measured);
    const bool full = c.wrapHeights.size() >= 4096;
    if (!full || c.wrapLookups < 256 || c.wrapHits * 8 >= c.wrapLookups) {
        auto it = c.wrapHeights.constFind(
            detail::TextKey{QString::fromRawData(reinterpret_cast<const QChar*>(t.data()), t.size())});
        if (full) ++c.wrapLookups;
        if (it != c.wrapHeights.constEnd()) {
            if (full) ++c.wrapHits;
            return *it;
        }
    }
    int h;
    const int lines = wrappedLines(c, t, w);
    if (lines > 0) {
        h = lines * c.metricsHeight + (lines - 1) * c.metricsLeading;
    } else {
        const QFontMetrics fm(c.hasFont ? c.font : font());
        h = fm.boundingRect(QRect(0, 0, w, 1000000), Qt::TextWordWrap, t.toString()).height();
    }
    // Themes and categories repeat; questions rarely do, so the cache stays small.
    if (c.wrapHeights.size() < 4096) c.wrapHeights.insert(detail::TextKey{t.toString()}, h);
    return h;
}

// The height the full text layout gives, for comparison in tests.
int Grid::layoutHeight(const QString& key, const QString& text, int width) const {
    const auto& c = colByKey(key);
    return QFontMetrics(c.hasFont ? c.font : font())
        .boundingRect(QRect(0, 0, width, 1000000), Qt::TextWordWrap, text)
        .height();
}

int Grid::fastWrapHeight(const QString& key, const QString& text, int width) const {
    const auto& c = colByKey(key);
    const int lines = wrappedLines(c, text, width);
    if (lines < 0) return -1;
    const QFontMetrics fm(c.hasFont ? c.font : font());
    return lines * fm.height() + (lines - 1) * fm.leading();
}

int Grid::cellHeight(const Column& c, size_t r, int line) const {
    int h = line;
    const bool icon = c.icon.at(r) >= 0;
    if (icon) h = std::max(h, kIconSize);
    if ((c.format & DT_WORDBREAK) && !c.text.isEmpty(r)) h = std::max(h, wrappedHeight(c, r, icon));
    return h;
}

void Grid::AutoHeightRow(long row) {
    if (row < 1 || row > s_->rows) outOfRange(QStringLiteral("row %1").arg(row));
    const size_t r = size_t(row - 1);
    int h = 0;
    for (const auto& c : s_->cols)
        if (c.visible) h = std::max(h, cellHeight(c, r, lineHeight(c)));
    h += 2 * kCellMargin + 2;
    s_->height[r] = h;
    if (lookApplies()) view_->setRowHeight(int(r), h);
}

void Grid::AutoHeightRows() {
    if (s_->rows == 0) return;
    // Column by column: each column's cells lie together in memory, row by
    // row they would be as many cache misses as cells.
    const size_t n = size_t(s_->rows);
    std::vector<int> h(n, 0);
    // A column that neither wraps nor has an icon asks its line of every
    // row: taken once for all rows.
    int everyRow = 0;
    for (const auto& c : s_->cols) {
        if (!c.visible) continue;
        const int line = lineHeight(c);
        if (!(c.format & DT_WORDBREAK) && !c.icon.anyDiffers()) {
            everyRow = std::max(everyRow, line);
            continue;
        }
        for (size_t r = 0; r < n; ++r) h[r] = std::max(h[r], cellHeight(c, r, line));
    }
    const bool apply = lookApplies();
    for (size_t r = 0; r < n; ++r) {
        s_->height[r] = std::max(h[r], everyRow) + 2 * kCellMargin + 2;
        if (apply) view_->setRowHeight(int(r), s_->height[r]);
    }
}

}  // namespace grid
