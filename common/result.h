#pragma once
// The one way an operation that can fail answers: a value, or an error carrying the
// message the user is to see. Core functions return these; the programs decide how the
// message reaches the user (a box, a line on stderr) and what exit code it means.

#include <cassert>
#include <string>
#include <utility>
#include <variant>

namespace brindle {

// What kind of failure it was, for callers that act differently on some of them (the
// window shows a refused file in the status bar rather than a box; the command line picks
// its exit code).
enum class ErrorKind {
  kFailed,         // anything else
  kCannotOpen,     // a file could not be opened or read
  kNotRecognised,  // a file is not of a kind the operation takes
  kNotSupported,   // the operation does not exist for this kind or type
  kDamaged,        // the data is damaged or lies about its sizes
  kChanged,        // another program changed the file since it was read
  kInUse,          // another program holds the file's lock
  kWriteFailed,    // a write failed
  kReadFailed,     // a read failed, or a file ended before the bytes it should hold
  kUnverified,     // the change was made, but it could not be checked or made lasting
  kCancelled,      // the user stopped the work before it was done; nothing was changed
};

// Why an operation failed, worded for the user (UTF-8, a complete message).
struct Error {
  std::string message;
  ErrorKind kind = ErrorKind::kFailed;
  // The cause alone, where the message words more around it (a file that would not open:
  // the system's reason), for callers that put it in a message of their own. Often empty.
  std::string cause;
};

inline Error Fail(std::string message, ErrorKind kind = ErrorKind::kFailed) {
  return Error{std::move(message), kind, std::string()};
}

template <class T>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
  Result(Error error) : state_(std::in_place_index<1>, std::move(error)) {}

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }

  T& value() & {
    assert(ok());
    return std::get<0>(state_);
  }
  const T& value() const& {
    assert(ok());
    return std::get<0>(state_);
  }
  T&& value() && {
    assert(ok());
    return std::get<0>(std::move(state_));
  }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }

  const Error& error() const {
    assert(!ok());
    return std::get<1>(state_);
  }
  const std::string& message() const { return error().message; }
  ErrorKind kind() const { return error().kind; }

 private:
  std::variant<T, Error> state_;
};

// An operation with nothing to give back but success.
template <>
class [[nodiscard]] Result<void> {
 public:
  Result() = default;
  Result(Error error) : failed_(true), error_(std::move(error)) {}

  bool ok() const { return !failed_; }
  explicit operator bool() const { return ok(); }
  const Error& error() const {
    assert(!ok());
    return error_;
  }
  const std::string& message() const { return error().message; }
  ErrorKind kind() const { return error().kind; }

 private:
  bool failed_ = false;
  Error error_;
};

using Status = Result<void>;

inline Status Ok() {
  return Status();
}

}  // namespace brindle
