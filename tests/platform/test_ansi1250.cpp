#include "platform/Ansi1250.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

TEST(Ansi1250, BytesToUnits) {
  const std::vector<std::pair<unsigned char, char16_t>> cases = {
      {0x00, 0x0000}, {0x41, u'A'},    {0x7F, 0x007F}, {0x80, 0x20AC}, {0x8A, 0x0160},
      {0x8E, 0x017D}, {0x9A, 0x0161},  {0xA0, 0x00A0}, {0xE1, 0x00E1}, {0xE8, 0x010D},
      {0xF4, 0x00F4}, {0xFF, 0x02D9},
      // The five bytes the code page leaves undefined stand for the C1 control of that number.
      {0x81, 0x0081}, {0x83, 0x0083}, {0x88, 0x0088}, {0x90, 0x0090}, {0x98, 0x0098},
  };
  for (const auto& [byte, unit] : cases) {
    EXPECT_EQ(Ansi1250ToUtf16Table[byte], unit) << std::hex << int(byte);
    EXPECT_EQ(AnsiToWide(AnsiString(1, static_cast<char>(byte))), WideString(1, unit));
  }
}

TEST(Ansi1250, EveryByteSurvivesTheRoundTrip) {
  AnsiString all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(WideToAnsi(AnsiToWide(all)), all);
  std::set<char16_t> units(Ansi1250ToUtf16Table.begin(), Ansi1250ToUtf16Table.end());
  EXPECT_EQ(units.size(), 256u);
}

TEST(Ansi1250, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  const std::vector<std::pair<WideString, AnsiString>> cases = {
      {u"Ján Kováč", "J\xE1n Kov\xE1\xE8"},
      {u"Žilina €", "\x8Eilina \x80"},
      {u"Ω", "?"},
      {u"àx", "?x"},                  // à has no place in windows-1250
      {u"a\U0001F600b", "a?b"},       // one character in two units gives one "?"
      {WideString{u'a', char16_t(0xD800), u'b'}, "a?b"},  // a lone surrogate
      {WideString{char16_t(0xDC00)}, "?"},
      {u"?", "?"},
      {u"", ""},
  };
  for (const auto& [wide, ansi] : cases) EXPECT_EQ(WideToAnsi(wide), ansi);
}
