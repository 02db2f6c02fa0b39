#pragma once
// Internal representation shared by the table, its file reader and writer.
#include "ClientDataSet.h"

#include <cstdint>
#include <variant>
#include <vector>

namespace orvane::table::detail {

// One stored value: null, an integer (integers and Booleans) or a text.
using Cell = std::variant<std::monostate, qint64, QString>;

inline bool isNull(const Cell &c) { return std::holds_alternative<std::monostate>(c); }

inline bool isTextType(FieldType t) { return t == FieldType::String || t == FieldType::Memo; }

// Nulls first, then integers numerically, texts by UTF-16 code unit.
inline int compareCells(const Cell &a, const Cell &b)
{
    const std::size_t ia = a.index(), ib = b.index();
    if (ia != ib)
        return ia < ib ? -1 : 1;
    if (ia == 1) {
        const qint64 x = std::get<1>(a), y = std::get<1>(b);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (ia == 2)
        return std::get<2>(a).compare(std::get<2>(b), Qt::CaseSensitive);
    return 0;
}

// Definitions plus rows in insertion order, as a file holds them.
struct Content {
    QList<FieldDef> defs;
    std::vector<Cell> cells; // rowCount * defs.size(), row by row
    std::size_t rowCount = 0;
    qint64 nextAutoInc = 1;  // the number the next posted record gets
    bool readInChunks = false; // how it was read (for tests)
};

// Asks for large pages for a big buffer that is about to be filled (fewer
// page faults when a large table is read). Only a hint; does nothing on
// systems without it.
void adviseLargePages(void *data, std::size_t size);

// Checks a list of definitions; throws TableError naming the problem.
void validateDefs(const QList<FieldDef> &defs);

// How large packets are split over threads (the result never depends on it).
struct ParseOptions {
    std::size_t minSplitBytes = 1u << 20;   // smaller packets: one whole-document parse
    int maxParts = 2;                       // threads
    std::size_t minPartBytes = 256u << 10;  // rows' text per chunk
};

// Reads a data packet. The buffer may be changed (it is parsed in place).
// Throws FileFormatError with sourceName.
Content parseDataPacket(char *data, std::size_t size, const QString &sourceName, const ParseOptions &options = {});

// Writes a data packet of the live rows (rowOrder lists row numbers to write).
std::string writeDataPacket(const QList<FieldDef> &defs, const std::vector<Cell> &cells,
                            const std::vector<std::uint32_t> &rowOrder, qint64 nextAutoInc);

// Writes data to fileName through a temporary file in the same folder that is
// flushed to disk and renamed over the target. Throws TableError.
void writeFileAtomically(const QString &fileName, const std::string &data,
                         const std::function<void(const QString &)> &beforeReplace);

// Filter terms: field name and literal value.
struct FilterTerm {
    QString field;
    QVariant value;
};
// Parses "[A] = 'x' AND [B] = 5"; throws TableError for anything else.
std::vector<FilterTerm> parseFilter(const QString &text);

// Converts a value for a field of the given type; throws TableError when the
// value does not fit the type.
Cell toCell(const FieldDef &def, const QVariant &value);
QVariant fromCell(FieldType type, const Cell &cell);

} // namespace orvane::table::detail
