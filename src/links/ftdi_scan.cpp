#include "links/ftdi_scan.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <limits>
#include <vector>

namespace vpo {
namespace {

// A node's text: up to its first NUL, never past the field.
template <size_t N>
std::string_view FieldText(const char (&field)[N]) {
  const void* nul = std::memchr(field, '\0', N);
  return {field, nul != nullptr ? static_cast<size_t>(static_cast<const char*>(nul) - field) : N};
}

}  // namespace

FtdiLink::FtdiLink(platform::FtdiDeviceList& list, LineSink& listing) : list_(list), listing_(listing) {}

FtdiScanResult FtdiLink::ScanFtdiDevices() {
  FtdiScanResult result;
  uint32_t count = 0;
  // The status of the first call decides nothing: the count alone does.
  FtdiStatus_ = list_.CreateDeviceInfoList(&count);
  if (count == 0) return result;

  std::vector<platform::FtdiDeviceNode> nodes(count);  // zero-filled
  uint32_t listed = count;
  FtdiStatus_ = list_.GetDeviceInfoList(nodes.data(), &listed);
  if (FtdiStatus_ != platform::kFtdiOk) return result;
  // A list that claims more nodes than there was room for gets only those
  // that fit; nothing is read past the buffer.
  listed = std::min(listed, count);

  // The listing goes to the sink in one call: three lines per device, in
  // list order. The texts stay in the node buffer; only the indexes need
  // room of their own.
  using IndexText = std::array<char, std::numeric_limits<uint32_t>::digits10 + 1>;
  std::vector<IndexText> indexes(listed);
  std::vector<std::string_view> lines;
  lines.reserve(size_t{3} * listed);
  for (uint32_t i = 0; i < listed; ++i) {
    const platform::FtdiDeviceNode& node = nodes[i];
    IndexText& digits = indexes[i];
    const char* digitsEnd = std::to_chars(digits.data(), digits.data() + digits.size(), i).ptr;
    const std::string_view serial = FieldText(node.SerialNumber);
    const std::string_view description = FieldText(node.Description);
    lines.emplace_back(digits.data(), static_cast<size_t>(digitsEnd - digits.data()));
    lines.push_back(serial);
    lines.push_back(description);
    // Byte for byte: case matters, and look-alike letters of another
    // alphabet do not match. The last match in list order wins.
    if (description.find(FamilyTag) != std::string_view::npos) {
      result.found = true;
      result.serial.assign(serial);
    }
  }
  if (!lines.empty()) listing_.AppendLines(lines);
  return result;
}

}  // namespace vpo
