// Tells a barcode scanner from a person at the keyboard. A scanner in
// keyboard mode types its code as a burst of characters a few milliseconds
// apart and ends it with Enter; a person is far slower. A burst counts when
// it holds at least kMinLength characters, each arriving less than kMaxGap
// milliseconds after the one before, and Enter follows as fast. A key
// without a time stamp (an on-screen key, a platform that gives none) is
// never part of a burst.
#pragma once

#include <QString>

namespace TouchDialogs {

class ScanBurst {
public:
    static constexpr int kMinLength = 6;
    static constexpr quint64 kMaxGap = 30; // ms

    // A character arrived at time t (ms; 0: unknown).
    void typed(QChar character, quint64 t);
    // Enter arrived at time t: the code when it ends a burst, else empty.
    // Either way a new burst starts after it.
    QString enter(quint64 t);

private:
    bool follows(quint64 t) const { return t != 0 && m_last != 0 && t >= m_last && t - m_last < kMaxGap; }

    QString m_run;
    quint64 m_last = 0;
};

} // namespace TouchDialogs
