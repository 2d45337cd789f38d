// The one order the program edits: farm, tag type, delivery address, account and up to 50
// order lines, with every editing operation the keyboard entry of the main window maps to.
// Usable without any window; texts are windows-1250 bytes as they come from the fields.
#pragma once

#include "platform/WideString.h"

#include <array>
#include <cstdint>
#include <string>

constexpr int MaxLines = 50;

// One order line; every field is cut to its maximum length when stored.
struct OrderLine {
  static constexpr std::size_t RowNumberMax = 3;
  static constexpr std::size_t CountryMax = 2;
  static constexpr std::size_t EarNumberMax = 12;
  static constexpr std::size_t CountMax = 1;

  AnsiString RowNumber;
  AnsiString Country;
  AnsiString EarNumber;
  AnsiString Count;

  bool IsEmpty() const {
    return RowNumber.empty() && Country.empty() && EarNumber.empty() && Count.empty();
  }
  void Clear() { *this = OrderLine{}; }
  void SetRowNumber(const AnsiString& text) { RowNumber = text.substr(0, RowNumberMax); }
  void SetCountry(const AnsiString& text) { Country = text.substr(0, CountryMax); }
  void SetEarNumber(const AnsiString& text) { EarNumber = text.substr(0, EarNumberMax); }
  void SetCount(const AnsiString& text) { Count = text.substr(0, CountMax); }

  bool operator==(const OrderLine&) const = default;
};

// What a store operation tells the window: whether the field was accepted and, if not, the
// text of the "Chyba" box (UTF-8).
struct TStoreResult {
  bool Valid = false;
  std::string Message;
  bool Advanced = false;  // StoreCount only: a new line became current
};

// The 13-line view around the current line: the index shown in each of the six slots above
// (slot 0 right above the current line) and below (slot 0 right below), 0 for a blank slot.
struct TLineWindow {
  std::array<int, 6> Upper{};
  std::array<int, 6> Lower{};
};

class EarTagOrder {
public:
  static constexpr const char* CountryMessage = "Kod štátu musí byť z dvoch znakov";
  static constexpr const char* ZeroEarNumberMessage = "Vložená nulová hodnota.";
  static constexpr const char* CountMessage = "Počet môže byť 1 alebo 2.";
  static constexpr const char* FarmNumberMessage =
      "Číslo farmy sa musi skladať so šiestich znakov!";

  EarTagOrder() { InitOrder("SK"); }

  AnsiString FarmNumber;  // the farm field's text
  int TagType = 0;        // 0..6, or -1 for no type selected
  int CurrentLine = 1;
  int LineCount = 1;
  AnsiString Name, Company, Street, Village, Zipcode;
  AnsiString AccountNumber;

  // Lines 1..50; line 51 (one past the end) reads as an empty line. Any other index raises
  // EListError.
  const OrderLine& Line(int index) const;
  OrderLine& Line(int index);
  OrderLine& Current() { return Line(CurrentLine); }
  const OrderLine& Current() const { return Line(CurrentLine); }

  void InitOrder(const AnsiString& countryEditorText);

  TStoreResult StoreCountry(const AnsiString& fieldText);
  // Trims spaces and pads with leading zeros to 12; the window shows the result before storing.
  static AnsiString NormaliseEarNumber(const AnsiString& fieldText);
  // Normalises, then stores unless the value is zero. Raises EConvertError
  // "'%s' is not a valid integer value" when the normalised text is not a number.
  TStoreResult StoreEarNumber(const AnsiString& fieldText);
  TStoreResult StoreCount(const AnsiString& fieldText);
  // Returns whether a new line became current.
  bool AdvanceLine();

  void MoveUp();
  void MoveDown();
  void DeleteCurrentLine();
  TLineWindow LineWindow() const;
  bool IsComplete(int index) const;
  static bool CheckFarmNumber(const AnsiString& farmText) { return farmText.size() == 6; }

private:
  std::array<OrderLine, MaxLines> Lines_{};
  OrderLine Beyond_{};  // the empty line after line 50
};

// Decimal conversion as the order application does it: optional sign and digits only.
// Raises EConvertError "'%s' is not a valid integer value" otherwise.
std::int64_t StrToInt64(const AnsiString& text);
// Removes spaces and control characters at both ends.
AnsiString TrimText(const AnsiString& text);
