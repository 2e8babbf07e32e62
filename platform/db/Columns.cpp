#include "platform/db/Columns.h"
#include "platform/rtl/Exceptions.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>

#include <sys/mman.h>
#include <unistd.h>

namespace TouchDialogs::db {

std::vector<int> Bitmap::kept(const std::vector<int> &order) const
{
    const quint64 *words = m_words.data();
    size_t set = 0;
    for (const quint64 w : m_words)
        set += size_t(std::popcount(w));
    // Rows are distinct, so no more pass than bits are set; one slot spare
    // for the write past the last. No branch per row: which rows pass
    // follows no pattern a branch predictor could learn.
    std::vector<int> out(std::min(order.size(), set) + 1);
    int *to = out.data();
    size_t n = 0;
    for (const int r : order) {
        to[n] = r;
        n += (words[size_t(r) / 64] >> (size_t(r) % 64)) & 1;
    }
    out.resize(n);
    return out;
}

void prepareNewPages(const void *data, size_t bytes)
{
    constexpr uintptr_t huge = uintptr_t(2) << 20;
    if (bytes >= (size_t(4) << 20)) {
        const uintptr_t begin = (uintptr_t(data) + huge - 1) & ~(huge - 1);
        const uintptr_t end = (uintptr_t(data) + bytes) & ~(huge - 1);
        if (end > begin)
            madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
        return;
    }
    // Only pages wholly inside: the allocator's own neighbours stay as they are.
    const auto page = uintptr_t(sysconf(_SC_PAGESIZE));
    const uintptr_t begin = (uintptr_t(data) + page - 1) & ~(page - 1);
    const uintptr_t end = (uintptr_t(data) + bytes) & ~(page - 1);
    if (end > begin)
        madvise(reinterpret_cast<void *>(begin), end - begin, MADV_POPULATE_WRITE); // Linux 5.14; else faults
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
    switch (m_storage) {
    case Storage::Int:
        d.valued.resize(rows);
        growVector(d.ints, rows, 0);
        break;
    case Storage::Real:
        d.valued.resize(rows);
        growVector(d.reals, rows, 0);
        break;
    case Storage::Text:
        growVector(d.off, rows, nullText);
        break;
    }
}

void Column::reserveText(size_t bytes)
{
    std::string &arena = edit().arena;
    reservePrepared(arena, bytes);
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
    if (isNull(row))
        return;
    Data &d = edit();
    if (m_storage == Storage::Text) {
        d.garbage += text(row).size() + 1;
        d.off[r] = nullText;
    } else {
        d.valued.reset(r);
    }
}

void Column::set(int row, std::string_view text)
{
    clear(row);
    Data &d = edit();
    const size_t r = size_t(row);
    if (d.garbage > (size_t(1) << 20) && d.garbage * 2 > d.arena.size())
        compact();
    constexpr size_t lengthBytes = 5;
    if (d.arena.size() + text.size() + lengthBytes >= nullText) {
        compact();
        if (d.arena.size() + text.size() + lengthBytes >= nullText)
            throw EDatabaseError(QStringLiteral("The texts of a field cannot exceed 4 GiB in all"));
    }
    d.off[r] = place(d, text);
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
    m_d->valued.set(r);
}

std::string_view Column::longText(const char *at)
{
    size_t n = 0;
    for (int shift = 0;; shift += 7) {
        const quint8 b = quint8(*at++);
        n |= size_t(b & 0x7F) << shift;
        if (b < 0x80)
            return std::string_view(at, n);
    }
}

quint32 Column::place(Data &d, std::string_view text)
{
    constexpr size_t shortText = 32, trial = 4096;
    quint64 *slot = nullptr;
    if (d.sharing && text.size() <= shortText) {
        // Two places a text may be remembered at (offset + 1 << 32 | length;
        // 0: none), so that two frequent texts rarely push each other out.
        const size_t h = std::hash<std::string_view>{}(text);
        quint64 *at[2] = {&d.recent[h % d.recent.size()], &d.recent[(h >> 8) % d.recent.size()]};
        ++d.tried;
        for (quint64 *s : at) {
            const quint32 off = quint32(*s >> 32) - 1, len = quint32(*s);
            if (*s && len == text.size() && std::memcmp(d.arena.data() + off + 1, text.data(), len) == 0) {
                ++d.reused;
                return off;
            }
        }
        slot = *at[0] == 0 || *at[1] != 0 ? at[0] : at[1];
        // Mostly distinct texts (names): not worth a lookup each.
        if (d.tried == trial && d.reused < trial / 4)
            d.sharing = false;
    }
    const quint32 off = quint32(d.arena.size());
    size_t n = text.size();
    for (; n >= 0x80; n >>= 7)
        d.arena.push_back(char((n & 0x7F) | 0x80));
    d.arena.push_back(char(n));
    d.arena.append(text.data(), text.size());
    if (slot)
        *slot = quint64(off + 1) << 32 | text.size();
    return off;
}

void Column::compact()
{
    Data &d = edit();
    std::string old;
    old.swap(d.arena);
    d.arena.reserve(old.size() > d.garbage ? old.size() - d.garbage : 0);
    d.recent = {};
    d.tried = d.reused = 0;
    d.sharing = true;
    for (quint32 &off : d.off)
        if (off != nullText)
            off = place(d, textAt(old.data() + off));
    d.garbage = 0;
}

} // namespace TouchDialogs::db
