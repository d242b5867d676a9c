#pragma once
// The few texts of Qt's own dialogs that the program shows but Qt's
// translations do not carry, for the languages the program speaks.

#include <QString>
#include <QTranslator>
#include <memory>

namespace forms {

// A translator for `language` ("de") to install beside Qt's own, or nullptr
// where the program's language needs none (English, Qt's source language).
std::unique_ptr<QTranslator> qtTextsSupplement(const QString& language);

}  // namespace forms
