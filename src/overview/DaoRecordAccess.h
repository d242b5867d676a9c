#pragma once
// The overview's view of a dao recordset (the grid's dynaset of "Alles", the
// options record).

#include "overview/GridModel.h"
#include "platform/dao/Dao.h"
#include "platform/dao/ReadTogether.h"

#include <QHash>
#include <optional>

namespace overview {

class DaoRecordAccess : public RecordAccess {
public:
    explicit DaoRecordAccess(dao::RecordsetPtr rs) : rs_(std::move(rs)) {}

    long RecordCount() const override { return rs_->RecordCount(); }
    void MoveFirst() override { rs_->MoveFirst(); }
    void MoveLast() override { rs_->MoveLast(); }
    long AbsolutePosition() const override { return rs_->AbsolutePosition(); }
    void SetAbsolutePosition(long position) override { rs_->SetAbsolutePosition(position); }
    QVariant Value(const QString& field) const override {
        if (!bulk_) return rs_->Value(field);
        // During a walk the fields stay as they are: look each name up once.
        auto it = index_.constFind(field);
        if (it == index_.constEnd()) it = index_.insert(field, rs_->FieldIndex(field));
        return *it >= 0 ? rs_->Value(*it) : rs_->Value(field);  // a missing name raises there
    }
    qint64 FieldSize(const QString& field) const override { return rs_->FieldSize(field); }
    int FieldNumber(const QString& field) const override { return rs_->FieldIndex(field); }
    QVariant ValueAt(int number) const override { return rs_->Value(number); }
    void ReadValueAt(int number, QVariant& into) const override { rs_->ReadValue(number, into); }
    bool ReadPassValues(const int* numbers, size_t count, dao::PassValue* out) const override {
        rs_->ReadPassValues(numbers, count, out);
        return true;
    }
    qint64 FieldSizeAt(int number) const override { return rs_->FieldSize(number); }
    // One read transaction holds the file's read lock for the whole walk.
    void BeginBulkRead() override {
        together_.emplace(*rs_);
        bulk_ = true;
    }
    void EndBulkRead() override {
        bulk_ = false;
        index_.clear();
        together_.reset();
    }

    // In the order the file holds the records.
    void ForEachRecord(const std::vector<int>& numbers, const std::function<void(long)>& visit) override {
        rs_->ForEachRecord(numbers, visit);
    }

    const dao::RecordsetPtr& recordset() const { return rs_; }

private:
    dao::RecordsetPtr rs_;
    std::optional<dao::ReadTogether> together_;
    bool bulk_ = false;
    mutable QHash<QString, int> index_;
};

}  // namespace overview
