#pragma once
// What a judged test item leaves behind: the per-slot counters, history and
// error rate of the item (columns of VOK for slot u) and the totals of the
// user record (AnzFr, AnzR, AnzF in USER.MDB). Each step is one edit of one
// record; an error is raised to the caller with the record no longer in
// edit mode.
//
// A counter that is Null (an item written without statistics) counts from 0.

#include <QDateTime>

#include "platform/dao/Dao.h"

namespace testengine {

// Item, counted judgement begins: AA<u> + 1 and ZuletztGelerntAm := now.
void ItemAsked(dao::Recordset& item, int u, const QDateTime& now);
// Item, counted right: AR<u> + 1.
void ItemRight(dao::Recordset& item, int u);
// Item, counted wrong: AF<u> + 1.
void ItemWrong(dao::Recordset& item, int u);

// User record totals: AnzFr, AnzR, AnzF + 1.
void UserAsked(dao::Recordset& user);
void UserRight(dao::Recordset& user);
void UserWrong(dao::Recordset& user);

// Shifts the history Known<u>1..6 one place older (Known<u>6 is lost) and
// puts value into Known<u>1; at every judgement, counted or not.
void UpdateKnown(dao::Recordset& item, int u, int value);

// FQ<u> := 100 / AA<u> * AF<u>, unrounded, at the completion of every item.
// An item never counted (AA<u> 0 or Null) keeps its rate.
void UpdateErrorRate(dao::Recordset& item, int u);

// 100 / asked * wrong in double precision; 0 when nothing was asked.
double ErrorPercent(qint64 asked, qint64 wrong);

}  // namespace testengine
