#include "platform/forms/Twips.h"

#include <QWidget>

namespace forms {

void moveTwips(QWidget* w, double left, double top, double width, double height) {
    if (w) w->setGeometry(twipsRect(left, top, width, height));
}

}  // namespace forms
