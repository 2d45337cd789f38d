#include "app/OrderFileWriter.h"
#include "platform/Exceptions.h"
#include "platform/ReplaceFile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/resource.h>

namespace fs = std::filesystem;

namespace {

const std::string Head =
    "<?xml version=\"1.0\" encoding=\"windows-1250\"?>\r\n"
    "<objednavka>\r\n";

void Confirm(EarTagOrder& order, const AnsiString& country, const AnsiString& ear,
             const AnsiString& count) {
  ASSERT_TRUE(order.StoreCountry(country).Valid);
  ASSERT_TRUE(order.StoreEarNumber(ear).Valid);
  ASSERT_TRUE(order.StoreCount(count).Valid);
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteAll(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

fs::path FreshFolder(const std::string& name) {
  const fs::path folder = fs::path(EARMARK_BINARY_DIR) / "test-output" / name;
  fs::remove_all(folder);
  fs::create_directories(folder);
  return folder;
}

}  // namespace

TEST(OrderFileWriter, NothingConfirmed) {
  EarTagOrder order;
  order.FarmNumber = "123456";
  EXPECT_EQ(OrderFileBytes(order),
            Head +
                "<species>1</species>\r\n<type>49</type>\r\n"
                "<address>\r\n<name></name>\r\n<company></company>\r\n<street></street>\r\n"
                "<village></village>\r\n<zipcode></zipcode>\r\n</address>\r\n"
                "<farm>123456</farm>\r\n<accountnumber></accountnumber>\r\n"
                "</objednavka>\r\n");
}

TEST(OrderFileWriter, ThreeLinesWithSlovakAddress) {
  EarTagOrder order;
  order.FarmNumber = "SK1234";
  order.TagType = 2;
  order.Name = "J\xE1n Kov\xE1\xE8";           // Ján Kováč
  order.Company = "Farma \x8Eitn\xFD ostrov";   // Farma Žitný ostrov
  order.Street = "Hlavn\xE1 5";                 // Hlavná 5
  order.Village = "\x8Eilina";                  // Žilina
  order.Zipcode = "010 01";
  order.AccountNumber = "1234567890/0900";
  Confirm(order, "SK", "12345       ", "1");
  Confirm(order, "S ", "   987654321", "2");
  Confirm(order, "CZ", "123456789012", "1");
  // A line confirmed up to the ear number but without a count is not written.
  ASSERT_TRUE(order.StoreCountry("AT").Valid);
  ASSERT_TRUE(order.StoreEarNumber("55").Valid);
  EXPECT_EQ(OrderFileBytes(order),
            Head +
                "<species>3</species>\r\n<type>60</type>\r\n"
                "<address>\r\n<name>J\xE1n Kov\xE1\xE8</name>\r\n"
                "<company>Farma \x8Eitn\xFD ostrov</company>\r\n"
                "<street>Hlavn\xE1 5</street>\r\n<village>\x8Eilina</village>\r\n"
                "<zipcode>010 01</zipcode>\r\n</address>\r\n"
                "<farm>SK1234</farm>\r\n<accountnumber>1234567890/0900</accountnumber>\r\n"
                "<mark>\r\n<markcode>SK000000012345</markcode>\r\n<cnt>1</cnt>\r\n</mark>\r\n"
                "<mark>\r\n<markcode>S 000987654321</markcode>\r\n<cnt>2</cnt>\r\n</mark>\r\n"
                "<mark>\r\n<markcode>CZ123456789012</markcode>\r\n<cnt>1</cnt>\r\n</mark>\r\n"
                "</objednavka>\r\n");
}

TEST(OrderFileWriter, TagTypeCodes) {
  const std::vector<std::pair<int, std::string>> cases = {
      {0, "<species>1</species>\r\n<type>49</type>\r\n"},
      {1, "<species>1</species>\r\n<type>50</type>\r\n"},
      {2, "<species>3</species>\r\n<type>60</type>\r\n"},
      {3, "<species>3</species>\r\n<type>63</type>\r\n"},
      {4, "<species>3</species>\r\n<type>64</type>\r\n"},
      {5, "<species>3</species>\r\n<type>65</type>\r\n"},
      {6, "<species>3</species>\r\n<type>12</type>\r\n"},
      {-1, ""},
      {7, ""},
  };
  for (const auto& [type, lines] : cases) {
    EarTagOrder order;
    order.TagType = type;
    const std::string bytes = OrderFileBytes(order);
    // Whatever stands between the root element and the address is the tag type.
    EXPECT_EQ(bytes.substr(Head.size(), bytes.find("<address>") - Head.size()), lines) << type;
  }
}

TEST(OrderFileWriter, FiftyCompleteLines) {
  EarTagOrder order;
  order.FarmNumber = "654321";
  order.TagType = -1;
  std::string marks;
  for (int i = 1; i <= 50; ++i) {
    const std::string ear = std::string(9, '0') + (i < 10 ? "00" : "0") + std::to_string(i) ;
    Confirm(order, "SK", ear.substr(ear.size() - 12), i % 2 ? "1" : "2");
    marks += "<mark>\r\n<markcode>SK" + ear.substr(ear.size() - 12) + "</markcode>\r\n<cnt>" +
             (i % 2 ? "1" : "2") + "</cnt>\r\n</mark>\r\n";
  }
  // The entry line stayed line 50 and is complete, so it is written as well.
  ASSERT_EQ(order.LineCount, 50);
  ASSERT_EQ(order.CurrentLine, 50);
  EXPECT_EQ(OrderFileBytes(order),
            Head +
                "<address>\r\n<name></name>\r\n<company></company>\r\n<street></street>\r\n"
                "<village></village>\r\n<zipcode></zipcode>\r\n</address>\r\n"
                "<farm>654321</farm>\r\n<accountnumber></accountnumber>\r\n" +
                marks + "</objednavka>\r\n");
}

TEST(OrderFileWriter, MarkupCharactersBecomeNumericReferences) {
  const std::vector<std::pair<AnsiString, std::string>> cases = {
      {"A & B", "A &#38; B"},
      {"<x>", "&#60;x&#62;"},
      {"a&amp;b", "a&#38;amp;b"},
      {"\"quoted\" 'single'", "\"quoted\" 'single'"},
      {"plain", "plain"},
      // Control characters XML does not allow become "?"; tab and line feed stay, a CR is
      // kept from line-end handling by a reference, and a lone line feed is no value to the reader.
      {"a\x01" "b\x1F\x7F", "a?b?\x7F"},
      {std::string("N\0L", 3), "N?L"},
      {"\x0B\x0C\x1B", "???"},
      {"a\rb\r\n", "a&#13;b&#13;\n"},
      {"\t\n", "\t\n"},
      {"\n", "?"},
      {"\n\n", "\n\n"},
  };
  for (const auto& [value, written] : cases) {
    EarTagOrder order;
    order.Company = value;
    order.FarmNumber = value;
    const std::string bytes = OrderFileBytes(order);
    EXPECT_NE(bytes.find("<company>" + written + "</company>\r\n"), std::string::npos) << value;
    EXPECT_NE(bytes.find("<farm>" + written + "</farm>\r\n"), std::string::npos) << value;
  }
}

TEST(OrderFileWriter, ProposedFileName) {
  struct Case {
    AnsiString farm;
    int year, month, day;
    AnsiString name;
  };
  const std::vector<Case> cases = {
      {"123456", 2026, 12, 7, "VrenaEarMark_123456_20260712"},
      {"12/456", 2027, 1, 31, "VrenaEarMark_12/456_20273101"},
      {"", 999, 3, 4, "VrenaEarMark__09990403"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ProposedOrderFileName(c.farm, c.year, c.month, c.day), c.name);
}

TEST(OrderFileWriter, WritesTheBytesAndReplacesAnOldFile) {
  const fs::path folder = FreshFolder("writer-replace");
  const fs::path target = folder / "order.xml";
  WriteAll(target, std::string(5000, 'x'));
  EarTagOrder order;
  order.FarmNumber = "111111";
  WriteOrderFile(target.string(), order);
  EXPECT_EQ(ReadAll(target), OrderFileBytes(order));
  // Nothing but the order file is left in the folder.
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

TEST(OrderFileWriter, FailuresLeaveTheOldFileIntact) {
  const fs::path folder = FreshFolder("writer-fail");
  const fs::path existing = folder / "old.xml";
  WriteAll(existing, "old content");
  fs::create_directories(folder / "sub.xml");
  struct Case {
    std::string target;
    std::string messageStart;
  };
  const std::vector<Case> cases = {
      {(folder / "missing" / "a.xml").string(),
       "Cannot create file \"" + (folder / "missing" / "a.xml").string() + "\". "},
      {(folder / "sub.xml").string(), "Cannot create file \"" + (folder / "sub.xml").string() + "\". "},
      {"/proc/earmark-order.xml", "Cannot create file \"/proc/earmark-order.xml\". "},
  };
  for (const Case& c : cases) {
    try {
      ReplaceFileContents(c.target, "new content");
      ADD_FAILURE() << c.target;
    } catch (const EFCreateError& e) {
      EXPECT_EQ(e.Message.rfind(c.messageStart, 0), 0u) << e.Message;
      EXPECT_GT(e.Message.size(), c.messageStart.size()) << "no reason given: " << e.Message;
    }
  }
  EXPECT_TRUE(fs::is_directory(folder / "sub.xml"));
  EXPECT_EQ(ReadAll(existing), "old content");
}

TEST(OrderFileWriter, WriteErrorKeepsTheOldFile) {
  // A file size limit makes the write fail part-way, for root as well.
  const fs::path folder = FreshFolder("writer-limit");
  const fs::path target = folder / "order.xml";
  WriteAll(target, "old content");
  EarTagOrder order;
  order.FarmNumber = "123456";
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 100;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  std::string message;
  try {
    WriteOrderFile(target.string(), order);
  } catch (const EWriteError& e) {
    message = e.Message;
  }
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(message, "Stream write error");
  EXPECT_EQ(ReadAll(target), "old content");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

TEST(OrderFileWriter, ReplacingKeepsLinksAndPermissions) {
  const fs::path folder = FreshFolder("writer-link");
  WriteAll(folder / "real.xml", "old");
  fs::permissions(folder / "real.xml", fs::perms::owner_read | fs::perms::owner_write |
                                           fs::perms::group_read);
  fs::create_symlink("real.xml", folder / "link.xml");
  EarTagOrder order;
  order.FarmNumber = "222222";
  WriteOrderFile((folder / "link.xml").string(), order);
  EXPECT_TRUE(fs::is_symlink(folder / "link.xml"));
  EXPECT_EQ(ReadAll(folder / "real.xml"), OrderFileBytes(order));
  EXPECT_EQ(fs::status(folder / "real.xml").permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2);
}
