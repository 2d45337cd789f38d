#include "app/EarTagOrder.h"
#include "app/ProfileFile.h"
#include "app/Settings.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A fresh folder per test, removed afterwards.
class ProfileFileTest : public ::testing::Test {
protected:
  void SetUp() override {
    Dir = fs::temp_directory_path() /
          ("earmark-profile-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
           "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(Dir);
    fs::create_directories(Dir);
    Path = (Dir / "tavrin.ini").string();
  }
  void TearDown() override { fs::remove_all(Dir); }

  void Put(const std::string& bytes) const { std::ofstream(Path, std::ios::binary) << bytes; }
  std::string Get() const {
    std::ifstream in(Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  fs::path Dir;
  std::string Path;
};

}  // namespace

TEST_F(ProfileFileTest, ReadCases) {
  const std::string file =
      "; comment\r\n"
      "[Address]\r\n"
      "Name=J\xe1n Kov\xe1\xe8\r\n"   // "Ján Kováč" in windows-1250
      "  street  =  Hlavn\xe1 1  \r\n"
      "Empty=\r\n"
      "NoEquals\r\n"
      "[account]\n"                  // LF only
      "AccountNumber=123/0200\n"
      "[Address]\r\n"
      "Village=Second section is never read\r\n"
      "[Main]\r\n"
      "Printer=Tlaciaren";            // no line end at the end of the file
  Put(file);
  struct Case {
    const char* Section;
    const char* Key;
    std::string Expected;
  } cases[] = {
      {"Address", "Name", "J\xe1n Kov\xe1\xe8"},
      {"ADDRESS", "NAME", "J\xe1n Kov\xe1\xe8"},
      {"address", "Street", "Hlavn\xe1 1"},
      {"Address", "Empty", ""},
      {"Address", "NoEquals", "<none>"},
      {"Address", "Village", "<none>"},
      {"Account", "accountnumber", "123/0200"},
      {"Main", "Printer", "Tlaciaren"},
      {"Missing", "Name", "<none>"},
      {"Address", "Zipcode", "<none>"},
      {"Address", "comment", "<none>"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ReadProfileString(c.Section, c.Key, "<none>", Path), c.Expected)
        << c.Section << "/" << c.Key;
}

TEST_F(ProfileFileTest, MissingFileReadsDefault) {
  EXPECT_EQ(ReadProfileString("Address", "Name", "", Path), "");
  EXPECT_EQ(ReadProfileString("Address", "Name", "x", Path), "x");
  EXPECT_FALSE(fs::exists(Path));
}

TEST_F(ProfileFileTest, ValueIsCutTo2047Bytes) {
  struct Case {
    std::size_t Written;
    std::size_t Read;
  } cases[] = {{2046, 2046}, {2047, 2047}, {2048, 2047}, {5000, 2047}};
  for (const Case& c : cases) {
    ASSERT_TRUE(WriteProfileString("Address", "Name", std::string(c.Written, 'x'), Path));
    EXPECT_EQ(ReadProfileString("Address", "Name", "", Path).size(), c.Read) << c.Written;
  }
}

TEST_F(ProfileFileTest, WriteCases) {
  struct Case {
    const char* What;
    std::string Before;  // "<absent>" for no file
    const char* Section;
    const char* Key;
    std::string Value;
    std::string After;
  } cases[] = {
      {"creates the file", "<absent>", "Address", "Name", "Ján",
       "[Address]\r\nName=Ján\r\n"},
      {"appends a missing section, other lines kept",
       "; keep me\n[Main]\nPrinter=P\n", "Address", "Name", "N",
       "; keep me\n[Main]\nPrinter=P\n[Address]\r\nName=N\r\n"},
      {"adds a line end to an unterminated last line", "[Main]\nPrinter=P", "Address", "Name", "N",
       "[Main]\nPrinter=P\r\n[Address]\r\nName=N\r\n"},
      {"replaces a key matched without case, keeps the rest",
       "[main]\nprinter = old \n; c\n[ADDRESS]\nNAME = old\nStreet=S\n", "Address", "Name", "new",
       "[main]\nprinter = old \n; c\n[ADDRESS]\nName=new\r\nStreet=S\n"},
      {"adds a missing key after the section's last line, before blank lines",
       "[Address]\r\nName=N\r\n\r\n[Account]\r\nAccountNumber=1\r\n", "Address", "Street", "S",
       "[Address]\r\nName=N\r\nStreet=S\r\n\r\n[Account]\r\nAccountNumber=1\r\n"},
      {"adds a key to an empty section at the end of the file", "[Account]", "Account",
       "AccountNumber", "9", "[Account]\r\nAccountNumber=9\r\n"},
      {"writes Slovak letters as windows-1250 bytes", "<absent>", "Address", "Village",
       "\xc8" "adca", "[Address]\r\nVillage=\xc8" "adca\r\n"},
      {"an empty value keeps the key", "[Address]\r\nName=N\r\n", "Address", "Name", "",
       "[Address]\r\nName=\r\n"},
  };
  for (const Case& c : cases) {
    fs::remove(Path);
    if (c.Before != "<absent>") Put(c.Before);
    EXPECT_TRUE(WriteProfileString(c.Section, c.Key, c.Value, Path)) << c.What;
    EXPECT_EQ(Get(), c.After) << c.What;
    EXPECT_EQ(ReadProfileString(c.Section, c.Key, "<none>", Path), c.Value) << c.What;
  }
}

TEST_F(ProfileFileTest, RefusesLinesThatWouldReadBackAsOthers) {
  const std::string before = "[Address]\r\nName=N\r\n";
  struct Case {
    const char* Section;
    const char* Key;
    const char* Value;
  } cases[] = {
      {"Address", "Name", "a\r\nPrinter=x"}, {"Address", "Name", "a\nb"}, {"Address", "", "v"},
      {"Address", "A=B", "v"},               {"Addr]ess", "Name", "v"},   {"Address", "[X]", "v"},
      {"Address\n[Main]", "Printer", "v"},
  };
  for (const Case& c : cases) {
    Put(before);
    EXPECT_FALSE(WriteProfileString(c.Section, c.Key, c.Value, Path)) << c.Section << "/" << c.Key;
    EXPECT_EQ(Get(), before);
  }
}

TEST_F(ProfileFileTest, UnwritablePathFails) {
  const std::string inMissingFolder = (Dir / "no" / "tavrin.ini").string();
  EXPECT_FALSE(WriteProfileString("Address", "Name", "N", inMissingFolder));
  EXPECT_FALSE(WriteProfileString("Address", "Name", "N", Dir.string()));  // a folder
}

TEST_F(ProfileFileTest, AFailedWriteKeepsTheWholeFile) {
  // A file size limit makes the write fail part-way, for root as well.
  const std::string before = "[Address]\r\nName=" + std::string(60, 'n') + "\r\n";
  Put(before);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 100;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool written = WriteProfileString("Address", "Street", std::string(60, 's'), Path);
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(written);
  EXPECT_EQ(Get(), before);
  EXPECT_EQ(std::distance(fs::directory_iterator(Dir), fs::directory_iterator()), 1);
}

TEST_F(ProfileFileTest, OnlyRegularFilesAreReadOrReplaced) {
  // Without the check, reading the FIFO would wait for a writer for ever; the alarm ends that.
  ASSERT_EQ(::mkfifo(Path.c_str(), 0600), 0);
  ::alarm(20);
  EXPECT_EQ(ReadProfileString("Address", "Name", "default", Path), "default");
  EXPECT_FALSE(WriteProfileString("Address", "Name", "N", Path));
  ::alarm(0);
  EXPECT_TRUE(fs::is_fifo(Path));
  fs::remove(Path);

  // A settings file reached through a link is replaced where it lies; the link stays.
  const fs::path real = Dir / "real.ini";
  std::ofstream(real, std::ios::binary) << "[Main]\r\nPrinter=P\r\n";
  fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink(real.filename(), Path);
  EXPECT_TRUE(WriteProfileString("Address", "Name", "N", Path));
  EXPECT_TRUE(fs::is_symlink(Path));
  EXPECT_EQ(Get(), "[Main]\r\nPrinter=P\r\n[Address]\r\nName=N\r\n");
  EXPECT_EQ(fs::status(real).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}

TEST(SettingsPath, BesideTheExecutable) {
  struct Case {
    const char* Exe;
    const char* Expected;
  } cases[] = {
      {"/opt/earmark/bin/earmark", "/opt/earmark/bin/tavrin.ini"},
      {"/earmark", "/tavrin.ini"},
      {"earmark", "tavrin.ini"},
  };
  for (const Case& c : cases) EXPECT_EQ(SettingsPathFor(c.Exe), c.Expected);
}

TEST_F(ProfileFileTest, AddressSettingsRoundTripAndPrinterIsNeverWritten) {
  EXPECT_EQ(ReadAddressSettings(Path), TAddressSettings{});
  Put("[Main]\r\nPrinter=Laser\r\n");
  const TAddressSettings values{"Meno", "Firma", "Ulica", "Obec", "01234", "SK12"};
  WriteAddressSettings(Path, values);
  EXPECT_EQ(ReadAddressSettings(Path), values);
  EXPECT_EQ(ReadPrinterSetting(Path), "Laser");
  EXPECT_EQ(Get(),
            "[Main]\r\nPrinter=Laser\r\n[Address]\r\nName=Meno\r\nCompany=Firma\r\nStreet=Ulica\r\n"
            "Village=Obec\r\nZipcode=01234\r\n[Account]\r\nAccountNumber=SK12\r\n");
}

TEST_F(ProfileFileTest, FailedKeyStopsAndKeepsEarlierKeys) {
  const TAddressSettings values{"N", "C", "S", "V", "Z", "A"};
  // The fourth key fails; the first three must reach the file, the rest must not be tried.
  int calls = 0;
  TProfileWriter failOnVillage = [&](const AnsiString& s, const AnsiString& k, const AnsiString& v,
                                     const std::string& p) {
    ++calls;
    return k != "Village" && WriteProfileString(s, k, v, p);
  };
  try {
    WriteAddressSettings(Path, values, failOnVillage);
    FAIL() << "no exception";
  } catch (const EIniFileException& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + Path);
  }
  EXPECT_EQ(calls, 4);
  TAddressSettings expected{"N", "C", "S", "", "", ""};
  EXPECT_EQ(ReadAddressSettings(Path), expected);

  const std::string folderPath = Dir.string();
  EXPECT_THROW(WriteAddressSettings(folderPath, values), EIniFileException);
}

TEST_F(ProfileFileTest, SettingsBesideTheProgramOrInTheUsersConfigFolder) {
  const fs::path bin = Dir / "bin";
  const fs::path locked = Dir / "locked";  // a folder the user cannot write, with a settings file
  fs::create_directories(bin);
  fs::create_directories(locked);
  std::ofstream(locked / "tavrin.ini") << "[Address]\r\nName=N\r\n";
  const std::string d = Dir.string();
  struct Case {
    const char* Name;
    std::string Exe;
    bool Writable;
    std::string Xdg, Home;
    std::string Expected;
  } cases[] = {
      {"writable folder", (bin / "earmark").string(), true, d + "/xdg", d + "/home", (bin / "tavrin.ini").string()},
      {"file already there", (locked / "earmark").string(), false, d + "/xdg", d + "/home",
       (locked / "tavrin.ini").string()},
      {"XDG_CONFIG_HOME", (bin / "earmark").string(), false, d + "/xdg", d + "/home", d + "/xdg/earmark/tavrin.ini"},
      {"XDG_CONFIG_HOME with a slash", (bin / "earmark").string(), false, d + "/xdg/", d + "/home",
       d + "/xdg/earmark/tavrin.ini"},
      {"no XDG_CONFIG_HOME", (bin / "earmark").string(), false, "", d + "/home", d + "/home/.config/earmark/tavrin.ini"},
      {"relative XDG_CONFIG_HOME", (bin / "earmark").string(), false, "cfg", d + "/home",
       d + "/home/.config/earmark/tavrin.ini"},
      {"home is the root", (bin / "earmark").string(), false, "", "/", "/.config/earmark/tavrin.ini"},
      {"neither", (bin / "earmark").string(), false, "", "", (bin / "tavrin.ini").string()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    std::vector<std::string> asked;
    const auto writable = [&](const std::string& folder) {
      asked.push_back(folder);
      return c.Writable;
    };
    EXPECT_EQ(ChooseSettingsPath(c.Exe, c.Xdg, c.Home, writable), c.Expected);
    // Only the executable's folder decides, and only when it holds no settings file.
    EXPECT_LE(asked.size(), 1u);
    if (!asked.empty()) EXPECT_EQ(asked[0], (bin / "").string());
  }
  EXPECT_TRUE(FolderWritable(bin.string()));
  EXPECT_FALSE(FolderWritable((Dir / "missing").string()));
}

TEST_F(ProfileFileTest, FirstSaveMakesTheConfigFolder) {
  const fs::path config = Dir / "xdg";
  // The program sits in a folder the user cannot write.
  const std::string path =
      ChooseSettingsPath((Dir / "bin" / "earmark").string(), config.string(), "", [](const std::string&) { return false; });
  ASSERT_EQ(path, (config / "earmark" / "tavrin.ini").string());
  EXPECT_EQ(ReadAddressSettings(path), TAddressSettings{});  // nothing there yet, nothing made
  EXPECT_FALSE(fs::exists(config));
  const TAddressSettings values{"Meno", "Firma", "Ulica", "Obec", "01234", "SK12"};
  WriteAddressSettings(path, values);
  EXPECT_EQ(ReadAddressSettings(path), values);
  for (const fs::path& folder : {config, config / "earmark"})
    EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all) << folder;
  // A folder that cannot be made is reported as the file that cannot be written.
  std::ofstream(Dir / "plain") << "x";
  const std::string blocked = (Dir / "plain" / "earmark" / "tavrin.ini").string();
  try {
    WriteAddressSettings(blocked, values);
    FAIL() << "no exception";
  } catch (const EIniFileException& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + blocked);
  }
}

// The address dialog and the settings at start-up move exactly these six values between the
// order and the settings, each to its own field, and touch nothing else of the order.
TEST(AddressOfTheOrder, SixValuesEachToItsOwnField) {
  EarTagOrder order;
  order.FarmNumber = "123456";
  order.TagType = 3;
  order.Line(1).SetEarNumber("000000000001");
  const TAddressSettings values{"Meno", "Firma", "Ulica", "Obec", "01234", "SK12"};
  SetAddress(order, values);
  EXPECT_EQ(order.Name + "|" + order.Company + "|" + order.Street + "|" + order.Village + "|" + order.Zipcode +
                "|" + order.AccountNumber,
            "Meno|Firma|Ulica|Obec|01234|SK12");
  EXPECT_EQ(AddressOf(order), values);
  EXPECT_EQ(order.FarmNumber, "123456");
  EXPECT_EQ(order.TagType, 3);
  EXPECT_EQ(order.Line(1), (OrderLine{"1", "SK", "000000000001", ""}));
  SetAddress(order, TAddressSettings{});
  EXPECT_EQ(AddressOf(order), TAddressSettings{});
}
