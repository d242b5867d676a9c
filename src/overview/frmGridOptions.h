#pragma once
// The "Table options" dialog: word wrap, grid lines, row highlighting, the
// error-rate colour at the left edge, the enhanced row icons, and the fonts
// of four groups of grid columns. Every change is stored at once; OK and Esc
// rebuild the grid and close. There is no Cancel.

#include <QDialog>
#include <array>
#include <functional>

#include "platform/dao/Dao.h"

class QCheckBox;
class QFrame;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace overview {

class DialogsHost;
class frmFont;

class frmGridOptions : public QDialog {
    Q_OBJECT
public:
    explicit frmGridOptions(DialogsHost& host, QWidget* parent = nullptr);

    void Form_Load();
    void optM_Click(int index);
    void chkWordbreakQ_Click();
    void chkWordbreakA_Click();
    void chkWordbreakT_Click();
    void chkHighlightActiveRow_Click();
    void chkColorCode_Click();
    void chkGridlines_Click();
    void chkListIcon_Click();
    void txtSchriftart_LostFocus();
    void txtSchriftartA_LostFocus();
    void txtSchriftartT_LostFocus();
    void txtSchriftartRest_LostFocus();
    void txtSchriftgroesse_LostFocus();
    void txtSchriftgroesseA_LostFocus();
    void txtSchriftgroesseT_LostFocus();
    void txtSchriftgroesseRest_Change();
    void cmdPickFont_Click();
    void cmdPickFontA_Click();
    void cmdPickFontT_Click();
    void cmdPickFontRest_Click();
    void cmdDefault_Click();
    void cmdOK_Click();
    // Key preview: Esc is OK. Returns the key to pass on (0 when taken).
    int Form_KeyPress(int keyAscii);

    // Whether OK (or Esc) closed the dialog.
    bool unloaded() const { return unloaded_; }

    std::array<QRadioButton*, 2> optM{};
    QFrame* fraDisplay = nullptr;
    QFrame* fraFonts = nullptr;
    QCheckBox* chkWordbreakQ = nullptr;
    QCheckBox* chkWordbreakA = nullptr;
    QCheckBox* chkWordbreakT = nullptr;
    QCheckBox* chkHighlightActiveRow = nullptr;
    QCheckBox* chkGridlines = nullptr;
    QCheckBox* chkColorCode = nullptr;
    QCheckBox* chkListIcon = nullptr;
    QLabel* lblBEI = nullptr;
    QLabel* lblSchriftart = nullptr;
    QLabel* lblSchriftartA = nullptr;
    QLabel* lblSchriftartT = nullptr;
    QLabel* lblSchriftartRest = nullptr;
    QPushButton* cmdPickFont = nullptr;
    QPushButton* cmdPickFontA = nullptr;
    QPushButton* cmdPickFontT = nullptr;
    QPushButton* cmdPickFontRest = nullptr;
    QLineEdit* txtSchriftart = nullptr;
    QLineEdit* txtSchriftartA = nullptr;
    QLineEdit* txtSchriftartT = nullptr;
    QLineEdit* txtSchriftartRest = nullptr;
    QLineEdit* txtSchriftgroesse = nullptr;
    QLineEdit* txtSchriftgroesseA = nullptr;
    QLineEdit* txtSchriftgroesseT = nullptr;
    QLineEdit* txtSchriftgroesseRest = nullptr;
    QPushButton* cmdDefault = nullptr;
    QPushButton* cmdOK = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // One font row: its name and size boxes and fields.
    struct FontRow {
        QLineEdit* name;
        QLineEdit* size;
        QString nameField;
        QString sizeField;
    };
    std::array<FontRow, 4> rows() const;
    void buildFontRow(QGridLayout* lay, int column, QLabel*& head, QPushButton*& pick, QLineEdit*& name,
                      QLineEdit*& size, const QString& suffix);
    void writeCheck(QCheckBox* box, const QString& field, bool options, bool program);
    // goingTo: the control the focus moves to, when it is known.
    void writeName(QLineEdit* box, const QString& field, const QWidget* goingTo);
    void checkSize(QLineEdit* box, const QString& field);
    void pickFont(int row);
    void reloadRow(int row);

    DialogsHost& host_;
    bool unloaded_ = false;
    bool checking_ = false;  // a leave handler runs: its own focus moves are no leaving
};

// Writes one field of a record in its own edit. A refused write (a read-only
// or locked file, a text too long for the field) is cancelled and shown with
// the shared error box; the answer is then false.
bool WriteOptionField(dao::Recordset& rs, const QString& field, const QVariant& value);

// The toolbar's grid options button and F8: loads and shows the dialog
// modally over the main window.
void ShowGridOptions(DialogsHost& host);

}  // namespace overview
