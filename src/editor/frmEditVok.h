#pragma once
// The item editor: a modal, borderless dialog that adds items one after
// another (NEWVOK true) or edits the grid's current item field by field
// (NEWVOK false), with its picture and four sounds and a grid of special
// characters for the question and answer boxes.
//
// The object lives for the whole run and keeps its fields (the remembered
// type, theme and category); every Load builds the controls afresh.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <array>

#include "platform/dao/Dao.h"
#include "platform/dialogs/CommonDialog.h"
#include "platform/forms/ControlArray.h"
#include "platform/forms/Form.h"

namespace grid {
class Grid;
}

namespace editor {

class EditVokHost;
class frmPic;

// A small picture that acts as a button: it takes the focus, and Click,
// GotFocus and LostFocus are its events.
class PicBox : public QLabel {
    Q_OBJECT
public:
    explicit PicBox(QWidget* parent = nullptr);
    void setPicture(const QPixmap& p) { setPixmap(p); }
    QPixmap picture() const { return pixmap(); }
    // What a click does; assistive tools press it as a button.
    Q_INVOKABLE void press() { emit Click(); }

signals:
    void Click();
    void GotFocus();
    void LostFocus();

protected:
    void mouseReleaseEvent(QMouseEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
};

class frmEditVok : public forms::Form {
    Q_OBJECT
public:
    explicit frmEditVok(EditVokHost& host, QWidget* parent = nullptr);
    ~frmEditVok() override;

    // --- the form's fields (kept between openings)
    bool NEWVOK = false;
    qint16 EditTyp = 0;
    bool bErsteAktivierung = false;
    std::array<QString, 4> SoundDatei;  // Sound, SoundTip, SoundRichtig, SoundFalsch
    QString BildDatei;
    QPointer<QLineEdit> UmlautZiel;
    struct Eingabe {
        qint16 Typ = 0;
        QString Thema;
        QString Kategorie;
    } LetzteEingabe;
    long GrabX = 0, GrabY = 0;
    bool bWindowDrag = false;

    // --- controls (rebuilt by every Load)
    QWidget* fraEditVok = nullptr;
    QLabel* lblBAddVok = nullptr;
    QWidget* picEditVok = nullptr;
    QLabel *lblBTyp = nullptr, *lblBEditVokBasics = nullptr, *lblBAdvanced = nullptr,
           *lblBMultimedia = nullptr;
    QLabel *lblBQ = nullptr, *lblBA = nullptr, *lblBThema = nullptr, *lblBKategorie = nullptr;
    QLabel *lblBExplanation = nullptr, *lblBTip = nullptr, *lblBPunkte = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr, *lblBPic = nullptr;
    QLabel *lblBZ = nullptr, *lblBF7 = nullptr;
    forms::ControlArray<QRadioButton> optTyp;  // index 0 and 1: see optTypAt
    QLineEdit* txtQ = nullptr;
    forms::ControlArray<QLineEdit> txtA;
    forms::ControlArray<QCheckBox> chkA;
    QCheckBox *chkAskAllItems = nullptr, *chkMindTheOrder = nullptr;
    QComboBox *cboThema = nullptr, *cboKategorie = nullptr;
    QLineEdit *txtExplanation = nullptr, *txtTip = nullptr, *txtPunkte = nullptr;
    QPushButton *cmdOK = nullptr, *cmdCancel = nullptr;
    QLabel* imgPicture = nullptr;
    PicBox *picPic = nullptr, *picPicView = nullptr, *picPicDel = nullptr;
    PicBox *picSQ = nullptr, *picSQPlay = nullptr, *picSQDel = nullptr;
    PicBox *picST = nullptr, *picSTPlay = nullptr, *picSTDel = nullptr;
    PicBox *picSR = nullptr, *picSRPlay = nullptr, *picSRDel = nullptr;
    PicBox *picSW = nullptr, *picSWPlay = nullptr, *picSWDel = nullptr;
    // Hidden holders of the highlighted looks, and of a button's own look.
    PicBox *picPicHi = nullptr, *picVHi = nullptr, *picDHi = nullptr, *picSHi = nullptr, *picPHi = nullptr,
           *picStack = nullptr;
    grid::Grid* vb = nullptr;
    dialogs::CommonDialog CommonDialog;

    QRadioButton* optTypAt(int index) const { return optTyp(index + 1); }

    // --- events of the form (public so that the caller and tests can drive them)
    void Form_KeyPress(int& KeyAscii);
    void Form_KeyUp(int& KeyCode, int Shift);
    void fraEditVok_MouseDown(int Button, int Shift, double X, double Y);
    void fraEditVok_MouseMove(int Button, int Shift, double X, double Y);
    void fraEditVok_MouseUp(int Button, int Shift, double X, double Y);
    void imgPicture_Click();

    // --- saving and validation
    void cmdOK_Click();
    void optTyp_Click(int Index);
    void cmdCancel_Click();

    // --- field handlers
    void txtQ_Change();
    void txtA_Change(int Index);
    void cboThema_Change();
    void cboKategorie_Change();
    void cboThema_Click() { cboThema_Change(); }
    void cboKategorie_Click() { cboKategorie_Change(); }
    void txtExplanation_Change();
    void txtTip_Change();
    void txtPunkte_Change();
    void chkA_Click(int Index);
    void chkAskAllItems_Click();
    void chkMindTheOrder_Click();
    void txtQ_KeyPress(int& KeyAscii);
    void txtA_KeyPress(int Index, int& KeyAscii);
    void chkA_KeyPress(int Index, int& KeyAscii);
    void chkAskAllItems_KeyPress(int& KeyAscii);
    void chkMindTheOrder_KeyPress(int& KeyAscii);
    void cboThema_KeyPress(int& KeyAscii);
    void cboKategorie_KeyPress(int& KeyAscii);
    void txtExplanation_KeyPress(int& KeyAscii);
    void txtTip_KeyPress(int& KeyAscii);
    void txtPunkte_KeyPress(int& KeyAscii);
    void cboThema_LostFocus();
    void cboKategorie_LostFocus();
    void txtPunkte_LostFocus();

    // --- special characters
    void txtQ_DblClick();
    void txtA_DblClick(int Index);
    void txtQ_KeyUp(int& KeyCode, int Shift);
    void txtA_KeyUp(int Index, int& KeyCode, int Shift);
    void vb_DblClick(long Row, long Col);
    void vb_KeyPress(int& KeyAscii);
    void vb_LostFocus();

    // --- picture and sounds
    void picPic_Click();
    void picSQ_Click() { attachSound(0); }
    void picST_Click() { attachSound(1); }
    void picSR_Click() { attachSound(2); }
    void picSW_Click() { attachSound(3); }
    void picPicView_Click();
    void picSQPlay_Click() { playSound(0); }
    void picSTPlay_Click() { playSound(1); }
    void picSRPlay_Click() { playSound(2); }
    void picSWPlay_Click() { playSound(3); }
    void picPicDel_Click();
    void picSQDel_Click() { deleteSound(0); }
    void picSTDel_Click() { deleteSound(1); }
    void picSRDel_Click() { deleteSound(2); }
    void picSWDel_Click() { deleteSound(3); }

    // The enlarged picture window while it is open (tests look at it).
    frmPic* pictureWindow() const { return frmPic_; }

protected:
    void Form_Load() override;
    void Form_Activate() override;
    void Form_Unload(int& Cancel) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void buildControls();
    void loadItem();
    void nameControls();
    void wireControls();
    void ColorEmptyFields();
    void CheckOkEnabled();
    void answerCountRule();
    void fillCombo(QComboBox* cbo, const QStringList& items);
    void setBack(QWidget* w, bool filled);
    // One field of the edited record: edit, set, update, then the grid cell.
    // 0, or the number of the error when the database refused the value (the
    // record keeps the old one; errors other than 3163 are reported).
    int writeField(const QString& field, const QVariant& value, const QString& cellText);
    void setGridCell(const QString& key, const QString& text);
    void redrawRowIcon();
    void enterTo(QWidget* target);
    void openCharGrid(QLineEdit* box, int boxIndex);
    void BuildCharGrid();
    void pickChar(long row, long col);
    void subjectLeaving(QComboBox* cbo);
    bool checkBeforeAdd();
    void addItem();
    void resetForNext();
    void attachSound(int i);
    void playSound(int i);
    void deleteSound(int i);
    bool chooseMediaFile(int titleId, const QString& filter, QString& chosen);
    void showMediaButtons(int i, bool on);  // 0..3 sounds, 4 picture
    void setLook(PicBox* b, bool highlighted);

    EditVokHost& host_;
    dao::RecordsetPtr rs() const;
    frmPic* frmPic_ = nullptr;
    bool saving_ = false;  // an add is under way (media may still be stored)
};

// The editor of the run: made on first use as a dialog of `parent` (which
// owns it), then the same object every time, so that it keeps its fields.
// The caller sets NEWVOK and shows it modally:
//   auto& f = editor::EditVok(*this, this);  f.NEWVOK = true;  f.Show(forms::vbModal);
frmEditVok& EditVok(EditVokHost& host, QWidget* parent = nullptr);

}  // namespace editor
