// Field and table definitions before (and as read back after) they are
// appended to a database.
#include "platform/dao/Internal.h"

namespace dao {

Field::Field(QString name, int type, int size) : name_(std::move(name)), type_(type), size_(size) {
    if (size_ <= 0) size_ = detail::defaultSizeOf(type_);
    if (type_ != dbText) size_ = detail::defaultSizeOf(type_);
}

void Field::SetAllowZeroLength(bool allow) {
    if (appended_) detail::raise(3219);
    allowZeroLength_ = allow;
}

void Field::SetRequired(bool required) {
    if (appended_) detail::raise(3219);
    required_ = required;
}

void Field::SetDefaultValue(const QVariant& value) {
    if (appended_) detail::raise(3219);
    default_ = value;
}

TableDef::TableDef(QString name) : name_(std::move(name)) {}

void TableDef::SetName(const QString& name) {
    if (appended_) detail::raise(3219);
    name_ = name;
}

FieldPtr TableDef::CreateField(const QString& name, int type, int size) {
    if (detail::defaultSizeOf(type) == 0 && type != dbMemo && type != dbLongBinary) detail::raise(3001);
    if (type == dbText && (size < 0 || size > 255)) detail::raise(3001);
    return std::make_shared<Field>(name, type, size);
}

void TableDef::Append(const FieldPtr& field) {
    if (!field || field->name_.isEmpty()) detail::raise(3001);
    if (appended_ || field->appended_) detail::raise(3219);
    if (HasField(field->name_)) detail::raise(3191);
    field->ordinal_ = int(fields_.size());
    fields_.push_back(field);
}

FieldPtr TableDef::GetField(const QString& name) const {
    for (const auto& f : fields_)
        if (f->name_.compare(name, Qt::CaseInsensitive) == 0) return f;
    detail::raise(3265);
}

bool TableDef::HasField(const QString& name) const {
    for (const auto& f : fields_)
        if (f->name_.compare(name, Qt::CaseInsensitive) == 0) return true;
    return false;
}

}  // namespace dao
