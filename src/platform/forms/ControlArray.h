#pragma once
// A control array as the original had them: members indexed from 1
// (txtTestA(1) .. txtTestA(9)); any other index raises error 9.
//
//   forms::ControlArray<QLineEdit> txtTestA;
//   txtTestA.add(new QLineEdit(this));     // becomes txtTestA(1)
//   txtTestA(1)->setText("...");
//   int i = txtTestA.indexOf(sender());   // the Index argument of a shared handler

#include <QObject>
#include <initializer_list>
#include <vector>

#include "platform/Error.h"

namespace forms {

template <class T>
class ControlArray {
public:
    ControlArray() = default;
    ControlArray(std::initializer_list<T*> members) : members_(members) {}

    // Appends a member; returns its index.
    int add(T* member) {
        members_.push_back(member);
        return count();
    }

    T* operator()(int index) const {
        if (index < 1 || index > count())
            throw wk::Error(wk::err::SubscriptOutOfRange, QStringLiteral("Subscript out of range"));
        return members_[std::size_t(index - 1)];
    }

    int count() const { return int(members_.size()); }
    int LBound() const { return 1; }
    int UBound() const { return count(); }

    // The index of a member, 0 when it is none of them.
    int indexOf(const QObject* member) const {
        for (std::size_t i = 0; i < members_.size(); ++i)
            if (static_cast<const QObject*>(members_[i]) == member) return int(i) + 1;
        return 0;
    }

    auto begin() const { return members_.begin(); }
    auto end() const { return members_.end(); }

private:
    std::vector<T*> members_;
};

}  // namespace forms
