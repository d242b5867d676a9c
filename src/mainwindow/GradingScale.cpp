// The grading scale on the page fraOpt_Punkte: eight rows of a lower end,
// an upper end and a grade text, laid out against the total points of the
// open database.
#include "core/RunStateDb.h"
#include "core/modMain.h"
#include "mainwindow/SettingsModel.h"
#include "mainwindow/SettingsPanel.h"
#include "platform/Error.h"
#include "platform/forms/Colors.h"

namespace mainwindow {

namespace {

// Clears the refill flag however the refill ends.
struct SkalaUpdate {
    bool& flag;
    explicit SkalaUpdate(bool& f) : flag(f) { flag = true; }
    ~SkalaUpdate() { flag = false; }
};

}  // namespace

void SettingsPanel::EnableBewertungRow(int Index) {
    lblPunkteBis(Index)->setVisible(true);
    forms::switchInput(txtPunkteBis(Index), true);
    forms::switchInput(txtPunkteBewertung(Index), true);
}

void SettingsPanel::DisableBewertungRow(int Index) {
    for (int k = Index; k <= settings::GradeRows; ++k) {
        forms::switchInput(txtPunkteBis(k), false, forms::SwitchedOffBackColor);
        forms::switchInput(txtPunkteBewertung(k), false, forms::SwitchedOffBackColor);
        lblPunkteBis(k)->setEnabled(false);
        lblPunkteBis(k)->setText(QString());
    }
}

void SettingsPanel::ShowBewertungsSkala() {
    SkalaUpdate update(bSkalaUpdate);
    // The rows that are off show no total, so only the switched-on scale
    // walks every item for it.
    if (!chkPunkteBewertung->isChecked()) {
        for (int k = 1; k <= settings::GradeRows; ++k) {
            forms::switchInput(txtPunkteBis(k), false, forms::SwitchedOffBackColor);
            forms::switchInput(txtPunkteBewertung(k), false, forms::SwitchedOffBackColor);
            lblPunkteBis(k)->setEnabled(false);
            lblPunkteBis(k)->setVisible(false);
        }
        return;
    }

    PunkteGesamt = settings::SumPunkte(gridRecordset ? gridRecordset() : dao::RecordsetPtr());
    const auto& rs = runstate::rsOptions;
    std::array<qint64, 9> stored{};
    for (int i = 2; i <= 8; ++i)
        stored[std::size_t(i)] = settings::IntValue(rs, QStringLiteral("BewertungP%1").arg(i));
    const settings::ScalePlan plan = settings::PlanScale(PunkteGesamt, stored, modMain::GetText(701));
    for (const auto& [field, value] : plan.writes)
        settings::WriteField(rs, QStringLiteral("BewertungP%1").arg(field), value);

    for (int k = 1; k <= settings::GradeRows; ++k) {
        const settings::GradeRow& row = plan.rows[std::size_t(k)];
        txtPunkteBis(k)->setText(row.upperEnd);
        if (row.on) {
            lblPunkteBis(k)->setText(row.lowerLabel);
            EnableBewertungRow(k);
        } else {
            DisableBewertungRow(k);
        }
        lblPunkteBis(k)->setEnabled(true);
    }
}

void SettingsPanel::txtPunkteBewertung_Change(int Index) {
    guarded("VW50", [&] {
        settings::WriteField(runstate::rsOptions, QStringLiteral("Bewertung%1").arg(Index),
                             txtPunkteBewertung(Index)->text());
    });
}

void SettingsPanel::txtPunkteBis_LostFocus(int Index) {
    // Disabling a focused box during a refill moves the focus; that is no
    // user leaving the box.
    if (bSkalaUpdate) return;
    guarded("VW51", [&] {
        const QString previous = Index > 1 ? txtPunkteBis(Index - 1)->text() : QString();
        const QString text =
            settings::CorrectUpperEnd(txtPunkteBis(Index)->text(), Index, previous, PunkteGesamt);
        txtPunkteBis(Index)->setText(text);
        // Row 8 always ends at the total; there is no field for it.
        if (Index < settings::GradeRows)
            settings::WriteField(runstate::rsOptions, QStringLiteral("BewertungP%1").arg(Index + 1), text);
        ShowBewertungsSkala();
    });
}

}  // namespace mainwindow
