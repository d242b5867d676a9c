#include "support/ScriptedInteraction.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMenu>
#include <QPointer>
#include <QWidget>

#include "platform/Error.h"

#include "platform/forms/FileDialogs.h"
#include "platform/forms/SendKeys.h"

namespace wktest {
namespace {

QString describe(const InteractionCall& c) {
    QString s = QString::fromLatin1(toString(c.kind));
    switch (c.kind) {
        case CallKind::MsgBox:
            s += QStringLiteral(" prompt=\"%1\" style=%2 title=\"%3\"")
                     .arg(c.prompt)
                     .arg(c.style)
                     .arg(c.title);
            break;
        case CallKind::InputBox:
            s += QStringLiteral(" prompt=\"%1\" title=\"%2\" default=\"%3\"")
                     .arg(c.prompt, c.title, c.defaultText);
            break;
        case CallKind::ShowOpen:
        case CallKind::ShowSave:
            s += QStringLiteral(" title=\"%1\" filter=\"%2\" initDir=\"%3\" fileName=\"%4\" flags=%5")
                     .arg(c.dialog.DialogTitle, c.dialog.Filter, c.dialog.InitDir, c.dialog.FileName)
                     .arg(c.dialog.Flags);
            break;
        case CallKind::SendKeys:
            s += QStringLiteral(" keys=\"%1\"").arg(c.keys);
            break;
        case CallKind::EndProgram:
            s += QStringLiteral(" code=%1").arg(c.exitCode);
            break;
        case CallKind::ShowModal:
            s += QStringLiteral(" form=%1 title=\"%2\"").arg(c.formName, c.title);
            break;
        case CallKind::PopupMenu:
            s += QStringLiteral(" menu=%1 entries=%2").arg(c.formName, c.entries.join(QLatin1Char(',')));
            break;
        case CallKind::Beep:
            break;
    }
    return s;
}

// The answers a box of `style` can give.
QList<int> answersOf(int style) {
    switch (style & 0x7) {
        case forms::vbOKCancel:
            return {forms::vbOK, forms::vbCancel};
        case forms::vbAbortRetryIgnore:
            return {forms::vbAbort, forms::vbRetry, forms::vbIgnore};
        case forms::vbYesNoCancel:
            return {forms::vbYes, forms::vbNo, forms::vbCancel};
        case forms::vbYesNo:
            return {forms::vbYes, forms::vbNo};
        case forms::vbRetryCancel:
            return {forms::vbRetry, forms::vbCancel};
        default:
            return {forms::vbOK};
    }
}

}  // namespace

const char* toString(CallKind kind) {
    switch (kind) {
        case CallKind::MsgBox:
            return "MsgBox";
        case CallKind::InputBox:
            return "InputBox";
        case CallKind::ShowOpen:
            return "ShowOpen";
        case CallKind::ShowSave:
            return "ShowSave";
        case CallKind::ShowModal:
            return "ShowModal";
        case CallKind::PopupMenu:
            return "PopupMenu";
        case CallKind::EndProgram:
            return "EndProgram";
        case CallKind::Beep:
            return "Beep";
        case CallKind::SendKeys:
            return "SendKeys";
    }
    return "?";
}

ScriptedInteraction::ScriptedInteraction() : now_(QDate(2026, 3, 2), QTime(10, 0, 0)) {}

void ScriptedInteraction::pushMsgBox(int result) {
    msgBoxes_.push_back(result);
}
void ScriptedInteraction::pushInputBox(const QString& text) {
    inputs_.push_back(text);
}
void ScriptedInteraction::pushOpen(const QString& path, int filterIndex) {
    opens_.push_back({false, path, filterIndex});
}
void ScriptedInteraction::pushOpenCancel() {
    opens_.push_back({true, {}, 0});
}
void ScriptedInteraction::pushSave(const QString& path, int filterIndex) {
    saves_.push_back({false, path, filterIndex});
}
void ScriptedInteraction::pushSaveCancel() {
    saves_.push_back({true, {}, 0});
}
void ScriptedInteraction::pushModal(std::function<void(QWidget&)> script) {
    modals_.push_back(std::move(script));
}
void ScriptedInteraction::pushPopupChoice(const QString& entry) {
    popups_.push_back(entry);
}
void ScriptedInteraction::pushPopupDismiss() {
    popups_.push_back(QString());
}
void ScriptedInteraction::pushRnd(double value) {
    rnds_.push_back(value);
}

void ScriptedInteraction::advance(qint64 ms) {
    tick_ += ms;
    now_ = now_.addMSecs(ms);
}

std::vector<InteractionCall> ScriptedInteraction::calls(CallKind kind) const {
    std::vector<InteractionCall> out;
    for (const auto& c : calls_)
        if (c.kind == kind) out.push_back(c);
    return out;
}

int ScriptedInteraction::count(CallKind kind) const {
    int n = 0;
    for (const auto& c : calls_) n += c.kind == kind;
    return n;
}

const InteractionCall& ScriptedInteraction::last(CallKind kind) const {
    for (auto it = calls_.rbegin(); it != calls_.rend(); ++it)
        if (it->kind == kind) return *it;
    ADD_FAILURE() << "no " << toString(kind) << " call was made";
    throw UnexpectedInteraction(std::string("no call of kind ") + toString(kind));
}

QStringList ScriptedInteraction::msgBoxPrompts() const {
    QStringList out;
    for (const auto& c : calls_)
        if (c.kind == CallKind::MsgBox) out << c.prompt;
    return out;
}

QString ScriptedInteraction::unusedAnswers() const {
    QStringList parts;
    if (!msgBoxes_.empty()) parts << QStringLiteral("%1 MsgBox").arg(msgBoxes_.size());
    if (!inputs_.empty()) parts << QStringLiteral("%1 InputBox").arg(inputs_.size());
    if (!opens_.empty()) parts << QStringLiteral("%1 ShowOpen").arg(opens_.size());
    if (!saves_.empty()) parts << QStringLiteral("%1 ShowSave").arg(saves_.size());
    if (!modals_.empty()) parts << QStringLiteral("%1 ShowModal").arg(modals_.size());
    if (!popups_.empty()) parts << QStringLiteral("%1 PopupMenu").arg(popups_.size());
    return parts.join(QStringLiteral(", "));
}

void ScriptedInteraction::unexpected(const InteractionCall& call) const {
    const std::string what = "unexpected call without a queued answer: " + describe(call).toStdString();
    ADD_FAILURE() << what;
    throw UnexpectedInteraction(what);
}

int ScriptedInteraction::MsgBox(const QString& prompt, int style, const QString& title) {
    InteractionCall call;
    call.kind = CallKind::MsgBox;
    call.prompt = prompt;
    call.style = style;
    call.title = title;
    calls_.push_back(call);
    if (whileAsking_) whileAsking_();
    int answer = 0;
    if (!msgBoxes_.empty()) {
        answer = msgBoxes_.front();
        msgBoxes_.pop_front();
    } else if (standingMsgBox_ != 0) {
        answer = answersOf(style).contains(standingMsgBox_) ? standingMsgBox_ : answersOf(style).front();
        return answer;
    } else {
        unexpected(call);
    }
    if (!answersOf(style).contains(answer)) {
        ADD_FAILURE() << "queued answer " << answer << " is not a button of " << describe(call).toStdString();
    }
    return answer;
}

QString ScriptedInteraction::InputBox(const QString& prompt, const QString& title,
                                      const QString& defaultText) {
    InteractionCall call;
    call.kind = CallKind::InputBox;
    call.prompt = prompt;
    call.title = title;
    call.defaultText = defaultText;
    calls_.push_back(call);
    if (whileAsking_) whileAsking_();
    if (inputs_.empty()) unexpected(call);
    QString answer = inputs_.front();
    inputs_.pop_front();
    return answer;
}

bool ScriptedInteraction::answerFile(std::deque<FileAnswer>& queue, CallKind kind, forms::FileDialog& dlg) {
    InteractionCall call;
    call.kind = kind;
    call.dialog = dlg;
    calls_.push_back(call);
    if (whileAsking_) whileAsking_();
    if (queue.empty()) unexpected(call);
    const FileAnswer answer = queue.front();
    queue.pop_front();
    if (answer.cancel) {
        if (dlg.CancelError) dialogs::raiseCancelled();
        return false;
    }
    QString path = answer.path;
    // As the real dialog: the default extension goes on a name without one.
    if (!dlg.DefaultExt.isEmpty() && QFileInfo(path).suffix().isEmpty()) {
        QString ext = dlg.DefaultExt;
        if (ext.startsWith(QLatin1Char('.'))) ext.remove(0, 1);
        path += QLatin1Char('.') + ext;
    }
    dlg.FileName = path;
    dlg.FileTitle = QFileInfo(path).fileName();
    if (answer.filterIndex > 0) dlg.FilterIndex = answer.filterIndex;
    return true;
}

bool ScriptedInteraction::ShowOpen(forms::FileDialog& dlg) {
    return answerFile(opens_, CallKind::ShowOpen, dlg);
}
bool ScriptedInteraction::ShowSave(forms::FileDialog& dlg) {
    return answerFile(saves_, CallKind::ShowSave, dlg);
}

void ScriptedInteraction::ShowModal(QWidget& form) {
    InteractionCall call;
    call.kind = CallKind::ShowModal;
    call.formName = form.objectName();
    call.title = form.windowTitle();
    calls_.push_back(call);
    if (whileAsking_) whileAsking_();
    if (form.isVisible()) throw wk::Error(400, QStringLiteral("Form already displayed; can't show modally"));
    if (modals_.empty()) unexpected(call);
    const auto script = std::move(modals_.front());
    modals_.pop_front();
    QPointer<QWidget> guard(&form);
    form.show();
    script(form);
    if (guard && guard->isVisible()) {
        ADD_FAILURE() << "modal form " << call.formName.toStdString()
                      << " is still shown after its script; Show would not have returned";
        guard->hide();
    }
}

namespace {

// Every entry of a menu and its submenus, in menu order.
void collectEntries(const QMenu& menu, QList<QAction*>& out) {
    for (QAction* a : menu.actions()) {
        if (a->isSeparator()) continue;
        out << a;
        if (a->menu()) collectEntries(*a->menu(), out);
    }
}

QString plainText(QString text) {
    text.replace(QLatin1String("&&"), QLatin1String("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1String("\x01"), QLatin1String("&"));
    return text;
}

// Whether a user can reach the entry: it and every submenu on its way are
// visible and enabled.
bool reachable(const QAction* a, const QMenu& top) {
    if (!a->isVisible() || !a->isEnabled()) return false;
    for (QObject* p = a->parent(); p && p != &top; p = p->parent()) {
        if (auto* m = qobject_cast<QMenu*>(p)) {
            if (!m->menuAction()->isVisible() || !m->menuAction()->isEnabled()) return false;
        }
    }
    return true;
}

QString entryName(const QAction* a) {
    return a->objectName().isEmpty() ? plainText(a->text()) : a->objectName();
}

}  // namespace

QAction* ScriptedInteraction::PopupMenu(QMenu& menu, const QPoint& globalPos) {
    QList<QAction*> all;
    collectEntries(menu, all);
    InteractionCall call;
    call.kind = CallKind::PopupMenu;
    call.formName = menu.objectName();
    call.at = globalPos;
    for (QAction* a : all)
        if (reachable(a, menu) && !a->menu()) call.entries << entryName(a);
    calls_.push_back(call);
    if (whileAsking_) whileAsking_();
    if (popups_.empty()) unexpected(call);
    const QString wanted = popups_.front();
    popups_.pop_front();
    if (wanted.isEmpty()) return nullptr;
    for (QAction* a : all) {
        if (a->objectName() != wanted && plainText(a->text()) != wanted) continue;
        if (!reachable(a, menu)) {
            ADD_FAILURE() << "pop-up entry " << wanted.toStdString()
                          << " is hidden or disabled; a user could not choose it";
            return nullptr;
        }
        a->trigger();
        return a;
    }
    ADD_FAILURE() << "pop-up menu has no entry " << wanted.toStdString() << "; "
                  << describe(call).toStdString();
    return nullptr;
}

void ScriptedInteraction::EndProgram(int exitCode) {
    InteractionCall call;
    call.kind = CallKind::EndProgram;
    call.exitCode = exitCode;
    calls_.push_back(call);
    throw forms::ProgramEnded(exitCode);
}

void ScriptedInteraction::Beep() {
    InteractionCall call;
    call.kind = CallKind::Beep;
    calls_.push_back(call);
}

void ScriptedInteraction::SendKeys(const QString& keys) {
    InteractionCall call;
    call.kind = CallKind::SendKeys;
    call.keys = keys;
    calls_.push_back(call);
    // Parsed either way, so a malformed key string fails as it would live.
    const auto strokes = forms::parseSendKeys(keys);
    if (deliverKeys_) forms::postKeyStrokes(strokes);
}

void ScriptedInteraction::DoEvents() {
    ++doEvents_;
    if (processEvents_) QCoreApplication::processEvents();
    advance(doEventsStep_);
}

double ScriptedInteraction::Rnd() {
    if (!rnds_.empty()) {
        const double r = rnds_.front();
        rnds_.pop_front();
        return r;
    }
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    double r = uniform(random_);
    while (r >= 1.0) r = uniform(random_);
    return r;
}

InteractionGuard::InteractionGuard(forms::Interaction& impl) : previous_(&forms::ui()) {
    forms::setInteraction(&impl);
}

InteractionGuard::~InteractionGuard() {
    forms::setInteraction(previous_ == &forms::qtInteraction() ? nullptr : previous_);
}

ScriptedUi::ScriptedUi() : guard_(*this) {}

ScriptedUi::~ScriptedUi() {
    if (checkUnused_) {
        const QString unused = unusedAnswers();
        EXPECT_TRUE(unused.isEmpty()) << "answers queued but never asked for: " << unused.toStdString();
    }
}

}  // namespace wktest
