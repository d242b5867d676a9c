#include "platform/forms/MessageBoxes.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>

#include "platform/forms/Interaction.h"

namespace forms {

QString lineBreaks(const QString& text) {
    QString out = text;
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}

QString boxTitle(const QString& title) {
    return title.isEmpty() ? QString::fromLatin1(kProductName) : title;
}

namespace {

// The window manager's title bar: its icon, its buttons and their padding.
constexpr int kTitleBarButtonsRoom = 120;

// A box with a short text would be narrower than its title in the window
// manager's bar, which then cuts the title ("Wor...iste"). The box sizes
// itself from its layout, so the layout gets a strut as wide as the title,
// in a bold font as title bars draw it, plus room for the bar's buttons.
void keepTitleWhole(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid) return;
    QFont bold = box.font();
    bold.setBold(true);
    const int need = QFontMetrics(bold).horizontalAdvance(box.windowTitle()) + kTitleBarButtonsRoom;
    grid->addItem(new QSpacerItem(need, 0, QSizePolicy::Fixed, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

}  // namespace

std::unique_ptr<QMessageBox> buildMessageBox(const QString& prompt, int style, const QString& title,
                                             QWidget* parent) {
    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowTitle(boxTitle(title));
    box->setTextFormat(Qt::PlainText);
    box->setText(lineBreaks(prompt));

    using SB = QMessageBox::StandardButton;
    QList<SB> buttons;
    switch (style & 0x7) {
        case vbOKCancel:
            buttons = {SB::Ok, SB::Cancel};
            break;
        case vbAbortRetryIgnore:
            buttons = {SB::Abort, SB::Retry, SB::Ignore};
            break;
        case vbYesNoCancel:
            buttons = {SB::Yes, SB::No, SB::Cancel};
            break;
        case vbYesNo:
            buttons = {SB::Yes, SB::No};
            break;
        case vbRetryCancel:
            buttons = {SB::Retry, SB::Cancel};
            break;
        default:
            buttons = {SB::Ok};
            break;
    }
    for (SB b : buttons) box->addButton(b);

    switch (style & 0x70) {
        case vbCritical:
            box->setIcon(QMessageBox::Critical);
            break;
        case vbQuestion:
            box->setIcon(QMessageBox::Question);
            break;
        case vbExclamation:
            box->setIcon(QMessageBox::Warning);
            break;
        case vbInformation:
            box->setIcon(QMessageBox::Information);
            break;
        default:
            box->setIcon(QMessageBox::NoIcon);
            break;
    }

    // The default button counts in the order the buttons are shown; one
    // beyond the set falls back to the first, as the original did.
    qsizetype def = (style & 0xF00) / 256;
    if (def >= buttons.size()) def = 0;
    box->setDefaultButton(buttons[def]);

    // Escape answers Cancel where there is one and OK in a box with only OK;
    // elsewhere Qt's own choice holds (No, Abort).
    if (buttons.contains(SB::Cancel))
        box->setEscapeButton(SB::Cancel);
    else if (buttons.size() == 1)
        box->setEscapeButton(SB::Ok);
    keepTitleWhole(*box);  // last: setting the icon or text lays the box out anew
    return box;
}

int messageBoxResult(const QMessageBox& box, const QAbstractButton* clicked) {
    if (!clicked) clicked = box.escapeButton();
    switch (box.standardButton(const_cast<QAbstractButton*>(clicked))) {
        case QMessageBox::Ok:
            return vbOK;
        case QMessageBox::Cancel:
            return vbCancel;
        case QMessageBox::Abort:
            return vbAbort;
        case QMessageBox::Retry:
            return vbRetry;
        case QMessageBox::Ignore:
            return vbIgnore;
        case QMessageBox::Yes:
            return vbYes;
        case QMessageBox::No:
            return vbNo;
        default:
            break;
    }
    // Closed without any answer: the first button's, as if it were pressed.
    const auto buttons = box.buttons();
    for (QAbstractButton* b : buttons) {
        switch (box.standardButton(b)) {
            case QMessageBox::Ok:
                return vbOK;
            case QMessageBox::Abort:
                return vbAbort;
            case QMessageBox::Retry:
                return vbRetry;
            case QMessageBox::Yes:
                return vbYes;
            default:
                break;
        }
    }
    return vbCancel;
}

std::unique_ptr<QInputDialog> buildInputBox(const QString& prompt, const QString& title,
                                            const QString& defaultText, QWidget* parent) {
    auto dlg = std::make_unique<QInputDialog>(parent);
    dlg->setInputMode(QInputDialog::TextInput);
    dlg->setWindowTitle(boxTitle(title));
    dlg->setLabelText(lineBreaks(prompt));
    // The prompt stands as written, as a message box's does.
    for (QLabel* label : dlg->findChildren<QLabel*>()) label->setTextFormat(Qt::PlainText);
    dlg->setTextValue(defaultText);
    return dlg;
}

}  // namespace forms
