// Reading and writing the XML data packet that holds a table:
//
//   <?xml version="1.0" encoding="UTF-8" standalone="yes"?>
//   <DATAPACKET Version="2.0"><METADATA><FIELDS>
//   <FIELD attrname="ID" fieldtype="i4" readonly="true" SUBTYPE="Autoinc"/>
//   <FIELD attrname="Name" fieldtype="string" WIDTH="50"/>
//   <FIELD attrname="Comments" fieldtype="bin.hex" SUBTYPE="Text"/>
//   </FIELDS><PARAMS AUTOINCVALUE="2"/></METADATA><ROWDATA>
//   <ROW ID="1" Name="Holiday" Comments="first line&#10;second line"/>
//   </ROWDATA></DATAPACKET>
//
// A null value is an absent attribute. Texts are UTF-8 with the XML escapes;
// control characters are written as character references so that line breaks
// and tabs come back unchanged.
#include "TableData.h"

#include <pugixml.hpp>

#include <charconv>
#include <exception>
#include <functional>
#include <string_view>
#include <system_error>
#include <thread>
#include <cstdlib>
#include <cstring>

namespace orvane::table::detail {

namespace {

// ---------------------------------------------------------------- writing

// A growable byte buffer; appends without zero-filling.
class Out {
public:
    explicit Out(std::size_t reserve) { m_s.reserve(reserve); }
    void put(char c) { m_s.push_back(c); }
    void put(const char *s) { m_s.append(s); }
    void put(const char *s, std::size_t n) { m_s.append(s, n); }
    void putInt(qint64 v)
    {
        char buf[24];
        auto r = std::to_chars(buf, buf + sizeof buf, v);
        m_s.append(buf, r.ptr);
    }
    // UTF-16 to UTF-8 with the escapes an attribute value needs.
    void putEscaped(const QString &text)
    {
        const char16_t *p = reinterpret_cast<const char16_t *>(text.utf16());
        const qsizetype n = text.size();
        // Worst case six bytes per code unit ("&quot;", "&#31;").
        const std::size_t start = m_s.size();
        m_s.resize(start + std::size_t(n) * 6);
        char *o = m_s.data() + start;
        for (qsizetype i = 0; i < n; ++i) {
            const char16_t c = p[i];
            if (c < 0x80) {
                switch (c) {
                case '&': std::memcpy(o, "&amp;", 5); o += 5; break;
                case '<': std::memcpy(o, "&lt;", 4); o += 4; break;
                case '>': std::memcpy(o, "&gt;", 4); o += 4; break;
                case '"': std::memcpy(o, "&quot;", 6); o += 6; break;
                default:
                    if (c < 0x20) {
                        *o++ = '&';
                        *o++ = '#';
                        if (c >= 10)
                            *o++ = char('0' + c / 10);
                        *o++ = char('0' + c % 10);
                        *o++ = ';';
                    } else {
                        *o++ = char(c);
                    }
                }
            } else if (c < 0x800) {
                *o++ = char(0xC0 | (c >> 6));
                *o++ = char(0x80 | (c & 0x3F));
            } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && p[i + 1] >= 0xDC00 && p[i + 1] <= 0xDFFF) {
                const char32_t u = 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(p[i + 1]) - 0xDC00);
                ++i;
                *o++ = char(0xF0 | (u >> 18));
                *o++ = char(0x80 | ((u >> 12) & 0x3F));
                *o++ = char(0x80 | ((u >> 6) & 0x3F));
                *o++ = char(0x80 | (u & 0x3F));
            } else {
                // A lone surrogate cannot be written as UTF-8: U+FFFD.
                const char16_t u = (c >= 0xD800 && c <= 0xDFFF) ? char16_t(0xFFFD) : c;
                *o++ = char(0xE0 | (u >> 12));
                *o++ = char(0x80 | ((u >> 6) & 0x3F));
                *o++ = char(0x80 | (u & 0x3F));
            }
        }
        m_s.resize(std::size_t(o - m_s.data()));
    }
    std::string take() { return std::move(m_s); }

private:
    std::string m_s;
};

const char *typeAttributes(const FieldDef &def)
{
    switch (def.type) {
    case FieldType::AutoInc: return "fieldtype=\"i4\" readonly=\"true\" SUBTYPE=\"Autoinc\"";
    case FieldType::String: return "fieldtype=\"string\"";
    case FieldType::Memo: return "fieldtype=\"bin.hex\" SUBTYPE=\"Text\"";
    case FieldType::SmallInt: return "fieldtype=\"i2\"";
    case FieldType::Integer: return "fieldtype=\"i4\"";
    case FieldType::LargeInt: return "fieldtype=\"i8\"";
    case FieldType::Boolean: return "fieldtype=\"boolean\"";
    }
    return "";
}

// ---------------------------------------------------------------- reading

// ASCII comparison without case, for the fixed words of the format.
bool sameWord(const char *a, const char *b)
{
    for (; *a && *b; ++a, ++b) {
        char x = *a, y = *b;
        if (x >= 'a' && x <= 'z')
            x = char(x - 32);
        if (y >= 'a' && y <= 'z')
            y = char(y - 32);
        if (x != y)
            return false;
    }
    return *a == *b;
}

[[noreturn]] void fail(const QString &source, const QString &reason) { throw FileFormatError(source, reason); }

bool parseInteger(const char *s, qint64 &out)
{
    const std::size_t n = std::strlen(s);
    if (n == 0)
        return false;
    auto r = std::from_chars(s, s + n, out);
    return r.ec == std::errc() && r.ptr == s + n;
}

bool parseBoolean(const char *s, qint64 &out)
{
    if (sameWord(s, "TRUE") || !std::strcmp(s, "1")) {
        out = 1;
        return true;
    }
    if (sameWord(s, "FALSE") || !std::strcmp(s, "0")) {
        out = 0;
        return true;
    }
    return false;
}

FieldDef readFieldDef(const pugi::xml_node &node, const QString &source)
{
    FieldDef def;
    def.name = QString::fromUtf8(node.attribute("attrname").value());
    if (def.name.isEmpty())
        fail(source, QStringLiteral("a field definition has no name"));
    const char *type = node.attribute("fieldtype").value();
    const char *subtype = node.attribute("SUBTYPE").value();
    if (!std::strcmp(type, "i4"))
        def.type = sameWord(subtype, "Autoinc") ? FieldType::AutoInc : FieldType::Integer;
    else if (!std::strcmp(type, "string") || !std::strcmp(type, "string.uni"))
        def.type = FieldType::String;
    else if (!std::strcmp(type, "bin.hex") && (sameWord(subtype, "Text") || sameWord(subtype, "WideText")))
        def.type = FieldType::Memo;
    else if (!std::strcmp(type, "i2"))
        def.type = FieldType::SmallInt;
    else if (!std::strcmp(type, "i8"))
        def.type = FieldType::LargeInt;
    else if (!std::strcmp(type, "boolean"))
        def.type = FieldType::Boolean;
    else
        fail(source, QStringLiteral("field '%1' has the unsupported type '%2'").arg(def.name, QString::fromUtf8(type)));
    if (def.type == FieldType::String) {
        const pugi::xml_attribute width = node.attribute("WIDTH");
        if (width) {
            qint64 w = 0;
            if (!parseInteger(width.value(), w) || w < 0 || w > 1'000'000'000)
                fail(source, QStringLiteral("field '%1' has the invalid width '%2'").arg(def.name, QString::fromUtf8(width.value())));
            def.size = int(w);
        }
    }
    return def;
}

// Short texts repeat a lot in a column (record types, list names, groups):
// a small cache per column shares one QString for equal texts, which saves
// both time and memory. A column whose texts do not repeat switches it off.
class TextCache {
public:
    QString get(const char *s, std::size_t n)
    {
        if (!m_enabled || n > 40)
            return QString::fromUtf8(s, qsizetype(n));
        std::uint32_t h = 2166136261u;
        for (std::size_t i = 0; i < n; ++i)
            h = (h ^ std::uint8_t(s[i])) * 16777619u;
        Entry &e = m_entries[h & (Size - 1)];
        if (e.filled && e.key.size() == n && std::memcmp(e.key.data(), s, n) == 0) {
            ++m_hits;
            return e.value;
        }
        if (++m_misses == 512 && m_hits < 256)
            m_enabled = false;
        e.filled = true;
        e.key.assign(s, n);
        e.value = QString::fromUtf8(s, qsizetype(n));
        return e.value;
    }

private:
    static constexpr std::size_t Size = 64;
    struct Entry {
        bool filled = false;
        std::string key;
        QString value;
    };
    Entry m_entries[Size];
    unsigned m_hits = 0;
    unsigned m_misses = 0;
    bool m_enabled = true;
};

} // namespace

void validateDefs(const QList<FieldDef> &defs)
{
    if (defs.size() > 4096)
        throw TableError(QStringLiteral("Too many fields (%1)").arg(defs.size()));
    int autoIncs = 0;
    for (qsizetype i = 0; i < defs.size(); ++i) {
        const FieldDef &def = defs[i];
        const QString &name = def.name;
        bool valid = !name.isEmpty() && (name[0].isLetter() || name[0] == u'_');
        for (QChar c : name)
            valid = valid && (c.isLetterOrNumber() || c == u'_' || c == u'-' || c == u'.');
        if (!valid)
            throw TableError(QStringLiteral("Invalid field name '%1'").arg(name));
        for (qsizetype j = 0; j < i; ++j) {
            if (defs[j].name.compare(name, Qt::CaseInsensitive) == 0)
                throw TableError(QStringLiteral("Duplicate field name '%1'").arg(name));
        }
        if (def.size < 0)
            throw TableError(QStringLiteral("Field '%1' has a negative size").arg(name));
        if (def.type == FieldType::AutoInc && ++autoIncs > 1)
            throw TableError(QStringLiteral("More than one auto-increment field ('%1')").arg(name));
    }
}

std::string writeDataPacket(const QList<FieldDef> &defs, const std::vector<Cell> &cells,
                            const std::vector<std::uint32_t> &rowOrder, qint64 nextAutoInc)
{
    const std::size_t nf = std::size_t(defs.size());
    // Attribute prefixes " Name=\"" once per field.
    std::vector<std::string> prefix(nf);
    std::size_t estimate = 256;
    for (std::size_t f = 0; f < nf; ++f) {
        prefix[f] = " " + defs[qsizetype(f)].name.toStdString() + "=\"";
        estimate += prefix[f].size() + 8;
    }
    Out out(estimate * (rowOrder.size() + 1) + 64 * rowOrder.size());
    out.put("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
            "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>\n");
    for (const FieldDef &def : defs) {
        out.put("<FIELD attrname=\"");
        out.putEscaped(def.name);
        out.put("\" ");
        out.put(typeAttributes(def));
        if (def.type == FieldType::String) {
            out.put(" WIDTH=\"");
            out.putInt(def.size);
            out.put('"');
        }
        out.put("/>\n");
    }
    out.put("</FIELDS><PARAMS AUTOINCVALUE=\"");
    out.putInt(nextAutoInc);
    out.put("\"/></METADATA><ROWDATA>\n");
    for (std::uint32_t row : rowOrder) {
        out.put("<ROW", 4);
        const Cell *c = cells.data() + std::size_t(row) * nf;
        for (std::size_t f = 0; f < nf; ++f) {
            if (c[f].index() == 0)
                continue;
            out.put(prefix[f].data(), prefix[f].size());
            if (c[f].index() == 1) {
                const qint64 v = std::get<1>(c[f]);
                if (defs[qsizetype(f)].type == FieldType::Boolean)
                    out.put(v ? "TRUE" : "FALSE");
                else
                    out.putInt(v);
            } else {
                out.putEscaped(std::get<2>(c[f]));
            }
            out.put('"');
        }
        out.put("/>\n", 3);
    }
    out.put("</ROWDATA></DATAPACKET>\n");
    return out.take();
}

namespace {

// What the rows are read with: the field names as UTF-8 and the types.
struct Schema {
    QList<FieldDef> defs;
    std::vector<std::string> names;
    std::vector<FieldType> types;
    int autoInc = -1;
};

// Reads the definitions and the numbering counter from the document element.
void readHeader(const pugi::xml_node &root, const QString &source, Content &content, Schema &schema)
{
    if (std::strcmp(root.name(), "DATAPACKET") != 0)
        fail(source, QStringLiteral("not a table file (no DATAPACKET element)"));
    const pugi::xml_node meta = root.child("METADATA");
    const pugi::xml_node fields = meta.child("FIELDS");
    if (!fields)
        fail(source, QStringLiteral("the field definitions are missing"));
    for (pugi::xml_node node = fields.child("FIELD"); node; node = node.next_sibling("FIELD"))
        content.defs.append(readFieldDef(node, source));
    if (content.defs.isEmpty())
        fail(source, QStringLiteral("the table has no fields"));
    try {
        validateDefs(content.defs);
    } catch (const TableError &e) {
        fail(source, e.message());
    }
    schema.defs = content.defs;
    const std::size_t nf = std::size_t(content.defs.size());
    schema.names.resize(nf);
    schema.types.resize(nf);
    for (std::size_t f = 0; f < nf; ++f) {
        schema.names[f] = content.defs[qsizetype(f)].name.toStdString();
        schema.types[f] = content.defs[qsizetype(f)].type;
        if (schema.types[f] == FieldType::AutoInc)
            schema.autoInc = int(f);
    }
    content.nextAutoInc = 1;
    if (const pugi::xml_attribute a = meta.child("PARAMS").attribute("AUTOINCVALUE")) {
        if (!parseInteger(a.value(), content.nextAutoInc) || content.nextAutoInc < 1 ||
            content.nextAutoInc > qint64(INT32_MAX) + 1)
            fail(source, QStringLiteral("invalid AUTOINCVALUE '%1'").arg(QString::fromUtf8(a.value())));
    }
}

// A field name against an attribute name (NUL-terminated), without strlen.
inline bool sameName(const std::string &field, const char *name)
{
    const char *p = field.c_str();
    while (*p && *p == *name) {
        ++p;
        ++name;
    }
    return *p == *name;
}

// The outcome of converting a run of rows.
struct RowsResult {
    std::size_t failedRow = SIZE_MAX; // 0-based row of the first bad value
    QString failure;
    qint64 maxId = 0;
    std::exception_ptr exception; // anything else (out of memory)
};

// Converts ROW elements into cells; out points at the first row's cells.
void convertRows(const Schema &schema, pugi::xml_node row, std::size_t count, std::size_t firstRow, Cell *out,
                 RowsResult &result, std::vector<TextCache> &caches) noexcept
{
    try {
        const std::size_t nf = schema.names.size();
        // Texts of the current row, so that a row repeating a text (a search
        // word equal to the name) shares it.
        struct Seen {
            const char *value;
            std::size_t size;
            std::size_t field;
        };
        std::vector<Seen> seen;
        seen.reserve(nf);
        for (std::size_t r = 0; r < count; ++r, row = row.next_sibling("ROW")) {
            Cell *cells = out + r * nf;
            seen.clear();
            std::size_t expect = 0; // attributes usually come in field order
            for (pugi::xml_attribute a = row.first_attribute(); a; a = a.next_attribute()) {
                const char *name = a.name();
                std::size_t f = nf;
                if (expect < nf && sameName(schema.names[expect], name)) {
                    f = expect;
                } else {
                    for (std::size_t k = 0; k < nf; ++k) {
                        if (sameName(schema.names[k], name)) {
                            f = k;
                            break;
                        }
                    }
                }
                if (f == nf)
                    continue; // RowState and other attributes that are not fields
                expect = f + 1;
                const char *value = a.value();
                const FieldType type = schema.types[f];
                if (isTextType(type)) {
                    const std::size_t size = std::strlen(value);
                    bool shared = false;
                    for (const Seen &other : seen) {
                        if (other.size == size && size > 0 && other.field != f && std::memcmp(other.value, value, size) == 0) {
                            cells[f] = cells[other.field];
                            shared = true;
                            break;
                        }
                    }
                    if (!shared)
                        cells[f] = caches[f].get(value, size);
                    seen.push_back({value, size, f});
                    continue;
                }
                qint64 v = 0;
                bool ok = type == FieldType::Boolean ? parseBoolean(value, v) : parseInteger(value, v);
                if (ok && type == FieldType::SmallInt)
                    ok = v >= INT16_MIN && v <= INT16_MAX;
                else if (ok && (type == FieldType::Integer || type == FieldType::AutoInc))
                    ok = v >= INT32_MIN && v <= INT32_MAX;
                if (!ok) {
                    result.failedRow = firstRow + r;
                    result.failure = QStringLiteral("row %1: '%2' is not a valid value for field '%3'")
                                         .arg(firstRow + r + 1)
                                         .arg(QString::fromUtf8(value), schema.defs[qsizetype(f)].name);
                    return;
                }
                cells[f] = v;
                if (int(f) == schema.autoInc && v > result.maxId)
                    result.maxId = v;
            }
        }
    } catch (...) {
        result.exception = std::current_exception();
    }
}

// Runs work(0) .. work(n - 1), all but the first on threads of their own.
void runParallel(std::size_t n, const std::function<void(std::size_t)> &work)
{
    if (n == 0)
        return;
    std::vector<std::thread> threads;
    for (std::size_t i = 1; i < n; ++i) {
        try {
            threads.emplace_back(work, i);
        } catch (const std::system_error &) {
            work(i); // no thread to be had: do it here
        }
    }
    work(0);
    for (std::thread &t : threads)
        t.join();
}

// Reports the first failure of converted runs (in row order) and takes the
// highest auto-increment value.
void collectResults(const Schema &schema, const std::vector<RowsResult> &results, const QString &source, Content &content)
{
    for (const RowsResult &r : results) {
        if (r.exception)
            std::rethrow_exception(r.exception);
        if (r.failedRow != SIZE_MAX)
            fail(source, r.failure);
        if (schema.autoInc >= 0 && r.maxId >= content.nextAutoInc)
            content.nextAutoInc = r.maxId + 1;
    }
}

Content parseWhole(char *data, std::size_t size, const QString &source, std::size_t threads)
{
    pugi::xml_document doc;
    // Only escapes: line breaks and tabs inside values stay as they are.
    const pugi::xml_parse_result parsed = doc.load_buffer_inplace(data, size, pugi::parse_escapes, pugi::encoding_auto);
    if (!parsed)
        fail(source, QStringLiteral("%1 at byte %2").arg(QString::fromUtf8(parsed.description())).arg(parsed.offset));
    Content content;
    Schema schema;
    readHeader(doc.document_element(), source, content, schema);
    std::vector<pugi::xml_node> rows;
    for (pugi::xml_node row = doc.document_element().child("ROWDATA").child("ROW"); row; row = row.next_sibling("ROW"))
        rows.push_back(row);
    const std::size_t nf = schema.names.size();
    content.rowCount = rows.size();
    content.cells.reserve(rows.size() * nf);
    adviseLargePages(content.cells.data(), content.cells.capacity() * sizeof(Cell));
    content.cells.resize(rows.size() * nf);
    // Runs of rows converted on separate threads.
    const std::size_t runs = std::max<std::size_t>(1, std::min(threads, rows.size()));
    std::vector<RowsResult> results(runs);
    runParallel(runs, [&](std::size_t t) {
        const std::size_t lo = rows.size() * t / runs, hi = rows.size() * (t + 1) / runs;
        std::vector<TextCache> caches(nf);
        if (hi > lo)
            convertRows(schema, rows[lo], hi - lo, lo, content.cells.data() + lo * nf, results[t], caches);
    });
    collectResults(schema, results, source, content);
    return content;
}

bool isTagEnd(char c) { return c == ' ' || c == '/' || c == '>' || c == '\t' || c == '\r' || c == '\n'; }

// Large packets are read in chunks of rows: the text between "<ROWDATA>" and
// "</ROWDATA>" is cut before "<ROW" tags, and each chunk is parsed as a
// fragment into a document that is reused, on a few threads. Small documents
// stay in the cache and the memory is reused, which makes this much faster
// than one document for the whole file. It is taken only where it reads
// exactly what a whole-document parse reads: UTF-8, no NUL byte, nothing but
// element tags (no comments, CDATA, doctype or processing instructions), a
// single ROWDATA, every chunk balanced and holding as many top-level rows as
// its text has "<ROW" tags. Otherwise the whole document is parsed instead.
bool parseInParts(const char *data, std::size_t size, const QString &source, const ParseOptions &options, Content &out)
{
    std::string_view text(data, size);
    // The whole-document parse ends at a NUL byte; a chunk would read past it.
    if (std::memchr(data, 0, size))
        return false;
    std::size_t begin = 0;
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        begin = 3;
    if (text.substr(begin, 5) == "<?xml") {
        const std::size_t end = text.find("?>", begin);
        if (end == std::string_view::npos)
            return false;
        const std::string_view decl = text.substr(begin, end - begin);
        const std::size_t enc = decl.find("encoding");
        if (enc != std::string_view::npos) {
            const std::string_view value = decl.substr(enc + 8);
            const std::size_t q = value.find_first_of("\"'");
            if (q == std::string_view::npos || !sameWord(std::string(value.substr(q + 1, 5)).c_str(), "UTF-8"))
                return false;
        }
        begin = end + 2;
    } else if (text.substr(begin, 1) != "<") {
        return false; // maybe another encoding: the whole-document parse decides
    }
    const std::size_t rowEnd = text.rfind("</ROWDATA>");
    if (rowEnd == std::string_view::npos)
        return false;
    std::size_t rowStart = std::string_view::npos;
    std::vector<std::size_t> cuts;      // chunk starts, then rowEnd
    std::vector<std::size_t> expected;  // "<ROW" tags per chunk
    std::size_t tags = 0;
    for (std::size_t i = text.find('<', begin); i != std::string_view::npos; i = text.find('<', i + 1)) {
        const char next = i + 1 < size ? text[i + 1] : '\0';
        // Only element tags, and no stray "<" whose reading depends on what follows.
        const bool tag = (next >= 'A' && next <= 'Z') || (next >= 'a' && next <= 'z') || next == '_' || next == ':' ||
                         next == '/' || static_cast<unsigned char>(next) >= 0x80;
        if (!tag)
            return false;
        if (next != 'R')
            continue;
        if (text.substr(i, 8) == "<ROWDATA") {
            if (rowStart != std::string_view::npos || text.substr(i, 9) != "<ROWDATA>")
                return false;
            rowStart = i + 9;
            cuts.push_back(rowStart);
            expected.push_back(0);
            continue;
        }
        if (rowStart == std::string_view::npos || i >= rowEnd || text.substr(i, 4) != "<ROW" || i + 4 >= size ||
            !isTagEnd(text[i + 4]))
            continue;
        if (i - cuts.back() >= options.minPartBytes && expected.back() > 0) {
            cuts.push_back(i);
            expected.push_back(0);
        }
        ++expected.back();
        ++tags;
    }
    if (rowStart == std::string_view::npos || rowEnd < rowStart)
        return false;
    cuts.push_back(rowEnd);
    const std::size_t chunks = expected.size();
    const std::size_t threads = std::max<std::size_t>(1, std::min<std::size_t>(std::size_t(std::max(options.maxParts, 1)), chunks));

    // The document without its rows gives the definitions.
    std::string skeleton;
    skeleton.reserve(rowStart + (size - rowEnd));
    skeleton.append(data, rowStart).append(data + rowEnd, size - rowEnd);
    pugi::xml_document head;
    if (!head.load_buffer_inplace(skeleton.data(), skeleton.size(), pugi::parse_escapes, pugi::encoding_utf8))
        return false;
    if (!head.document_element().child("ROWDATA"))
        return false;
    Content content;
    Schema schema;
    readHeader(head.document_element(), source, content, schema);

    const std::size_t nf = schema.names.size();
    std::vector<std::size_t> firstRow(chunks + 1, 0);
    for (std::size_t c = 0; c < chunks; ++c)
        firstRow[c + 1] = firstRow[c] + expected[c];
    content.rowCount = tags;
    content.cells.reserve(tags * nf);
    adviseLargePages(content.cells.data(), content.cells.capacity() * sizeof(Cell));
    content.cells.resize(tags * nf);
    std::vector<RowsResult> results(chunks);
    std::vector<char> balanced(chunks, 0);
    runParallel(threads, [&](std::size_t t) {
        std::string buffer;
        pugi::xml_document doc;
        std::vector<TextCache> caches(nf);
        for (std::size_t c = chunks * t / threads; c < chunks * (t + 1) / threads; ++c) {
            try {
                // A NUL after the chunk ends the input there. (Parsed in place
                // without it, the last character would be dropped.)
                buffer.assign(data + cuts[c], cuts[c + 1] - cuts[c]);
                buffer.push_back('\0');
                doc.reset();
                if (!doc.load_buffer_inplace(buffer.data(), buffer.size(), pugi::parse_escapes | pugi::parse_fragment,
                                             pugi::encoding_utf8))
                    return;
                std::size_t count = 0;
                for (pugi::xml_node row = doc.child("ROW"); row; row = row.next_sibling("ROW"))
                    ++count;
                if (count != expected[c])
                    return;
                balanced[c] = 1;
                if (count)
                    convertRows(schema, doc.child("ROW"), count, firstRow[c], content.cells.data() + firstRow[c] * nf,
                                results[c], caches);
            } catch (...) {
                return;
            }
        }
    });
    for (char ok : balanced) {
        if (!ok)
            return false;
    }
    collectResults(schema, results, source, content);
    content.readInChunks = true;
    out = std::move(content);
    return true;
}

} // namespace

Content parseDataPacket(char *data, std::size_t size, const QString &source, const ParseOptions &options)
{
    if (size == 0)
        fail(source, QStringLiteral("the file is empty"));
    Content content;
    if (size >= options.minSplitBytes && parseInParts(data, size, source, options, content))
        return content;
    return parseWhole(data, size, source, size >= options.minSplitBytes ? std::size_t(std::max(options.maxParts, 1)) : 1);
}

} // namespace orvane::table::detail
