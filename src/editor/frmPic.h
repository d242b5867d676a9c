#pragma once
// The enlarged picture: a window that holds only the picture at its own
// size; a click on the picture closes it.

#include <QLabel>

#include "platform/forms/Form.h"

namespace editor {

class frmPic : public forms::Form {
    Q_OBJECT
public:
    explicit frmPic(QWidget* parent = nullptr);

    QLabel* imgVok = nullptr;

    void imgVok_Click() { Unload(); }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
};

}  // namespace editor
