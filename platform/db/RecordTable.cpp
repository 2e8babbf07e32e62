#include "platform/db/RecordTable.h"
#include "platform/db/Sqlite.h"

#include <algorithm>
#include <cmath>

namespace TouchDialogs::db {

RecordTable::RecordTable(std::vector<FieldInfo> fields) : m_fields(std::move(fields))
{
    for (FieldInfo &f : m_fields) {
        f.storage = storageOf(f.type);
        f.quoted = quoteIdentifier(f.name);
        m_columns.emplace_back(f.storage);
    }
    reserve(1);
}

int RecordTable::fieldIndex(const QString &name) const
{
    for (size_t i = 0; i < m_fields.size(); ++i) {
        const QString &f = m_fields[i].name;
        if (f.size() != name.size())
            continue;
        bool same = true;
        for (qsizetype k = 0; k < f.size() && same; ++k) {
            const char16_t a = f[k].unicode(), b = name[k].unicode();
            same = a == b || (a < 128 && b < 128 && lowerAscii(uchar(a)) == lowerAscii(uchar(b)));
        }
        if (same)
            return int(i);
    }
    return -1;
}

std::vector<Cell> RecordTable::row(int rowid) const
{
    std::vector<Cell> cells;
    cells.reserve(m_columns.size());
    for (const Column &c : m_columns)
        cells.push_back(c.cell(rowid));
    return cells;
}

std::vector<int> &SharedRows::edit()
{
    if (!m_rows)
        m_rows = std::make_shared<std::vector<int>>();
    else if (m_rows.use_count() > 1)
        m_rows = std::make_shared<std::vector<int>>(*m_rows);
    return *m_rows;
}

const std::vector<int> &SharedRows::none()
{
    static const std::vector<int> empty;
    return empty;
}

RecordTable::Rows &RecordTable::rows()
{
    if (m_rows.use_count() > 1)
        m_rows = std::make_shared<Rows>(*m_rows);
    return *m_rows;
}

std::vector<double> &RecordTable::positions()
{
    Rows &r = rows();
    if (r.pos.empty()) {
        growVector(r.pos, r.alive.size());
        for (size_t i = 0; i < r.pos.size(); ++i)
            r.pos[i] = double(i);
    }
    return r.pos;
}

bool RecordTable::reserve(size_t count)
{
    if (count <= capacity())
        return false;
    const size_t cap = std::max(count, capacity() + capacity() / 2 + 16);
    Rows &r = rows();
    if (!r.pos.empty())
        growVector(r.pos, cap);
    growVector(r.alive, cap);
    for (Column &c : m_columns)
        c.resize(cap);
    return true;
}

size_t RecordTable::longestText() const
{
    size_t longest = 0;
    for (const Column &c : m_columns)
        longest = std::max(longest, c.longestText());
    return longest;
}

std::vector<int>::const_iterator RecordTable::naturalPlace(int rowid) const
{
    return std::lower_bound(natural().begin(), natural().end(), rowid,
                            [this](int a, int b) { return naturalLess(a, b); });
}

double RecordTable::positionAfterLast() const
{
    return natural().empty() ? 1.0 : std::floor(position(natural().back())) + 1.0;
}

std::optional<double> RecordTable::positionBefore(int rowid) const
{
    const auto it = naturalPlace(rowid);
    const double here = position(rowid);
    const double before = it == natural().begin() ? here - 2.0 : position(*(it - 1));
    const double mid = before + (here - before) / 2;
    if (before < mid && mid < here)
        return mid;
    return std::nullopt;
}

std::vector<std::pair<int, double>> RecordTable::respaced(int rowid) const
{
    const std::vector<int> &nat = natural();
    const int at = int(naturalPlace(rowid) - nat.begin());
    const int n = int(nat.size());
    for (int w = 16;; w *= 4) {
        const int lo = std::max(0, at - w), hi = std::min(n - 1, at + w);
        const int count = hi - lo + 1;
        const double first = position(nat[size_t(lo)]), last = position(nat[size_t(hi)]);
        const double left = lo == 0 ? first - count : position(nat[size_t(lo - 1)]);
        const double right = hi == n - 1 ? last + count : position(nat[size_t(hi + 1)]);
        const double step = (right - left) / (count + 1);
        const bool whole = lo == 0 && hi == n - 1;
        if (!whole && step <= std::max(std::fabs(left), std::fabs(right)) * 1e-9)
            continue;
        std::vector<std::pair<int, double>> moved(static_cast<size_t>(count));
        for (int k = 0; k < count; ++k)
            moved[size_t(k)] = {nat[size_t(lo + k)], whole ? double(k + 1) : left + step * (k + 1)};
        return moved;
    }
}

int RecordTable::insert(double pos, const std::vector<Cell> &cells)
{
    const int rowid = m_nextRowid++;
    Rows &r = rows();
    if (!r.pos.empty() || pos != rowid)
        positions()[size_t(rowid)] = pos;
    r.alive[size_t(rowid)] = 1;
    update(rowid, cells);
    std::vector<int> &natural = r.natural.edit();
    natural.insert(natural.begin() + (naturalPlace(rowid) - natural.cbegin()), rowid);
    return rowid;
}

void RecordTable::update(int rowid, const std::vector<Cell> &cells)
{
    for (size_t f = 0; f < m_columns.size(); ++f)
        m_columns[f].set(rowid, cells[f]);
}

void RecordTable::erase(int rowid)
{
    Rows &r = rows();
    std::vector<int> &natural = r.natural.edit();
    const auto it = naturalPlace(rowid);
    if (it != natural.cend() && *it == rowid)
        natural.erase(it);
    for (Column &c : m_columns)
        c.clear(rowid);
    r.alive[size_t(rowid)] = 0;
}

void RecordTable::clear()
{
    // Fresh columns rather than each value cleared: columns shared with the
    // dataset that handed the records on would first be copied whole.
    for (Column &c : m_columns)
        c = Column(c.storage());
    m_rows = std::make_shared<Rows>();
    m_nextRowid = 1;
    reserve(1);
}

void RecordTable::assign(std::vector<Column> columns, std::vector<double> positions, std::vector<int> rowids)
{
    m_columns = std::move(columns);
    m_rows = std::make_shared<Rows>();
    Rows &r = *m_rows;
    std::vector<int> &natural = r.natural.edit();
    natural = std::move(rowids);
    m_nextRowid = 1;
    for (int rowid : r.natural)
        m_nextRowid = std::max(m_nextRowid, rowid + 1);
    const size_t rows = std::max(positions.size(), size_t(m_nextRowid));
    // Positions that are the rowids, as a packet written from records read
    // in order has them, need not be kept.
    const bool implicit = std::all_of(r.natural.begin(), r.natural.end(), [&](int rowid) {
        return positions.empty() || positions[size_t(rowid)] == rowid;
    });
    if (!implicit) {
        r.pos = std::move(positions);
        r.pos.resize(rows);
    }
    growVector(r.alive, rows);
    for (int rowid : r.natural)
        r.alive[size_t(rowid)] = 1;
    for (Column &c : m_columns)
        c.resize(rows);
    auto byPos = [this](int a, int b) { return naturalLess(a, b); };
    if (!std::is_sorted(natural.begin(), natural.end(), byPos))
        std::sort(natural.begin(), natural.end(), byPos);
    reserve(1);
}

} // namespace TouchDialogs::db
