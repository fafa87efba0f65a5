#pragma once
// A port chooser whose field holds one text, for the programs and tools that
// have no window: the command-line identifier, benchmarks, test probes.

#include <string>

#include "links/port_chooser.h"

namespace vpo {

class FixedPortChooser : public PortChooser {
 public:
  // The item index is that of the port list item equal to `textUtf8`, or -1,
  // as when the operator picks the item or types a text of their own.
  explicit FixedPortChooser(std::string textUtf8);
  FixedPortChooser(std::string textUtf8, int itemIndex) : text_(std::move(textUtf8)), index_(itemIndex) {}

  std::string PortText() const override { return text_; }
  int PortItemIndex() const override { return index_; }

 private:
  std::string text_;
  int index_ = -1;
};

}  // namespace vpo
