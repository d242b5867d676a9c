#pragma once
// The interface assistive tools get for a table (QTableView), a list
// (QListView) or a tree (QTreeView): an accessibility factory for those
// class names, or nullptr.

#include <QString>

class QAccessibleInterface;
class QObject;

namespace forms {

QAccessibleInterface* itemViewAccessible(const QString& className, QObject* object);

}  // namespace forms
