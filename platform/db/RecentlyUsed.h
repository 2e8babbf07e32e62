// A few entries kept by recent use: when a new one comes to a full cache,
// the least recently used one goes. Entries do not move, so a reference to
// one holds until it is evicted, erased or cleared.
#pragma once

#include <QtGlobal>
#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace TouchDialogs::db {

template <class T>
class RecentlyUsed {
public:
    explicit RecentlyUsed(size_t capacity) : m_capacity(capacity) {}

    // The first entry that matches, marked as just used; nullptr when none does.
    template <class Match>
    T *find(Match match)
    {
        for (Slot &s : m_slots)
            if (match(*s.entry)) {
                s.used = ++m_clock;
                return s.entry.get();
            }
        return nullptr;
    }

    T &add(std::unique_ptr<T> entry)
    {
        if (m_slots.size() >= m_capacity)
            m_slots.erase(std::min_element(m_slots.begin(), m_slots.end(),
                                           [](const Slot &x, const Slot &y) { return x.used < y.used; }));
        m_slots.push_back({std::move(entry), ++m_clock});
        return *m_slots.back().entry;
    }

    template <class Fn>
    void forEach(Fn fn)
    {
        for (Slot &s : m_slots)
            fn(*s.entry);
    }

    template <class Fn>
    void forEach(Fn fn) const
    {
        for (const Slot &s : m_slots)
            fn(std::as_const(*s.entry));
    }

    template <class Drop>
    void eraseIf(Drop drop)
    {
        std::erase_if(m_slots, [&](Slot &s) { return drop(*s.entry); });
    }

    void clear() { m_slots.clear(); }

private:
    struct Slot {
        std::unique_ptr<T> entry;
        quint64 used;
    };
    size_t m_capacity;
    std::vector<Slot> m_slots;
    quint64 m_clock = 0;
};

} // namespace TouchDialogs::db
