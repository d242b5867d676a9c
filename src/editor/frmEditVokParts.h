#pragma once
// What the pieces of the item editor (frmEditVok*.cpp) share besides the
// form itself.

#include <QString>
#include <QVariant>

namespace editor {

// The sound fields, in the order of the form's four sound rows.
extern const char* const kSoundFields[4];

// A stored value as box text: Null becomes "".
QString asText(const QVariant& v);

}  // namespace editor
