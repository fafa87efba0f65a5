#pragma once
#include <string_view>

namespace vpo {

// Where the FTDI scan writes its listing: the diagnostics memo in the window,
// standard error in the command-line identifier, a vector in tests.
class LineSink {
 public:
  virtual ~LineSink() = default;
  // One line of Windows-1251 text, without a line end.
  virtual void AppendLine(std::string_view cp1251Line) = 0;
};

}  // namespace vpo
