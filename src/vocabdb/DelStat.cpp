#include "vocabdb/DelStat.h"

#include <QStringList>

#include "platform/Error.h"

namespace vocabdb {

void DelStat(const dao::RecordsetPtr& data, int u, dao::Workspace& ws, int maxUsers) {
    if (u < 1 || u > maxUsers)
        throw wk::Error(wk::err::SubscriptOutOfRange, QStringLiteral("No such user slot: %1").arg(u));

    const QString n = QString::number(u);
    QStringList fields{"AA" + n, "AR" + n, "AF" + n, "FQ" + n};
    for (int k = 1; k <= 6; ++k) fields << "Known" + n + QString::number(k);
    // Resolve the names once; the walk then writes by index.
    QList<int> idx;
    for (const auto& f : fields) {
        const int i = data->FieldIndex(f);
        if (i < 0) dao::Raise(wk::err::ItemNotFound);
        idx << i;
    }

    const long remembered = data->AbsolutePosition();
    const long count = data->RecordCount();
    const QVariant zero(0);
    ws.BeginTrans();
    try {
        for (long p = 0; p < count; ++p) {
            data->SetAbsolutePosition(p);
            data->Edit();
            for (int i : idx) data->SetValue(i, zero);
            data->Update();
        }
        ws.CommitTrans();
    } catch (...) {
        try {
            if (data->EditMode() != dao::dbEditNone) data->CancelUpdate();
        } catch (...) {
        }
        ws.Rollback();
        throw;
    }
    if (remembered != -1) data->SetAbsolutePosition(remembered);
}

}  // namespace vocabdb
