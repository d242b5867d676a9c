#include "exchange/ExportWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <cmath>

#include "core/RunState.h"
#include "core/UserFiles.h"
#include "core/modMain.h"
#include "platform/Error.h"
#include "platform/RegularFile.h"

#ifndef WK_MAKER_WEB
#define WK_MAKER_WEB "https://wortkiste.example.org"
#endif

namespace exchange {

namespace {

const QString CRLF = QStringLiteral("\r\n");

void restorePosition(dao::Recordset& rs, long position) {
    try {
        if (position >= 0) rs.SetAbsolutePosition(position);
    } catch (const wk::Error&) {
        // The set changed meanwhile; the caller's record is gone.
    }
}

}  // namespace

ExportFieldKind IdentifyExportField(const QString& entryText) {
    using modMain::GetText;
    if (entryText == GetText(50)) return ExportFieldKind::Question;
    if (entryText == GetText(51)) return ExportFieldKind::Answers;
    if (entryText == GetText(52)) return ExportFieldKind::Theme;
    if (entryText == GetText(53)) return ExportFieldKind::Total;
    if (entryText == GetText(56)) return ExportFieldKind::ErrorRate;
    if (entryText == GetText(59)) return ExportFieldKind::Category;
    return ExportFieldKind::None;
}

QString ExportValueText(const QVariant& value) {
    if (!value.isValid() || value.isNull()) return {};
    switch (value.typeId()) {
        case QMetaType::Double:
        case QMetaType::Float: {
            QLocale loc;
            loc.setNumberOptions(QLocale::OmitGroupSeparator);
            return loc.toString(value.toDouble(), 'g', 15);
        }
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::Short:
            return QString::number(value.toLongLong());
        case QMetaType::Bool:
            return value.toBool() ? QStringLiteral("-1") : QStringLiteral("0");
        default:
            return value.toString();
    }
}

QString HtmlEscape(const QString& text) {
    return text.toHtmlEscaped();
}

QString TextFieldValue(const QString& value, const QString& separator) {
    const bool quote = (!separator.isEmpty() && value.contains(separator)) ||
                       value.contains(QLatin1Char('"')) || value.contains(QLatin1Char('\r')) ||
                       value.contains(QLatin1Char('\n'));
    if (!quote) return value;
    QString inner = value;
    inner.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

namespace {

struct Column {
    ExportFieldKind kind;
    QString text;
};

QString fieldOf(ExportFieldKind kind, int slot) {
    switch (kind) {
        case ExportFieldKind::Question:
            return QStringLiteral("Q");
        case ExportFieldKind::Theme:
            return QStringLiteral("T");
        case ExportFieldKind::Total:
            return QStringLiteral("AA%1").arg(slot);
        case ExportFieldKind::ErrorRate:
            return QStringLiteral("FQ%1").arg(slot);
        case ExportFieldKind::Category:
            return QStringLiteral("Kategorie");
        default:
            return {};
    }
}

// The values one entry contributes for the current record.
QStringList entryValues(dao::Recordset& data, const Column& c, int slot, int n, bool html) {
    QStringList out;
    if (c.kind == ExportFieldKind::Answers) {
        for (int j = 1; j <= n; ++j) out << ExportValueText(data.Value(QStringLiteral("A%1").arg(j)));
        return out;
    }
    if (c.kind == ExportFieldKind::None) {
        out << QString();
        return out;
    }
    const QVariant v = data.Value(fieldOf(c.kind, slot));
    if (html && c.kind == ExportFieldKind::ErrorRate && v.isValid() && !v.isNull())
        out << QString::number(static_cast<qlonglong>(std::floor(v.toDouble())));
    else
        out << ExportValueText(v);
    return out;
}

QStringList entryHeaders(const Column& c, int n) {
    QStringList out;
    if (c.kind == ExportFieldKind::Answers) {
        for (int j = 1; j <= n; ++j) out << c.text + QLatin1Char(' ') + QString::number(j);
    } else {
        out << c.text;
    }
    return out;
}

}  // namespace

QByteArray BuildExport(dao::Recordset& data, const ExportJob& job, int n) {
    using modMain::GetText;
    std::vector<Column> cols;
    for (const ExportField& f : job.fields)
        if (f.selected) cols.push_back({IdentifyExportField(f.text), f.text});

    const long total = long(job.positions.size());
    const long remembered = data.AbsolutePosition();
    QString out;

    auto position = [&](long r) {
        if (job.progress) job.progress(r, total);
        data.SetAbsolutePosition(job.positions[std::size_t(r - 1)]);
    };

    if (job.format == ExportFormat::Text) {
        // A value holding the separator, a quote or a line break would
        // shift the columns; it is quoted.
        auto line = [&](const QStringList& values) {
            QStringList cells;
            for (const QString& v : values) cells << TextFieldValue(v, job.separator);
            return cells.join(job.separator) + CRLF;
        };
        if (job.header) {
            QStringList head;
            for (const Column& c : cols) head << entryHeaders(c, n);
            out += line(head);
        }
        for (long r = 1; r <= total; ++r) {
            position(r);
            QStringList values;
            for (const Column& c : cols) values << entryValues(data, c, job.slot, n, false);
            out += line(values);
        }
    } else {
        const QString name = HtmlEscape(job.dbName);
        // The file is UTF-8; without saying so a browser may guess another
        // code page.
        out += QStringLiteral(
                   "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
                   "charset=utf-8\"><title>") +
               CRLF;
        out += (total == data.RecordCount() ? GetText(651) : GetText(652)) + QLatin1Char(' ') + name + CRLF;
        out += QStringLiteral(
                   "</title></head><body><font face=\"VERDANA, TACOMA, ARIAL, CHICAGO\"><p><h3 "
                   "align=center><small>") +
               CRLF;
        out += name + CRLF;
        out += QStringLiteral("</small></h3><center><small>") + CRLF;
        out += QString::number(total) + QLatin1Char(' ') + GetText(total == 1 ? 377 : 378) + CRLF;
        out += QStringLiteral(
                   "</small></center></p><table align=center border=0 width=90%><tr bgcolor=#C0C0C0>") +
               CRLF;
        int cellCount = 0;
        for (const Column& c : cols) {
            for (const QString& h : entryHeaders(c, n)) {
                out += QStringLiteral("<td><small><b>&nbsp;") + HtmlEscape(h) +
                       QStringLiteral("</b></small></td>") + CRLF;
                ++cellCount;
            }
        }
        out += QStringLiteral("</tr>") + CRLF;
        for (long r = 1; r <= total; ++r) {
            position(r);
            out += (r % 2 == 0 ? QStringLiteral("<tr bgcolor=#E0E0E0>") : QStringLiteral("<tr>")) + CRLF;
            for (const Column& c : cols) {
                // Every value its own cell; an answers entry without answers
                // adds none, so rows match the header.
                for (const QString& v : entryValues(data, c, job.slot, n, true)) {
                    out += QStringLiteral("<td><small>") + CRLF;
                    out += HtmlEscape(v) + CRLF;
                    out += QStringLiteral("</small></td>") + CRLF;
                }
            }
            out += CRLF;
            out += QStringLiteral("</tr>") + CRLF;
        }
        out += QStringLiteral("<tr><td><br></td></tr><tr><td colspan=") + QString::number(cellCount) +
               QStringLiteral(" align=center><small>") + GetText(653) + QStringLiteral(" <a href=\"") +
               HtmlEscape(QStringLiteral(WK_MAKER_WEB)) + QStringLiteral("\">") +
               HtmlEscape(runstate::ProgName) + QStringLiteral("</a></small></td></tr>") + CRLF;
        out += QStringLiteral("</table></font></body></html>") + CRLF;
    }
    restorePosition(data, remembered);
    return out.toUtf8();
}

void WriteFileAtomically(const QString& path, const QByteArray& content) {
    // The new file is renamed over the old one: over a database the program
    // holds, that would throw away every change made after it.
    if (userfiles::IsHeldFile(path) || wk::KindOfFile(path) == wk::FileKind::Other)
        throw wk::Error(75, QStringLiteral("Path/File access error (%1)").arg(path));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw wk::Error(75, QStringLiteral("Path/File access error (%1): %2").arg(path, file.errorString()));
    if (file.write(content) != content.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        throw wk::Error(75, QStringLiteral("Path/File access error (%1): %2").arg(path, why));
    }
    if (!file.commit())
        throw wk::Error(75, QStringLiteral("Path/File access error (%1): %2").arg(path, file.errorString()));
}

QString CannotWriteText(const QString& path) {
    using modMain::GetText;
    if (userfiles::IsHeldFile(path)) return userfiles::HeldFileText(path);
    if (wk::KindOfFile(path) == wk::FileKind::Other) return userfiles::NonRegularTargetText(path);
    const QFileInfo file(path);
    const QFileInfo folder(file.absolutePath());
    int why = 659;
    if (!folder.isDir())
        why = 657;
    else if (!folder.isWritable() || (file.exists() && !file.isDir() && !file.isWritable()))
        why = 658;  // the new file is made beside the old one, so the folder counts too
    return GetText(656) + QLatin1Char('\r') + QDir::toNativeSeparators(path) + QStringLiteral("\r\r") +
           GetText(why) + QLatin1Char('\r') + GetText(646);
}

}  // namespace exchange
