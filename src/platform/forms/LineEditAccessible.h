#pragma once
// The interface assistive tools get for a text box (QLineEdit): an
// accessibility factory for that class name, or nullptr.

#include <QString>

class QAccessibleInterface;
class QObject;

namespace forms {

QAccessibleInterface* lineEditAccessible(const QString& className, QObject* object);

}  // namespace forms
