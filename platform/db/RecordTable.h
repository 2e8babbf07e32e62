// The records of one dataset as columns by rowid: the values, each record's
// position in the natural order, and that order, in memory. The store
// writes each change to SQLite as well.
#pragma once

#include "platform/db/Columns.h"
#include "platform/db/Values.h"

#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace TouchDialogs::db {

// Rowids in some order, shared by copies until one of them changes: a view
// that is a whole kept order costs no copy of it.
class SharedRows {
public:
    SharedRows() = default;
    SharedRows(std::vector<int> rows) : m_rows(std::make_shared<std::vector<int>>(std::move(rows))) {}
    const std::vector<int> &get() const { return m_rows ? *m_rows : none(); }
    operator const std::vector<int> &() const & { return get(); }
    operator const std::vector<int> &() const && = delete; // would outlive the rows
    size_t size() const { return get().size(); }
    bool empty() const { return get().empty(); }
    int operator[](size_t i) const { return get()[i]; }
    int back() const { return get().back(); }
    std::vector<int>::const_iterator begin() const { return get().begin(); }
    std::vector<int>::const_iterator end() const { return get().end(); }
    // The rows to be changed: this copy's own from now on.
    std::vector<int> &edit();

private:
    static const std::vector<int> &none();
    std::shared_ptr<std::vector<int>> m_rows;
};

class RecordTable {
public:
    explicit RecordTable(std::vector<FieldInfo> fields = {});

    const std::vector<FieldInfo> &fields() const { return m_fields; }
    // Index of a field by name (ASCII case-insensitive, as SQLite), or -1.
    int fieldIndex(const QString &name) const;
    FieldInfo &field(int field) { return m_fields[size_t(field)]; }

    int recordCount() const { return int(m_rows->natural.size()); }
    // All rowids in natural order.
    const SharedRows &natural() const { return m_rows->natural; }
    bool alive(int rowid) const
    {
        return rowid > 0 && size_t(rowid) < m_rows->alive.size() && m_rows->alive[size_t(rowid)];
    }
    Cell cell(int rowid, int field) const { return m_columns[size_t(field)].cell(rowid); }
    std::vector<Cell> row(int rowid) const;
    const Column &column(int field) const { return m_columns[size_t(field)]; }
    const std::vector<Column> &columns() const { return m_columns; }
    double position(int rowid) const { return m_rows->pos.empty() ? rowid : m_rows->pos[size_t(rowid)]; }
    bool naturalLess(int a, int b) const
    {
        if (m_rows->pos.empty())
            return a < b;
        const double pa = m_rows->pos[size_t(a)], pb = m_rows->pos[size_t(b)];
        return pa < pb || (pa == pb && a < b);
    }
    // The rowid the next record gets; rowids below it may be dead.
    int nextRowid() const { return m_nextRowid; }
    // Rowids below this have room in every column.
    size_t capacity() const { return m_rows->alive.size(); }
    // Makes room for rowids below rows, with some to spare; false when
    // there was room already.
    bool reserve(size_t rows);
    // Bytes of the longest text any column has held.
    size_t longestText() const;

    double positionAfterLast() const;
    // A position between rowid and the record before it; none when the two
    // are too close (respaced() then makes room).
    std::optional<double> positionBefore(int rowid) const;
    // New positions (rowid, position) for the records around rowid, spread
    // evenly over the smallest window that leaves room, so that a run of
    // inserts at one place moves a few neighbours rather than every record.
    std::vector<std::pair<int, double>> respaced(int rowid) const;
    void setPosition(int rowid, double pos) { positions()[size_t(rowid)] = pos; }

    // Each needs the room reserve() makes.
    int insert(double pos, const std::vector<Cell> &cells);
    void update(int rowid, const std::vector<Cell> &cells);
    void erase(int rowid);
    // No records; the rowids start again at 1.
    void clear();
    // The records with these rowids (any order), positions and columns (by
    // rowid), as read from elsewhere; no positions: each is its rowid.
    void assign(std::vector<Column> columns, std::vector<double> positions, std::vector<int> rowids);

private:
    std::vector<int>::const_iterator naturalPlace(int rowid) const;

    // Copies share the rows as the columns share the values, until one of
    // them changes.
    struct Rows {
        std::vector<double> pos; // none while each record's position is its rowid
        std::vector<quint8> alive;
        SharedRows natural;
    };
    Rows &rows();
    // Each position stored, to be changed.
    std::vector<double> &positions();

    std::vector<FieldInfo> m_fields;
    std::vector<Column> m_columns;
    std::shared_ptr<Rows> m_rows = std::make_shared<Rows>();
    int m_nextRowid = 1;
};

} // namespace TouchDialogs::db
