#pragma once
// The small modal window in which a test shows an item's tip or
// explanation. The caller sets the caption and Label1, then shows it
// modally; its button closes it.
//
//   testengine::frmHint hint;
//   hint.Load();
//   hint.Label1->setText(tip);
//   hint.setWindowTitle(GetText(707));
//   hint.Show(forms::vbModal);

#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "platform/forms/Form.h"

namespace testengine {

class frmHint : public forms::Form {
    Q_OBJECT
public:
    explicit frmHint(QWidget* parent = nullptr);

    QLabel* Label1;
    QFrame* Line1;
    QPushButton* cmdOK;

    void cmdOK_Click();

protected:
    void Form_Load() override;
    void keyPressEvent(QKeyEvent* e) override;
};

}  // namespace testengine
