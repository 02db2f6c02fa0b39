// Value conversions, the filter language and the atomic file write.
#include "TableData.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cmath>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <io.h>
#endif

namespace orvane::table {

TableError::TableError(const QString &message) : std::runtime_error(message.toStdString()) {}

NotEditingError::NotEditingError() : TableError(QStringLiteral("Dataset not in edit or insert mode")) {}

FileFormatError::FileFormatError(const QString &fileName, const QString &reason)
    : TableError(QStringLiteral("Cannot read table file '%1': %2").arg(fileName, reason)),
      m_fileName(fileName),
      m_reason(reason)
{
}

} // namespace orvane::table

namespace orvane::table::detail {

// ---------------------------------------------------------------- values

namespace {

bool rangeFits(FieldType type, qint64 v)
{
    switch (type) {
    case FieldType::SmallInt: return v >= INT16_MIN && v <= INT16_MAX;
    case FieldType::Integer:
    case FieldType::AutoInc: return v >= INT32_MIN && v <= INT32_MAX;
    default: return true;
    }
}

bool isNumberType(int typeId)
{
    switch (typeId) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
    case QMetaType::Long: case QMetaType::ULong: case QMetaType::Short: case QMetaType::UShort:
    case QMetaType::Char: case QMetaType::SChar: case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

bool isTextVariant(int typeId)
{
    return typeId == QMetaType::QString || typeId == QMetaType::QByteArray || typeId == QMetaType::QChar;
}

} // namespace

Cell toCell(const FieldDef &def, const QVariant &value)
{
    if (!value.isValid() || value.typeId() == QMetaType::Nullptr)
        return {};
    const int typeId = value.typeId();
    if (isTextType(def.type)) {
        if (typeId == QMetaType::Bool)
            return QString(value.toBool() ? QStringLiteral("True") : QStringLiteral("False"));
        return value.toString();
    }
    if (def.type == FieldType::Boolean) {
        if (typeId == QMetaType::Bool)
            return qint64(value.toBool());
        if (isNumberType(typeId))
            return qint64(value.toLongLong() != 0);
        const QString t = value.toString().trimmed();
        if (!t.compare(u"true", Qt::CaseInsensitive) || !t.compare(u"t", Qt::CaseInsensitive) || t == u"1")
            return qint64(1);
        if (!t.compare(u"false", Qt::CaseInsensitive) || !t.compare(u"f", Qt::CaseInsensitive) || t == u"0")
            return qint64(0);
        throw TableError(QStringLiteral("'%1' is not a valid Boolean value for field '%2'").arg(value.toString(), def.name));
    }
    // Integer types.
    qint64 v = 0;
    bool ok = false;
    if (typeId == QMetaType::Bool) {
        v = value.toBool();
        ok = true;
    } else if (typeId == QMetaType::ULongLong) {
        const qulonglong u = value.toULongLong();
        ok = u <= qulonglong(INT64_MAX);
        v = qint64(u);
    } else if (isNumberType(typeId)) {
        v = value.toLongLong(&ok);
    } else if (typeId == QMetaType::Double || typeId == QMetaType::Float) {
        const double x = value.toDouble();
        ok = std::isfinite(x) && x == std::floor(x) && x >= -9.2e18 && x <= 9.2e18;
        v = ok ? qint64(x) : 0;
    } else if (isTextVariant(typeId)) {
        v = value.toString().trimmed().toLongLong(&ok, 10);
    } else {
        v = value.toLongLong(&ok);
    }
    if (!ok)
        throw TableError(QStringLiteral("'%1' is not a valid integer value for field '%2'").arg(value.toString(), def.name));
    if (!rangeFits(def.type, v))
        throw TableError(QStringLiteral("%1 is out of range for field '%2'").arg(v).arg(def.name));
    return v;
}

QVariant fromCell(FieldType type, const Cell &cell)
{
    switch (cell.index()) {
    case 1: {
        const qint64 v = std::get<1>(cell);
        if (type == FieldType::Boolean)
            return QVariant(v != 0);
        if (type == FieldType::LargeInt)
            return QVariant(qlonglong(v));
        return QVariant(int(v));
    }
    case 2:
        return QVariant(std::get<2>(cell));
    default:
        return {};
    }
}

// ---------------------------------------------------------------- filter

namespace {

class FilterParser {
public:
    explicit FilterParser(const QString &text) : m_text(text) {}

    std::vector<FilterTerm> parse()
    {
        std::vector<FilterTerm> terms;
        skipSpace();
        if (atEnd())
            return terms;
        for (;;) {
            terms.push_back(term());
            skipSpace();
            if (atEnd())
                return terms;
            if (!keyword(u"AND"))
                error(QStringLiteral("expected AND"));
        }
    }

private:
    const QString &m_text;
    qsizetype m_i = 0;

    bool atEnd() const { return m_i >= m_text.size(); }
    QChar peek() const { return atEnd() ? QChar() : m_text[m_i]; }
    void skipSpace()
    {
        while (!atEnd() && m_text[m_i].isSpace())
            ++m_i;
    }
    [[noreturn]] void error(const QString &what) const
    {
        throw TableError(QStringLiteral("Invalid filter \"%1\": %2 at position %3").arg(m_text, what).arg(m_i + 1));
    }
    bool keyword(QStringView word)
    {
        if (m_text.mid(m_i, word.size()).compare(word, Qt::CaseInsensitive) != 0)
            return false;
        const qsizetype after = m_i + word.size();
        if (after < m_text.size() && (m_text[after].isLetterOrNumber() || m_text[after] == u'_'))
            return false;
        m_i = after;
        return true;
    }
    static bool nameChar(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'-' || c == u'.'; }

    FilterTerm term()
    {
        FilterTerm t;
        skipSpace();
        if (peek() == u'[') {
            const qsizetype close = m_text.indexOf(u']', m_i + 1);
            if (close < 0)
                error(QStringLiteral("missing ]"));
            t.field = m_text.mid(m_i + 1, close - m_i - 1).trimmed();
            m_i = close + 1;
        } else {
            const qsizetype start = m_i;
            while (!atEnd() && nameChar(m_text[m_i]))
                ++m_i;
            t.field = m_text.mid(start, m_i - start);
        }
        if (t.field.isEmpty())
            error(QStringLiteral("expected a field name"));
        skipSpace();
        if (peek() != u'=')
            error(QStringLiteral("expected ="));
        ++m_i;
        skipSpace();
        t.value = literal();
        return t;
    }

    QVariant literal()
    {
        if (peek() == u'\'') {
            QString value;
            ++m_i;
            for (;;) {
                if (atEnd())
                    error(QStringLiteral("unterminated quoted text"));
                const QChar c = m_text[m_i++];
                if (c == u'\'') {
                    if (peek() == u'\'') {
                        value += u'\'';
                        ++m_i;
                        continue;
                    }
                    return value;
                }
                value += c;
            }
        }
        if (keyword(u"TRUE"))
            return true;
        if (keyword(u"FALSE"))
            return false;
        const qsizetype start = m_i;
        if (peek() == u'-' || peek() == u'+')
            ++m_i;
        while (!atEnd() && m_text[m_i].isDigit())
            ++m_i;
        bool ok = false;
        const qlonglong v = m_text.mid(start, m_i - start).toLongLong(&ok);
        if (!ok)
            error(QStringLiteral("expected a quoted text, a number, True or False"));
        return v;
    }
};

} // namespace

std::vector<FilterTerm> parseFilter(const QString &text) { return FilterParser(text).parse(); }

// ---------------------------------------------------------------- files

void adviseLargePages(void *data, std::size_t size)
{
#if defined(Q_OS_LINUX) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t page = 4096;
    if (size < (8u << 20))
        return;
    const std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(data) + page - 1) & ~(page - 1);
    const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(page - 1);
    if (end > begin)
        ::madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
#else
    Q_UNUSED(data);
    Q_UNUSED(size);
#endif
}

namespace {

void syncToDisk(QFileDevice &file)
{
#ifdef Q_OS_UNIX
    ::fsync(file.handle());
#elif defined(Q_OS_WIN)
    ::_commit(file.handle());
#else
    Q_UNUSED(file);
#endif
}

void syncFolder(const QString &folder)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(folder);
#endif
}

} // namespace

void writeFileAtomically(const QString &fileName, const std::string &data,
                         const std::function<void(const QString &)> &beforeReplace)
{
    const QFileInfo target(fileName);
    const QString folder = target.absolutePath();
    const auto failure = [&](const QString &why) {
        return TableError(QStringLiteral("Cannot write table file '%1': %2").arg(fileName, why));
    };
    if (!QFileInfo(folder).isDir())
        throw failure(QStringLiteral("the folder does not exist"));
    if (target.isDir())
        throw failure(QStringLiteral("it is a folder"));

    QTemporaryFile temp(folder + QLatin1Char('/') + target.fileName() + QStringLiteral(".XXXXXX.tmp"));
    temp.setAutoRemove(true);
    if (!temp.open())
        throw failure(temp.errorString());
    const char *p = data.data();
    qint64 left = qint64(data.size());
    while (left > 0) {
        const qint64 n = temp.write(p, left);
        if (n <= 0)
            throw failure(temp.errorString());
        p += n;
        left -= n;
    }
    if (!temp.flush())
        throw failure(temp.errorString());
    syncToDisk(temp);
    // Keep the permissions of the file being replaced; a new file gets the usual 0644.
    QFileDevice::Permissions perms = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                                     QFileDevice::WriteUser | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    if (target.exists())
        perms = QFile::permissions(fileName);
    temp.setPermissions(perms);
    temp.close();
    if (beforeReplace)
        beforeReplace(temp.fileName());

    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(temp.fileName().toStdU16String()),
                            std::filesystem::path(target.absoluteFilePath().toStdU16String()), ec);
    if (ec)
        throw failure(QString::fromStdString(ec.message()));
    temp.setAutoRemove(false);
    syncFolder(folder);
}

} // namespace orvane::table::detail
