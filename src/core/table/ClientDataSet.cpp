// The table: rows in insertion order, a sorted order of the live rows, the
// filtered view (a subsequence of the order), the cursor and the edit buffer.
//
// Rows never move while the table is open (deleted rows are marked, and the
// storage is compacted now and then), so a row number identifies a row. The
// order compares the index fields and then the row number, which makes every
// sort stable and lets a row be found in the order by binary search.
#include "ClientDataSet.h"
#include "TableData.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <QHash>

#include <algorithm>
#include <bit>

namespace orvane::table {

using detail::Cell;
using detail::compareCells;


// Sorts the indexes of distinct texts by text (UTF-16 code unit order). A
// multikey radix sort: each pass skips the prefix its texts share and sorts
// on the next three code units, so long shared beginnings such as the folders
// of paths are read once per pass instead of at every comparison.
void sortDistinctTexts(const std::vector<QStringView> &values, std::vector<std::uint32_t> &idx)
{
    struct Job {
        std::size_t lo, hi, depth;
    };
    struct Item {
        std::uint64_t key;
        std::uint32_t index;
        bool operator<(const Item &o) const { return key < o.key; }
    };
    // Three code units from `depth`, each as unit + 1 in 17 bits; 0 marks the end.
    const auto keyAt = [&](std::uint32_t i, std::size_t depth) {
        const QStringView v = values[i];
        std::uint64_t key = 0;
        for (std::size_t k = 0; k < 3; ++k) {
            const std::size_t p = depth + k;
            key = (key << 17) | (p < std::size_t(v.size()) ? std::uint64_t(v[qsizetype(p)].unicode()) + 1 : 0);
        }
        return key;
    };
    std::vector<Job> jobs{{0, idx.size(), 0}};
    std::vector<Item> items;
    while (!jobs.empty()) {
        const Job job = jobs.back();
        jobs.pop_back();
        const std::size_t n = job.hi - job.lo;
        if (n < 2)
            continue;
        if (n <= 32) {
            std::sort(idx.begin() + std::ptrdiff_t(job.lo), idx.begin() + std::ptrdiff_t(job.hi),
                      [&](std::uint32_t a, std::uint32_t b) { return values[a].mid(qsizetype(job.depth)) < values[b].mid(qsizetype(job.depth)); });
            continue;
        }
        // The prefix all texts of the job share beyond depth.
        const QStringView first = values[idx[job.lo]];
        std::size_t common = std::size_t(first.size()) - job.depth;
        for (std::size_t i = job.lo + 1; i < job.hi && common > 0; ++i) {
            const QStringView v = values[idx[i]];
            const std::size_t limit = std::min(common, std::size_t(v.size()) - job.depth);
            std::size_t k = 0;
            while (k < limit && v[qsizetype(job.depth + k)] == first[qsizetype(job.depth + k)])
                ++k;
            common = k;
        }
        const std::size_t depth = job.depth + common;
        items.clear();
        for (std::size_t i = job.lo; i < job.hi; ++i)
            items.push_back({keyAt(idx[i], depth), idx[i]});
        std::sort(items.begin(), items.end());
        for (std::size_t i = 0; i < n; ++i)
            idx[job.lo + i] = items[i].index;
        // Texts equal in these three units and longer than them: next pass.
        for (std::size_t a = 0; a < n;) {
            std::size_t b = a + 1;
            while (b < n && items[b].key == items[a].key)
                ++b;
            if (b - a > 1 && (items[a].key & 0x1FFFF) != 0)
                jobs.push_back({job.lo + a, job.lo + b, depth + 3});
            a = b;
        }
    }
}

struct ClientDataSet::Data {
    QList<FieldDef> defs;
    QString fileName;
    bool active = false;
    DataSetState state = DataSetState::Inactive;

    // Rows, row by row, defs.size() cells each; deleted rows are marked.
    std::vector<Cell> cells;
    std::vector<std::uint8_t> deleted;
    std::size_t rows = 0;
    std::size_t deletedCount = 0;
    qint64 nextAutoInc = 1;
    int autoIncField = -1;

    QString indexNames;
    std::vector<int> indexFields;
    QString locateNames;
    std::vector<int> locateFields;
    QString filterText;
    std::vector<detail::FilterTerm> filterParsed;
    std::vector<std::pair<int, Cell>> filterTerms;
    bool filtered = true;
    bool filterOn = false;

    std::vector<std::uint32_t> order; // live rows, sorted
    std::vector<std::uint32_t> view;  // the rows passing the filter, sorted (when filterOn)
    int pos = -1;
    bool bof = true;
    bool eof = true;

    std::vector<Cell> buffer; // the record in edit or insert state
    std::uint32_t editRow = 0;
    bool modified = false;

    // Whether the rows differ from the file last read or written, and that
    // file's identity then.
    bool dirty = false;
    QString knownFile;
    qint64 knownSize = -1;
    QDateTime knownTime;

    int nf() const { return int(defs.size()); }
    const Cell &cell(std::uint32_t row, int f) const { return cells[std::size_t(row) * std::size_t(nf()) + std::size_t(f)]; }
    const std::vector<std::uint32_t> &rowsInView() const { return filterOn ? view : order; }
    bool editing() const { return state == DataSetState::Edit || state == DataSetState::Insert; }

    bool less(std::uint32_t a, std::uint32_t b) const
    {
        for (int f : indexFields) {
            const int c = compareCells(cell(a, f), cell(b, f));
            if (c != 0)
                return c < 0;
        }
        return a < b;
    }
    auto lessFn() const
    {
        return [this](std::uint32_t a, std::uint32_t b) { return less(a, b); };
    }
    // Compares a row with a key over the first key.size() index fields.
    int compareKey(std::uint32_t row, const std::vector<Cell> &key) const
    {
        for (std::size_t i = 0; i < key.size(); ++i) {
            const int c = compareCells(cell(row, indexFields[i]), key[i]);
            if (c != 0)
                return c;
        }
        return 0;
    }
    // The range of a sorted row list whose first index fields equal key.
    std::pair<std::size_t, std::size_t> equalRange(const std::vector<std::uint32_t> &list, const std::vector<Cell> &key) const
    {
        const auto lo = std::partition_point(list.begin(), list.end(), [&](std::uint32_t r) { return compareKey(r, key) < 0; });
        const auto hi = std::partition_point(lo, list.end(), [&](std::uint32_t r) { return compareKey(r, key) <= 0; });
        return {std::size_t(lo - list.begin()), std::size_t(hi - list.begin())};
    }
    // How many leading index fields appear among the given fields; the
    // position in `fields` of each of them goes to `where`.
    std::size_t indexPrefix(const std::vector<int> &fields, std::vector<std::size_t> &where) const
    {
        where.clear();
        for (int f : indexFields) {
            const auto it = std::find(fields.begin(), fields.end(), f);
            if (it == fields.end())
                break;
            where.push_back(std::size_t(it - fields.begin()));
        }
        return where.size();
    }

    bool passes(std::uint32_t row) const
    {
        for (const auto &[f, value] : filterTerms) {
            if (compareCells(cell(row, f), value) != 0)
                return false;
        }
        return true;
    }

    // Dense ranks of one field over the live rows, indexed by row: equal
    // values get equal ranks and rank order is value order, null being 0.
    // Sorting by ranks reads small arrays instead of chasing every value,
    // which is what makes sorting large tables fast.
    std::vector<std::uint32_t> ranks(int f, std::uint32_t &count) const
    {
        std::vector<std::uint32_t> rank(rows, 0);
        if (detail::isTextType(defs[f].type)) {
            std::vector<QStringView> values;
            QHash<QStringView, std::uint32_t> ids;
            ids.reserve(qsizetype(std::min<std::size_t>(order.size(), 1u << 16)));
            constexpr std::uint32_t none = UINT32_MAX;
            const QChar *lastData = nullptr;
            qsizetype lastSize = -1;
            std::uint32_t lastId = none;
            for (std::uint32_t r : order) {
                const Cell &c = cell(r, f);
                if (c.index() != 2) {
                    rank[r] = none;
                    continue;
                }
                const QString &text = std::get<2>(c);
                if (text.constData() == lastData && text.size() == lastSize) { // a shared value
                    rank[r] = lastId;
                    continue;
                }
                const QStringView view(text);
                auto it = ids.constFind(view);
                if (it == ids.constEnd()) {
                    it = ids.insert(view, std::uint32_t(values.size()));
                    values.push_back(view);
                }
                lastData = text.constData();
                lastSize = text.size();
                lastId = rank[r] = *it;
            }
            std::vector<std::uint32_t> byValue(values.size());
            for (std::uint32_t i = 0; i < byValue.size(); ++i)
                byValue[i] = i;
            sortDistinctTexts(values, byValue);
            std::vector<std::uint32_t> rankOf(values.size());
            for (std::uint32_t i = 0; i < byValue.size(); ++i)
                rankOf[byValue[i]] = i + 1;
            for (std::uint32_t r : order)
                rank[r] = rank[r] == none ? 0 : rankOf[rank[r]];
            count = std::uint32_t(values.size()) + 1;
            return rank;
        }
        std::vector<std::pair<qint64, std::uint32_t>> values;
        values.reserve(order.size());
        for (std::uint32_t r : order) {
            if (const qint64 *v = std::get_if<qint64>(&cell(r, f)))
                values.emplace_back(*v, r);
        }
        std::sort(values.begin(), values.end());
        std::uint32_t next = 0;
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (i == 0 || values[i].first != values[i - 1].first)
                ++next;
            rank[values[i].second] = next;
        }
        count = next + 1;
        return rank;
    }

    void rebuildOrder()
    {
        order.clear();
        order.reserve(rows - deletedCount);
        for (std::size_t r = 0; r < rows; ++r) {
            if (!deleted[r])
                order.push_back(std::uint32_t(r));
        }
        if (indexFields.empty())
            return;
        if (order.size() < 4096) {
            std::sort(order.begin(), order.end(), lessFn());
            return;
        }
        std::vector<std::vector<std::uint32_t>> fieldRanks;
        std::vector<int> fieldWidth;
        int bits = 0;
        for (int f : indexFields) {
            std::uint32_t count = 0;
            fieldRanks.push_back(ranks(f, count));
            fieldWidth.push_back(int(std::bit_width(count)));
            bits += fieldWidth.back();
        }
        if (bits <= 64) {
            // All ranks fit one 64-bit key: sort (key, row) pairs.
            std::vector<std::pair<std::uint64_t, std::uint32_t>> keyed;
            keyed.reserve(order.size());
            for (std::uint32_t r : order) {
                std::uint64_t key = 0;
                for (std::size_t i = 0; i < fieldRanks.size(); ++i) {
                    key = (key << fieldWidth[i]) | fieldRanks[i][r];
                }
                keyed.emplace_back(key, r);
            }
            std::sort(keyed.begin(), keyed.end());
            for (std::size_t i = 0; i < keyed.size(); ++i)
                order[i] = keyed[i].second;
            return;
        }
        std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
            for (const auto &rank : fieldRanks) {
                if (rank[a] != rank[b])
                    return rank[a] < rank[b];
            }
            return a < b;
        });
    }

    void rebuildView()
    {
        filterOn = filtered && !filterTerms.empty();
        view.clear();
        if (!filterOn)
            return;
        std::vector<int> fields;
        for (const auto &t : filterTerms)
            fields.push_back(t.first);
        std::vector<std::size_t> where;
        std::size_t lo = 0, hi = order.size();
        if (const std::size_t k = indexPrefix(fields, where)) {
            std::vector<Cell> key;
            for (std::size_t i = 0; i < k; ++i)
                key.push_back(filterTerms[where[i]].second);
            std::tie(lo, hi) = equalRange(order, key);
        }
        for (std::size_t i = lo; i < hi; ++i) {
            if (passes(order[i]))
                view.push_back(order[i]);
        }
    }

    void removeFromViews(std::uint32_t row)
    {
        auto it = std::lower_bound(order.begin(), order.end(), row, lessFn());
        if (it != order.end() && *it == row)
            order.erase(it);
        if (filterOn) {
            auto v = std::lower_bound(view.begin(), view.end(), row, lessFn());
            if (v != view.end() && *v == row)
                view.erase(v);
        }
    }
    void insertIntoViews(std::uint32_t row)
    {
        order.insert(std::lower_bound(order.begin(), order.end(), row, lessFn()), row);
        if (filterOn && passes(row))
            view.insert(std::lower_bound(view.begin(), view.end(), row, lessFn()), row);
    }
    // Puts the cursor on the row, or where it would be when the view does not show it.
    void moveTo(std::uint32_t row)
    {
        const auto &list = rowsInView();
        if (list.empty()) {
            pos = -1;
            bof = eof = true;
            return;
        }
        const auto it = std::lower_bound(list.begin(), list.end(), row, lessFn());
        pos = int(std::min<std::size_t>(std::size_t(it - list.begin()), list.size() - 1));
        bof = eof = false;
    }

    // Drops deleted rows from the storage when they are the majority.
    void compactIfWorthIt()
    {
        if (deletedCount < 1024 || deletedCount * 2 < rows)
            return;
        const std::size_t n = std::size_t(nf());
        std::vector<std::uint32_t> newIndex(rows, 0);
        std::size_t w = 0;
        for (std::size_t r = 0; r < rows; ++r) {
            if (deleted[r])
                continue;
            newIndex[r] = std::uint32_t(w);
            if (w != r)
                std::move(cells.begin() + std::ptrdiff_t(r * n), cells.begin() + std::ptrdiff_t((r + 1) * n),
                          cells.begin() + std::ptrdiff_t(w * n));
            ++w;
        }
        cells.resize(w * n);
        rows = w;
        deleted.assign(rows, 0);
        deletedCount = 0;
        for (auto &r : order)
            r = newIndex[r];
        for (auto &r : view)
            r = newIndex[r];
    }

    std::vector<std::uint32_t> liveRows() const
    {
        std::vector<std::uint32_t> live;
        live.reserve(rows - deletedCount);
        for (std::size_t r = 0; r < rows; ++r) {
            if (!deleted[r])
                live.push_back(std::uint32_t(r));
        }
        return live;
    }

    int fieldIndex(const QString &name) const
    {
        const QString n = name.trimmed();
        for (int i = 0; i < nf(); ++i) {
            if (defs[i].name.compare(n, Qt::CaseInsensitive) == 0)
                return i;
        }
        return -1;
    }

    static std::vector<int> resolveNames(const QString &names, const QList<FieldDef> &defs)
    {
        std::vector<int> fields;
        for (const QString &part : names.split(u';', Qt::SkipEmptyParts)) {
            const QString name = part.trimmed();
            if (name.isEmpty())
                continue;
            int found = -1;
            for (int i = 0; i < int(defs.size()); ++i) {
                if (defs[i].name.compare(name, Qt::CaseInsensitive) == 0) {
                    found = i;
                    break;
                }
            }
            if (found < 0)
                throw TableError(QStringLiteral("Field '%1' not found").arg(name));
            fields.push_back(found);
        }
        return fields;
    }

    static std::vector<std::pair<int, Cell>> resolveFilter(const std::vector<detail::FilterTerm> &terms,
                                                           const QList<FieldDef> &defs)
    {
        std::vector<std::pair<int, Cell>> resolved;
        for (const auto &t : terms) {
            const std::vector<int> f = resolveNames(t.field, defs);
            if (f.size() != 1)
                throw TableError(QStringLiteral("Field '%1' not found").arg(t.field));
            resolved.emplace_back(f.front(), detail::toCell(defs[f.front()], t.value));
        }
        return resolved;
    }

    void rememberFile(const QString &name)
    {
        const QFileInfo info(name);
        knownFile = info.absoluteFilePath();
        knownSize = info.size();
        knownTime = info.lastModified();
    }
    bool isKnownFile(const QString &name) const
    {
        const QFileInfo info(name);
        return info.exists() && info.absoluteFilePath() == knownFile && info.size() == knownSize &&
               info.lastModified() == knownTime;
    }
};

// ---------------------------------------------------------------- Field

QString Field::FieldName() const { return m_dataSet->FieldDefs().at(m_index).name; }
FieldType Field::DataType() const { return m_dataSet->FieldDefs().at(m_index).type; }
int Field::Size() const { return m_dataSet->FieldDefs().at(m_index).size; }
QVariant Field::Value() const { return m_dataSet->Value(m_index); }
void Field::setValue(const QVariant &value) { m_dataSet->setValue(m_index, value); }
bool Field::IsNull() const { return m_dataSet->IsNull(m_index); }

QString Field::AsString() const
{
    const QVariant v = Value();
    if (!v.isValid())
        return {};
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    return v.toString();
}

qint64 Field::AsLargeInt() const
{
    const QVariant v = Value();
    if (!v.isValid())
        return 0;
    if (v.typeId() != QMetaType::QString)
        return v.toLongLong();
    bool ok = false;
    const qint64 n = v.toString().trimmed().toLongLong(&ok);
    if (!ok)
        throw TableError(QStringLiteral("'%1' is not a valid integer value").arg(v.toString()));
    return n;
}

int Field::AsInteger() const
{
    const qint64 n = AsLargeInt();
    if (n < INT32_MIN || n > INT32_MAX)
        throw TableError(QStringLiteral("%1 is not a valid integer value").arg(n));
    return int(n);
}

bool Field::AsBoolean() const
{
    const QVariant v = Value();
    if (!v.isValid())
        return false;
    if (v.typeId() != QMetaType::QString)
        return v.toLongLong() != 0;
    const QString t = v.toString().trimmed();
    if (!t.compare(u"true", Qt::CaseInsensitive) || !t.compare(u"t", Qt::CaseInsensitive) || t == u"1")
        return true;
    if (!t.compare(u"false", Qt::CaseInsensitive) || !t.compare(u"f", Qt::CaseInsensitive) || t == u"0" || t.isEmpty())
        return false;
    throw TableError(QStringLiteral("'%1' is not a valid Boolean value").arg(t));
}

// ---------------------------------------------------------------- life

ClientDataSet::ClientDataSet() : d(std::make_unique<Data>()) {}

ClientDataSet::ClientDataSet(const QList<FieldDef> &fieldDefs) : ClientDataSet() { setFieldDefs(fieldDefs); }

ClientDataSet::~ClientDataSet()
{
    try {
        Close();
    } catch (...) {
        // A destructor cannot report; the file keeps its last written state.
    }
}

void ClientDataSet::checkActive() const
{
    if (!d->active)
        throw TableError(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

void ClientDataSet::checkBrowseMode()
{
    checkActive();
    if (d->editing())
        Post();
}

void ClientDataSet::scrolled()
{
    if (AfterScroll)
        AfterScroll(*this);
}

void ClientDataSet::changed()
{
    if (OnDataChange)
        OnDataChange(*this);
}

// ---------------------------------------------------------------- definitions

void ClientDataSet::AddFieldDef(const QString &name, FieldType type, int size)
{
    QList<FieldDef> defs = d->defs;
    defs.append(FieldDef{name, type, type == FieldType::String ? size : 0});
    setFieldDefs(defs);
}

void ClientDataSet::setFieldDefs(const QList<FieldDef> &fieldDefs)
{
    if (d->active)
        throw TableError(QStringLiteral("Cannot perform this operation on an open dataset"));
    detail::validateDefs(fieldDefs);
    d->defs = fieldDefs;
}

const QList<FieldDef> &ClientDataSet::FieldDefs() const { return d->defs; }

void ClientDataSet::ClearFieldDefs() { setFieldDefs({}); }

// ---------------------------------------------------------------- file

void ClientDataSet::setFileName(const QString &fileName) { d->fileName = fileName; }
QString ClientDataSet::FileName() const { return d->fileName; }
bool ClientDataSet::Active() const { return d->active; }

namespace {

// Installs content into the table: resolves the index and filter against the
// new fields first, so that a failure leaves everything as it was.
struct Installer {
    static void install(ClientDataSet::Data &d, detail::Content &&c)
    {
        std::vector<int> index = ClientDataSet::Data::resolveNames(d.indexNames, c.defs);
        auto filter = ClientDataSet::Data::resolveFilter(d.filterParsed, c.defs);
        d.defs = std::move(c.defs);
        d.cells = std::move(c.cells);
        d.rows = c.rowCount;
        d.deleted.assign(d.rows, 0);
        d.deletedCount = 0;
        d.nextAutoInc = c.nextAutoInc;
        d.autoIncField = -1;
        for (int i = 0; i < d.nf(); ++i) {
            if (d.defs[i].type == FieldType::AutoInc)
                d.autoIncField = i;
        }
        d.indexFields = std::move(index);
        d.filterTerms = std::move(filter);
        d.locateNames.clear();
        d.locateFields.clear();
        d.buffer.clear();
        d.modified = false;
        d.rebuildOrder();
        d.rebuildView();
        d.active = true;
        d.state = DataSetState::Browse;
        const bool empty = d.rowsInView().empty();
        d.pos = empty ? -1 : 0;
        d.bof = true;
        d.eof = empty;
    }
};

detail::Content readTableFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.exists())
        throw TableError(QStringLiteral("Cannot open table file '%1': the file does not exist").arg(fileName));
    if (!file.open(QIODevice::ReadOnly))
        throw TableError(QStringLiteral("Cannot open table file '%1': %2").arg(fileName, file.errorString()));
    const qint64 size = file.size();
    if (size < 0 || size > (qint64(1) << 31))
        throw TableError(QStringLiteral("Cannot read table file '%1': it is too large (%2 bytes)").arg(fileName).arg(size));
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    detail::adviseLargePages(bytes.data(), std::size_t(bytes.size()));
    qint64 done = 0;
    while (done < size) {
        const qint64 n = file.read(bytes.data() + done, size - done);
        if (n < 0)
            throw TableError(QStringLiteral("Cannot read table file '%1': %2").arg(fileName, file.errorString()));
        if (n == 0)
            break; // shorter than it was a moment ago
        done += n;
    }
    bytes.truncate(qsizetype(done));
    return detail::parseDataPacket(bytes.data(), std::size_t(bytes.size()), fileName);
}

} // namespace

void ClientDataSet::CreateDataSet()
{
    if (d->active)
        throw TableError(QStringLiteral("Cannot perform this operation on an open dataset"));
    if (d->defs.isEmpty())
        throw TableError(QStringLiteral("Cannot create a table without field definitions"));
    detail::Content c;
    c.defs = d->defs;
    Installer::install(*d, std::move(c));
    d->dirty = true;
    d->knownFile.clear();
    changed();
}

void ClientDataSet::Open()
{
    if (d->active)
        return;
    if (d->fileName.isEmpty())
        throw TableError(QStringLiteral("Cannot open the table: no file name is set"));
    Installer::install(*d, readTableFile(d->fileName));
    d->dirty = false;
    d->rememberFile(d->fileName);
    changed();
}

bool ClientDataSet::OpenOrCreate()
{
    if (d->active)
        return true;
    if (!d->fileName.isEmpty() && QFileInfo::exists(d->fileName)) {
        Open();
        return true;
    }
    CreateDataSet();
    return false;
}

void ClientDataSet::Close()
{
    if (!d->active)
        return;
    if (d->editing()) {
        d->buffer.clear();
        d->state = DataSetState::Browse;
    }
    if (!d->fileName.isEmpty() && (d->dirty || !d->isKnownFile(d->fileName)))
        writeFile(d->fileName, true);
    d->active = false;
    d->state = DataSetState::Inactive;
    d->cells = {};
    d->deleted = {};
    d->order = {};
    d->view = {};
    d->rows = d->deletedCount = 0;
    d->pos = -1;
    d->bof = d->eof = true;
    d->dirty = false;
    changed();
}

void ClientDataSet::writeFile(const QString &fileName, bool isOwnFile)
{
    checkActive();
    const std::string data = detail::writeDataPacket(d->defs, d->cells, d->liveRows(), d->nextAutoInc);
    // A file that is there but is not a table this table read or wrote may be
    // a damaged table the user still needs: keep it aside instead of losing it.
    if (QFileInfo::exists(fileName) && !d->isKnownFile(fileName)) {
        bool readable = true;
        try {
            readTableFile(fileName);
        } catch (const TableError &) {
            readable = false;
        }
        if (!readable && SetAsideUnreadableFile(fileName).isEmpty())
            throw TableError(QStringLiteral("Cannot write table file '%1': the unreadable file there cannot be moved aside").arg(fileName));
    }
    detail::writeFileAtomically(fileName, data, BeforeReplaceFile);
    if (isOwnFile) {
        d->dirty = false;
        d->rememberFile(fileName);
    }
}

void ClientDataSet::SaveToFile()
{
    checkActive();
    if (d->fileName.isEmpty())
        throw TableError(QStringLiteral("Cannot save the table: no file name is set"));
    writeFile(d->fileName, true);
}

void ClientDataSet::SaveToFile(const QString &fileName)
{
    checkActive();
    const bool own = !d->fileName.isEmpty() && QFileInfo(fileName).absoluteFilePath() == QFileInfo(d->fileName).absoluteFilePath();
    writeFile(fileName, own);
}

void ClientDataSet::LoadFromFile(const QString &fileName)
{
    detail::Content c = readTableFile(fileName);
    Installer::install(*d, std::move(c));
    const bool own = !d->fileName.isEmpty() && QFileInfo(fileName).absoluteFilePath() == QFileInfo(d->fileName).absoluteFilePath();
    d->dirty = !own;
    if (own)
        d->rememberFile(fileName);
    changed();
}

QByteArray ClientDataSet::XMLData() const
{
    checkActive();
    const std::string data = detail::writeDataPacket(d->defs, d->cells, d->liveRows(), d->nextAutoInc);
    return QByteArray(data.data(), qsizetype(data.size()));
}

void ClientDataSet::setXMLData(const QByteArray &data)
{
    QByteArray copy = data;
    detail::Content c = detail::parseDataPacket(copy.data(), std::size_t(copy.size()), QStringLiteral("(data packet)"));
    Installer::install(*d, std::move(c));
    d->dirty = true;
    changed();
}

void ClientDataSet::EmptyDataSet()
{
    checkActive();
    d->buffer.clear();
    d->state = DataSetState::Browse;
    d->cells.clear();
    d->deleted.clear();
    d->rows = d->deletedCount = 0;
    d->order.clear();
    d->view.clear();
    d->pos = -1;
    d->bof = d->eof = true;
    d->dirty = true;
    changed();
}

QString ClientDataSet::SetAsideUnreadableFile(const QString &fileName)
{
    if (!QFileInfo::exists(fileName))
        return {};
    QString candidate = fileName + QStringLiteral(".bad");
    for (int n = 2; QFileInfo::exists(candidate) && n < 1000; ++n)
        candidate = fileName + QStringLiteral(".bad%1").arg(n);
    if (QFileInfo::exists(candidate) || !QFile::rename(fileName, candidate))
        return {};
    return candidate;
}

// ---------------------------------------------------------------- order and filter

void ClientDataSet::setIndexFieldNames(const QString &names)
{
    if (!d->active) {
        d->indexNames = names;
        return;
    }
    std::vector<int> fields = Data::resolveNames(names, d->defs);
    checkBrowseMode();
    const bool hadRecord = !d->rowsInView().empty();
    const std::uint32_t current = hadRecord ? d->rowsInView()[std::size_t(d->pos)] : 0;
    d->indexNames = names;
    if (fields != d->indexFields) {
        d->indexFields = std::move(fields);
        d->rebuildOrder();
        d->rebuildView();
    }
    if (hadRecord) {
        d->moveTo(current);
    } else {
        d->pos = -1;
        d->bof = d->eof = true;
    }
    changed();
}

QString ClientDataSet::IndexFieldNames() const { return d->indexNames; }

void ClientDataSet::setFilter(const QString &filter)
{
    std::vector<detail::FilterTerm> parsed = detail::parseFilter(filter);
    if (!d->active) {
        d->filterText = filter;
        d->filterParsed = std::move(parsed);
        return;
    }
    auto terms = Data::resolveFilter(parsed, d->defs);
    checkBrowseMode();
    d->filterText = filter;
    d->filterParsed = std::move(parsed);
    d->filterTerms = std::move(terms);
    d->rebuildView();
    changed();
    First();
}

QString ClientDataSet::Filter() const { return d->filterText; }

void ClientDataSet::setFiltered(bool filtered)
{
    if (!d->active) {
        d->filtered = filtered;
        return;
    }
    checkBrowseMode();
    d->filtered = filtered;
    d->rebuildView();
    changed();
    First();
}

bool ClientDataSet::Filtered() const { return d->filtered; }

QString ClientDataSet::QuotedStr(const QString &text)
{
    QString quoted = text;
    quoted.replace(u'\'', QStringLiteral("''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

// ---------------------------------------------------------------- navigation

void ClientDataSet::First()
{
    checkBrowseMode();
    const bool empty = d->rowsInView().empty();
    d->pos = empty ? -1 : 0;
    d->bof = true;
    d->eof = empty;
    scrolled();
}

void ClientDataSet::Last()
{
    checkBrowseMode();
    const auto n = int(d->rowsInView().size());
    d->pos = n - 1;
    d->bof = n == 0;
    d->eof = true;
    scrolled();
}

void ClientDataSet::Next()
{
    checkBrowseMode();
    const auto n = int(d->rowsInView().size());
    if (d->pos + 1 < n) {
        ++d->pos;
        d->bof = d->eof = false;
        scrolled();
    } else {
        d->eof = true;
        d->bof = n == 0;
    }
}

void ClientDataSet::Prior()
{
    checkBrowseMode();
    const auto n = int(d->rowsInView().size());
    if (d->pos > 0) {
        --d->pos;
        d->bof = d->eof = false;
        scrolled();
    } else {
        d->bof = true;
        d->eof = n == 0;
    }
}

bool ClientDataSet::Eof() const { return !d->active || d->eof; }
bool ClientDataSet::Bof() const { return !d->active || d->bof; }

int ClientDataSet::RecordCount() const
{
    checkActive();
    return int(d->rowsInView().size());
}

int ClientDataSet::RecNo() const
{
    if (!d->active || d->state == DataSetState::Insert || d->rowsInView().empty())
        return -1;
    return d->pos + 1;
}

void ClientDataSet::setRecNo(int recNo)
{
    checkBrowseMode();
    const auto n = int(d->rowsInView().size());
    if (n == 0)
        return;
    d->pos = std::clamp(recNo, 1, n) - 1;
    d->bof = d->eof = false;
    scrolled();
}

bool ClientDataSet::Locate(const QString &keyFields, const QVariantList &keyValues)
{
    checkBrowseMode();
    // Callers look up many records on the same fields: keep the last list.
    if (keyFields != d->locateNames || d->locateFields.empty()) {
        d->locateFields = Data::resolveNames(keyFields, d->defs);
        d->locateNames = keyFields;
    }
    const std::vector<int> &fields = d->locateFields;
    if (fields.empty() || fields.size() != std::size_t(keyValues.size()))
        throw TableError(QStringLiteral("Locate on '%1' needs one value per field (%2 given)").arg(keyFields).arg(keyValues.size()));
    std::vector<Cell> values;
    values.reserve(fields.size());
    try {
        for (std::size_t i = 0; i < fields.size(); ++i)
            values.push_back(detail::toCell(d->defs[fields[i]], keyValues[qsizetype(i)]));
    } catch (const TableError &) {
        return false; // a value that the field cannot hold matches nothing
    }
    const auto &list = d->rowsInView();
    std::size_t lo = 0;
    std::vector<std::size_t> where;
    std::vector<Cell> key;
    if (const std::size_t k = d->indexPrefix(fields, where)) {
        for (std::size_t i = 0; i < k; ++i)
            key.push_back(values[where[i]]);
        // From the first record with the key on, as long as the key holds.
        lo = std::size_t(std::partition_point(list.begin(), list.end(), [&](std::uint32_t r) { return d->compareKey(r, key) < 0; }) -
                         list.begin());
    }
    for (std::size_t i = lo; i < list.size(); ++i) {
        const std::uint32_t row = list[i];
        if (!key.empty() && d->compareKey(row, key) != 0)
            break;
        bool match = true;
        for (std::size_t j = 0; j < fields.size() && match; ++j)
            match = compareCells(d->cell(row, fields[j]), values[j]) == 0;
        if (match) {
            d->pos = int(i);
            d->bof = d->eof = false;
            scrolled();
            return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------- editing

DataSetState ClientDataSet::State() const { return d->state; }
bool ClientDataSet::Modified() const { return d->editing() && d->modified; }

void ClientDataSet::Append()
{
    checkBrowseMode();
    d->buffer.assign(std::size_t(d->nf()), Cell{});
    d->state = DataSetState::Insert;
    d->modified = false;
    if (OnNewRecord) {
        try {
            OnNewRecord(*this);
        } catch (...) {
            d->buffer.clear();
            d->state = DataSetState::Browse;
            throw;
        }
    }
    d->modified = false;
}

void ClientDataSet::Edit()
{
    checkActive();
    if (d->editing())
        return;
    const auto &list = d->rowsInView();
    if (list.empty()) {
        Append();
        return;
    }
    d->editRow = list[std::size_t(d->pos)];
    const std::size_t n = std::size_t(d->nf());
    const auto first = d->cells.begin() + std::ptrdiff_t(std::size_t(d->editRow) * n);
    d->buffer.assign(first, first + std::ptrdiff_t(n));
    d->state = DataSetState::Edit;
    d->modified = false;
}

void ClientDataSet::Post()
{
    checkActive();
    if (!d->editing())
        return;
    if (BeforePost)
        BeforePost(*this); // an exception keeps the record pending
    const std::size_t n = std::size_t(d->nf());
    if (d->state == DataSetState::Insert) {
        if (d->autoIncField >= 0 && detail::isNull(d->buffer[std::size_t(d->autoIncField)])) {
            if (d->nextAutoInc > INT32_MAX)
                throw TableError(QStringLiteral("The numbers of field '%1' are used up").arg(d->defs[d->autoIncField].name));
            d->buffer[std::size_t(d->autoIncField)] = d->nextAutoInc++;
        }
        const auto row = std::uint32_t(d->rows);
        for (Cell &c : d->buffer)
            d->cells.push_back(std::move(c));
        d->deleted.push_back(0);
        ++d->rows;
        d->insertIntoViews(row);
        d->moveTo(row);
        d->dirty = true;
    } else if (d->modified) {
        const std::uint32_t row = d->editRow;
        bool placeChanges = false;
        for (int f : d->indexFields)
            placeChanges = placeChanges || compareCells(d->cell(row, f), d->buffer[std::size_t(f)]) != 0;
        for (const auto &t : d->filterTerms)
            placeChanges = placeChanges || compareCells(d->cell(row, t.first), d->buffer[std::size_t(t.first)]) != 0;
        if (placeChanges)
            d->removeFromViews(row);
        std::move(d->buffer.begin(), d->buffer.end(), d->cells.begin() + std::ptrdiff_t(std::size_t(row) * n));
        if (placeChanges)
            d->insertIntoViews(row);
        d->moveTo(row);
        d->dirty = true;
    }
    d->buffer.clear();
    d->state = DataSetState::Browse;
    d->modified = false;
    changed();
}

void ClientDataSet::Cancel()
{
    if (!d->editing())
        return;
    d->buffer.clear();
    d->state = DataSetState::Browse;
    d->modified = false;
}

void ClientDataSet::Delete()
{
    checkActive();
    if (d->state == DataSetState::Insert) {
        Cancel();
        return;
    }
    const auto &list = d->rowsInView();
    if (list.empty())
        throw TableError(QStringLiteral("Cannot perform this operation on an empty dataset"));
    Cancel();
    const std::uint32_t row = list[std::size_t(d->pos)];
    d->removeFromViews(row);
    const std::size_t n = std::size_t(d->nf());
    for (std::size_t f = 0; f < n; ++f)
        d->cells[std::size_t(row) * n + f] = Cell{};
    d->deleted[row] = 1;
    ++d->deletedCount;
    d->compactIfWorthIt();
    const auto size = int(d->rowsInView().size());
    if (size == 0) {
        d->pos = -1;
        d->bof = d->eof = true;
    } else if (d->pos >= size) {
        d->pos = size - 1;
        d->bof = false;
        d->eof = true;
    } else {
        d->bof = d->eof = false;
    }
    d->dirty = true;
    changed();
}

// ---------------------------------------------------------------- values

int ClientDataSet::FieldCount() const { return d->nf(); }

Field ClientDataSet::Fields(int index)
{
    if (index < 0 || index >= d->nf())
        throw TableError(QStringLiteral("Field index %1 out of range (%2 fields)").arg(index).arg(d->nf()));
    return Field(this, index);
}

Field ClientDataSet::FieldByName(const QString &name)
{
    const int i = d->fieldIndex(name);
    if (i < 0)
        throw TableError(QStringLiteral("Field '%1' not found").arg(name));
    return Field(this, i);
}

int ClientDataSet::FieldIndex(const QString &name) const { return d->fieldIndex(name); }

QVariant ClientDataSet::Value(int field) const
{
    checkActive();
    if (field < 0 || field >= d->nf())
        throw TableError(QStringLiteral("Field index %1 out of range (%2 fields)").arg(field).arg(d->nf()));
    const FieldType type = d->defs[field].type;
    if (d->editing())
        return detail::fromCell(type, d->buffer[std::size_t(field)]);
    const auto &list = d->rowsInView();
    if (list.empty())
        return {};
    return detail::fromCell(type, d->cell(list[std::size_t(d->pos)], field));
}

bool ClientDataSet::IsNull(int field) const { return !Value(field).isValid(); }

void ClientDataSet::setValue(int field, const QVariant &value)
{
    checkActive();
    if (field < 0 || field >= d->nf())
        throw TableError(QStringLiteral("Field index %1 out of range (%2 fields)").arg(field).arg(d->nf()));
    if (!d->editing())
        throw NotEditingError();
    const FieldDef &def = d->defs[field];
    if (def.type == FieldType::AutoInc)
        throw TableError(QStringLiteral("Field '%1' cannot be modified").arg(def.name));
    d->buffer[std::size_t(field)] = detail::toCell(def, value);
    d->modified = true;
}

QVariant ClientDataSet::ViewValue(int row, int field) const
{
    checkActive();
    const auto &list = d->rowsInView();
    if (row < 0 || std::size_t(row) >= list.size() || field < 0 || field >= d->nf())
        throw TableError(QStringLiteral("Row %1, field %2 out of range").arg(row).arg(field));
    if (d->state == DataSetState::Edit && row == d->pos)
        return detail::fromCell(d->defs[field].type, d->buffer[std::size_t(field)]);
    return detail::fromCell(d->defs[field].type, d->cell(list[std::size_t(row)], field));
}

} // namespace orvane::table
