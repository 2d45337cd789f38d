#include "app/OrderSheet.h"

#include "app/EarTagOrder.h"
#include "platform/Ansi1250.h"
#include "platform/Exceptions.h"
#include "platform/Utf16.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <utility>

// Readable failure output for drawing operations.
void PrintTo(const TSheetOp& op, std::ostream* os) {
  *os << "{kind " << static_cast<int>(op.Kind) << ", '" << op.Face << "', '" << op.Text << "', "
      << op.X1 << ", " << op.Y1 << ", " << op.X2 << ", " << op.Y2 << ", size " << op.Size << "}";
}

namespace {

TSheetContent Order(int lineCount, int filled, const char* count = "1") {
  TSheetContent c;
  c.TagTypeCaption = "HD n\xe1hradn\xe1 Allflex TYP A";
  c.FarmNumber = "123456";
  c.AccountNumber = "SK31 1200";
  c.Name = "J\xe1n";
  c.Company = "Farma";
  c.Street = "Hlavn\xe1 1";
  c.Village = "Obec";
  c.Zipcode = "01234";
  c.LineCount = lineCount;
  for (int i = 1; i <= filled; ++i) {
    std::string number = std::to_string(i);
    c.Lines.push_back({"SK", std::string(12 - number.size(), '0') + number, count});
  }
  return c;
}

std::vector<TSheetOp> OpsOfFace(const std::vector<TSheetOp>& ops, const AnsiString& face) {
  std::vector<TSheetOp> out;
  std::copy_if(ops.begin(), ops.end(), std::back_inserter(out),
               [&](const TSheetOp& op) { return op.Kind == TSheetOpKind::Text && op.Face == face; });
  return out;
}

TSheetOp Text(const AnsiString& face, const AnsiString& text, int x, int y, int h) {
  return {TSheetOpKind::Text, face, text, x, y, 0, 0, h};
}

}  // namespace

TEST(TenthsToPixels, RoundsToNearestTiesToEven) {
  struct Case {
    int Tenths, Dpi, Expected;
  } cases[] = {
      {120, 600, 283},  {100, 600, 236}, {70, 600, 165},  {2230, 600, 5268}, {1900, 600, 4488},
      {1, 600, 2},      {0, 600, 0},     {254, 300, 300}, {1, 127, 0},       {3, 127, 2},
      {5, 127, 2},      {7, 127, 4},     {1, 381, 2},     {100, 72, 28},     {2670, 1200, 12614},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TenthsToPixels(c.Tenths, c.Dpi), c.Expected) << c.Tenths << " at " << c.Dpi;
}

TEST(OrderSheet, HeadAt600Dpi) {
  const std::vector<TSheetOp> ops = LayoutSheet(Order(1, 0), 600, 600);
  const TSheetOp head[] = {
      Text(FaceArialBold, "Zoznam objedn\xe1van\xfd" "ch n\xe1hradn\xfd" "ch u\x9an\xfd" "ch zna\xe8iek",
           283, 236, 165),
      {TSheetOpKind::Rectangle, {}, {}, 236, 472, 4488, 1535, 2},
      Text(FaceArialBold, "Typ zna\xe8iek: ", 378, 543, 94),
      Text(FaceArial, "HD n\xe1hradn\xe1 Allflex TYP A", 992, 543, 94),
      Text(FaceArialBold, "\xc8\xedslo farmy: ", 378, 709, 94),
      Text(FaceArial, "123456", 945, 709, 94),
      Text(FaceArialBold, "\xc8\xedslo \xfa\xe8tu: ", 2480, 709, 94),
      Text(FaceArial, "SK31 1200", 3000, 709, 94),
      Text(FaceArialBold, "Dodacia adresa: ", 378, 874, 94),
      {TSheetOpKind::Rectangle, {}, {}, 378, 992, 2480, 1465, 2},
      Text(FaceArial, "J\xe1n", 425, 1039, 71),
      Text(FaceArial, "Farma", 425, 1134, 71),
      Text(FaceArial, "Hlavn\xe1 1", 425, 1228, 71),
      Text(FaceArial, "01234 Obec", 425, 1323, 71),
  };
  ASSERT_GE(ops.size(), std::size(head));
  for (std::size_t i = 0; i < std::size(head); ++i) EXPECT_EQ(ops[i], head[i]) << "operation " << i;
}

TEST(OrderSheet, FooterAndEmptyAddress) {
  TSheetContent c = Order(1, 0);
  c.Name = c.Company = c.Street = c.Village = c.Zipcode = c.TagTypeCaption = "";
  const std::vector<TSheetOp> ops = LayoutSheet(c, 600, 600);
  ASSERT_EQ(ops.size(), 19u);  // head and footer, no table
  EXPECT_EQ(ops[3].Text, "");
  EXPECT_EQ(ops[13], Text(FaceArial, " ", 425, 1323, 71));
  const TSheetOp footer[] = {
      {TSheetOpKind::Line, {}, {}, 236, 6118, 4488, 6118, 7},
      Text(FaceArialBold, "Celkov\xfd po\xe8" "et objedn\xe1van\xfd" "ch zna\xe8iek:", 472, 6165, 83),
      Text(FaceArial, "0", 2055, 6165, 83),
      Text(FaceTimesItalic, "Strana: 1", 4063, 6165, 71),
      {TSheetOpKind::Line, {}, {}, 236, 6307, 4488, 6307, 7},
  };
  for (std::size_t i = 0; i < std::size(footer); ++i) EXPECT_EQ(ops[14 + i], footer[i]) << i;
}

TEST(OrderSheet, TableRowsAndTotalByLineCount) {
  struct Case {
    int LineCount, Filled;
    std::size_t Rows;
    const char* Total;
    const char* LastLeft;   // Country + EarNumber in the last row, left
    const char* LastRight;  // and right
    int LastRowY;           // device pixels at 600 dpi
  } cases[] = {
      {1, 0, 0, "0", "", "", 0},
      {2, 1, 1, "2", "SK000000000001", "", 1866},
      {3, 2, 1, "4", "SK000000000001", "SK000000000002", 1866},
      {4, 3, 2, "6", "SK000000000003", "", 2008},
      {50, 49, 25, "98", "SK000000000049", "", 5268},
      {50, 50, 25, "100", "SK000000000049", "SK000000000050", 5268},
  };
  for (const Case& c : cases) {
    const std::vector<TSheetOp> ops = LayoutSheet(Order(c.LineCount, c.Filled, "2"), 600, 600);
    const std::vector<TSheetOp> header = OpsOfFace(ops, FaceCourierBold);
    const std::vector<TSheetOp> cells = OpsOfFace(ops, FaceCourier);
    EXPECT_EQ(header.size(), c.Rows ? 4u : 0u) << c.LineCount;
    ASSERT_EQ(cells.size(), 4 * c.Rows) << c.LineCount;
    EXPECT_EQ(OpsOfFace(ops, FaceArial).back().Text, c.Total) << c.LineCount;
    const std::size_t lines = std::count_if(ops.begin(), ops.end(),
                                            [](const TSheetOp& op) { return op.Kind == TSheetOpKind::Line; });
    EXPECT_EQ(lines, c.Rows ? 4u : 2u) << c.LineCount;
    if (c.Rows == 0) continue;
    const TSheetOp* last = &cells[cells.size() - 4];
    EXPECT_EQ(last[0], Text(FaceCourier, c.LastLeft, 472, c.LastRowY, 94)) << c.LineCount;
    EXPECT_EQ(last[1].X1, 1654);
    EXPECT_EQ(last[2], Text(FaceCourier, c.LastRight, 2598, c.LastRowY, 94)) << c.LineCount;
    EXPECT_EQ(last[3].X1, 3780);
    EXPECT_EQ(last[3].Text, std::string(c.LastRight).empty() ? "" : "2");
    EXPECT_EQ(cells[0].Y1, 1866);  // the first row sits at 790 tenths
  }
}

TEST(OrderSheet, TableHeader) {
  const std::vector<TSheetOp> ops = LayoutSheet(Order(2, 1), 600, 600);
  const TSheetOp expected[] = {
      {TSheetOpKind::Line, {}, {}, 236, 1654, 4488, 1654, 7},
      Text(FaceCourierBold, "U\x9an\xe1 zna\xe8ka", 472, 1701, 94),
      Text(FaceCourierBold, "Po\xe8" "et", 1654, 1701, 94),
      Text(FaceCourierBold, "U\x9an\xe1 zna\xe8ka", 2598, 1701, 94),
      Text(FaceCourierBold, "Po\xe8" "et", 3780, 1701, 94),
      {TSheetOpKind::Line, {}, {}, 236, 1843, 4488, 1843, 7},
  };
  for (std::size_t i = 0; i < std::size(expected); ++i) EXPECT_EQ(ops[14 + i], expected[i]) << i;
}

TEST(OrderSheet, UsesEachDirectionsResolution) {
  const std::vector<TSheetOp> ops = LayoutSheet(Order(1, 0), 300, 600);
  EXPECT_EQ(ops[0], Text(FaceArialBold, ops[0].Text, 142, 236, 165));
  EXPECT_EQ(ops[1].X2, 2244);
  EXPECT_EQ(ops[1].Y2, 1535);
}

TEST(OrderSheet, CountThatIsNotANumberStopsBeforeAnyDrawing) {
  struct Case {
    int LineCount;
    int BadLine;
    const char* Count;
    const char* Message;  // empty: no error
  } cases[] = {
      {3, 2, "x", "'x' is not a valid integer value"},
      {3, 2, "\xE8", "'\xC4\x8D' is not a valid integer value"},  // windows-1250 "č", shown in UTF-8
      {3, 1, "", "'' is not a valid integer value"},
      {3, 1, " ", "' ' is not a valid integer value"},
      {50, 50, "?", "'?' is not a valid integer value"},
      {3, 3, "x", ""},   // the entry line is not counted
      {50, 50, "", ""},  // line 50 without a count adds nothing
      {3, 2, "+1", ""},
  };
  for (const Case& c : cases) {
    TSheetContent content = Order(c.LineCount, 50);
    content.Lines[static_cast<std::size_t>(c.BadLine - 1)].Count = c.Count;
    if (*c.Message == 0) {
      EXPECT_NO_THROW(LayoutSheet(content, 600, 600)) << c.Count;
      continue;
    }
    try {
      LayoutSheet(content, 600, 600);
      ADD_FAILURE() << "no error for '" << c.Count << "'";
    } catch (const EConvertError& e) {
      EXPECT_EQ(std::string(e.what()), c.Message);
    }
  }
}

// The sheet's content comes from the order alone: the caption of its tag type as the list
// shows it (encoded as the sheet prints it), every line as stored, the line count as it stands.
TEST(SheetContentOf, CaptionOfTheTagTypeAndEveryValueOfTheOrder) {
  const std::pair<int, const char*> captions[] = {
      {0, "HD náhradná Allflex TYP A"},
      {1, "HD náhradná Allflex TYP B"},
      {2, "Ovce a kozy náhradná - terčík Allflex"},
      {3, "Ovce a kozy náhradná - hranatá Allflex"},
      {4, "Ovce a kozy náhradná - hranatá Bentley"},
      {5, "Ovce a kozy náhradná - hranatá Datamars"},
      {6, "Ovce a kozy náhradná - elektronická"},
      {-1, ""},
      {7, ""},
  };
  EarTagOrder order;
  order.FarmNumber = "123456";
  order.AccountNumber = "SK31/0900";
  order.Name = "J\xe1n";
  order.Company = "Farma";
  order.Street = "Hlavn\xe1 1";
  order.Village = "\xc8" "adca";
  order.Zipcode = "02201";
  for (int i = 1; i <= 3; ++i) {
    order.Line(i).SetCountry(i == 2 ? "CZ" : "SK");
    order.Line(i).SetEarNumber("00000000000" + std::to_string(i));
    order.Line(i).SetCount(i == 3 ? "" : std::to_string(i));
  }
  order.Line(50).SetCount("2");
  order.LineCount = 3;
  for (const auto& [type, caption] : captions) {
    order.TagType = type;
    const TSheetContent content = SheetContentOf(order);
    EXPECT_EQ(WideToUtf8(AnsiToWide(content.TagTypeCaption)), caption) << type;
  }
  const TSheetContent content = SheetContentOf(order);
  EXPECT_EQ(content.FarmNumber, "123456");
  EXPECT_EQ(content.AccountNumber, "SK31/0900");
  EXPECT_EQ(content.Name + "|" + content.Company + "|" + content.Street + "|" + content.Village + "|" + content.Zipcode,
            "J\xe1n|Farma|Hlavn\xe1 1|\xc8" "adca|02201");
  EXPECT_EQ(content.LineCount, 3);
  ASSERT_EQ(content.Lines.size(), static_cast<std::size_t>(MaxLines));
  std::string lines;
  for (const TSheetLine& line : content.Lines)
    if (!line.Country.empty() || !line.EarNumber.empty() || !line.Count.empty())
      lines += line.Country + line.EarNumber + ":" + line.Count + " ";
  // All 50 lines, beyond the line count too: the layout decides which of them it prints.
  EXPECT_EQ(lines, "SK000000000001:1 CZ000000000002:2 SK000000000003: :2 ");
}
