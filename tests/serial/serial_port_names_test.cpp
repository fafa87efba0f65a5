// The port chooser's text and item index to the port name. Nothing is
// opened here: COM names are real serial ports.
#include <gtest/gtest.h>

#include "links/errors.h"
#include "links/fixed_port_chooser.h"
#include "links/serial_port_names.h"

namespace vpo {
namespace {

struct NameCase {
  const char* text;
  int index;
  const char* name;
};

void PrintTo(const NameCase& c, std::ostream* os) {
  *os << "'" << c.text << "' index " << c.index;
}

class PortNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(PortNameTest, NamesThePort) {
  const NameCase& c = GetParam();
  EXPECT_EQ(ComPortName(c.text, c.index), c.name) << "text '" << c.text << "' index " << c.index;
}

INSTANTIATE_TEST_SUITE_P(
    ListItems, PortNameTest,
    ::testing::Values(NameCase{"COM1", -1, "COM1"},  // the initial text, nothing chosen
                      NameCase{"COM1", 0, "COM1"}, NameCase{"COM5", 4, "COM5"},
                      NameCase{"COM9", 8, "COM9"}, NameCase{"COM10", 9, "\\\\.\\COM10"},
                      NameCase{"COM30", 29, "\\\\.\\COM30"},
                      // From index 9 the table decides; the text is not used.
                      NameCase{"xxxx", 15, "\\\\.\\COM16"},
                      NameCase{"/dev/ttyUSB0", 30, "/dev/ttyUSB0"}));

INSTANTIATE_TEST_SUITE_P(
    TypedTexts, PortNameTest,
    ::testing::Values(NameCase{"COM7", -1, "COM7"},
                      // COM and a number 1..255 is that port, whatever the index.
                      NameCase{"COM12", -1, "\\\\.\\COM12"}, NameCase{"com12", -1, "\\\\.\\COM12"},
                      NameCase{"COM255", -1, "\\\\.\\COM255"}, NameCase{"COM3", 12, "COM3"},
                      NameCase{"COM12", 3, "\\\\.\\COM12"},
                      // Anything else: COM and the fourth character.
                      NameCase{"abc5", -1, "COM5"}, NameCase{"COMX", -1, "COMX"},
                      NameCase{"COM05", -1, "COM0"}, NameCase{"COM256", -1, "COM2"},
                      NameCase{"COM3 ", -1, "COM3"},
                      // Characters, not bytes: "Порт" is 4 characters, 8 UTF-8 bytes.
                      NameCase{"Порт", -1, "COM\xF2"},
                      // A device path as it stands.
                      NameCase{"/dev/pts/3", -1, "/dev/pts/3"}));

TEST(PortNameRangeError, ShortTextsRaiseWhateverTheIndex) {
  for (const char* text : {"", "C", "COM", "Пор"}) {
    for (int index : {-1, 0, 8, 9, 29}) {
      try {
        ComPortName(text, index);
        ADD_FAILURE() << "no range error for '" << text << "' index " << index;
      } catch (const RangeError& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find(std::string("\"") + text + "\""), std::string::npos) << message;
        EXPECT_NE(message.find("4 символов"), std::string::npos) << message;
      }
    }
  }
}

TEST(PortChoices, ThirtyComPortsThenUsbDevices) {
  const auto items = SerialPortChoices();
  ASSERT_GE(items.size(), 30u);
  for (int i = 0; i < 30; ++i) EXPECT_EQ(items[i], "COM" + std::to_string(i + 1));
  for (size_t i = 30; i < items.size(); ++i)
    EXPECT_TRUE(items[i].starts_with("/dev/ttyUSB") || items[i].starts_with("/dev/ttyACM"))
        << items[i];
}

// A fixed text stands where a typed or picked text would: the item index is
// that of the list item with exactly that text, as if it had been picked.
TEST(FixedPortChooser, ItemIndexIsThatOfTheEqualListItem) {
  struct Case {
    const char* text;
    int index;
  };
  for (const Case& c : {Case{"COM1", 0}, Case{"COM9", 8}, Case{"COM10", 9}, Case{"COM30", 29},
                        Case{"COM31", -1}, Case{"com1", -1}, Case{"COM1 ", -1}, Case{"/dev/pts/3", -1},
                        Case{"", -1}}) {
    const FixedPortChooser chooser(c.text);
    EXPECT_EQ(chooser.PortItemIndex(), c.index) << c.text;
    EXPECT_EQ(chooser.PortText(), c.text);
  }
}

}  // namespace
}  // namespace vpo
