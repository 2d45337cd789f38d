// Opening order files: the values taken from the tree, the lines and the entry line, the
// failures that leave the order as it was, and the writer's files read back whole.
#include "app/OrderFileReader.h"
#include "app/OrderFileWriter.h"
#include "app/OrderOpener.h"
#include "dom/DomImplementation.h"
#include "dom/DomLists.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The whole model as text, lines 1..50 included, so one comparison covers every field.
std::string Dump(const EarTagOrder& order) {
  std::string out = "farm=" + order.FarmNumber + " type=" + std::to_string(order.TagType) +
                    " current=" + std::to_string(order.CurrentLine) + " count=" + std::to_string(order.LineCount) +
                    "\nname=" + order.Name + "\ncompany=" + order.Company + "\nstreet=" + order.Street +
                    "\nvillage=" + order.Village + "\nzipcode=" + order.Zipcode + "\naccount=" + order.AccountNumber;
  for (int i = 1; i <= MaxLines; ++i) {
    const OrderLine& line = order.Line(i);
    if (!line.IsEmpty()) out += "\n" + std::to_string(i) + ": " + line.RowNumber + "|" + line.Country + "|" +
                                line.EarNumber + "|" + line.Count;
  }
  return out;
}

// Lines of an order file, joined with CR LF, after the declaration and the root start tag.
std::string File(std::initializer_list<std::string> body) {
  std::string out = "<?xml version=\"1.0\" encoding=\"windows-1250\"?>\r\n<objednavka>\r\n";
  for (const std::string& line : body) out += line + "\r\n";
  return out + "</objednavka>\r\n";
}

std::string Mark(const std::string& markcode, const std::string& count) {
  return "<mark>\r\n<markcode>" + markcode + "</markcode>\r\n<cnt>" + count + "</cnt>\r\n</mark>";
}

// An order as a user leaves it: six lines typed, address and account from the settings.
EarTagOrder Previous() {
  EarTagOrder order;
  order.FarmNumber = "999999";
  order.TagType = 4;
  order.Name = "Star\xE9 meno";
  order.Company = "Star\xE1 firma";
  order.Street = "Star\xE1 ulica";
  order.Village = "Star\xE1 obec";
  order.Zipcode = "99999";
  order.AccountNumber = "111/0200";
  for (int i = 1; i <= 5; ++i) {
    order.Line(i).SetRowNumber(std::to_string(i));
    order.Line(i).SetCountry("CZ");
    order.Line(i).SetEarNumber("00000000000" + std::to_string(i));
    order.Line(i).SetCount("2");
  }
  order.Line(6).SetRowNumber("6");
  order.Line(6).SetCountry("SK");
  order.LineCount = 6;
  order.CurrentLine = 6;
  return order;
}

class OrderReader : public ::testing::Test {
protected:
  void SetUp() override {
    Dir = fs::temp_directory_path() / ("earmark-reader-" + std::to_string(::getpid()));
    fs::create_directories(Dir);
  }
  void TearDown() override { fs::remove_all(Dir); }

  TOpenOrderResult Open(const std::string& bytes, EarTagOrder& order, std::string* detail = nullptr) {
    const fs::path path = Dir / "order.xml";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    std::string ignored = "left over";
    const TOpenOrderResult result = Opener.Open(path.string(), order, detail ? *detail : ignored);
    if (result == TOpenOrderResult::Opened) EXPECT_EQ(detail ? *detail : ignored, "");
    EXPECT_EQ(Implementation.documents()->getLength(), 0) << "a document was left in the list";
    return result;
  }

  // The program's own opener, as the window and earmark-cli use it: one for every file.
  TOrderOpener Opener;
  TDomImplementation& Implementation = Opener.Implementation();
  TXmlToDomParser& Parser = Opener.Parser();
  fs::path Dir;
};

TEST_F(OrderReader, FilesThatOpen) {
  // What each file changes in the previous order; every other field stays as Previous() has it.
  struct Row {
    const char* Name;
    std::string File;
    std::function<void(EarTagOrder&)> Expect;
  };
  const auto address = [](EarTagOrder& o) { o.Name = o.Company = o.Street = o.Village = o.Zipcode = ""; };
  const auto lines = [](EarTagOrder& o, int marks) {
    for (int i = 1; i <= MaxLines; ++i) o.Line(i).Clear();
    o.LineCount = o.CurrentLine = marks < MaxLines ? marks + 1 : MaxLines;
    o.Line(o.LineCount).SetRowNumber(std::to_string(o.LineCount));
  };
  const auto line = [](EarTagOrder& o, int i, const char* country, const char* ear, const char* count) {
    o.Line(i).SetRowNumber(std::to_string(i));
    o.Line(i).SetCountry(country);
    o.Line(i).SetEarNumber(ear);
    o.Line(i).SetCount(count);
  };
  std::string fifty;
  for (int i = 1; i <= 50; ++i) fifty += Mark("SK0000000000" + std::to_string(10 + i), i % 2 ? "1" : "2") + "\r\n";
  const Row rows[] = {
      {"three marks as the writer saves them",
       File({"<species>1</species>", "<type>50</type>", "<address>", "<name>J\xE1n Kov\xE1\xE8</name>",
             "<company>A &#38; B</company>", "<street>Hlavn\xE1 5</street>", "<village>\x8Eilina</village>",
             "<zipcode>01001</zipcode>", "</address>", "<farm>123456</farm>", "<accountnumber>12/0900</accountnumber>",
             Mark("SK000000012345", "1"), Mark("CZ000000000987", "2"), Mark("AT000000000001", "1")}),
       [&](EarTagOrder& o) {
         o.TagType = 1;
         o.Name = "J\xE1n Kov\xE1\xE8";
         o.Company = "A & B";
         o.Street = "Hlavn\xE1 5";
         o.Village = "\x8Eilina";
         o.Zipcode = "01001";
         o.FarmNumber = "123456";
         o.AccountNumber = "12/0900";
         lines(o, 3);
         line(o, 1, "SK", "000000012345", "1");
         line(o, 2, "CZ", "000000000987", "2");
         line(o, 3, "AT", "000000000001", "1");
       }},
      {"two marks over six lines empty lines 3 to 6",
       File({Mark("SK000000000001", "1"), Mark("SK000000000002", "2")}),
       [&](EarTagOrder& o) {
         address(o);
         o.TagType = -1;
         lines(o, 2);
         line(o, 1, "SK", "000000000001", "1");
         line(o, 2, "SK", "000000000002", "2");
       }},
      {"no marks", File({"<farm>123456</farm>"}),
       [&](EarTagOrder& o) {
         address(o);
         o.TagType = -1;
         o.FarmNumber = "123456";
         lines(o, 0);
       }},
      {"type codes", File({"<type>12</type>"}), [&](EarTagOrder& o) { address(o); o.TagType = 6; lines(o, 0); }},
      {"unknown type code", File({"<type>99</type>"}), [&](EarTagOrder& o) { address(o); o.TagType = -1; lines(o, 0); }},
      {"empty account keeps the account", File({"<accountnumber></accountnumber>", "<farm></farm>"}),
       [&](EarTagOrder& o) { address(o); o.TagType = -1; lines(o, 0); }},
      {"short markcode", File({Mark("SK123", "1")}),
       [&](EarTagOrder& o) { address(o); o.TagType = -1; lines(o, 1); line(o, 1, "SK", "123", "1"); }},
      {"long markcode and count", File({Mark("SK12345678901234567", "12")}),
       [&](EarTagOrder& o) { address(o); o.TagType = -1; lines(o, 1); line(o, 1, "SK", "123456789012", "1"); }},
      {"other order, other elements, attributes",
       File({"<mark x='1'><cnt>2</cnt><note>n</note><markcode>PL000000000005</markcode></mark>",
             "<extra><name>Vnoren\xE9</name></extra>", "<type>60</type><species>3</species>"}),
       [&](EarTagOrder& o) {
         address(o);
         o.Name = "Vnoren\xE9";
         o.TagType = 2;
         lines(o, 1);
         line(o, 1, "PL", "000000000005", "2");
       }},
      {"a mark starts its line empty", File({"<mark></mark>", "<mark><cnt>1</cnt></mark>"}),
       [&](EarTagOrder& o) {
         address(o);
         o.TagType = -1;
         lines(o, 2);
         o.Line(1).SetRowNumber("1");
         line(o, 2, "", "", "1");
       }},
      {"values before the first mark are dropped",
       File({"<markcode>SK000000000009</markcode>", "<cnt>2</cnt>", Mark("CZ000000000001", "1")}),
       [&](EarTagOrder& o) { address(o); o.TagType = -1; lines(o, 1); line(o, 1, "CZ", "000000000001", "1"); }},
      {"fifty marks fill the order", File({fifty}),
       [&](EarTagOrder& o) {
         address(o);
         o.TagType = -1;
         lines(o, 50);
         for (int i = 1; i <= 50; ++i)
           line(o, i, "SK", ("0000000000" + std::to_string(10 + i)).c_str(), i % 2 ? "1" : "2");
       }},
      // A field's value is its whole text: every text piece, CDATA section, character and
      // predefined entity reference in order; comments, processing instructions and child
      // elements between the pieces add nothing.
      {"entity reference inside a value", File({"<name>J\xE1n &amp; Nov\xE1k</name>"}),
       [&](EarTagOrder& o) { address(o); o.Name = "J\xE1n & Nov\xE1k"; o.TagType = -1; lines(o, 0); }},
      {"comment inside a value", File({"<name>J\xE1n <!--x-->Nov\xE1k</name>"}),
       [&](EarTagOrder& o) { address(o); o.Name = "J\xE1n Nov\xE1k"; o.TagType = -1; lines(o, 0); }},
      {"CDATA section as the value", File({"<name><![CDATA[J\xE1n]]></name>"}),
       [&](EarTagOrder& o) { address(o); o.Name = "J\xE1n"; o.TagType = -1; lines(o, 0); }},
      {"markcode ending in a CDATA section", File({Mark("SK<![CDATA[000000000123]]>", "<![CDATA[2]]>")}),
       [&](EarTagOrder& o) { address(o); o.TagType = -1; lines(o, 1); line(o, 1, "SK", "000000000123", "2"); }},
      {"every predefined entity and character references",
       File({"<company>&lt;&gt;&amp;&apos;&quot;&#65;&#x42;<![CDATA[&lt;]]></company>",
             "<street>a<?pi x?>b<i>c</i>d</street>", "<type>6<!---->0</type>", "<farm>12<![CDATA[34]]>56</farm>"}),
       [&](EarTagOrder& o) {
         address(o);
         o.Company = "<>&'\"AB&lt;";
         o.Street = "abd";
         o.TagType = 2;
         o.FarmNumber = "123456";
         lines(o, 0);
       }},
      {"a comment or a lone line feed is no value",
       File({"<accountnumber><!--x--></accountnumber>", "<farm>\r\n</farm>", "<name>\n<!---->x</name>"}),
       [&](EarTagOrder& o) { address(o); o.Name = "\nx"; o.TagType = -1; lines(o, 0); }},
      {"a C1 control in the farm number is a character, not the end of the file",
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?><o><farm>12\xC2\x9C"
       "34</farm><type>12</type></o>",
       [&](EarTagOrder& o) { address(o); o.FarmNumber = "12?34"; o.TagType = 6; lines(o, 0); }},
      {"letters outside windows-1250 become question marks",
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?><o><name>\xE2\x82\xAC\xE4\xB8\xAD</name></o>",
       [&](EarTagOrder& o) { address(o); o.Name = "\x80?"; o.TagType = -1; lines(o, 0); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.Name);
    EarTagOrder order = Previous();
    EarTagOrder expected = Previous();
    row.Expect(expected);
    ASSERT_EQ(Open(row.File, order), TOpenOrderResult::Opened);
    EXPECT_EQ(Dump(order), Dump(expected));
  }
}

TEST_F(OrderReader, FailuresLeaveTheOrderAsItWas) {
  std::string fiftyOne;
  for (int i = 1; i <= 51; ++i) fiftyOne += Mark("SK000000000001", "1") + "\r\n";
  // The errors still reach the handler the DOM implementation had before.
  int handled = 0;
  Implementation.OnError = [&handled](TPersistent*, TDomError*, bool&) { ++handled; };
  // name, file -> where it is broken (the parser's first error, or why it is no order)
  const struct {
    const char* Name;
    std::string Bytes;
    const char* Detail;
  } rows[] = {
      {"type that is no number", File({"<name>Nov\xE9</name>", Mark("SK000000000001", "1"), "<type>x</type>"}),
       "not an order: 'x' is not a valid integer value"},
      {"fifty-one marks", File({fiftyOne}), "not an order: More order lines than an order can hold."},
      {"unescaped ampersand", File({"<company>A & B</company>"}), "EK_ENTITY_NAME_EXPECTED at line 3, column 13"},
      {"not closed", "<?xml version=\"1.0\" encoding=\"windows-1250\"?>\r\n<objednavka>\r\n<name>x</name>\r\n",
       "EK_UNCLOSED_ELEMENT_AT_END (objednavka) at line 4, column 1"},
      {"end tag of another element", "<a>\n  <b></a>", "EK_END_TAG_MISMATCH \"a\" at line 2, column 8"},
      {"empty file", "", "EK_MISSING_DOCUMENT_ELEMENT at line 1, column 1"},
      {"version 1.1", "<?xml version=\"1.1\"?><objednavka/>", "EK_XML_VERSION_NOT_SUPPORTED"},
      {"windows-1250 declared as UTF-8", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><o><name>\x8E</name></o>",
       "EK_INVALID_CHARACTER \"name\" at line 1, column 5"},
  };
  int parseErrors = 0;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    EarTagOrder order = Previous();
    std::string detail;
    EXPECT_EQ(Open(row.Bytes, order, &detail), TOpenOrderResult::BadFormat);
    EXPECT_EQ(detail, row.Detail);
    EXPECT_EQ(Dump(order), Dump(Previous()));
    if (std::string(row.Detail).rfind("EK_", 0) == 0) ++parseErrors;
  }
  EXPECT_EQ(handled, parseErrors);
  ASSERT_TRUE(Implementation.OnError);
  EarTagOrder order = Previous();
  std::string detail = "left over";
  EXPECT_EQ(OpenOrderFile(Parser, (Dir / "missing.xml").string(), order, detail), TOpenOrderResult::NotFound);
  EXPECT_EQ(detail, "");
  EXPECT_EQ(OpenOrderFile(Parser, Dir.string(), order), TOpenOrderResult::NotFound);
  EXPECT_EQ(Dump(order), Dump(Previous()));
  EXPECT_STREQ(OpenOrderMessage(TOpenOrderResult::NotFound), "Subor nebol n\xC3\xA1jden\xC3\xBD!");
  EXPECT_STREQ(OpenOrderMessage(TOpenOrderResult::BadFormat), "Nespr\xC3\xA1vny from\xC3\xA1t s\xC3\xBA" "boru!");
}

TEST_F(OrderReader, DeepDocumentsCostNoStack) {
  constexpr int depth = 1000000;
  std::string bytes = "<?xml version=\"1.0\"?>";
  bytes.reserve(static_cast<std::size_t>(depth) * 8 + 64);
  for (int i = 0; i < depth; ++i) bytes += "<m>";
  bytes += "<name>hlboko</name>";
  for (int i = 0; i < depth; ++i) bytes += "</m>";
  EarTagOrder order = Previous();
  ASSERT_EQ(Open(bytes, order), TOpenOrderResult::Opened);
  EXPECT_EQ(order.Name, "hlboko");
}

TEST(TagTypeCodes, InverseOfTheWriter) {
  for (int type = -1; type <= 6; ++type) {
    const TTagType* codes = TagTypeAt(type);
    if (codes != nullptr) EXPECT_EQ(TagTypeFromCode(codes->Type), type);
  }
  const std::pair<const char*, int> rows[] = {{"0", -1}, {"-49", -1}, {"+49", 0}, {"050", 1}, {"1", -1}};
  for (const auto& [code, type] : rows) EXPECT_EQ(TagTypeFromCode(code), type) << code;
  EXPECT_THROW(TagTypeFromCode(""), EConvertError);
  EXPECT_THROW(TagTypeFromCode("4 9"), EConvertError);
}

// Every byte an order can hold in every field comes back from a saved file as it was, except
// the control characters XML does not allow and a value of one line feed alone, which are
// saved as "?".
TEST_F(OrderReader, EveryByteSurvivesSavingOrBecomesAQuestionMark) {
  for (int b = 0; b < 256; ++b) {
    const char c = static_cast<char>(b);
    const bool allowed = b >= 0x20 || c == '\t' || c == '\n' || c == '\r';
    const char back = allowed ? c : '?';
    const auto value = [](char first, char second) { return std::string{'x', first, second, 'y'}; };
    EarTagOrder order;
    order.FarmNumber = value(c, 'f');
    order.TagType = 3;
    order.Name = value(c, c);
    order.Company = std::string(1, c);
    order.Street = value('s', c);
    order.Village = std::string{c, 'v'};
    order.Zipcode = std::string{'z', c};
    order.AccountNumber = value(c, '\r');
    OrderLine& line = order.Line(1);
    line.SetRowNumber("1");
    line.SetCountry(std::string{c, 'K'});
    line.SetEarNumber(std::string("00000000001") + c);
    line.SetCount(std::string(1, c));
    order.LineCount = order.CurrentLine = 2;
    order.Current().SetRowNumber("2");

    EarTagOrder expected = order;
    expected.FarmNumber = value(back, 'f');
    expected.Name = value(back, back);
    expected.Company = std::string(1, c == '\n' ? '?' : back);
    expected.Street = value('s', back);
    expected.Village = std::string{back, 'v'};
    expected.Zipcode = std::string{'z', back};
    expected.AccountNumber = value(back, '\r');
    expected.Line(1).SetCountry(std::string{back, 'K'});
    expected.Line(1).SetEarNumber(std::string("00000000001") + back);
    expected.Line(1).SetCount(std::string(1, c == '\n' ? '?' : back));

    EarTagOrder read = Previous();
    ASSERT_EQ(Open(OrderFileBytes(order), read), TOpenOrderResult::Opened) << "byte " << b;
    EXPECT_EQ(Dump(read), Dump(expected)) << "byte " << b;
  }
}

// Random orders as a user can make them, saved by the writer and opened again.
TEST_F(OrderReader, WriterFilesReadBackWhole) {
  std::mt19937 random(20261208);
  const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  // Slovak letters in windows-1250, markup characters and quotes, spaces.
  const std::vector<std::string> pieces = {"a", "Z", "7", " ", "&", "<", ">", "\"", "'", "\xE1", "\xE4", "\xE8",
                                           "\xEF", "\xE9", "\xED", "\xBE", "\xE5", "\xF2", "\xF3", "\xF4", "\xE0",
                                           "\x9A", "\x9D", "\xFA", "\xFD", "\x9E", "\x8A", "\x8E", "\xC8", "&amp;",
                                           "\t", "\r\n", "\r", "\x81", "\x98", "\x7F", "]]>"};
  const auto text = [&] {
    std::string out;
    for (int n = pick(12); n > 0; --n) out += pieces[static_cast<std::size_t>(pick(static_cast<int>(pieces.size())))];
    return out;
  };
  for (int round = 0; round < 300; ++round) {
    EarTagOrder order;
    order.FarmNumber = text();
    order.TagType = pick(8) - 1;
    order.Name = text();
    order.Company = text();
    order.Street = text();
    order.Village = text();
    order.Zipcode = text();
    order.AccountNumber = text();
    const int marks = round < 2 ? round * 50 : pick(51);
    for (int i = 1; i <= MaxLines; ++i) order.Line(i).Clear();
    for (int i = 1; i <= marks; ++i) {
      OrderLine& line = order.Line(i);
      line.SetRowNumber(std::to_string(i));
      line.SetCountry(std::string{static_cast<char>('A' + pick(26)), static_cast<char>('A' + pick(26))});
      std::string ear;
      for (int d = 0; d < 12; ++d) ear += static_cast<char>('0' + pick(10));
      line.SetEarNumber(ear);
      line.SetCount(pick(2) ? "1" : "2");
    }
    order.LineCount = order.CurrentLine = marks < MaxLines ? marks + 1 : MaxLines;
    order.Current().SetRowNumber(std::to_string(order.LineCount));

    EarTagOrder read;
    ASSERT_EQ(Open(OrderFileBytes(order), read), TOpenOrderResult::Opened) << OrderFileBytes(order);
    ASSERT_EQ(Dump(read), Dump(order)) << "round " << round;
  }
}

}  // namespace
