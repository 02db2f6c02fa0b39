// Table files: round trips of every field type, empty tables, unreadable and
// torn files, interrupted saves, backups and restores.
#include "TableTestSupport.h"
#include "core/table/TableData.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <climits>
#include <functional>

using namespace orvane::table;
using namespace orvane::table::testing;

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

class TableFiles : public ::testing::Test {
protected:
    QString path(const QString &name) const { return dir.filePath(name); }
    QStringList folderEntries() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }
    QTemporaryDir dir;
};

QList<FieldDef> everyType()
{
    return {{"ID", FieldType::AutoInc, 0},    {"Text", FieldType::String, 200}, {"Memo", FieldType::Memo, 0},
            {"Small", FieldType::SmallInt, 0}, {"Int", FieldType::Integer, 0},  {"Large", FieldType::LargeInt, 0},
            {"Flag", FieldType::Boolean, 0}};
}

TEST_F(TableFiles, EveryFieldTypeSurvivesARoundTrip)
{
    QString longText = "/home/user/Bilder/Grüße aus 日本 😀/";
    while (longText.size() < 500)
        longText += "sub folder with a long name/";
    longText.truncate(499);
    longText += "x";
    ASSERT_EQ(longText.size(), 500);
    const QString memo = "line one\r\nline two\n\ttabbed <tag> & \"double\" 'single' ]]> \x01 end ";

    {
        ClientDataSet ds(everyType());
        ds.setFileName(path("Every.cds"));
        ds.CreateDataSet();
        addRecord(ds, {{"Text", longText}, {"Memo", memo}, {"Small", -32768}, {"Int", INT_MIN},
                       {"Large", QVariant::fromValue<qlonglong>(LLONG_MAX)}, {"Flag", true}});
        addRecord(ds, {{"Text", QString("")}, {"Small", 32767}, {"Int", INT_MAX},
                       {"Large", QVariant::fromValue<qlonglong>(LLONG_MIN)}, {"Flag", false}});
        addRecord(ds, {});
        ds.Close();
    }
    ClientDataSet back;
    back.setFileName(path("Every.cds"));
    back.Open();
    EXPECT_EQ(back.FieldDefs(), everyType());
    ASSERT_EQ(back.RecordCount(), 3);
    back.First();
    EXPECT_EQ(back.FieldByName("Text").AsString(), longText); // longer than the width: kept whole
    EXPECT_EQ(back.FieldByName("Memo").AsString(), memo);
    EXPECT_EQ(back.FieldByName("Small").Value(), QVariant(-32768));
    EXPECT_EQ(back.FieldByName("Int").Value(), QVariant(INT_MIN));
    EXPECT_EQ(back.FieldByName("Large").Value(), QVariant::fromValue<qlonglong>(LLONG_MAX));
    EXPECT_EQ(back.FieldByName("Flag").Value(), QVariant(true));
    back.Next();
    EXPECT_FALSE(back.FieldByName("Text").IsNull()); // empty text stays empty, not null
    EXPECT_EQ(back.FieldByName("Text").AsString(), "");
    EXPECT_TRUE(back.FieldByName("Memo").IsNull());
    EXPECT_EQ(back.FieldByName("Int").Value(), QVariant(INT_MAX));
    EXPECT_EQ(back.FieldByName("Large").Value(), QVariant::fromValue<qlonglong>(LLONG_MIN));
    EXPECT_EQ(back.FieldByName("Flag").Value(), QVariant(false));
    back.Next();
    EXPECT_EQ(back.Fields(0).AsInteger(), 3);
    for (int f = 1; f < back.FieldCount(); ++f)
        EXPECT_TRUE(back.Fields(f).IsNull()) << f;
    // The in-memory packet reads back the same.
    ClientDataSet copy;
    copy.setXMLData(back.XMLData());
    EXPECT_EQ(copy.XMLData(), back.XMLData());
}

TEST_F(TableFiles, EmptyTableCreatedAndClosedLeavesAValidFileWithoutRows)
{
    ClientDataSet ds(organizerDefs());
    ds.setFileName(path("Options.cds"));
    EXPECT_FALSE(ds.OpenOrCreate()); // no file: created
    ds.Close();
    ASSERT_TRUE(QFile::exists(path("Options.cds")));
    ClientDataSet back;
    back.setFileName(path("Options.cds"));
    EXPECT_TRUE(back.OpenOrCreate()); // the file: opened
    EXPECT_EQ(back.RecordCount(), 0);
    EXPECT_EQ(back.FieldDefs(), organizerDefs());
    back.First();
    EXPECT_TRUE(back.Eof());
}

TEST_F(TableFiles, NumberingGoesOnAfterReopening)
{
    {
        ClientDataSet ds(organizerDefs());
        ds.setFileName(path("Favorites.cds"));
        ds.CreateDataSet();
        for (int i = 0; i < 3; ++i)
            addRecord(ds, {{"Name", QString("n%1").arg(i)}});
        ds.Last();
        ds.Delete(); // the highest number is gone, but not reused
        ds.Close();
    }
    ClientDataSet ds;
    ds.setFileName(path("Favorites.cds"));
    ds.Open();
    addRecord(ds, {{"Name", "next"}});
    EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 4);

    // A packet without the stored counter continues after the highest ID.
    ClientDataSet bare;
    bare.setXMLData("<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"ID\" fieldtype=\"i4\" SUBTYPE=\"Autoinc\"/>"
                    "</FIELDS></METADATA><ROWDATA><ROW ID=\"7\"/><ROW ID=\"3\"/></ROWDATA></DATAPACKET>");
    addRecord(bare, {});
    EXPECT_EQ(bare.Fields(0).AsInteger(), 8);
}

TEST_F(TableFiles, CloseDropsAnUnpostedEditAndSaveWritesOnlyPostedRecords)
{
    ClientDataSet ds(organizerDefs());
    ds.setFileName(path("Groups.cds"));
    ds.CreateDataSet();
    addRecord(ds, {{"Name", "Family"}});
    ds.Append();
    ds.FieldByName("Name").setValue("pending");
    ds.SaveToFile();
    EXPECT_EQ(ds.State(), DataSetState::Insert); // saving does not post
    ds.Close();
    ClientDataSet back;
    back.setFileName(path("Groups.cds"));
    back.Open();
    EXPECT_EQ(column(back, "Name"), QStringList({"Family"}));
}

TEST_F(TableFiles, TableWithoutFileNameWritesNothing)
{
    {
        ClientDataSet ds(organizerDefs());
        ds.CreateDataSet();
        addRecord(ds, {{"Name", "x"}});
        EXPECT_THROW(ds.SaveToFile(), TableError);
    }
    EXPECT_TRUE(folderEntries().isEmpty());
}

TEST_F(TableFiles, FileRemovedWhileOpenIsWrittenAgainAtClose)
{
    ClientDataSet ds(organizerDefs());
    ds.setFileName(path("Transfer.cds"));
    ds.CreateDataSet();
    addRecord(ds, {{"Name", "x"}});
    ds.Close();
    ds.Open(); // unchanged since it was read ...
    ASSERT_TRUE(QFile::remove(path("Transfer.cds")));
    ds.Close(); // ... but the file is gone, so closing writes it again
    EXPECT_TRUE(QFile::exists(path("Transfer.cds")));
}

// ------------------------------------------------------------------ unreadable files

struct BadFile {
    const char *name;
    QByteArray bytes;
    const char *reason; // part of the message
};

class UnreadableFile : public TableFiles, public ::testing::WithParamInterface<BadFile> {};

TEST_P(UnreadableFile, OpenThrowsAClearErrorAndLeavesTheFileAlone)
{
    const QString file = path("Favorites.cds");
    writeAll(file, GetParam().bytes);
    ClientDataSet ds(organizerDefs());
    ds.setFileName(file);
    try {
        ds.Open();
        FAIL() << "opened an unreadable file";
    } catch (const FileFormatError &e) {
        EXPECT_EQ(e.fileName(), file);
        EXPECT_TRUE(e.message().contains(file)) << e.what();
        EXPECT_TRUE(e.message().contains(GetParam().reason)) << e.what();
    }
    EXPECT_FALSE(ds.Active());
    ds.Close();
    EXPECT_EQ(readAll(file), GetParam().bytes); // never deleted or changed
    EXPECT_THROW(ds.LoadFromFile(file), FileFormatError);
}

QByteArray validPacket()
{
    ClientDataSet ds(organizerDefs());
    ds.CreateDataSet();
    for (int i = 0; i < 50; ++i)
        addRecord(ds, {{"RecordType", "DA"}, {"Name", QString("p%1.jpg").arg(i)}, {"Comments", "x"}});
    return ds.XMLData();
}

const QByteArray fieldsStart = "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>";
const QByteArray fieldsEnd = "</FIELDS></METADATA><ROWDATA>";
const QByteArray packetEnd = "</ROWDATA></DATAPACKET>";

INSTANTIATE_TEST_SUITE_P(
    Table, UnreadableFile,
    ::testing::Values(
        BadFile{"Empty", "", "empty"},
        BadFile{"Garbage", "\x89PNG\r\n\x1a\n not a table at all", "at byte"},
        BadFile{"TornInTheMiddle", validPacket().left(validPacket().size() / 2), "at byte"},
        BadFile{"TornBeforeTheEnd", validPacket().chopped(10), "at byte"},
        BadFile{"OtherXml", "<html><body/></html>", "DATAPACKET"},
        BadFile{"NoFields", "<DATAPACKET><ROWDATA/></DATAPACKET>", "field definitions"},
        BadFile{"ZeroFields", fieldsStart + fieldsEnd + packetEnd, "no fields"},
        BadFile{"UnknownType", fieldsStart + "<FIELD attrname=\"X\" fieldtype=\"nested\"/>" + fieldsEnd + packetEnd, "unsupported"},
        BadFile{"DuplicateField",
                fieldsStart + "<FIELD attrname=\"X\" fieldtype=\"i4\"/><FIELD attrname=\"x\" fieldtype=\"i4\"/>" + fieldsEnd + packetEnd,
                "Duplicate"},
        BadFile{"BadName", fieldsStart + "<FIELD attrname=\"a b\" fieldtype=\"i4\"/>" + fieldsEnd + packetEnd, "Invalid field name"},
        BadFile{"BadWidth", fieldsStart + "<FIELD attrname=\"S\" fieldtype=\"string\" WIDTH=\"-3\"/>" + fieldsEnd + packetEnd, "width"},
        BadFile{"BadInteger", fieldsStart + "<FIELD attrname=\"N\" fieldtype=\"i4\"/>" + fieldsEnd + "<ROW N=\"12x\"/>" + packetEnd, "row 1"},
        BadFile{"SmallIntOutOfRange", fieldsStart + "<FIELD attrname=\"N\" fieldtype=\"i2\"/>" + fieldsEnd + "<ROW N=\"40000\"/>" + packetEnd, "40000"},
        BadFile{"BadBoolean", fieldsStart + "<FIELD attrname=\"B\" fieldtype=\"boolean\"/>" + fieldsEnd + "<ROW B=\"yes\"/>" + packetEnd, "'yes'"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(TableFiles, UnreadableFileIsSetAsideWhenANewTableTakesItsPlace)
{
    const QString file = path("EMailCfg.cds");
    writeAll(file, "torn <DATAPACKET");
    ClientDataSet ds(organizerDefs());
    ds.setFileName(file);
    EXPECT_THROW(ds.Open(), FileFormatError);
    ds.CreateDataSet(); // the caller starts empty ...
    addRecord(ds, {{"Name", "new"}});
    ds.Close(); // ... and the damaged file is kept beside the new one
    EXPECT_EQ(readAll(file + ".bad"), QByteArray("torn <DATAPACKET"));
    ClientDataSet back;
    back.setFileName(file);
    back.Open();
    EXPECT_EQ(column(back, "Name"), QStringList({"new"}));

    writeAll(file, "again");
    EXPECT_EQ(ClientDataSet::SetAsideUnreadableFile(file), file + ".bad2");
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_EQ(ClientDataSet::SetAsideUnreadableFile(file), QString());
}

// ------------------------------------------------------------------ interrupted saves

TEST_F(TableFiles, SaveInterruptedBeforeTheRenameLeavesTheOldFileIntact)
{
    const QString file = path("Favorites.cds");
    ClientDataSet ds(organizerDefs());
    ds.setFileName(file);
    ds.CreateDataSet();
    addRecord(ds, {{"Name", "old 1"}});
    addRecord(ds, {{"Name", "old 2"}});
    ds.SaveToFile();
    const QByteArray before = readAll(file);

    addRecord(ds, {{"Name", "new"}});
    QString tempSeen;
    ds.BeforeReplaceFile = [&](const QString &temp) {
        tempSeen = temp;
        EXPECT_EQ(QFileInfo(temp).absolutePath(), QFileInfo(file).absolutePath()); // same folder
        EXPECT_GT(QFileInfo(temp).size(), before.size()); // complete before the rename
        throw std::runtime_error("power cut");
    };
    EXPECT_THROW(ds.SaveToFile(), std::runtime_error);
    EXPECT_THROW(ds.Close(), std::runtime_error);
    EXPECT_TRUE(ds.Active()); // a failed write keeps the table open with its rows
    EXPECT_EQ(readAll(file), before);
    EXPECT_FALSE(QFile::exists(tempSeen)); // the temporary file is cleaned up
    EXPECT_EQ(folderEntries(), QStringList({"Favorites.cds"}));

    ds.BeforeReplaceFile = nullptr;
    ds.Close();
    ClientDataSet back;
    back.setFileName(file);
    back.Open();
    EXPECT_EQ(column(back, "Name"), QStringList({"old 1", "old 2", "new"}));
}

TEST_F(TableFiles, StrayTemporaryFileOfACrashedSaveIsHarmless)
{
    const QString file = path("Options.cds");
    {
        ClientDataSet ds(organizerDefs());
        ds.setFileName(file);
        ds.CreateDataSet();
        addRecord(ds, {{"Name", "kept"}});
    } // the destructor closes and writes
    writeAll(file + ".Ab12Cd.tmp", validPacket().left(100)); // what a crash mid-write leaves
    ClientDataSet ds;
    ds.setFileName(file);
    ds.Open();
    EXPECT_EQ(column(ds, "Name"), QStringList({"kept"}));
    ds.Edit();
    ds.FieldByName("Name").setValue("changed");
    ds.Post();
    ds.Close();
    ds.Open();
    EXPECT_EQ(column(ds, "Name"), QStringList({"changed"}));
}

TEST_F(TableFiles, WriteIntoAMissingFolderFailsWithTheFileName)
{
    ClientDataSet ds(organizerDefs());
    const QString file = path("no such folder/Favorites.cds");
    ds.setFileName(file);
    ds.CreateDataSet();
    try {
        ds.SaveToFile();
        FAIL();
    } catch (const TableError &e) {
        EXPECT_TRUE(e.message().contains(file)) << e.what();
    }
    EXPECT_TRUE(ds.Active());
}

// ------------------------------------------------------------------ backup and restore

TEST_F(TableFiles, BackupAndRestoreThroughSaveToFileAndLoadFromFile)
{
    ClientDataSet options(organizerDefs());
    options.setFileName(path("Options.cds"));
    options.CreateDataSet();
    addRecord(options, {{"Name", "current"}});
    options.SaveToFile(path("Options.CDS.backup")); // a copy; the table stays bound to its file
    EXPECT_EQ(options.FileName(), path("Options.cds"));

    ClientDataSet other({{"ID", FieldType::AutoInc}, {"Style", FieldType::String, 25}});
    other.CreateDataSet();
    addRecord(other, {{"Style", "Air.Style"}});
    other.SaveToFile(path("Restore.cds"));

    EXPECT_THROW(options.LoadFromFile(path("missing.cds")), TableError);
    EXPECT_EQ(column(options, "Name"), QStringList({"current"})); // a failed load changes nothing

    options.LoadFromFile(path("Restore.cds"));
    EXPECT_EQ(options.FieldCount(), 2);
    EXPECT_EQ(options.FieldByName("Style").AsString(), "Air.Style");
    options.Close(); // written to its own file name
    ClientDataSet back;
    back.setFileName(path("Options.cds"));
    back.Open();
    EXPECT_EQ(column(back, "Style"), QStringList({"Air.Style"}));
    ClientDataSet backup;
    backup.LoadFromFile(path("Options.CDS.backup"));
    EXPECT_EQ(column(backup, "Name"), QStringList({"current"}));
}

TEST(TablePacket, ReadsPacketsWrittenByHandOrByOtherWriters)
{
    ClientDataSet ds;
    ds.setXMLData("\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<DATAPACKET Version=\"2.0\">\n<METADATA><FIELDS>\n"
                  "<FIELD attrname=\"ID\" fieldtype=\"i4\" readonly=\"true\" SUBTYPE=\"Autoinc\"/>\n"
                  "<FIELD attrname=\"Name\" fieldtype=\"string.uni\" WIDTH=\"100\"/>\n"
                  "<FIELD attrname=\"Note\" fieldtype=\"bin.hex\" SUBTYPE=\"WideText\"/>\n"
                  "<FIELD attrname=\"On\" fieldtype=\"boolean\"/>\n"
                  "</FIELDS><PARAMS AUTOINCVALUE=\"10\" DEFAULT_ORDER=\"1\"/></METADATA>\n<ROWDATA>\n"
                  "<ROW RowState=\"4\" On=\"false\" Name=\"K&amp;B &#x65E5;\" ID=\"2\" Extra=\"ignored\"/>\n"
                  "<ROW ID=\"5\" Note=\"a&#13;&#10;b\" On=\"TRUE\"/>\n"
                  "</ROWDATA></DATAPACKET>");
    ASSERT_EQ(ds.RecordCount(), 2);
    EXPECT_EQ(ds.Fields(1).Size(), 100);
    EXPECT_EQ(ds.Fields(2).DataType(), FieldType::Memo);
    ds.First();
    EXPECT_EQ(ds.FieldByName("Name").AsString(), QString::fromUtf8("K&B 日"));
    EXPECT_EQ(ds.FieldByName("On").Value(), QVariant(false));
    EXPECT_TRUE(ds.FieldByName("Note").IsNull());
    ds.Next();
    EXPECT_EQ(ds.FieldByName("Note").AsString(), "a\r\nb");
    EXPECT_TRUE(ds.FieldByName("Name").IsNull());
    addRecord(ds, {});
    EXPECT_EQ(ds.Fields(0).AsInteger(), 10);
}

// Large packets are read in parts on several threads. Forced on small
// packets, that must read exactly what one whole-document parse reads, or
// fail where it fails. Regression inputs found by the fuzzer live in data/.
struct SplitCase {
    const char *name;
    std::function<QByteArray()> bytes;
    bool readInChunks = false; // the packet is one that is read in chunks
};

class SplitReading : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitReading, AgreesWithAWholeDocumentParse)
{
    const QByteArray bytes = GetParam().bytes();
    ASSERT_FALSE(bytes.isEmpty());
    const auto parse = [&](const detail::ParseOptions &options, detail::Content &out) {
        QByteArray copy = bytes;
        try {
            out = detail::parseDataPacket(copy.data(), std::size_t(copy.size()), "packet", options);
            return true;
        } catch (const TableError &) {
            return false;
        }
    };
    detail::ParseOptions whole;
    whole.minSplitBytes = SIZE_MAX;
    whole.maxParts = 1;
    for (const auto &[parts, chunkBytes] : {std::pair{1, 1}, std::pair{2, 1}, std::pair{3, 60}, std::pair{7, 200}}) {
        SCOPED_TRACE(parts);
        detail::ParseOptions split;
        split.minSplitBytes = 0;
        split.maxParts = parts;
        split.minPartBytes = std::size_t(chunkBytes);
        detail::Content a, b;
        const bool aOk = parse(whole, a);
        ASSERT_EQ(parse(split, b), aOk);
        EXPECT_EQ(a.defs, b.defs);
        EXPECT_EQ(a.rowCount, b.rowCount);
        EXPECT_TRUE(a.cells == b.cells);
        EXPECT_EQ(a.nextAutoInc, b.nextAutoInc);
        EXPECT_EQ(b.readInChunks, GetParam().readInChunks);
    }
}

QByteArray dataFile(const char *name)
{
    return readAll(QStringLiteral(ORVANE_SOURCE_DIR "/tests/core/table/data/") + name);
}

QByteArray withRows(const QByteArray &rows)
{
    return fieldsStart + "<FIELD attrname=\"ID\" fieldtype=\"i4\" SUBTYPE=\"Autoinc\"/><FIELD attrname=\"N\" fieldtype=\"string\" WIDTH=\"9\"/>" +
           fieldsEnd + rows + packetEnd;
}

INSTANTIATE_TEST_SUITE_P(
    Table, SplitReading,
    ::testing::Values(
        SplitCase{"ValidPacket", [] { return validPacket(); }, true},
        SplitCase{"NulByteBetweenRows", [] { return dataFile("nul-byte-between-rows.cds"); }},
        SplitCase{"LoneAngleBracketBeforeEnd", [] { return dataFile("lone-angle-bracket-before-end.cds"); }},
        SplitCase{"EndTagBeforeRowDataEnd", [] { return dataFile("end-tag-before-rowdata-end.cds"); }},
        SplitCase{"HalfEndTagAtChunkEnd", [] { return withRows("<ROW ID=\"1\"/></<ROW ID=\"2\"/>"); }},
        SplitCase{"CommentOverRows", [] { return withRows("<ROW ID=\"1\"/><!-- <ROW ID=\"2\"/> --><ROW ID=\"3\"/>"); }},
        SplitCase{"NestedRows", [] { return withRows("<ROW ID=\"1\"><ROW ID=\"2\"/></ROW><ROW ID=\"3\"/><ROW ID=\"4\"/>"); }},
        SplitCase{"BadValueInLastRow", [] { return withRows("<ROW ID=\"1\"/><ROW ID=\"2\"/><ROW ID=\"x\"/>"); }},
        SplitCase{"TextBetweenRows", [] { return withRows("<ROW ID=\"1\" N=\"a\"/>text<ROW ID=\"2\"/>&amp;<ROW N=\"&lt;ROW\"/>"); }, true},
        SplitCase{"SecondRowData", [] { return withRows("<ROW ID=\"1\"/></ROWDATA><ROWDATA><ROW ID=\"2\"/>"); }},
        SplitCase{"UnclosedRow", [] { return withRows("<ROW ID=\"1\"><ROW ID=\"2\"/><ROW ID=\"3\"/>"); }}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
