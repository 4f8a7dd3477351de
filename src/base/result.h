#pragma once

#include <cassert>
#include <optional>
#include <string>
#include <utility>

namespace nvx {

// Why an operation of the core did not do its work. `message` is the text the
// user sees; the core never shows it itself, the caller does. `code` carries
// the system's error number where a caller acts on which error it was.
struct Failure {
  enum class Kind { Failed, OutOfMemory, Refused, Cancelled };
  Kind kind = Kind::Failed;
  std::string message;
  int code = 0;
};

inline Failure Fail(std::string message, Failure::Kind kind = Failure::Kind::Failed) {
  return Failure{kind, std::move(message)};
}
inline Failure SystemFailure(int code, std::string message) {
  return Failure{Failure::Kind::Failed, std::move(message), code};
}
inline Failure OutOfMemory(std::string message = {}) {
  return Failure{Failure::Kind::OutOfMemory, std::move(message)};
}

// The one way the core reports how an operation went: a value, or the failure.
template <class T>
class [[nodiscard]] Result {
 public:
  Result(T value) : value_(std::move(value)) {}              // NOLINT: a value converts to success
  Result(Failure failure) : failure_(std::move(failure)) {}  // NOLINT: so does a failure

  bool ok() const { return value_.has_value(); }
  explicit operator bool() const { return ok(); }

  T& value() {
    assert(ok());
    return *value_;
  }
  const T& value() const {
    assert(ok());
    return *value_;
  }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  T& operator*() { return value(); }
  const T& operator*() const { return value(); }

  const Failure& failure() const {
    assert(!ok());
    return failure_;
  }

 private:
  std::optional<T> value_;
  Failure failure_;
};

// A result without a value: success, or the failure.
template <>
class [[nodiscard]] Result<void> {
 public:
  Result() = default;
  Result(Failure failure) : failed_(true), failure_(std::move(failure)) {}  // NOLINT

  bool ok() const { return !failed_; }
  explicit operator bool() const { return ok(); }
  const Failure& failure() const {
    assert(!ok());
    return failure_;
  }

 private:
  bool failed_ = false;
  Failure failure_;
};

using Status = Result<void>;

}  // namespace nvx
