#include "exchange/DbImport.h"

#include "platform/Error.h"
#include "platform/forms/Interaction.h"
#include "startup/modMain.h"
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
    src.db =
        dao::DBEngine::OpenDatabase(path, false, false, QStringLiteral(";pwd=") + vocabdb::VokDBPasswort);
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

QStringList SourceQuestions(dao::Recordset& vok) {
    QStringList out;
    const long count = vok.RecordCount();
    for (long i = 0; i < count; ++i) {
        vok.SetAbsolutePosition(i);
        const QVariant q = vok.Value(QStringLiteral("Q"));
        if (q.isValid() && !q.isNull()) out << q.toString();
    }
    return out;
}

void CopyItem(dao::Recordset& src, dao::Recordset& dst, int maxUsers) {
    static const char* const plain[] = {"AskAllItems", "MindTheOrder", "ZuletztGelerntAm",
                                        "Kategorie",   "Explanation",  "Markiert",
                                        "Tip",         "Punkte"};
    static const char* const media[] = {"Bild", "Sound", "SoundTip", "SoundRichtig", "SoundFalsch"};
    auto copy = [&](const QString& f) { dst.SetValue(f, src.Value(f)); };
    dst.AddNew();
    try {
        copy(QStringLiteral("Typ"));
        copy(QStringLiteral("Q"));
        for (int i = 1; i <= 9; ++i) {
            copy(QStringLiteral("A%1").arg(i));
            copy(QStringLiteral("RA%1").arg(i));
        }
        copy(QStringLiteral("T"));
        for (const char* f : plain) copy(QString::fromLatin1(f));
        for (int u = 1; u <= maxUsers; ++u)
            for (const char* p : {"AA", "AR", "AF", "FQ"})
                dst.SetValue(QString::fromLatin1(p) + QString::number(u), 0);
        for (const char* f : media) copy(QString::fromLatin1(f));
        dst.Update();
    } catch (...) {
        dst.CancelUpdate();
        throw;
    }
}

DbImportResult ImportFromDB(dao::Recordset& src, const QStringList& chosen, dao::Recordset& dst, int maxUsers,
                            const DbImportHooks& hooks, DbImportResult* partial) {
    using modMain::GetText;
    DbImportResult result;
    forms::ui().DoEvents();
    const long count = src.RecordCount();
    try {
        for (long i = 0; i < count; ++i) {
            src.SetAbsolutePosition(i);
            if (hooks.progress) hooks.progress(i == 0 ? 0 : int(double(i) / (double(count) / 100.0)));
            forms::ui().DoEvents();
            const QVariant q = src.Value(QStringLiteral("Q"));
            if (!q.isValid() || q.isNull()) continue;
            const QString question = q.toString();
            for (const QString& entry : chosen) {
                if (entry != question) continue;
                if (modMain::FindRecordByField(QStringLiteral("Q"), dst, entry)) {
                    const QString prompt = GetText(276) + QLatin1Char('"') + entry + QLatin1Char('"') +
                                           GetText(277) + QStringLiteral("\r\r") +
                                           modMain::GefundenA1.toString() + QStringLiteral("\r\r") +
                                           GetText(278);
                    if (forms::ui().MsgBox(prompt, forms::vbYesNo, GetText(275)) == forms::vbNo) {
                        ++result.skipped;
                        continue;
                    }
                }
                CopyItem(src, dst, maxUsers);
                ++result.written;
                if (hooks.updateThemes) hooks.updateThemes();
            }
        }
    } catch (...) {
        if (partial) *partial = result;
        throw;
    }
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
