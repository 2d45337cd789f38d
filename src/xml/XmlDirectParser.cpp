#include "xml/XmlDirectParser.h"

#include "dom/DomCustomDocument.h"
#include "dom/DomNodes.h"
#include "dom/DomParsedNodes.h"
#include "platform/Exceptions.h"
#include "platform/Streams.h"
#include "xml/XmlRulesUtils.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>
#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

using TBytes = const std::uint8_t*;

// Above every code point: what the look past the end answers.
constexpr char32_t kNoUnit = 0x110000;

// The ASCII units at which a decoding run stops and hands back to its caller; every other
// printable ASCII unit is copied as it is.
struct TStops {
  bool Stop[128]{};
  bool Copy[128]{};
};

constexpr TStops MakeStops(std::u16string_view chars) {
  TStops set;
  for (char16_t c : chars) set.Stop[c] = true;
  for (int c = 0x20; c < 0x80; ++c) set.Copy[c] = !set.Stop[c];
  return set;
}

constexpr TStops kTextStops = MakeStops(u"<&]");
constexpr TStops kCommentStops = MakeStops(u"-");
constexpr TStops kCDataStops = MakeStops(u"]");
constexpr TStops kPIStops = MakeStops(u"?");
constexpr TStops kDoubleQuoteStops = MakeStops(u"\"<&");
constexpr TStops kSingleQuoteStops = MakeStops(u"'<&");
constexpr TStops kNoStops = MakeStops(u"");

const char16_t* PredefinedReplacement(std::u16string_view name) {
  if (name == u"lt") return u"<";
  if (name == u"gt") return u">";
  if (name == u"amp") return u"&";
  if (name == u"apos") return u"'";
  return u"\"";
}

// The slots of a hash table, all zero when made. A large table is laid out in huge pages where
// the system has them, so that a probe anywhere in it needs no walk through the page tables.
class TSlotArray {
public:
  TSlotArray() = default;
  ~TSlotArray() { std::free(Data_); }
  TSlotArray(const TSlotArray&) = delete;
  TSlotArray& operator=(const TSlotArray&) = delete;

  std::size_t size() const { return Size_; }
  bool empty() const { return Size_ == 0; }
  std::uint32_t& operator[](std::size_t i) { return Data_[i]; }
  std::uint32_t operator[](std::size_t i) const { return Data_[i]; }

  // Makes the array `size` zero slots long; `size` is a power of two.
  void Reset(std::size_t size) {
    std::free(Data_);
    Data_ = nullptr;
    Size_ = 0;
    const std::size_t bytes = size * sizeof(std::uint32_t);
    void* memory = nullptr;
#if defined(__linux__)
    constexpr std::size_t kHugePage = std::size_t{2} << 20;
    if (bytes >= kHugePage) {
      memory = std::aligned_alloc(kHugePage, bytes);
      if (memory != nullptr) madvise(memory, bytes, MADV_HUGEPAGE);
    }
#endif
    if (memory == nullptr) memory = std::malloc(bytes);
    if (memory == nullptr) throw std::bad_alloc();
    std::memset(memory, 0, bytes);
    Data_ = static_cast<std::uint32_t*>(memory);
    Size_ = size;
  }

private:
  std::uint32_t* Data_ = nullptr;
  std::size_t Size_ = 0;
};

template <TXmlDirectEncoding E>
class TDirectParser {
public:
  TDirectParser(TStream* stream, const TXmlDirectOptions& options, TDomCustomDocument* document)
      : Stream_(stream), Options_(options), Document_(document) {}
  // The attributes of a tag left unfinished never reach their element.
  ~TDirectParser() { TDomParsedNodes::Disown(TagAttrs_); }
  TDirectParser(const TDirectParser&) = delete;
  TDirectParser& operator=(const TDirectParser&) = delete;

  bool Run();

private:
  static constexpr std::size_t W = E == TXmlDirectEncoding::Utf16LE || E == TXmlDirectEncoding::Utf16BE ? 2 : 1;

  // What a scanner found: its construct done, the document left to the ordinary path, or the
  // construct running past the bytes at hand, to be scanned again with more of them.
  enum class TStep : std::uint8_t { Done, GiveUp, More };

  struct TOpen {
    TDomNode* Element;
    std::uint32_t Name;  // the start tag's name in the name table
  };

  // One code unit (a byte, or a UTF-16 unit), as a code point for the classes of XmlChars.
  static char32_t Unit(TBytes p) {
    if constexpr (E == TXmlDirectEncoding::Utf16LE) return static_cast<std::uint32_t>(p[0] | (p[1] << 8));
    if constexpr (E == TXmlDirectEncoding::Utf16BE) return static_cast<std::uint32_t>((p[0] << 8) | p[1]);
    return *p;
  }
  // Whether q is at the end of the bytes at hand; a scanner that gets there has run out.
  bool AtEnd(TBytes q) const {
    if (q < End_) return false;
    HitEnd_ = true;
    return true;
  }
  char32_t Peek(TBytes p, std::size_t k) const {
    const TBytes q = p + k * W;
    return AtEnd(q) ? kNoUnit : Unit(q);
  }
  // Done for true; for false, More when the scan ran out of bytes before the input ended.
  TStep Outcome(bool ok) const {
    if (ok) return TStep::Done;
    return HitEnd_ && !Finished_ ? TStep::More : TStep::GiveUp;
  }
  // Keeps the bytes from `keep` on and reads more behind them; false at the end of the input.
  // `again`: the kept bytes start a construct that is read again from its start.
  bool Refill(TBytes& keep, bool again = false);

  bool DecodeChar(TBytes& p, std::uint32_t& c) const;
  TBytes Decode(TBytes p, TBytes limit, const TStops& stops, std::u16string& out) const;
  static constexpr std::uint32_t kNoName = 0xFFFFFFFF;
  std::uint32_t Name(TBytes begin, TBytes end);
  bool SameName(TBytes begin, TBytes end, std::u16string_view name);
  bool AsciiName(TBytes begin, TBytes end);
  TDomNode* Parent() const { return Open_.empty() ? static_cast<TDomNode*>(Document_) : Open_.back().Element; }
  void Flush();
  void Append(TDomNode* node);

  TStep Text(TBytes& p);
  bool Reference(TBytes& p);
  TStep Markup(TBytes& p);
  TStep Body(TBytes& p);
  TStep FinishBody(TBytes& p);
  TSharedText TakeScratch();
  TSharedText Joined(TSharedText& start, std::u16string& rest);
  TStep StartTag(TBytes& p);
  TStep TagRest(TBytes& p);
  bool AttributeReference(TBytes& p, std::u16string& value);
  bool EndTag(TBytes& p);

  TStream* Stream_;
  std::vector<std::uint8_t> Buffer_;
  TBytes End_ = nullptr;   // the end of the whole units at hand
  std::size_t Held_ = 0;   // bytes in the buffer, a part of a unit included
  bool Finished_ = false;  // the stream has nothing more
  mutable bool HitEnd_ = false;
  const TXmlDirectOptions& Options_;
  TDomCustomDocument* Document_;
  std::vector<TOpen> Open_;
  // Where the parse stands against the root element.
  enum class TRootState : std::uint8_t { NotYet, Inside, Closed };
  TRootState RootState_ = TRootState::NotYet;
  // Text waiting to become one node: the tree builder merges adjacent text, character
  // references, predefined entities and unkept CDATA sections into the last text child.
  std::u16string Pending_;
  bool HasPending_ = false;
  bool PendingCharRef_ = false;
  TSharedText Long_;  // the start of a long pending text
  static constexpr std::size_t kLongText = 64 * 1024;
  std::u16string Scratch_;
  TSharedText LongScratch_;  // the start of a long comment, CDATA section or instruction
  // The construct whose body the next bytes go on with, once the bytes at hand ran out in it:
  // a comment, a CDATA section or a processing instruction is read in pieces and never needs
  // to stand whole in the buffer.
  enum class TBody : std::uint8_t { None, Comment, CData, Instruction };
  TBody Body_ = TBody::None;
  std::u16string NameScratch_;
  std::u16string SameScratch_;
  // Every distinct name once, shared by the nodes that carry it, found by its bytes; names and
  // values go side by side into the writer's blocks. The entries stand in the order the names
  // first appeared, referred to by their place, in chunks that never move.
  struct TName {
    TSharedText Text;
    std::uint32_t Hash = 0;
    std::uint32_t Tag = 0;  // the last tag with an attribute of this name
  };
  static constexpr std::size_t kNameChunk = 1024;
  std::vector<std::unique_ptr<TName[]>> NameChunks_;
  std::uint32_t NameCount_ = 0;
  TName& Entry(std::uint32_t name) { return NameChunks_[name / kNameChunk][name % kNameChunk]; }
  const TName& Entry(std::uint32_t name) const { return NameChunks_[name / kNameChunk][name % kNameChunk]; }
  // The table of the entries by their bytes: open addressing with linear probing, never more
  // than half full. A slot is one word: none when free, otherwise seven bits of the name's hash
  // above its entry, so that a probe reaches for an entry only where the bits match, and a
  // new name is filed in the very word its probe ended on. A document with a million distinct
  // names thus costs one fetch of a table line for each, from a table small enough for the
  // cache; a table of hashes and pointers would wait on memory twice for every new name.
  static constexpr unsigned kEntryBits = 24;
  static constexpr std::uint32_t kEntryMask = (std::uint32_t{1} << kEntryBits) - 1;
  TSlotArray NameSlots_;
  // The top byte of a slot in use: never zero, whatever the hash.
  static std::uint32_t Mark(std::uint32_t hash) { return (0x80u | (hash >> 25)) << kEntryBits; }
  // Files the new `entry` in slot `free`, the end of its probe, or grows the table.
  void AddNameSlot(std::uint32_t entry, std::size_t free);
  // The name of the next attribute, found ahead while the one before it is read, so that its
  // slot is on its way from memory meanwhile; its hash is kept for its look-up. The last two
  // are kept: the next one is found before the one at hand is looked up. They stand in the
  // bytes at hand and are forgotten when those move.
  struct TAhead {
    TBytes Begin = nullptr;
    TBytes End = nullptr;
    std::size_t Hash = 0;
  };
  TAhead Ahead_[2];
  unsigned NextAhead_ = 0;
  void LookAhead(TBytes value, char32_t quote);
  std::size_t NameHash(TBytes begin, TBytes end) const;
  TSharedText::TWriter Writer_;
  // The start tag at hand: its element, made when its name has been read, and where the
  // reading of its attributes stands.
  struct TTag {
    bool Active = false;  // a tag whose rest the next bytes go on with
    bool Spaced = false;  // white space since the last value
    bool InValue = false;
    std::uint32_t Quote = 0;
    std::uint32_t Name = kNoName;
    std::uint32_t Attribute = kNoName;  // the one whose value is being read
    TDomElement* Element = nullptr;
  } Tag_;
  std::uint32_t TagNumber_ = 0;  // counts the start tags, for the duplicate-attribute test
  // The attributes of the tag at hand, made as their values end, put on the element at its end.
  std::vector<TDomNode*> TagAttrs_;
};

// One character at p, strictly decoded; false for anything the ordinary path
// would have to judge (malformed or overlong sequences, surrogates, a byte the code page
// leaves undefined is still its table's character).
template <TXmlDirectEncoding E>
bool TDirectParser<E>::DecodeChar(TBytes& p, std::uint32_t& c) const {
  if constexpr (E == TXmlDirectEncoding::CodePage) {
    c = Options_.Table[*p++];
    return true;
  } else if constexpr (E == TXmlDirectEncoding::Utf8) {
    const std::uint32_t b = *p;
    int more = 0;
    std::uint32_t min = 0;
    if (b < 0x80) {
      c = b;
      ++p;
      return true;
    } else if (b >= 0xC2 && b <= 0xDF) {
      more = 1;
      c = b & 0x1F;
      min = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
      more = 2;
      c = b & 0x0F;
      min = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
      more = 3;
      c = b & 0x07;
      min = 0x10000;
    } else {
      return false;
    }
    if (End_ - p <= more) {
      HitEnd_ = true;
      return false;
    }
    for (int k = 1; k <= more; ++k) {
      const std::uint32_t t = p[k];
      if ((t & 0xC0) != 0x80) return false;
      c = (c << 6) | (t & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) return false;
    p += more + 1;
    return true;
  } else {
    const char32_t u = Unit(p);
    p += 2;
    if (u < 0xD800 || u >= 0xE000) {
      c = u;
      return true;
    }
    if (u >= 0xDC00) return false;
    if (End_ - p < 2) {
      HitEnd_ = true;
      return false;
    }
    const char32_t low = Unit(p);
    if (low < 0xDC00 || low >= 0xE000) return false;
    p += 2;
    c = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
    return true;
  }
}

// Decodes from p up to the first ASCII unit in `stops` or `limit`, whichever comes first, into
// `out`, with CR LF and a lone CR read as LF as the character reader reads them. Gives where
// it stopped, or null for a character the direct path leaves to the ordinary one.
// `out`, with CR LF and a lone CR read as LF as the character reader reads them. Gives where
// it stopped, or null for a character the direct path leaves to the ordinary one. A character
// that starts before `limit` is taken whole.
template <TXmlDirectEncoding E>
TBytes TDirectParser<E>::Decode(TBytes p, TBytes limit, const TStops& stops, std::u16string& out) const {
  while (p < limit) {
    const char32_t u = Unit(p);
    if (u < 0x80) {
      if (stops.Copy[u]) {
        // A run of printable ASCII is widened in one go.
        TBytes q = p + W;
        while (q < limit) {
          const char32_t v = Unit(q);
          if (v >= 0x80 || !stops.Copy[v]) break;
          q += W;
        }
        const std::size_t old = out.size();
        out.resize(old + static_cast<std::size_t>(q - p) / W);
        char16_t* dst = out.data() + old;
        for (; p < q; p += W) *dst++ = static_cast<char16_t>(Unit(p));
        continue;
      }
      if (stops.Stop[u]) return p;
      if (u == 0x0D) {
        out.push_back(u'\n');
        p += W;
        // Whether an LF follows decides how many bytes the line end takes.
        if (!AtEnd(p) && Unit(p) == 0x0A) p += W;
        continue;
      }
      if (u != 0x09 && u != 0x0A) return nullptr;
      out.push_back(static_cast<char16_t>(u));
      p += W;
      continue;
    }
    std::uint32_t c = 0;
    // Taken as it is when XML allows it. No line end gets here: every unit below 0x80 took a
    // branch above, and the direct path takes only code pages that keep 0x80-0xFF above ASCII.
    if (!DecodeChar(p, c) || !XmlChars::Char(c)) return nullptr;
    XmlUtf16::Append(out, c);
  }
  return p;
}

// The checked name of the bytes [begin, end), as its entry in the name table: each distinct
// name is decoded and tested once per document; kNoName when it is no XML name.
template <TXmlDirectEncoding E>
std::uint32_t TDirectParser<E>::Name(TBytes begin, TBytes end) {
  const std::size_t full = NameHash(begin, end);
  const auto hash = static_cast<std::uint32_t>(full ^ (static_cast<std::uint64_t>(full) >> 32));
  const std::uint32_t mark = Mark(hash);
  std::size_t free = 0;
  if (!NameSlots_.empty()) {
    const std::size_t mask = NameSlots_.size() - 1;
    for (free = hash & mask; NameSlots_[free] != 0; free = (free + 1) & mask) {
      const std::uint32_t slot = NameSlots_[free];
      if ((slot & ~kEntryMask) == mark && SameName(begin, end, Entry(slot & kEntryMask).Text.View()))
        return slot & kEntryMask;
    }
  }
  // The entry must fit its slot; a document with more names is left to the ordinary path.
  if (NameCount_ > kEntryMask) return kNoName;
  if (!AsciiName(begin, end)) {
    NameScratch_.clear();
    if (Decode(begin, end, kNoStops, NameScratch_) != end || !XmlRules::Name(NameScratch_)) return kNoName;
  }
  if (NameCount_ % kNameChunk == 0) NameChunks_.push_back(std::make_unique<TName[]>(kNameChunk));
  const std::uint32_t entry = NameCount_++;
  TName& name = Entry(entry);
  name.Text = Writer_.Take(NameScratch_);
  name.Hash = hash;
  AddNameSlot(entry, free);
  return entry;
}

// A name of ASCII characters only, the common case, checked and widened into NameScratch_ in
// one pass; false for anything else, which is decoded and checked in full.
template <TXmlDirectEncoding E>
bool TDirectParser<E>::AsciiName(TBytes begin, TBytes end) {
  const std::size_t size = static_cast<std::size_t>(end - begin) / W;
  if (size == 0) return false;
  NameScratch_.resize(size);
  char16_t* out = NameScratch_.data();
  for (TBytes p = begin; p < end; p += W) {
    const char32_t u = Unit(p);
    if (u >= 0x80 || !(p == begin ? XmlChars::NameStartChar(u) : XmlChars::NameChar(u))) return false;
    *out++ = static_cast<char16_t>(u);
  }
  return true;
}

// Whether the bytes [begin, end) decode to `name`. Bytes decode one way only, so equal names
// have equal bytes; the entries keep only the decoded names. A run of ASCII is compared unit
// by unit, anything after it decoded as the name was.
template <TXmlDirectEncoding E>
bool TDirectParser<E>::SameName(TBytes begin, TBytes end, std::u16string_view name) {
  std::size_t j = 0;
  TBytes p = begin;
  for (; p < end; p += W, ++j) {
    const char32_t u = Unit(p);
    if (u >= 0x80) break;
    if (j >= name.size() || name[j] != u) return false;
  }
  if (p == end) return j == name.size();
  SameScratch_.clear();
  return Decode(p, end, kNoStops, SameScratch_) == end && name.substr(j) == SameScratch_;
}

template <TXmlDirectEncoding E>
void TDirectParser<E>::AddNameSlot(std::uint32_t entry, std::size_t free) {
  if (2 * static_cast<std::size_t>(NameCount_) <= NameSlots_.size()) {
    NameSlots_[free] = Mark(Entry(entry).Hash) | entry;
    return;
  }
  // Grown, the table is made again from the entries, which keep their hashes; the slots of the
  // entries a little further on are fetched while the ones before them are filed.
  const std::size_t size = std::max<std::size_t>(64, 2 * NameSlots_.size());
  NameSlots_.Reset(size);
  const std::size_t mask = size - 1;
  constexpr std::uint32_t kFetchAhead = 16;
  for (std::uint32_t e = 0; e <= entry; ++e) {
#if defined(__GNUC__)
    if (e + kFetchAhead <= entry) __builtin_prefetch(&NameSlots_[Entry(e + kFetchAhead).Hash & mask], 1);
#endif
    const std::uint32_t hash = Entry(e).Hash;
    std::size_t i = hash & mask;
    while (NameSlots_[i] != 0) i = (i + 1) & mask;
    NameSlots_[i] = Mark(hash) | e;
  }
}

template <TXmlDirectEncoding E>
std::size_t TDirectParser<E>::NameHash(TBytes begin, TBytes end) const {
  for (const TAhead& ahead : Ahead_)
    if (begin == ahead.Begin && end == ahead.End) return ahead.Hash;
  return std::hash<std::string_view>{}(
      std::string_view(reinterpret_cast<const char*>(begin), static_cast<std::size_t>(end - begin)));
}

// From the start of a value: the name of the next attribute, when it stands within a short
// distance, gets its hash taken and its slot fetched. Only a hint: whatever stands there is
// checked when it is read.
template <TXmlDirectEncoding E>
void TDirectParser<E>::LookAhead(TBytes value, char32_t quote) {
  constexpr std::ptrdiff_t kReach = 128 * W;
  const TBytes limit = End_ - value > kReach ? value + kReach : End_;
  TBytes p = value;
  if constexpr (W == 1) {
    p = static_cast<TBytes>(std::memchr(p, static_cast<int>(quote), static_cast<std::size_t>(limit - p)));
    if (p == nullptr) return;
  } else {
    while (p < limit && Unit(p) != quote) p += W;
    if (p >= limit) return;
  }
  p += W;
  while (p < limit && XmlChars::Space(Unit(p))) p += W;
  const TBytes begin = p;
  while (p < limit) {
    const char32_t a = Unit(p);
    if (XmlChars::Space(a) || a == '=' || a == '>' || a == '/' || a == '"' || a == '\'') break;
    p += W;
  }
  if (p >= limit || p == begin) return;
  const std::size_t hash = std::hash<std::string_view>{}(
      std::string_view(reinterpret_cast<const char*>(begin), static_cast<std::size_t>(p - begin)));
  Ahead_[NextAhead_] = {begin, p, hash};
  NextAhead_ ^= 1;
#if defined(__GNUC__)
  if (!NameSlots_.empty()) {
    const auto h = static_cast<std::uint32_t>(hash ^ (static_cast<std::uint64_t>(hash) >> 32));
    __builtin_prefetch(&NameSlots_[h & (NameSlots_.size() - 1)]);
  }
#endif
}

template <TXmlDirectEncoding E>
void TDirectParser<E>::Append(TDomNode* node) {
  TDomParsedNodes::Append(Parent(), node);
}

template <TXmlDirectEncoding E>
void TDirectParser<E>::Flush() {
  if (!HasPending_) return;
  Append(TDomParsedNodes::Text(Document_, Joined(Long_, Pending_), PendingCharRef_));
  HasPending_ = false;
  PendingCharRef_ = false;
}

template <TXmlDirectEncoding E>
bool TDirectParser<E>::Refill(TBytes& keep, bool again) {
  if (Finished_) return false;
  const std::size_t kept = Held_ - (Buffer_.empty() ? 0 : static_cast<std::size_t>(keep - Buffer_.data()));
  if (kept > 0) std::memmove(Buffer_.data(), keep, kept);
  // A construct that fills the whole buffer doubles it, so that a long one costs linear time.
  std::size_t size = std::max<std::size_t>(Buffer_.size(), Options_.ChunkBytes);
  if (kept * 2 > size) size = kept * 2;
  if (size != Buffer_.size()) {
    std::vector<std::uint8_t> grown(size);
    if (kept > 0) std::memcpy(grown.data(), Buffer_.data(), kept);
    Buffer_.swap(grown);
  }
  // Whatever a read gives is scanned, however little, so a stream that delivers a few bytes at
  // a time is read as it comes; but a construct read again from its start waits until the
  // bytes at hand have doubled, so that reading it again and again costs linear time.
  Held_ = kept;
  const std::size_t wanted = again ? std::min(Buffer_.size(), 2 * kept + 1) : kept + 1;
  while (Held_ < wanted) {
    const std::int64_t n =
        Stream_->Read(Buffer_.data() + Held_, static_cast<std::int64_t>(Buffer_.size() - Held_));
    if (n <= 0) {
      Finished_ = true;
      break;
    }
    Held_ += static_cast<std::size_t>(n);
  }
  keep = Buffer_.data();
  End_ = Buffer_.data() + (Held_ - Held_ % W);
  Ahead_[0] = Ahead_[1] = TAhead{};
  return true;
}

template <TXmlDirectEncoding E>
bool TDirectParser<E>::Run() {
  TBytes p = nullptr;
  Refill(p);
  for (;;) {
    if (p == End_) {
      if (Finished_) break;
      Refill(p);
      continue;
    }
    HitEnd_ = false;
    TBytes q = p;
    const char32_t c = Unit(p);
    TStep step;
    if (Body_ != TBody::None)
      step = FinishBody(q);
    else if (Tag_.Active)
      step = TagRest(q);
    else if (c == '<')
      step = Markup(q);
    else if (c == '&')
      step = Outcome(Reference(q));
    else
      step = Text(q);
    if (step == TStep::GiveUp) return false;
    if (step == TStep::Done) {
      p = q;
      continue;
    }
    // A body read in pieces goes on from where it stopped; any other construct is read again
    // from its start, with more bytes behind it.
    const bool again = Body_ == TBody::None && !Tag_.Active;
    if (!again) p = q;
    if (!Refill(p, again)) return false;
  }
  // A UTF-16 text of an odd length, a construct or element left open, or no root: the
  // ordinary path says which.
  if (Held_ != static_cast<std::size_t>(End_ - Buffer_.data()) || Body_ != TBody::None || Tag_.Active ||
      !Open_.empty() || RootState_ != TRootState::Closed)
    return false;
  Document_->SetModified(true);
  return true;
}

// Character data up to the next markup or reference. Outside the root element only white
// space may stand, and it does not become part of the tree. Text is taken as far as the bytes
// at hand allow: the characters close to their end wait for more, so that no character, line
// end or "]]>" is cut in two.
template <TXmlDirectEncoding E>
typename TDirectParser<E>::TStep TDirectParser<E>::Text(TBytes& p) {
  const TBytes limit = Finished_ || End_ - p <= static_cast<std::ptrdiff_t>(4 * W) ? End_ : End_ - 4 * W;
  if (Open_.empty()) {
    for (; p < End_; p += W) {
      const char32_t c = Unit(p);
      if (c == '<' || c == '&') return TStep::Done;
      if (!XmlChars::Space(c)) return TStep::GiveUp;
    }
    return TStep::Done;
  }
  if (limit == End_ && !Finished_) return TStep::More;
  const TBytes start = p;
  for (;;) {
    // What a failed run decoded goes again; what came before it stays taken, and p behind it.
    const std::size_t before = Pending_.size();
    const TBytes q = Decode(p, limit, kTextStops, Pending_);
    if (q == nullptr) {
      Pending_.resize(before);
      if (!HitEnd_ || Finished_) return TStep::GiveUp;
      return p == start ? TStep::More : TStep::Done;
    }
    HasPending_ = true;
    p = q;
    // A long text moves on into a block of its own that grows in place, so it is never held
    // twice over.
    if (Pending_.size() >= kLongText) {
      Long_.Append(Pending_);
      Pending_.clear();
    }
    if (q >= limit || Unit(q) != ']') return TStep::Done;
    // "]]>" may not stand in character data.
    if (Peek(q, 1) == ']' && Peek(q, 2) == '>') return TStep::GiveUp;
    Pending_.push_back(u']');
    p = q + W;
  }
}

// "&#65;", "&#x41;" or "&name;" in content.
template <TXmlDirectEncoding E>
bool TDirectParser<E>::Reference(TBytes& p) {
  if (Open_.empty()) return false;
  if (Peek(p, 1) == '#') {
    TBytes q = p + 2 * W;
    const bool hex = !AtEnd(q) && Unit(q) == 'x';
    if (hex) q += W;
    std::uint32_t value = 0;
    std::size_t digits = 0;
    for (; !AtEnd(q); q += W, ++digits) {
      const char32_t u = Unit(q);
      if (hex ? !XmlChars::HexDigit(u) : !XmlChars::AsciiDigit(u)) break;
      const std::uint32_t d = u <= '9' ? u - '0' : (u | 0x20) - 'a' + 10;
      if (value <= 0x10FFFF) value = value * (hex ? 16 : 10) + d;
    }
    // Any XML character, CR and the C1 controls included: the ordinary path checks a
    // reference's character only against the character rules.
    if (digits == 0 || AtEnd(q) || Unit(q) != ';' || !XmlChars::Char(value)) return false;
    XmlUtf16::Append(Pending_, value);
    HasPending_ = true;
    PendingCharRef_ = true;
    p = q + W;
    return true;
  }
  TBytes q = p + W;
  while (!AtEnd(q) && Unit(q) != ';') {
    const char32_t u = Unit(q);
    if (XmlChars::Space(u) || u == '<' || u == '&') return false;
    q += W;
  }
  if (AtEnd(q)) return false;
  const std::uint32_t entry = Name(p + W, q);
  // Without a DOCTYPE only the predefined entities are declared; the ordinary path reports
  // any other.
  if (entry == kNoName) return false;
  const TSharedText* name = &Entry(entry).Text;
  if (!XmlRules::PredefinedEntityName(name->View())) return false;
  if (Options_.KeepEntityRefs) {
    Flush();
    Append(TDomParsedNodes::EntityReference(Document_, *name));
  } else {
    Pending_ += PredefinedReplacement(name->View());
    HasPending_ = true;
  }
  p = q + W;
  return true;
}

template <TXmlDirectEncoding E>
typename TDirectParser<E>::TStep TDirectParser<E>::Markup(TBytes& p) {
  static constexpr char16_t kCDataOpen[] = u"<![CDATA[";
  switch (Peek(p, 1)) {
    case '/':
      return Outcome(EndTag(p));
    case '?':
      // "<?" target, white space, data "?>".
      Body_ = TBody::Instruction;
      p += 2 * W;
      break;
    case '!':
      if (Peek(p, 2) == '-') {
        // "<!--" ... "-->", with no "--" inside and no "-" before the end.
        if (Peek(p, 3) != '-') return Outcome(false);
        Body_ = TBody::Comment;
        p += 4 * W;
      } else if (Peek(p, 2) == '[') {
        // "<![CDATA[" ... "]]>" inside the root element.
        for (std::size_t k = 3; k < 9; ++k)
          if (Peek(p, k) != kCDataOpen[k]) return Outcome(false);
        if (Open_.empty()) return TStep::GiveUp;
        Body_ = TBody::CData;
        p += 9 * W;
      } else {
        return Outcome(false);  // a document type declaration, or an error
      }
      break;
    case kNoUnit:
      return Outcome(false);
    default:
      return StartTag(p);
  }
  Scratch_.clear();
  LongScratch_ = TSharedText();
  return FinishBody(p);
}

// The body of the construct in Body_ from p on, up to its closing delimiter, into Scratch_
// (and LongScratch_ once long): Done with p behind the delimiter, or More with p where the
// next bytes go on. The characters close to the end of the bytes at hand wait for more, so
// that no character, line end or delimiter is cut in two.
template <TXmlDirectEncoding E>
typename TDirectParser<E>::TStep TDirectParser<E>::Body(TBytes& p) {
  const TStops& stops = Body_ == TBody::Comment ? kCommentStops : Body_ == TBody::CData ? kCDataStops : kPIStops;
  for (;;) {
    const TBytes limit = Finished_ ? End_ : End_ - p > static_cast<std::ptrdiff_t>(4 * W) ? End_ - 4 * W : p;
    const TBytes q = Decode(p, limit, stops, Scratch_);
    if (q == nullptr) return TStep::GiveUp;
    p = q;
    if (Scratch_.size() >= kLongText) {
      LongScratch_.Append(Scratch_);
      Scratch_.clear();
    }
    if (q >= limit) return Finished_ ? TStep::GiveUp : TStep::More;
    switch (Body_) {
      case TBody::Comment:
        if (Peek(q, 1) == '-') {
          if (Peek(q, 2) != '>') return TStep::GiveUp;
          p = q + 3 * W;
          return TStep::Done;
        }
        Scratch_.push_back(u'-');
        break;
      case TBody::CData:
        if (Peek(q, 1) == ']' && Peek(q, 2) == '>') {
          p = q + 3 * W;
          return TStep::Done;
        }
        Scratch_.push_back(u']');
        break;
      default:
        if (Peek(q, 1) == '>') {
          p = q + 2 * W;
          return TStep::Done;
        }
        Scratch_.push_back(u'?');
        break;
    }
    p = q + W;
  }
}

// What the body read so far makes, as one text.
template <TXmlDirectEncoding E>
TSharedText TDirectParser<E>::TakeScratch() {
  return Joined(LongScratch_, Scratch_);
}

// A text read as a long start (possibly none) and the rest, as one text; both are left empty.
template <TXmlDirectEncoding E>
TSharedText TDirectParser<E>::Joined(TSharedText& start, std::u16string& rest) {
  if (start.empty()) {
    TSharedText text = Writer_.Take(rest);
    rest.clear();
    return text;
  }
  start.Append(rest);
  start.ShrinkToFit();
  rest.clear();
  return std::exchange(start, TSharedText());
}

template <TXmlDirectEncoding E>
typename TDirectParser<E>::TStep TDirectParser<E>::FinishBody(TBytes& p) {
  const TStep step = Body(p);
  if (step != TStep::Done) return step;
  const TBody body = Body_;
  Body_ = TBody::None;
  if (body == TBody::Comment) {
    if (Options_.KeepComments) {
      Flush();
      Append(TDomParsedNodes::Comment(Document_, TakeScratch()));
    } else {
      Scratch_.clear();
      LongScratch_ = TSharedText();
    }
  } else if (body == TBody::CData) {
    if (Options_.KeepCDATASections) {
      Flush();
      Append(TDomParsedNodes::CDataSection(Document_, TakeScratch()));
    } else {
      const TSharedText text = TakeScratch();
      Pending_ += text.View();
      HasPending_ = true;
    }
  } else {
    const TSharedText content = TakeScratch();
    const std::u16string_view all = content.View();
    std::size_t i = 0;
    while (i < all.size() && !XmlChars::Space(all[i])) ++i;
    const std::u16string_view target = all.substr(0, i);
    while (i < all.size() && XmlChars::Space(all[i])) ++i;
    if (!XmlRules::PITarget(target)) return TStep::GiveUp;
    Flush();
    Append(TDomParsedNodes::ProcessingInstruction(Document_, Writer_.Take(target), Writer_.Take(all.substr(i))));
  }
  return TStep::Done;
}

// A start or empty-element tag with its attributes: the element is made when its name has
// been read, each attribute when its value has, and the attributes go onto the element once
// the tag has been read whole. Values are kept as written, references included, after the references have been
// checked as the well-formedness rules check them. The tag is read in pieces: a value goes on
// where the bytes at hand ran out, anything else between its attributes is read again from
// the start of the attribute.
template <TXmlDirectEncoding E>
typename TDirectParser<E>::TStep TDirectParser<E>::StartTag(TBytes& p) {
  if (RootState_ == TRootState::Closed) return TStep::GiveUp;
  const TBytes nameBegin = p + W;
  TBytes q = nameBegin;
  while (!AtEnd(q)) {
    const char32_t u = Unit(q);
    if (XmlChars::Space(u) || u == '>' || u == '/') break;
    q += W;
  }
  if (AtEnd(q)) return Outcome(false);
  const std::uint32_t name = Name(nameBegin, q);
  if (name == kNoName) return TStep::GiveUp;
  Tag_ = TTag{};
  Tag_.Active = true;
  Tag_.Name = name;
  // The element goes into the tree now, its attributes as they are read; nodes are made in
  // the order in which the tree builder makes them.
  Flush();
  Tag_.Element = TDomParsedNodes::Element(Document_, Entry(name).Text);
  Append(Tag_.Element);
  // The stamps of the names are cleared when the count of tags starts again.
  if (++TagNumber_ == 0) {
    for (std::uint32_t e = 0; e < NameCount_; ++e) Entry(e).Tag = 0;
    TagNumber_ = 1;
  }
  TagAttrs_.clear();
  p = q;
  return TagRest(p);
}

// The rest of the tag in Tag_ from p on: Done with p behind it, or More with p where the next
// bytes go on.
template <TXmlDirectEncoding E>
typename TDirectParser<E>::TStep TDirectParser<E>::TagRest(TBytes& p) {
  for (;;) {
    if (Tag_.InValue) {
      const TStops& stops = Tag_.Quote == '"' ? kDoubleQuoteStops : kSingleQuoteStops;
      const TBytes limit = Finished_ ? End_ : End_ - p > static_cast<std::ptrdiff_t>(4 * W) ? End_ - 4 * W : p;
      TBytes q = Decode(p, limit, stops, Scratch_);
      if (q == nullptr) return TStep::GiveUp;
      p = q;
      if (Scratch_.size() >= kLongText) {
        LongScratch_.Append(Scratch_);
        Scratch_.clear();
      }
      if (q >= limit) return Finished_ ? TStep::GiveUp : TStep::More;
      const char32_t stop = Unit(q);
      if (stop == '<') return TStep::GiveUp;
      if (stop == '&') {
        HitEnd_ = false;
        const std::size_t before = Scratch_.size();
        const TStep step = Outcome(AttributeReference(q, Scratch_));
        if (step != TStep::Done) {
          Scratch_.resize(before);  // More: the reference is read again from its "&"
          return step;
        }
        p = q;
        continue;
      }
      TagAttrs_.push_back(TDomParsedNodes::Attribute(Tag_.Element, Entry(Tag_.Attribute).Text, TakeScratch()));
      Tag_.InValue = false;
      Tag_.Spaced = false;
      p = q + W;
      continue;
    }

    // Between attributes: anything cut short here is read again from `p`.
    HitEnd_ = false;
    TBytes q = p;
    bool spaced = Tag_.Spaced;
    while (!AtEnd(q) && XmlChars::Space(Unit(q))) {
      q += W;
      spaced = true;
    }
    if (AtEnd(q)) return Outcome(false);
    const char32_t u = Unit(q);
    if (u == '>' || u == '/') {
      if (u == '/' && Peek(q, 1) != '>') return Outcome(false);
      p = q + (u == '>' ? W : 2 * W);
      const bool empty = u == '/';
      Tag_.Active = false;
      TDomElement* element = Tag_.Element;
      TDomParsedNodes::AddAttributes(element, TagAttrs_);
      if (Open_.empty()) RootState_ = empty ? TRootState::Closed : TRootState::Inside;
      if (!empty) Open_.push_back({element, Tag_.Name});
      return TStep::Done;
    }
    if (!spaced) return TStep::GiveUp;
    const TBytes attrBegin = q;
    while (!AtEnd(q)) {
      const char32_t a = Unit(q);
      if (XmlChars::Space(a) || a == '=' || a == '>' || a == '/' || a == '"' || a == '\'') break;
      q += W;
    }
    const TBytes attrEnd = q;
    while (!AtEnd(q) && XmlChars::Space(Unit(q))) q += W;
    if (AtEnd(q) || Unit(q) != '=') return Outcome(false);
    q += W;
    while (!AtEnd(q) && XmlChars::Space(Unit(q))) q += W;
    if (AtEnd(q)) return Outcome(false);
    const char32_t quote = Unit(q);
    if (quote != '"' && quote != '\'') return TStep::GiveUp;
    LookAhead(q + W, quote);
    const std::uint32_t attrName = Name(attrBegin, attrEnd);
    if (attrName == kNoName) return TStep::GiveUp;
    TName* entry = &Entry(attrName);
    // A duplicate name is an error. Equal names are one entry of the name table, since bytes
    // decode one way only, and the entry notes the last tag that used it: one test however
    // many attributes the tag has.
    if (entry->Tag == TagNumber_) return TStep::GiveUp;
    entry->Tag = TagNumber_;
    Tag_.Attribute = attrName;
    Tag_.Quote = quote;
    Tag_.InValue = true;
    Scratch_.clear();
    LongScratch_ = TSharedText();
    p = q + W;
  }
}

// A reference inside an attribute value, at its "&": copied as written, checked as the
// well-formedness rules check it.
template <TXmlDirectEncoding E>
bool TDirectParser<E>::AttributeReference(TBytes& p, std::u16string& value) {
  const std::size_t start = value.size();
  value.push_back(u'&');
  TBytes q = p + W;
  while (!AtEnd(q)) {
    const char32_t u = Unit(q);
    if (u == ';') break;
    if (XmlChars::Space(u) || u == '<' || u == '&' || u == '"' || u == '\'') return false;
    q += W;
  }
  if (AtEnd(q)) return false;
  if (Decode(p + W, q, kNoStops, value) != q) return false;
  value.push_back(u';');
  const std::u16string_view reference(value.data() + start, value.size() - start);
  if (reference.size() > 2 && reference[1] == u'#') {
    try {
      XmlText::CharRefValue(reference);
    } catch (const EConvertError&) {
      return false;
    }
  } else if (!XmlRules::PredefinedEntityName(reference.substr(1, reference.size() - 2))) {
    return false;
  }
  p = q + W;
  return true;
}

// "</name" with optional white space before ">"; the name must be the open element's.
template <TXmlDirectEncoding E>
bool TDirectParser<E>::EndTag(TBytes& p) {
  if (Open_.empty()) return false;
  const TBytes nameBegin = p + 2 * W;
  TBytes q = nameBegin;
  while (!AtEnd(q)) {
    const char32_t u = Unit(q);
    if (XmlChars::Space(u) || u == '>') break;
    q += W;
  }
  if (AtEnd(q) || !SameName(nameBegin, q, Entry(Open_.back().Name).Text.View())) return false;
  while (!AtEnd(q) && XmlChars::Space(Unit(q))) q += W;
  if (AtEnd(q) || Unit(q) != '>') return false;
  p = q + W;
  Flush();
  Open_.pop_back();
  if (Open_.empty()) RootState_ = TRootState::Closed;
  return true;
}

}  // namespace

bool XmlDirectParse(TStream* stream, const TXmlDirectOptions& options, TDomCustomDocument* document) {
  if (stream == nullptr || document == nullptr || options.ChunkBytes == 0) return false;
  switch (options.Encoding) {
    case TXmlDirectEncoding::Utf8:
      return TDirectParser<TXmlDirectEncoding::Utf8>(stream, options, document).Run();
    case TXmlDirectEncoding::CodePage:
      // Markup is found by its ASCII bytes, so those must mean themselves and nothing else.
      if (options.Table == nullptr) return false;
      for (int b = 0; b < 0x100; ++b)
        if (b < 0x80 ? options.Table[b] != b : options.Table[b] < 0x80) return false;
      return TDirectParser<TXmlDirectEncoding::CodePage>(stream, options, document).Run();
    case TXmlDirectEncoding::Utf16LE:
      return TDirectParser<TXmlDirectEncoding::Utf16LE>(stream, options, document).Run();
    case TXmlDirectEncoding::Utf16BE:
      return TDirectParser<TXmlDirectEncoding::Utf16BE>(stream, options, document).Run();
  }
  return false;
}
