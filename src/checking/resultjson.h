#pragma once

#include "checking/checkresult.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// A class's results saved as JSON and read back, so that a class split
// across machines can be checked in shards and joined into one report.
QByteArray resultToJson(const ClassResult &result);

// Reads what resultToJson wrote. On a fault returns nothing and says what, in
// words for the teacher ("结果文件中 submissions[2].build 的值不对").
std::optional<ClassResult> resultFromJson(const QByteArray &json, QString *error);

// Joins the shards of one class. They must have the same title and the same
// cases, in the same order, and no submission (student and source) may be in
// two of them: a shard joined twice is a mistake. The submissions come out
// sorted by student in the order of the zh_CN collator (Chinese names by
// pinyin; signs before digits before letters), ties by plain comparison of
// the names and then the sources. Similar pairs are the shards' one after
// another; the result counts as checked for them when any shard was.
std::optional<ClassResult> mergeResults(const QList<ClassResult> &shards, QString *error);
