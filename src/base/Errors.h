#pragma once
// The program's error classes. Errors are raised, not returned; whatever escapes an
// event handler is shown by the error report (see HandlerDispatch.h).

#include <stdexcept>
#include <string>

namespace ondrevo {

// Base of the program's own errors. ClassName() is what the start-up error box names.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message)
        : std::runtime_error(message)
    {
    }
    virtual const char* ClassName() const noexcept { return "Exception"; }
};

// A text that should hold a decimal integer does not.
class EConvertError : public Exception {
public:
    using Exception::Exception;
    const char* ClassName() const noexcept override { return "EConvertError"; }
};

// A call to the operating system failed; carries errno and its text.
class EOSError : public Exception {
public:
    EOSError(int code, const std::string& message)
        : Exception(message)
        , code_(code)
    {
    }
    // "System Error.  Code: <errno>.\n<strerror>"
    static EOSError FromErrno(int code);
    int Code() const noexcept { return code_; }
    const char* ClassName() const noexcept override { return "EOSError"; }

private:
    int code_;
};

// An operation that the state of a component does not allow (for example a second
// Run while a child process is still being watched).
class EJVCLException : public Exception {
public:
    using Exception::Exception;
    const char* ClassName() const noexcept override { return "EJVCLException"; }
};

// A database error: SQLite's result code and SQLite's own message.
class EUniError : public Exception {
public:
    EUniError(int code, const std::string& message)
        : Exception(message)
        , code_(code)
    {
    }
    int ErrorCode() const noexcept { return code_; }
    const char* ClassName() const noexcept override { return "EUniError"; }

private:
    int code_;
};

// The class name of any exception, for the start-up error box.
std::string ExceptionClassName(const std::exception& e);

} // namespace ondrevo
