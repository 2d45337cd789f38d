// The printed order sheet as a list of drawing operations in device pixels, computed from the
// order and the printer's resolution, so that the layout can be checked without a printer and
// any canvas (a printer, a PDF file) draws exactly the same sheet.
#pragma once

#include "platform/WideString.h"

#include <cstdint>
#include <vector>

class EarTagOrder;

enum class TSheetOpKind { Text, Line, Rectangle };

struct TSheetOp {
  TSheetOpKind Kind = TSheetOpKind::Text;
  AnsiString Face;  // text only: one of the face names below
  AnsiString Text;  // text only
  // Text: top-left corner at (X1, Y1). Line: from (X1, Y1) to (X2, Y2). Rectangle: corners.
  int X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
  // Text: character height (not cell height). Line and rectangle: pen width.
  int Size = 0;
  bool operator==(const TSheetOp&) const = default;
};

// The sheet's face names in windows-1250; the style comes from the name alone.
inline const AnsiString FaceArialBold = "Arial tu\xe8n\xe9";
inline const AnsiString FaceArial = "Arial";
inline const AnsiString FaceCourierBold = "Courier New tu\xe8n\xe9";
inline const AnsiString FaceCourier = "Courier New";
inline const AnsiString FaceTimesItalic = "Times New Roman kurz\xedva";

// The name under which the print job is started.
inline const AnsiString SheetDocumentName = "Objednavka u\x9an\xfd" "ch zna\xe8iek";

struct TSheetLine {
  AnsiString Country, EarNumber, Count;
};

// What the sheet shows: texts as the order holds them (windows-1250).
struct TSheetContent {
  AnsiString TagTypeCaption;  // empty when no type is selected
  AnsiString FarmNumber;
  AnsiString AccountNumber;
  AnsiString Name, Company, Street, Village, Zipcode;
  int LineCount = 1;              // 1..50, the entry line included
  std::vector<TSheetLine> Lines;  // Lines[0] is line 1; missing lines are empty
};

// The sheet's content from the order: its farm, address and account, all 50 lines, and the
// caption of its tag type (empty when none is selected).
TSheetContent SheetContentOf(const EarTagOrder& order);

// v tenths of a millimetre at dpi dots per inch: v * dpi / 254 rounded to the nearest
// integer, ties to the even one.
int TenthsToPixels(int tenths, int dpi);

// The footer's total: the counts of lines 1 to LineCount - 1, and line 50's when all 50 are
// in use and it holds one. Raises EConvertError "'%s' is not a valid integer value" for a
// count that is not a number.
std::int64_t SheetTotal(const TSheetContent& content);

// The whole sheet in drawing order. The total is computed first, so a bad count raises before
// any operation exists and a print job is never started for a sheet that cannot be finished.
std::vector<TSheetOp> LayoutSheet(const TSheetContent& content, int dpiX, int dpiY);
