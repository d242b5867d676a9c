#pragma once
// The wait window shown while the databases are compacted at exit. It has
// no behaviour of its own: the exit path sets its text and shows it.

#include <QLabel>
#include <QWidget>

namespace vocabdb {

class frmGeduld : public QWidget {
    Q_OBJECT
public:
    explicit frmGeduld(QWidget* parent = nullptr);

    QLabel* Picture1;
    QLabel* LblBBitteWarten;
};

}  // namespace vocabdb
