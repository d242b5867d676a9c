#include "exchange/TextImport.h"

#include <QFile>
#include <QStringDecoder>
#include <algorithm>
#include <cmath>
#include <new>

#include "core/UserFiles.h"
#include "core/modMain.h"
#include "exchange/ImportRun.h"
#include "platform/Error.h"
#include "platform/RegularFile.h"
#include "platform/dao/Dao.h"
#include "platform/forms/Interaction.h"

namespace exchange {

int CellCount(TextLayout layout) {
    return layout == TextLayout::QuestionAnswers ? 10 : 3;
}

namespace {

// 0x80..0x9F of Windows-1252; 0 where the code page has no character.
const char16_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                  0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

QString fromCp1252(QByteArrayView bytes) {
    QString out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b >= 0x80 && b <= 0x9F && kCp1252High[b - 0x80] != 0)
            out += QChar(kCp1252High[b - 0x80]);
        else
            out += QChar(b);  // Latin-1 and the five unassigned bytes as themselves
    }
    return out;
}

// Trims blanks (character 32) only; tabs stay part of the field.
QString trimBlanks(const QString& s) {
    qsizetype a = 0, b = s.size();
    while (a < b && s.at(a) == QLatin1Char(' ')) ++a;
    while (b > a && s.at(b - 1) == QLatin1Char(' ')) --b;
    return s.mid(a, b - a);
}

}  // namespace

namespace {

// The lines of a device, a chunk at a time. Only the line being read is
// held, however long the file.
class LineReader {
public:
    // A line longer than `budget` allows (its bytes and its text) is
    // refused before it is all read.
    LineReader(QIODevice& in, qint64 chunk, qint64 budget)
        : in_(in), chunk_(std::max<qint64>(1, chunk)), budget_(budget) {}

    // The next line without its end; false after the last one.
    bool next(QString& line) {
        for (;;) {
            // The byte-order mark is dropped once, even when it arrives in
            // pieces.
            if (first_ && buf_.size() < 3 && !eof_) {
                fill();
                continue;
            }
            if (first_) {
                first_ = false;
                if (buf_.startsWith("\xEF\xBB\xBF")) pos_ = scan_ = 3;
            }
            qsizetype end = scan_;
            while (end < buf_.size() && buf_.at(end) != '\r' && buf_.at(end) != '\n') ++end;
            scan_ = end;
            if (end < buf_.size()) {
                // A CR LF cut by a chunk's end reads as a line and an empty
                // one, which the import ignores as it ignores every empty line.
                line = decode(QByteArrayView(buf_).sliced(pos_, end - pos_));
                pos_ = end + 1;
                if (buf_.at(end) == '\r' && pos_ < buf_.size() && buf_.at(pos_) == '\n') ++pos_;
                scan_ = pos_;
                return true;
            }
            if (eof_) {
                if (pos_ >= buf_.size()) return false;
                line = decode(QByteArrayView(buf_).sliced(pos_));
                pos_ = scan_ = buf_.size();
                return true;
            }
            fill();
        }
    }

private:
    // Drops what was read, appends the next chunk.
    void fill() {
        buf_.remove(0, pos_);
        scan_ -= pos_;
        pos_ = 0;
        if (3 * qint64(buf_.size()) > budget_) throw wk::Error(kOutOfMemory, QStringLiteral("Out of memory"));
        const qsizetype had = buf_.size();
        buf_.resize(had + chunk_);
        const qint64 got = in_.read(buf_.data() + had, chunk_);
        buf_.resize(had + std::max<qint64>(0, got));
        if (got < 0) throw wk::Error(57, QStringLiteral("Device I/O error: %1").arg(in_.errorString()));
        if (got == 0) eof_ = true;
    }

    static QString decode(QByteArrayView bytes) {
        // A U+FEFF inside the text is a character like any other.
        QStringDecoder utf8(QStringDecoder::Utf8,
                            QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
        QString text = utf8.decode(bytes);
        return utf8.hasError() ? fromCp1252(bytes) : text;
    }

    QIODevice& in_;
    const qint64 chunk_;
    const qint64 budget_;
    QByteArray buf_;
    qsizetype pos_ = 0;   // start of the line being read
    qsizetype scan_ = 0;  // looked at up to here for its end
    bool first_ = true;
    bool eof_ = false;
};

}  // namespace

namespace {

// The bytes the grid keeps a cell's text in.
qint64 keptTextBytes(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() > 0xFF) return 2 * qint64(text.size());
    return text.size();
}

}  // namespace

qint64 PreviewRowBytes(const QStringList& cells) {
    // Above every row measured: 24 bytes a row, 4 a cell and one and a
    // half times the texts' bytes (their buffers grow by doubling).
    qint64 bytes = 24 + 4 * qint64(cells.size());
    for (const QString& c : cells) bytes += keptTextBytes(c) * 3 / 2;
    return bytes * 5 / 4;
}

qint64 ImportRowBytes(const QString& question) {
    // Above every row measured: 100 bytes a row and 4 a character of the
    // question (its text, and the hash it is kept in, which grows by
    // doubling).
    return (100 + 4 * qint64(question.size())) * 5 / 4;
}

qint64 TextImportBudget(qint64 available) {
    return std::max<qint64>(0, available - kKeptFreeBytes);
}

TextPreview ParseImportLines(QIODevice& in, const QString& separator, TextLayout layout, bool header,
                             const TextRowSink& row, qint64 budget, qint64 chunk) {
    TextPreview preview;
    const int cells = CellCount(layout);
    try {
        LineReader lines(in, chunk, budget);
        QString line;
        QStringList cellsOfRow;
        while (lines.next(line)) {
            if (line.isEmpty() || line == QLatin1String(" ")) continue;
            ++preview.counted;
            if (header && preview.counted == 1) {
                preview.skipped = 1;
                continue;
            }
            const QStringList fields = separator.isEmpty() ? QStringList{line} : line.split(separator);
            cellsOfRow.clear();
            for (int c = 0; c < cells; ++c)
                cellsOfRow << (c < fields.size() ? trimBlanks(fields.at(c)) : QString());
            if (fields.size() > cells) ++preview.extraFields;
            preview.previewBytes += PreviewRowBytes(cellsOfRow);
            preview.importBytes += ImportRowBytes(cellsOfRow.at(0));
            if (kImportBaseBytes + preview.previewBytes + preview.importBytes > budget)
                throw wk::Error(kOutOfMemory, QStringLiteral("Out of memory"));
            row(cellsOfRow);
            ++preview.rows;
        }
    } catch (const std::bad_alloc&) {
        throw wk::Error(kOutOfMemory, QStringLiteral("Out of memory"));
    }
    return preview;
}

TextPreview ReadImportFile(const QString& path, const QString& separator, TextLayout layout, bool header,
                           const TextRowSink& row, qint64 budget) {
    // A database the program holds (or its journal) is no text file, and
    // reading it here would cost the connection its locks.
    if (userfiles::IsHeldFile(path))
        throw wk::Error(75, QStringLiteral("Path/File access error: %1").arg(path));
    // A pipe or a device is refused without waiting for it.
    bool notRegular = false;
    const int fd = wk::OpenRegularFileForReading(path, &notRegular);
    if (notRegular) throw wk::Error(75, QStringLiteral("Path/File access error: %1").arg(path));
    QFile file;
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        const QString why = fd < 0 ? QString::fromLocal8Bit(std::strerror(errno)) : file.errorString();
        if (fd >= 0) ::close(fd);
        throw wk::Error(53, QStringLiteral("File not found: %1 (%2)").arg(path, why));
    }
    try {
        return ParseImportLines(file, separator, layout, header, row, budget);
    } catch (const wk::Error& e) {
        if (e.number() != 57) throw;
        throw wk::Error(57, QStringLiteral("Device I/O error: %1 (%2)").arg(path, file.errorString()));
    }
}

bool NeedsDefaultTopic(const std::vector<QStringList>& rows, TextLayout layout) {
    if (layout == TextLayout::QuestionAnswers) return !rows.empty();
    for (const QStringList& row : rows)
        if (row.value(2).isEmpty()) return true;
    return false;
}

namespace {

// Halves to the even neighbour, as the runtime rounded.
int roundHalfEven(double v) {
    return int(std::nearbyint(v));
}

QString titleCase(const QString& text) {
    QString out = text.toLower();
    bool start = true;
    for (qsizetype i = 0; i < out.size(); ++i) {
        if (out.at(i).isSpace()) {
            start = true;
        } else {
            if (start) out[i] = out.at(i).toUpper();
            start = false;
        }
    }
    return out;
}

}  // namespace

TextImportResult ImportTextRows(int rowCount, const TextRowSource& rowAt, TextLayout layout,
                                const QString& defaultThema, dao::Recordset& dst, int maxUsers,
                                const QDateTime& now, const TextImportHooks& hooks,
                                TextImportResult* partial) {
    using modMain::GetText;
    TextImportResult result;
    const int total = rowCount;
    const QString category = titleCase(GetText(87));
    importrun::EventPacer events;
    try {
        // Field positions once, not a name look-up per value.
        auto at = [&](const QString& name) {
            const int i = dst.FieldIndex(name);
            if (i < 0) dao::Raise(wk::err::ItemNotFound);
            return i;
        };
        const int fTyp = at(QStringLiteral("Typ")), fQ = at(QStringLiteral("Q")),
                  fT = at(QStringLiteral("T"));
        int fA[10], fRA[10];
        for (int i = 1; i <= 9; ++i) {
            fA[i] = at(QStringLiteral("A%1").arg(i));
            fRA[i] = at(QStringLiteral("RA%1").arg(i));
        }
        const int fAskAll = at(QStringLiteral("AskAllItems")), fOrder = at(QStringLiteral("MindTheOrder"));
        const int fDate = at(QStringLiteral("ZuletztGelerntAm")), fKat = at(QStringLiteral("Kategorie"));
        const int fExpl = at(QStringLiteral("Explanation")), fMark = at(QStringLiteral("Markiert"));
        const int fTip = at(QStringLiteral("Tip")), fPunkte = at(QStringLiteral("Punkte"));
        std::vector<int> fStats;
        for (int u = 1; u <= maxUsers; ++u)
            for (const char* p : {"AA", "AR", "AF", "FQ"})
                fStats.push_back(at(QString::fromLatin1(p) + QString::number(u)));
        std::vector<int> fMedia;
        for (const char* f : {"Bild", "Sound", "SoundTip", "SoundRichtig", "SoundFalsch"})
            fMedia.push_back(at(QString::fromLatin1(f)));
        const QVariant zero(0), empty(QString(QLatin1String(""))), nowValue(now), categoryValue(category);

        importrun::Transaction transaction(dst);
        modMain::RecordFinder existing(QStringLiteral("Q"), dst);
        for (int r = 1; r <= total; ++r) {
            if (hooks.progress) hooks.progress(roundHalfEven(double(r) / (double(total) / 100.0)));
            events();
            const QStringList row = rowAt(r);
            const QString question = row.value(0);
            if (existing.Find(question)) {
                const QString prompt = GetText(750) + QLatin1Char('"') + question + QLatin1Char('"') +
                                       GetText(751) + QStringLiteral("\r\r") + GetText(752);
                if (forms::ui().MsgBox(prompt, forms::vbYesNo, GetText(753)) == forms::vbNo) {
                    ++result.declined;
                    continue;
                }
            }
            dst.AddNew();
            try {
                dst.SetValue(fTyp, zero);
                dst.SetValue(fQ, question);
                dst.SetValue(fA[1], row.value(1));
                for (int i = 2; i <= 9; ++i)
                    dst.SetValue(fA[i],
                                 layout == TextLayout::QuestionAnswers ? QVariant(row.value(i)) : empty);
                QString theme = layout == TextLayout::QuestionAnswerTheme ? row.value(2) : QString();
                if (theme.isEmpty()) theme = defaultThema;
                dst.SetValue(fT, theme);
                for (int i = 1; i <= 9; ++i) dst.SetValue(fRA[i], zero);
                dst.SetValue(fAskAll, zero);
                dst.SetValue(fOrder, zero);
                dst.SetValue(fDate, nowValue);
                dst.SetValue(fKat, categoryValue);
                dst.SetValue(fExpl, empty);
                dst.SetValue(fMark, false);
                dst.SetValue(fTip, empty);
                dst.SetValue(fPunkte, zero);
                for (int f : fStats) dst.SetValue(f, zero);
                for (int f : fMedia) dst.SetValue(f, empty);
                dst.Update();
                // The finder takes the question as written, without reading the row back.
                existing.Appended(question);
            } catch (const wk::Error& e) {
                dst.CancelUpdate();
                if (!importrun::IsItemError(e.number())) throw;
                // This row cannot be stored; the others can.
                if (e.number() == wk::err::FieldTooSmall) {
                    result.tooLong << r;
                } else {
                    if (result.failed.isEmpty()) result.failedError = e;
                    result.failed << r;
                }
                continue;
            }
            ++result.imported;
        }
        transaction.Commit();
    } catch (const std::bad_alloc&) {
        // The transaction took every row of the run back: the user is told,
        // the program goes on.
        result.imported = 0;
        if (partial) *partial = result;
        throw wk::Error(kOutOfMemory, QStringLiteral("Out of memory"));
    } catch (...) {
        // The transaction took every row of the run back.
        result.imported = 0;
        if (partial) *partial = result;
        throw;
    }
    if (result.imported > 0 && hooks.updateThemes) hooks.updateThemes();
    return result;
}

}  // namespace exchange
