// The FTDI device list of the vendor's D2XX library, ftd2xx.dll. Both calls
// are bound when the program is loaded, by export ordinal (70 and 71) through
// the import library that the build makes from a module definition.
#include "platform/ftdi_device_list.h"

#include <windows.h>

#include <cstddef>

namespace {

// The vendor's FT_DEVICE_LIST_INFO_NODE: ULONG Flags, Type, ID; DWORD LocId;
// char SerialNumber[16]; char Description[64]; FT_HANDLE ftHandle. The node
// type of the interface has exactly this layout, so the library writes into
// the caller's buffer directly.
using Node = vpo::platform::FtdiDeviceNode;
static_assert(sizeof(ULONG) == 4 && sizeof(DWORD) == 4);
static_assert(offsetof(Node, Flags) == 0);
static_assert(offsetof(Node, Type) == 4);
static_assert(offsetof(Node, ID) == 8);
static_assert(offsetof(Node, LocId) == 12);
static_assert(offsetof(Node, SerialNumber) == 16);
static_assert(offsetof(Node, Description) == 32);
static_assert(offsetof(Node, ftHandle) == 96);
static_assert(sizeof(Node) == 96 + sizeof(void*));

}  // namespace

extern "C" {
// FT_STATUS is a ULONG; FT_OK is 0.
__declspec(dllimport) ULONG WINAPI FT_CreateDeviceInfoList(DWORD* lpdwNumDevs);
__declspec(dllimport) ULONG WINAPI FT_GetDeviceInfoList(Node* pDest, DWORD* lpdwNumDevs);
}

namespace vpo::platform {
namespace {

class D2xxFtdiDeviceList final : public FtdiDeviceList {
 public:
  FtdiStatusCode CreateDeviceInfoList(uint32_t* count) override {
    if (count == nullptr) return kFtdiInvalidParameter;
    DWORD n = *count;
    const ULONG status = FT_CreateDeviceInfoList(&n);
    *count = static_cast<uint32_t>(n);
    return static_cast<FtdiStatusCode>(status);
  }

  FtdiStatusCode GetDeviceInfoList(FtdiDeviceNode* nodes, uint32_t* count) override {
    if (nodes == nullptr || count == nullptr) return kFtdiInvalidParameter;
    DWORD n = *count;
    const ULONG status = FT_GetDeviceInfoList(nodes, &n);
    *count = static_cast<uint32_t>(n);
    return static_cast<FtdiStatusCode>(status);
  }
};

}  // namespace

std::unique_ptr<FtdiDeviceList> MakeSystemFtdiDeviceList() { return std::make_unique<D2xxFtdiDeviceList>(); }

}  // namespace vpo::platform
