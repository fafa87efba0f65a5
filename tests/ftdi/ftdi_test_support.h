#pragma once
// A device list and a listing that live in memory, for the scan's tests and
// the benchmark.

#include <algorithm>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "links/line_sink.h"
#include "platform/ftdi_device_list.h"

namespace vpo::test {

// A node as the library would fill it. Texts longer than their field fill it
// without a NUL (the rest is cut off); shorter ones are NUL-terminated.
inline platform::FtdiDeviceNode MakeNode(std::string_view serial, std::string_view description) {
  platform::FtdiDeviceNode node{};
  std::memcpy(node.SerialNumber, serial.data(), std::min(serial.size(), sizeof node.SerialNumber));
  std::memcpy(node.Description, description.data(), std::min(description.size(), sizeof node.Description));
  return node;
}

class FakeFtdiDeviceList : public platform::FtdiDeviceList {
 public:
  std::vector<platform::FtdiDeviceNode> nodes;
  platform::FtdiStatusCode createStatus = platform::kFtdiOk;
  platform::FtdiStatusCode getStatus = platform::kFtdiOk;
  // What the calls write into the count instead of the number of nodes.
  std::optional<uint32_t> createCount;
  std::optional<uint32_t> getCount;
  int createCalls = 0;
  int getCalls = 0;

  platform::FtdiStatusCode CreateDeviceInfoList(uint32_t* count) override {
    ++createCalls;
    *count = createCount.value_or(static_cast<uint32_t>(nodes.size()));
    return createStatus;
  }

  platform::FtdiStatusCode GetDeviceInfoList(platform::FtdiDeviceNode* out, uint32_t* count) override {
    ++getCalls;
    const size_t n = std::min<size_t>(*count, nodes.size());
    if (out != nullptr) std::copy_n(nodes.begin(), n, out);
    *count = getCount.value_or(static_cast<uint32_t>(n));
    return getStatus;
  }
};

class VectorSink : public LineSink {
 public:
  std::vector<std::string> lines;
  std::vector<size_t> batches;  // the size of each AppendLines call
  void AppendLine(std::string_view line) override { lines.emplace_back(line); }
  void AppendLines(std::span<const std::string_view> many) override {
    batches.push_back(many.size());
    LineSink::AppendLines(many);
  }
};

}  // namespace vpo::test
