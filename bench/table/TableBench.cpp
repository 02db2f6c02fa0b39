// A 100 000-record organizer table: open, sort by "RecordType;LinkName;Path",
// filter one album, 1 000 Locate calls, 1 000 appends and a save, each set
// beside SQLite doing the same work on the same data in the same run.
// Prints the median of a few rounds and the ratio table store / SQLite
// (below 1: the table store is faster).
#include "core/table/ClientDataSet.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <functional>
#include <vector>

using namespace orvane::table;

namespace {

constexpr int Rows = 100'000;
constexpr int Albums = 300;
constexpr int Rounds = 5;

struct Rec {
    QString type, name, description, path, link, priority, group, search, comments, updated;
};

QString albumName(int a) { return QStringLiteral("Album %1 - Trip").arg(a, 3, 10, QLatin1Char('0')); }

std::vector<Rec> makeRecords(int count, int seed)
{
    static const char *priorities[] = {"01 - Marked Delete", "02 - Lowest Priority", "03 - Low Priority", "04 - Will Keep",
                                       "05 - Medium Priority", "06-  Better than Average", "07 - Valuable",
                                       "08 - Very Valuable", "09 - Important", "10 - Very Important"};
    static const char *groups[] = {"Family", "Friends", "Associates", "Doctor", "Dentist", "Vacation", "Holiday", "Church", "Work"};
    QRandomGenerator rng{quint32(seed)};
    std::vector<Rec> recs;
    recs.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        Rec r;
        const int album = int(rng.bounded(Albums));
        const int kind = int(rng.bounded(100));
        if (i < Albums && seed == 1) { // the album headers come first
            r.type = QStringLiteral(" A");
            r.name = albumName(i);
            r.link = albumName(0);
            r.path = QString();
        } else {
            r.type = kind < 90 ? QStringLiteral("DA") : (kind < 95 ? QStringLiteral("DM") : QStringLiteral("DV"));
            r.name = QStringLiteral("IMG_%1.jpg").arg(seed * 1'000'000 + i, 7, 10, QLatin1Char('0'));
            r.link = albumName(album);
            r.path = QStringLiteral("/home/user/Pictures/%1/%2/%3").arg(2000 + album % 25).arg(r.link, r.name);
        }
        r.description = r.name + QStringLiteral(" Description");
        r.priority = QString::fromLatin1(priorities[rng.bounded(10)]);
        r.group = QString::fromLatin1(groups[rng.bounded(9)]);
        r.search = r.name;
        r.comments = r.name + QStringLiteral(" Enter Comments Here");
        r.updated = QStringLiteral("12/11/2026 12:%1:%2").arg(i / 60 % 60, 2, 10, QLatin1Char('0')).arg(i % 60, 2, 10, QLatin1Char('0'));
        recs.push_back(std::move(r));
    }
    return recs;
}

QList<FieldDef> organizerDefs()
{
    return {{"ID", FieldType::AutoInc, 0},      {"RecordType", FieldType::String, 2}, {"Name", FieldType::String, 50},
            {"Description", FieldType::String, 150}, {"Path", FieldType::String, 200}, {"LinkName", FieldType::String, 50},
            {"Priority", FieldType::String, 25}, {"Type", FieldType::String, 20},  {"SearchWord", FieldType::String, 25},
            {"Comments", FieldType::Memo, 0},   {"LastUpdated", FieldType::String, 25}};
}

void appendTo(ClientDataSet &ds, const Rec &r)
{
    ds.Append();
    ds.setValue(1, r.type);
    ds.setValue(2, r.name);
    ds.setValue(3, r.description);
    if (!r.path.isNull())
        ds.setValue(4, r.path);
    ds.setValue(5, r.link);
    ds.setValue(6, r.priority);
    ds.setValue(7, r.group);
    ds.setValue(8, r.search);
    ds.setValue(9, r.comments);
    ds.setValue(10, r.updated);
    ds.Post();
}

// --- SQLite side

void check(int rc, sqlite3 *db)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
}

void exec(sqlite3 *db, const char *sql) { check(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), db); }

void bindText(sqlite3_stmt *st, int i, const QString &s, std::vector<QByteArray> &keep)
{
    if (s.isNull()) {
        sqlite3_bind_null(st, i);
        return;
    }
    keep.push_back(s.toUtf8());
    sqlite3_bind_text(st, i, keep.back().constData(), int(keep.back().size()), SQLITE_STATIC);
}

void sqliteInsert(sqlite3 *db, const std::vector<Rec> &recs)
{
    sqlite3_stmt *st = nullptr;
    check(sqlite3_prepare_v2(db,
                             "INSERT INTO t (RecordType, Name, Description, Path, LinkName, Priority, Type, SearchWord, "
                             "Comments, LastUpdated) VALUES (?,?,?,?,?,?,?,?,?,?)",
                             -1, &st, nullptr),
          db);
    exec(db, "BEGIN");
    std::vector<QByteArray> keep;
    for (const Rec &r : recs) {
        keep.clear();
        const QString *v[] = {&r.type, &r.name, &r.description, &r.path, &r.link, &r.priority, &r.group, &r.search, &r.comments, &r.updated};
        for (int i = 0; i < 10; ++i)
            bindText(st, i + 1, *v[i], keep);
        check(sqlite3_step(st), db);
        sqlite3_reset(st);
    }
    exec(db, "COMMIT");
    sqlite3_finalize(st);
}

sqlite3 *sqliteCreate(const QString &file)
{
    QFile::remove(file);
    sqlite3 *db = nullptr;
    check(sqlite3_open(file.toUtf8().constData(), &db), db);
    exec(db, "CREATE TABLE t (ID INTEGER PRIMARY KEY AUTOINCREMENT, RecordType TEXT, Name TEXT, Description TEXT, "
             "Path TEXT, LinkName TEXT, Priority TEXT, Type TEXT, SearchWord TEXT, Comments TEXT, LastUpdated TEXT)");
    return db;
}

// --- measuring

double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Wall time of the work; its CPU time (all threads of the process) is added to *cpu.
double lastCpu = 0;
double ms(const std::function<void()> &work)
{
    QElapsedTimer t;
    const double c0 = cpuMs();
    t.start();
    work();
    lastCpu = cpuMs() - c0;
    return double(t.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct Line {
    const char *what;
    std::vector<double> ours, sqlite;
    const char *target;
};

} // namespace

int main()
{
    QTemporaryDir dir;
    const QString cds = dir.filePath(QStringLiteral("Favorites.cds"));
    const QString db3 = dir.filePath(QStringLiteral("Favorites.sqlite"));
    const std::vector<Rec> recs = makeRecords(Rows, 1);
    const std::vector<Rec> extra = makeRecords(1000, 2);
    QRandomGenerator rng(7);
    std::vector<int> probes(1000);
    for (int &p : probes)
        p = int(rng.bounded(Rows - Albums)) + Albums;
    std::vector<int> albums(20);
    for (int &a : albums)
        a = int(rng.bounded(Albums));

    Line save{"save 100 000 records", {}, {}, "<= 1.5"};
    Line open{"open (read every record)", {}, {}, "<= 1.0"};
    Line openCpu{"open, CPU time of all threads", {}, {}, ""};
    Line sort{"sort RecordType;LinkName;Path", {}, {}, ""};
    Line filter{"filter one album (per album)", {}, {}, "< 1.0"};
    Line locate{"Locate, per call (1 000 calls)", {}, {}, "< 1.0"};
    Line append{"append 1 000 records", {}, {}, ""};

    for (int round = 0; round < Rounds; ++round) {
        // Save: the table store writes its file; SQLite inserts every record in one transaction.
        {
            ClientDataSet ds(organizerDefs());
            ds.setFileName(cds);
            ds.CreateDataSet();
            for (const Rec &r : recs)
                appendTo(ds, r);
            save.ours.push_back(ms([&] { ds.SaveToFile(); }));
        }
        {
            sqlite3 *db = sqliteCreate(db3);
            save.sqlite.push_back(ms([&] { sqliteInsert(db, recs); }));
            sqlite3_close(db);
        }

        // Open: load the file; SQLite reads every column of every record back.
        ClientDataSet ds;
        ds.setFileName(cds);
        open.ours.push_back(ms([&] { ds.Open(); }));
        openCpu.ours.push_back(lastCpu);
        sqlite3 *db = nullptr;
        check(sqlite3_open(db3.toUtf8().constData(), &db), db);
        open.sqlite.push_back(ms([&] {
            sqlite3_stmt *st = nullptr;
            check(sqlite3_prepare_v2(db, "SELECT * FROM t", -1, &st, nullptr), db);
            std::size_t bytes = 0;
            while (sqlite3_step(st) == SQLITE_ROW) {
                for (int c = 0; c < 11; ++c) {
                    sqlite3_column_text(st, c);
                    bytes += std::size_t(sqlite3_column_bytes(st, c));
                }
            }
            sqlite3_finalize(st);
            if (bytes == 0)
                std::abort();
        }));
        openCpu.sqlite.push_back(lastCpu);
        if (ds.RecordCount() != Rows)
            std::abort();

        // Sort: the table's index against SQLite building the same index.
        sort.ours.push_back(ms([&] { ds.setIndexFieldNames(QStringLiteral("RecordType;LinkName;Path")); }));
        sort.sqlite.push_back(ms([&] { exec(db, "CREATE INDEX k ON t (RecordType, LinkName, Path)"); }));

        // Filter one album and read the names of its pictures.
        std::size_t seenOurs = 0, seenSqlite = 0;
        const double filterOurs = ms([&] {
            for (int a : albums) {
                ds.setFilter(QStringLiteral("[RecordType] = 'DA' AND [LinkName] = ") + ClientDataSet::QuotedStr(albumName(a)));
                for (ds.First(); !ds.Eof(); ds.Next())
                    seenOurs += std::size_t(ds.Fields(2).AsString().size());
            }
            ds.setFilter(QString());
        });
        filter.ours.push_back(filterOurs / double(albums.size()));
        sqlite3_stmt *byAlbum = nullptr;
        check(sqlite3_prepare_v2(db, "SELECT Name FROM t WHERE RecordType = 'DA' AND LinkName = ? ORDER BY Path", -1, &byAlbum, nullptr), db);
        const double filterSqlite = ms([&] {
            for (int a : albums) {
                const QByteArray name = albumName(a).toUtf8();
                sqlite3_bind_text(byAlbum, 1, name.constData(), int(name.size()), SQLITE_STATIC);
                while (sqlite3_step(byAlbum) == SQLITE_ROW)
                    seenSqlite += std::size_t(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(byAlbum, 0))).size());
                sqlite3_reset(byAlbum);
            }
        });
        sqlite3_finalize(byAlbum);
        filter.sqlite.push_back(filterSqlite / double(albums.size()));
        if (seenOurs != seenSqlite || seenOurs == 0) {
            std::fprintf(stderr, "filter results differ: %zu against %zu\n", seenOurs, seenSqlite);
            return 1;
        }

        // 1 000 point lookups on the three index fields.
        int foundOurs = 0, foundSqlite = 0;
        locate.ours.push_back(ms([&] {
            for (int p : probes) {
                const Rec &r = recs[std::size_t(p)];
                foundOurs += ds.Locate(QStringLiteral("RecordType;LinkName;Path"), {r.type, r.link, r.path});
            }
        }) * 1000.0 / double(probes.size()));
        sqlite3_stmt *point = nullptr;
        check(sqlite3_prepare_v2(db, "SELECT ID FROM t WHERE RecordType = ? AND LinkName = ? AND Path = ? LIMIT 1", -1, &point, nullptr), db);
        locate.sqlite.push_back(ms([&] {
            std::vector<QByteArray> keep;
            for (int p : probes) {
                const Rec &r = recs[std::size_t(p)];
                keep.clear();
                bindText(point, 1, r.type, keep);
                bindText(point, 2, r.link, keep);
                bindText(point, 3, r.path, keep);
                foundSqlite += sqlite3_step(point) == SQLITE_ROW;
                sqlite3_reset(point);
            }
        }) * 1000.0 / double(probes.size()));
        sqlite3_finalize(point);
        if (foundOurs != int(probes.size()) || foundSqlite != foundOurs) {
            std::fprintf(stderr, "Locate found %d, SQLite %d\n", foundOurs, foundSqlite);
            return 1;
        }

        // 1 000 appends into the sorted table; SQLite inserts them in one transaction.
        append.ours.push_back(ms([&] {
            for (const Rec &r : extra)
                appendTo(ds, r);
        }));
        append.sqlite.push_back(ms([&] { sqliteInsert(db, extra); }));
        sqlite3_close(db);
        ds.BeforeReplaceFile = nullptr;
    }

    std::printf("Table store against SQLite, %d records, median of %d rounds\n\n", Rows, Rounds);
    std::printf("%-34s %12s %12s %8s  %s\n", "operation", "table (ms)", "sqlite (ms)", "ratio", "target");
    for (const Line *l : {&open, &openCpu, &save, &sort, &filter, &locate, &append}) {
        const double o = median(l->ours), s = median(l->sqlite);
        std::printf("%-34s %12.3f %12.3f %8.2f  %s\n", l->what, o, s, o / s, l->target);
    }
    std::printf("\n(Locate per call in microseconds, not ms.)\n");
    return 0;
}
