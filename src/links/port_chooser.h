#pragma once
#include <string>

namespace vpo {

// What the serial link reads from the port chooser of the main window: the
// text in its edit field and the index of the chosen list item (-1 when
// none is chosen). The window implements it; tests and the command-line
// identifier have their own.
class PortChooser {
 public:
  virtual ~PortChooser() = default;
  virtual std::string PortText() const = 0;  // UTF-8
  virtual int PortItemIndex() const = 0;
};

}  // namespace vpo
