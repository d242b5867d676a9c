#pragma once
// The theme and category lists: the distinct non-empty themes (VOK.T) and
// categories (VOK.Kategorie) of the grid's working recordset, compared
// without regard to case, in order of first occurrence, the first spelling
// kept. The main window keeps them in two hidden combo boxes and copies them
// into arrThemen / arrKategorien.

#include <QStringList>

#include "platform/dao/Dao.h"

class QComboBox;

namespace vocabdb {

struct SubjectLists {
    QStringList themen;
    QStringList kategorien;
};

// Walks data by position from 0 and collects both lists. Null counts as
// empty. data is left on the record that was current before; without one it
// stays on the last record visited. Errors while walking pass to the caller.
SubjectLists CollectSubjects(const dao::RecordsetPtr& data);

// Refills the two hidden lists from data and selects their first items.
void FillCombo(const dao::RecordsetPtr& data, QComboBox* cboThemen, QComboBox* cboKategorien);

// The items of a list as an array from 0; an empty list gives one empty
// element.
QStringList ListToArray(const QStringList& items);
void ErstelleThemenListe(const QComboBox* cboThemen, QStringList& arrThemen);
void ErstelleKategorienListe(const QComboBox* cboKategorien, QStringList& arrKategorien);

}  // namespace vocabdb
