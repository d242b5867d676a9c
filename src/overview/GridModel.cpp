#include "overview/GridModel.h"

#include "platform/Error.h"
#include "platform/grid/Grid.h"
#include "platform/grid/ImageList.h"

#include <cfenv>
#include <cmath>

namespace overview {

namespace {

int intField(const RecordAccess& rs, const QString& name) {
    const QVariant v = rs.Value(name);
    return v.isValid() && !v.isNull() ? v.toInt() : 0;
}

// Font fields read like the font getters: "" on any error.
QString textFieldOrEmpty(const RecordAccess& rs, const QString& name) {
    try {
        const QVariant v = rs.Value(name);
        return v.isValid() && !v.isNull() ? v.toString() : QString();
    } catch (const wk::Error&) {
        return {};
    }
}

double rateOf(const QVariant& fq) {
    if (!fq.isValid() || fq.isNull()) return 0;
    bool ok = false;
    const double d = fq.toDouble(&ok);
    if (!ok) throw wk::Error(wk::err::TypeMismatch, QStringLiteral("Type mismatch"));
    return d;
}

}  // namespace

GridOptions GridOptions::read(const RecordAccess& o) {
    GridOptions g;
    for (int i = 1; i <= 9; ++i) {
        g.showA[i] = intField(o, QStringLiteral("GridShowA%1").arg(i)) != 0;
        g.widthA[i] = intField(o, QStringLiteral("GridWidthA%1").arg(i));
    }
    g.showT = intField(o, "GridShowT") != 0;
    g.showKategorie = intField(o, "GridShowKategorie") != 0;
    g.showExplanation = intField(o, "GridShowExplanation") != 0;
    g.showTip = intField(o, "GridShowTip") != 0;
    g.showPunkte = intField(o, "GridShowPunkte") != 0;
    g.showAA = intField(o, "GridShowAA") != 0;
    g.showAR = intField(o, "GridShowAR") != 0;
    g.showAF = intField(o, "GridShowAF") != 0;
    g.showFQ = intField(o, "GridShowFQ") != 0;
    g.widthQ = intField(o, "GridWidthQ");
    g.widthT = intField(o, "GridWidthT");
    g.widthKategorie = intField(o, "GridWidthKategorie");
    g.widthExplanation = intField(o, "GridWidthExplanation");
    g.widthTip = intField(o, "GridWidthTip");
    g.widthPunkte = intField(o, "GridWidthPunkte");
    g.widthAA = intField(o, "GridWidthAA");
    g.widthAR = intField(o, "GridWidthAR");
    g.widthAF = intField(o, "GridWidthAF");
    g.widthFQ = intField(o, "GridWidthFQ");
    g.zeilenumbruchQ = intField(o, "ZeilenumbruchQ");
    g.zeilenumbruchA = intField(o, "ZeilenumbruchA");
    g.zeilenumbruchT = intField(o, "ZeilenumbruchT");
    g.schriftart = textFieldOrEmpty(o, "Schriftart");
    g.schriftgroesse = textFieldOrEmpty(o, "Schriftgroesse");
    g.schriftartA = textFieldOrEmpty(o, "SchriftartA");
    g.schriftgroesseA = textFieldOrEmpty(o, "SchriftgroesseA");
    g.schriftartT = textFieldOrEmpty(o, "SchriftartT");
    g.schriftgroesseT = textFieldOrEmpty(o, "SchriftgroesseT");
    g.schriftartRest = textFieldOrEmpty(o, "SchriftartRest");
    g.schriftgroesseRest = textFieldOrEmpty(o, "SchriftgroesseRest");
    return g;
}

std::vector<ColumnSpec> gridColumns(const GridOptions& o, int user,
                                    const std::function<QString(int)>& getText) {
    std::vector<ColumnSpec> cols;
    cols.push_back({"icon", {}, {}, FontKind::None, WidthRule::Fixed, IconColumnWidth, CellRule::Icon});
    cols.push_back({"no", {}, {}, FontKind::None, WidthRule::Default, 0, CellRule::No});
    cols.push_back({"Q", getText(msg::Question), "Q", FontKind::Question, WidthRule::Text150, o.widthQ,
                    CellRule::Question});
    for (int i = 1; i <= 9; ++i) {
        if (!o.showA[i]) continue;
        const QString key = QStringLiteral("A%1").arg(i);
        cols.push_back({key, getText(msg::Answer) + QLatin1Char(' ') + QString::number(i), key,
                        FontKind::Answer, WidthRule::Text150, o.widthA[i], CellRule::Answer});
    }
    auto add = [&](bool shown, const QString& key, int message, FontKind font, WidthRule rule, int width,
                   CellRule cell) {
        if (shown) cols.push_back({key, getText(message), key, font, rule, width, cell});
    };
    add(o.showT, "T", msg::Theme, FontKind::Topic, WidthRule::Topic, o.widthT, CellRule::Topic);
    add(o.showKategorie, "Kategorie", msg::Category, FontKind::Topic, WidthRule::Topic, o.widthKategorie,
        CellRule::Topic);
    add(o.showExplanation, "Explanation", msg::Explanation, FontKind::Rest, WidthRule::Fit,
        o.widthExplanation, CellRule::Plain);
    add(o.showTip, "Tip", msg::Tip, FontKind::Rest, WidthRule::Fit, o.widthTip, CellRule::Plain);
    add(o.showPunkte, "Punkte", msg::Points, FontKind::Rest, WidthRule::Fit, o.widthPunkte, CellRule::Plain);
    const QString u = QString::number(user);
    add(o.showAA, "AA" + u, msg::Total, FontKind::Rest, WidthRule::Fit, o.widthAA, CellRule::Plain);
    add(o.showAR, "AR" + u, msg::Right, FontKind::Rest, WidthRule::Fit, o.widthAR, CellRule::Plain);
    add(o.showAF, "AF" + u, msg::Wrong, FontKind::Rest, WidthRule::Fit, o.widthAF, CellRule::Plain);
    add(o.showFQ, "FQ" + u, msg::ErrorRate, FontKind::Rest, WidthRule::Fit, o.widthFQ, CellRule::ErrorRate);
    return cols;
}

QFont optionFont(const QString& name, const QString& size) {
    QFont f;
    if (!name.trimmed().isEmpty()) f.setFamily(name.trimmed());
    bool ok = false;
    const double pt = size.trimmed().toDouble(&ok);
    if (ok && pt > 0) f.setPointSizeF(pt);
    return f;
}

int roundedErrorRate(const QVariant& fq) {
    const double d = rateOf(fq);
    // Setting the rounding mode stalls the processor: only where it differs.
    const int old = std::fegetround();
    if (old != FE_TONEAREST) std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(d);
    if (old != FE_TONEAREST) std::fesetround(old);
    if (!(r >= -32768.0 && r <= 32767.0)) throw wk::Error(wk::err::Overflow, QStringLiteral("Overflow"));
    return int(r);
}

long errorRateColour(const QVariant& fq) {
    const int e = roundedErrorRate(fq);
    if (e > 80) return colour::LightRed;
    if (e > 35) return colour::LightYellow;
    return colour::LightGreen;
}

QVariant errorRateValue(const QVariant& fq) {
    if (!fq.isValid() || fq.isNull()) return {};
    return qlonglong(std::floor(rateOf(fq)));
}

QString errorRateText(const QVariant& fq) {
    return errorRateValue(fq).toString();
}

IconFields::IconFields(const RecordAccess& rs)
    : markiert(rs, QStringLiteral("Markiert")),
      sound(rs, QStringLiteral("Sound")),
      soundTip(rs, QStringLiteral("SoundTip")),
      soundRichtig(rs, QStringLiteral("SoundRichtig")),
      soundFalsch(rs, QStringLiteral("SoundFalsch")),
      bild(rs, QStringLiteral("Bild")) {}

QString gridIconKeyName(const RecordAccess& rs, int listIcon) {
    IconFields byName;
    byName.markiert.name = QStringLiteral("Markiert");
    byName.sound.name = QStringLiteral("Sound");
    byName.soundTip.name = QStringLiteral("SoundTip");
    byName.soundRichtig.name = QStringLiteral("SoundRichtig");
    byName.soundFalsch.name = QStringLiteral("SoundFalsch");
    byName.bild.name = QStringLiteral("Bild");
    return gridIconKeyName(rs, listIcon, byName);
}

int gridIconKind(const RecordAccess& rs, int listIcon, const IconFields& f) {
    const QVariant m = f.markiert.value(rs);
    const bool marked = m.isValid() && !m.isNull() && m.toBool();
    if (listIcon == 0) return gridIconKindOf(listIcon, marked, false, false);
    const bool sound = f.sound.size(rs) > 0 || f.soundTip.size(rs) > 0 || f.soundRichtig.size(rs) > 0 ||
                       f.soundFalsch.size(rs) > 0;
    return gridIconKindOf(listIcon, marked, sound, f.bild.size(rs) > 0);
}

int gridIconKindOf(int listIcon, bool marked, bool sound, bool picture) {
    if (listIcon == 0) return marked ? IconMarked : 0;
    return (marked ? IconMarked : 0) | (sound ? IconSound : 0) | (picture ? IconPicture : 0);
}

QString gridIconKeyNameOfKind(int kind) {
    const bool marked = kind & IconMarked, sound = kind & IconSound, picture = kind & IconPicture;
    if (marked) {
        if (sound) return picture ? grid::keys::CheckedSoundPic : grid::keys::CheckedSound;
        return picture ? grid::keys::CheckedPic : grid::keys::Checked;
    }
    if (sound) return picture ? grid::keys::SoundPic : grid::keys::Sound;
    return picture ? grid::keys::Pic : grid::keys::Empty;
}

QString gridIconKeyName(const RecordAccess& rs, int listIcon, const IconFields& f) {
    return gridIconKeyNameOfKind(gridIconKind(rs, listIcon, f));
}

int GridIconKey(const RecordAccess& rs, int listIcon, const grid::ImageList& images) {
    return images.ItemIndex(gridIconKeyName(rs, listIcon));
}

int GridIconKey(const RecordAccess& rs, int listIcon, const grid::ImageList& images,
                const IconFields& fields) {
    return images.ItemIndex(gridIconKeyName(rs, listIcon, fields));
}

long recordPositionOfRow(const grid::Grid& g, long row) {
    if (!g.ColumnExists(QStringLiteral("no"))) return row - 1;
    bool ok = false;
    const long p = g.CellText(row, g.ColumnIndex(QStringLiteral("no"))).toLong(&ok);
    return ok ? p : row - 1;
}

bool isAnswerKey(const QString& key) {
    return key.size() == 2 && key.at(0) == QLatin1Char('A') && key.at(1) >= QLatin1Char('1') &&
           key.at(1) <= QLatin1Char('9');
}

}  // namespace overview
