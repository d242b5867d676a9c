// Field types and the conversion of values on their way in and out, the way
// the original engine converted on assignment.
#include "platform/Latin1.h"
#include "platform/dao/Internal.h"

#include <QLocale>
#include <QStringDecoder>
#include <QStringEncoder>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>

namespace dao::detail {

std::atomic<quint64> writeGeneration{0};

bool isTextType(int type) {
    return type == dbText || type == dbMemo;
}

bool isNumberType(int type) {
    switch (type) {
        case dbByte:
        case dbInteger:
        case dbLong:
        case dbCurrency:
        case dbSingle:
        case dbDouble:
            return true;
        default:
            return false;
    }
}

int defaultSizeOf(int type) {
    switch (type) {
        case dbBoolean:
        case dbByte:
            return 1;
        case dbInteger:
            return 2;
        case dbLong:
        case dbSingle:
            return 4;
        case dbCurrency:
        case dbDouble:
        case dbDate:
            return 8;
        case dbText:
            return DefaultTextSize;
        default:
            return 0;
    }
}

QString sqlTypeOf(int type, int size) {
    switch (type) {
        case dbBoolean:
            return QStringLiteral("BOOLEAN");
        case dbByte:
            return QStringLiteral("TINYINT");
        case dbInteger:
            return QStringLiteral("SMALLINT");
        case dbLong:
            return QStringLiteral("INTEGER");
        case dbCurrency:
            return QStringLiteral("CURRENCY");
        case dbSingle:
            return QStringLiteral("FLOAT");
        case dbDouble:
            return QStringLiteral("DOUBLE");
        case dbDate:
            return QStringLiteral("DATETIME");
        case dbText:
            return QStringLiteral("VARCHAR(%1) COLLATE NOCASE").arg(size);
        case dbMemo:
            return QStringLiteral("TEXT COLLATE NOCASE");
        case dbLongBinary:
            return QStringLiteral("BLOB");
        default:
            raise(3001);
    }
}

int TableInfo::indexOf(const QString& column) const {
    for (size_t i = 0; i < columns.size(); ++i)
        if (columns[i].name.compare(column, Qt::CaseInsensitive) == 0) return int(i);
    return -1;
}

QString dateToText(const QDateTime& dt) {
    // By hand for the years of four digits: an import writes the same
    // date into every row, and the general formatting costs microseconds.
    const QDate d = dt.date();
    const QTime t = dt.time();
    if (!d.isValid() || !t.isValid() || d.year() < 1 || d.year() > 9999)
        return dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    char16_t out[19];
    auto put = [&out](int at, int value, int digits) {
        for (int k = digits - 1; k >= 0; --k, value /= 10) out[at + k] = char16_t(u'0' + value % 10);
    };
    put(0, d.year(), 4);
    out[4] = u'-';
    put(5, d.month(), 2);
    out[7] = u'-';
    put(8, d.day(), 2);
    out[10] = u' ';
    put(11, t.hour(), 2);
    out[13] = u':';
    put(14, t.minute(), 2);
    out[16] = u':';
    put(17, t.second(), 2);
    return QString(reinterpret_cast<const QChar*>(out), 19);
}

namespace {

bool isNullValue(const QVariant& v) {
    return !v.isValid() || v.typeId() == QMetaType::Nullptr;
}

// A number from a text: the program's own '.' form first, then the user's
// locale; blanks around it are fine.
std::optional<double> numberFromText(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty()) return std::nullopt;
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return -1.0;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return 0.0;
    bool ok = false;
    double d = QLocale::c().toDouble(t, &ok);
    if (ok) return d;
    d = QLocale().toDouble(t, &ok);
    if (ok) return d;
    return std::nullopt;
}

const QDateTime oleEpoch(QDate(1899, 12, 30), QTime(0, 0));

}  // namespace

std::optional<QDateTime> storedDate(int y, int mo, int d, int h, int mi, int s) {
    const QDate date(y, mo, d);
    const QTime time(h, mi, s);
    if (!date.isValid() || !time.isValid()) return std::nullopt;
    QDateTime dt(date, time);
    if (!dt.isValid() || dt.date() != date || dt.time() != time) return std::nullopt;
    return dt;
}

namespace {

// The form the layer stores ("yyyy-MM-dd HH:mm:ss") read by hand: the
// general parser costs microseconds a value and every row carries a date.
// Anything else, or a local time that does not exist, is left to it.
std::optional<QDateTime> storedFormDate(QStringView t) {
    if (t.size() != 19 || t[4] != u'-' || t[7] != u'-' || t[10] != u' ' || t[13] != u':' || t[16] != u':')
        return std::nullopt;
    auto number = [&](int at, int n, int& out) {
        out = 0;
        for (int k = at; k < at + n; ++k) {
            const char16_t ch = t[k].unicode();
            if (ch < u'0' || ch > u'9') return false;
            out = out * 10 + (ch - u'0');
        }
        return true;
    };
    int y, mo, d, h, mi, s;
    if (!number(0, 4, y) || !number(5, 2, mo) || !number(8, 2, d) || !number(11, 2, h) ||
        !number(14, 2, mi) || !number(17, 2, s))
        return std::nullopt;
    return storedDate(y, mo, d, h, mi, s);
}

std::optional<QDateTime> dateFromText(const QString& text) {
    if (auto quick = storedFormDate(text)) return quick;
    const QString t = text.trimmed();
    static const char* formats[] = {"yyyy-MM-dd HH:mm:ss", "yyyy-MM-ddTHH:mm:ss",
                                    "yyyy-MM-dd HH:mm",    "yyyy-MM-dd",
                                    "dd.MM.yyyy HH:mm:ss", "dd.MM.yyyy HH:mm",
                                    "dd.MM.yyyy",          "d.M.yyyy",
                                    "M/d/yyyy H:mm:ss",    "M/d/yyyy"};
    for (const char* f : formats) {
        QDateTime dt = QDateTime::fromString(t, QLatin1String(f));
        if (dt.isValid()) return dt;
    }
    QDateTime dt = QDateTime::fromString(t, Qt::ISODate);
    if (dt.isValid()) return dt.toLocalTime();
    return std::nullopt;
}

std::optional<double> asNumber(const QVariant& v) {
    switch (v.typeId()) {
        case QMetaType::Bool:
            return v.toBool() ? -1.0 : 0.0;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
        case QMetaType::Double:
        case QMetaType::Float:
            return v.toDouble();
        case QMetaType::QString:
            return numberFromText(v.toString());
        case QMetaType::QByteArray:
            return numberFromText(QString::fromLatin1(v.toByteArray()));
        case QMetaType::QDateTime: {
            const QDateTime dt = v.toDateTime();
            return double(oleEpoch.msecsTo(dt)) / 86400000.0;
        }
        default:
            return std::nullopt;
    }
}

QString asText(const QVariant& v) {
    switch (v.typeId()) {
        case QMetaType::Bool:
            return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        case QMetaType::Double:
        case QMetaType::Float:
            return QString::number(v.toDouble(), 'g', 15);
        case QMetaType::QDateTime:
            return dateToText(v.toDateTime());
        case QMetaType::QDate:
            return v.toDate().toString(Qt::ISODate);
        case QMetaType::QByteArray:
            return QString::fromLatin1(v.toByteArray());
        default:
            break;
    }
    if (!v.canConvert<QString>()) raise(13);
    return v.toString();
}

}  // namespace

QVariant convertForField(const ColumnInfo& c, const QVariant& value) {
    if (isNullValue(value)) return QVariant();
    switch (c.type) {
        case dbText:
        case dbMemo: {
            if (c.type == dbMemo && value.typeId() == QMetaType::QByteArray) {
                if (value.toByteArray().isEmpty() && !c.allowZeroLength) raise(3315, c.name);
                return value;
            }
            QString s = asText(value);
            if (c.type == dbText && s.size() > c.size) raise(3163);
            if (s.isEmpty() && !c.allowZeroLength) raise(3315, c.name);
            if (s.isNull()) s = QLatin1String("");
            return s;
        }
        case dbBoolean: {
            auto n = asNumber(value);
            if (!n) raise(13);
            return QVariant(qlonglong(*n != 0 ? -1 : 0));
        }
        case dbByte:
        case dbInteger:
        case dbLong: {
            if (value.typeId() == QMetaType::Int) {
                // The common case, without going through a double.
                const int v = *static_cast<const int*>(value.constData());
                const int lo = c.type == dbByte ? 0 : c.type == dbInteger ? -32768 : INT_MIN;
                const int hi = c.type == dbByte ? 255 : c.type == dbInteger ? 32767 : INT_MAX;
                if (v < lo || v > hi) raise(6);
                return QVariant(qlonglong(v));
            }
            auto n = asNumber(value);
            if (!n || std::isnan(*n)) raise(13);
            const double r = std::nearbyint(*n);  // ties to even, as the original rounded
            const double lo = c.type == dbByte ? 0 : c.type == dbInteger ? -32768.0 : -2147483648.0;
            const double hi = c.type == dbByte ? 255 : c.type == dbInteger ? 32767.0 : 2147483647.0;
            if (r < lo || r > hi) raise(6);
            return QVariant(qlonglong(r));
        }
        case dbSingle:
        case dbDouble:
        case dbCurrency: {
            auto n = asNumber(value);
            if (!n) raise(13);
            if (!std::isfinite(*n)) raise(6);
            if (c.type == dbSingle && std::fabs(*n) > std::numeric_limits<float>::max()) raise(6);
            return QVariant(*n);
        }
        case dbDate: {
            QDateTime dt;
            if (value.typeId() == QMetaType::QDateTime)
                dt = value.toDateTime();
            else if (value.typeId() == QMetaType::QDate)
                dt = value.toDate().startOfDay();
            else if (value.typeId() == QMetaType::QString) {
                auto d = dateFromText(value.toString());
                if (!d) raise(13);
                dt = *d;
            } else if (auto n = asNumber(value)) {
                dt = oleEpoch.addMSecs(qint64(std::llround(*n * 86400000.0)));
            } else {
                raise(13);
            }
            if (!dt.isValid()) raise(13);
            return QVariant(dateToText(dt));
        }
        case dbLongBinary:
            if (value.typeId() == QMetaType::QByteArray) return value;
            return QVariant(asText(value).toUtf8());
        default:
            raise(13);
    }
}

void bindValue(sqlite3_stmt* st, int i, const QVariant& v) {
    if (isNullValue(v)) {
        sqlite3_bind_null(st, i);
        return;
    }
    switch (v.typeId()) {
        case QMetaType::Bool:
            sqlite3_bind_int64(st, i, v.toBool() ? -1 : 0);
            return;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
        case QMetaType::ULongLong:
            sqlite3_bind_int64(st, i, v.toLongLong());
            return;
        case QMetaType::Double:
        case QMetaType::Float:
            sqlite3_bind_double(st, i, v.toDouble());
            return;
        case QMetaType::QByteArray: {
            const QByteArray b = v.toByteArray();
            sqlite3_bind_blob64(st, i, b.constData(), sqlite3_uint64(b.size()), SQLITE_TRANSIENT);
            return;
        }
        case QMetaType::QDateTime: {
            const QByteArray t = dateToText(v.toDateTime()).toUtf8();
            sqlite3_bind_text(st, i, t.constData(), int(t.size()), SQLITE_TRANSIENT);
            return;
        }
        case QMetaType::QDate: {
            const QByteArray t = dateToText(v.toDate().startOfDay()).toUtf8();
            sqlite3_bind_text(st, i, t.constData(), int(t.size()), SQLITE_TRANSIENT);
            return;
        }
        case QMetaType::QString: {
            const QString& s = *static_cast<const QString*>(v.constData());
            if (s.isEmpty()) {
                sqlite3_bind_text(st, i, "", 0, SQLITE_STATIC);
                return;
            }
            // The files are UTF-8: encoded here, SQLite keeps one copy and
            // need not translate. Lone surrogates are left to SQLite's own
            // encoding.
            const ushort* u = s.utf16();
            bool surrogate = false;
            for (qsizetype k = 0; k < s.size(); ++k) surrogate |= (u[k] & 0xF800) == 0xD800;
            if (!surrogate) {
                thread_local QByteArray utf8;
                utf8.resize(s.size() * 3);
                QStringEncoder encoder(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
                char* end = encoder.appendToBuffer(utf8.data(), s);
                sqlite3_bind_text(st, i, utf8.constData(), int(end - utf8.constData()), SQLITE_TRANSIENT);
                return;
            }
            sqlite3_bind_text16(st, i, s.utf16(), int(s.size() * 2), SQLITE_TRANSIENT);
            return;
        }
        default: {
            const QString s = v.toString();
            sqlite3_bind_text16(st, i, s.utf16(), int(s.size() * 2), SQLITE_TRANSIENT);
            return;
        }
    }
}

static QString columnText(sqlite3_stmt* st, int col) {
    // The files hold UTF-8: decoded here when it is plain, in one step;
    // anything else as SQLite decodes it.
    if (sqlite3_column_type(st, col) == SQLITE_TEXT) {
        const char* u = reinterpret_cast<const char*>(sqlite3_column_text(st, col));
        const int n = sqlite3_column_bytes(st, col);
        if (n == 0) return QLatin1String("");
        if (u && plainUtf8(u, n)) return QString::fromUtf8(u, n);
    }
    const void* p = sqlite3_column_text16(st, col);
    const int n = sqlite3_column_bytes16(st, col);
    if (!p) return QLatin1String("");
    return QString(reinterpret_cast<const QChar*>(p), n / 2);
}

bool textReadsAlone(int type) {
    switch (type) {
        case dbBoolean:
        case dbSingle:
        case dbDouble:
        case dbCurrency:
            return false;  // read through SQLite's own number conversion
        default:
            return true;
    }
}

QVariant valueFromText(const QString& text, int type) {
    switch (type) {
        case dbByte:
        case dbInteger:
        case dbLong: {
            auto n = numberFromText(text);
            return n ? QVariant(int(*n)) : QVariant(text);
        }
        case dbDate: {
            auto d = dateFromText(text);
            return d ? QVariant(*d) : QVariant(text);
        }
        default:
            return QVariant(text);
    }
}

QVariant readValue(sqlite3_stmt* st, int col, int type) {
    const int storage = sqlite3_column_type(st, col);
    if (storage == SQLITE_NULL) return QVariant();
    if (storage == SQLITE_BLOB) {
        const int n = sqlite3_column_bytes(st, col);
        const char* p = static_cast<const char*>(sqlite3_column_blob(st, col));
        return QByteArray(p ? p : "", n);
    }
    if (storage == SQLITE_TEXT && textReadsAlone(type)) return valueFromText(columnText(st, col), type);
    switch (type) {
        case dbBoolean:
            return QVariant(sqlite3_column_int64(st, col) != 0);
        case dbByte:
        case dbInteger:
        case dbLong:
            return QVariant(int(sqlite3_column_int64(st, col)));
        case dbSingle:
        case dbDouble:
        case dbCurrency:
            return QVariant(sqlite3_column_double(st, col));
        case dbDate:
            return QVariant(oleEpoch.addMSecs(qint64(sqlite3_column_double(st, col) * 86400000.0)));
        case dbText:
        case dbMemo:
            return QVariant(columnText(st, col));
        default:
            if (storage == SQLITE_INTEGER) {
                const qint64 v = sqlite3_column_int64(st, col);
                if (v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max())
                    return QVariant(int(v));
                return QVariant(qlonglong(v));
            }
            if (storage == SQLITE_FLOAT) return QVariant(sqlite3_column_double(st, col));
            return QVariant(columnText(st, col));
    }
}

bool plainUtf8(const char* p, qsizetype n, bool* ascii) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    qsizetype i = 0;
    if (ascii) *ascii = false;
    if (n >= 3 && u[0] == 0xEF && u[1] == 0xBB && u[2] == 0xBF) return false;
    // Most texts are ASCII: eight bytes at a time while there is neither a
    // NUL nor a byte from 0x80 up (either sets a top bit).
    constexpr quint64 ones = 0x0101010101010101ull, tops = 0x8080808080808080ull;
    for (; i + 8 <= n; i += 8) {
        quint64 x;
        std::memcpy(&x, p + i, 8);
        if (((x - ones) | x) & tops) break;
    }
    bool onlyAscii = true;
    while (i < n) {
        const unsigned c = u[i];
        if (c >= 0x01 && c < 0x80) {
            ++i;
            continue;
        }
        onlyAscii = false;
        int more;
        unsigned lo = 0x80, hi = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            if (c == 0xE0) lo = 0xA0;
            if (c == 0xED) hi = 0x9F;  // no surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            if (c == 0xF0) lo = 0x90;
            if (c == 0xF4) hi = 0x8F;
        } else {
            return false;  // NUL, stray continuation, overlong or out of range
        }
        if (n - i - 1 < more) return false;
        if (u[i + 1] < lo || u[i + 1] > hi) return false;
        for (int k = 2; k <= more; ++k)
            if (u[i + k] < 0x80 || u[i + k] > 0xBF) return false;
        i += more + 1;
    }
    if (ascii) *ascii = onlyAscii;
    return true;
}

bool utf8IntoText(const char* p, qsizetype n, QString& text) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    // ASCII without NUL, eight bytes at a time: a NUL or a byte from 0x80 up
    // sets a top bit.
    constexpr quint64 ones = 0x0101010101010101ull, tops = 0x8080808080808080ull;
    quint64 outside = 0;
    qsizetype i = 0;
    for (; i + 8 <= n; i += 8) {
        quint64 x;
        std::memcpy(&x, p + i, 8);
        outside |= (x - ones) | x;
    }
    bool ascii = (outside & tops) == 0;
    for (; i < n; ++i) ascii &= u[i] >= 0x01 && u[i] < 0x80;
    if (ascii) {
        // A text without a string yet stays empty, not null, as a read gives it.
        text.resize(n);
        if (n == 0 && text.isNull()) text = QLatin1String("");
        wk::widenLatin1(p, n, reinterpret_cast<char16_t*>(text.data()));
        return true;
    }
    if (!plainUtf8(p, n)) return false;
    text.resize(n);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QChar* end = decoder.appendToBuffer(text.data(), QByteArrayView(p, n));
    text.truncate(end - text.constData());
    return true;
}

QString sqlLiteral(const QVariant& v) {
    if (isNullValue(v)) return QStringLiteral("NULL");
    switch (v.typeId()) {
        case QMetaType::Bool:
            return v.toBool() ? QStringLiteral("-1") : QStringLiteral("0");
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::Short:
            return QString::number(v.toLongLong());
        case QMetaType::Double:
        case QMetaType::Float:
            return QString::number(v.toDouble(), 'g', 17);
        case QMetaType::QDateTime:
            return QLatin1Char('\'') + dateToText(v.toDateTime()) + QLatin1Char('\'');
        default: {
            QString s = v.toString();
            s.replace(QLatin1Char('\''), QLatin1String("''"));
            return QLatin1Char('\'') + s + QLatin1Char('\'');
        }
    }
}

}  // namespace dao::detail
