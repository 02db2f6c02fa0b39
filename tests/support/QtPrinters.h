#pragma once
// Readable GoogleTest messages for Qt values.
#include <QColor>
#include <QSize>
#include <QString>
#include <QStringList>
#include <ostream>

inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList &l, std::ostream *os) { *os << '[' << l.join(", ").toStdString() << ']'; }
inline void PrintTo(const QSize &s, std::ostream *os) { *os << s.width() << 'x' << s.height(); }
