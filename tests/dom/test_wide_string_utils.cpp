// Text utilities: the growable buffer, the string list's sorted and duplicate policies, the
// name/value list and the wide-string stream.
#include "dom/WideStringUtils.h"
#include "platform/Exceptions.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Exception& e) {
    return std::string(e.ClassName()) + ": " + e.what();
  }
  return "ok";
}

TEST(CustomWideStr, GrowsByAQuarterAndKeepsItsStorage) {
  TUtilsCustomWideStr s;
  EXPECT_EQ(s.Capacity(), 64);
  // 64 -> 80 -> 100 -> 125 -> 156
  const int expected[] = {64, 80, 100, 125, 156};
  int step = 0;
  for (int i = 0; i < 150; ++i) {
    s.AddWideChar(static_cast<WideChar>(u'a' + i % 26));
    if (s.Length() == s.Capacity()) EXPECT_EQ(s.Capacity(), expected[step++]);
  }
  EXPECT_EQ(s.Capacity(), 156);
  EXPECT_EQ(s.Length(), 150);
  EXPECT_EQ(s.CharAt(1), u'a');
  EXPECT_EQ(s.CharAt(27), u'a');
  s.SetCharAt(2, u'X');
  EXPECT_TRUE(s.StartsWith(u"aXc"));
  const WideChar* storage = s.View().data();
  s.Clear();
  EXPECT_EQ(s.Capacity(), 64);
  EXPECT_EQ(s.Length(), 0);
  EXPECT_EQ(s.Value(), u"");
  for (int i = 0; i < 150; ++i) s.AddWideChar(u'z');
  EXPECT_EQ(s.View().data(), storage) << "a reused buffer must not reallocate";
}

TEST(CustomWideStr, AddWideStringGrowsAsOftenAsNeeded) {
  TUtilsCustomWideStr s;
  s.AddWideString(WideString(200, u'x'));
  EXPECT_EQ(s.Capacity(), 243);  // 64 80 100 125 156 195 243
  EXPECT_EQ(s.Length(), 200);
  EXPECT_EQ(s.Value(), WideString(200, u'x'));
}

TEST(CustomWideStr, AddUCS4Char) {
  struct TCase {
    std::uint32_t Code;
    WideString Expected;
    std::string Error;
  };
  const TCase cases[] = {
      {0x41, u"A", ""},
      {0xFFFF, WideString(1, 0xFFFF), ""},
      {0x1F600, WideString{0xD83D, 0xDE00}, ""},
      {0x10000, WideString{0xD800, 0xDC00}, ""},
      {0x10FFFF, WideString{0xDBFF, 0xDFFF}, ""},
      {0xD7FF, WideString(1, 0xD7FF), ""},
      {0xE000, WideString(1, 0xE000), ""},
      {0xDC00, u"", "EConvertError: 56320 is not a valid ISO-10646-UCS4 code point"},
      {0xD800, u"", "EConvertError: 55296 is not a valid ISO-10646-UCS4 code point"},
      {0xDFFF, u"", "EConvertError: 57343 is not a valid ISO-10646-UCS4 code point"},
      // Beyond the last plane the pair arithmetic would yield another character's pair.
      {0x110000, u"", "EConvertError: 1114112 is not a valid ISO-10646-UCS4 code point"},
      {0x120041, u"", "EConvertError: 1179713 is not a valid ISO-10646-UCS4 code point"},
      {0xFFFFFFFF, u"", "EConvertError: 4294967295 is not a valid ISO-10646-UCS4 code point"},
  };
  for (const TCase& c : cases) {
    TUtilsCustomWideStr s;
    EXPECT_EQ(ErrorOf([&] { s.AddUCS4Char(c.Code); }), c.Error.empty() ? "ok" : c.Error)
        << std::hex << c.Code;
    EXPECT_EQ(s.Value(), c.Expected) << std::hex << c.Code;
  }
}

TEST(CustomWideStr, Comparisons) {
  struct TCase {
    WideString Content;
    WideString Probe;
    bool Starts, Ends, Equal;
  };
  const TCase cases[] = {
      {u"abc", u"ab", true, false, false}, {u"abc", u"bc", false, true, false},
      {u"abc", u"abc", true, true, true},  {u"abc", u"", false, false, false},
      {u"", u"", false, false, true},      {u"ab", u"abc", false, false, false},
      {u"", u"a", false, false, false},
  };
  for (const TCase& c : cases) {
    TUtilsCustomWideStr s;
    s.AddWideString(c.Content);
    EXPECT_EQ(s.StartsWith(c.Probe), c.Starts);
    EXPECT_EQ(s.EndsWith(c.Probe), c.Ends);
    EXPECT_EQ(s.IsEqual(c.Probe), c.Equal);
  }
  // Only the used part counts, not what a longer earlier content left in the storage.
  TUtilsCustomWideStr s;
  s.AddWideString(u"abcdef");
  s.Clear();
  s.AddWideString(u"ab");
  EXPECT_FALSE(s.EndsWith(u"ef"));
  EXPECT_TRUE(s.IsEqual(u"ab"));
}

std::string Joined(const TUtilsWideStringList& list) {
  std::string out;
  for (int i = 0; i < list.Count(); ++i) {
    if (i) out += ',';
    for (char16_t c : list.Strings(i)) out += c < 0x80 ? static_cast<char>(c) : '?';
  }
  return out;
}

TEST(WideStringList, SortedAndDuplicatePolicies) {
  struct TCase {
    TDuplicates Policy;
    std::string Contents;
    std::string Error;
    int SecondBIndex;
  };
  const TCase cases[] = {
      {TDuplicates::dupIgnore, "B,a,b,c", "ok", 2},
      {TDuplicates::dupAccept, "B,a,b,b,c", "ok", 2},
      {TDuplicates::dupError, "B,a,b,c", "EStringListError: String list does not allow duplicates", -1},
  };
  for (const TCase& c : cases) {
    TUtilsWideStringList list;
    list.SetSorted(true);
    list.SetDuplicates(c.Policy);
    for (const char16_t* s : {u"c", u"a", u"b", u"B"}) list.Add(s);
    int index = -1;
    EXPECT_EQ(ErrorOf([&] { index = list.Add(u"b"); }), c.Error);
    if (c.SecondBIndex >= 0) EXPECT_EQ(index, c.SecondBIndex);
    EXPECT_EQ(Joined(list), c.Contents);
  }
}

TEST(WideStringList, OrdinalOrderAndFind) {
  TUtilsWideStringList list;
  for (const char16_t* s : {u"b", u"\u00E9", u"ab", u"a", u"Z", u"\uFFFD", u"\U0001F600", u"a"})
    list.Add(s);
  list.SetDuplicates(TDuplicates::dupAccept);
  list.SetSorted(true);
  // Code-unit order: surrogates (D8xx) sort before U+FFFD; a prefix sorts first.
  EXPECT_EQ(Joined(list), "Z,a,a,ab,b,?,??,?");
  EXPECT_EQ(list.Strings(6), u"\U0001F600");
  struct TFind {
    WideString Probe;
    bool Found;
    int Index;
  };
  const TFind finds[] = {{u"a", true, 1}, {u"ab", true, 3}, {u"aa", false, 3},
                         {u"", false, 0}, {u"zz", false, 5}, {u"\uFFFF", false, 8}};
  for (const TFind& f : finds) {
    int index = -1;
    EXPECT_EQ(list.Find(f.Probe, index), f.Found);
    EXPECT_EQ(index, f.Index);
  }
  EXPECT_EQ(list.IndexOf(u"a"), 1);
  EXPECT_EQ(list.LastIndexOf(u"a"), 2);
  EXPECT_EQ(list.IndexOf(u"q"), -1);
}

TEST(WideStringList, IndexAndSortedErrors) {
  TUtilsWideStringList list;
  list.Add(u"x");
  const std::string idx = "EStringListError: List Index out of bounds (";
  EXPECT_EQ(ErrorOf([&] { list.Strings(1); }), idx + "1)");
  EXPECT_EQ(ErrorOf([&] { list.Objects(-1); }), idx + "-1)");
  EXPECT_EQ(ErrorOf([&] { list.Delete(5); }), idx + "5)");
  EXPECT_EQ(ErrorOf([&] { list.Exchange(0, 1); }), idx + "1)");
  EXPECT_EQ(ErrorOf([&] { list.Insert(2, u"y"); }), idx + "2)");
  EXPECT_EQ(ErrorOf([&] { list.Insert(1, u"y"); }), "ok");
  list.SetSorted(true);
  const std::string sorted = "EStringListError: Operation not allowed on Sorted string list";
  EXPECT_EQ(ErrorOf([&] { list.Insert(0, u"a"); }), sorted);
  EXPECT_EQ(ErrorOf([&] { list.SetString(0, u"a"); }), sorted);
  EXPECT_EQ(Joined(list), "x,y");
}

TEST(WideStringList, ObjectsTravelWithTheirStrings) {
  int one = 1, two = 2, three = 3;
  TUtilsWideStringList list;
  list.AddObject(u"c", &three);
  list.AddObject(u"a", &one);
  list.AddObject(u"b", &two);
  list.Exchange(0, 2);
  EXPECT_EQ(Joined(list), "b,a,c");
  EXPECT_EQ(list.Objects(2), &three);
  list.SetSorted(true);
  EXPECT_EQ(list.Objects(0), &one);
  EXPECT_EQ(list.Objects(2), &three);
  TUtilsWideStringList copy;
  copy.Add(u"old");
  copy.Assign(&list);
  EXPECT_EQ(Joined(copy), "a,b,c");
  EXPECT_EQ(copy.Objects(1), &two);
  list.Delete(0);
  EXPECT_EQ(list.Objects(0), &two);
}

TEST(WideStringList, ChangeNotificationsAndUpdates) {
  TUtilsWideStringList list;
  std::string events;
  list.OnChanging = [&](TUtilsWideStringList*) { events += '<'; };
  list.OnChange = [&](TUtilsWideStringList*) { events += '>'; };
  list.Add(u"a");
  list.Delete(0);
  EXPECT_EQ(events, "<><>");
  events.clear();
  list.BeginUpdate();
  list.BeginUpdate();
  list.Add(u"a");
  list.Add(u"b");
  list.EndUpdate();
  EXPECT_EQ(events, "");
  list.EndUpdate();
  EXPECT_EQ(events, ">");
  events.clear();
  list.Clear();
  list.Clear();  // nothing to clear, nothing to tell
  EXPECT_EQ(events, "<>");
}

TEST(NameValueList, PairsSurviveSortingAndDeletion) {
  TUtilsNameValueList list;
  int obj = 7;
  list.Add(u"xml", u"ns-xml");
  list.AddObject(u"a", u"ns-a", &obj);
  list.Add(u"b", u"ns-b1");
  list.Add(u"b", u"ns-b2");
  EXPECT_EQ(list.IndexOfName(u"b"), 2);
  EXPECT_EQ(list.LastIndexOfName(u"b"), 3);
  EXPECT_EQ(list.Values(list.LastIndexOfName(u"b")), u"ns-b2");
  EXPECT_EQ(list.IndexOfNameValue(u"b", u"ns-b2"), 3);
  EXPECT_EQ(list.LastIndexOfNameValue(u"b", u"ns-b1"), 2);
  EXPECT_EQ(list.IndexOfNameValue(u"b", u"ns-x"), -1);
  list.Delete(0);
  EXPECT_EQ(list.Names(0), u"a");
  EXPECT_EQ(list.Values(0), u"ns-a");
  EXPECT_EQ(list.Objects(0), &obj);
  EXPECT_EQ(list.Values(2), u"ns-b2");
  list.SetDuplicates(TDuplicates::dupAccept);
  list.SetSorted(true);
  list.Add(u"0", u"zero");
  EXPECT_EQ(list.Names(0), u"0");
  EXPECT_EQ(list.Values(0), u"zero");
  EXPECT_EQ(list.Values(1), u"ns-a");
  int index = -1;
  EXPECT_TRUE(list.Find(u"b", u"ns-b2", index));
  EXPECT_EQ(index, 3);
  TUtilsNameValueList copy;
  copy.Assign(&list);
  ASSERT_EQ(copy.Count(), 4);
  EXPECT_EQ(copy.Values(3), u"ns-b2");
  EXPECT_EQ(copy.Objects(1), &obj);
}

TEST(NameValueList, FindWithoutAcceptingDuplicates) {
  struct TCase {
    bool Sorted;
    WideString Name, Value;
    bool Found;
    int Index;
  };
  const TCase cases[] = {
      {true, u"b", u"vb", true, 1},   {true, u"b", u"other", false, -1},
      {true, u"q", u"vb", false, -1}, {false, u"c", u"vc", true, 0},
      {false, u"a", u"va", true, 2},  {false, u"a", u"vb", false, -1},
  };
  for (const TCase& c : cases) {
    TUtilsNameValueList list;
    list.SetSorted(c.Sorted);
    list.Add(u"c", u"vc");
    list.Add(u"b", u"vb");
    list.Add(u"a", u"va");
    int index = 99;
    EXPECT_EQ(list.Find(c.Name, c.Value, index), c.Found);
    EXPECT_EQ(index, c.Index);
  }
}

TEST(NameValueList, RefusedDuplicateLeavesNoStrayValue) {
  TUtilsNameValueList list;
  list.SetSorted(true);
  list.SetDuplicates(TDuplicates::dupError);
  list.Add(u"a", u"1");
  EXPECT_EQ(ErrorOf([&] { list.Add(u"a", u"2"); }),
            "EStringListError: String list does not allow duplicates");
  list.SetDuplicates(TDuplicates::dupIgnore);
  EXPECT_EQ(list.Add(u"a", u"3"), 0);
  list.Add(u"b", u"4");
  EXPECT_EQ(list.Values(0), u"1");
  EXPECT_EQ(list.Values(1), u"4");
}

TEST(WideStringStream, SizeSeekAndCapacity) {
  TUtilsWideStringStream s(u"hello");
  EXPECT_EQ(s.Size(), 10);
  EXPECT_EQ(s.Capacity(), 16);  // (10 + 8) rounded down to a multiple of 4
  EXPECT_EQ(ErrorOf([&] { s.SetSize(3); }), "EStreamError: Odd size not valid for WideString");
  EXPECT_EQ(ErrorOf([&] { s.SetSize(-2); }), "EStreamError: Negative stream size invalid");
  EXPECT_EQ(ErrorOf([&] { s.SetCapacity(8); }), "EStreamError: Capacity cannot be less than size");
  struct TSeek {
    std::int64_t Offset;
    TSeekOrigin Origin;
    std::int64_t Expected;
  };
  const TSeek seeks[] = {{4, TSeekOrigin::soEnd, 6},       {2, TSeekOrigin::soCurrent, 8},
                         {-20, TSeekOrigin::soCurrent, 0}, {99, TSeekOrigin::soBeginning, 10},
                         {-1, TSeekOrigin::soEnd, 10},     {3, TSeekOrigin::soBeginning, 3},
                         {0, TSeekOrigin::soEnd, 10}};
  for (const TSeek& k : seeks) EXPECT_EQ(s.Seek(k.Offset, k.Origin), k.Expected);
  s.SetSize(4);
  EXPECT_EQ(s.Position(), 4);
  EXPECT_EQ(s.Capacity(), 16);
  s.SetSize(40);
  EXPECT_EQ(s.Capacity(), 48);  // 40 + 40 / 4 = 50, rounded down to 48
  s.SetSize(20);
  s.SetCapacity(20);
  EXPECT_EQ(s.Capacity(), 20);
}

TEST(WideStringStream, ReadAndWrite) {
  TUtilsWideStringStream s(u"abc");
  char16_t buffer[8] = {};
  s.Seek(2, TSeekOrigin::soBeginning);
  EXPECT_EQ(s.Read(buffer, 100), 4);
  EXPECT_EQ(WideString(buffer, 2), u"bc");
  EXPECT_EQ(s.Read(buffer, 2), 0);
  // An odd write past the end makes the size even again.
  s.Seek(4, TSeekOrigin::soBeginning);
  const char bytes[3] = {'X', 0, 'Y'};
  EXPECT_EQ(s.Write(bytes, 3), 3);
  EXPECT_EQ(s.Size(), 8);
  EXPECT_EQ(s.Position(), 7);
  const WideString data = s.DataString();
  ASSERT_EQ(data.size(), 4u);
  EXPECT_EQ(data.substr(0, 3), u"abX");
  EXPECT_EQ(data[3] & 0xFF, u'Y');
  TUtilsWideStringStream empty(u"");
  EXPECT_EQ(empty.Size(), 0);
  EXPECT_EQ(empty.Read(buffer, 2), 0);
  EXPECT_EQ(empty.DataString(), u"");
}

}  // namespace
