// The exception family every layer raises. Failures travel as exceptions:
// to the caller outside a modal run, to Application::HandleException inside.
#pragma once

#include <TouchDialogs/Export.h>

#include <QString>
#include <exception>
#include <string>

namespace TouchDialogs {

class TD_EXPORT Exception : public std::exception {
public:
    explicit Exception(const QString &message);
    const char *what() const noexcept override { return m_utf8.c_str(); }
    const QString &Message() const { return m_message; }

private:
    QString m_message;
    std::string m_utf8;
};

// The silent abort: cancels the caller's operation; never shown to the user.
class TD_EXPORT EAbort : public Exception {
public:
    EAbort();
};

class TD_EXPORT EConvertError : public Exception {
public:
    using Exception::Exception;
};

class TD_EXPORT EDatabaseError : public Exception {
public:
    using Exception::Exception;
};

class TD_EXPORT EListError : public Exception {
public:
    using Exception::Exception;
};

// Raises EAbort.
[[noreturn]] TD_EXPORT void Abort();

} // namespace TouchDialogs
