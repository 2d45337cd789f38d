#include "app/EarTagOrder.h"

#include "platform/Ansi1250.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "platform/Utf16.h"

#include <limits>

AnsiString TrimText(const AnsiString& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return text.substr(begin, end - begin);
}

std::int64_t StrToInt64(const AnsiString& text) {
  const auto fail = [&text]() {
    // The text is windows-1250; the message, as every message, is UTF-8.
    return EConvertError(Format("'%s' is not a valid integer value", {WideToUtf8(AnsiToWide(text))}));
  };
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) throw fail();
  // Accumulate negatively so that the most negative value fits too.
  std::int64_t value = 0;
  constexpr std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') throw fail();
    const int digit = c - '0';
    if (value < (lowest + digit) / 10) throw fail();
    value = value * 10 - digit;
  }
  if (!negative) {
    if (value == lowest) throw fail();
    value = -value;
  }
  return value;
}

const OrderLine& EarTagOrder::Line(int index) const {
  if (index == MaxLines + 1) return Beyond_;
  if (index < 1 || index > MaxLines)
    throw EListError(Format("List index out of bounds (%d)", {std::int64_t{index}}));
  return Lines_[static_cast<std::size_t>(index - 1)];
}

OrderLine& EarTagOrder::Line(int index) {
  if (index == MaxLines + 1) {
    Beyond_.Clear();  // whatever a caller wrote there last time is not kept
    return Beyond_;
  }
  if (index < 1 || index > MaxLines)
    throw EListError(Format("List index out of bounds (%d)", {std::int64_t{index}}));
  return Lines_[static_cast<std::size_t>(index - 1)];
}

void EarTagOrder::InitOrder(const AnsiString& countryEditorText) {
  for (auto& line : Lines_) line.Clear();
  CurrentLine = 1;
  LineCount = 1;
  Lines_[0].SetRowNumber("1");
  Lines_[0].SetCountry(countryEditorText);
  TagType = 0;
  Name.clear();
  Company.clear();
  Street.clear();
  Village.clear();
  Zipcode.clear();
  AccountNumber.clear();
}

TStoreResult EarTagOrder::StoreCountry(const AnsiString& fieldText) {
  if (fieldText.size() != 2) return {false, CountryMessage, false};
  Current().SetCountry(fieldText);
  return {true, {}, false};
}

AnsiString EarTagOrder::NormaliseEarNumber(const AnsiString& fieldText) {
  AnsiString text = TrimText(fieldText);
  if (text.size() < OrderLine::EarNumberMax)
    text.insert(0, OrderLine::EarNumberMax - text.size(), '0');
  return text;
}

TStoreResult EarTagOrder::StoreEarNumber(const AnsiString& fieldText) {
  const AnsiString text = NormaliseEarNumber(fieldText);
  if (StrToInt64(text) == 0) return {false, ZeroEarNumberMessage, false};
  Current().SetEarNumber(text);
  return {true, {}, false};
}

TStoreResult EarTagOrder::StoreCount(const AnsiString& fieldText) {
  std::int64_t value = 0;
  try {
    value = StrToInt64(TrimText(fieldText));
  } catch (const EConvertError&) {
    value = 0;  // a count that is not a number is reported as a wrong count
  }
  if (value != 1 && value != 2) return {false, CountMessage, false};
  Current().SetCount(fieldText);
  return {true, {}, AdvanceLine()};
}

bool EarTagOrder::AdvanceLine() {
  if (CurrentLine >= MaxLines) return false;
  if (CurrentLine == LineCount) ++LineCount;
  ++CurrentLine;
  Current().SetRowNumber(std::to_string(CurrentLine));
  return true;
}

void EarTagOrder::MoveUp() {
  if (CurrentLine > 1) --CurrentLine;
}

void EarTagOrder::MoveDown() {
  if (CurrentLine < LineCount) ++CurrentLine;
}

void EarTagOrder::DeleteCurrentLine() {
  for (int i = CurrentLine; i <= LineCount; ++i) {
    const OrderLine next = Line(i + 1);
    OrderLine& line = Line(i);
    line.SetRowNumber(std::to_string(i));
    line.Country = next.Country;
    line.EarNumber = next.EarNumber;
    line.Count = next.Count;
  }
  if (CurrentLine < LineCount) {
    // The last line moved up; the line that held it is now above LineCount and must be empty.
    Line(LineCount).Clear();
    --LineCount;
  }
}

TLineWindow EarTagOrder::LineWindow() const {
  TLineWindow window;
  for (int k = 1; k <= 6; ++k) {
    const auto slot = static_cast<std::size_t>(k - 1);
    window.Upper[slot] = CurrentLine - k >= 1 ? CurrentLine - k : 0;
    window.Lower[slot] = CurrentLine + k <= LineCount ? CurrentLine + k : 0;
  }
  return window;
}

bool EarTagOrder::IsComplete(int index) const {
  const OrderLine& line = Line(index);
  return line.Country.size() == 2 && line.EarNumber.size() == 12 && line.Count.size() == 1;
}
