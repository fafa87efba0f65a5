#pragma once
// Exceptions that leave a link and end a button press. Their messages are
// UTF-8 text meant for the operator; the window's default exception display
// (or the command-line identifier) shows them as they stand.

#include <stdexcept>
#include <string>

namespace vpo {

class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// An index outside its range, such as the fourth character of a port name
// that has fewer than four.
class RangeError : public Error {
 public:
  using Error::Error;
};

// The silent kind: ends a handler without any message being shown.
class Abort : public Error {
 public:
  Abort() : Error("") {}
};

}  // namespace vpo
