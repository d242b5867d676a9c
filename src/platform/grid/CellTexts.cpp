#include "platform/grid/CellTexts.h"

#include "platform/Error.h"
#include "platform/Latin1.h"

#include <QStringDecoder>
#include <algorithm>
#include <cstring>

namespace grid::detail {

bool isAscii(const char* p, qsizetype n) {
    // Eight bytes at a time: any byte from 0x80 up sets a top bit.
    quint64 any = 0;
    qsizetype i = 0;
    for (; i + 8 <= n; i += 8) {
        quint64 x;
        std::memcpy(&x, p + i, 8);
        any |= x;
    }
    for (; i < n; ++i) any |= quint8(p[i]);
    return (any & 0x8080808080808080ull) == 0;
}

namespace {

bool latin1Only(QStringView t) {
    char16_t any = 0;
    for (const QChar c : t) any |= c.unicode();
    return any < 0x100;
}

}  // namespace

void CellTexts::read(size_t r, QString& out) const {
    const Span& s = spans_[r];
    if (s.length < 0) {
        out = QString();
        return;
    }
    out.resize(s.length);
    if (s.length == 0) {
        if (out.isNull()) out = QLatin1String("");
        return;
    }
    char16_t* to = reinterpret_cast<char16_t*>(out.data());
    if (s.at & kWide)
        std::memcpy(to, wide_.units.data() + (s.at & ~kWide), size_t(s.length) * sizeof(char16_t));
    else
        wk::widenLatin1(narrow_.units.data() + s.at, s.length, to);
}

bool CellTexts::readDigitsAsZeros(size_t r, QString& out) const {
    read(r, out);
    bool any = false;
    for (QChar& c : out) {
        if (c >= QLatin1Char('1') && c <= QLatin1Char('9')) {
            c = QLatin1Char('0');
            any = true;
        }
    }
    return any;
}

void CellTexts::setNull(size_t r) {
    if (!touched_[r]) {
        // Null already: its span is not written (a rebuild sets the empty
        // answer columns of every row).
        touched_[r] = true;
        ++filled_;
        return;
    }
    Span& s = spans_[r];
    release(s);
    s = Span{};
}

template <class Unit>
Unit* CellTexts::place(Buffer<Unit>& b, size_t r, qsizetype n) {
    Span& s = spans_[r];
    constexpr quint32 flag = sizeof(Unit) == 1 ? 0 : kWide;
    if (!touched_[r]) {
        // A row not yet set: its span is not read back.
        touched_[r] = true;
        ++filled_;
        return append(b, s, n);
    }
    if (n > 0 && n <= s.length && (s.at & kWide) == flag) {
        // Fits where the old one was.
        b.dead += size_t(s.length - n);
        s.length = qint32(n);
        return b.units.data() + (s.at & ~kWide);
    }
    release(s);
    s = Span{};
    compactIfWasteful();
    return append(b, s, n);
}

template <class Unit>
Unit* CellTexts::append(Buffer<Unit>& b, Span& s, qsizetype n) {
    constexpr quint32 flag = sizeof(Unit) == 1 ? 0 : kWide;
    if (n > 0 && b.units.size() + size_t(n) > kMaxUnits) {
        if (b.dead > 0) compact();
        if (b.units.size() + size_t(n) > kMaxUnits) throw wk::Error(7, QStringLiteral("Out of memory"));
    }
    const size_t at = b.units.size();
    s.at = quint32(at) | flag;
    s.length = qint32(n);
    if (n <= 0) return nullptr;
    if (at + size_t(n) > b.units.capacity()) grow(b, size_t(n));
    b.units.resize(at + size_t(n));
    return b.units.data() + at;
}

// A build fills every row: once some rows are set, room for all of them at
// what the rows so far took, rather than doubling (each doubling copies the
// whole buffer into new pages).
template <class Unit>
void CellTexts::grow(Buffer<Unit>& b, size_t n) {
    const size_t have = b.units.size();
    size_t want = std::max(b.units.capacity() * 2, have + n);
    if (filled_ >= 64 && spans_.size() > filled_)
        want = std::max(want, size_t(double(have) * double(spans_.size()) / double(filled_) * 1.125) + n);
    b.units.reserve(std::min(want, kMaxUnits));
}

void CellTexts::set(size_t r, QStringView t) {
    if (t.isNull()) {
        setNull(r);
        return;
    }
    const qsizetype n = t.size();
    if (latin1Only(t)) {
        char* out = place(narrow_, r, n);
        for (qsizetype i = 0; i < n; ++i) out[i] = char(t[i].unicode());
    } else {
        char16_t* out = place(wide_, r, n);
        std::memcpy(out, t.utf16(), size_t(n) * sizeof(char16_t));
    }
}

void CellTexts::setLatin1(size_t r, QLatin1StringView t) {
    if (t.isNull()) {
        setNull(r);
        return;
    }
    char* out = place(narrow_, r, t.size());
    if (out) std::memcpy(out, t.data(), size_t(t.size()));
}

void CellTexts::setUtf8(size_t r, QByteArrayView utf8) {
    if (utf8.isNull()) {
        setNull(r);
        return;
    }
    const qsizetype n = utf8.size();
    if (isAscii(utf8.data(), n)) {
        char* out = place(narrow_, r, n);
        if (out) std::memcpy(out, utf8.data(), size_t(n));
        return;
    }
    // As QString::fromUtf8 decodes it (a leading byte-order mark goes),
    // into a buffer reused from cell to cell.
    decoded_.resize(n);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QChar* end = decoder.appendToBuffer(decoded_.data(), utf8);
    set(r, QStringView(decoded_.constData(), end - decoded_.constData()));
}

void CellTexts::permute(const std::vector<int>& perm) {
    std::vector<Span> out;
    out.reserve(spans_.size());
    for (int i : perm) out.push_back(spans_[size_t(i)]);
    spans_.swap(out);
    touched_.assign(spans_.size(), true);
    filled_ = spans_.size();
}

// Texts overwritten or removed leave their units behind: they go once they
// are half of their buffer.
void CellTexts::compactIfWasteful() {
    auto wasteful = [](const auto& b) { return b.dead > 4096 && b.dead > b.units.size() / 2; };
    if (wasteful(narrow_) || wasteful(wide_)) compact();
}

void CellTexts::compact() {
    Buffer<char> narrow;
    Buffer<char16_t> wide;
    narrow.units.reserve(narrow_.units.size() - narrow_.dead);
    wide.units.reserve(wide_.units.size() - wide_.dead);
    for (Span& s : spans_) {
        if (s.length <= 0) {
            s.at = 0;
            continue;
        }
        const auto length = size_t(s.length);
        if (s.at & kWide) {
            const char16_t* from = wide_.units.data() + (s.at & ~kWide);
            s.at = quint32(wide.units.size()) | kWide;
            wide.units.insert(wide.units.end(), from, from + length);
        } else {
            const char* from = narrow_.units.data() + s.at;
            s.at = quint32(narrow.units.size());
            narrow.units.insert(narrow.units.end(), from, from + length);
        }
    }
    narrow_ = std::move(narrow);
    wide_ = std::move(wide);
}

}  // namespace grid::detail
