#include "upgrade/UpgradeDatabase.h"

#include "platform/Error.h"
#include "upgrade/Steps.h"
#include "vocabdb/VokSchema.h"

namespace upgrade {

namespace {

// Check_Depth counts the upgrade calls in progress; while it is above 0 the
// grid rebuild at the end of an opening does nothing, so only the outermost
// opening of a chain fills the grid.
class DepthGuard {
public:
    explicit DepthGuard(qint16* depth) : depth_(depth) {
        if (depth_) ++*depth_;
    }
    ~DepthGuard() {
        if (depth_) --*depth_;
    }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;

private:
    qint16* depth_;
};

void SetPointer(const UpgradeHost& host, int pointer) {
    if (host.setMousePointer) host.setMousePointer(pointer);
}

template <class T>
void CloseQuietly(std::shared_ptr<T>* slot) {
    if (!slot || !*slot) return;
    try {
        (*slot)->Close();
    } catch (const wk::Error&) {
        // Already closed or gone with its database: nothing left to release.
    }
    slot->reset();
}

// Releases everything the opening bound, so that the file is closed and the
// opening sees that nothing is open.
void CloseAll(UpgradeHost& host) {
    CloseQuietly(host.data);
    CloseQuietly(host.rsOptions);
    CloseQuietly(host.db);
}

UpgradeResult Fail(UpgradeHost& host, const wk::Error& e, UpgradeResult result) {
    CloseAll(host);
    SetPointer(host, vbDefault);
    if (host.showError) host.showError(e.number(), e.description(), kErrorLocation);
    return result;
}

}  // namespace

QString StepContext::defaultCategory() const {
    return host_.defaultCategory ? host_.defaultCategory() : vocabdb::DefaultOtherText();
}

QDateTime StepContext::now() const {
    return host_.now ? host_.now() : QDateTime::currentDateTime();
}

void StepContext::Execute(const QString& sql) {
    db_->Execute(sql);
}

bool StepContext::ExecuteIgnoringErrors(const QString& sql) {
    return IgnoringErrors([&] { db_->Execute(sql); });
}

void StepContext::DropColumns(const QString& table, const QStringList& columns) {
    db_->DropColumns(table, columns);
}

void StepContext::DropColumnsIgnoringErrors(const QString& table, const QStringList& columns) {
    try {
        db_->DropColumns(table, columns, true);
    } catch (const wk::Error& e) {
        if (e.endedTransaction()) throw;
        // All or nothing failed: drop each alone, skipping the ones refused.
        for (const QString& column : columns)
            ExecuteIgnoringErrors(QStringLiteral("ALTER TABLE %1 DROP COLUMN %2").arg(table, column));
    }
}

bool StepContext::AddColumnUnlessPresent(const QString& sql) {
    try {
        db_->Execute(sql);
        return true;
    } catch (const wk::Error& e) {
        if (e.number() == kFieldExists) return false;
        throw;
    }
}

dao::RecordsetPtr StepContext::OpenOptions() {
    CloseQuietly(host_.rsOptions);
    auto rs = db_->OpenRecordset(QStringLiteral("AllOptions"));
    if (host_.rsOptions) *host_.rsOptions = rs;
    rs->SetAbsolutePosition(0);
    return rs;
}

dao::RecordsetPtr StepContext::OpenRowPass() {
    CloseQuietly(host_.data);
    auto rs = db_->OpenRecordset(QStringLiteral("Alles"), dao::dbOpenDynaset);
    if (host_.data) *host_.data = rs;
    return rs;
}

void StepContext::CloseRecordsets() {
    CloseQuietly(host_.data);
    CloseQuietly(host_.rsOptions);
}

void StepContext::ForEachRow(bool ignoreErrors, const std::function<void(dao::Recordset&)>& row) {
    auto rs = OpenRowPass();
    const auto run = [ignoreErrors](auto&& f) {
        if (ignoreErrors)
            IgnoringErrors(f);
        else
            f();
    };
    long count = 0;
    if (ignoreErrors || rs->RecordCount() > 0) {
        run([&] { rs->MoveLast(); });
        run([&] { rs->MoveFirst(); });
        run([&] { count = rs->RecordCount(); });
    }
    for (long i = 0; i < count; ++i) {
        run([&] { rs->SetAbsolutePosition(i); });
        row(*rs);
    }
}

void UpdateRowIgnoringErrors(dao::Recordset& rs, const OptionValues& values) {
    IgnoringErrors([&] { rs.Edit(); });
    for (const auto& [field, value] : values) IgnoringErrors([&] { rs.SetValue(field, value); });
    if (!IgnoringErrors([&] { rs.Update(); })) IgnoringErrors([&] { rs.CancelUpdate(); });
}

void UpdateRowEachValueAlone(dao::Recordset& rs, const OptionValues& values) {
    if (IgnoringErrors([&] { rs.Edit(); })) {
        for (const auto& [field, value] : values) IgnoringErrors([&] { rs.SetValue(field, value); });
        if (IgnoringErrors([&] { rs.Update(); })) return;
        IgnoringErrors([&] { rs.CancelUpdate(); });
    }
    for (const auto& value : values) UpdateRowIgnoringErrors(rs, {value});
}

void UpdateRow(dao::Recordset& rs, const OptionValues& values) {
    rs.Edit();
    for (const auto& [field, value] : values) rs.SetValue(field, value);
    rs.Update();
}

QString ReadAppVersion(const dao::RecordsetPtr& rs) {
    if (!rs) dao::Raise(wk::err::ObjectInvalid);
    const QVariant v = rs->Value(QStringLiteral("AppVersion"));
    if (!v.isValid() || v.isNull()) throw wk::Error(kInvalidUseOfNull, QStringLiteral("Invalid use of Null"));
    return v.toString();
}

UpgradeResult RunStep(UpgradeHost& host, Step step, const StepFunction& work) {
    // The step works in a workspace of its own, so that its transaction
    // covers this file and nothing else the program has open. While a
    // handle elsewhere in the program still has the file open, or a
    // transaction is open on it, the layer refuses it to this workspace
    // (3045) and the step fails before it begins. Its connection is a fresh one, unless a recordset the program
    // let go of without closing still holds the old one: then it shares it.
    CloseAll(host);
    dao::Workspace ws;
    dao::DatabasePtr db;
    try {
        db = ws.OpenDatabase(host.path, false, false, QStringLiteral(";pwd=") + host.password);
    } catch (const wk::Error& e) {
        return Fail(host, e, UpgradeResult::Failed);
    }
    if (host.db) *host.db = db;

    try {
        ws.BeginTrans();
        StepContext ctx(host, db);
        const OptionValues values = work(ctx);
        auto rs = ctx.OpenOptions();
        rs->Edit();
        for (const auto& [field, value] : values) rs->SetValue(field, value);
        rs->SetValue(QStringLiteral("AppVersion"), VersionAfter(step));
        rs->Update();
        ws.CommitTrans();
    } catch (const wk::Error& e) {
        // Nothing of the step reaches the file: it keeps its old version and
        // can be opened by this program and by the one that wrote it.
        try {
            if (ws.TransactionDepth() > 0) ws.Rollback();
        } catch (const wk::Error&) {
            // Closing the file below drops whatever is left uncommitted.
        }
        return Fail(host, e, UpgradeResult::Failed);
    }

    // The step is in the file. Release this connection so that the nested
    // opening has the file to itself.
    CloseAll(host);
    db.reset();
    if (step == Step::NoVersionColumn) SetPointer(host, vbDefault);

    bool completed = false;
    try {
        completed = host.reopen && host.reopen(host.path);
    } catch (const wk::Error& e) {
        return Fail(host, e, UpgradeResult::Failed);
    }
    if (!completed) {
        // Reported where it failed; only make sure nothing stays open.
        CloseAll(host);
        SetPointer(host, vbDefault);
        return UpgradeResult::Failed;
    }
    return UpgradeResult::Upgraded;
}

UpgradeResult UpgradeDatabase(UpgradeHost& host) {
    DepthGuard depth(host.checkDepth);
    SetPointer(host, vbHourglass);

    Step step = Step::None;
    try {
        step = SelectStep(ReadAppVersion(host.rsOptions ? *host.rsOptions : nullptr));
    } catch (const wk::Error& e) {
        if (e.number() != wk::err::ItemNotFound) {
            // A version that cannot be read cannot be upgraded safely; the
            // file is refused and the program goes on as it was.
            return Fail(host, e, UpgradeResult::Refused);
        }
        step = Step::NoVersionColumn;
    }

    if (step == Step::None) {
        SetPointer(host, vbDefault);
        return UpgradeResult::Current;
    }
    const UpgradeResult result = RunStep(host, step, StepFor(step));
    SetPointer(host, vbDefault);
    return result;
}

}  // namespace upgrade
