#include "editor/frmPic.h"

#include <QMouseEvent>

namespace editor {

frmPic::frmPic(QWidget* parent) : forms::Form(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmPic"));
    imgVok = new QLabel(this);
    imgVok->setObjectName(QStringLiteral("imgVok"));
    imgVok->move(0, 0);
    imgVok->installEventFilter(this);
}

bool frmPic::eventFilter(QObject* watched, QEvent* e) {
    if (watched == imgVok && e->type() == QEvent::MouseButtonRelease) {
        imgVok_Click();
        return true;
    }
    return forms::Form::eventFilter(watched, e);
}

}  // namespace editor
