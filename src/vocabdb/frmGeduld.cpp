#include "vocabdb/frmGeduld.h"

#include "platform/forms/Twips.h"

namespace vocabdb {

frmGeduld::frmGeduld(QWidget* parent) : QWidget(parent, Qt::Dialog | Qt::WindowTitleHint) {
    setObjectName("frmGeduld");
    setFixedSize(forms::twipsSize(3015, 750));

    Picture1 = new QLabel(this);
    Picture1->setObjectName("Picture1");
    Picture1->setGeometry(forms::twipsRect(0, 0, 3015, 735));
    Picture1->setFrameShape(QFrame::Panel);
    Picture1->setFrameShadow(QFrame::Raised);

    LblBBitteWarten = new QLabel(this);
    LblBBitteWarten->setObjectName("LblBBitteWarten");
    LblBBitteWarten->setGeometry(forms::twipsRect(120, 140, 2775, 495));
    LblBBitteWarten->setWordWrap(true);
    LblBBitteWarten->setAlignment(Qt::AlignCenter);
}

}  // namespace vocabdb
