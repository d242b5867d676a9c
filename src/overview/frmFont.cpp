#include "overview/frmFont.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "core/modFunctions.h"
#include "core/modMain.h"
#include "platform/Error.h"
#include "platform/forms/Captions.h"
#include "platform/shell/Shell.h"

namespace overview {

namespace {

constexpr int MinSize = 6;
constexpr int MaxSize = 48;

// The receiver of the enumeration in progress; one at a time.
IEnumFontSink* FontSink = nullptr;

QString charsetName(long lCharset) {
    return lCharset == 0 ? QStringLiteral("Western") : QString::number(lCharset);
}

}  // namespace

// Zero-width spaces between the letter pairs let the first line wrap in
// large sizes instead of running out of the sample.
const QString FontSampleText = QStringLiteral(
    "Aa\u200BBb\u200BCc\u200BDd\u200BEe\u200BFf\u200BGg\u200BHh\u200BIi\u200BJj\u200BKk\u200BLl\u200BMm\u200B"
    "Nn\u200BOo\u200BPp\u200BQq\u200BRr\u200BSs\u200BTt\u200BUu\u200BVv\u200BWw\u200BXx\u200BYy\u200BZz\n"
    "\u00C4\u00E4\u00D6\u00F6\u00DC\u00FC \u00E0\u00E1\u00E2 \u00E8\u00E9\u00EA \u00EC\u00ED\u00EE "
    "\u00F2\u00F3\u00F4 \u00F9\u00FA\u00FB \u00DF\n"
    "0123456789 .,;:!?-+*/=()\"'");

long EnumFonts(IEnumFontSink& sink, bool bPrinterFont, const QString& sFaceName, long lCharset) {
    if (FontSink) return 0;
    FontSink = &sink;
    long delivered = 0;
    try {
        const QStringList families =
            FontFamilySource ? FontFamilySource(!bPrinterFont) : shell::FontFamilies(!bPrinterFont);
        const QString script = charsetName(lCharset);
        for (const QString& face : families) {
            if (!sFaceName.isEmpty() && face != sFaceName) continue;
            // Styles only where a face was named, as the enumeration gives them then.
            QStringList styles{QString()};
            if (!sFaceName.isEmpty()) {
                styles = QFontDatabase::styles(face);
                if (styles.isEmpty()) styles << QString();
            }
            for (const QString& style : styles) {
                if (FontSink->HasFont(face + QLatin1Char(' ') + script)) continue;
                FontSink->AddFont(face, style, script, lCharset, bPrinterFont);
                ++delivered;
            }
        }
    } catch (...) {
        FontSink = nullptr;
        throw;
    }
    FontSink = nullptr;
    return delivered > 0 ? 1 : 0;
}

frmFont::frmFont(dao::RecordsetPtr options, QWidget* parent) : QDialog(parent), options_(std::move(options)) {
    setObjectName("frmFont");
    setModal(true);

    lstFont = new QListWidget(this);
    lstFont->setObjectName("lstFont");
    lstFont->setMinimumWidth(220);
    lstFont->setMinimumHeight(220);

    lblSize = new QLabel(this);
    lblSize->setObjectName("lblSize");
    forms::setTag(lblSize, "292");
    lblFontSize = new QLabel(QStringLiteral("-"), this);
    lblFontSize->setObjectName("lblFontSize");
    lblFontSize->setMinimumWidth(QFontMetrics(lblFontSize->font()).horizontalAdvance("488"));
    sldFont = new QSlider(Qt::Horizontal, this);
    sldFont->setObjectName("sldFont");
    sldFont->setRange(MinSize, MaxSize);
    sldFont->setValue(MinSize);
    sldFont->setTickPosition(QSlider::TicksBelow);
    sldFont->setTickInterval(6);
    sldFont->setMinimumWidth(200);

    Label1 = new QLabel(FontSampleText, this);
    Label1->setObjectName("Label1");
    Label1->setFrameShape(QFrame::StyledPanel);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setWordWrap(true);
    Label1->setMinimumSize(420, 150);

    cmdOK = new QPushButton(this);
    cmdOK->setObjectName("cmdOK");
    forms::setTag(cmdOK, "291");
    cmdOK->setDefault(true);
    cmdAbbrechen = new QPushButton(this);
    cmdAbbrechen->setObjectName("cmdAbbrechen");
    forms::setTag(cmdAbbrechen, "17");

    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(lblSize);
    sizeRow->addWidget(lblFontSize);
    sizeRow->addStretch(1);
    auto* right = new QVBoxLayout;
    right->addLayout(sizeRow);
    right->addWidget(sldFont);
    right->addStretch(1);
    right->addWidget(cmdOK);
    right->addWidget(cmdAbbrechen);
    auto* top = new QHBoxLayout;
    top->addWidget(lstFont, 1);
    top->addLayout(right);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(top, 1);
    outer->addWidget(Label1);

    connect(lstFont, &QListWidget::currentRowChanged, this, [this](int) { lstFont_Click(); });
    connect(sldFont, &QSlider::valueChanged, this, [this](int) { sldFont_Change(); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdAbbrechen, &QPushButton::clicked, this, [this] { cmdAbbrechen_Click(); });
}

bool frmFont::HasFont(const QString&) {
    return false;
}

void frmFont::AddFont(const QString& sFaceName, const QString&, const QString&, long, bool) {
    lstFont->addItem(sFaceName);
}

void frmFont::Form_Load() {
    setWindowTitle(modMain::GetText(290));
    lblSize->setBuddy(sldFont);
    lstFont->setAccessibleName(forms::spokenCaption(modMain::GetText(293)));
    forms::ApplyCaptions(this, modMain::GetText, false);
    EnumFonts(*this, false, QString(), 0);
    setWindowTitle(modMain::GetText(290) + QString::number(lstFont->count()) + modMain::GetText(294));

    // Both always come from the question column's font, whichever group is picked.
    int size = MinSize;
    const QVariant stored = options_->Value(QStringLiteral("Schriftgroesse"));
    bool numeric = false;
    const double value = stored.isValid() ? stored.toString().trimmed().toDouble(&numeric) : 0.0;
    // A text that is no number starts at the smallest size as Null does;
    // a size beyond the slider's end starts at its end.
    if (numeric && value >= MinSize) size = int(std::min<double>(std::nearbyint(value), MaxSize));
    if (sldFont->value() == size)
        sldFont_Change();
    else
        sldFont->setValue(size);

    const QVariant face = options_->Value(QStringLiteral("Schriftart"));
    if (face.isValid() && !face.toString().isEmpty()) {
        int i = modFunctions::FindListItem(*lstFont, face.toString(), 2);
        // A face that is not installed here ("MS Sans Serif") is shown with
        // another one; that one is the current font then.
        if (i < 0) i = modFunctions::FindListItem(*lstFont, QFontInfo(QFont(face.toString())).family(), 2);
        if (i >= 0) lstFont->setCurrentRow(i);
    }
}

void frmFont::lstFont_Click() {
    QListWidgetItem* item = lstFont->currentItem();
    if (!item) return;
    QFont f = Label1->font();
    f.setFamily(item->text());
    Label1->setFont(f);
    fitSample();
}

void frmFont::sldFont_Change() {
    lblFontSize->setText(QString::number(sldFont->value()));
    QFont f = Label1->font();
    f.setPointSize(sldFont->value());
    Label1->setFont(f);
    fitSample();
}

void frmFont::fitSample() {
    // The sample grows with its font, so that it is seen whole in the sizes
    // text is read in; only very large sizes are cut at half the screen.
    const int frame = 2 * (Label1->frameWidth() + Label1->margin()) + 4;
    const int width = std::max(Label1->width(), Label1->minimumWidth()) - frame;
    const QRect needed = QFontMetrics(Label1->font())
                             .boundingRect(QRect(0, 0, width, 100000), Qt::TextWordWrap, FontSampleText);
    int limit = 600;
    if (const QScreen* screen = this->screen()) limit = screen->availableGeometry().height() / 2;
    Label1->setMinimumHeight(std::clamp(needed.height() + frame, 150, std::max(150, limit)));
}

void frmFont::cmdOK_Click() {
    QListWidgetItem* item = lstFont->currentItem();
    if (!item || item->text().isEmpty()) return;
    // A family whose name the field cannot hold: the dialog stays for
    // another choice.
    int size = 0;
    try {
        size = options_->FieldDefinedSize(FieldToWriteTo);
    } catch (const wk::Error&) {
    }
    if (!modMain::FitsField(item->text(), size)) return;
    try {
        options_->Edit();
        options_->SetValue(FieldToWriteTo, item->text());
        options_->SetValue(FieldToWriteSizeTo, QString::number(sldFont->value()));
        options_->Update();
    } catch (const wk::Error& e) {
        // A name longer than the field, or a database that refuses the write:
        // say so and keep the dialog open; the stored font stays as it was.
        if (options_->EditMode() != dao::dbEditNone) options_->CancelUpdate();
        modMain::ShowError(e.number(), e.description(), QString());
        return;
    }
    written_ = true;
    unload(true);
}

void frmFont::cmdAbbrechen_Click() {
    unload(false);
}

void frmFont::unload(bool ok) {
    unloaded_ = true;
    if (isVisible())
        done(ok ? QDialog::Accepted : QDialog::Rejected);
    else
        setResult(ok ? QDialog::Accepted : QDialog::Rejected);
}

}  // namespace overview
