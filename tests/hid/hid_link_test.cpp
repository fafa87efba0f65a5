// The HID search over a scripted backend: which members are opened, closed,
// kept, and what number a serial string gives.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "links/hid_link.h"

namespace vpo {
namespace {

using platform::HidAttributes;
using platform::HidHandle;
using platform::HidInterfaceList;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct FakeMember {
  std::string path;
  uint16_t vendor = 0x0483;
  uint16_t product = 0x9912;
  std::string serial = "3A01";
  bool hasPath = true;
  bool opens = true;
  bool attributesReadable = true;
  bool serialReadable = true;
};

// Everything the backend was asked, for the tests to look at.
struct FakeState {
  bool libraryPresent = true;
  bool listCreatable = true;
  std::vector<FakeMember> members;

  std::vector<std::string> loads;
  int releases = 0;
  int listsMade = 0;
  int listsDestroyed = 0;
  std::vector<std::string> opened;  // paths, in order
  std::vector<HidHandle> closed;
  std::set<HidHandle> open;
  int serialReads = 0;
  uintptr_t nextHandle = 0x100;
  std::vector<std::pair<HidHandle, size_t>> handleMember;

  const FakeMember* MemberOf(HidHandle h) const {
    for (auto& [handle, index] : handleMember)
      if (handle == h) return &members[index];
    return nullptr;
  }
};

class FakeList : public HidInterfaceList {
 public:
  explicit FakeList(FakeState& s) : s_(s) { ++s_.listsMade; }
  ~FakeList() override { ++s_.listsDestroyed; }
  Member GetInterface(uint32_t index, std::string& path) override {
    if (index >= s_.members.size()) return Member::End;
    if (!s_.members[index].hasPath) return Member::NoPath;
    path = s_.members[index].path;
    return Member::Present;
  }

 private:
  FakeState& s_;
};

class FakeLibrary : public platform::HidLibrary {
 public:
  explicit FakeLibrary(FakeState& s) : s_(s) {}
  bool Load(const std::string& name) override {
    s_.loads.push_back(name);
    loaded_ = s_.libraryPresent;
    return loaded_;
  }
  void Release() override {
    EXPECT_TRUE(s_.open.empty()) << "library released with a device still open";
    ++s_.releases;
    loaded_ = false;
  }
  bool Loaded() const override { return loaded_; }
  std::unique_ptr<HidInterfaceList> ListInterfaces() override {
    EXPECT_TRUE(loaded_);
    if (!s_.listCreatable) return nullptr;
    return std::make_unique<FakeList>(s_);
  }
  HidHandle OpenDevice(const std::string& path) override {
    EXPECT_TRUE(loaded_);
    s_.opened.push_back(path);
    for (size_t i = 0; i < s_.members.size(); ++i) {
      if (s_.members[i].path != path) continue;
      if (!s_.members[i].opens) return nullptr;
      auto h = reinterpret_cast<HidHandle>(s_.nextHandle++);
      s_.open.insert(h);
      s_.handleMember.emplace_back(h, i);
      return h;
    }
    return nullptr;
  }
  bool GetAttributes(HidHandle h, HidAttributes& a) override {
    EXPECT_TRUE(s_.open.count(h)) << "attributes of a device that is not open";
    const FakeMember* m = s_.MemberOf(h);
    if (m == nullptr || !m->attributesReadable) return false;
    a.VendorID = m->vendor;
    a.ProductID = m->product;
    return true;
  }
  bool GetSerialNumberString(HidHandle h, std::string& serial) override {
    EXPECT_TRUE(s_.open.count(h)) << "serial of a device that is not open";
    ++s_.serialReads;
    const FakeMember* m = s_.MemberOf(h);
    if (m == nullptr || !m->serialReadable) return false;
    serial = m->serial;
    return true;
  }
  void CloseDevice(HidHandle h) override {
    EXPECT_EQ(s_.open.erase(h), 1u) << "closed a device that is not open";
    s_.closed.push_back(h);
  }

 private:
  FakeState& s_;
  bool loaded_ = false;
};

class HidLinkTest : public ::testing::Test {
 protected:
  std::unique_ptr<HidLink> MakeLink() {
    auto link = std::make_unique<HidLink>(std::make_unique<FakeLibrary>(s), "stand-in.so");
    link->LoadHidLibrary();
    return link;
  }
  static FakeMember Member(std::string path, uint16_t vendor = 0x0483, uint16_t product = 0x9912) {
    FakeMember m;
    m.path = std::move(path);
    m.vendor = vendor;
    m.product = product;
    return m;
  }
  FakeState s;
};

TEST(HexDigitValue, UpperCaseHexDigitsOnlyEveryOtherByteCountsZero) {
  for (int c = 0; c < 256; ++c) {
    int expected = 0;
    if (c >= '0' && c <= '9') expected = c - '0';
    if (c >= 'A' && c <= 'F') expected = c - 'A' + 10;
    EXPECT_EQ(HidLink::HexDigitValue(static_cast<uint8_t>(c)), expected) << "byte " << c;
  }
}

TEST_F(HidLinkTest, NoDeviceReturnsFalseAndReleasesTheList) {
  auto link = MakeLink();
  EXPECT_FALSE(link->FindHidInstrument());
  EXPECT_EQ(s.listsMade, 1);
  EXPECT_EQ(s.listsDestroyed, 1);
  EXPECT_THAT(s.opened, IsEmpty());
  EXPECT_EQ(link->HidDeviceHandle(), nullptr);
  EXPECT_STREQ(link->HidDevicePath(), "");
}

TEST_F(HidLinkTest, ListThatCannotBeMadeReturnsFalse) {
  s.listCreatable = false;
  s.members = {Member("a")};
  auto link = MakeLink();
  EXPECT_FALSE(link->FindHidInstrument());
  EXPECT_THAT(s.opened, IsEmpty());
}

TEST_F(HidLinkTest, MembersThatDoNotMatchAreClosedAndPassedOver) {
  FakeMember unreadable = Member("no-attributes");
  unreadable.attributesReadable = false;
  FakeMember locked = Member("locked");
  locked.opens = false;
  FakeMember noPath = Member("no-path");
  noPath.hasPath = false;
  s.members = {Member("other-product", 0x0483, 0x9913), Member("other-vendor", 0x0484, 0x9912), unreadable, locked,
               noPath, Member("family", 0x0483, 0x3257)};
  auto link = MakeLink();

  ASSERT_TRUE(link->FindHidInstrument());
  EXPECT_THAT(s.opened, ElementsAre("other-product", "other-vendor", "no-attributes", "locked", "family"));
  EXPECT_EQ(s.closed.size(), 3u);  // the three opened that did not match
  ASSERT_EQ(s.open.size(), 1u);
  EXPECT_EQ(*s.open.begin(), link->HidDeviceHandle());
  EXPECT_STREQ(link->HidDevicePath(), "family");
  EXPECT_EQ(link->HidInstrumentNumber(), 58);
  EXPECT_EQ(s.listsDestroyed, 1);
}

TEST_F(HidLinkTest, FirstMatchWinsAndTheSecondIsNeverOpened) {
  s.members = {Member("first", 0x0483, 0x3257), Member("second")};
  s.members[1].serial = "FF";
  auto link = MakeLink();
  ASSERT_TRUE(link->FindHidInstrument());
  EXPECT_THAT(s.opened, ElementsAre("first"));
  EXPECT_STREQ(link->HidDevicePath(), "first");
  EXPECT_EQ(link->HidInstrumentNumber(), 58);
}

struct SerialCase {
  const char* serial;
  size_t length;
  uint16_t number;
};

void PrintTo(const SerialCase& c, std::ostream* os) {
  *os << "serial \"";
  for (size_t i = 0; i < c.length; ++i) {
    auto byte = static_cast<unsigned char>(c.serial[i]);
    if (byte >= 0x20 && byte < 0x7F) {
      *os << c.serial[i];
    } else {
      *os << "\\x" << std::hex << static_cast<int>(byte) << std::dec;
    }
  }
  *os << "\" gives " << c.number;
}

class SerialNumberTest : public HidLinkTest, public ::testing::WithParamInterface<SerialCase> {};

TEST_P(SerialNumberTest, FirstTwoCharactersReadAsUpperCaseHex) {
  s.members = {Member("dev")};
  s.members[0].serial.assign(GetParam().serial, GetParam().length);
  auto link = MakeLink();
  ASSERT_TRUE(link->FindHidInstrument());
  EXPECT_EQ(link->HidInstrumentNumber(), GetParam().number);
}

#define CASE(text, number) SerialCase{text, sizeof(text) - 1, number}
INSTANTIATE_TEST_SUITE_P(Table, SerialNumberTest,
                         ::testing::Values(CASE("3A", 58), CASE("3A01", 58), CASE("3a", 48), CASE("FF", 255),
                                           CASE("G7", 7), CASE("9", 144), CASE("", 0), CASE("00", 0),
                                           CASE("\xC0\x31", 1),  // a Cyrillic letter counts 0
                                           CASE("?5", 5)));      // a character without a form
#undef CASE

TEST_F(HidLinkTest, UnreadableSerialStillFindsAndKeepsTheNumber) {
  s.members = {Member("dev")};
  s.members[0].serialReadable = false;
  auto link = MakeLink();
  ASSERT_TRUE(link->FindHidInstrument());
  EXPECT_EQ(link->HidInstrumentNumber(), 0);
  EXPECT_NE(link->HidDeviceHandle(), nullptr);

  s.members[0].serialReadable = true;
  s.members[0].serial = "7F";
  ASSERT_TRUE(link->FindHidInstrument());
  EXPECT_EQ(link->HidInstrumentNumber(), 127);

  s.members[0].serialReadable = false;
  ASSERT_TRUE(link->FindHidInstrument());
  EXPECT_EQ(link->HidInstrumentNumber(), 127);

  s.members.clear();  // nothing found: the number stays
  EXPECT_FALSE(link->FindHidInstrument());
  EXPECT_EQ(link->HidInstrumentNumber(), 127);
}

TEST_F(HidLinkTest, SecondSearchReopensAndReplacesTheKeptDevice) {
  s.members = {Member("first-path")};
  auto link = MakeLink();
  ASSERT_TRUE(link->FindHidInstrument());
  HidHandle firstHandle = link->HidDeviceHandle();

  s.members = {Member("second-path")};
  s.members[0].serial = "12";
  ASSERT_TRUE(link->FindHidInstrument());
  EXPECT_THAT(s.opened, ElementsAre("first-path", "second-path"));
  EXPECT_NE(link->HidDeviceHandle(), firstHandle);
  EXPECT_THAT(s.closed, ElementsAre(firstHandle));
  EXPECT_EQ(s.open.size(), 1u);
  EXPECT_STREQ(link->HidDevicePath(), "second-path");
  EXPECT_EQ(link->HidInstrumentNumber(), 18);
}

TEST_F(HidLinkTest, LongPathIsOpenedWholeAndKeptCutTo259Characters) {
  std::string path(300, 'p');
  for (size_t i = 0; i < path.size(); ++i) path[i] = static_cast<char>('a' + i % 26);
  s.members = {Member(path)};
  auto link = MakeLink();
  ASSERT_TRUE(link->FindHidInstrument());
  EXPECT_THAT(s.opened, ElementsAre(path));
  EXPECT_EQ(std::strlen(link->HidDevicePath()), 259u);
  EXPECT_EQ(std::string(link->HidDevicePath()), path.substr(0, 259));
  EXPECT_EQ(link->HidInstrumentNumber(), 58);

  // A shorter path afterwards leaves nothing of the longer one.
  s.members = {Member("short")};
  ASSERT_TRUE(link->FindHidInstrument());
  EXPECT_STREQ(link->HidDevicePath(), "short");
}

TEST_F(HidLinkTest, MissingLibraryMakesEverySearchFalseWithoutCalls) {
  s.libraryPresent = false;
  s.members = {Member("dev")};
  auto link = MakeLink();
  EXPECT_THAT(s.loads, ElementsAre("stand-in.so"));
  EXPECT_FALSE(link->HidAvailable());
  EXPECT_FALSE(link->FindHidInstrument());
  EXPECT_FALSE(link->FindHidInstrument());
  EXPECT_EQ(s.listsMade, 0);
  link.reset();
  EXPECT_EQ(s.releases, 0);
}

TEST_F(HidLinkTest, FreeClosesTheKeptDeviceThenReleases) {
  s.members = {Member("dev")};
  auto link = MakeLink();
  ASSERT_TRUE(link->FindHidInstrument());
  link->FreeHidLibrary();
  EXPECT_EQ(s.closed.size(), 1u);
  EXPECT_TRUE(s.open.empty());
  EXPECT_EQ(s.releases, 1);
  EXPECT_FALSE(link->FindHidInstrument());
  link.reset();  // nothing more to release
  EXPECT_EQ(s.releases, 1);
}

TEST_F(HidLinkTest, DestructionClosesTheKeptDeviceThenReleases) {
  s.members = {Member("dev")};
  auto link = MakeLink();
  ASSERT_TRUE(link->FindHidInstrument());
  link.reset();
  EXPECT_TRUE(s.open.empty());
  EXPECT_EQ(s.releases, 1);
}

}  // namespace
}  // namespace vpo
