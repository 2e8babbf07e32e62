#include "platform/db/Collation.h"
#include "platform/rtl/Exceptions.h"

#include <QLocale>
#include <exception>
#include <memory>
#include <system_error>
#include <thread>
#include <unicode/ucol.h>
#include <unicode/ustring.h>
#include <vector>

namespace TouchDialogs::db {

const Collation &Collation::instance()
{
    static const Collation collation;
    return collation;
}

void Collation::prepare() noexcept
{
    try {
        instance();
    } catch (...) {
        // Thrown again by the next instance(): a static that failed is retried.
    }
}

Collation::Collation()
{
    m_locale = QLocale::system().name();
    if (m_locale == QLatin1String("C") || m_locale.isEmpty())
        m_locale = QStringLiteral("pt_BR");
    UErrorCode status = U_ZERO_ERROR;
    m_collator = ucol_open(m_locale.toLatin1().constData(), &status);
    if (U_FAILURE(status))
        throw EDatabaseError(QStringLiteral("Cannot open the collation of %1: %2")
                                 .arg(m_locale, QString::fromLatin1(u_errorName(status))));
    ucol_setAttribute(m_collator, UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
    m_ignoringCase = ucol_clone(m_collator, &status);
    ucol_setStrength(m_ignoringCase, UCOL_SECONDARY);
    if (U_FAILURE(status))
        throw EDatabaseError(QStringLiteral("Cannot open the collation of %1: %2")
                                 .arg(m_locale, QString::fromLatin1(u_errorName(status))));
}

Collation::~Collation()
{
    ucol_close(m_ignoringCase);
    ucol_close(m_collator);
}

int Collation::compare(std::string_view a, std::string_view b, bool ignoreCase) const
{
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult r = ucol_strcollUTF8(ignoreCase ? m_ignoringCase : m_collator, a.data(), int32_t(a.size()),
                                                b.data(), int32_t(b.size()), &status);
    if (U_SUCCESS(status))
        return r == UCOL_LESS ? -1 : r == UCOL_GREATER ? 1 : 0;
    // Through the keys, as a sort does.
    std::string x, y;
    sortKey(a, x);
    sortKey(b, y);
    const int c = ignoreCase ? withoutCase(x).compare(withoutCase(y)) : std::string_view(x).compare(y);
    return (c > 0) - (c < 0);
}

void Collation::sortKey(std::string_view utf8, std::string &out) const
{
    sortKey(m_collator, utf8, out);
}

void Collation::sortKeys(size_t count, const std::function<std::string_view(size_t)> &text,
                         const std::function<void(size_t, std::string_view)> &store, bool alone) const
{
    if (alone) {
        UErrorCode status = U_ZERO_ERROR;
        UCollator *own = ucol_clone(m_collator, &status);
        if (U_FAILURE(status) || !own) {
            ucol_close(own);
            throw EDatabaseError(QStringLiteral("Cannot copy the collation of %1").arg(m_locale));
        }
        const std::unique_ptr<UCollator, void (*)(UCollator *)> closing(own, ucol_close);
        std::string key;
        for (size_t i = 0; i < count; ++i) {
            sortKey(own, text(i), key);
            store(i, key);
        }
        return;
    }
    // ICU takes most of a first sort's time: below this many texts a thread
    // is not worth starting.
    constexpr size_t kShared = 20000;
    std::string key;
    size_t half = count;
    std::string keys;
    std::vector<size_t> ends;
    std::exception_ptr failed;
    std::thread other;
    UCollator *copy = nullptr;
    if (count >= kShared && std::thread::hardware_concurrency() > 1) {
        UErrorCode status = U_ZERO_ERROR;
        copy = ucol_clone(m_collator, &status);
        if (U_FAILURE(status)) {
            ucol_close(copy);
            copy = nullptr;
        }
    }
    if (copy) {
        half = count / 2;
        ends.reserve(count - half);
        try {
            other = std::thread([&, copy] {
                try {
                    std::string k;
                    for (size_t i = half; i < count; ++i) {
                        sortKey(copy, text(i), k);
                        keys += k;
                        ends.push_back(keys.size());
                    }
                } catch (...) {
                    failed = std::current_exception();
                }
            });
        } catch (const std::system_error &) {
            // No thread to be had: this one keys them all.
            ucol_close(copy);
            copy = nullptr;
            half = count;
        }
    }
    try {
        for (size_t i = 0; i < half; ++i) {
            sortKey(m_collator, text(i), key);
            store(i, key);
        }
    } catch (...) {
        if (other.joinable())
            other.join();
        ucol_close(copy);
        throw;
    }
    if (other.joinable())
        other.join();
    ucol_close(copy);
    if (failed)
        std::rethrow_exception(failed);
    for (size_t i = half, start = 0; i < count; ++i) {
        store(i, std::string_view(keys).substr(start, ends[i - half] - start));
        start = ends[i - half];
    }
}

void Collation::sortKey(UCollator *collator, std::string_view utf8, std::string &out)
{
    thread_local std::vector<UChar> text;
    text.resize(utf8.size() + 1);
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    // Invalid bytes become U+FFFD rather than failing: a key for every value.
    u_strFromUTF8WithSub(text.data(), int32_t(text.size()), &length, utf8.data(), int32_t(utf8.size()), 0xFFFD,
                         nullptr, &status);
    if (U_FAILURE(status))
        length = 0;
    out.resize(std::max<size_t>(out.capacity(), 64));
    int32_t n = ucol_getSortKey(collator, text.data(), length, reinterpret_cast<uint8_t *>(out.data()),
                                int32_t(out.size()));
    if (size_t(n) > out.size()) {
        out.resize(size_t(n));
        n = ucol_getSortKey(collator, text.data(), length, reinterpret_cast<uint8_t *>(out.data()),
                            int32_t(out.size()));
    }
    out.resize(n > 0 ? size_t(n) - 1 : 0); // without the terminating 0
}

std::string_view Collation::withoutCase(std::string_view key)
{
    // Levels are separated by byte 01, which no weight uses: primary,
    // secondary (accents), then tertiary (case).
    const size_t first = key.find('\x01');
    if (first == std::string_view::npos)
        return key;
    const size_t second = key.find('\x01', first + 1);
    return second == std::string_view::npos ? key : key.substr(0, second);
}

} // namespace TouchDialogs::db
