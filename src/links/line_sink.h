#pragma once
#include <span>
#include <string_view>

namespace vpo {

// Where the FTDI scan writes its listing: the diagnostics memo in the window,
// standard error in the command-line identifier, a vector in tests.
class LineSink {
 public:
  virtual ~LineSink() = default;
  // One line of Windows-1251 text, without a line end.
  virtual void AppendLine(std::string_view cp1251Line) = 0;
  // Several lines at once, in order: the same as AppendLine for each. A sink
  // that pays for every insertion (a text widget lays out and updates its
  // scroll bars each time) overrides this to insert them in one go.
  virtual void AppendLines(std::span<const std::string_view> cp1251Lines) {
    for (std::string_view line : cp1251Lines) AppendLine(line);
  }
};

}  // namespace vpo
