#include "platform/db/Columns.h"

#include <algorithm>
#include <bit>

namespace TouchDialogs::db {

std::vector<int> Bitmap::kept(const std::vector<int> &order) const
{
    const auto bit = [this](int r) { return (m_words[size_t(r) / 64] >> (size_t(r) % 64)) & 1; };
    size_t set = 0;
    for (const quint64 w : m_words)
        set += size_t(std::popcount(w));
    // Rows are distinct, so no more pass than bits are set.
    std::vector<int> out;
    if (set < order.size() / 8) {
        // Few pass: the branch is nearly always predicted.
        out.reserve(set);
        for (const int r : order)
            if (bit(r))
                out.push_back(r);
        return out;
    }
    // Many pass, about every other row often: no branch per row (one slot
    // spare for the write past the last).
    out.resize(std::min(order.size(), set) + 1);
    size_t n = 0;
    for (const int r : order) {
        out[n] = r;
        n += bit(r);
    }
    out.resize(n);
    return out;
}

Column::Data &Column::edit()
{
    if (m_d.use_count() > 1)
        m_d = std::make_shared<Data>(*m_d);
    return *m_d;
}

void Column::resize(size_t rows)
{
    Data &d = edit();
    d.null.resize(rows, 1);
    switch (m_storage) {
    case Storage::Int:
        d.ints.resize(rows, 0);
        break;
    case Storage::Real:
        d.reals.resize(rows, 0);
        break;
    case Storage::Text:
        d.off.resize(rows, 0);
        d.len.resize(rows, 0);
        break;
    }
}

Cell Column::cell(int row) const
{
    if (isNull(row))
        return {};
    switch (m_storage) {
    case Storage::Int:
        return Cell::ofInt(integer(row));
    case Storage::Real:
        return Cell::ofReal(real(row));
    case Storage::Text:
        break;
    }
    const std::string_view t = text(row);
    return Cell::ofText(QByteArray(t.data(), qsizetype(t.size())));
}

void Column::clear(int row)
{
    const size_t r = size_t(row);
    if (m_d->null[r])
        return;
    Data &d = edit();
    if (m_storage == Storage::Text) {
        d.garbage += d.len[r];
        d.len[r] = 0;
    }
    d.null[r] = 1;
}

void Column::set(int row, std::string_view text)
{
    clear(row);
    Data &d = edit();
    const size_t r = size_t(row);
    if (d.garbage > (size_t(1) << 20) && d.garbage * 2 > d.arena.size())
        compact();
    d.off[r] = d.arena.size();
    d.len[r] = quint32(text.size());
    d.arena.append(text.data(), text.size());
    d.null[r] = 0;
    d.longest = std::max(d.longest, text.size());
}

void Column::set(int row, const Cell &cell)
{
    const size_t r = size_t(row);
    if (cell.kind == Cell::Null) {
        clear(row);
        return;
    }
    switch (m_storage) {
    case Storage::Int:
        edit().ints[r] = cell.kind == Cell::Real ? qint64(cell.r) : cell.i;
        break;
    case Storage::Real:
        edit().reals[r] = cell.kind == Cell::Int ? double(cell.i) : cell.r;
        break;
    case Storage::Text:
        set(row, std::string_view(cell.text.constData(), size_t(cell.text.size())));
        return;
    }
    m_d->null[r] = 0;
}

void Column::compact()
{
    Data &d = edit();
    std::string arena;
    arena.reserve(d.arena.size() - d.garbage);
    for (size_t r = 0; r < d.null.size(); ++r) {
        if (d.null[r])
            continue;
        const size_t off = arena.size();
        arena.append(d.arena, d.off[r], d.len[r]);
        d.off[r] = off;
    }
    d.arena.swap(arena);
    d.garbage = 0;
}

} // namespace TouchDialogs::db
