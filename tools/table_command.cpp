// orvane-tool table: look into table files.
//   table dump FILE   fields (name, type, width) and rows as JSON
//   table check FILE  one-line verdict; exit status 0 when the file is sound
#include "ToolCommands.h"

#include "core/table/ClientDataSet.h"

#include <QHash>

using namespace orvane::table;
using orvane::tool::err;
using orvane::tool::out;

namespace {

QString typeName(FieldType type)
{
    switch (type) {
    case FieldType::AutoInc: return QStringLiteral("autoinc");
    case FieldType::String: return QStringLiteral("string");
    case FieldType::Memo: return QStringLiteral("memo");
    case FieldType::SmallInt: return QStringLiteral("smallint");
    case FieldType::Integer: return QStringLiteral("integer");
    case FieldType::LargeInt: return QStringLiteral("largeint");
    case FieldType::Boolean: return QStringLiteral("boolean");
    }
    return {};
}

QString jsonText(const QString &text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += u'"';
    for (QChar c : text) {
        switch (c.unicode()) {
        case '"': out += QStringLiteral("\\\""); break;
        case '\\': out += QStringLiteral("\\\\"); break;
        case '\n': out += QStringLiteral("\\n"); break;
        case '\r': out += QStringLiteral("\\r"); break;
        case '\t': out += QStringLiteral("\\t"); break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    out += u'"';
    return out;
}

QString jsonValue(const QVariant &v)
{
    if (!v.isValid())
        return QStringLiteral("null");
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    if (v.typeId() == QMetaType::QString)
        return jsonText(v.toString());
    return QString::number(v.toLongLong());
}

int dump(const QString &file)
{
    ClientDataSet ds;
    ds.LoadFromFile(file);
    out(QStringLiteral("{\n  \"file\": %1,\n  \"fields\": [").arg(jsonText(file)));
    const QList<FieldDef> &defs = ds.FieldDefs();
    for (qsizetype i = 0; i < defs.size(); ++i) {
        out(QStringLiteral("    {\"name\": %1, \"type\": \"%2\", \"size\": %3}%4")
                .arg(jsonText(defs[i].name), typeName(defs[i].type))
                .arg(defs[i].size)
                .arg(i + 1 < defs.size() ? "," : ""));
    }
    out(QStringLiteral("  ],\n  \"rows\": ["));
    const int rows = ds.RecordCount();
    for (int r = 0; r < rows; ++r) {
        QString line = QStringLiteral("    {");
        for (int f = 0; f < ds.FieldCount(); ++f) {
            if (f)
                line += QStringLiteral(", ");
            line += jsonText(defs[f].name) + QStringLiteral(": ") + jsonValue(ds.ViewValue(r, f));
        }
        line += r + 1 < rows ? QStringLiteral("},") : QStringLiteral("}");
        out(line);
    }
    out(QStringLiteral("  ]\n}"));
    return 0;
}

int check(const QString &file)
{
    ClientDataSet ds;
    ds.LoadFromFile(file);
    const int rows = ds.RecordCount();
    // Records are identified by their auto-increment number: it must be unique.
    for (int f = 0; f < ds.FieldCount(); ++f) {
        if (ds.FieldDefs()[f].type != FieldType::AutoInc)
            continue;
        QHash<qint64, int> seen;
        for (int r = 0; r < rows; ++r) {
            const QVariant id = ds.ViewValue(r, f);
            if (!id.isValid())
                continue;
            const auto it = seen.constFind(id.toLongLong());
            if (it != seen.constEnd()) {
                err(QStringLiteral("BAD %1: duplicate %2 %3 in rows %4 and %5")
                        .arg(file, ds.FieldDefs()[f].name)
                        .arg(id.toLongLong())
                        .arg(*it + 1)
                        .arg(r + 1));
                return 1;
            }
            seen.insert(id.toLongLong(), r);
        }
    }
    out(QStringLiteral("OK %1: %2 fields, %3 rows").arg(file).arg(ds.FieldCount()).arg(rows));
    return 0;
}

int run(const QStringList &args)
{
    if (args.size() != 2 || (args[0] != "dump" && args[0] != "check")) {
        err(QStringLiteral("usage: orvane-tool table dump FILE | table check FILE"));
        return 2;
    }
    try {
        return args[0] == "dump" ? dump(args[1]) : check(args[1]);
    } catch (const TableError &e) {
        err(QStringLiteral("BAD %1").arg(e.message()));
        return 1;
    }
}

const bool registered = orvane::tool::registerCommand(
    {QStringLiteral("table"),
     QStringLiteral("table dump FILE     fields and rows of a table file as JSON\n"
                    "  table check FILE    whether a table file is sound (exit status 0) or not (1)"),
     &run});

} // namespace
