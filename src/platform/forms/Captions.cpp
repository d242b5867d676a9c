#include "platform/forms/Captions.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMetaProperty>
#include <QVariant>
#include <QWidget>
#include <cmath>

#include "platform/Error.h"
#include "platform/forms/Accessible.h"

namespace forms {
namespace {

constexpr const char* kTag = "Tag";
constexpr const char* kNamedByLabel = "wkNamedByLabel";

// A label without a buddy shows its text as it stands, so the mnemonic
// marks of a caption ("&Name") are taken out as the original's labels did.
QString withoutMnemonic(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size()) ++i;
        out += text[i];
    }
    return out;
}

}  // namespace

void setTag(QObject* control, const QString& tag) {
    if (control) control->setProperty(kTag, tag);
}

QString tag(const QObject* control) {
    return control ? control->property(kTag).toString() : QString();
}

int tagToInteger(const QString& tag) {
    const QString t = tag.trimmed();
    bool ok = false;
    double value = t.toLongLong(&ok);
    if (!ok) {
        value = t.toDouble(&ok);
        if (!ok || !std::isfinite(value))
            throw wk::Error(wk::err::TypeMismatch, QStringLiteral("Type mismatch"));
        value = std::nearbyint(value);  // to even, as the runtime rounds
    }
    if (value < -32768 || value > 32767) throw wk::Error(wk::err::Overflow, QStringLiteral("Overflow"));
    return int(value);
}

bool setCaption(QObject* control, const QString& text) {
    if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setTextFormat(Qt::PlainText);
        label->setText(label->buddy() ? text : withoutMnemonic(text));
        return true;
    }
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setText(text);
        return true;
    }
    if (auto* group = qobject_cast<QGroupBox*>(control)) {
        group->setTitle(text);
        return true;
    }
    if (auto* menu = qobject_cast<QMenu*>(control)) {
        menu->setTitle(text);
        return true;
    }
    if (auto* action = qobject_cast<QAction*>(control)) {
        action->setText(text);
        return true;
    }
    const QMetaObject* meta = control ? control->metaObject() : nullptr;
    if (meta) {
        const int index = meta->indexOfProperty("caption");
        if (index >= 0 && meta->property(index).isWritable()) return control->setProperty("caption", text);
    }
    return false;
}

void ApplyCaptions(QWidget* form, const std::function<QString(int)>& getText, bool skipImg,
                   bool formCaption) {
    if (!form) return;
    const QList<QObject*> controls = form->findChildren<QObject*>();
    for (QObject* control : controls) {
        const QString t = tag(control);
        if (t.isEmpty()) continue;
        if (skipImg && control->objectName().startsWith(QLatin1String("img"))) continue;
        setCaption(control, getText(tagToInteger(t)));
    }
    if (formCaption) {
        const QString t = tag(form);
        if (!t.isEmpty()) form->setWindowTitle(getText(tagToInteger(t)));
    }
    nameBoxesAfterLabels(form);
}

void nameBoxesAfterLabels(QWidget* form) {
    installAccessibility();
    // In the language of the moment; a name the form gave itself stays.
    for (QLabel* label : form->findChildren<QLabel*>()) {
        QWidget* box = label->buddy();
        if (!box || (!box->accessibleName().isEmpty() && !box->property(kNamedByLabel).toBool())) continue;
        nameBox(box, spokenCaption(label->text()));
        box->setProperty(kNamedByLabel, true);
    }
}

QString spokenCaption(const QString& caption) {
    QString out = withoutMnemonic(caption).trimmed();
    if (out.endsWith(QLatin1Char(':'))) out = out.chopped(1).trimmed();
    return out;
}

}  // namespace forms
