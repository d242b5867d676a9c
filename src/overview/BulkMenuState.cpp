#include "overview/BulkMenuState.h"

#include "overview/GridModel.h"
#include "platform/Error.h"

namespace overview {

namespace {

int intOf(const RecordAccess& rs, const QString& field) {
    const QVariant v = rs.Value(field);
    return v.isValid() ? v.toInt() : 0;
}

bool filled(const QVariant& v) {
    return v.isValid() && !v.toString().isEmpty();
}

}  // namespace

GridMenuState gridMenuState(const RecordAccess& item, const RecordAccess& options) {
    GridMenuState s;
    s.delSoundEnabled = item.FieldSize(QStringLiteral("Sound")) > 0;
    try {
        s.delPicEnabled = item.FieldSize(QStringLiteral("Bild")) > 0;
    } catch (const wk::Error&) {
        s.delPicEnabled = false;  // as HasPicture: unreadable is no picture
    }
    const QVariant mark = item.Value(QStringLiteral("Markiert"));
    s.markCaption = (mark.isValid() && mark.toInt() != 0) ? 103 : 102;

    for (int i = 1; i <= 9; ++i)
        s.viewChecked[QStringLiteral("mnuVGrid_Ansicht_Begriff_%1").arg(i)] =
            intOf(options, QStringLiteral("GridShowA%1").arg(i)) != 0;
    const std::pair<const char*, const char*> view[] = {{"Thema", "T"},
                                                        {"Kategorie", "Kategorie"},
                                                        {"Explanation", "Explanation"},
                                                        {"Tip", "Tip"},
                                                        {"Punkte", "Punkte"},
                                                        {"AA", "AA"},
                                                        {"AR", "AR"},
                                                        {"AF", "AF"},
                                                        {"FQ", "FQ"}};
    for (const auto& [entry, field] : view)
        s.viewChecked[QStringLiteral("mnuVGrid_Ansicht_") + QLatin1String(entry)] =
            intOf(options, QStringLiteral("GridShow") + QLatin1String(field)) != 0;

    const int typ = intOf(item, QStringLiteral("Typ"));
    if (typ == 0) {
        s.answersTouched = true;
        bool several = item.Value(QStringLiteral("A1")).toString().contains(QLatin1Char(';'));
        for (int i = 2; i <= 9 && !several; ++i) several = filled(item.Value(QStringLiteral("A%1").arg(i)));
        s.answersVisible = several;
        if (several) {
            const bool askAll = intOf(item, QStringLiteral("AskAllItems")) == 1;
            s.askAllChecked = askAll;
            s.orderEnabled = askAll;
            s.orderChecked = intOf(item, QStringLiteral("MindTheOrder")) == 1;
        }
    } else if (typ == 1) {
        s.answersTouched = true;
        s.answersVisible = false;
    }
    return s;
}

ToolbarHint toolbarHint(const QString& name, bool recording) {
    struct Row {
        const char* name;
        int text, shortcut;
    };
    static constexpr Row rows[] = {
        {"New", 480, 481},         {"Delete", 482, 483},    {"Search", 484, 485},     {"Import", 486, 487},
        {"SoundImport", 492, 493}, {"ImportPic", 494, 495}, {"GridOptions", 496, 497}};
    if (name == QLatin1String("Record")) return recording ? ToolbarHint{490, 491} : ToolbarHint{488, 489};
    for (const Row& r : rows)
        if (name == QLatin1String(r.name)) return {r.text, r.shortcut};
    return {};
}

}  // namespace overview
