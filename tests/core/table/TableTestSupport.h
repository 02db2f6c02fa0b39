#pragma once
// Helpers shared by the table store tests: the organizer's field list, adding
// records by field name, and reading a field over the whole view.
#include "core/table/ClientDataSet.h"

#include <QStringList>
#include <initializer_list>
#include <utility>

namespace orvane::table::testing {

inline QList<FieldDef> organizerDefs()
{
    return {
        {"ID", FieldType::AutoInc, 0},      {"RecordType", FieldType::String, 2}, {"Name", FieldType::String, 50},
        {"Description", FieldType::String, 150}, {"Path", FieldType::String, 200}, {"LinkName", FieldType::String, 50},
        {"Priority", FieldType::String, 25}, {"Type", FieldType::String, 20},  {"SearchWord", FieldType::String, 25},
        {"Comments", FieldType::Memo, 0},   {"LastUpdated", FieldType::String, 25},
    };
}

using Values = std::initializer_list<std::pair<const char *, QVariant>>;

inline void addRecord(ClientDataSet &ds, Values values)
{
    ds.Append();
    for (const auto &[name, value] : values)
        ds.FieldByName(name).setValue(value);
    ds.Post();
}

// The given field of every record of the view, in view order; the cursor
// ends after the last record.
inline QStringList column(ClientDataSet &ds, const QString &field)
{
    QStringList out;
    for (ds.First(); !ds.Eof(); ds.Next())
        out << ds.FieldByName(field).AsString();
    return out;
}

} // namespace orvane::table::testing
