#include "app/OrderFileWriter.h"

#include "platform/ReplaceFile.h"

#include <cstdio>

namespace {

void AddLine(std::string& out, const std::string& text) {
  out += text;
  out += "\r\n";
}

void AddElement(std::string& out, const char* name, const AnsiString& value) {
  AddLine(out, std::string("<") + name + ">" + EscapeElementText(value) + "</" + name + ">");
}

}  // namespace

AnsiString EscapeElementText(const AnsiString& value) {
  // The reader takes a text of one line feed alone for line layout and would drop it.
  if (value == "\n") return "?";
  AnsiString out;
  out.reserve(value.size());
  for (const char c : value) {
    switch (c) {
      case '&': out += "&#38;"; break;
      case '<': out += "&#60;"; break;
      case '>': out += "&#62;"; break;
      // A raw CR would be read back as a line feed.
      case '\r': out += "&#13;"; break;
      case '\t':
      case '\n': out += c; break;
      default:
        // Other control characters are no XML characters at all, not even as references,
        // so they are written as "?" like characters windows-1250 lacks.
        out += static_cast<unsigned char>(c) < 0x20 ? '?' : c;
    }
  }
  return out;
}

std::string OrderFileBytes(const EarTagOrder& order) {
  std::string out;
  AddLine(out, "<?xml version=\"1.0\" encoding=\"windows-1250\"?>");
  AddLine(out, "<objednavka>");
  // An order without a tag type has neither code.
  if (const TTagType* codes = TagTypeAt(order.TagType)) {
    AddElement(out, "species", codes->Species);
    AddElement(out, "type", codes->Type);
  }
  AddLine(out, "<address>");
  AddElement(out, "name", order.Name);
  AddElement(out, "company", order.Company);
  AddElement(out, "street", order.Street);
  AddElement(out, "village", order.Village);
  AddElement(out, "zipcode", order.Zipcode);
  AddLine(out, "</address>");
  AddElement(out, "farm", order.FarmNumber);
  AddElement(out, "accountnumber", order.AccountNumber);
  for (int i = 1; i <= MaxLines; ++i) {
    if (!order.IsComplete(i)) continue;
    const OrderLine& line = order.Line(i);
    AddLine(out, "<mark>");
    AddElement(out, "markcode", line.Country + line.EarNumber);
    AddElement(out, "cnt", line.Count);
    AddLine(out, "</mark>");
  }
  AddLine(out, "</objednavka>");
  return out;
}

AnsiString ProposedOrderFileName(const AnsiString& farmNumber, int year, int month, int day) {
  char date[32];
  std::snprintf(date, sizeof date, "%04d%02d%02d", year, day, month);
  return "VrenaEarMark_" + farmNumber + "_" + date;
}

void WriteOrderFile(const std::string& fileName, const EarTagOrder& order) {
  ReplaceFileContents(fileName, OrderFileBytes(order));
}
