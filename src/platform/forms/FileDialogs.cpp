#include "platform/forms/FileDialogs.h"

#include <QAbstractFileIconProvider>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QRegularExpression>

#include "platform/Error.h"
#include "platform/forms/MessageBoxes.h"

namespace dialogs {

QList<FilterEntry> parseFilter(const QString& filter) {
    QList<FilterEntry> out;
    if (filter.isEmpty()) return out;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        FilterEntry e;
        e.description = parts[i].trimmed();
        for (const QString& p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString t = p.trimmed();
            if (!t.isEmpty()) e.patterns << t;
        }
        out << e;
    }
    return out;
}

namespace {

// Patterns as Qt takes them: blank-separated, "*.*" as "*".
QStringList qtPatterns(const QStringList& given) {
    QStringList out;
    for (const QString& p : given) out << (p == QLatin1String("*.*") ? QStringLiteral("*") : p);
    return out;
}

// Icons and type names from the file name alone. Qt's own provider reads
// the first bytes of every file whose name it does not know; opening and
// closing an open database that way drops the POSIX locks this process's
// connection holds on it in the middle of a transaction, and another
// program may then write into it at the same time.
class NameOnlyIconProvider : public QAbstractFileIconProvider {
public:
    QIcon icon(IconType type) const override { return QAbstractFileIconProvider::icon(type); }
    QIcon icon(const QFileInfo& info) const override {
        if (!info.isFile()) return QAbstractFileIconProvider::icon(info.isDir() ? Folder : File);
        const QMimeType mime = byName(info);
        QIcon icon = QIcon::fromTheme(mime.iconName());
        if (icon.isNull()) icon = QIcon::fromTheme(mime.genericIconName());
        return icon.isNull() ? QAbstractFileIconProvider::icon(File) : icon;
    }
    QString type(const QFileInfo& info) const override {
        if (!info.isFile()) return QAbstractFileIconProvider::type(info);
        const QMimeType mime = byName(info);
        return mime.comment().isEmpty() ? mime.name() : mime.comment();
    }

private:
    QMimeType byName(const QFileInfo& info) const {
        return mimes_.mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
    }
    QMimeDatabase mimes_;
};

}  // namespace

QAbstractFileIconProvider* nameOnlyIconProvider() {
    // Shared by every dialog and never destroyed: the dialog's model asks it
    // from its own thread, which may outlive the dialog a little.
    static auto* provider = new NameOnlyIconProvider;
    return provider;
}

QStringList nameFilters(const QString& filter) {
    QStringList out;
    for (const FilterEntry& e : parseFilter(filter)) {
        QStringList patterns = qtPatterns(e.patterns);
        if (patterns.isEmpty()) patterns << QStringLiteral("*");
        const QString group = QStringLiteral("(%1)").arg(patterns.join(QLatin1Char(' ')));
        // "Vocabulary database (*.wkd)" already names its patterns; Qt reads
        // them from the last parenthesised group, so that one is rewritten
        // in Qt's form instead of being repeated.
        const qsizetype open = e.description.lastIndexOf(QLatin1Char('('));
        if (open >= 0 && e.description.endsWith(QLatin1Char(')'))) {
            const QString inner = e.description.mid(open + 1, e.description.size() - open - 2);
            static const QRegularExpression sep(QStringLiteral("[;, ]+"));
            if (qtPatterns(inner.split(sep, Qt::SkipEmptyParts)) == patterns) {
                out << e.description.left(open) + group;
                continue;
            }
        }
        out << (e.description.isEmpty() ? group : e.description + QLatin1Char(' ') + group);
    }
    return out;
}

void prepareFileDialog(QFileDialog& dlg, const forms::FileDialog& f, Mode mode) {
    dlg.setWindowTitle(f.DialogTitle.isEmpty()
                           ? (mode == Mode::Open ? QFileDialog::tr("Open") : QFileDialog::tr("Save As"))
                           : f.DialogTitle);
    dlg.setAcceptMode(mode == Mode::Open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    // Qt's own dialog matches the filters without regard to case, as the
    // original's did ("kurs.WKD" under "*.wkd"); desktop dialogs may not.
    dlg.setOption(QFileDialog::DontUseNativeDialog, true);
    dlg.setIconProvider(nameOnlyIconProvider());
    if (mode == Mode::Open && (f.Flags & forms::cdlOFNFileMustExist))
        dlg.setFileMode(QFileDialog::ExistingFile);
    else
        dlg.setFileMode(QFileDialog::AnyFile);
    dlg.setOption(QFileDialog::DontConfirmOverwrite,
                  mode == Mode::Open || !(f.Flags & forms::cdlOFNOverwritePrompt));

    const QStringList filters = nameFilters(f.Filter);
    if (!filters.isEmpty()) {
        dlg.setNameFilters(filters);
        const qsizetype index =
            (f.FilterIndex >= 1 && f.FilterIndex <= filters.size()) ? f.FilterIndex - 1 : 0;
        dlg.selectNameFilter(filters[index]);
    }

    QString ext = f.DefaultExt;
    if (ext.startsWith(QLatin1Char('.'))) ext.remove(0, 1);
    dlg.setDefaultSuffix(ext);

    if (!f.InitDir.isEmpty() && QFileInfo(f.InitDir).isDir()) dlg.setDirectory(f.InitDir);
    if (!f.FileName.isEmpty()) {
        const QFileInfo proposed(f.FileName);
        if (f.FileName.contains(QLatin1Char('/')) && proposed.absoluteDir().exists())
            dlg.setDirectory(proposed.absolutePath());
        dlg.selectFile(proposed.fileName());
    }
}

void readFileDialog(const QFileDialog& dlg, forms::FileDialog& f) {
    const QStringList files = dlg.selectedFiles();
    f.FileName = files.isEmpty() ? QString() : QDir::cleanPath(files.first());
    f.FileTitle = QFileInfo(f.FileName).fileName();
    const qsizetype index = dlg.nameFilters().indexOf(dlg.selectedNameFilter());
    if (index >= 0) f.FilterIndex = int(index) + 1;
}

std::unique_ptr<QMessageBox> createPromptBox(const QString& fileName, const QString& title, QWidget* parent) {
    // A message box of the program's own make-up: plain text (a file's name
    // stands as it is), Yes as the default, and as wide as its title.
    return forms::buildMessageBox(
        QFileDialog::tr("%1 does not exist.\nDo you want to create it?").arg(fileName),
        forms::vbYesNo | forms::vbQuestion, title, parent);
}

void raiseCancelled() {
    throw wk::Error(wk::err::DialogCancelled, QStringLiteral("Cancel was selected."));
}

// The file name box's completion list may still be open as the dialog
// closes. The desktop then hands the window below the keys while Qt takes
// the list for a menu that keeps them, and the program is left with no
// active window: the list goes with the dialog.
class PopupGoesWithTheDialog : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Hide)
            for (QWidget* p = QApplication::activePopupWidget(); p && p->close();
                 p = QApplication::activePopupWidget()) {
            }
        return false;
    }
};

bool runFileDialog(forms::FileDialog& f, Mode mode, QWidget* parent) {
    QFileDialog dlg(parent);
    prepareFileDialog(dlg, f, mode);
    dlg.installEventFilter(new PopupGoesWithTheDialog(&dlg));
    for (;;) {
        if (dlg.exec() != QDialog::Accepted) {
            if (f.CancelError) raiseCancelled();
            return false;
        }
        const QStringList files = dlg.selectedFiles();
        // Asked for before a file that does not exist yet is taken.
        if ((f.Flags & forms::cdlOFNCreatePrompt) && !files.isEmpty() && !QFileInfo::exists(files.first())) {
            const auto ask = createPromptBox(QFileInfo(files.first()).fileName(), dlg.windowTitle(), &dlg);
            if (ask->exec() != QMessageBox::Yes) continue;
        }
        readFileDialog(dlg, f);
        return true;
    }
}

}  // namespace dialogs
