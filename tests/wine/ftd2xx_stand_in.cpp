// A stand-in ftd2xx.dll for the Windows tests. The attached devices and the
// status of each call come from the environment variable VPO_FTD2XX_DEVICES,
// read afresh at every call, so one test program runs many cases:
//
//   dev=SERIAL|DESCRIPTION   one device (repeatable, in list order)
//   create=STATUS            status of FT_CreateDeviceInfoList (default 0)
//   count=N                  count it reports (default: the number of devices)
//   get=STATUS               status of FT_GetDeviceInfoList (default 0);
//                            a failing call writes nothing
//
// entries separated by ';'. Each text fills its field as the vendor's does:
// NUL-terminated when shorter, all 16 (or 64) bytes without a NUL when as
// long; the rest of every node is filled with bytes that are not text.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The vendor's FT_DEVICE_LIST_INFO_NODE, as its header publishes it.
struct Node {
  ULONG Flags;
  ULONG Type;
  ULONG ID;
  DWORD LocId;
  char SerialNumber[16];
  char Description[64];
  void* ftHandle;
};

struct Device {
  std::string serial;
  std::string description;
};

struct Setup {
  ULONG createStatus = 0;
  ULONG getStatus = 0;
  long count = -1;
  std::vector<Device> devices;
};

Setup ReadSetup() {
  Setup setup;
  char text[4096] = {};
  const DWORD length = GetEnvironmentVariableA("VPO_FTD2XX_DEVICES", text, sizeof text);
  if (length == 0 || length >= sizeof text) return setup;
  std::string rest(text, length);
  while (!rest.empty()) {
    const size_t end = rest.find(';');
    const std::string entry = rest.substr(0, end);
    rest = end == std::string::npos ? "" : rest.substr(end + 1);
    const size_t eq = entry.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = entry.substr(0, eq);
    const std::string value = entry.substr(eq + 1);
    if (key == "dev") {
      const size_t bar = value.find('|');
      setup.devices.push_back({value.substr(0, bar), bar == std::string::npos ? "" : value.substr(bar + 1)});
    } else if (key == "create") {
      setup.createStatus = std::strtoul(value.c_str(), nullptr, 10);
    } else if (key == "get") {
      setup.getStatus = std::strtoul(value.c_str(), nullptr, 10);
    } else if (key == "count") {
      setup.count = std::strtol(value.c_str(), nullptr, 10);
    }
  }
  return setup;
}

void Fill(char* field, size_t size, const std::string& text) {
  std::memset(field, 0x7F, size);  // what lies after the terminator is not text
  const size_t n = text.size() < size ? text.size() : size;
  std::memcpy(field, text.data(), n);
  if (n < size) field[n] = '\0';
}

unsigned gCreateCalls = 0;
unsigned gGetCalls = 0;
unsigned gCountGivenToGet = 0;

}  // namespace

extern "C" {

ULONG WINAPI FT_CreateDeviceInfoList(DWORD* lpdwNumDevs) {
  ++gCreateCalls;
  const Setup setup = ReadSetup();
  *lpdwNumDevs = setup.count >= 0 ? static_cast<DWORD>(setup.count) : static_cast<DWORD>(setup.devices.size());
  return setup.createStatus;
}

ULONG WINAPI FT_GetDeviceInfoList(Node* pDest, DWORD* lpdwNumDevs) {
  ++gGetCalls;
  gCountGivenToGet = *lpdwNumDevs;
  const Setup setup = ReadSetup();
  if (setup.getStatus != 0) return setup.getStatus;
  // The library fills every node of its snapshot and reports how many.
  for (size_t i = 0; i < setup.devices.size(); ++i) {
    Node& node = pDest[i];
    node.Flags = 2;
    node.Type = 5;
    node.ID = 0x04036001;
    node.LocId = 0x21 + static_cast<DWORD>(i);
    Fill(node.SerialNumber, sizeof node.SerialNumber, setup.devices[i].serial);
    Fill(node.Description, sizeof node.Description, setup.devices[i].description);
    node.ftHandle = nullptr;
  }
  *lpdwNumDevs = static_cast<DWORD>(setup.devices.size());
  return 0;
}

void StandInStats(unsigned* createCalls, unsigned* getCalls, unsigned* countGivenToGet) {
  *createCalls = gCreateCalls;
  *getCalls = gGetCalls;
  *countGivenToGet = gCountGivenToGet;
}

}  // extern "C"
