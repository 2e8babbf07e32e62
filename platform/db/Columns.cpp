#include "platform/db/Columns.h"

namespace TouchDialogs::db {

void Column::resize(size_t rows)
{
    m_null.resize(rows, 1);
    switch (m_storage) {
    case Storage::Int:
        m_int.resize(rows, 0);
        break;
    case Storage::Real:
        m_real.resize(rows, 0);
        break;
    case Storage::Text:
        m_off.resize(rows, 0);
        m_len.resize(rows, 0);
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
    if (m_storage == Storage::Text && !m_null[r]) {
        m_garbage += m_len[r];
        m_len[r] = 0;
    }
    m_null[r] = 1;
}

void Column::set(int row, std::string_view text)
{
    clear(row);
    const size_t r = size_t(row);
    if (m_garbage > (size_t(1) << 20) && m_garbage * 2 > m_arena.size())
        compact();
    m_off[r] = m_arena.size();
    m_len[r] = quint32(text.size());
    m_arena.append(text.data(), text.size());
    m_null[r] = 0;
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
        m_int[r] = cell.kind == Cell::Real ? qint64(cell.r) : cell.i;
        break;
    case Storage::Real:
        m_real[r] = cell.kind == Cell::Int ? double(cell.i) : cell.r;
        break;
    case Storage::Text:
        set(row, std::string_view(cell.text.constData(), size_t(cell.text.size())));
        return;
    }
    m_null[r] = 0;
}

void Column::compact()
{
    std::string arena;
    arena.reserve(m_arena.size() - m_garbage);
    for (size_t r = 0; r < m_null.size(); ++r) {
        if (m_null[r])
            continue;
        const size_t off = arena.size();
        arena.append(m_arena, m_off[r], m_len[r]);
        m_off[r] = off;
    }
    m_arena.swap(arena);
    m_garbage = 0;
}

} // namespace TouchDialogs::db
