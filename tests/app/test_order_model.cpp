#include "app/EarTagOrder.h"
#include "platform/Exceptions.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// An order whose lines 1..filled are complete ("SK", 12-digit number i, count "1"), whose
// entry line is filled + 1 (at most 50) and whose current line is current.
EarTagOrder OrderWith(int filled, int current) {
  EarTagOrder order;
  for (int i = 1; i <= filled; ++i) {
    OrderLine& line = order.Line(i);
    line.SetRowNumber(std::to_string(i));
    line.SetCountry("SK");
    line.SetEarNumber(EarTagOrder::NormaliseEarNumber(std::to_string(i)));
    line.SetCount("1");
  }
  order.LineCount = filled < MaxLines ? filled + 1 : MaxLines;
  if (filled < MaxLines) order.Line(order.LineCount).SetRowNumber(std::to_string(order.LineCount));
  order.CurrentLine = current;
  return order;
}

// Every line above LineCount must be empty, and 1 <= CurrentLine <= LineCount <= 50.
void ExpectInvariants(const EarTagOrder& order) {
  EXPECT_GE(order.CurrentLine, 1);
  EXPECT_LE(order.CurrentLine, order.LineCount);
  EXPECT_LE(order.LineCount, MaxLines);
  for (int i = order.LineCount + 1; i <= MaxLines; ++i)
    EXPECT_TRUE(order.Line(i).IsEmpty()) << "line " << i;
}

}  // namespace

TEST(OrderModel, StartsWithOneEntryLine) {
  EarTagOrder order;
  order.InitOrder("SK");
  EXPECT_EQ(order.CurrentLine, 1);
  EXPECT_EQ(order.LineCount, 1);
  EXPECT_EQ(order.TagType, 0);
  EXPECT_EQ(order.Line(1), (OrderLine{"1", "SK", "", ""}));
  const TLineWindow window = order.LineWindow();
  for (int slot : window.Upper) EXPECT_EQ(slot, 0);
  for (int slot : window.Lower) EXPECT_EQ(slot, 0);
  ExpectInvariants(order);
}

TEST(OrderModel, InitOrderForgetsEverything) {
  EarTagOrder order = OrderWith(5, 3);
  order.Name = "x";
  order.AccountNumber = "y";
  order.TagType = 4;
  order.InitOrder("CZ");
  EXPECT_EQ(order.LineCount, 1);
  EXPECT_EQ(order.CurrentLine, 1);
  EXPECT_EQ(order.Line(1), (OrderLine{"1", "CZ", "", ""}));
  EXPECT_TRUE(order.Line(2).IsEmpty());
  EXPECT_EQ(order.Name, "");
  EXPECT_EQ(order.AccountNumber, "");
  EXPECT_EQ(order.TagType, 0);
}

TEST(OrderModel, StoreCountry) {
  struct Case {
    AnsiString text;
    bool valid;
    AnsiString stored;
  };
  const std::vector<Case> cases = {
      {"SK", true, "SK"},  {"S ", true, "S "}, {"  ", true, "  "}, {"CZ", true, "CZ"},
      {"S", false, "AT"},  {"", false, "AT"},  {"SKA", false, "AT"},
  };
  for (const Case& c : cases) {
    EarTagOrder order;
    order.Current().SetCountry("AT");
    const TStoreResult result = order.StoreCountry(c.text);
    EXPECT_EQ(result.Valid, c.valid) << c.text;
    EXPECT_EQ(result.Message, c.valid ? "" : EarTagOrder::CountryMessage) << c.text;
    EXPECT_EQ(order.Current().Country, c.stored) << c.text;
    EXPECT_EQ(order.CurrentLine, 1);
  }
}

TEST(OrderModel, NormaliseEarNumber) {
  const std::vector<std::pair<AnsiString, AnsiString>> cases = {
      {"123         ", "000000000123"},  {"         123", "000000000123"},
      {"            ", "000000000000"},  {"", "000000000000"},
      {"123456789012", "123456789012"},  {" 12 34      ", "000000012 34"},
      {"1234567890123", "1234567890123"},
  };
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(EarTagOrder::NormaliseEarNumber(text), expected) << "'" << text << "'";
}

TEST(OrderModel, StoreEarNumber) {
  struct Case {
    AnsiString text;
    bool valid;
    AnsiString stored;
  };
  const std::vector<Case> cases = {
      {"123         ", true, "000000000123"},
      {"987654321098", true, "987654321098"},
      {"            ", false, "old"},
      {"0000        ", false, "old"},
      {"000000000000", false, "old"},
  };
  for (const Case& c : cases) {
    EarTagOrder order;
    order.Current().EarNumber = "old";
    const TStoreResult result = order.StoreEarNumber(c.text);
    EXPECT_EQ(result.Valid, c.valid) << c.text;
    EXPECT_EQ(result.Message, c.valid ? "" : EarTagOrder::ZeroEarNumberMessage) << c.text;
    EXPECT_EQ(order.Current().EarNumber, c.stored) << c.text;
  }
}

TEST(OrderModel, EarNumberWithInnerBlanksIsNotANumber) {
  const std::vector<std::pair<AnsiString, std::string>> cases = {
      {"12        34", "'12        34' is not a valid integer value"},
      {" 1 2        ", "'0000000001 2' is not a valid integer value"},
  };
  for (const auto& [text, message] : cases) {
    EarTagOrder order;
    try {
      order.StoreEarNumber(text);
      ADD_FAILURE() << "no error for '" << text << "'";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message, message);
    }
    EXPECT_EQ(order.Current().EarNumber, "");
  }
}

TEST(OrderModel, StoreCountRejectsAnythingButOneOrTwo) {
  for (const AnsiString text : {"0", "3", " ", "", "x", "9"}) {
    EarTagOrder order;
    const TStoreResult result = order.StoreCount(text);
    EXPECT_FALSE(result.Valid) << "'" << text << "'";
    EXPECT_EQ(result.Message, EarTagOrder::CountMessage);
    EXPECT_EQ(order.Current().Count, "");
    EXPECT_EQ(order.LineCount, 1);
    EXPECT_EQ(order.CurrentLine, 1);
  }
}

TEST(OrderModel, StoreCountAdvances) {
  // current, lineCount before -> current, lineCount after, advanced
  struct Case {
    int filled, current;
    int expectCurrent, expectCount;
    bool advanced;
  };
  const std::vector<Case> cases = {
      {0, 1, 2, 2, true},     // entry line 1 of 1
      {3, 4, 5, 5, true},     // entry line
      {3, 2, 3, 4, true},     // earlier line: only the current line moves
      {48, 49, 50, 50, true}, // entry line 49 opens line 50
      {49, 50, 50, 50, false},// line 50: stored, no advance
      {50, 50, 50, 50, false},
      {50, 12, 13, 50, true},
  };
  for (const Case& c : cases) {
    EarTagOrder order = OrderWith(c.filled, c.current);
    const TStoreResult result = order.StoreCount("2");
    EXPECT_TRUE(result.Valid);
    EXPECT_EQ(result.Advanced, c.advanced) << c.filled << "/" << c.current;
    EXPECT_EQ(order.Line(c.current).Count, "2");
    EXPECT_EQ(order.CurrentLine, c.expectCurrent) << c.filled << "/" << c.current;
    EXPECT_EQ(order.LineCount, c.expectCount) << c.filled << "/" << c.current;
    EXPECT_EQ(order.Current().RowNumber, std::to_string(c.expectCurrent));
    ExpectInvariants(order);
  }
}

TEST(OrderModel, AdvanceKeepsTheStoredCountryOfAnExistingLine) {
  EarTagOrder order = OrderWith(3, 1);
  order.Line(2).SetCountry("CZ");
  ASSERT_TRUE(order.AdvanceLine());
  EXPECT_EQ(order.Current().Country, "CZ");
  EXPECT_EQ(order.Current().RowNumber, "2");
}

TEST(OrderModel, MoveUpAndDownStopAtTheEnds) {
  struct Case {
    int filled, current;
    bool up;
    int expect;
  };
  const std::vector<Case> cases = {
      {0, 1, true, 1},  {0, 1, false, 1}, {3, 1, true, 1}, {3, 4, false, 4},
      {3, 4, true, 3},  {3, 2, false, 3}, {50, 50, false, 50}, {50, 50, true, 49},
  };
  for (const Case& c : cases) {
    EarTagOrder order = OrderWith(c.filled, c.current);
    if (c.up) order.MoveUp();
    else order.MoveDown();
    EXPECT_EQ(order.CurrentLine, c.expect) << c.filled << "/" << c.current << "/" << c.up;
    EXPECT_EQ(order.LineCount, OrderWith(c.filled, c.current).LineCount);
  }
}

TEST(OrderModel, DeleteCurrentLine) {
  // The ear number of line i is i, so the remaining numbers show what moved where.
  struct Case {
    int filled, current;
    int expectCount;
    std::vector<int> numbers;  // ear numbers of lines 1..expectCount-1 afterwards
  };
  const std::vector<Case> cases = {
      {0, 1, 1, {}},               // n = 1: the entry line is emptied
      {1, 1, 1, {}},               // n = 2, deleting line 1 leaves only the entry line
      {1, 2, 2, {1}},              // n = 2, deleting the entry line keeps LineCount
      {3, 2, 3, {1, 3}},
      {50, 1, 49, {}},             // n = 50: every line moves up one, line 50 empties
      {50, 25, 49, {}},
      {50, 50, 50, {}},            // deleting line 50 itself keeps LineCount
  };
  for (const Case& c : cases) {
    EarTagOrder order = OrderWith(c.filled, c.current);
    order.DeleteCurrentLine();
    EXPECT_EQ(order.LineCount, c.expectCount) << c.filled << "/" << c.current;
    EXPECT_EQ(order.CurrentLine, c.current);
    ExpectInvariants(order);
    for (std::size_t i = 0; i < c.numbers.size(); ++i)
      EXPECT_EQ(order.Line(static_cast<int>(i) + 1).EarNumber,
                EarTagOrder::NormaliseEarNumber(std::to_string(c.numbers[i])));
  }
}

TEST(OrderModel, DeleteWithFiftyLinesShiftsEveryLaterLine) {
  for (const int current : {1, 25, 49, 50}) {
    EarTagOrder order = OrderWith(50, current);
    order.DeleteCurrentLine();
    for (int i = 1; i <= 49; ++i) {
      const int source = i < current ? i : i + 1;
      const OrderLine& line = order.Line(i);
      EXPECT_EQ(line.RowNumber, std::to_string(i));
      if (source <= 50) {
        EXPECT_EQ(line.EarNumber, EarTagOrder::NormaliseEarNumber(std::to_string(source)))
            << current << ":" << i;
      }
    }
    // Line 50 lost its content in every case; it stays the line count only when it was deleted.
    EXPECT_EQ(order.Line(50).EarNumber, "");
    EXPECT_EQ(order.Line(50).Country, "");
    EXPECT_EQ(order.LineCount, current == 50 ? 50 : 49);
  }
}

TEST(OrderModel, DeleteOnTheEntryLineEmptiesItsCountryToo) {
  EarTagOrder order = OrderWith(2, 3);
  order.Current().SetCountry("SK");
  order.Current().SetEarNumber("000000000777");
  order.DeleteCurrentLine();
  EXPECT_EQ(order.Current(), (OrderLine{"3", "", "", ""}));
  EXPECT_EQ(order.LineCount, 3);
}

TEST(OrderModel, LineWindowSlots) {
  struct Case {
    int filled, current;
    std::array<int, 6> upper, lower;
  };
  const std::vector<Case> cases = {
      {0, 1, {0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}},
      {2, 3, {2, 1, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}},
      {9, 1, {0, 0, 0, 0, 0, 0}, {2, 3, 4, 5, 6, 7}},
      {9, 7, {6, 5, 4, 3, 2, 1}, {8, 9, 10, 0, 0, 0}},
      {49, 50, {49, 48, 47, 46, 45, 44}, {0, 0, 0, 0, 0, 0}},
      {50, 45, {44, 43, 42, 41, 40, 39}, {46, 47, 48, 49, 50, 0}},
  };
  for (const Case& c : cases) {
    const TLineWindow window = OrderWith(c.filled, c.current).LineWindow();
    EXPECT_EQ(window.Upper, c.upper) << c.filled << "/" << c.current;
    EXPECT_EQ(window.Lower, c.lower) << c.filled << "/" << c.current;
  }
}

TEST(OrderModel, CompleteLinesAreJudgedByFieldLengths) {
  struct Case {
    OrderLine line;
    bool complete;
  };
  const std::vector<Case> cases = {
      {{"1", "SK", "000000012345", "1"}, true},
      {{"1", "S ", "000000012345", "2"}, true},
      {{"", "  ", "            ", " "}, true},
      {{"1", "SK", "000000012345", ""}, false},
      {{"1", "S", "000000012345", "1"}, false},
      {{"1", "SK", "12345", "1"}, false},
  };
  for (const Case& c : cases) {
    EarTagOrder order;
    order.Line(7) = c.line;
    EXPECT_EQ(order.IsComplete(7), c.complete) << c.line.Country << "|" << c.line.EarNumber;
  }
}

TEST(OrderModel, FieldsAreCutToTheirMaximumLength) {
  OrderLine line;
  line.SetRowNumber("1234");
  line.SetCountry("SKA");
  line.SetEarNumber("1234567890123");
  line.SetCount("12");
  EXPECT_EQ(line, (OrderLine{"123", "SK", "123456789012", "1"}));
}

TEST(OrderModel, LinesOutsideTheOrder) {
  EarTagOrder order = OrderWith(50, 1);
  EXPECT_TRUE(order.Line(51).IsEmpty());
  order.Line(51).SetCountry("SK");  // a write past the end is not kept
  EXPECT_TRUE(order.Line(51).IsEmpty());
  EXPECT_THROW(order.Line(0), EListError);
  EXPECT_THROW(order.Line(52), EListError);
}

TEST(OrderModel, FarmNumberCheck) {
  const std::vector<std::pair<AnsiString, bool>> cases = {
      {"123456", true}, {"12/456", true}, {"      ", true}, {"12345", false},
      {"1234567", false}, {"", false},
  };
  for (const auto& [text, ok] : cases) EXPECT_EQ(EarTagOrder::CheckFarmNumber(text), ok) << text;
}

TEST(OrderModel, StrToInt64) {
  const std::vector<std::pair<AnsiString, std::int64_t>> good = {
      {"0", 0}, {"000000000123", 123}, {"-5", -5}, {"+7", 7},
      {"9223372036854775807", INT64_MAX}, {"-9223372036854775808", INT64_MIN},
  };
  for (const auto& [text, value] : good) EXPECT_EQ(StrToInt64(text), value) << text;
  for (const AnsiString text : {"", "-", "1 2", " 1", "9223372036854775808", "x1", "1.0"})
    EXPECT_THROW(StrToInt64(text), EConvertError) << text;
}
