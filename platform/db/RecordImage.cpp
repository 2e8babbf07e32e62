// A store made from columns already in memory (a JSON packet read): when
// SQLite first needs the records, the records table's b-tree is written
// straight into the database image, page by page in SQLite's file format,
// instead of one INSERT per record. The schema and the fields table are
// made by SQLite itself, as for any store; only the records table's pages
// are ours. Records that would need overflow
// pages (longer than a page holds), or a database other than the writer
// assumes (pageWriterMismatch()), go through SQL instead.
#include "platform/db/PacketImage.h"
#include "platform/rtl/Exceptions.h"

#include <cstring>
#include <limits>

namespace TouchDialogs::db {

namespace {

void put16(unsigned char *p, size_t v)
{
    p[0] = uchar(v >> 8);
    p[1] = uchar(v);
}

void put32(unsigned char *p, quint32 v)
{
    for (int i = 3; i >= 0; --i, v >>= 8)
        p[i] = uchar(v);
}

quint32 get32(const unsigned char *p) { return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3]; }

// SQLite's varint, for values below 2^56 (all this file writes).
int varintLength(quint64 v)
{
    int n = 1;
    while (v >>= 7)
        ++n;
    return n;
}

unsigned char *putVarint(unsigned char *p, quint64 v)
{
    const int n = varintLength(v);
    for (int i = n - 1; i >= 0; --i, v >>= 7)
        p[i] = uchar((v & 0x7f) | (i == n - 1 ? 0 : 0x80));
    return p + n;
}

// The serial type of an integer and its length in bytes (schema format 4:
// 0 and 1 take no bytes).
std::pair<int, int> integerType(qint64 v)
{
    if (v == 0)
        return {8, 0};
    if (v == 1)
        return {9, 0};
    if (v >= -128 && v <= 127)
        return {1, 1};
    if (v >= -32768 && v <= 32767)
        return {2, 2};
    if (v >= -8388608 && v <= 8388607)
        return {3, 3};
    if (v >= -2147483648LL && v <= 2147483647LL)
        return {4, 4};
    if (v >= -140737488355328LL && v <= 140737488355327LL)
        return {5, 6};
    return {6, 8};
}

// A real of a REAL column that SQLite writes as an integer: one that is a
// whole number strictly inside the 64-bit range (read back as a real).
bool storedAsInteger(double d, qint64 &v)
{
    constexpr double lo = double(std::numeric_limits<qint64>::min()), hi = double(std::numeric_limits<qint64>::max());
    v = d <= lo ? std::numeric_limits<qint64>::min() : d >= hi ? std::numeric_limits<qint64>::max() : qint64(d);
    return d == double(v) && v > std::numeric_limits<qint64>::min() && v < std::numeric_limits<qint64>::max();
}

// One record in SQLite's record format (the fields, then _pos), as SQLite
// writes it.
class RecordEncoder {
public:
    explicit RecordEncoder(const std::vector<Column> &columns) : m_columns(columns) {}

    // Encodes the record of rowid with its position; returns its bytes.
    std::string_view encode(int rowid, double pos)
    {
        m_types.clear();
        size_t body = 0;
        qint64 whole = 0;
        for (const Column &c : m_columns) {
            int type = 0, length = 0;
            if (!c.isNull(rowid)) {
                switch (c.storage()) {
                case Storage::Int:
                    std::tie(type, length) = integerType(c.integer(rowid));
                    break;
                case Storage::Real:
                    std::tie(type, length) = storedAsInteger(c.real(rowid), whole) ? integerType(whole) : std::pair{7, 8};
                    break;
                case Storage::Text:
                    length = int(c.text(rowid).size());
                    type = 13 + 2 * length;
                    break;
                }
            }
            m_types.push_back(type);
            body += size_t(length);
        }
        const auto [posType, posLength] = storedAsInteger(pos, whole) ? integerType(whole) : std::pair{7, 8};
        m_types.push_back(posType);
        body += size_t(posLength);
        size_t typesLength = 0;
        for (int t : m_types)
            typesLength += size_t(varintLength(quint64(t)));
        size_t header = typesLength + 1;
        while (size_t(varintLength(header)) + typesLength != header)
            header = typesLength + size_t(varintLength(header));
        m_bytes.resize(header + body);
        unsigned char *p = putVarint(m_bytes.data(), header);
        for (int t : m_types)
            p = putVarint(p, quint64(t));
        for (size_t f = 0; f < m_columns.size(); ++f) {
            const Column &c = m_columns[f];
            if (c.isNull(rowid))
                continue;
            switch (c.storage()) {
            case Storage::Int:
                p = putInteger(p, c.integer(rowid));
                break;
            case Storage::Real:
                p = storedAsInteger(c.real(rowid), whole) ? putInteger(p, whole) : putReal(p, c.real(rowid));
                break;
            case Storage::Text: {
                const std::string_view t = c.text(rowid);
                if (!t.empty())
                    std::memcpy(p, t.data(), t.size());
                p += t.size();
                break;
            }
            }
        }
        if (storedAsInteger(pos, whole))
            putInteger(p, whole);
        else
            putReal(p, pos);
        return std::string_view(reinterpret_cast<const char *>(m_bytes.data()), m_bytes.size());
    }

private:
    static unsigned char *putInteger(unsigned char *p, qint64 v)
    {
        const int length = integerType(v).second;
        for (int i = 0; i < length; ++i)
            p[i] = uchar(quint64(v) >> (8 * (length - 1 - i)));
        return p + length;
    }
    static unsigned char *putReal(unsigned char *p, double d)
    {
        quint64 bits;
        std::memcpy(&bits, &d, sizeof bits);
        for (int i = 7; i >= 0; --i, bits >>= 8)
            p[i] = uchar(bits);
        return p + 8;
    }

    const std::vector<Column> &m_columns;
    std::vector<int> m_types;
    std::vector<unsigned char> m_bytes;
};

// The pages of one table b-tree, appended after the pages the image has.
class TreeWriter {
public:
    TreeWriter(size_t pageSize, size_t usable, quint32 firstPage)
        : m_pageSize(pageSize), m_usable(usable), m_firstPage(firstPage)
    {
    }

    // The longest record a leaf holds without overflow pages.
    size_t maxLocal() const { return m_usable - 35; }

    void addRecord(qint64 rowid, std::string_view record)
    {
        const size_t cell = size_t(varintLength(record.size())) + size_t(varintLength(quint64(rowid))) + record.size();
        if (m_cells.empty() || m_used + cell + 2 > m_usable)
            startLeaf();
        m_used += cell + 2;
        unsigned char *page = pageAt(m_current);
        m_content -= cell;
        unsigned char *p = putVarint(page + m_content, record.size());
        p = putVarint(p, quint64(rowid));
        std::memcpy(p, record.data(), record.size());
        m_cells.push_back(quint16(m_content));
        m_levelKeys.back() = rowid;
    }

    // Finishes the tree; returns the bytes of its top page, which becomes
    // the root, and the pages below it (possibly none).
    std::pair<std::vector<unsigned char>, std::vector<unsigned char>> finish()
    {
        finishPage(0x0D, 8, 0);
        std::vector<std::pair<quint32, qint64>> level;
        for (size_t i = 0; i < m_levelPages.size(); ++i)
            level.push_back({m_levelPages[i], m_levelKeys[i]});
        while (level.size() > 1)
            level = interiorLevel(level);
        // The top page is the last one written: it moves to the root.
        std::vector<unsigned char> top(m_pages.end() - std::ptrdiff_t(m_pageSize), m_pages.end());
        m_pages.resize(m_pages.size() - m_pageSize);
        return {std::move(top), std::move(m_pages)};
    }

private:
    unsigned char *pageAt(size_t index) { return m_pages.data() + index * m_pageSize; }
    quint32 pageNumber(size_t index) const { return m_firstPage + quint32(index); }

    void startLeaf()
    {
        if (!m_cells.empty())
            finishPage(0x0D, 8, 0);
        m_current = m_pages.size() / m_pageSize;
        m_pages.resize(m_pages.size() + m_pageSize, 0);
        m_content = m_usable;
        m_used = 8;
        m_levelPages.push_back(pageNumber(m_current));
        m_levelKeys.push_back(0);
    }

    void finishPage(unsigned char kind, size_t headerSize, quint32 rightChild)
    {
        // The cell pointers end where the cells begin, on a page we have.
        const size_t pointersEnd = headerSize + 2 * m_cells.size();
        if (m_pageSize < 12 || m_pages.size() / m_pageSize <= m_current || pointersEnd > m_content
            || m_content > m_pageSize)
            throw EDatabaseError(QStringLiteral("Internal error: a b-tree page of the records overflows"));
        unsigned char *page = pageAt(m_current);
        page[0] = kind;
        put16(page + 3, m_cells.size());
        put16(page + 5, m_content);
        if (kind == 0x05)
            put32(page + 8, rightChild);
        for (size_t i = 0; i < m_cells.size(); ++i)
            put16(page + headerSize + 2 * i, m_cells[i]);
        m_cells.clear();
    }

    // The interior pages over one level of pages (number, largest rowid).
    std::vector<std::pair<quint32, qint64>> interiorLevel(const std::vector<std::pair<quint32, qint64>> &children)
    {
        // Groups of children, each page as full as it goes; the last child of
        // a page is its right child and takes no cell.
        std::vector<std::pair<size_t, size_t>> groups;
        for (size_t i = 0; i < children.size();) {
            const size_t start = i++;
            size_t used = 12;
            while (i < children.size()) {
                const size_t cell = 2 + 4 + size_t(varintLength(quint64(children[i - 1].second)));
                if (used + cell > m_usable)
                    break;
                used += cell;
                ++i;
            }
            groups.push_back({start, i});
        }
        // A page with a right child alone holds no key: take one from the page before.
        if (groups.size() > 1 && groups.back().second - groups.back().first == 1) {
            --groups[groups.size() - 2].second;
            --groups.back().first;
        }
        std::vector<std::pair<quint32, qint64>> level;
        for (const auto &[from, to] : groups) {
            m_current = m_pages.size() / m_pageSize;
            m_pages.resize(m_pages.size() + m_pageSize, 0);
            m_content = m_usable;
            unsigned char *page = pageAt(m_current);
            for (size_t c = from; c + 1 < to; ++c) {
                const size_t cell = 4 + size_t(varintLength(quint64(children[c].second)));
                m_content -= cell;
                put32(page + m_content, children[c].first);
                putVarint(page + m_content + 4, quint64(children[c].second));
                m_cells.push_back(quint16(m_content));
            }
            finishPage(0x05, 12, children[to - 1].first);
            level.push_back({pageNumber(m_current), children[to - 1].second});
        }
        return level;
    }

    size_t m_pageSize, m_usable;
    quint32 m_firstPage;
    std::vector<unsigned char> m_pages;
    size_t m_current = 0, m_content = 0, m_used = 0;
    std::vector<quint16> m_cells;
    std::vector<quint32> m_levelPages;
    std::vector<qint64> m_levelKeys;
};

// Where the page writer puts the records' pages.
struct PageLayout {
    const unsigned char *image = nullptr; // the database as it is, pages long
    size_t pageSize = 0, usable = 0;
    quint32 pages = 0, root = 0;
};

// Everything the page writer assumes of the database it writes into, each
// checked against the database itself before it writes. When one does not
// hold, SQLite writes the records instead (ensureImage()).
//  - An image in memory, which serialize reads without a copy.
//  - Any page size; a page's usable part is what the reserved bytes at its
//    end (header offset 20) leave.
//  - The header's page count (offset 28) is the image's size, and valid
//    (offset 92): the writer's pages follow the last one.
//  - File format 1, a rollback journal (offsets 18, 19), and schema format
//    4 (offset 44): the integers 0 and 1 are written without bytes.
//  - Text in UTF-8 (offset 56), as the columns hold it.
//  - No auto-vacuum, full or incremental (offsets 52, 64): the writer keeps
//    no pointer-map pages.
//  - No free pages (offsets 32, 36): the image is handed out as it is.
//  - The records table exactly as createSchema() wrote it: the fields'
//    columns with their types (a value is stored by its column's affinity)
//    and _pos, a table with rowids; nothing else on it, as an index or a
//    trigger, which would be left without the records.
//  - Its root an empty leaf page after the header's page, which the writer
//    replaces.
const char *pageWriterMismatch(sqlite3 *db, const std::vector<FieldInfo> &fields, PageLayout &layout)
{
    sqlite3_int64 size = 0;
    const unsigned char *h = sqlite3_serialize(db, "main", &size, SQLITE_SERIALIZE_NOCOPY);
    if (!h || size < 512)
        return "not an image in memory";
    const size_t pageSize = size_t(h[16]) << 8 | h[17];
    layout.pageSize = pageSize == 1 ? 65536 : pageSize;
    if (layout.pageSize < 512 || (layout.pageSize & (layout.pageSize - 1)) != 0 || size_t(size) % layout.pageSize != 0)
        return "page size";
    layout.usable = layout.pageSize - h[20];
    layout.pages = quint32(size_t(size) / layout.pageSize);
    if (get32(h + 28) != layout.pages || get32(h + 24) != get32(h + 92))
        return "page count";
    if (h[18] != 1 || h[19] != 1 || get32(h + 44) != 4)
        return "file format";
    if (get32(h + 56) != 1)
        return "text encoding";
    if (get32(h + 52) != 0 || get32(h + 64) != 0)
        return "auto-vacuum";
    if (get32(h + 32) != 0 || get32(h + 36) != 0)
        return "free pages";
    QByteArray declared;
    {
        Statement st(db, "SELECT type = 'table' AND name = 'records', rootpage, sql FROM sqlite_schema "
                           "WHERE tbl_name = 'records' COLLATE NOCASE");
        int objects = 0;
        while (st.step()) {
            ++objects;
            if (st.int64(0)) {
                layout.root = quint32(st.int64(1));
                declared = QByteArray(st.text(2).data(), qsizetype(st.text(2).size()));
            }
        }
        if (objects > 1)
            return "an index or trigger on records";
    }
    if (declared != recordsTable(fields))
        return "records declared otherwise";
    if (layout.root < 2 || layout.root > layout.pages)
        return "records not an empty leaf";
    const unsigned char *root = h + size_t(layout.root - 1) * layout.pageSize;
    if (root[0] != 0x0D || root[3] != 0 || root[4] != 0)
        return "records not an empty leaf";
    layout.image = h;
    return nullptr;
}

#ifdef TD_CHECK_WRITTEN_PAGES
// A packet this process handed out is taken over unchecked, so a fault of
// the writer would travel with it: these builds read every image back.
void checkWrittenImage(const QByteArray &image, const RecordTable &table)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    struct Close {
        sqlite3 *db;
        ~Close() { sqlite3_close_v2(db); } // after the statements below
    } close{db};
    auto broken = [](const QString &why) {
        return EDatabaseError(QStringLiteral("Internal error: the records' pages as written %1").arg(why));
    };
    auto *bytes = reinterpret_cast<unsigned char *>(const_cast<char *>(image.constData()));
    if (sqlite3_deserialize(db, "main", bytes, image.size(), image.size(), SQLITE_DESERIALIZE_READONLY) != SQLITE_OK)
        throw broken(QStringLiteral("are no database"));
    {
        Statement check(db, "PRAGMA quick_check");
        if (check.step() && check.qtext(0) != QLatin1String("ok"))
            throw broken(QStringLiteral("are damaged (%1)").arg(check.qtext(0)));
    }
    QByteArray sql = "SELECT rowid, _pos";
    for (const FieldInfo &f : table.fields())
        sql += ", " + f.quoted;
    Statement st(db, (sql + " FROM records ORDER BY rowid").toStdString());
    for (int r = 1; r < table.nextRowid(); ++r) {
        if (!table.alive(r))
            continue;
        if (!st.step() || st.int64(0) != r || st.real(1) != table.position(r))
            throw broken(QStringLiteral("lose or misplace record %1").arg(r));
        for (size_t f = 0; f < table.columns().size(); ++f) {
            const Column &c = table.columns()[f];
            const int i = int(f) + 2;
            bool same = false;
            if (c.isNull(r))
                same = st.type(i) == SQLITE_NULL;
            else if (c.storage() == Storage::Int)
                same = st.type(i) == SQLITE_INTEGER && st.int64(i) == c.integer(r);
            else if (c.storage() == Storage::Real)
                same = st.type(i) == SQLITE_FLOAT && st.real(i) == c.real(r);
            else
                same = st.type(i) == SQLITE_TEXT && st.text(i) == c.text(r);
            if (!same)
                throw broken(QStringLiteral("change field \"%1\" of record %2").arg(table.fields()[f].name).arg(r));
        }
    }
    if (st.step())
        throw broken(QStringLiteral("hold a record %1 the columns do not").arg(st.int64(0)));
}
#endif

} // namespace

QByteArray imageWithRecords(sqlite3 *db, const RecordTable &table)
{
    if (pageWriterProbe && pageWriterProbe->filled)
        pageWriterProbe->filled(db);
    PageLayout layout;
    const char *mismatch = table.natural().empty() ? "no records" : pageWriterMismatch(db, table.fields(), layout);
    if (pageWriterProbe)
        pageWriterProbe->fellBack = mismatch;
    if (mismatch)
        return {};
    TreeWriter tree(layout.pageSize, layout.usable, layout.pages + 1);
    RecordEncoder encoder(table.columns());
    for (int r = 1; r < table.nextRowid(); ++r) {
        if (!table.alive(r))
            continue;
        const std::string_view record = encoder.encode(r, table.position(r));
        if (record.size() > tree.maxLocal()) {
            if (pageWriterProbe)
                pageWriterProbe->fellBack = "a record longer than a page holds";
            return {};
        }
        tree.addRecord(r, record);
    }
    auto [top, below] = tree.finish();
    const size_t size = size_t(layout.pages) * layout.pageSize;
    QByteArray image(qsizetype(size + below.size()), Qt::Uninitialized);
    auto *bytes = reinterpret_cast<unsigned char *>(image.data());
    std::memcpy(bytes, layout.image, size);
    std::memcpy(bytes + size_t(layout.root - 1) * layout.pageSize, top.data(), layout.pageSize);
    if (!below.empty())
        std::memcpy(bytes + size, below.data(), below.size());
    const quint32 changes = get32(bytes + 24) + 1;
    put32(bytes + 24, changes);
    put32(bytes + 92, changes);
    put32(bytes + 28, quint32(size_t(image.size()) / layout.pageSize));
#ifdef TD_CHECK_WRITTEN_PAGES
    checkWrittenImage(image, table);
#endif
    return image;
}


} // namespace TouchDialogs::db
