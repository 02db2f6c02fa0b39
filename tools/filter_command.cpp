// orvane-tool filter: lists the filter catalogue and runs one filter on a picture.
#include "ToolCommands.h"

#include "edit/filters/FilterEngine.h"

#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

using namespace orvane::filters;
using orvane::tool::err;
using orvane::tool::out;

namespace {

QString typeName(TFilterValueType t)
{
    switch (t) {
    case TFilterValueType::Float: return QStringLiteral("Float");
    case TFilterValueType::Point: return QStringLiteral("Point");
    case TFilterValueType::Color: return QStringLiteral("Color");
    case TFilterValueType::Bitmap: return QStringLiteral("Bitmap");
    }
    return QString();
}

QString colorText(quint32 c) { return "#" + QString::number(c, 16).rightJustified(8, '0').toUpper(); }

QJsonValue valueJson(TFilterValueType t, const TFilterValue &v)
{
    switch (t) {
    case TFilterValueType::Float: return v.Float;
    case TFilterValueType::Point: return QJsonArray{v.Point.x(), v.Point.y()};
    case TFilterValueType::Color: return colorText(v.Color);
    case TFilterValueType::Bitmap: return QJsonValue();
    }
    return QJsonValue();
}

int listCatalogue()
{
    QJsonArray cats;
    for (const QString &category : categories()) {
        QJsonArray filters;
        for (const QString &name : filtersInCategory(category)) {
            TFilterRec rec;
            filterRec(name, &rec);
            QJsonArray params;
            for (const TFilterValueRec &v : rec.Values) {
                QJsonObject p{{"name", v.Name}, {"desc", v.Desc}, {"type", typeName(v.ValueType)}};
                if (v.ValueType == TFilterValueType::Float || v.ValueType == TFilterValueType::Point) {
                    p["min"] = valueJson(v.ValueType, v.Min);
                    p["max"] = valueJson(v.ValueType, v.Max);
                }
                if (v.ValueType != TFilterValueType::Bitmap)
                    p["default"] = valueJson(v.ValueType, v.Default);
                params.append(p);
            }
            filters.append(QJsonObject{{"name", rec.Name}, {"desc", rec.Desc}, {"parameters", params}});
        }
        cats.append(QJsonObject{{"name", category}, {"filters", filters}});
    }
    out(QString::fromUtf8(QJsonDocument(QJsonObject{{"categories", cats}}).toJson(QJsonDocument::Indented)).trimmed());
    return 0;
}

bool parseColor(const QString &text, quint32 *argb)
{
    QString t = text.trimmed();
    if (!t.startsWith('#'))
        return false;
    t = t.mid(1);
    bool ok = false;
    const quint32 v = t.toUInt(&ok, 16);
    if (!ok || (t.size() != 8 && t.size() != 6))
        return false;
    *argb = t.size() == 6 ? (0xff000000u | v) : v;
    return true;
}

bool parsePoint(const QString &text, QPointF *p)
{
    const QStringList parts = text.split(',');
    if (parts.size() != 2)
        return false;
    bool okX = false, okY = false;
    const double x = parts[0].trimmed().toDouble(&okX), y = parts[1].trimmed().toDouble(&okY);
    if (!okX || !okY)
        return false;
    *p = QPointF(x, y);
    return true;
}

QImage readPicture(const QString &path)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    return reader.read();
}

// Written to a temporary file beside the target, then renamed over it.
bool writePicture(const QImage &image, const QString &path, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    QImageWriter writer(&file, QFileInfo(path).suffix().toLower().toLatin1());
    if (!writer.write(image)) {
        *error = writer.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

int applyFilter(const QStringList &args)
{
    QStringList positional, settings;
    QString targetPath;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == "--target") {
            if (i + 1 >= args.size()) {
                err("filter apply: --target needs a file");
                return 2;
            }
            targetPath = args[++i];
        } else if (positional.size() < 3) {
            positional << args[i];
        } else {
            settings << args[i];
        }
    }
    if (positional.size() < 3) {
        err("usage: orvane-tool filter apply NAME IN OUT [PARAM=VALUE ...] [--target FILE]");
        return 2;
    }
    const QString name = positional[0];
    std::unique_ptr<Filter> filter = createFilter(name);
    if (!filter) {
        err("filter apply: unknown filter '" + name + "' (see 'orvane-tool filter list')");
        return 2;
    }
    const QImage input = readPicture(positional[1]);
    if (input.isNull()) {
        err("filter apply: cannot read picture '" + positional[1] + "'");
        return 1;
    }
    filter->setBitmap("Input", input);
    if (!targetPath.isEmpty()) {
        const QImage target = readPicture(targetPath);
        if (target.isNull()) {
            err("filter apply: cannot read picture '" + targetPath + "'");
            return 1;
        }
        filter->setBitmap("Target", target);
    }
    for (const QString &s : settings) {
        const int eq = s.indexOf('=');
        const QString key = s.left(eq), value = s.mid(eq + 1);
        const int index = eq > 0 ? filter->rec().indexOf(key) : -1;
        if (index < 0) {
            err("filter apply: " + name + " has no parameter '" + (eq > 0 ? key : s) + "'");
            return 2;
        }
        const TFilterValueType type = filter->rec().Values[index].ValueType;
        bool ok = true;
        if (type == TFilterValueType::Float) {
            const double v = value.toDouble(&ok);
            if (ok)
                filter->setFloat(key, v);
        } else if (type == TFilterValueType::Point) {
            QPointF p;
            ok = parsePoint(value, &p);
            if (ok)
                filter->setPoint(key, p);
        } else if (type == TFilterValueType::Color) {
            quint32 c = 0;
            ok = parseColor(value, &c);
            if (ok)
                filter->setColor(key, c);
        } else {
            const QImage img = readPicture(value);
            ok = !img.isNull();
            if (ok)
                filter->setBitmap(key, img);
        }
        if (!ok) {
            err("filter apply: bad value '" + value + "' for " + typeName(type) + " parameter " + key);
            return 2;
        }
    }
    const QImage result = filter->output();
    if (result.isNull()) {
        err("filter apply: the filter gave no picture");
        return 1;
    }
    QString error;
    if (!writePicture(result, positional[2], &error)) {
        err("filter apply: cannot write '" + positional[2] + "': " + error);
        return 1;
    }
    return 0;
}

int run(const QStringList &args)
{
    if (args.value(0) == "list" && args.size() == 1)
        return listCatalogue();
    if (args.value(0) == "apply")
        return applyFilter(args.mid(1));
    err("usage: orvane-tool filter list | filter apply NAME IN OUT [PARAM=VALUE ...] [--target FILE]\n"
        "  PARAM=VALUE: a number, \"x,y\" for a point, \"#AARRGGBB\" for a colour, a file for a picture");
    return 2;
}

const bool registered = orvane::tool::registerCommand(
    {"filter",
     "filter list | filter apply NAME IN OUT [PARAM=VALUE ...] [--target FILE]   filter catalogue (JSON) and runs",
     &run});

} // namespace
