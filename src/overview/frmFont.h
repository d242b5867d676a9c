#pragma once
// The font dialog of the grid options: the installed scalable fonts, a
// slider for the size (6 to 48 points) and a sample. OK writes the chosen
// face and size into the two fields of the options record the caller names.
//
// The list comes from a small enumeration service: EnumFonts hands every
// font to a receiver (IEnumFontSink), one enumeration at a time.

#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>

#include "platform/dao/Dao.h"

class QLabel;
class QListWidget;
class QPushButton;
class QSlider;

namespace overview {

// A receiver of the font enumeration.
class IEnumFontSink {
public:
    virtual ~IEnumFontSink() = default;
    // Whether the receiver holds this font already ("face script").
    virtual bool HasFont(const QString& sFaceName) {
        Q_UNUSED(sFaceName);
        return false;
    }
    virtual void AddFont(const QString& sFaceName, const QString& sStyle, const QString& sCharset,
                         long lCharset, bool bPrinterFont) {
        Q_UNUSED(sFaceName);
        Q_UNUSED(sStyle);
        Q_UNUSED(sCharset);
        Q_UNUSED(lCharset);
        Q_UNUSED(bPrinterFont);
    }
};

// Where the enumeration takes its font families from: the font list of the
// shell layer (scalable ones unless printer fonts are asked for). Tests may
// put a fixed list here.
inline std::function<QStringList(bool scalableOnly)> FontFamilySource;

// Hands every font family to sink: all of them for an empty face name, else
// that face's styles. Without bPrinterFont only scalable fonts are given.
// Returns 1 when the enumeration ran and delivered at least one font, 0 when
// it delivered none or another enumeration is running.
long EnumFonts(IEnumFontSink& sink, bool bPrinterFont, const QString& sFaceName, long lCharset);

// The sample shown in the chosen font.
extern const QString FontSampleText;

class frmFont : public QDialog, public IEnumFontSink {
    Q_OBJECT
public:
    // options: the options record of the open vocabulary database, current.
    explicit frmFont(dao::RecordsetPtr options, QWidget* parent = nullptr);

    // Set by the caller before the dialog is shown: the fields that receive
    // the face name and the size.
    QString FieldToWriteTo;
    QString FieldToWriteSizeTo;

    void Form_Load();
    void lstFont_Click();
    void sldFont_Change();
    void cmdOK_Click();
    void cmdAbbrechen_Click();

    // IEnumFontSink: every font is listed, repeats included.
    bool HasFont(const QString& sFaceName) override;
    void AddFont(const QString& sFaceName, const QString& sStyle, const QString& sCharset, long lCharset,
                 bool bPrinterFont) override;

    // Whether OK wrote the two fields; whether the dialog was closed by OK
    // or Cancel.
    bool written() const { return written_; }
    bool unloaded() const { return unloaded_; }

    QListWidget* lstFont = nullptr;
    QSlider* sldFont = nullptr;
    QLabel* lblFontSize = nullptr;
    QLabel* lblSize = nullptr;
    QLabel* Label1 = nullptr;  // the sample
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdAbbrechen = nullptr;

private:
    void unload(bool ok);
    void fitSample();

    dao::RecordsetPtr options_;
    bool written_ = false;
    bool unloaded_ = false;
};

}  // namespace overview
