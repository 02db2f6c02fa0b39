// The table's operations and state rules: values, nulls, edit states and
// their errors, navigation, sort order, filters, Locate and auto-increment.
#include "TableTestSupport.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <functional>

using namespace orvane::table;
using namespace orvane::table::testing;

namespace {

// An organizer-shaped table in memory with a few albums, lists and entries.
class OrganizerTable : public ::testing::Test {
protected:
    void SetUp() override
    {
        ds.setFieldDefs(organizerDefs());
        ds.CreateDataSet();
    }
    void fill()
    {
        addRecord(ds, {{"RecordType", "DA"}, {"Name", "b.jpg"}, {"Path", "/p/b.jpg"}, {"LinkName", "Holiday"}});
        addRecord(ds, {{"RecordType", " M"}, {"Name", "Rock"}, {"Path", ""}, {"LinkName", ""}});
        addRecord(ds, {{"RecordType", " A"}, {"Name", "Holiday"}, {"Path", "/p/icon.png"}, {"LinkName", "Work"}});
        addRecord(ds, {{"RecordType", "DM"}, {"Name", "song.mp3"}, {"Path", "/m/song.mp3"}, {"LinkName", "Rock"}});
        addRecord(ds, {{"RecordType", "DA"}, {"Name", "a.jpg"}, {"Path", "/p/a.jpg"}, {"LinkName", "Holiday"}});
        addRecord(ds, {{"RecordType", " V"}, {"Name", "Clips"}, {"LinkName", "Holiday"}});
        addRecord(ds, {{"RecordType", "DV"}, {"Name", "c.mp4"}, {"Path", "/v/c.mp4"}, {"LinkName", "Clips"}});
        addRecord(ds, {{"RecordType", " A"}, {"Name", "O'Brien's album"}, {"LinkName", "Holiday"}});
        addRecord(ds, {{"RecordType", "DA"}, {"Name", "c.jpg"}, {"Path", "/p/c.jpg"}, {"LinkName", "O'Brien's album"}});
        addRecord(ds, {{"RecordType", "DA"}, {"Name", "a.jpg"}, {"Path", "/p/a.jpg"}, {"LinkName", "Rock AND Roll"}});
    }
    ClientDataSet ds;
};

// ------------------------------------------------------------------ values

TEST_F(OrganizerTable, ValuesByPositionAndByNameAreTheSameField)
{
    ds.Append();
    ds.Fields(2).setValue("Holiday");
    ds.FieldByName("description").setAsString("Summer"); // names ignore case
    ds.Post();
    EXPECT_EQ(ds.FieldCount(), 11);
    EXPECT_EQ(ds.FieldByName("Name").AsString(), "Holiday");
    EXPECT_EQ(ds.Fields(3).Value(), QVariant("Summer"));
    EXPECT_EQ(ds.Fields(3).FieldName(), "Description");
    EXPECT_EQ(ds.Fields(4).Size(), 200);
    EXPECT_EQ(ds.Fields(9).DataType(), FieldType::Memo);
    EXPECT_EQ(ds.FieldIndex("LASTUPDATED"), 10);
    EXPECT_EQ(ds.FieldIndex("Nope"), -1);
    try {
        ds.FieldByName("Nope");
        FAIL() << "no error for an unknown field";
    } catch (const TableError &e) {
        EXPECT_EQ(e.message(), "Field 'Nope' not found");
    }
    EXPECT_THROW(ds.Fields(11), TableError);
    EXPECT_THROW(ds.Fields(-1), TableError);
}

TEST_F(OrganizerTable, FieldsNeverGivenAValueReadAsNull)
{
    // On an empty table, on a new record and on a posted one.
    EXPECT_FALSE(ds.Fields(2).Value().isValid());
    ds.Append();
    EXPECT_TRUE(ds.Fields(2).IsNull());
    ds.Fields(3).setValue("x");
    ds.Post();
    for (int f : {1, 2, 4, 5, 9, 10}) {
        SCOPED_TRACE(f);
        EXPECT_TRUE(ds.Fields(f).IsNull());
        EXPECT_FALSE(ds.Fields(f).Value().isValid());
        EXPECT_EQ(ds.Fields(f).AsString(), "");
    }
    EXPECT_FALSE(ds.Fields(3).IsNull());
    // An empty text is a value, not null; clearing makes it null again.
    ds.Edit();
    ds.Fields(2).setValue(QString(""));
    ds.Fields(3).Clear();
    ds.Post();
    EXPECT_FALSE(ds.Fields(2).IsNull());
    EXPECT_TRUE(ds.Fields(3).IsNull());
}

struct Conversion {
    const char *name;
    FieldType type;
    QVariant input;
    QVariant stored; // invalid: the write throws
};

class FieldConversion : public ::testing::TestWithParam<Conversion> {};

TEST_P(FieldConversion, WriteStoresTheFieldsTypeOrThrows)
{
    const Conversion &c = GetParam();
    ClientDataSet ds({{"F", c.type, c.type == FieldType::String ? 10 : 0}});
    ds.CreateDataSet();
    ds.Append();
    if (!c.stored.isValid()) {
        EXPECT_THROW(ds.Fields(0).setValue(c.input), TableError);
        EXPECT_TRUE(ds.Fields(0).IsNull()); // the failed write changed nothing
        return;
    }
    ds.Fields(0).setValue(c.input);
    ds.Post();
    EXPECT_EQ(ds.Fields(0).Value(), c.stored);
    EXPECT_EQ(ds.Fields(0).Value().typeId(), c.stored.typeId());
}

INSTANTIATE_TEST_SUITE_P(
    Table, FieldConversion,
    ::testing::Values(Conversion{"IntFromText", FieldType::Integer, QVariant("42"), QVariant(42)},
                      Conversion{"IntFromPaddedText", FieldType::Integer, QVariant(" 7 "), QVariant(7)},
                      Conversion{"IntFromWord", FieldType::Integer, QVariant("abc"), {}},
                      Conversion{"IntFromFraction", FieldType::Integer, QVariant(2.5), {}},
                      Conversion{"IntTooLarge", FieldType::Integer, QVariant(qlonglong(1) << 40), {}},
                      Conversion{"SmallIntLimit", FieldType::SmallInt, QVariant(-32768), QVariant(-32768)},
                      Conversion{"SmallIntTooLarge", FieldType::SmallInt, QVariant(40000), {}},
                      Conversion{"LargeInt", FieldType::LargeInt, QVariant(qlonglong(1) << 40), QVariant(qlonglong(1) << 40)},
                      Conversion{"BoolFromText", FieldType::Boolean, QVariant("True"), QVariant(true)},
                      Conversion{"BoolFromNumber", FieldType::Boolean, QVariant(0), QVariant(false)},
                      Conversion{"BoolFromWord", FieldType::Boolean, QVariant("maybe"), {}},
                      Conversion{"TextFromNumber", FieldType::String, QVariant(5), QVariant("5")},
                      Conversion{"TextFromBool", FieldType::Memo, QVariant(true), QVariant("True")}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(TableFieldReads, AsIntegerAndAsBooleanOfTextAndNull)
{
    ClientDataSet ds({{"S", FieldType::String, 10}, {"N", FieldType::Integer, 0}, {"B", FieldType::Boolean, 0}});
    ds.CreateDataSet();
    ds.Append();
    EXPECT_EQ(ds.Fields(1).AsInteger(), 0);
    EXPECT_FALSE(ds.Fields(2).AsBoolean());
    ds.Fields(0).setValue("12");
    EXPECT_EQ(ds.Fields(0).AsInteger(), 12);
    ds.Fields(0).setValue("12abc");
    EXPECT_THROW(ds.Fields(0).AsInteger(), TableError);
    ds.Fields(2).setAsBoolean(true);
    EXPECT_EQ(ds.Fields(2).AsString(), "True");
    ds.Fields(1).setAsInteger(-5);
    EXPECT_EQ(ds.Fields(1).AsString(), "-5");
}

TEST_F(OrganizerTable, AutoIncrementFieldIsNumberedAtPostAndReadOnly)
{
    ds.Append();
    EXPECT_TRUE(ds.Fields(0).IsNull());
    EXPECT_THROW(ds.Fields(0).setValue(7), TableError);
    ds.Post();
    EXPECT_EQ(ds.Fields(0).AsInteger(), 1);
    ds.Append();
    ds.Cancel(); // a cancelled record uses no number
    ds.Append();
    ds.Post();
    EXPECT_EQ(ds.Fields(0).AsInteger(), 2);
}

TEST_F(OrganizerTable, AutoIncrementGoesOnAfterDeletesAndEmptying)
{
    for (int i = 0; i < 3; ++i)
        addRecord(ds, {{"Name", QString("n%1").arg(i)}});
    ds.Last();
    ds.Delete(); // ID 3
    addRecord(ds, {{"Name", "after delete"}});
    EXPECT_EQ(ds.Fields(0).AsInteger(), 4);
    ds.EmptyDataSet();
    EXPECT_EQ(ds.RecordCount(), 0);
    addRecord(ds, {{"Name", "after empty"}});
    EXPECT_EQ(ds.Fields(0).AsInteger(), 5);
}

// ------------------------------------------------------------------ states

TEST_F(OrganizerTable, WritingOutsideEditOrInsertThrowsTheNotEditingError)
{
    fill();
    EXPECT_EQ(ds.State(), DataSetState::Browse);
    try {
        ds.FieldByName("Name").setValue("x");
        FAIL() << "no error";
    } catch (const NotEditingError &e) {
        EXPECT_STREQ(e.what(), "Dataset not in edit or insert mode");
    }
    const QString before = ds.FieldByName("Name").AsString();
    ds.Edit();
    ds.FieldByName("Name").setValue("x");
    ds.Post();
    EXPECT_THROW(ds.FieldByName("Name").setValue("y"), NotEditingError); // after Post: browse again
    EXPECT_EQ(ds.FieldByName("Name").AsString(), "x");
    EXPECT_NE(before, "x");
}

TEST_F(OrganizerTable, StatesOfAppendEditPostCancel)
{
    fill();
    const int count = ds.RecordCount();
    ds.First();
    const QString name = ds.FieldByName("Name").AsString();

    ds.Post(); // nothing to post in browse state
    EXPECT_EQ(ds.State(), DataSetState::Browse);

    ds.Edit();
    EXPECT_EQ(ds.State(), DataSetState::Edit);
    ds.FieldByName("Name").setValue("changed");
    EXPECT_TRUE(ds.Modified());
    EXPECT_EQ(ds.FieldByName("Name").AsString(), "changed"); // reads see the pending value
    ds.Cancel();
    EXPECT_EQ(ds.State(), DataSetState::Browse);
    EXPECT_EQ(ds.FieldByName("Name").AsString(), name);

    ds.Append();
    EXPECT_EQ(ds.State(), DataSetState::Insert);
    EXPECT_EQ(ds.RecNo(), -1);
    EXPECT_EQ(ds.RecordCount(), count); // not counted before it is posted
    ds.FieldByName("Name").setValue("new");
    ds.Cancel();
    EXPECT_EQ(ds.RecordCount(), count);

    ds.Append();
    ds.FieldByName("Name").setValue("new");
    ds.Post();
    EXPECT_EQ(ds.RecordCount(), count + 1);
    EXPECT_EQ(ds.FieldByName("Name").AsString(), "new"); // the posted record is current
}

TEST(TableStates, EditOnAnEmptyTableAppends)
{
    ClientDataSet ds({{"Name", FieldType::String, 10}});
    ds.CreateDataSet();
    ds.Edit();
    EXPECT_EQ(ds.State(), DataSetState::Insert);
    ds.Fields(0).setValue("first");
    ds.Post();
    EXPECT_EQ(ds.RecordCount(), 1);
}

TEST(TableStates, ClosedTableRefusesWork)
{
    ClientDataSet ds({{"Name", FieldType::String, 10}});
    EXPECT_FALSE(ds.Active());
    EXPECT_THROW(ds.Append(), TableError);
    EXPECT_THROW(ds.First(), TableError);
    EXPECT_THROW(ds.Value(0), TableError);
    EXPECT_THROW(ds.Open(), TableError); // no file name
    EXPECT_TRUE(ds.Eof());
    ds.CreateDataSet();
    EXPECT_THROW(ds.CreateDataSet(), TableError);
    EXPECT_THROW(ds.AddFieldDef("Other", FieldType::Integer), TableError);
}

// Every move and every change of the view posts the pending record first.
struct Move {
    const char *name;
    std::function<void(ClientDataSet &)> run;
};

class MovingPostsPendingRecord : public OrganizerTable, public ::testing::WithParamInterface<Move> {};

TEST_P(MovingPostsPendingRecord, InEditState)
{
    fill();
    ds.setIndexFieldNames("ID");
    ds.setRecNo(2);
    ds.Edit();
    ds.FieldByName("Description").setValue("edited");
    GetParam().run(ds);
    EXPECT_NE(ds.State(), DataSetState::Edit);
    ds.setFilter("");
    ASSERT_TRUE(ds.Locate("ID", {2}));
    EXPECT_EQ(ds.FieldByName("Description").AsString(), "edited");
}

TEST_P(MovingPostsPendingRecord, InInsertState)
{
    fill();
    const int count = ds.RecordCount();
    ds.Append();
    ds.FieldByName("Name").setValue("pending");
    ds.FieldByName("RecordType").setValue("DA");
    GetParam().run(ds);
    ds.setFilter("");
    EXPECT_EQ(ds.RecordCount(), count + 1);
    EXPECT_TRUE(ds.Locate("Name", {"pending"}));
}

INSTANTIATE_TEST_SUITE_P(
    Table, MovingPostsPendingRecord,
    ::testing::Values(Move{"First", [](ClientDataSet &d) { d.First(); }}, Move{"Next", [](ClientDataSet &d) { d.Next(); }},
                      Move{"Prior", [](ClientDataSet &d) { d.Prior(); }}, Move{"Last", [](ClientDataSet &d) { d.Last(); }},
                      Move{"RecNo", [](ClientDataSet &d) { d.setRecNo(1); }},
                      Move{"Locate", [](ClientDataSet &d) { d.Locate("Name", {"Rock"}); }},
                      Move{"LocateMissing", [](ClientDataSet &d) { d.Locate("Name", {"none"}); }},
                      Move{"Index", [](ClientDataSet &d) { d.setIndexFieldNames("Name"); }},
                      Move{"Filter", [](ClientDataSet &d) { d.setFilter("[RecordType] = 'DA'"); }},
                      Move{"Append", [](ClientDataSet &d) {
                               d.Append();
                               d.Cancel();
                           }}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(OrganizerTable, BeforePostSeesThePendingRecordAndCanRefuseIt)
{
    fill();
    QStringList seen;
    bool refuse = true;
    ds.BeforePost = [&](ClientDataSet &t) {
        seen << t.FieldByName("Name").AsString();
        EXPECT_EQ(t.State(), DataSetState::Insert);
        if (refuse)
            throw TableError("Enter a name");
    };
    const int count = ds.RecordCount();
    ds.Append();
    ds.FieldByName("Name").setValue("checked");
    EXPECT_THROW(ds.Post(), TableError);
    EXPECT_EQ(ds.State(), DataSetState::Insert); // still pending, nothing lost
    EXPECT_EQ(ds.RecordCount(), count);
    EXPECT_THROW(ds.Next(), TableError); // a refused post stops the move too
    EXPECT_EQ(ds.State(), DataSetState::Insert);
    refuse = false;
    ds.Next();
    EXPECT_EQ(ds.RecordCount(), count + 1);
    EXPECT_EQ(seen, QStringList({"checked", "checked", "checked"}));
}

TEST(TableEvents, OnNewRecordFillsDefaultsOfEveryAppendedRecord)
{
    ClientDataSet ds({{"ID", FieldType::AutoInc}, {"POPPort", FieldType::Integer}, {"SMTPType", FieldType::String, 20}});
    ds.OnNewRecord = [](ClientDataSet &t) {
        t.FieldByName("POPPort").setValue(110);
        t.FieldByName("SMTPType").setValue("Simple Login");
    };
    ds.CreateDataSet();
    ds.Append();
    EXPECT_EQ(ds.FieldByName("POPPort").AsInteger(), 110);
    EXPECT_FALSE(ds.Modified()); // defaults are not a change by the user
    ds.Post();
    ds.Append();
    ds.FieldByName("POPPort").setValue(995);
    ds.Post();
    QStringList ports;
    for (ds.First(); !ds.Eof(); ds.Next())
        ports << ds.FieldByName("POPPort").AsString() + "/" + ds.FieldByName("SMTPType").AsString();
    EXPECT_EQ(ports, QStringList({"110/Simple Login", "995/Simple Login"}));
}

TEST_F(OrganizerTable, DeleteMovesToTheNextRecordAndSetsEofAtTheEnd)
{
    for (const char *n : {"a", "b", "c", "d"})
        addRecord(ds, {{"Name", n}});
    ds.setIndexFieldNames("Name");
    ds.setRecNo(2);
    ds.Delete();
    EXPECT_EQ(ds.FieldByName("Name").AsString(), "c");
    EXPECT_FALSE(ds.Eof());
    ds.Last();
    ds.Delete();
    EXPECT_EQ(ds.FieldByName("Name").AsString(), "c");
    EXPECT_TRUE(ds.Eof());
    ds.Append();
    ds.Delete(); // in insert state: the new record is dropped
    EXPECT_EQ(column(ds, "Name"), QStringList({"a", "c"}));
    ds.First();
    ds.Delete();
    ds.Delete();
    EXPECT_EQ(ds.RecordCount(), 0);
    EXPECT_TRUE(ds.Eof() && ds.Bof());
    EXPECT_THROW(ds.Delete(), TableError);
}

TEST_F(OrganizerTable, DeleteWhileWalkingRemovesExactlyTheMatchingRecords)
{
    fill();
    ds.setIndexFieldNames("RecordType;LinkName;Path");
    ds.First();
    while (!ds.Eof()) {
        if (ds.FieldByName("LinkName").AsString() == "Holiday")
            ds.Delete();
        else
            ds.Next();
    }
    ds.setFilter("[LinkName] = 'Holiday'");
    EXPECT_EQ(ds.RecordCount(), 0);
    ds.setFilter("");
    EXPECT_EQ(ds.RecordCount(), 6);
}

// ------------------------------------------------------------------ navigation

TEST_F(OrganizerTable, NavigationOverTheView)
{
    for (const char *n : {"c", "a", "b"})
        addRecord(ds, {{"Name", n}});
    ds.setIndexFieldNames("Name");
    ds.First();
    EXPECT_TRUE(ds.Bof());
    EXPECT_FALSE(ds.Eof());
    EXPECT_EQ(ds.RecNo(), 1);
    QStringList forward, backward;
    for (ds.First(); !ds.Eof(); ds.Next())
        forward << ds.FieldByName("Name").AsString();
    for (ds.Last(); !ds.Bof(); ds.Prior())
        backward << ds.FieldByName("Name").AsString();
    EXPECT_EQ(forward, QStringList({"a", "b", "c"}));
    EXPECT_EQ(backward, QStringList({"c", "b", "a"}));
    ds.Last();
    EXPECT_EQ(ds.RecNo(), 3);
    ds.Next(); // stays on the last record
    EXPECT_EQ(ds.FieldByName("Name").AsString(), "c");
    ds.setRecNo(99);
    EXPECT_EQ(ds.RecNo(), 3);
    EXPECT_EQ(ds.ViewValue(0, 2), QVariant("a"));
    EXPECT_EQ(ds.RecNo(), 3); // ViewValue does not move
}

TEST(TableNavigation, EmptyTableIsAtBothEnds)
{
    ClientDataSet ds({{"Name", FieldType::String, 10}});
    ds.CreateDataSet();
    ds.First();
    EXPECT_TRUE(ds.Eof());
    EXPECT_TRUE(ds.Bof());
    EXPECT_EQ(ds.RecordCount(), 0);
    EXPECT_EQ(ds.RecNo(), -1);
    EXPECT_TRUE(ds.IsNull(0));
}

// ------------------------------------------------------------------ sorting

TEST_F(OrganizerTable, SortByRecordTypeLinkNamePathPutsHeadersFirst)
{
    fill();
    ds.setIndexFieldNames("RecordType;LinkName;Path");
    QStringList keys;
    for (ds.First(); !ds.Eof(); ds.Next())
        keys << ds.FieldByName("RecordType").AsString() + "|" + ds.FieldByName("LinkName").AsString() + "|" +
                    ds.FieldByName("Path").AsString();
    EXPECT_EQ(keys, QStringList({" A|Holiday|", " A|Work|/p/icon.png", " M||", " V|Holiday|",
                                 "DA|Holiday|/p/a.jpg", "DA|Holiday|/p/b.jpg", "DA|O'Brien's album|/p/c.jpg",
                                 "DA|Rock AND Roll|/p/a.jpg", "DM|Rock|/m/song.mp3", "DV|Clips|/v/c.mp4"}));
}

struct SortCase {
    const char *name;
    FieldType type;
    std::vector<QVariant> inserted;
    std::vector<int> expectedOrder; // positions in `inserted`
};

class SortOrder : public ::testing::TestWithParam<SortCase> {};

TEST_P(SortOrder, ComparesByCharacterCodeOrNumberWithNullsFirstAndStable)
{
    const SortCase &c = GetParam();
    ClientDataSet ds({{"K", c.type, c.type == FieldType::String ? 20 : 0}, {"Seq", FieldType::Integer, 0}});
    ds.CreateDataSet();
    for (std::size_t i = 0; i < c.inserted.size(); ++i) {
        ds.Append();
        ds.Fields(0).setValue(c.inserted[i]);
        ds.Fields(1).setValue(int(i));
        ds.Post();
    }
    ds.setIndexFieldNames("K");
    std::vector<int> order;
    for (ds.First(); !ds.Eof(); ds.Next())
        order.push_back(ds.Fields(1).AsInteger());
    EXPECT_EQ(order, c.expectedOrder);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SortOrder,
    ::testing::Values(
        SortCase{"CaseSensitive", FieldType::String, {"b", "B", "a", "Z", "A"}, {4, 1, 3, 2, 0}},
        SortCase{"BlankBeforeLetters", FieldType::String, {"DA", " V", "DM", " A", " M", "DV"}, {3, 4, 1, 0, 2, 5}},
        SortCase{"NonAsciiAfterAscii", FieldType::String, {"é", "z", "Ä", "a"}, {3, 1, 2, 0}},
        SortCase{"PrefixFirst", FieldType::String, {"ab", "a", "abc"}, {1, 0, 2}},
        SortCase{"NullsFirstThenEmpty", FieldType::String, {"x", QVariant(), "", QVariant()}, {1, 3, 2, 0}},
        SortCase{"StableForEqualKeys", FieldType::String, {"k", "j", "k", "j", "k"}, {1, 3, 0, 2, 4}},
        SortCase{"Numbers", FieldType::Integer, {10, 9, -1, 100, QVariant()}, {4, 2, 1, 0, 3}},
        SortCase{"Booleans", FieldType::Boolean, {true, false, true}, {1, 0, 2}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(OrganizerTable, EditedRecordMovesToItsPlaceAndStaysCurrent)
{
    for (const char *n : {"a", "b", "c", "d"})
        addRecord(ds, {{"Name", n}});
    ds.setIndexFieldNames("Name");
    ds.Locate("Name", {"b"});
    ds.Edit();
    ds.FieldByName("Name").setValue("z");
    ds.Post();
    EXPECT_EQ(ds.FieldByName("Name").AsString(), "z");
    EXPECT_EQ(ds.RecNo(), 4);
    EXPECT_EQ(column(ds, "Name"), QStringList({"a", "c", "d", "z"}));
    // Changing the order keeps the current record current.
    ds.Locate("Name", {"c"});
    ds.setIndexFieldNames("ID");
    EXPECT_EQ(ds.FieldByName("Name").AsString(), "c");
    EXPECT_EQ(ds.RecNo(), 3);
    EXPECT_THROW(ds.setIndexFieldNames("Name;Nope"), TableError);
    EXPECT_EQ(ds.IndexFieldNames(), "ID"); // unchanged after the error
}

TEST_F(OrganizerTable, EmptyIndexKeepsInsertionOrder)
{
    fill();
    ds.setIndexFieldNames("Name");
    ds.setIndexFieldNames("");
    QStringList ids = column(ds, "ID");
    EXPECT_EQ(ids, QStringList({"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}));
}

// ------------------------------------------------------------------ filters

TEST(TableQuoting, QuotedStrDoublesInnerQuotes)
{
    EXPECT_EQ(ClientDataSet::QuotedStr("Holiday"), "'Holiday'");
    EXPECT_EQ(ClientDataSet::QuotedStr("O'Brien's"), "'O''Brien''s'");
    EXPECT_EQ(ClientDataSet::QuotedStr(""), "''");
    EXPECT_EQ(ClientDataSet::QuotedStr("''"), "''''''");
}

struct FilterCase {
    const char *name;
    QString filter;
    QStringList names; // in "RecordType;LinkName;Path" order
};

class FilterView : public OrganizerTable, public ::testing::WithParamInterface<FilterCase> {};

TEST_P(FilterView, ShowsExactlyTheMatchingRecords)
{
    fill();
    // Same result whether or not the index helps the filter.
    for (const QString index : {"RecordType;LinkName;Path", "Name"}) {
        SCOPED_TRACE(index.toStdString());
        ds.setIndexFieldNames(index);
        ds.setFilter(GetParam().filter);
        ds.setIndexFieldNames("RecordType;LinkName;Path");
        EXPECT_EQ(column(ds, "Name"), GetParam().names);
        EXPECT_EQ(ds.RecordCount(), GetParam().names.size());
        ds.setFilter("");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, FilterView,
    ::testing::Values(
        FilterCase{"AlbumHeaders", "[RecordType] = " + ClientDataSet::QuotedStr(" A"), {"O'Brien's album", "Holiday"}},
        FilterCase{"OneAlbum", "[RecordType] = 'DA' AND [LinkName] = 'Holiday'", {"a.jpg", "b.jpg"}},
        FilterCase{"NameWithQuote",
                   "[RecordType] = " + ClientDataSet::QuotedStr("DA") + " AND [LinkName] = " +
                       ClientDataSet::QuotedStr("O'Brien's album"),
                   {"c.jpg"}},
        FilterCase{"AndInsideQuotes", "[LinkName] = 'Rock AND Roll'", {"a.jpg"}},
        FilterCase{"PlayList", "[LinkName] = 'Rock'", {"song.mp3"}},
        FilterCase{"CaseOfValueCounts", "[LinkName] = 'holiday'", {}},
        FilterCase{"FieldNameCaseIgnored", "[linkname] = 'Clips' and recordtype = 'DV'", {"c.mp4"}},
        FilterCase{"Empty", "", {"O'Brien's album", "Holiday", "Rock", "Clips", "a.jpg", "b.jpg", "c.jpg", "a.jpg",
                                 "song.mp3", "c.mp4"}},
        FilterCase{"ById", "[ID] = 4", {"song.mp3"}}),
    [](const auto &info) { return std::string(info.param.name); });

class BadFilter : public OrganizerTable, public ::testing::WithParamInterface<const char *> {};

TEST_P(BadFilter, ThrowsAndKeepsTheOldFilter)
{
    fill();
    ds.setFilter("[RecordType] = 'DA'");
    EXPECT_THROW(ds.setFilter(GetParam()), TableError);
    EXPECT_EQ(ds.Filter(), "[RecordType] = 'DA'");
    EXPECT_EQ(ds.RecordCount(), 4);
}

INSTANTIATE_TEST_SUITE_P(Table, BadFilter,
                         ::testing::Values("[RecordType] = 'DA", "[Nope] = 'x'", "[RecordType] 'DA'",
                                           "[RecordType] = 'DA' OR [Name] = 'x'", "[RecordType] = DA",
                                           "[RecordType = 'DA'", "[ID] = 'abc'", "[RecordType] = 'DA' AND"));

TEST_F(OrganizerTable, FilteredViewFollowsPostsAndCanBeSwitchedOff)
{
    fill();
    ds.setIndexFieldNames("RecordType;LinkName;Path");
    ds.setFilter("[RecordType] = 'DA' AND [LinkName] = 'Holiday'");
    addRecord(ds, {{"RecordType", "DA"}, {"Name", "0.jpg"}, {"Path", "/p/0.jpg"}, {"LinkName", "Holiday"}});
    EXPECT_EQ(ds.FieldByName("Name").AsString(), "0.jpg");
    addRecord(ds, {{"RecordType", "DA"}, {"Name", "other.jpg"}, {"Path", "/p/o.jpg"}, {"LinkName", "Work"}});
    EXPECT_EQ(column(ds, "Name"), QStringList({"0.jpg", "a.jpg", "b.jpg"}));
    // An edit that leaves the filter takes the record out of the view.
    ds.Locate("Name", {"a.jpg"});
    ds.Edit();
    ds.FieldByName("LinkName").setValue("Work");
    ds.Post();
    EXPECT_EQ(column(ds, "Name"), QStringList({"0.jpg", "b.jpg"}));
    EXPECT_FALSE(ds.Locate("Name", {"other.jpg"})); // Locate sees only the view
    ds.setFiltered(false);
    EXPECT_EQ(ds.RecordCount(), 12);
    EXPECT_TRUE(ds.Locate("Name", {"other.jpg"}));
}

// ------------------------------------------------------------------ Locate

struct LocateCase {
    const char *name;
    QVariantList values; // for "RecordType;LinkName;Name"
    QString foundPath;   // empty: not found
};

class LocateOnThreeFields : public OrganizerTable,
                            public ::testing::WithParamInterface<std::tuple<LocateCase, const char *>> {};

TEST_P(LocateOnThreeFields, FindsTheSameRecordUnderEveryIndex)
{
    const auto &[c, index] = GetParam();
    fill();
    ds.setIndexFieldNames(index);
    ds.First();
    const int before = ds.RecNo();
    const bool found = ds.Locate("RecordType;LinkName;Name", c.values);
    EXPECT_EQ(found, !c.foundPath.isEmpty());
    if (found) {
        EXPECT_EQ(ds.FieldByName("Path").AsString(), c.foundPath);
        EXPECT_EQ(ds.FieldByName("Name").AsString(), c.values[2].toString());
    } else {
        EXPECT_EQ(ds.RecNo(), before); // not found: the cursor stays
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, LocateOnThreeFields,
    ::testing::Combine(
        ::testing::Values(LocateCase{"Entry", {"DA", "Holiday", "b.jpg"}, "/p/b.jpg"},
                          LocateCase{"SameNameOtherAlbum", {"DA", "Rock AND Roll", "a.jpg"}, "/p/a.jpg"},
                          LocateCase{"Quote", {"DA", "O'Brien's album", "c.jpg"}, "/p/c.jpg"},
                          LocateCase{"Header", {" A", "Work", "Holiday"}, "/p/icon.png"},
                          LocateCase{"CaseDiffers", {"DA", "holiday", "b.jpg"}, ""},
                          LocateCase{"TypeWithoutBlank", {"A", "Work", "Holiday"}, ""},
                          LocateCase{"NullMatchesNothingSet", {"DA", QVariant(), "b.jpg"}, ""}),
        ::testing::Values("RecordType;LinkName;Path", "RecordType;LinkName;Name", "LinkName;RecordType", "Name", "ID", "")),
    [](const auto &info) {
        std::string index = std::get<1>(info.param);
        for (char &ch : index)
            if (ch == ';')
                ch = '_';
        return std::string(std::get<0>(info.param).name) + "_" + (index.empty() ? "none" : index);
    });

TEST_F(OrganizerTable, LocateFindsTheFirstMatchOfTheViewAndChecksItsArguments)
{
    fill();
    ds.setIndexFieldNames("RecordType;LinkName;Path");
    ASSERT_TRUE(ds.Locate("Name", {"a.jpg"}));
    EXPECT_EQ(ds.FieldByName("LinkName").AsString(), "Holiday"); // before "Rock AND Roll"
    ASSERT_TRUE(ds.Locate("RecordType;Path", {"DA", "/p/a.jpg"}));
    EXPECT_EQ(ds.FieldByName("LinkName").AsString(), "Holiday");
    EXPECT_TRUE(ds.Locate("ID", {"4"}));  // text converted to the field's type
    EXPECT_FALSE(ds.Locate("ID", {"x"})); // a value the field cannot hold matches nothing
    EXPECT_TRUE(ds.Locate("Path", {QVariant()})); // null finds a null field
    EXPECT_EQ(ds.FieldByName("Name").AsString(), "O'Brien's album");
    EXPECT_THROW(ds.Locate("Name;Path", {"a.jpg"}), TableError);
    EXPECT_THROW(ds.Locate("Nope", {"a.jpg"}), TableError);
}

// Binary search on the index against a plain scan, over many records with
// many repeated keys, for Locate and for filters.
TEST(TableLookupConsistency, IndexedLookupsAgreeWithAScan)
{
    ClientDataSet ds(organizerDefs());
    ds.CreateDataSet();
    QRandomGenerator rng(42);
    const char *types[] = {" A", " M", " V", "DA", "DM", "DV"};
    struct Rec {
        QString type, link, path;
    };
    std::vector<Rec> recs;
    for (int i = 0; i < 5000; ++i) {
        Rec r{types[rng.bounded(6)], QString("L%1").arg(rng.bounded(20)), QString("/p/%1").arg(rng.bounded(300))};
        recs.push_back(r);
        addRecord(ds, {{"RecordType", r.type}, {"LinkName", r.link}, {"Path", r.path}});
    }
    ds.setIndexFieldNames("RecordType;LinkName;Path");
    for (int q = 0; q < 300; ++q) {
        const QString type = types[rng.bounded(6)], link = QString("L%1").arg(rng.bounded(21)),
                      path = QString("/p/%1").arg(rng.bounded(310));
        int firstId = 0; // the first match in index order has the smallest ID among equal keys
        for (std::size_t i = 0; i < recs.size() && !firstId; ++i)
            if (recs[i].type == type && recs[i].link == link && recs[i].path == path)
                firstId = int(i) + 1;
        ASSERT_EQ(ds.Locate("RecordType;LinkName;Path", {type, link, path}), firstId != 0);
        if (firstId) {
            ASSERT_EQ(ds.FieldByName("ID").AsInteger(), firstId);
        }
        int expected = 0;
        for (const Rec &r : recs)
            expected += r.type == type && r.link == link;
        ds.setFilter("[RecordType] = " + ClientDataSet::QuotedStr(type) + " AND [LinkName] = " + ClientDataSet::QuotedStr(link));
        ASSERT_EQ(ds.RecordCount(), expected);
        ds.setFilter("");
    }
}

// Large tables are sorted through value ranks; the order must be exactly the
// one a plain stable sort by value gives: nulls first, texts by code unit,
// numbers by value, ties in insertion order.
TEST(TableLargeSort, OrderEqualsAStableSortByValue)
{
    const QStringList pieces = {"", "a", "A", "b", "/home/user/Pictures/", "é", "Z", QString::fromUtf8("😀"), "a/b", "\t"};
    QRandomGenerator rng(9);
    const auto randomText = [&]() -> QVariant {
        if (rng.bounded(12) == 0)
            return QVariant();
        QString t;
        for (int k = int(rng.bounded(5)); k > 0; --k)
            t += pieces[int(rng.bounded(pieces.size()))];
        return t;
    };
    const QStringList names = {"A", "B", "C", "D", "E", "F", "N"};
    QList<FieldDef> defs;
    for (int i = 0; i < 6; ++i)
        defs.append({names[i], FieldType::String, 40});
    defs.append({"N", FieldType::LargeInt, 0});
    ClientDataSet ds(defs);
    ds.CreateDataSet();
    std::vector<QVariantList> rows;
    for (int i = 0; i < 6000; ++i) {
        QVariantList row;
        for (int f = 0; f < 6; ++f)
            row << randomText();
        row << (rng.bounded(10) == 0 ? QVariant() : QVariant::fromValue<qlonglong>(qlonglong(rng.bounded(200)) - 100));
        ds.Append();
        for (int f = 0; f < 7; ++f)
            ds.Fields(f).setValue(row[f]);
        ds.Post();
        rows.push_back(row);
    }
    const auto compare = [](const QVariant &a, const QVariant &b) {
        if (!a.isValid() || !b.isValid())
            return int(a.isValid()) - int(b.isValid());
        if (a.typeId() == QMetaType::QString)
            return a.toString().compare(b.toString());
        return a.toLongLong() < b.toLongLong() ? -1 : (a.toLongLong() > b.toLongLong() ? 1 : 0);
    };
    for (const QString index : {"A", "N", "A;N", "N;B;A", "A;B;C;D;E;F", "F;E;D;C;B;A;N"}) {
        SCOPED_TRACE(index.toStdString());
        std::vector<int> fields;
        for (const QString &n : index.split(';'))
            fields.push_back(int(names.indexOf(n)));
        std::vector<int> expected(rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i)
            expected[i] = int(i);
        std::stable_sort(expected.begin(), expected.end(), [&](int x, int y) {
            for (int f : fields) {
                const int c = compare(rows[std::size_t(x)][f], rows[std::size_t(y)][f]);
                if (c)
                    return c < 0;
            }
            return false;
        });
        ds.setIndexFieldNames(index);
        ASSERT_EQ(ds.RecordCount(), int(rows.size()));
        int n = 0;
        for (ds.First(); !ds.Eof(); ds.Next(), ++n) {
            const QVariantList &want = rows[std::size_t(expected[std::size_t(n)])];
            for (int f = 0; f < 7; ++f)
                ASSERT_EQ(compare(ds.Fields(f).Value(), want[f]), 0) << "record " << n << " field " << f;
        }
    }
}

} // namespace
