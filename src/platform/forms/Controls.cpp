#include "platform/forms/Controls.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QValidator>

namespace forms {
namespace {

// Refuses growth beyond the limit, cutting a paste to what fits. It knows
// the text's length before each edit from textChanged, which also follows
// text set by code, so an over-long text from code may only shrink.
// QLineEdit validates setText too; an edit by the user is told apart by its
// undo step, which setText clears.
class LengthLimit : public QValidator {
public:
    LengthLimit(QLineEdit* edit, int limit)
        : QValidator(edit), edit_(edit), limit_(limit), before_(edit->text().size()) {
        connect(edit, &QLineEdit::textChanged, this, [this](const QString& t) { before_ = t.size(); });
    }

    State validate(QString& input, int& pos) const override {
        if (!edit_->isUndoAvailable()) return Acceptable;  // set by code
        const qsizetype allowed = std::max<qsizetype>(limit_, before_);
        if (input.size() <= allowed) return Acceptable;
        // The new characters end at the cursor; drop the ones that do not fit.
        const qsizetype excess = input.size() - allowed;
        if (pos - excess < 0) return Invalid;
        input.remove(pos - excess, excess);
        pos -= int(excess);
        return Acceptable;
    }

    int limit() const { return limit_; }

private:
    QLineEdit* edit_;
    int limit_;
    qsizetype before_;
};

LengthLimit* limitOf(const QLineEdit* edit) {
    return edit ? dynamic_cast<LengthLimit*>(const_cast<QValidator*>(edit->validator())) : nullptr;
}

}  // namespace

void limitTextLength(QLineEdit* edit, int maxLength) {
    if (!edit) return;
    if (LengthLimit* old = limitOf(edit)) {
        edit->setValidator(nullptr);
        delete old;
    }
    if (maxLength > 0) edit->setValidator(new LengthLimit(edit, maxLength));
}

int textLengthLimit(const QLineEdit* edit) {
    const LengthLimit* l = limitOf(edit);
    return l ? l->limit() : 0;
}

void plainTextLabels(QWidget* root) {
    if (!root) return;
    if (auto* label = qobject_cast<QLabel*>(root)) label->setTextFormat(Qt::PlainText);
    for (QLabel* label : root->findChildren<QLabel*>()) label->setTextFormat(Qt::PlainText);
}

QString literalCaption(const QString& text) {
    QString out = text;
    out.replace(QLatin1Char('&'), QLatin1String("&&"));
    return out;
}

}  // namespace forms
