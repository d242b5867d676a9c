#include "exchange/DbImport.h"

#include <algorithm>
#include <vector>

#include "core/modMain.h"
#include "exchange/ImportRun.h"
#include "platform/Error.h"
#include "platform/forms/Interaction.h"
#include "vocabdb/VokSchema.h"

namespace exchange {

void ImportSource::Close() {
    vok.reset();
    options.reset();
    if (db && db->IsOpen()) db->Close();
    db.reset();
}

ImportSource OpenImportSource(const QString& path, const QString& where, const dao::Params& params) {
    ImportSource src;
    // Opened to be read only: an import reads the source in one read
    // transaction, as a SELECT reads it, and never takes it for writing.
    src.db = dao::DBEngine::OpenDatabase(path, false, true, QStringLiteral(";pwd=") + vocabdb::VokDBPasswort);
    try {
        src.vok =
            src.db->OpenRecordset(QStringLiteral("SELECT * FROM VOK") + where + QStringLiteral(" ORDER BY Q"),
                                  dao::dbOpenDynaset, params);
        src.options = src.db->OpenRecordset(QStringLiteral("AllOptions"), dao::dbOpenDynaset);
    } catch (...) {
        src.Close();
        throw;
    }
    return src;
}

SourceCheck CheckImportSource(const ImportSource& src) {
    src.options->MoveFirst();
    if (src.options->Value(QStringLiteral("DBType")).toInt() < vocabdb::CurrentDBType)
        return SourceCheck::OldSchema;
    const QVariant lock = src.options->Value(QStringLiteral("ExportProtection"));
    if (lock.isValid() && !lock.isNull() && lock.toInt() == 1) return SourceCheck::Locked;
    return SourceCheck::Ok;
}

QList<SourceItem> SourceItems(dao::Recordset& vok) {
    QList<SourceItem> out;
    const long count = vok.RecordCount();
    out.reserve(count);
    for (long i = 0; i < count; ++i) {
        vok.SetAbsolutePosition(i);
        const QVariant q = vok.Value(QStringLiteral("Q"));
        if (q.isValid() && !q.isNull()) out.push_back({q.toString(), i});
    }
    return out;
}

QStringList SourceQuestions(dao::Recordset& vok) {
    QStringList out;
    for (const SourceItem& item : SourceItems(vok)) out << item.question;
    return out;
}

namespace {

// Which source field goes to which field of dst, by index: looked up once
// per import, not by name for every value of every item.
struct CopyPlan {
    std::vector<std::pair<int, int>> copied;  // source index, dst index, in writing order
    std::vector<int> zeroed;                  // statistics of every user slot

    CopyPlan(dao::Recordset& src, dao::Recordset& dst, int maxUsers) {
        static const char* const plain[] = {"AskAllItems", "MindTheOrder", "ZuletztGelerntAm",
                                            "Kategorie",   "Explanation",  "Markiert",
                                            "Tip",         "Punkte"};
        static const char* const media[] = {"Bild", "Sound", "SoundTip", "SoundRichtig", "SoundFalsch"};
        auto at = [](dao::Recordset& rs, const QString& name) {
            const int i = rs.FieldIndex(name);
            if (i < 0) dao::Raise(wk::err::ItemNotFound);
            return i;
        };
        auto copy = [&](const QString& f) { copied.emplace_back(at(src, f), at(dst, f)); };
        copy(QStringLiteral("Typ"));
        srcQ = at(src, QStringLiteral("Q"));
        copy(QStringLiteral("Q"));
        for (int i = 1; i <= 9; ++i) {
            copy(QStringLiteral("A%1").arg(i));
            copy(QStringLiteral("RA%1").arg(i));
        }
        copy(QStringLiteral("T"));
        for (const char* f : plain) copy(QString::fromLatin1(f));
        split = copied.size();
        for (int u = 1; u <= maxUsers; ++u)
            for (const char* p : {"AA", "AR", "AF", "FQ"})
                zeroed.push_back(at(dst, QString::fromLatin1(p) + QString::number(u)));
        for (const char* f : media) copy(QString::fromLatin1(f));
    }
    size_t split = 0;  // copied[0, split) come before the statistics, the media after
    int srcQ = -1;     // the source's question
};

// Adds one new record to dst holding the current source item: its own
// fields, zeroed statistics in every slot, its pictures and sounds; the
// table defaults for MultipleAnswers, MCAA and Known. On an error the new
// record is cancelled and the error passes on.
void CopyItem(dao::Recordset& src, dao::Recordset& dst, const CopyPlan& plan) {
    const QVariant zero(0);
    dst.AddNew();
    try {
        for (size_t k = 0; k < plan.split; ++k)
            dst.SetValue(plan.copied[k].second, src.Value(plan.copied[k].first));
        for (int f : plan.zeroed) dst.SetValue(f, zero);
        for (size_t k = plan.split; k < plan.copied.size(); ++k)
            dst.SetValue(plan.copied[k].second, src.Value(plan.copied[k].first));
        dst.Update();
    } catch (...) {
        dst.CancelUpdate();
        throw;
    }
}

}  // namespace

DbImportResult ImportFromDB(dao::Recordset& src, const QList<long>& chosen, dao::Recordset& dst, int maxUsers,
                            const DbImportHooks& hooks, DbImportResult* partial) {
    using modMain::GetText;
    DbImportResult result;
    forms::ui().DoEvents();
    // Each chosen source item once, in source order.
    std::vector<long> wanted(chosen.begin(), chosen.end());
    std::sort(wanted.begin(), wanted.end());
    wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
    const long count = src.RecordCount();
    importrun::EventPacer events;
    try {
        const CopyPlan plan(src, dst, maxUsers);
        importrun::Transaction transaction(dst);
        modMain::RecordFinder existing(QStringLiteral("Q"), dst);
        auto next = wanted.cbegin();
        for (long i = 0; i < count; ++i) {
            if (hooks.progress) hooks.progress(i == 0 ? 0 : int(double(i) / (double(count) / 100.0)));
            events();
            while (next != wanted.cend() && *next < i) ++next;
            if (next == wanted.cend() || *next != i) continue;
            src.SetAbsolutePosition(i);
            const QVariant q = src.Value(plan.srcQ);
            if (!q.isValid() || q.isNull()) continue;
            const QString question = q.toString();
            if (existing.Find(question)) {
                const QString prompt = GetText(276) + QLatin1Char('"') + question + QLatin1Char('"') +
                                       GetText(277) + QStringLiteral("\r\r") +
                                       modMain::GefundenA1.toString() + QStringLiteral("\r\r") + GetText(278);
                if (forms::ui().MsgBox(prompt, forms::vbYesNo, GetText(275)) == forms::vbNo) {
                    ++result.skipped;
                    continue;
                }
            }
            try {
                CopyItem(src, dst, plan);
            } catch (const wk::Error& e) {
                if (!importrun::IsItemError(e.number())) throw;
                // This item cannot be stored here; the others can.
                if (result.failed.isEmpty()) result.failedError = e;
                result.failed << question;
                continue;
            }
            ++result.written;
        }
        if (hooks.mark) {
            try {
                hooks.mark();
            } catch (const wk::Error& e) {
                if (!importrun::IsItemError(e.number()) || e.endedTransaction()) throw;
                result.markError = e;
            }
        }
        transaction.Commit();
    } catch (...) {
        // The transaction took every item of the run back.
        result.written = 0;
        if (partial) *partial = result;
        throw;
    }
    if (result.written > 0 && hooks.updateThemes) hooks.updateThemes();
    return result;
}

void MixedMark(dao::Recordset& options) {
    const QVariant old = options.Value(QStringLiteral("Copyright"));
    const QString text = (old.isValid() && !old.isNull()) ? old.toString() : QString();
    if (text.contains(QLatin1String("![mixed]"))) return;
    options.Edit();
    try {
        options.SetValue(QStringLiteral("Copyright"), QStringLiteral("![mixed] ") + text);
        options.Update();
    } catch (...) {
        options.CancelUpdate();
        throw;
    }
}

}  // namespace exchange
