#include "links/fixed_port_chooser.h"

#include <algorithm>
#include <vector>

#include "links/serial_port_names.h"

namespace vpo {

FixedPortChooser::FixedPortChooser(std::string textUtf8) : text_(std::move(textUtf8)) {
  const std::vector<std::string> items = SerialPortChoices();
  const auto it = std::find(items.begin(), items.end(), text_);
  if (it != items.end()) index_ = static_cast<int>(it - items.begin());
}

}  // namespace vpo
