#pragma once
// The table store: an in-memory table with typed fields, kept in one file.
//
// Every table of the program (options, organizer, groups, slide shows, mail
// accounts, transfer packages) is a ClientDataSet. A table has an ordered list
// of field definitions, rows of values, a sort order (IndexFieldNames), an
// equality filter and a cursor over the filtered, sorted view. The file is the
// client dataset's XML data packet (DATAPACKET / METADATA / ROWDATA, UTF-8)
// holding the definitions and the rows together; it is always replaced
// atomically (temporary file in the same folder, flushed, then renamed).
//
// Rules callers rely on:
// - Fields are addressed by position (0-based) or by name (case-insensitive).
//   A field never given a value reads as null (an invalid QVariant).
// - A text longer than its field's width is kept whole, never cut: the width
//   is stored with the definition but does not shorten data.
// - Moving to another record (First, Next, Prior, Last, setRecNo, Locate) and
//   changing the view (setIndexFieldNames, setFilter, setFiltered, Append)
//   first posts a record that is in edit or insert state.
// - Writing a field while the table is neither in edit nor in insert state
//   throws NotEditingError ("Dataset not in edit or insert mode").
// - Close discards an unposted edit, then writes the table to FileName (when
//   set). An empty table created and closed leaves a valid file with no rows.
// - Strings compare case-sensitively by character code (UTF-16 code unit), in
//   sorting, filters and Locate alike. Sorting is stable (ties keep the order
//   of insertion) and nulls sort first.
// - Nothing here deletes a user's file. A file that cannot be read throws
//   FileFormatError naming the file and leaves the table as it was.
#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <functional>
#include <memory>
#include <stdexcept>

namespace orvane::table {

enum class FieldType {
    AutoInc,  // integer numbered by the table at the first post; read-only
    String,   // text with a declared width (kept whole when longer)
    Memo,     // text without width
    SmallInt, // 16-bit integer
    Integer,  // 32-bit integer
    LargeInt, // 64-bit integer
    Boolean,
};

struct FieldDef {
    QString name;
    FieldType type = FieldType::String;
    int size = 0; // width of a String field; 0 for the other types

    bool operator==(const FieldDef &) const = default;
};

enum class DataSetState { Inactive, Browse, Edit, Insert };

// Every error of the store. what() is the UTF-8 message.
class TableError : public std::runtime_error {
public:
    explicit TableError(const QString &message);
    QString message() const { return QString::fromUtf8(what()); }
};

// A field was written while the table was in neither edit nor insert state.
class NotEditingError : public TableError {
public:
    NotEditingError();
};

// A table file (or data packet) that cannot be read as a table.
class FileFormatError : public TableError {
public:
    FileFormatError(const QString &fileName, const QString &reason);
    QString fileName() const { return m_fileName; }
    QString reason() const { return m_reason; }

private:
    QString m_fileName;
    QString m_reason;
};

class ClientDataSet;

// A handle on one field of a table: reads and writes the current record.
// Cheap to copy; valid as long as its table and its field definitions live.
class Field {
public:
    Field(ClientDataSet *dataSet, int index) : m_dataSet(dataSet), m_index(index) {}

    int Index() const { return m_index; }
    QString FieldName() const;
    FieldType DataType() const;
    int Size() const;

    QVariant Value() const;              // null: an invalid QVariant
    void setValue(const QVariant &value); // an invalid QVariant makes the field null
    bool IsNull() const;
    void Clear() { setValue(QVariant()); }

    // Conversions as the platform's fields do them: null reads as "", 0 or
    // false; a text that is not a number throws TableError for AsInteger.
    QString AsString() const;
    void setAsString(const QString &value) { setValue(value); }
    int AsInteger() const;
    void setAsInteger(int value) { setValue(value); }
    qint64 AsLargeInt() const;
    void setAsLargeInt(qint64 value) { setValue(QVariant::fromValue<qlonglong>(value)); }
    bool AsBoolean() const;
    void setAsBoolean(bool value) { setValue(value); }

private:
    ClientDataSet *m_dataSet;
    int m_index;
};

class ClientDataSet {
public:
    using Event = std::function<void(ClientDataSet &)>;

    ClientDataSet();
    explicit ClientDataSet(const QList<FieldDef> &fieldDefs);
    // Closes the table (writing it to FileName when set); errors are swallowed.
    ~ClientDataSet();
    ClientDataSet(const ClientDataSet &) = delete;
    ClientDataSet &operator=(const ClientDataSet &) = delete;

    // --- Field definitions (used by CreateDataSet; Open replaces them by the file's)
    void AddFieldDef(const QString &name, FieldType type, int size = 0);
    void setFieldDefs(const QList<FieldDef> &fieldDefs);
    const QList<FieldDef> &FieldDefs() const;
    void ClearFieldDefs();

    // --- File
    void setFileName(const QString &fileName);
    QString FileName() const;
    // A new, empty, open table from the field definitions. Throws when open.
    void CreateDataSet();
    // Loads FileName. Does nothing when open already. Throws TableError when the
    // file is missing, FileFormatError when it cannot be read.
    void Open();
    // Discards an unposted edit, writes the table to FileName when set (only
    // when something changed or the file is not what was last read or written),
    // then frees the rows. When the write fails the table stays open and throws.
    void Close();
    bool Active() const;
    void setActive(bool active) { active ? Open() : Close(); }
    // Open when the file exists (returns true), else CreateDataSet (false).
    bool OpenOrCreate();
    // Writes the posted rows to FileName now (an unposted edit stays pending).
    void SaveToFile();
    // Writes the posted rows to another file (a backup); FileName is unchanged.
    void SaveToFile(const QString &fileName);
    // Replaces definitions and rows by those of another table file; the table
    // becomes open on its first record. FileName is unchanged. On error the
    // table is left as it was.
    void LoadFromFile(const QString &fileName);
    // The table as a data packet in memory, and loading from one (like LoadFromFile).
    QByteArray XMLData() const;
    void setXMLData(const QByteArray &data);
    // Removes every row (the auto-increment numbering goes on).
    void EmptyDataSet();
    // Renames an unreadable table file to "<name>.bad" (or "<name>.bad2", ...)
    // so that a new table can take its place; returns the new name, or an
    // empty string when there was nothing to move or the rename failed.
    static QString SetAsideUnreadableFile(const QString &fileName);

    // --- Sort order and filter
    // Field names joined by ";" ("ID", "RecordType;LinkName;Path"); empty: the
    // order of insertion. The current record stays current.
    void setIndexFieldNames(const QString &names);
    QString IndexFieldNames() const;
    // "[Field] = 'text'" terms joined by " AND "; a value is a quoted string
    // (inner quotes doubled), a whole number, True or False. Empty: every
    // record. The cursor goes to the first record of the new view.
    void setFilter(const QString &filter);
    QString Filter() const;
    void setFiltered(bool filtered); // true by default
    bool Filtered() const;
    // 'text' with every inner quote doubled, ready for a filter.
    static QString QuotedStr(const QString &text);

    // --- Navigation over the filtered, sorted view
    void First();
    void Last();
    void Next();
    void Prior();
    bool Eof() const;
    bool Bof() const;
    bool IsEmpty() const { return RecordCount() == 0; }
    int RecordCount() const;   // records in the view (without an unposted insert)
    int RecNo() const;         // 1-based position; -1 when empty or inserting
    void setRecNo(int recNo);  // clamped to the view
    // Fields joined by ";" with one value each; exact, case-sensitive match.
    // True when found: the first matching record of the view becomes current.
    bool Locate(const QString &keyFields, const QVariantList &keyValues);

    // --- Editing
    DataSetState State() const;
    void Append();   // a new record in insert state; OnNewRecord runs
    void Insert() { Append(); } // the position follows from the sort order
    void Edit();     // the current record into edit state (on an empty view: Append)
    void Post();     // BeforePost runs first and may throw to refuse; nothing in browse state
    void Cancel();   // drops the unposted changes
    void Delete();   // deletes the current record (in insert state: Cancel)
    bool Modified() const; // the pending record has a changed field

    // --- Values of the current record
    int FieldCount() const;
    Field Fields(int index);          // throws TableError for a bad position
    Field FieldByName(const QString &name); // throws TableError "Field 'x' not found"
    int FieldIndex(const QString &name) const; // -1 when there is none
    QVariant Value(int field) const;
    void setValue(int field, const QVariant &value);
    bool IsNull(int field) const;
    // A value of the view's row (0-based) without moving the cursor, for views
    // such as grids.
    QVariant ViewValue(int row, int field) const;

    // --- Events
    Event BeforePost;   // before a record is posted; throw to keep it pending
    Event OnNewRecord;  // after Append has made the new record
    Event AfterScroll;  // after the current record changed by navigation
    Event OnDataChange; // after rows, order, filter or activity changed

    // Called after the temporary file is complete and before it replaces the
    // target; throwing here aborts the save (the target stays as it was).
    // For tests of interrupted saves.
    std::function<void(const QString &tempPath)> BeforeReplaceFile;

    struct Data; // the implementation's state (opaque)

private:
    friend class Field;
    std::unique_ptr<Data> d;

    void checkActive() const;
    void checkBrowseMode();
    void scrolled();
    void changed();
    void activate();
    void writeFile(const QString &fileName, bool isOwnFile);
};

} // namespace orvane::table
