#include "BenchCorpus.h"

#include "platform/Ansi1250.h"
#include "platform/Utf16.h"
#include "platform/WideString.h"

#include <array>
#include <cstdint>

namespace {

// A fixed linear congruential sequence: portable and identical everywhere, unlike the
// distributions of <random>.
class TSequence {
public:
  std::uint32_t Next() {
    State_ = State_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::uint32_t>(State_ >> 33);
  }
  template <typename T, std::size_t N> const T& Pick(const std::array<T, N>& items) {
    return items[Next() % N];
  }

private:
  std::uint64_t State_ = 0x5EED5EEDULL;
};

// Every character here exists in windows-1250, so the three encodings carry the same text.
constexpr std::array<const char16_t*, 16> Words = {
    u"ovca",   u"baran",  u"jahňa",    u"kozľa",  u"teľa",     u"býk",   u"krava",  u"žrebec",
    u"ušná",   u"známka", u"objednávka", u"dvor", u"Čierny",   u"Ľubica", u"Ťahanovce", u"Šaľa"};
constexpr std::array<const char16_t*, 8> References = {
    u"&amp;", u"&lt;", u"&gt;", u"&quot;", u"&apos;", u"&#269;", u"&#x17E;", u"&#x20AC;"};

void AppendNumber(WideString& out, std::uint32_t value) {
  char16_t digits[12];
  int n = 0;
  do {
    digits[n++] = static_cast<char16_t>(u'0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (n > 0) out += digits[--n];
}

void AppendWords(WideString& out, TSequence& seq, int count, bool references) {
  for (int i = 0; i < count; ++i) {
    if (i > 0) out += u' ';
    if (references && seq.Next() % 4 == 0)
      out += seq.Pick(References);
    else
      out += seq.Pick(Words);
  }
}

// One record of the general corpus: attributes, text with references, a comment, a CDATA
// section and an empty element.
void AppendRecord(WideString& out, TSequence& seq, std::uint32_t index, const char16_t* newline) {
  out += u"  <record id=\"r";
  AppendNumber(out, index);
  out += u"\" kind=\"";
  out += seq.Pick(Words);
  out += u"\" note='";
  AppendWords(out, seq, 3, true);
  out += u"'>";
  out += newline;
  out += u"    <name lang=\"sk\">";
  AppendWords(out, seq, 2, false);
  out += u"</name>";
  out += newline;
  if (index % 3 == 0) {
    out += u"    <!-- poznámka: ";
    AppendWords(out, seq, 4, false);
    out += u" -->";
    out += newline;
  }
  out += u"    <text>";
  AppendWords(out, seq, 12 + static_cast<int>(seq.Next() % 12), true);
  out += u"</text>";
  out += newline;
  if (index % 4 == 0) {
    out += u"    <raw><![CDATA[<b>";
    AppendWords(out, seq, 3, false);
    out += u"</b> & ]] >]]></raw>";
    out += newline;
  }
  out += u"    <count value=\"";
  AppendNumber(out, seq.Next() % 1000);
  out += u"\"/>";
  out += newline;
  out += u"  </record>";
  out += newline;
}

// One ear-tag line of an order file.
void AppendMark(WideString& out, TSequence& seq) {
  out += u"<mark>\r\n<markcode>SK";
  for (int i = 0; i < 12; ++i) out += static_cast<char16_t>(u'0' + seq.Next() % 10);
  out += u"</markcode>\r\n<cnt>";
  AppendNumber(out, 1 + seq.Next() % 50);
  out += u"</cnt>\r\n</mark>\r\n";
}

std::string Encode(const WideString& text, TCorpusKind kind) {
  switch (kind) {
  case TCorpusKind::Windows1250:
  case TCorpusKind::OrderLike:
    return WideToAnsi(text);
  case TCorpusKind::Utf16Le: {
    std::string out;
    out.reserve(2 + 2 * text.size());
    out += "\xFF\xFE";
    for (const char16_t unit : text) {
      out += static_cast<char>(unit & 0xFF);
      out += static_cast<char>(unit >> 8);
    }
    return out;
  }
  case TCorpusKind::Utf8:
    break;
  }
  return WideToUtf8(text);
}

// UTF-8 length of a UTF-16 text without building it.
std::size_t Utf8Length(const WideString& text, std::size_t from) {
  std::size_t n = 0;
  for (std::size_t i = from; i < text.size(); ++i) {
    const char16_t u = text[i];
    n += u < 0x80 ? 1 : u < 0x800 ? 2 : (u >= 0xD800 && u < 0xE000) ? 2 : 3;
  }
  return n;
}

} // namespace

const char* CorpusLetter(TCorpusKind kind) {
  switch (kind) {
  case TCorpusKind::Utf8: return "a";
  case TCorpusKind::Windows1250: return "b";
  case TCorpusKind::Utf16Le: return "c";
  case TCorpusKind::OrderLike: return "d";
  }
  return "?";
}

std::string MakeCorpus(TCorpusKind kind, std::size_t bytes) {
  TSequence seq;
  WideString text;
  text.reserve(bytes + bytes / 8);
  std::size_t size = 0;
  if (kind == TCorpusKind::OrderLike) {
    text += u"<?xml version=\"1.0\" encoding=\"windows-1250\"?>\r\n<objednavka>\r\n"
            u"<species>1</species>\r\n<type>2</type>\r\n<address>\r\n<name>Ján Ďurček</name>\r\n"
            u"<company>Roľnícke družstvo</company>\r\n<street>Hlavná 12</street>\r\n"
            u"<village>Žabokreky nad Nitrou</village>\r\n<zipcode>95201</zipcode>\r\n"
            u"</address>\r\n<farm>SK1234567</farm>\r\n<accountnumber>2612345678</accountnumber>\r\n";
    while (text.size() < bytes) AppendMark(text, seq);
    text += u"</objednavka>\r\n";
    return Encode(text, kind);
  }
  const char16_t* encoding = kind == TCorpusKind::Windows1250 ? u"windows-1250"
                             : kind == TCorpusKind::Utf16Le   ? u"UTF-16"
                                                              : u"UTF-8";
  text += u"<?xml version=\"1.0\" encoding=\"";
  text += encoding;
  text += u"\"?>\n<!-- skúšobný katalóg -->\n<catalog>\n";
  std::uint32_t index = 0;
  while (size < bytes) {
    const std::size_t before = text.size();
    AppendRecord(text, seq, ++index, u"\n");
    size += Utf8Length(text, before);
  }
  text += u"</catalog>\n";
  return Encode(text, kind);
}
