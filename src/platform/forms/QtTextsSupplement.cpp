#include "platform/forms/QtTextsSupplement.h"

#include <array>

namespace forms {

namespace {

struct Entry {
    const char* context;
    const char* source;
    const char* text;  // UTF-8
};

// Keyed as the dialogs ask Qt for them (QFileDialog::tr, ...).
constexpr std::array kGerman{
    Entry{"QFileDialog", "%1 does not exist.\nDo you want to create it?",
          "Die Datei %1 existiert nicht.\nSoll sie angelegt werden?"},
};

class Supplement : public QTranslator {
public:
    QString translate(const char* context, const char* source, const char* disambiguation,
                      int n) const override {
        Q_UNUSED(disambiguation);
        Q_UNUSED(n);
        if (!context || !source) return {};
        for (const Entry& e : kGerman)
            if (qstrcmp(e.context, context) == 0 && qstrcmp(e.source, source) == 0)
                return QString::fromUtf8(e.text);
        return {};  // left to the next translator
    }
    bool isEmpty() const override { return false; }
};

}  // namespace

std::unique_ptr<QTranslator> qtTextsSupplement(const QString& language) {
    if (language == QLatin1String("de")) return std::make_unique<Supplement>();
    return nullptr;
}

}  // namespace forms
