// The alphabetical order of texts as the user reads them: the collation of
// the user's locale (Portuguese (Brazil) when the system names none), with
// accents and then case only breaking ties and digits in numeric order
// ("Mesa 2" before "Mesa 10"). Texts are compared through sort keys: byte
// strings, computed once per value, whose byte order is that order.
#pragma once

#include "platform/rtl/Export.h"

#include <QString>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct UCollator; // ICU

namespace TouchDialogs::db {

class Collation {
public:
    // The collation of QLocale::system(), opened on first use.
    static const Collation &instance();
    // Opens it now (a few milliseconds of ICU data), on whichever thread has
    // the time; an error is left to the first real use, which reports it.
    TD_EXPORT static void prepare() noexcept;
    ~Collation();
    Collation(const Collation &) = delete;
    Collation &operator=(const Collation &) = delete;

    // The locale whose order this is ("pt_BR").
    QString localeName() const { return m_locale; }
    // The sort key of a UTF-8 text, replacing out's contents.
    void sortKey(std::string_view utf8, std::string &out) const;
    // The sort keys of many texts, text(i) for i below count (called from
    // either thread): store(i, key) for each, called on this
    // thread. A long list is shared with a second thread, which has its own
    // copy of the collator; alone, this thread keys them all with its own
    // copy (it is itself the second thread of someone who is waiting for input).
    void sortKeys(size_t count, const std::function<std::string_view(size_t)> &text,
                  const std::function<void(size_t, std::string_view)> &store, bool alone = false) const;
    // The part of a key that ignores case: the base letters and the accents.
    static std::string_view withoutCase(std::string_view key);
    // Compares two UTF-8 texts as their sort keys (or their withoutCase
    // parts) compare, without making the keys: cheaper for a few
    // comparisons, which mostly end at the first letters. Main thread only.
    int compare(std::string_view a, std::string_view b, bool ignoreCase) const;

private:
    Collation();
    static void sortKey(::UCollator *collator, std::string_view utf8, std::string &out);
    ::UCollator *m_collator = nullptr;
    ::UCollator *m_ignoringCase = nullptr; // the same at secondary strength
    QString m_locale;
};

} // namespace TouchDialogs::db
