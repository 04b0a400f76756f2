// Engine errors are values, never exceptions and never printed: every fallible operation of the
// engine returns a Result<T>, which holds either the value or an Error saying what kind of
// failure it was, which file and which page it concerns, and a message for people (Chinese,
// like the rest of the program's user-facing text).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>

namespace jet {

enum class ErrorKind {
    Io,          // the operating system refused a read, write, flush or lock
    Corrupt,     // a byte of the file contradicts the format; the file is damaged
    Unsupported, // a valid file that this engine does not handle (Jet 3, ACE, encryption...)
    Password,    // the database has a password and none (or a wrong one) was given
    NotFound,    // no such table, column or row
    Invalid,     // a caller's argument or value is not acceptable (too long, out of range...)
    Locked,      // another process is writing the file
    ReadOnly,    // the file was opened read-only or cannot be written
    Syntax,      // an SQL statement that does not parse
};

struct Error {
    ErrorKind kind = ErrorKind::Invalid;
    std::string message; // UTF-8, for people
    std::string file;    // path of the database file, empty if none
    int64_t page = -1;   // page the error concerns, -1 if none

    // "message（文件 F，第 N 页）" style text with what is known.
    std::string describe() const;
};

Error makeError(ErrorKind kind, std::string message, std::string file = {}, int64_t page = -1);

// Either a T or an Error. Small and explicit on purpose: test with ok(), then take value() or
// error(); value() on an error (or error() on a value) is a programming fault and aborts.
template <class T> class [[nodiscard]] Result {
public:
    Result(T value) : v_(std::in_place_index<0>, std::move(value)) {}
    Result(Error error) : v_(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return v_.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(v_); }
    const T& value() const& { return std::get<0>(v_); }
    T&& value() && { return std::get<0>(std::move(v_)); }
    const Error& error() const { return std::get<1>(v_); }

    T* operator->() { return &std::get<0>(v_); }
    const T* operator->() const { return &std::get<0>(v_); }
    T& operator*() & { return std::get<0>(v_); }
    const T& operator*() const& { return std::get<0>(v_); }

private:
    std::variant<T, Error> v_;
};

struct Ok {};
using Status = Result<Ok>;
inline Status okStatus() {
    return Ok{};
}

} // namespace jet

// Propagate an error from an expression yielding a Result/Status.
#define JET_TRY(expr)                                                                                        \
    do {                                                                                                     \
        auto jet_try_r_ = (expr);                                                                            \
        if (!jet_try_r_.ok())                                                                                \
            return jet_try_r_.error();                                                                       \
    } while (0)
