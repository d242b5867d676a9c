#pragma once
// A grid column's cell texts: every text in one of two buffers, a span per
// row. A rebuild stores millions of texts; one allocation each would cost
// more to make and to free than much of the rest of the build.
//
// A text whose characters all lie below U+0100 (nearly every cell: numbers,
// and most words of the Latin scripts) is kept as one byte a character,
// others as their UTF-16 units. A file's plain ASCII text is stored with one
// copy, and widened to UTF-16 only when a cell is drawn, measured or sorted.

#include <QAnyStringView>
#include <QByteArrayView>
#include <QLatin1StringView>
#include <QString>
#include <QStringView>
#include <limits>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

namespace grid::detail {

// Whether the n bytes at p are all below 0x80.
bool isAscii(const char* p, qsizetype n);

// An allocator whose resize leaves new units unset: they are written at once.
template <class T>
struct UnsetAllocator : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = UnsetAllocator<U>;
    };
    UnsetAllocator() = default;
    template <class U>
    UnsetAllocator(const UnsetAllocator<U>&) noexcept {}
    template <class U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... A>
    void construct(U* p, A&&... a) {
        ::new (static_cast<void*>(p)) U(std::forward<A>(a)...);
    }
};

class CellTexts {
public:
    size_t size() const { return spans_.size(); }
    void resize(size_t n) {
        spans_.resize(n);
        touched_.resize(n, false);
    }
    bool isNull(size_t r) const { return spans_[r].length < 0; }
    bool isEmpty(size_t r) const { return spans_[r].length <= 0; }
    // Length in UTF-16 units, as the text's QString has it.
    qsizetype length(size_t r) const { return spans_[r].length > 0 ? spans_[r].length : 0; }
    // Whether the text is kept as UTF-16 (wide) rather than one byte a character.
    bool isWide(size_t r) const { return (spans_[r].at & kWide) != 0; }
    // The text as it is kept; valid until the column's texts next change.
    QLatin1StringView narrow(size_t r) const {
        const Span& s = spans_[r];
        return s.length > 0 ? QLatin1StringView(narrow_.units.data() + s.at, s.length) : QLatin1StringView();
    }
    QStringView wide(size_t r) const {
        const Span& s = spans_[r];
        return s.length > 0 ? QStringView(wide_.units.data() + (s.at & ~kWide), s.length) : QStringView();
    }
    // The text into `out`, in the buffer out holds where it can (a walk over
    // many cells then makes no string per cell). Null and empty as at().
    void read(size_t r, QString& out) const;
    // read() with the digits 1 to 9 as 0; whether there were any.
    bool readDigitsAsZeros(size_t r, QString& out) const;
    // A copy: a text never set is a null string, an empty one stays empty.
    QString at(size_t r) const {
        QString t;
        read(r, t);
        return t;
    }
    // A null view makes a null text.
    void set(size_t r, QStringView t);
    // Characters that are all Latin-1 (a null view makes a null text).
    void setLatin1(size_t r, QLatin1StringView t);
    // The text QString::fromUtf8(utf8) gives, without making that string
    // where the bytes are ASCII.
    void setUtf8(size_t r, QByteArrayView utf8);
    // Any of the above, by the kind of view.
    void setAny(size_t r, QAnyStringView t) {
        t.visit([&](auto v) {
            if constexpr (std::is_same_v<decltype(v), QLatin1StringView>)
                setLatin1(r, v);
            else if constexpr (std::is_same_v<decltype(v), QStringView>)
                set(r, v);
            else
                setUtf8(r, QByteArrayView(v.data(), v.size()));
        });
    }
    void insert(size_t at) {
        spans_.insert(spans_.begin() + long(at), Span{});
        touched_.insert(touched_.begin() + long(at), false);
    }
    void erase(size_t at) {
        release(spans_[at]);
        spans_.erase(spans_.begin() + long(at));
        touched_.erase(touched_.begin() + long(at));
    }
    // Row i takes the text of row perm[i].
    void permute(const std::vector<int>& perm);

private:
    // Small, as there is one per cell. The top bit of `at` says which buffer
    // the text is in; each holds up to 2^31 units.
    struct Span {
        quint32 at = 0;
        qint32 length = -1;  // -1: null
    };
    static constexpr quint32 kWide = 0x80000000u;
    static constexpr size_t kMaxUnits = size_t(std::numeric_limits<qint32>::max());

    template <class Unit>
    struct Buffer {
        std::vector<Unit, UnsetAllocator<Unit>> units;
        size_t dead = 0;  // units of texts overwritten or removed
    };

    // Where the text of a row goes: in place where it fits, else appended.
    // Returns the units to write to, or nullptr for a null or empty text.
    template <class Unit>
    Unit* place(Buffer<Unit>& b, size_t r, qsizetype n);
    template <class Unit>
    Unit* append(Buffer<Unit>& b, Span& s, qsizetype n);
    template <class Unit>
    void grow(Buffer<Unit>& b, size_t n);
    void release(const Span& s) {
        if (s.length <= 0) return;
        ((s.at & kWide) ? wide_.dead : narrow_.dead) += size_t(s.length);
    }
    void setNull(size_t r);
    void compactIfWasteful();
    void compact();

    std::vector<Span> spans_;
    Buffer<char> narrow_;
    Buffer<char16_t> wide_;
    // False for a row whose span was never set: it is null, and is written
    // without reading it first (a rebuild sets millions, in the order the
    // records come, and the reads are cache misses). One bit a row.
    std::vector<bool> touched_;
    size_t filled_ = 0;  // rows set for the first time, for the buffers' growth
    // Non-ASCII UTF-8 decoded before it is stored, reused from cell to cell.
    QString decoded_;
};

}  // namespace grid::detail
