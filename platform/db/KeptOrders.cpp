#include "platform/db/Collation.h"
#include "platform/db/KeptOrders.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <charconv>
#include <cstring>

namespace TouchDialogs::db {

namespace {

int compareBytes(std::string_view a, std::string_view b)
{
    const size_t n = std::min(a.size(), b.size());
    if (const int c = n ? std::memcmp(a.data(), b.data(), n) : 0)
        return c;
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

unsigned char noFold(unsigned char c) { return c; }

// Texts compared byte by byte, each folded first: SQLite's NOCASE folds
// ASCII letters to lower case, UPPER() raises them.
template <unsigned char (*FoldA)(unsigned char), unsigned char (*FoldB)(unsigned char)>
int compareFolded(std::string_view a, std::string_view b)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const int x = FoldA(uchar(a[i])), y = FoldB(uchar(b[i]));
        if (x != y)
            return x - y;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}
inline int compareNoCase(std::string_view a, std::string_view b) { return compareFolded<lowerAscii, lowerAscii>(a, b); }
inline int compareUpper(std::string_view a, std::string_view b) { return compareFolded<upperAscii, upperAscii>(a, b); }
// UPPER(value) against a pattern taken as it is.
inline int compareUpperTo(std::string_view value, std::string_view pattern)
{
    return compareFolded<upperAscii, noFold>(value, pattern);
}

// The first eight bytes, big-endian, so that integer order is byte order.
quint64 textKey(std::string_view s, unsigned char (*fold)(unsigned char))
{
    quint64 k = 0;
    for (size_t i = 0; i < 8; ++i)
        k = (k << 8) | (i < s.size() ? fold(uchar(s[i])) : 0);
    return k;
}

// Work on another thread looks now and then whether it is still wanted.
struct Stopped {};
class StopCheck {
public:
    explicit StopCheck(const std::atomic<bool> *stop) : m_stop(stop) {}
    void operator()()
    {
        if (m_stop && (++m_count & 1023) == 0 && m_stop->load(std::memory_order_relaxed))
            throw Stopped{};
    }

private:
    const std::atomic<bool> *m_stop;
    unsigned m_count = 0;
};


quint64 realKey(double d)
{
    if (d == 0)
        d = 0; // -0.0 sorts with 0.0, as in SQLite
    quint64 bits;
    std::memcpy(&bits, &d, sizeof bits);
    return (bits >> 63) ? ~bits : bits | (quint64(1) << 63);
}

} // namespace

KeptOrders::KeptOrders(const RecordTable &table) : m_table(table)
{
    m_collationKeys.resize(table.fields().size());
}

KeptOrders::~KeptOrders() { endJob(false); }

void KeptOrders::finishWork() { endJob(m_job && m_job->done.load(std::memory_order_acquire)); }

// ---------------------------------------------------- the table's changes

void KeptOrders::resize(size_t rows)
{
    for (auto &keys : m_collationKeys)
        if (keys)
            keys->resize(rows);
    m_prefixOrders.forEach([rows](PrefixOrder &p) {
        if (p.view.kind != PrefixView::Value)
            p.texts.resize(rows);
    });
}

void KeptOrders::written(int rowid)
{
    for (size_t f = 0; f < m_collationKeys.size(); ++f)
        if (m_collationKeys[f])
            storeCollationKey(*m_collationKeys[f], int(f), rowid);
}

void KeptOrders::erased(int rowid)
{
    for (auto &keys : m_collationKeys)
        if (keys)
            keys->clear(rowid);
}

void KeptOrders::clear()
{
    endJob(false);
    m_orders.clear();
    m_prefixOrders.clear();
    m_collationKeys.clear();
    m_collationKeys.resize(m_table.fields().size());
}

// ------------------------------------------- shared by copies of a store

const Column *KeptOrders::builtKeys(int field) const { return m_collationKeys[size_t(field)].get(); }

void KeptOrders::addKeys(int field, const Column &keys)
{
    if (!m_collationKeys[size_t(field)])
        m_collationKeys[size_t(field)] = std::make_unique<Column>(keys);
}

void KeptOrders::addOrder(const KeptOrder &o)
{
    if (!keptOrder(o.keys))
        m_orders.add(std::make_unique<KeptOrder>(o));
}

void KeptOrders::addPrefixOrder(const PrefixOrder &o)
{
    if (!keptPrefixOrder(o.field, o.view))
        m_prefixOrders.add(std::make_unique<PrefixOrder>(o));
}

// A kept order of text comes with the keys it compares by: without them
// the first edit would compute them all again.
void KeptOrders::copyFrom(const KeptOrders &from)
{
    for (size_t f = 0; f < from.m_collationKeys.size(); ++f)
        if (from.m_collationKeys[f])
            addKeys(int(f), *from.m_collationKeys[f]);
    from.m_orders.forEach([&](const KeptOrder &o) { addOrder(o); });
    from.m_prefixOrders.forEach([&](const PrefixOrder &o) { addPrefixOrder(o); });
}

// ------------------------------------------------------------------- order

bool KeptOrders::collates(int field) const
{
    const TFieldType type = m_table.fields()[size_t(field)].type;
    return type == ftString || type == ftMemo;
}

void KeptOrders::storeCollationKey(Column &keys, int field, int rowid) const
{
    const Column &c = m_table.column(field);
    if (c.isNull(rowid)) {
        keys.clear(rowid);
        return;
    }
    thread_local std::string key;
    Collation::instance().sortKey(c.text(rowid), key);
    keys.set(rowid, key);
}

const Column &KeptOrders::collationKeys(int field) const
{
    std::unique_ptr<Column> &keys = m_collationKeys[size_t(field)];
    if (!keys) {
        // Only this thread comes here: work on another reads built keys only.
        if (m_job && m_job->kind == Job::Keys && m_job->field == field) {
            m_job->thread.join();
            if (!m_job->failed)
                keys = std::move(m_job->keyColumn);
            m_job.reset();
        }
        if (!keys)
            keys = buildCollationKeys(field, false);
    }
    return *keys;
}

std::unique_ptr<Column> KeptOrders::buildCollationKeys(int field, bool alone, const std::atomic<bool> *stop) const
{
    StopCheck check(stop);
    auto built = std::make_unique<Column>(Storage::Text);
    built->resize(m_table.capacity());
    const Column &c = m_table.column(field);
    // Every record in natural order; NULLs (read as empty) keep no key.
    const std::vector<int> &rows = m_table.natural();
    const size_t count = rows.size();
    Collation::instance().sortKeys(
        count, [&](size_t i) { return c.text(rows[i]); },
        [&](size_t i, std::string_view key) {
            check();
            if (!c.isNull(rows[i]))
                built->set(rows[i], key);
            // Room for the rest at the first keys' size: growing by doubling
            // holds the old and the new copy at once.
            if (i == 1023 && count > 4096)
                built->reserveText(size_t(double(built->textBytes()) / 1024.0 * double(count) * 1.1));
        },
        alone);
    return built;
}

int KeptOrders::compareField(const SortKey &key, int a, int b, bool withKeys) const
{
    const Column &c = m_table.column(key.field);
    const bool na = c.isNull(a), nb = c.isNull(b);
    if (na || nb)
        return na == nb ? 0 : na ? -1 : 1; // NULL first, as in SQLite
    switch (c.storage()) {
    case Storage::Int: {
        const qint64 x = c.integer(a), y = c.integer(b);
        return x < y ? -1 : x > y ? 1 : 0;
    }
    case Storage::Real: {
        const double x = c.real(a), y = c.real(b);
        return x < y ? -1 : x > y ? 1 : 0;
    }
    case Storage::Text:
        break;
    }
    if (collates(key.field)) {
        if (!withKeys && !m_collationKeys[size_t(key.field)])
            return Collation::instance().compare(c.text(a), c.text(b), key.caseInsensitive);
        const Column &keys = collationKeys(key.field);
        return key.caseInsensitive ? compareBytes(Collation::withoutCase(keys.text(a)), Collation::withoutCase(keys.text(b)))
                                   : compareBytes(keys.text(a), keys.text(b));
    }
    return key.caseInsensitive ? compareNoCase(c.text(a), c.text(b)) : compareBytes(c.text(a), c.text(b));
}

bool KeptOrders::keysMissing(const SortKeys &keys) const
{
    return std::any_of(keys.begin(), keys.end(),
                       [this](const SortKey &k) { return collates(k.field) && !m_collationKeys[size_t(k.field)]; });
}

bool KeptOrders::less(const SortKeys &keys, int a, int b, bool withKeys) const
{
    for (const SortKey &k : keys) {
        int c = compareField(k, a, b, withKeys);
        if (c)
            return k.descending ? c > 0 : c < 0;
    }
    return m_table.naturalLess(a, b);
}

void KeptOrders::sortRows(std::vector<int> &rows, const SortKeys &keys, const std::atomic<bool> *stop) const
{
    StopCheck check(stop);
    if (keys.empty())
        return;
    // Sort on a compact key of the first field first; the full comparison
    // only breaks ties of that key. NULL is 0, any value has the top bit
    // (its key loses the lowest); 12 bytes a row, not 16.
    struct Entry {
        quint32 hi, lo;
        int rowid;
        quint64 key() const { return quint64(hi) << 32 | lo; }
    };
    const SortKey first = keys.front();
    const Column &c = m_table.column(first.field);
    const Column *collation = collates(first.field) ? &collationKeys(first.field) : nullptr;
    std::vector<Entry> entries;
    reservePrepared(entries, rows.size());
    for (int r : rows) {
        quint64 key = 0;
        if (!c.isNull(r)) {
            switch (c.storage()) {
            case Storage::Int:
                key = quint64(c.integer(r)) ^ (quint64(1) << 63);
                break;
            case Storage::Real:
                key = realKey(c.real(r));
                break;
            case Storage::Text:
                if (collation)
                    key = textKey(first.caseInsensitive ? Collation::withoutCase(collation->text(r)) : collation->text(r),
                                  noFold);
                else
                    key = textKey(c.text(r), first.caseInsensitive ? lowerAscii : noFold);
                break;
            }
            key = key >> 1 | quint64(1) << 63;
        }
        entries.push_back({quint32(key >> 32), quint32(key), r});
    }
    const bool desc = first.descending;
    std::sort(entries.begin(), entries.end(), [&](const Entry &x, const Entry &y) {
        check();
        const quint64 a = x.key(), b = y.key();
        if (a != b)
            return desc ? a > b : a < b;
        return less(keys, x.rowid, y.rowid);
    });
    for (size_t i = 0; i < rows.size(); ++i)
        rows[i] = entries[i].rowid;
}

const SharedRows &KeptOrders::ordered(const SortKeys &keys)
{
    if (keys.empty())
        return m_table.natural();
    if (m_job && m_job->kind == Job::Order && m_job->keys == keys)
        endJob(true);
    if (KeptOrder *o = keptOrder(keys))
        return o->order;
    auto kept = std::make_unique<KeptOrder>();
    kept->keys = keys;
    std::vector<int> &order = kept->order.edit();
    assignPrepared(order, static_cast<const std::vector<int> &>(m_table.natural()));
    sortRows(order, keys);
    return m_orders.add(std::move(kept)).order;
}

// ------------------------------------------------- work on another thread

bool KeptOrders::orderReady(const SortKeys &keys)
{
    if (m_job && m_job->done.load(std::memory_order_acquire))
        endJob(true);
    if (keys.empty() || keptOrder(keys))
        return true;
    if (m_job)
        return false;
    auto job = std::make_unique<Job>();
    // The other thread reads the sort keys of the fields; they come first.
    for (const SortKey &k : keys)
        if (collates(k.field) && !m_collationKeys[size_t(k.field)]) {
            job->field = k.field;
            break;
        }
    if (job->field < 0) {
        job->kind = Job::Order;
        job->keys = keys;
    }
    if (startJob(std::move(job)))
        return false;
    ordered(keys);
    return true;
}

KeptOrder *KeptOrders::keptOrder(const SortKeys &keys)
{
    return m_orders.find([&](const KeptOrder &k) { return k.keys == keys; });
}

PrefixOrder *KeptOrders::keptPrefixOrder(int field, PrefixView view)
{
    return m_prefixOrders.find([&](const PrefixOrder &k) { return k.field == field && k.view == view; });
}

bool KeptOrders::prefixOrderReady(int field, bool ignoreAccents)
{
    if (m_job && m_job->done.load(std::memory_order_acquire))
        endJob(true);
    const PrefixView view = prefixViewOf(m_table.fields()[size_t(field)].type, ignoreAccents);
    if (keptPrefixOrder(field, view))
        return true;
    if (m_job)
        return false;
    auto job = std::make_unique<Job>();
    job->kind = Job::Prefix;
    job->field = field;
    job->view = view;
    if (startJob(std::move(job)))
        return false;
    prefixOrder(field, view);
    return true;
}

bool KeptOrders::startJob(std::unique_ptr<Job> job)
{
    Job *j = job.get();
    try {
        j->thread = std::thread([this, j] {
            try {
                runJob(*j);
            } catch (...) {
                j->failed = true; // stopped; or built again, and reported, when it is used
            }
            j->done.store(true, std::memory_order_release);
        });
    } catch (const std::system_error &) {
        return false; // no thread to be had: the caller builds it here
    }
    m_job = std::move(job);
    return true;
}

// On the other thread: reads the columns, positions and built sort keys,
// which this thread leaves alone until endJob().
void KeptOrders::runJob(Job &job) const
{
    switch (job.kind) {
    case Job::Keys:
        job.keyColumn = buildCollationKeys(job.field, true, &job.stop);
        break;
    case Job::Order:
        assignPrepared(job.order, static_cast<const std::vector<int> &>(m_table.natural()));
        sortRows(job.order, job.keys, &job.stop);
        break;
    case Job::Prefix:
        job.prefix = buildPrefixOrder(job.field, job.view, &job.stop);
        break;
    }
}

void KeptOrders::endJob(bool keep)
{
    if (!m_job)
        return;
    if (!keep)
        m_job->stop.store(true, std::memory_order_relaxed);
    m_job->thread.join();
    const std::unique_ptr<Job> job = std::move(m_job);
    if (!keep || job->failed)
        return;
    switch (job->kind) {
    case Job::Keys:
        if (!m_collationKeys[size_t(job->field)])
            m_collationKeys[size_t(job->field)] = std::move(job->keyColumn);
        break;
    case Job::Order:
        if (!keptOrder(job->keys)) {
            auto kept = std::make_unique<KeptOrder>();
            kept->keys = job->keys;
            kept->order = std::move(job->order);
            m_orders.add(std::move(kept));
        }
        break;
    case Job::Prefix:
        if (!keptPrefixOrder(job->field, job->view))
            m_prefixOrders.add(std::move(job->prefix));
        break;
    }
}

// The text SQLite's UPPER() gives for a value: ASCII letters raised; an
// integer in decimal. Real fields are not evaluated natively.
std::string_view KeptOrders::upperText(int field, int rowid, char *buffer) const
{
    const Column &c = m_table.column(field);
    if (c.storage() == Storage::Int) {
        const auto r = std::to_chars(buffer, buffer + 24, c.integer(rowid));
        return std::string_view(buffer, size_t(r.ptr - buffer));
    }
    return c.text(rowid);
}

// The text of a row in a prefix order's view, before UPPER().
std::string_view KeptOrders::viewText(const PrefixOrder &p, int rowid, char *buffer) const
{
    return p.view.kind == PrefixView::Value ? upperText(p.field, rowid, buffer) : p.texts.text(rowid);
}

void KeptOrders::storeViewText(PrefixOrder &p, int rowid) const
{
    if (p.view.kind == PrefixView::Value)
        return;
    QString text;
    if (p.view.kind == PrefixView::Shown) {
        text = toDisplay(m_table.column(p.field).cell(rowid), p.view.type);
    } else {
        char buffer[24];
        const std::string_view value = upperText(p.field, rowid, buffer); // SQLite's text of the value
        text = unaccented(textOf(QByteArrayView(value.data(), qsizetype(value.size()))));
    }
    const QByteArray utf8 = text.toUtf8();
    p.texts.set(rowid, std::string_view(utf8.constData(), size_t(utf8.size())));
}

bool KeptOrders::upperLess(const PrefixOrder &p, int a, int b) const
{
    char ba[24], bb[24];
    const int c = compareUpper(viewText(p, a, ba), viewText(p, b, bb));
    return c < 0 || (c == 0 && a < b);
}

void KeptOrders::preparePrefixOrder(int field, bool ignoreAccents)
{
    prefixOrder(field, prefixViewOf(m_table.fields()[size_t(field)].type, ignoreAccents));
}

PrefixOrder &KeptOrders::prefixOrder(int field, PrefixView view)
{
    if (m_job && m_job->kind == Job::Prefix && m_job->field == field && m_job->view == view)
        endJob(true);
    if (PrefixOrder *kept = keptPrefixOrder(field, view))
        return *kept;
    return m_prefixOrders.add(buildPrefixOrder(field, view));
}

std::unique_ptr<PrefixOrder> KeptOrders::buildPrefixOrder(int field, PrefixView view,
                                                                        const std::atomic<bool> *stop) const
{
    StopCheck check(stop);
    auto p = std::make_unique<PrefixOrder>();
    p->field = field;
    p->view = view;
    const Column &c = m_table.column(field);
    if (view.kind != PrefixView::Value) {
        p->texts.resize(m_table.capacity());
        for (int r : m_table.natural())
            if (!c.isNull(r)) {
                check();
                storeViewText(*p, r);
            }
    }
    struct Entry {
        quint64 key;
        int rowid;
    };
    std::vector<Entry> entries;
    reservePrepared(entries, m_table.natural().size());
    char buffer[24];
    for (int r : m_table.natural())
        if (!c.isNull(r))
            entries.push_back({textKey(viewText(*p, r, buffer), upperAscii), r});
    std::sort(entries.begin(), entries.end(), [&](const Entry &x, const Entry &y) {
        check();
        if (x.key != y.key)
            return x.key < y.key;
        return upperLess(*p, x.rowid, y.rowid);
    });
    std::vector<int> &order = p->order.edit();
    reservePrepared(order, entries.size());
    for (const Entry &e : entries)
        order.push_back(e.rowid);
    return p;
}

std::vector<int> KeptOrders::startingWith(const std::vector<int> &order, int field, PrefixView view,
                                          std::string_view prefix, const Bitmap *also)
{
    char buffer[24];
    const auto starts = [&](std::string_view t) {
        return t.size() >= prefix.size() && compareUpperTo(t.substr(0, prefix.size()), prefix) == 0;
    };
    // While another thread builds the field's upper-cased order, a key does
    // not wait for it: the values are read one by one, in the view's order.
    if (view.kind == PrefixView::Value && m_job && !keptPrefixOrder(field, view)) {
        std::vector<int> out;
        const Column &c = m_table.column(field);
        for (int r : order)
            if (!c.isNull(r) && (!also || also->test(size_t(r))) && starts(upperText(field, r, buffer)))
                out.push_back(r);
        return out;
    }
    // The prefix condition: one range of the field's upper-cased order.
    PrefixOrder &p = prefixOrder(field, view);
    const auto lo = std::partition_point(p.order.begin(), p.order.end(), [&](int r) {
        return compareUpperTo(viewText(p, r, buffer), prefix) < 0;
    });
    const auto hi = std::partition_point(lo, p.order.end(), [&](int r) { return starts(viewText(p, r, buffer)); });
    Bitmap match;
    match.resize(m_table.capacity());
    for (auto it = lo; it != hi; ++it)
        match.set(size_t(*it));
    if (also)
        match.intersect(*also);
    return match.kept(order);
}

void KeptOrders::unlink(int rowid)
{
    m_orders.forEach([&](KeptOrder &o) {
        std::vector<int> &order = o.order.edit();
        const auto it = std::lower_bound(order.begin(), order.end(), rowid,
                                         [&](int a, int b) { return less(o.keys, a, b); });
        if (it != order.end() && *it == rowid)
            order.erase(it);
    });
    m_prefixOrders.forEach([&](PrefixOrder &p) {
        if (m_table.column(p.field).isNull(rowid))
            return;
        std::vector<int> &order = p.order.edit();
        const auto it = std::lower_bound(order.begin(), order.end(), rowid,
                                         [&](int a, int b) { return upperLess(p, a, b); });
        if (it != order.end() && *it == rowid)
            order.erase(it);
        if (p.view.kind != PrefixView::Value)
            p.texts.clear(rowid);
    });
}

void KeptOrders::link(int rowid)
{
    m_orders.forEach([&](KeptOrder &o) {
        std::vector<int> &order = o.order.edit();
        order.insert(std::lower_bound(order.begin(), order.end(), rowid,
                                      [&](int a, int b) { return less(o.keys, a, b); }),
                     rowid);
    });
    m_prefixOrders.forEach([&](PrefixOrder &p) {
        if (m_table.column(p.field).isNull(rowid))
            return;
        storeViewText(p, rowid);
        std::vector<int> &order = p.order.edit();
        order.insert(std::lower_bound(order.begin(), order.end(), rowid,
                                      [&](int a, int b) { return upperLess(p, a, b); }),
                     rowid);
    });
}

} // namespace TouchDialogs::db
