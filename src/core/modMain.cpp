#include "core/modMain.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QRegularExpression>
#include <QTranslator>

#include <QStandardPaths>
#include <cmath>
#include <limits>

#include "core/MessageTable.h"
#include "core/RunState.h"
#include "platform/Error.h"
#include "platform/dao/Dao.h"
#include "platform/forms/Interaction.h"
#include "platform/forms/QtTextsSupplement.h"

namespace modMain {

QString GetText(qint32 id) {
    if (TextBasis == 0) TextBasis = 20000;
    qint32 key = 0;
    if (__builtin_add_overflow(id, TextBasis, &key)) throw wk::Error(wk::err::Overflow, "Overflow");
    return MessageTable::instance().text(key);
}

namespace {

// Qt's own texts (the buttons of message boxes, the file dialogs) follow the
// program's language, not the system's.
void useQtTexts(const QString& language) {
    static QTranslator* installed = nullptr;
    static QTranslator* supplement = nullptr;
    if (!QCoreApplication::instance()) return;
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
        installed = nullptr;
    }
    if (supplement) {
        QCoreApplication::removeTranslator(supplement);
        delete supplement;
        supplement = nullptr;
    }
    if (language.isEmpty()) return;
    auto* t = new QTranslator;
    if (t->load(QStringLiteral("qtbase_") + language, QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        QCoreApplication::installTranslator(t)) {
        installed = t;
    } else {
        delete t;  // no translation installed: Qt's English stays
    }
    // Texts of Qt's dialogs that its catalogue lacks (the file dialog's
    // create prompt); asked before Qt's own, which it leaves alone.
    if (auto own = forms::qtTextsSupplement(language); own && QCoreApplication::installTranslator(own.get()))
        supplement = own.release();
}

}  // namespace

void SetLanguage(qint16 langId) {
    switch (langId) {
        case 0:
            TextBasis = 10000;
            useQtTexts(QStringLiteral("de"));
            return;
        case 1:
            TextBasis = 20000;
            useQtTexts(QString());
            return;
        default:
            break;
    }
    forms::ui().MsgBox(QStringLiteral("Unknown Language-ID: ") + QString::number(langId),
                       forms::vbCritical | forms::vbOKOnly, QStringLiteral("Fatal error:"));
    // Nothing may be written to the user database after this.
    if (CloseUserWorkspace) CloseUserWorkspace();
    forms::ui().EndProgram();
}

namespace {

// Whether description is the engine's own text for number, whatever file
// name stands in its place holder.
bool isStockText(qint32 number, const QString& description) {
    QStringList around = dao::ErrorDescription(number).split(u'|');
    for (QString& part : around) part = QRegularExpression::escape(part);
    const QRegularExpression stock(QRegularExpression::anchoredPattern(around.join(QStringLiteral(".*"))),
                                   QRegularExpression::DotMatchesEverythingOption);
    return stock.match(description).hasMatch();
}

}  // namespace

bool IsRefusal(qint32 number, const QString& description) {
    switch (number) {
        // No room, or another program at work on the file: the user can do
        // something about either, and nothing is wrong with the program.
        case wk::err::DiskFull:
        case wk::err::LockedBySession:
            return true;
        case wk::err::DiskError:
        case wk::err::FileLocked:
            return !description.trimmed().isEmpty() && !isStockText(number, description);
        default:
            return false;
    }
}

void ShowError(qint32 number, const QString& description, const QString& locationCode) {
    if (IsRefusal(number, description)) {
        forms::ui().MsgBox(description, forms::vbExclamation | forms::vbOKOnly, runstate::ProgName);
        return;
    }
    const QString title = locationCode.isEmpty() ? runstate::ProgName : locationCode;
    const QString text = GetText(5002) + QString::number(number) + QStringLiteral(": ") + description +
                         QStringLiteral("\r\r") + GetText(5009);
    forms::ui().MsgBox(text, forms::vbCritical | forms::vbOKOnly, title);
}

bool FitsField(const QString& text, int size) {
    if (size <= 0 || text.size() <= size) return true;
    forms::ui().MsgBox(GetText(5077) + QString::number(size) + GetText(5078),
                       forms::vbExclamation | forms::vbOKOnly, GetText(40));
    return false;
}

QString ProgramFolder() {
    QString dir = qEnvironmentVariable("WORTKISTE_HOME");
    if (dir.isEmpty()) dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    while (dir.size() > 1 && dir.endsWith(u'/')) dir.chop(1);
    return dir;
}

QString GetDBPath() {
    return ProgramFolder() + QStringLiteral("/DB/");
}

QString GetTempPath() {
    return ProgramFolder() + QStringLiteral("/TEMP/");
}

qint32 RandomInt(double lo, double hi) {
    double r = forms::ui().Rnd();
    if (!(r >= 0.0 && r < 1.0)) r = 0.0;  // keep the result inside lo..hi whatever the generator says
    const double v = std::floor((hi - lo + 1.0) * r + lo);
    if (!(v >= std::numeric_limits<qint32>::min() && v <= std::numeric_limits<qint32>::max()))
        throw wk::Error(wk::err::Overflow, "Overflow");
    return static_cast<qint32>(v);
}

}  // namespace modMain
