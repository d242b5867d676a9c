#include "vocabdb/FontSettings.h"

#include <exception>

namespace vocabdb {

namespace {
QString readSetting(const dao::RecordsetPtr& rs, const char* field) {
    if (!rs) return {};
    try {
        const QVariant v = rs->Value(QString::fromLatin1(field));
        return v.isNull() ? QString() : v.toString();
    } catch (const std::exception&) {
        return {};
    }
}
}  // namespace

QString GetSchriftart(const dao::RecordsetPtr& rs) {
    return readSetting(rs, "Schriftart");
}
QString GetSchriftgroesse(const dao::RecordsetPtr& rs) {
    return readSetting(rs, "Schriftgroesse");
}
QString GetSchriftartA(const dao::RecordsetPtr& rs) {
    return readSetting(rs, "SchriftartA");
}
QString GetSchriftgroesseA(const dao::RecordsetPtr& rs) {
    return readSetting(rs, "SchriftgroesseA");
}
QString GetSchriftartT(const dao::RecordsetPtr& rs) {
    return readSetting(rs, "SchriftartT");
}
QString GetSchriftgroesseT(const dao::RecordsetPtr& rs) {
    return readSetting(rs, "SchriftgroesseT");
}
QString GetSchriftartRest(const dao::RecordsetPtr& rs) {
    return readSetting(rs, "SchriftartRest");
}
QString GetSchriftgroesseRest(const dao::RecordsetPtr& rs) {
    return readSetting(rs, "SchriftgroesseRest");
}

}  // namespace vocabdb
