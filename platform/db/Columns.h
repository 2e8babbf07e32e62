// The record store's column storage: each field's values by rowid, and a
// bitmap over rowids.
#pragma once

#include "platform/db/Values.h"

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace TouchDialogs::db {

class Bitmap {
public:
    void resize(size_t bits) { m_words.resize((bits + 63) / 64, 0); }
    size_t size() const { return m_words.size() * 64; }
    bool test(size_t i) const { return i / 64 < m_words.size() && (m_words[i / 64] >> (i % 64)) & 1; }
    // The rows of order whose bits are set, in order; every row must be
    // within the bitmap's size, and none twice (the result is sized by the
    // count of set bits).
    std::vector<int> kept(const std::vector<int> &order) const;
    void set(size_t i) { m_words[i / 64] |= quint64(1) << (i % 64); }
    void reset(size_t i)
    {
        if (i / 64 < m_words.size())
            m_words[i / 64] &= ~(quint64(1) << (i % 64));
    }
    void assign(size_t i, bool on) { on ? set(i) : reset(i); }
    void intersect(const Bitmap &other)
    {
        for (size_t w = 0; w < m_words.size(); ++w)
            m_words[w] &= w < other.m_words.size() ? other.m_words[w] : 0;
    }

private:
    std::vector<quint64> m_words;
};

// One field's values, indexed by rowid. Copies share the values until one
// of them changes (a packet handed to another dataset of this process
// shares its columns with the dataset that wrote it).
class Column {
public:
    explicit Column(Storage storage) : m_storage(storage), m_d(std::make_shared<Data>()) {}
    Storage storage() const { return m_storage; }
    void resize(size_t rows);
    bool isNull(int row) const
    {
        const size_t r = size_t(row);
        return m_storage == Storage::Text ? m_d->off[r] == nullText : !m_d->valued.test(r);
    }
    qint64 integer(int row) const { return m_d->ints[size_t(row)]; }
    double real(int row) const { return m_d->reals[size_t(row)]; }
    // Empty where NULL.
    std::string_view text(int row) const
    {
        const quint32 off = m_d->off[size_t(row)];
        if (off == nullText)
            return {};
        return textAt(m_d->arena.data() + off);
    }
    Cell cell(int row) const;
    void set(int row, const Cell &cell);
    void set(int row, std::string_view text); // a text cell, without building a Cell
    void clear(int row);
    // Room for this many bytes of text in all, ahead of the values.
    void reserveText(size_t bytes);
    size_t textBytes() const { return m_d->arena.size(); }
    // Bytes of the longest text this column has held; never shrinks.
    size_t longestText() const { return m_d->longest; }

private:
    // A text's offset where the text is NULL: the arena's offsets are
    // 32-bit and no text starts at its last byte.
    static constexpr quint32 nullText = 0xFFFFFFFF;
    // The text whose length starts at `at` in the arena.
    static std::string_view textAt(const char *at)
    {
        return quint8(*at) < 0x80 ? std::string_view(at + 1, quint8(*at)) : longText(at);
    }
    // A text of 128 bytes or more (its length takes more than one byte).
    static std::string_view longText(const char *at);
    struct Data {
        Bitmap valued; // numbers: the rows that are not NULL
        std::vector<qint64> ints;
        std::vector<double> reals;
        std::vector<quint32> off; // texts: where each is in the arena, or nullText
        std::string arena;        // each text after its length (LEB128: one byte below 128)
        size_t garbage = 0; // bytes no row reads, or more: shared texts count once per row cleared
        size_t longest = 0;
        // Short texts placed lately, by hash ((offset + 1) << 32 | length): a field
        // of few distinct values (groups, flags) keeps each once, its rows
        // pointing at it. Given up where few repeat.
        std::array<quint64, 256> recent{};
        quint32 tried = 0, reused = 0;
        bool sharing = true;
    };
    Data &edit();
    // Where text goes in the arena, appending it unless it is there already.
    static quint32 place(Data &d, std::string_view text);
    void compact();
    Storage m_storage;
    std::shared_ptr<Data> m_d;
};

// Asks for the pages of a new allocation at once: huge pages behind the
// whole 2 MiB pages of a large one, the 4 KiB pages of a middling one (from
// 64 KiB) populated in one call. Filling rows otherwise takes a page fault
// per 4 KiB, each ~10 us on a virtual machine: most of the time spent
// reading a packet there.
void prepareNewPages(const void *data, size_t bytes);

// Room for n elements in c (a vector or a string); a new allocation from
// 64 KiB has its pages prepared.
template <class C>
void reservePrepared(C &c, size_t n)
{
    if (n <= c.capacity())
        return;
    c.reserve(n);
    if (n * sizeof(typename C::value_type) >= (size_t(64) << 10))
        prepareNewPages(c.data(), c.capacity() * sizeof(typename C::value_type));
}

// v.resize(n, value), a large new allocation's pages prepared.
template <class V>
void growVector(V &v, size_t n, typename V::value_type value = {})
{
    reservePrepared(v, n);
    v.resize(n, value);
}

// to = from, a large copy's pages prepared.
template <class V>
void assignPrepared(V &to, const V &from)
{
    reservePrepared(to, from.size());
    to.assign(from.begin(), from.end());
}

// SQLite's case folding of names, NOCASE and UPPER(): ASCII letters only.
inline unsigned char upperAscii(unsigned char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; }
inline unsigned char lowerAscii(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

} // namespace TouchDialogs::db
