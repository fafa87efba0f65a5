// The FTDI scan over the Windows device list: the program is bound to
// ftd2xx.dll by ordinals 70 and 71 at load time, and here finds the tests'
// stand-in ftd2xx.dll in its folder (that DLL exports the two calls by
// ordinal only, so a program bound by name would not even start). The
// stand-in's devices come from VPO_FTD2XX_DEVICES (see ftd2xx_stand_in.cpp).
#include <windows.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "links/ftdi_scan.h"
#include "links/line_sink.h"
#include "platform/ftdi_device_list.h"

namespace vpo {
namespace {

using ::testing::ElementsAreArray;

class VectorSink : public LineSink {
 public:
  std::vector<std::string> lines;
  void AppendLine(std::string_view line) override { lines.emplace_back(line); }
};

struct StandInStats {
  unsigned createCalls = 0;
  unsigned getCalls = 0;
  unsigned countGivenToGet = 0;
};

StandInStats ReadStats() {
  using StatsFn = void (*)(unsigned*, unsigned*, unsigned*);
  StandInStats stats;
  HMODULE dll = GetModuleHandleA("ftd2xx.dll");
  auto fn = dll ? reinterpret_cast<StatsFn>(reinterpret_cast<void*>(GetProcAddress(dll, "StandInStats"))) : nullptr;
  if (fn) fn(&stats.createCalls, &stats.getCalls, &stats.countGivenToGet);
  return stats;
}

struct ScanCase {
  const char* name;
  const char* devices;  // VPO_FTD2XX_DEVICES
  bool found;
  std::string serial;
  std::vector<std::string> lines;
  uint32_t status;      // FtdiStatus after the scan
  unsigned getCalls;    // FT_GetDeviceInfoList calls made by the scan
  unsigned countToGet;  // the count handed to FT_GetDeviceInfoList
};

const std::string k16 = "0123456789ABCDEF";
const std::string k64 = std::string(57, 'D') + "ZEL-VRT";

const ScanCase kCases[] = {
    {"NoDevice", "", false, "", {}, 0, 0, 0},
    {"ExampleOfTwoDevices", "dev=FT01|Converter A;dev=1234|ZEL-VRT USB", true, "1234",
     {"0", "FT01", "Converter A", "1", "1234", "ZEL-VRT USB"}, 0, 1, 2},
    {"LastMatchGivesTheSerial", "dev=A1|ZEL-VRT;dev=B2|Other;dev=C3|XZEL-VRTX", true, "C3",
     {"0", "A1", "ZEL-VRT", "1", "B2", "Other", "2", "C3", "XZEL-VRTX"}, 0, 1, 3},
    {"CaseAndBlankDoNotMatch", "dev=1|zel-vrt;dev=2|ZEL VRT", false, "", {"0", "1", "zel-vrt", "1", "2", "ZEL VRT"},
     0, 1, 2},
    {"EmptySerial", "dev=|ZEL-VRT", true, "", {"0", "", "ZEL-VRT"}, 0, 1, 1},
    {"FieldsWithoutTerminator", "dev=0123456789ABCDEFXYZ|DDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDZEL-VRTtail",
     true, k16, {"0", k16, k64}, 0, 1, 1},
    {"SecondCallFails", "dev=1234|ZEL-VRT;get=4", false, "", {}, 4, 1, 1},
    {"FirstCallFailsWithNoCount", "dev=1234|ZEL-VRT;create=2;count=0", false, "", {}, 2, 0, 0},
    {"FirstCallFailsWithACount", "dev=77|ZEL-VRT;create=4", true, "77", {"0", "77", "ZEL-VRT"}, 0, 1, 1},
    {"SecondCallReportsFewer", "dev=5|ZEL-VRT;count=3", true, "5", {"0", "5", "ZEL-VRT"}, 0, 1, 3},
};

class FtdiWindowsScan : public ::testing::TestWithParam<ScanCase> {
 protected:
  void TearDown() override { SetEnvironmentVariableA("VPO_FTD2XX_DEVICES", nullptr); }
};

TEST_P(FtdiWindowsScan, ListsAndRecognisesThroughTheLibrary) {
  const ScanCase& c = GetParam();
  ASSERT_TRUE(SetEnvironmentVariableA("VPO_FTD2XX_DEVICES", c.devices));
  auto list = platform::MakeSystemFtdiDeviceList();
  VectorSink sink;
  FtdiLink link(*list, sink);
  const StandInStats before = ReadStats();

  const FtdiScanResult result = link.ScanFtdiDevices();

  const StandInStats after = ReadStats();
  EXPECT_EQ(result.found, c.found);
  EXPECT_EQ(result.serial, c.serial);
  EXPECT_THAT(sink.lines, ElementsAreArray(c.lines));
  EXPECT_EQ(link.FtdiStatus(), c.status);
  EXPECT_EQ(after.createCalls - before.createCalls, 1u);
  EXPECT_EQ(after.getCalls - before.getCalls, c.getCalls);
  if (c.getCalls != 0) {
    EXPECT_EQ(after.countGivenToGet, c.countToGet);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, FtdiWindowsScan, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FtdiWindowsScan, RepeatedScansListAgainFromIndexZero) {
  ASSERT_TRUE(SetEnvironmentVariableA("VPO_FTD2XX_DEVICES", "dev=9|ZEL-VRT"));
  auto list = platform::MakeSystemFtdiDeviceList();
  VectorSink sink;
  FtdiLink link(*list, sink);
  for (int press = 0; press < 3; ++press) EXPECT_TRUE(link.ScanFtdiDevices().found);
  EXPECT_THAT(sink.lines, ElementsAreArray({"0", "9", "ZEL-VRT", "0", "9", "ZEL-VRT", "0", "9", "ZEL-VRT"}));
  SetEnvironmentVariableA("VPO_FTD2XX_DEVICES", nullptr);
}

// The program's own import table: ftd2xx.dll with ordinals 70 and 71 only.
TEST(FtdiWindowsBinding, ImportsTheTwoCallsByOrdinal) {
  auto* base = reinterpret_cast<const BYTE*>(GetModuleHandleA(nullptr));
  auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  ASSERT_NE(dir.VirtualAddress, 0u);
  std::set<unsigned> ordinals;
  int named = 0;
  bool seen = false;
  for (auto* desc = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); desc->Name != 0;
       ++desc) {
    if (_stricmp(reinterpret_cast<const char*>(base + desc->Name), "ftd2xx.dll") != 0) continue;
    seen = true;
    const DWORD thunks = desc->OriginalFirstThunk ? desc->OriginalFirstThunk : desc->FirstThunk;
    for (auto* t = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + thunks); t->u1.AddressOfData != 0; ++t) {
      if (IMAGE_SNAP_BY_ORDINAL(t->u1.Ordinal))
        ordinals.insert(static_cast<unsigned>(IMAGE_ORDINAL(t->u1.Ordinal)));
      else
        ++named;
    }
  }
  ASSERT_TRUE(seen) << "ftd2xx.dll is not a load-time import";
  EXPECT_EQ(ordinals, (std::set<unsigned>{70, 71}));
  EXPECT_EQ(named, 0);
}

}  // namespace
}  // namespace vpo
