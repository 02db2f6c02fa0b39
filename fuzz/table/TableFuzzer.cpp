// libFuzzer target for the table file reader: any bytes are loaded as a data
// packet; what loads is sorted, filtered, searched and written back, and the
// written packet must read back to itself.
#include "core/table/ClientDataSet.h"
#include "core/table/TableData.h"

#include <cstdint>
#include <cstdlib>

using namespace orvane::table;

static void exercise(ClientDataSet &ds)
{
    const int fields = ds.FieldCount();
    for (int f = 0; f < fields && f < 8; ++f) {
        ds.setIndexFieldNames(ds.FieldDefs().at(f).name);
        ds.First();
        QVariant first = ds.Value(f);
        for (int n = 0; !ds.Eof() && n < 64; ++n, ds.Next()) {
            for (int g = 0; g < fields; ++g)
                (void)ds.Fields(g).AsString();
        }
        ds.Locate(ds.FieldDefs().at(f).name, {first});
        if (first.isValid() && first.typeId() == QMetaType::QString) {
            ds.setFilter("[" + ds.FieldDefs().at(f).name + "] = " + ClientDataSet::QuotedStr(first.toString()));
            if (ds.RecordCount() == 0)
                std::abort(); // the record the value came from must pass
            ds.setFilter("");
        }
    }
    if (ds.RecordCount() > 0) {
        ds.Last();
        ds.Edit();
        for (int f = 0; f < fields; ++f) {
            if (ds.FieldDefs().at(f).type != FieldType::AutoInc)
                ds.Fields(f).Clear();
        }
        ds.Post();
        ds.First();
        ds.Delete();
    }
    ds.Append();
    ds.Post();
}

// Large packets are read in parts on several threads; forced here on small
// inputs, that reading must give exactly what one whole-document parse gives.
static void compareSplitReading(const QByteArray &bytes)
{
    detail::ParseOptions whole;
    whole.minSplitBytes = SIZE_MAX;
    whole.maxParts = 1;
    detail::ParseOptions split;
    split.minSplitBytes = 0;
    split.maxParts = 1 + int(bytes.size() % 3);
    split.minPartBytes = bytes.size() % 2 ? 1 : 100;
    detail::Content a, b;
    bool aOk = false, bOk = false;
    QByteArray copyA = bytes, copyB = bytes;
    try {
        a = detail::parseDataPacket(copyA.data(), std::size_t(copyA.size()), QStringLiteral("fuzz"), whole);
        aOk = true;
    } catch (const TableError &) {
    }
    try {
        b = detail::parseDataPacket(copyB.data(), std::size_t(copyB.size()), QStringLiteral("fuzz"), split);
        bOk = true;
    } catch (const TableError &) {
    }
    if (aOk != bOk)
        std::abort();
    if (aOk && (a.defs != b.defs || a.rowCount != b.rowCount || a.cells != b.cells || a.nextAutoInc != b.nextAutoInc))
        std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > (1u << 20))
        return 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    compareSplitReading(bytes);
    ClientDataSet ds;
    try {
        ds.setXMLData(bytes);
    } catch (const TableError &) {
        return 0; // unreadable input must be refused with a TableError, nothing else
    }
    // Writing is a fixed point after the first load: what is written reads
    // back to exactly the same packet.
    const QByteArray written = ds.XMLData();
    ClientDataSet copy;
    copy.setXMLData(written);
    if (copy.XMLData() != written)
        std::abort();
    try {
        exercise(ds);
    } catch (const TableError &) {
        // Values that do not fit a field may be refused; never anything worse.
    }
    return 0;
}
