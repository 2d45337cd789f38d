#include "app/OrderSheet.h"

#include "app/EarTagOrder.h"
#include "app/TagTypes.h"

#include <string>

namespace {

const TSheetLine& LineAt(const TSheetContent& content, int index) {
  static const TSheetLine empty;
  if (index < 1 || index > static_cast<int>(content.Lines.size())) return empty;
  return content.Lines[static_cast<std::size_t>(index - 1)];
}

class TSheetBuilder {
public:
  TSheetBuilder(int dpiX, int dpiY) : DpiX(dpiX), DpiY(dpiY) {}

  void Text(const AnsiString& face, const AnsiString& text, int x, int y, int h) {
    Ops.push_back({TSheetOpKind::Text, face, text, X(x), Y(y), 0, 0, Y(h)});
  }
  void Line(int x1, int y1, int x2, int y2, int w) {
    Ops.push_back({TSheetOpKind::Line, {}, {}, X(x1), Y(y1), X(x2), Y(y2), Y(w)});
  }
  void Rectangle(int x1, int y1, int x2, int y2, int w) {
    Ops.push_back({TSheetOpKind::Rectangle, {}, {}, X(x1), Y(y1), X(x2), Y(y2), Y(w)});
  }

  std::vector<TSheetOp> Ops;

private:
  int X(int v) const { return TenthsToPixels(v, DpiX); }
  int Y(int v) const { return TenthsToPixels(v, DpiY); }
  int DpiX, DpiY;
};

}  // namespace

TSheetContent SheetContentOf(const EarTagOrder& order) {
  TSheetContent content;
  content.TagTypeCaption = TagTypeCaption(order.TagType);
  content.FarmNumber = order.FarmNumber;
  content.AccountNumber = order.AccountNumber;
  content.Name = order.Name;
  content.Company = order.Company;
  content.Street = order.Street;
  content.Village = order.Village;
  content.Zipcode = order.Zipcode;
  content.LineCount = order.LineCount;
  for (int i = 1; i <= MaxLines; ++i) {
    const OrderLine& line = order.Line(i);
    content.Lines.push_back({line.Country, line.EarNumber, line.Count});
  }
  return content;
}

int TenthsToPixels(int tenths, int dpi) {
  const std::int64_t product = std::int64_t{tenths} * dpi;
  std::int64_t quotient = product / 254, remainder = product % 254;
  if (remainder < 0) {
    quotient -= 1;
    remainder += 254;
  }
  if (remainder * 2 > 254 || (remainder * 2 == 254 && quotient % 2 != 0)) quotient += 1;
  return static_cast<int>(quotient);
}

std::int64_t SheetTotal(const TSheetContent& content) {
  std::int64_t total = 0;
  for (int i = 1; i <= content.LineCount - 1; ++i) total += StrToInt64(LineAt(content, i).Count);
  if (content.LineCount == MaxLines && !LineAt(content, MaxLines).Count.empty())
    total += StrToInt64(LineAt(content, MaxLines).Count);
  return total;
}

std::vector<TSheetOp> LayoutSheet(const TSheetContent& content, int dpiX, int dpiY) {
  const std::int64_t total = SheetTotal(content);
  TSheetBuilder s(dpiX, dpiY);

  s.Text(FaceArialBold, "Zoznam objedn\xe1van\xfd" "ch n\xe1hradn\xfd" "ch u\x9an\xfd" "ch zna\xe8iek", 120, 100, 70);
  s.Rectangle(100, 200, 1900, 650, 1);
  s.Text(FaceArialBold, "Typ zna\xe8iek: ", 160, 230, 40);
  s.Text(FaceArial, content.TagTypeCaption, 420, 230, 40);
  s.Text(FaceArialBold, "\xc8\xedslo farmy: ", 160, 300, 40);
  s.Text(FaceArial, content.FarmNumber, 400, 300, 40);
  s.Text(FaceArialBold, "\xc8\xedslo \xfa\xe8tu: ", 1050, 300, 40);
  s.Text(FaceArial, content.AccountNumber, 1270, 300, 40);
  s.Text(FaceArialBold, "Dodacia adresa: ", 160, 370, 40);
  s.Rectangle(160, 420, 1050, 620, 1);
  s.Text(FaceArial, content.Name, 180, 440, 30);
  s.Text(FaceArial, content.Company, 180, 480, 30);
  s.Text(FaceArial, content.Street, 180, 520, 30);
  s.Text(FaceArial, content.Zipcode + " " + content.Village, 180, 560, 30);

  // Two order lines per row, odd lines on the left; the entry line shows only when n is even.
  const int rows = content.LineCount / 2;
  if (rows > 0) {
    const AnsiString tag = "U\x9an\xe1 zna\xe8ka", count = "Po\xe8" "et";
    s.Line(100, 700, 1900, 700, 3);
    s.Text(FaceCourierBold, tag, 200, 720, 40);
    s.Text(FaceCourierBold, count, 700, 720, 40);
    s.Text(FaceCourierBold, tag, 1100, 720, 40);
    s.Text(FaceCourierBold, count, 1600, 720, 40);
    s.Line(100, 780, 1900, 780, 3);
    for (int r = 1; r <= rows; ++r) {
      const int y = 730 + 60 * r;
      const TSheetLine& left = LineAt(content, 2 * r - 1);
      const TSheetLine& right = LineAt(content, 2 * r);
      s.Text(FaceCourier, left.Country + left.EarNumber, 200, y, 40);
      s.Text(FaceCourier, left.Count, 700, y, 40);
      s.Text(FaceCourier, right.Country + right.EarNumber, 1100, y, 40);
      s.Text(FaceCourier, right.Count, 1600, y, 40);
    }
  }

  s.Line(100, 2590, 1900, 2590, 3);
  s.Text(FaceArialBold, "Celkov\xfd po\xe8" "et objedn\xe1van\xfd" "ch zna\xe8iek:", 200, 2610, 35);
  s.Text(FaceArial, std::to_string(total), 870, 2610, 35);
  s.Text(FaceTimesItalic, "Strana: 1", 1720, 2610, 30);
  s.Line(100, 2670, 1900, 2670, 3);
  return std::move(s.Ops);
}
