#pragma once
// The platform's exception classes. Every exception that reaches an event
// boundary is shown by the application's exception display.
#include <stdexcept>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : Message(std::move(message)) {}
    const char* what() const noexcept override { return Message.c_str(); }
    std::string Message;
};

// File errors of TFileStream: "Cannot open file %s", "Cannot create file %s".
class EFOpenError : public Exception {
public:
    using Exception::Exception;
};
class EFCreateError : public Exception {
public:
    using Exception::Exception;
};
// A write that moved fewer bytes than asked (a full disk, say).
class EWriteError : public Exception {
public:
    using Exception::Exception;
};
