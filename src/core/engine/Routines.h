#pragma once
// Small routines shared by every subsystem.
#include <QDateTime>
#include <QString>

namespace orvane {

// 1-based position of the last occurrence of ch in text; -1 when it does not
// occur or text is empty.
int InStrRev(const QString &text, QChar ch);

// Time stamp text: year, month, day, hour, minute, second without separators
// (5 March 2024 09:07:02 gives "20240305090702"), so text order is time order.
QString FlopDate(const QDateTime &when);

// Round to the nearest integer, ties to the even neighbour.
long long RoundHalfEven(double value);

// The leading integer of a text typed by the user ("120px" reads 120, "-5" -5);
// a text that does not start with a number reads 0.
long long LeadingInteger(const QString &text);

// Folder part of a path: everything before the last separator (the whole
// path when it has none).
QString PathBeforeLast(const QString &path, QChar separator);
// Name part: everything after the last separator (the whole path when none).
QString PathAfterLast(const QString &path, QChar separator);

} // namespace orvane
