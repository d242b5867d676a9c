#pragma once
// What the main window's test screen is made of, and the twip arithmetic
// its layout is written in: a control's Left, Top, Width and Height in
// twips, and text measured in twips.

#include <QCheckBox>
#include <QFont>
#include <QHash>
#include <QLineEdit>
#include <QListWidget>
#include <QPoint>
#include <QRadioButton>
#include <QString>
#include <array>

#include "mainwindow/ImageBox.h"
#include "platform/forms/ControlArray.h"
#include "platform/forms/Timer.h"
#include "testengine/TestState.h"

namespace mainwindow {

class frmMain;

// Mouse and focus events of the test screen's plain Qt controls, passed to
// the window's handlers. The window deletes it first when it goes, so that
// it never sees the events of controls being destroyed.
class TestPanelEvents : public QObject {
public:
    enum Kind { Txt, Opt, Chk, Question, Panel, ShowUmlaute };
    explicit TestPanelEvents(frmMain* f);
    void watch(QObject* o, Kind kind, int index = 0);

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    frmMain* f_;
    QHash<QObject*, std::pair<Kind, int>> table_;
};

namespace tsgeo {

inline double Left(const QWidget* w) {
    return twips(w->x());
}
inline double Top(const QWidget* w) {
    return twips(w->y());
}
inline double Width(const QWidget* w) {
    return twips(w->width());
}
inline double Height(const QWidget* w) {
    return twips(w->height());
}
inline double Bottom(const QWidget* w) {
    return Top(w) + Height(w);
}
inline void setLeft(QWidget* w, double t) {
    w->move(px(t), w->y());
}
inline void setTop(QWidget* w, double t) {
    w->move(w->x(), px(t));
}
inline void setWidth(QWidget* w, double t) {
    w->resize(std::max(px(t), 0), w->height());
}
inline void setHeight(QWidget* w, double t) {
    w->resize(w->width(), std::max(px(t), 0));
}

// Width of a text in twips in a font: the widest of its lines.
double TextWidth(const QFont& f, const QString& s);
// Height of a text in twips: one line height per line.
double TextHeight(const QFont& f, const QString& s);
// The text broken at blanks into lines no wider than width twips where it
// can be.
QString WrapText(const QFont& f, const QString& s, double width);

}  // namespace tsgeo

// The text of the whole-test countdown: "00:00", "00:07", "01:05", "500:00".
QString FormatSeconds(int s);

// The key of the result picture for an error rate in percent (0 to 100).
QString GradePictureKey(int r);

// The grade text row for p points: the row of the grading scale that holds
// p, the scale laid out as the settings panel shows it for total points
// (storedP[j] is BewertungP<j> for j = 2 to 8). A row the panel shows as
// not in use is never chosen.
int GradeRow(qint64 p, qint64 total, const std::array<qint64, 9>& storedP);

// The characters of the special-character grid in cell order.
QString UmlautCharacters();

}  // namespace mainwindow
