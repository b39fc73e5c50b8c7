// The exception classes of the framework and the suite. Every one carries
// only a message text, which the application's default handler shows.
#pragma once

#include <exception>

#include "base/nstring.h"

class Exception : public std::exception {
public:
    explicit Exception(String message) : message_(std::move(message)) {}
    const String& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    String message_;
};

// The suite's own error: configuration and programming faults.
class ENimboError : public Exception {
public:
    using Exception::Exception;
};

// The framework's read error: a malformed value or form stream.
class EReadError : public Exception {
public:
    using Exception::Exception;
};

// The framework's I/O error: a failed file operation, with the platform's
// error code of the call that failed (0 when none did: the setup refused).
class EInOutError : public Exception {
public:
    explicit EInOutError(String message, unsigned long errorCode = 0)
        : Exception(std::move(message)), errorCode_(errorCode)
    {
    }
    unsigned long ErrorCode() const noexcept { return errorCode_; }

private:
    unsigned long errorCode_;
};

// The framework's component error (names, ownership, registry).
class EComponentError : public Exception {
public:
    using Exception::Exception;
};

// A cast of an object to a class it is not.
class EInvalidCast : public Exception {
public:
    EInvalidCast() : Exception("Invalid class typecast") {}
};

// A conversion that cannot be made (dates, numbers).
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// An index outside a list.
class EListError : public Exception {
public:
    using Exception::Exception;
};
