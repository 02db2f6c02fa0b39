#include "core/engine/Routines.h"

#include <cmath>

namespace orvane {

int InStrRev(const QString &text, QChar ch)
{
    if (text.isEmpty())
        return -1;
    const int at = text.lastIndexOf(ch);
    return at < 0 ? -1 : at + 1;
}

QString FlopDate(const QDateTime &when)
{
    const QDate d = when.date();
    const QTime t = when.time();
    auto two = [](int v) { return QString::number(v).rightJustified(2, QLatin1Char('0')); };
    return QString::number(d.year()) + two(d.month()) + two(d.day()) + two(t.hour()) + two(t.minute()) +
           two(t.second());
}

long long RoundHalfEven(double value)
{
    const double floorValue = std::floor(value);
    const double diff = value - floorValue;
    if (diff > 0.5)
        return static_cast<long long>(floorValue) + 1;
    if (diff < 0.5)
        return static_cast<long long>(floorValue);
    const long long f = static_cast<long long>(floorValue);
    return (f % 2 == 0) ? f : f + 1;
}

long long LeadingInteger(const QString &text)
{
    const QString t = text.trimmed();
    int i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == QLatin1Char('-') || t[i] == QLatin1Char('+'))) {
        negative = t[i] == QLatin1Char('-');
        ++i;
    }
    long long value = 0;
    bool any = false;
    for (; i < t.size() && t[i].isDigit() && t[i].unicode() < 128; ++i) {
        any = true;
        if (value < 1'000'000'000'000LL)
            value = value * 10 + (t[i].unicode() - '0');
    }
    if (!any)
        return 0;
    return negative ? -value : value;
}

QString PathBeforeLast(const QString &path, QChar separator)
{
    const int at = path.lastIndexOf(separator);
    return at < 0 ? path : path.left(at);
}

QString PathAfterLast(const QString &path, QChar separator)
{
    const int at = path.lastIndexOf(separator);
    return at < 0 ? path : path.mid(at + 1);
}

} // namespace orvane
