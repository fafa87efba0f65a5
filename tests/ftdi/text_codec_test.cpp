// The Windows-1251 codec that the listing goes through on its way to the
// diagnostics memo, and that the Linux device list uses for sysfs strings.
#include "platform/text_codec.h"

#include <gtest/gtest.h>

#include <string>

namespace vpo::platform {
namespace {

struct CodecCase {
  const char* name;
  std::string cp1251;
  std::string utf8;
};

const CodecCase kBothWays[] = {
    {"Ascii", "ZEL-VRT 0123", "ZEL-VRT 0123"},
    {"CapitalA", "\xC0", "\xD0\x90"},                                  // А
    {"ModelPrefix", "\xC7\xC5\xCB-\xC2\xD0\xD2/", "ЗЕЛ-ВРТ/"},
    {"SmallYaAndYo", "\xFF\xB8\xA8", "яёЁ"},
    {"NumeroSign", "\xB9", "№"},
    {"Empty", "", ""},
    {"EmbeddedNul", std::string("a\0b", 3), std::string("a\0b", 3)},
};

class TextCodecBothWays : public ::testing::TestWithParam<CodecCase> {};

TEST_P(TextCodecBothWays, MapsEachWay) {
  EXPECT_EQ(Cp1251ToUtf8(GetParam().cp1251), GetParam().utf8);
  EXPECT_EQ(Utf8ToCp1251(GetParam().utf8), GetParam().cp1251);
}

INSTANTIATE_TEST_SUITE_P(Cases, TextCodecBothWays, ::testing::ValuesIn(kBothWays),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TextCodec, EveryCp1251ByteGivesACharacter) {
  for (int b = 1; b < 256; ++b) {
    const std::string utf8 = Cp1251ToUtf8(std::string(1, static_cast<char>(b)));
    EXPECT_FALSE(utf8.empty()) << "byte " << b;
  }
  EXPECT_EQ(Cp1251ToUtf8("\x98"), "\xEF\xBF\xBD");  // no character in the code page
  EXPECT_EQ(Cp1251ToUtf8("a\x98" "b"), "a\xEF\xBF\xBD" "b");
}

TEST(TextCodec, CharactersWithoutAFormBecomeTheReplacement) {
  EXPECT_EQ(Utf8ToCp1251("✓"), "?");
  EXPECT_EQ(Utf8ToCp1251("A✓Б"), "A?\xC1");
  EXPECT_EQ(Utf8ToCp1251("中文"), "??");
  EXPECT_EQ(Utf8ToCp1251("😀x"), "?x");
  EXPECT_EQ(Utf8ToCp1251("é", '_'), "_");
  // Greek capital alpha looks like A but is not A.
  EXPECT_EQ(Utf8ToCp1251("\xCE\x91"), "?");
}

TEST(TextCodec, MalformedUtf8BecomesTheReplacementAndTheRestSurvives) {
  EXPECT_EQ(Utf8ToCp1251("a\xFF" "b"), "a?b");
  EXPECT_EQ(Utf8ToCp1251("ab\xD0"), "ab?");  // cut in the middle of a character
  // A lead byte without its continuation bytes takes nothing after it along.
  EXPECT_EQ(Utf8ToCp1251("a\xC3" "b"), "a?b");
  EXPECT_EQ(Utf8ToCp1251("a\xE2\x9C" "b\xD0\x91"), "a?b\xC1");
}

}  // namespace
}  // namespace vpo::platform
