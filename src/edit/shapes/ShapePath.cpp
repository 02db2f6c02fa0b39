#include "edit/shapes/ShapePath.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace orvane::shapes {

double roundHalfEven(double value)
{
    if (!std::isfinite(value))
        return value;
    const double lower = std::floor(value);
    const double diff = value - lower;
    if (diff < 0.5)
        return lower;
    if (diff > 0.5)
        return lower + 1.0;
    return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

bool ShapePath::Element::operator==(const Element &other) const
{
    if (op != other.op)
        return false;
    const int used = op == Op::Curve ? 3 : (op == Op::Close ? 0 : 1);
    for (int i = 0; i < used; ++i) {
        if (p[i] != other.p[i])
            return false;
    }
    return true;
}

namespace {

bool isSeparator(QChar c)
{
    return c == u',' || c.isSpace();
}

bool isCommand(QChar c)
{
    static const QString commands = QStringLiteral("MmLlHhVvCcSsQqTtAaZz");
    return commands.contains(c);
}

int parameterCount(QChar command)
{
    switch (command.toUpper().unicode()) {
    case 'M':
    case 'L':
    case 'T':
        return 2;
    case 'H':
    case 'V':
        return 1;
    case 'S':
    case 'Q':
        return 4;
    case 'C':
        return 6;
    case 'A':
        return 7;
    default:
        return 0;
    }
}

void skipSeparators(QStringView text, qsizetype &pos)
{
    while (pos < text.size() && isSeparator(text[pos]))
        ++pos;
}

// SVG number: sign, digits, optional fraction, optional exponent.
bool readNumber(QStringView text, qsizetype &pos, double &value)
{
    skipSeparators(text, pos);
    qsizetype i = pos;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    qsizetype digits = 0;
    while (i < text.size() && text[i].isDigit()) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == u'.') {
        ++i;
        while (i < text.size() && text[i].isDigit()) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < text.size() && (text[j] == u'+' || text[j] == u'-'))
            ++j;
        qsizetype expDigits = 0;
        while (j < text.size() && text[j].isDigit()) {
            ++j;
            ++expDigits;
        }
        if (expDigits > 0)
            i = j;
    }
    bool ok = false;
    const double v = text.mid(pos, i - pos).toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    value = v;
    pos = i;
    return true;
}

// Arc flags may be written without separators ("a5,5 0 01 10,0").
bool readFlag(QStringView text, qsizetype &pos, double &value)
{
    skipSeparators(text, pos);
    if (pos < text.size() && (text[pos] == u'0' || text[pos] == u'1')) {
        value = text[pos] == u'1' ? 1.0 : 0.0;
        ++pos;
        return true;
    }
    return false;
}

double vectorAngle(double ux, double uy, double vx, double vy)
{
    const double dot = ux * vx + uy * vy;
    const double cross = ux * vy - uy * vx;
    return std::atan2(cross, dot);
}

// Elliptical arc from the current point, as cubic segments of at most 90 degrees.
void appendArc(ShapePath &path, QPointF from, double rx, double ry, double phiDegrees,
               bool largeArc, bool sweep, QPointF to)
{
    if (from == to)
        return;
    rx = std::abs(rx);
    ry = std::abs(ry);
    if (rx == 0.0 || ry == 0.0) {
        path.lineTo(to);
        return;
    }
    const double phi = phiDegrees * std::numbers::pi / 180.0;
    const double cosPhi = std::cos(phi);
    const double sinPhi = std::sin(phi);
    const double dx2 = (from.x() - to.x()) / 2.0;
    const double dy2 = (from.y() - to.y()) / 2.0;
    const double x1p = cosPhi * dx2 + sinPhi * dy2;
    const double y1p = -sinPhi * dx2 + cosPhi * dy2;

    const double lambda = (x1p * x1p) / (rx * rx) + (y1p * y1p) / (ry * ry);
    if (lambda > 1.0) {
        rx *= std::sqrt(lambda);
        ry *= std::sqrt(lambda);
    }
    const double rx2 = rx * rx, ry2 = ry * ry;
    const double num = rx2 * ry2 - rx2 * y1p * y1p - ry2 * x1p * x1p;
    const double den = rx2 * y1p * y1p + ry2 * x1p * x1p;
    double coef = den == 0.0 ? 0.0 : std::sqrt(std::max(0.0, num / den));
    if (largeArc == sweep)
        coef = -coef;
    const double cxp = coef * rx * y1p / ry;
    const double cyp = -coef * ry * x1p / rx;
    const double cx = cosPhi * cxp - sinPhi * cyp + (from.x() + to.x()) / 2.0;
    const double cy = sinPhi * cxp + cosPhi * cyp + (from.y() + to.y()) / 2.0;

    const double ux = (x1p - cxp) / rx, uy = (y1p - cyp) / ry;
    const double vx = (-x1p - cxp) / rx, vy = (-y1p - cyp) / ry;
    const double theta1 = vectorAngle(1.0, 0.0, ux, uy);
    double delta = vectorAngle(ux, uy, vx, vy);
    if (!sweep && delta > 0)
        delta -= 2.0 * std::numbers::pi;
    else if (sweep && delta < 0)
        delta += 2.0 * std::numbers::pi;

    const int segments = std::max(1, int(std::ceil(std::abs(delta) / (std::numbers::pi / 2.0) - 1e-9)));
    const double step = delta / segments;
    const double t = 4.0 / 3.0 * std::tan(step / 4.0);
    auto map = [&](double x, double y) {
        return QPointF(cx + rx * cosPhi * x - ry * sinPhi * y, cy + rx * sinPhi * x + ry * cosPhi * y);
    };
    double a1 = theta1;
    for (int i = 0; i < segments; ++i) {
        const double a2 = a1 + step;
        const double c1 = std::cos(a1), s1 = std::sin(a1);
        const double c2 = std::cos(a2), s2 = std::sin(a2);
        const QPointF end = i == segments - 1 ? to : map(c2, s2);
        path.curveTo(map(c1 - t * s1, s1 + t * c1), map(c2 + t * s2, s2 - t * c2), end);
        a1 = a2;
    }
}

QString formatNumber(double v)
{
    if (v == 0.0)
        return QStringLiteral("0");
    const double r = std::round(v);
    if (std::abs(v - r) < 1e-9 && std::abs(r) < 9e15)
        return QString::number(qint64(r));
    QString s = QString::number(v, 'f', 4);
    while (s.endsWith(u'0'))
        s.chop(1);
    if (s.endsWith(u'.'))
        s.chop(1);
    if (s == QLatin1String("-0"))
        s = QStringLiteral("0");
    return s;
}

QString formatPoint(QPointF p)
{
    return formatNumber(p.x()) + u',' + formatNumber(p.y());
}

} // namespace

ShapePath ShapePath::fromSvg(QStringView text, ParseResult *result)
{
    ShapePath path;
    ParseResult status;
    QPointF current(0, 0);
    QPointF subpathStart(0, 0);
    QPointF lastCubicControl, lastQuadControl;
    QChar previous; // the command of the previous segment, for S and T
    QChar command;
    qsizetype pos = 0;

    auto fail = [&](qsizetype where, const QString &why) {
        status.ok = false;
        status.errorPosition = int(where);
        status.error = why;
    };

    while (true) {
        skipSeparators(text, pos);
        if (pos >= text.size())
            break;
        const QChar c = text[pos];
        if (isCommand(c)) {
            command = c;
            ++pos;
            if (command == u'Z' || command == u'z') {
                if (!path.isEmpty() && path.m_elements.back().op != Op::Close)
                    path.close();
                current = subpathStart;
                previous = command;
                continue;
            }
        } else if (command.isNull() || command == u'Z' || command == u'z') {
            fail(pos, QStringLiteral("unexpected character"));
            break;
        }
        // One parameter group of the current command (explicit or repeated).
        const qsizetype groupStart = pos;
        const int count = parameterCount(command);
        double v[7] = {};
        bool complete = true;
        for (int i = 0; i < count && complete; ++i) {
            const bool flag = command.toUpper() == u'A' && (i == 3 || i == 4);
            complete = flag ? readFlag(text, pos, v[i]) : readNumber(text, pos, v[i]);
        }
        if (!complete) {
            fail(groupStart, QStringLiteral("missing or bad number"));
            break;
        }
        const bool relative = command.isLower();
        const QPointF base = relative ? current : QPointF(0, 0);
        switch (command.toUpper().unicode()) {
        case 'M': {
            const QPointF p = base + QPointF(v[0], v[1]);
            path.moveTo(p);
            current = subpathStart = p;
            // Further pairs after a move are lines.
            command = relative ? QChar(u'l') : QChar(u'L');
            break;
        }
        case 'L':
            current = base + QPointF(v[0], v[1]);
            path.lineTo(current);
            break;
        case 'H':
            current = QPointF(relative ? current.x() + v[0] : v[0], current.y());
            path.lineTo(current);
            break;
        case 'V':
            current = QPointF(current.x(), relative ? current.y() + v[0] : v[0]);
            path.lineTo(current);
            break;
        case 'C': {
            const QPointF c1 = base + QPointF(v[0], v[1]);
            const QPointF c2 = base + QPointF(v[2], v[3]);
            const QPointF end = base + QPointF(v[4], v[5]);
            path.curveTo(c1, c2, end);
            lastCubicControl = c2;
            current = end;
            break;
        }
        case 'S': {
            const bool reflect = previous.toUpper() == u'C' || previous.toUpper() == u'S';
            const QPointF c1 = reflect ? 2 * current - lastCubicControl : current;
            const QPointF c2 = base + QPointF(v[0], v[1]);
            const QPointF end = base + QPointF(v[2], v[3]);
            path.curveTo(c1, c2, end);
            lastCubicControl = c2;
            current = end;
            break;
        }
        case 'Q':
        case 'T': {
            QPointF q, end;
            if (command.toUpper() == u'Q') {
                q = base + QPointF(v[0], v[1]);
                end = base + QPointF(v[2], v[3]);
            } else {
                const bool reflect = previous.toUpper() == u'Q' || previous.toUpper() == u'T';
                q = reflect ? 2 * current - lastQuadControl : current;
                end = base + QPointF(v[0], v[1]);
            }
            path.curveTo(current + 2.0 / 3.0 * (q - current), end + 2.0 / 3.0 * (q - end), end);
            lastQuadControl = q;
            current = end;
            break;
        }
        case 'A': {
            const QPointF end = base + QPointF(v[5], v[6]);
            appendArc(path, current, v[0], v[1], v[2], v[3] != 0.0, v[4] != 0.0, end);
            current = end;
            break;
        }
        default:
            break;
        }
        previous = command;
    }
    if (result)
        *result = status;
    return path;
}

QString ShapePath::toText() const
{
    QString out;
    for (const Element &e : m_elements) {
        switch (e.op) {
        case Op::Move:
            out += u'M' + formatPoint(e.p[0]) + u' ';
            break;
        case Op::Line:
            out += u'L' + formatPoint(e.p[0]) + u' ';
            break;
        case Op::Curve:
            out += u'C' + formatPoint(e.p[0]) + u' ' + formatPoint(e.p[1]) + u' ' + formatPoint(e.p[2]) + u' ';
            break;
        case Op::Close:
            out += QStringLiteral("Z ");
            break;
        }
    }
    return out;
}

namespace {
QPointF openPoint(const std::vector<ShapePath::Element> &elements)
{
    for (auto it = elements.rbegin(); it != elements.rend(); ++it) {
        if (it->op == ShapePath::Op::Move)
            return it->p[0];
    }
    return QPointF(0, 0);
}
} // namespace

void ShapePath::moveTo(QPointF p)
{
    Element e;
    e.op = Op::Move;
    e.p[0] = p;
    m_elements.push_back(e);
}

void ShapePath::lineTo(QPointF p)
{
    if (m_elements.empty() || m_elements.back().op == Op::Close)
        moveTo(openPoint(m_elements));
    Element e;
    e.op = Op::Line;
    e.p[0] = p;
    m_elements.push_back(e);
}

void ShapePath::curveTo(QPointF c1, QPointF c2, QPointF end)
{
    if (m_elements.empty() || m_elements.back().op == Op::Close)
        moveTo(openPoint(m_elements));
    Element e;
    e.op = Op::Curve;
    e.p[0] = c1;
    e.p[1] = c2;
    e.p[2] = end;
    m_elements.push_back(e);
}

void ShapePath::close()
{
    if (m_elements.empty())
        return;
    Element e;
    e.op = Op::Close;
    m_elements.push_back(e);
}

void ShapePath::translate(qreal dx, qreal dy)
{
    const QPointF d(dx, dy);
    for (Element &e : m_elements) {
        for (QPointF &p : e.p)
            p += d;
    }
}

ShapePath ShapePath::translated(qreal dx, qreal dy) const
{
    ShapePath copy = *this;
    copy.translate(dx, dy);
    return copy;
}

QPainterPath ShapePath::toPainterPath() const
{
    QPainterPath qp;
    qp.setFillRule(Qt::OddEvenFill);
    for (const Element &e : m_elements) {
        switch (e.op) {
        case Op::Move:
            qp.moveTo(e.p[0]);
            break;
        case Op::Line:
            qp.lineTo(e.p[0]);
            break;
        case Op::Curve:
            qp.cubicTo(e.p[0], e.p[1], e.p[2]);
            break;
        case Op::Close:
            qp.closeSubpath();
            break;
        }
    }
    return qp;
}

QRectF ShapePath::controlPointRect() const
{
    bool any = false;
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    for (const Element &e : m_elements) {
        const int used = e.op == Op::Curve ? 3 : (e.op == Op::Close ? 0 : 1);
        for (int i = 0; i < used; ++i) {
            const QPointF p = e.p[i];
            if (!any) {
                minX = maxX = p.x();
                minY = maxY = p.y();
                any = true;
            }
            minX = std::min(minX, p.x());
            maxX = std::max(maxX, p.x());
            minY = std::min(minY, p.y());
            maxY = std::max(maxY, p.y());
        }
    }
    return any ? QRectF(QPointF(minX, minY), QPointF(maxX, maxY)) : QRectF();
}

double parseFrameAmount(const QString &text, FrameMode mode)
{
    const double neutral = mode == FrameMode::Add ? 0.0 : 1.0;
    const QString t = text.trimmed();
    qsizetype i = 0;
    QString number;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-'))
        number += t[i++];
    qsizetype digits = 0;
    while (i < t.size() && t[i].isDigit()) {
        number += t[i++];
        ++digits;
    }
    if (i < t.size() && (t[i] == u'.' || t[i] == u',')) {
        ++i;
        number += u'.';
        while (i < t.size() && t[i].isDigit()) {
            number += t[i++];
            ++digits;
        }
    }
    if (digits == 0)
        return neutral;
    bool ok = false;
    const double v = number.toDouble(&ok);
    return ok && std::isfinite(v) ? v : neutral;
}

namespace {

bool isPathTextSeparator(QChar c)
{
    return c == u'm' || c == u'M' || c == u'L' || c == u'C' || c == u'Z' || c == u' ' || c == u',';
}

// The integer at the start of a run: optional sign, then digits; none gives 0.
double leadingInteger(QStringView run)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < run.size() && (run[i] == u'+' || run[i] == u'-')) {
        negative = run[i] == u'-';
        ++i;
    }
    double v = 0;
    while (i < run.size() && run[i].isDigit()) {
        v = v * 10 + run[i].digitValue();
        if (v > 1e15)
            break;
        ++i;
    }
    return negative ? -v : v;
}

} // namespace

QString TransformPathNumbers(const QString &pathText, double amount, FrameMode mode)
{
    constexpr double limit = 1e7;
    QString out;
    out.reserve(pathText.size() + 16);
    qsizetype runStart = -1;
    auto flush = [&](qsizetype end) {
        if (runStart < 0)
            return;
        const double v = leadingInteger(QStringView(pathText).mid(runStart, end - runStart));
        double r = roundHalfEven(mode == FrameMode::Add ? v + amount : v * amount);
        if (!std::isfinite(r))
            r = 0;
        r = std::clamp(r, -limit, limit);
        out += QString::number(qint64(r));
        runStart = -1;
    };
    for (qsizetype i = 0; i < pathText.size(); ++i) {
        const QChar c = pathText[i];
        if (isPathTextSeparator(c)) {
            flush(i);
            out += c;
        } else if (runStart < 0) {
            runStart = i;
        }
    }
    flush(pathText.size());
    return out;
}

} // namespace orvane::shapes
