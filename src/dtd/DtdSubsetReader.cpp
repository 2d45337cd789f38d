#include "dtd/DtdSubsetReader.h"

#include "platform/Exceptions.h"
#include "xml/XmlRulesUtils.h"

#include <utility>

namespace {

bool IsWhite(char16_t c) { return c == 0x20 || c == 0x09 || c == 0x0A || c == 0x0D; }

// A name runs up to white space or a delimiter of declaration syntax and is then checked as
// a whole, as the document path checks tag names.
bool IsNameUnit(char16_t c) {
  if (IsWhite(c) || c == 0) return false;
  for (const char16_t* d = u"<>()|,;%\"'?*+[]=&/#"; *d != 0; ++d)
    if (c == *d) return false;
  return true;
}

// The text range of one problem, for the error object.
class TDtdLocation : public IXmlLocator {
public:
  TDtdLocation(const WideString& uri, const TPositionRecord& start, const TPositionRecord& end,
               TDtdObject* item = nullptr)
      : Uri_(uri), Start_(start), End_(end), Item_(item) {}
  std::int64_t EndByte() const override { return End_.ByteCount; }
  std::int64_t EndChar() const override { return End_.CharCount; }
  std::int64_t EndColumn() const override { return End_.Column; }
  std::int64_t EndLine() const override { return End_.Line; }
  std::int64_t EndTabs() const override { return End_.TabsInLine; }
  TDtdObject* RelatedDtdItem() const override { return Item_; }
  TDomNode* RelatedNode() const override { return nullptr; }
  std::int64_t StartByte() const override { return Start_.ByteCount - Start_.ByteLength; }
  std::int64_t StartChar() const override { return Start_.CharCount; }
  std::int64_t StartColumn() const override { return Start_.Column; }
  std::int64_t StartLine() const override { return Start_.Line; }
  std::int64_t StartTabs() const override { return Start_.TabsInLine; }
  WideString SourceUri() const override { return Uri_; }

private:
  WideString Uri_;
  TPositionRecord Start_;
  TPositionRecord End_;
  TDtdObject* Item_;
};

// The name classes of the fifth edition of XML 1.0, by code point.
bool FifthEditionNameStart(char32_t c) {
  return c == ':' || (c >= 'A' && c <= 'Z') || c == '_' || (c >= 'a' && c <= 'z') || (c >= 0xC0 && c <= 0xD6) ||
         (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) || (c >= 0x370 && c <= 0x37D) ||
         (c >= 0x37F && c <= 0x1FFF) || (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
         (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) || (c >= 0xF900 && c <= 0xFDCF) ||
         (c >= 0xFDF0 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0xEFFFF);
}

bool FifthEditionNameChar(char32_t c) {
  return FifthEditionNameStart(c) || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7 ||
         (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

bool FifthEditionName(WideStringView s, bool token) {
  if (s.empty()) return false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    char32_t c = s[i];
    if (XmlChars::HighSurrogate(s[i]) && i + 1 < s.size() && XmlChars::LowSurrogate(s[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    }
    if (!(i == 0 && !token ? FifthEditionNameStart(c) : FifthEditionNameChar(c))) return false;
  }
  return true;
}

// Names in declarations follow either edition's classes, so that no declaration refuses a
// name that the fifth edition allows.
bool DtdName(WideStringView s) { return XmlRules::Name(s) || FifthEditionName(s, false); }
bool DtdNmtoken(WideStringView s) { return XmlRules::Nmtoken(s) || FifthEditionName(s, true); }

}  // namespace

struct TDtdSubsetReader::TSyntaxError {
  TXmlErrorType Kind;
  WideString OffendingText;
  WideString Clue;
  TPositionRecord Start;
  TPositionRecord End;
  WideString Uri;
};

// A cursor over a subset or over a parameter entity's text. Over a subset or an external
// entity read between declarations it keeps the position record of the last character
// consumed, counted as the character reader counts (a line feed starts a new line at column
// 0); over an internal entity's text every position is that of the reference. The text of
// a reference inside a declaration is put into the scanner's own text where it stands; an
// external entity's text put in counts positions of its own (by its URI), an internal one's
// stays at the reference.
class TDtdSubsetReader::TScanner {
public:
  // `lengths`, when given, are the bytes each character of the text took in its source; they
  // must outlive the scanner.
  TScanner(const WideString& text, const TPositionRecord& origin, bool track, const TCharByteLengths* lengths = nullptr)
      : Rest_(text.rbegin(), text.rend()), Last_(origin), Track_(track), Lengths_(lengths) {}
  // Over a replacement text: every range is that of the reference.
  TScanner(const WideString& text, const TPositionRecord& start, const TPositionRecord& end)
      : Rest_(text.rbegin(), text.rend()), Last_(end), Start_(start), Track_(false) {}

  bool AtEnd(std::size_t ahead = 0) const { return ahead >= Rest_.size(); }
  char16_t Peek(std::size_t ahead = 0) const {
    return ahead < Rest_.size() ? Rest_[Rest_.size() - 1 - ahead] : char16_t(0);
  }
  void Advance() {
    if (AtEnd()) return;
    const std::size_t units = UnitsHere();
    if (Counting()) {
      Count(Inserted_.empty() ? Last_ : Inserted_.back().Last, Peek(), NextByteLength(units));
      ++(Inserted_.empty() ? Counted_ : Inserted_.back().CountedChars);
    }
    for (std::size_t i = 0; i < units; ++i) {
      Read_ += Rest_.back();
      Rest_.pop_back();
    }
    LeaveInserted();
  }
  bool Match(const char16_t* keyword) {
    std::size_t n = 0;
    for (; keyword[n] != 0; ++n)
      if (Peek(n) != keyword[n]) return false;
    for (std::size_t i = 0; i < n; ++i) Advance();
    return true;
  }
  bool SkipWhite() {
    bool any = false;
    while (!AtEnd() && IsWhite(Peek())) {
      Advance();
      any = true;
    }
    return any;
  }
  // The record the next character will have.
  TPositionRecord NextRecord() const {
    if (!Counting() || AtEnd()) return Last();
    TPositionRecord next = Last();
    const std::size_t units = UnitsHere();
    Count(next, Peek(), NextByteLength(units));
    return next;
  }
  void MarkStart() {
    if (Track_ || CountedInserted() != nullptr) {
      Start_ = NextRecord();
      StartUri_ = Uri();
    }
  }
  // The range runs from the start marked to the next character; when the two lie in
  // different texts, the error is placed at the next character alone.
  [[noreturn]] void Fail(TXmlErrorType kind, const WideString& offending, const WideString& clue) const {
    const TPositionRecord end = NextRecord();
    throw TSyntaxError{kind, offending, clue, StartUri_ == Uri() ? Start_ : end, end, Uri()};
  }
  // How many units were read, counting inserted text.
  std::size_t Index() const { return Forgotten_ + Read_.size(); }
  // The text read from `from` on; `from` must not lie before the last ForgetRead().
  WideString Slice(std::size_t from) const { return Read_.substr(from - Forgotten_); }
  // Drops the text read so far, which no slice will ask for again: between declarations,
  // so that a subset is not kept a second time as it is read.
  void ForgetRead() {
    Forgotten_ += Read_.size();
    Read_.clear();
  }
  bool Tracking() const { return Track_; }
  // The record of the last character consumed in the text whose positions count here.
  const TPositionRecord& Last() const {
    const TInserted* counted = CountedInserted();
    return counted != nullptr ? counted->Last : Last_;
  }
  const TPositionRecord& Start() const { return Start_; }

  // The URI of the text being read, for errors and for the identifiers declared in it.
  const WideString& Uri() const {
    const TInserted* counted = CountedInserted();
    return counted != nullptr ? counted->Uri : Uri_;
  }
  void SetUri(const WideString& uri) { Uri_ = StartUri_ = uri; }
  // Whether the text is read as an external subset is: conditional sections, references
  // inside declarations.
  bool External() const { return External_; }
  void SetExternal(bool value) { External_ = value; }

  // Puts an entity's text in at the current place, a space either side, as the text of a
  // reference inside a declaration is taken in. An external entity's text counts positions
  // from `origin` in `uri`; an internal one's (`uri` empty) is placed at the reference.
  void Insert(const WideString& name, const WideString& text, const TPositionRecord& origin, const WideString& uri,
              TCharByteLengths lengths = TCharByteLengths()) {
    const std::size_t length = text.size() + 2;
    Rest_ += u' ';
    Rest_.append(text.rbegin(), text.rend());
    Rest_ += u' ';
    const std::size_t index = Index();
    for (auto& open : Inserted_) open.End += length;
    Inserted_.push_back(
        TInserted{name, index, index + length, !uri.empty(), origin, uri, std::move(lengths), 0});
  }
  // Whether the text of the entity of that name is being read here.
  bool InsideInserted(const WideString& name) const {
    for (const auto& open : Inserted_)
      if (open.Name == name) return true;
    return false;
  }
  std::size_t InsertedDepth() const { return Inserted_.size(); }

  // A name as written: the run of name characters, which must form an XML name.
  WideString Name(TXmlErrorType kind) {
    const std::size_t from = Index();
    while (!AtEnd() && IsNameUnit(Peek())) Advance();
    WideString name = Slice(from);
    if (!DtdName(name)) Fail(kind, name, WideString());
    return name;
  }
  WideString Nmtoken(TXmlErrorType kind) {
    const std::size_t from = Index();
    while (!AtEnd() && IsNameUnit(Peek())) Advance();
    WideString token = Slice(from);
    if (!DtdNmtoken(token)) Fail(kind, token, WideString());
    return token;
  }
  void RequireWhite() {
    if (!SkipWhite()) Fail(EK_WHITESPACE_EXPECTED, WideString(), u" ");
  }
  void Expect(char16_t c, TXmlErrorType kind) {
    if (Peek() != c || AtEnd()) Fail(kind, WideString(), WideString(1, c));
    Advance();
  }

private:
  // An entity's text put in, from Begin (its leading space) to End (behind its trailing
  // space) in the units read; those still open are kept, innermost last.
  struct TInserted {
    WideString Name;
    std::size_t Begin, End;
    bool Counted;
    TPositionRecord Last;
    WideString Uri;
    // The bytes of its characters in its source, and how many of them were counted.
    TCharByteLengths Lengths;
    std::size_t CountedChars;
  };

  // The innermost external text put in that is open, whose positions count; none when
  // positions are those of the scanner's own text.
  const TInserted* CountedInserted() const {
    for (auto it = Inserted_.rbegin(); it != Inserted_.rend(); ++it)
      if (it->Counted) return &*it;
    return nullptr;
  }
  // Whether the next character moves a record: one of the scanner's own tracked text, or of
  // an external text put in (not the spaces around it).
  bool Counting() const {
    if (Inserted_.empty()) return Track_;
    const TInserted& inner = Inserted_.back();
    return inner.Counted && Index() > inner.Begin && Index() + 1 < inner.End;
  }
  // Two for a surrogate pair, else one.
  std::size_t UnitsHere() const {
    return XmlChars::HighSurrogate(Peek()) && Rest_.size() > 1 && XmlChars::LowSurrogate(Peek(1))
               ? 2
               : 1;
  }
  // The bytes the next character took in its source, when they are known.
  std::int64_t NextByteLength(std::size_t units) const {
    static const TCharByteLengths none;
    const TCharByteLengths& lengths = !Inserted_.empty() ? Inserted_.back().Lengths : Lengths_ ? *Lengths_ : none;
    const std::size_t counted = Inserted_.empty() ? Counted_ : Inserted_.back().CountedChars;
    return counted < lengths.size() ? lengths[counted] : static_cast<std::int64_t>(units * 2);
  }
  // Moves a record on over one character, as the character reader counts.
  static void Count(TPositionRecord& record, char16_t c, std::int64_t bytes) {
    record.ByteLength = bytes;
    record.ByteCount += record.ByteLength;
    record.CharCount += 1;
    record.Character = c;
    if (c == 0x0A) {
      record.Line += 1;
      record.Column = 0;
      record.TabsInLine = 0;
    } else {
      record.Column += 1;
      if (c == 0x09) record.TabsInLine += 1;
    }
  }
  // Forgets the inserted texts that were read to their end.
  void LeaveInserted() {
    while (!Inserted_.empty() && Inserted_.back().End <= Index()) Inserted_.pop_back();
  }

  // The text still to read, last character first, so that inserting at the current place
  // costs only the inserted text; and the text read since the last ForgetRead(), for slices,
  // behind the units forgotten.
  WideString Rest_;
  WideString Read_;
  std::size_t Forgotten_ = 0;
  TPositionRecord Last_;
  TPositionRecord Start_;
  bool Track_;
  // The bytes of the scanner's own characters in their source, and how many were counted.
  const TCharByteLengths* Lengths_ = nullptr;
  std::size_t Counted_ = 0;
  bool External_ = false;
  WideString Uri_;
  // The URI of the text the start was marked in.
  WideString StartUri_;
  std::vector<TInserted> Inserted_;
};

TDtdSubsetReader::TDtdSubsetReader(TDtdModel& model, TDtdErrorReport report, TDtdExternalLoader loader)
    : Model_(model), Report_(std::move(report)), Loader_(std::move(loader)) {}

bool TDtdSubsetReader::ReadInternalSubset(const WideString& text, const TDtdSubsetOrigin& origin) {
  TScanner in(text, origin, true, origin.ByteLengths);
  in.SetUri(origin.Uri);
  InputChars_ += static_cast<std::int64_t>(text.size());
  if (Listener_) {
    TXmlStartIntDtdSignal start(nullptr, nullptr);
    SendPlain(start, origin.Uri, origin);
  }
  return ReadText(in);
}

// The whole of a subset's text; false after the first error, which has been reported.
bool TDtdSubsetReader::ReadText(TScanner& in) {
  try {
    CheckCharacters(in);
    ReadDeclarations(in, 0, false);
  } catch (const TSyntaxError& error) {
    // The report may end the parse by raising, so the listener hears of the end first.
    if (Listener_) {
      TXmlAbortedSignal aborted(nullptr, nullptr);
      SendPlain(aborted, error.Uri, error.End);
    }
    if (Report_) Report_(error.Kind, TDtdLocation(error.Uri, error.Start, error.End), error.OffendingText, error.Clue);
    return false;
  }
  if (Listener_) {
    TXmlCompletedSignal completed(nullptr, nullptr);
    SendPlain(completed, in.Uri(), in.Last());
  }
  return true;
}

bool TDtdSubsetReader::ReadExternalSubset(const WideString& baseUri, const WideString& publicId,
                                          const WideString& systemId, const IXmlLocator* at) {
  TDtdExternalText external;
  const TXmlErrorType kind = Loader_ ? Loader_(baseUri, publicId, systemId, external) : EK_RESOURCE_NOT_RESOLVED;
  if (kind != EK_NONE) {
    const TDtdLocation start(baseUri, TPositionRecord(), TPositionRecord());
    if (Report_) Report_(kind, at != nullptr ? *at : static_cast<const IXmlLocator&>(start), systemId, WideString());
    return false;
  }
  TScanner in(external.Text, external.Origin, true, &external.ByteLengths);
  in.SetUri(external.Uri);
  in.SetExternal(true);
  InputChars_ += static_cast<std::int64_t>(external.Text.size());
  if (Listener_) {
    TXmlStartExtDtdSignal start(nullptr, nullptr);
    start.PublicId = publicId;
    start.SystemId = systemId;
    SendPlain(start, external.Uri, external.Origin);
  }
  return ReadText(in);
}

void TDtdSubsetReader::Send(TXmlSignal& signal, const TScanner& in, TDtdObject* item) const {
  const TDtdLocation where(in.Uri(), in.Start(), in.Last(), item);
  signal.Rebind(nullptr, &where);
  Listener_(signal);
}

void TDtdSubsetReader::SendPlain(TXmlSignal& signal, const WideString& uri, const TPositionRecord& at) const {
  const TDtdLocation where(uri, at, at);
  signal.Rebind(nullptr, &where);
  Listener_(signal);
}

// Every character of a text must be an XML character; the declarations then need no check
// of their own for it. Fails at the first that is not.
void TDtdSubsetReader::CheckCharacters(TScanner& in) {
  for (std::size_t i = 0; !in.AtEnd(i); ++i) {
    const char16_t c = in.Peek(i);
    bool ok = XmlChars::CharUnit(c);
    if (XmlChars::HighSurrogate(c)) ok = !in.AtEnd(i + 1) && XmlChars::LowSurrogate(in.Peek(i + 1));
    if (XmlChars::LowSurrogate(c)) ok = i > 0 && XmlChars::HighSurrogate(in.Peek(i - 1));
    if (!ok) {
      for (const std::size_t at = in.Index() + i; in.Index() < at;) in.Advance();
      in.MarkStart();
      in.Fail(EK_INVALID_CHARACTER, WideString(1, c), WideString());
    }
  }
}

// DeclSep and markupdecl, up to the end of the text (or, in a conditional section, up to its
// "]]>"): at depth 0 a subset itself, deeper the text of a parameter entity referenced
// between declarations.
void TDtdSubsetReader::ReadDeclarations(TScanner& in, int depth, bool inSection) {
  for (;;) {
    in.ForgetRead();
    in.SkipWhite();
    if (in.AtEnd()) {
      if (inSection) in.Fail(EK_UNKNOWN_MARKUP_DECL, WideString(), u"]]>");
      return;
    }
    in.MarkStart();
    if (inSection && in.Match(u"]]>")) return;
    if (in.Peek() == u'%') {
      ParameterEntityReference(in, depth);
    } else if (in.Match(u"<!--")) {
      Comment(in);
    } else if (in.Match(u"<?")) {
      ProcessingInstruction(in);
    } else if (in.Match(u"<!ELEMENT")) {
      ElementDeclaration(in);
    } else if (in.Match(u"<!ATTLIST")) {
      AttributeListDeclaration(in);
    } else if (in.Match(u"<!ENTITY")) {
      EntityDeclaration(in);
    } else if (in.Match(u"<!NOTATION")) {
      NotationDeclaration(in);
    } else if (in.External() && in.Match(u"<![")) {
      ConditionalSection(in, depth);
    } else if (in.Peek() == u'<' && in.Peek(1) == u'!') {
      const char16_t c = in.Peek(2);
      // Conditional sections belong to external subsets; in an entity's text they are left
      // unread like the entity itself.
      if (c == u'[' && !in.Tracking()) throw TAbandonEntity{};
      const TXmlErrorType kind = c == u'E' && in.Peek(3) == u'L'   ? EK_ELEMENT_DECL_START_EXPECTED
                                 : c == u'E' && in.Peek(3) == u'N' ? EK_ENTITY_DECL_START_EXPECTED
                                 : c == u'A'                       ? EK_ATTLIST_START_EXPECTED
                                 : c == u'N'                       ? EK_NOTATION_DECL_START_EXPECTED
                                                                   : EK_UNKNOWN_MARKUP_DECL;
      in.Fail(kind, WideString(), WideString());
    } else {
      in.Fail(EK_UNKNOWN_MARKUP_DECL, WideString(1, in.Peek()), WideString());
    }
  }
}

// After "<![": the keyword (which a parameter entity may give), "[", then declarations up
// to "]]>" for INCLUDE, or anything with nested sections balanced for IGNORE.
void TDtdSubsetReader::ConditionalSection(TScanner& in, int depth) {
  if (++SectionDepth_ > kMaxGroupNesting) in.Fail(EK_UNKNOWN_MARKUP_DECL, u"<![", WideString());
  SkipInDeclaration(in);
  bool include = false;
  if (in.Match(u"INCLUDE")) include = true;
  else if (!in.Match(u"IGNORE")) in.Fail(EK_UNKNOWN_MARKUP_DECL, WideString(), u"INCLUDE");
  SkipInDeclaration(in);
  in.Expect(u'[', EK_UNKNOWN_MARKUP_DECL);
  if (include) ReadDeclarations(in, depth, true);
  else IgnoredSectionContent(in);
  --SectionDepth_;
}

// The content of an ignored section is not read: only "<![" and "]]>" are counted so that
// the section ends at its own "]]>".
void TDtdSubsetReader::IgnoredSectionContent(TScanner& in) {
  for (int open = 1;;) {
    if (in.AtEnd()) in.Fail(EK_UNKNOWN_MARKUP_DECL, WideString(), u"]]>");
    if (in.Match(u"<![")) {
      ++open;
    } else if (in.Match(u"]]>")) {
      if (--open == 0) return;
    } else {
      in.Advance();
    }
  }
}

const TDtdEntity* TDtdSubsetReader::ReferencedEntity(TScanner& in, const WideString& name) {
  Model_.HasPEReferences = true;
  const TDtdEntity* entity = Model_.FindParameterEntity(name);
  if (entity == nullptr) {
    if (Model_.Standalone) in.Fail(EK_UNDECLARED_ENTITY, u"%" + name + u";", WideString());
    Ignoring_ = true;
    if (Listener_) {
      TXmlExternalPEReferenceSignal signal(nullptr, nullptr);
      signal.EntityName = name;
      Send(signal, in, nullptr);
    }
    return nullptr;
  }
  if (!entity->IsInternal && !Loader_) {
    if (!Model_.Standalone) Ignoring_ = true;
    if (Listener_) {
      TXmlExternalPEReferenceSignal signal(nullptr, nullptr);
      signal.EntityName = name;
      signal.PublicId = entity->PublicId;
      signal.SystemId = entity->SystemId;
      Send(signal, in, const_cast<TDtdEntity*>(entity));
    }
    return nullptr;
  }
  // Open are the entities whose text is being read: those referenced between declarations,
  // and those taken in inside declarations here and in the texts this one lies in.
  bool open = in.InsideInserted(name);
  std::size_t depth = Expanding_.size() + in.InsertedDepth();
  for (const TScanner* outer : Outer_) {
    open = open || outer->InsideInserted(name);
    depth += outer->InsertedDepth();
  }
  for (const WideString& expanding : Expanding_) open = open || expanding == name;
  if (open) in.Fail(EK_RECURSIVE_ENTITY_REFERENCE, u"%" + name + u";", WideString());
  if (depth + 1 > static_cast<std::size_t>(kMaxNesting))
    in.Fail(EK_ENTITY_EXPANSION_TOO_DEEP, u"%" + name + u";", WideString());
  if (Listener_) {
    TXmlPEReferenceFoundSignal signal(nullptr, nullptr);
    signal.EntityName = name;
    Send(signal, in, const_cast<TDtdEntity*>(entity));
  }
  return entity;
}

void TDtdSubsetReader::LoadExternal(TScanner& in, const TDtdEntity& entity, TDtdExternalText& text) {
  const WideString base = entity.BaseUri.empty() ? in.Uri() : entity.BaseUri;
  const TXmlErrorType kind = Loader_(base, entity.PublicId, entity.SystemId, text);
  if (kind != EK_NONE) in.Fail(kind, u"%" + entity.Name + u";", entity.SystemId);
}

// Every character of entity text taken in counts, however often the same entity is
// referred to, so that a few nested references cannot make the reader take in without end.
void TDtdSubsetReader::CountExpansion(TScanner& in, std::size_t characters) {
  ExpandedChars_ += static_cast<std::int64_t>(characters);
  if (ExpandedChars_ > ExpansionAllowance_ + ExpansionRatio_ * InputChars_)
    in.Fail(EK_ENTITY_EXPANSION_TOO_LARGE, WideString(), WideString());
}

class TDtdSubsetReader::TOpenEntity {
public:
  TOpenEntity(TDtdSubsetReader& reader, const WideString& name, const TScanner& in) : Reader_(reader) {
    Reader_.Expanding_.push_back(name);
    Reader_.Outer_.push_back(&in);
  }
  ~TOpenEntity() {
    Reader_.Expanding_.pop_back();
    Reader_.Outer_.pop_back();
  }
  TOpenEntity(const TOpenEntity&) = delete;
  TOpenEntity& operator=(const TOpenEntity&) = delete;

private:
  TDtdSubsetReader& Reader_;
};

const TDtdEntity* TDtdSubsetReader::ReadReference(TScanner& in, WideString& name) {
  in.Advance();
  name = in.Name(EK_INVALID_PARAMETER_ENTITY_NAME);
  in.Expect(u';', EK_INVALID_PARAMETER_ENTITY_NAME);
  return ReferencedEntity(in, name);
}

TDtdSubsetReader::TScanner TDtdSubsetReader::ExternalScanner(TScanner& in, const TDtdEntity& entity,
                                                             TDtdExternalText& text) {
  LoadExternal(in, entity, text);
  CountExpansion(in, text.Text.size());
  TScanner inner(text.Text, text.Origin, true, &text.ByteLengths);
  inner.SetUri(text.Uri);
  inner.SetExternal(true);
  CheckCharacters(inner);
  return inner;
}

void TDtdSubsetReader::ParameterEntityReference(TScanner& in, int depth) {
  WideString name;
  const TDtdEntity* entity = ReadReference(in, name);
  if (entity == nullptr) return;
  if (!entity->IsInternal) {
    // The entity's text must be whole declarations; its errors lie in it.
    TDtdExternalText external;
    TScanner inner = ExternalScanner(in, *entity, external);
    const TOpenEntity open(*this, name, in);
    ReadDeclarations(inner, depth + 1, false);
    return;
  }
  CountExpansion(in, entity->ReplacementText.size());
  // Errors inside the replacement text are placed at the reference.
  TScanner inner(entity->ReplacementText, in.Start(), in.Last());
  inner.SetUri(in.Uri());
  // Where external text is read, a parameter entity's text is read as external text is.
  inner.SetExternal(Loader_ != nullptr);
  const TOpenEntity open(*this, name, in);
  try {
    ReadDeclarations(inner, depth + 1, false);
  } catch (const TAbandonEntity&) {
    // A construct this reader does not expand inside an entity's text: what follows is
    // treated as after a parameter entity that is not read.
    if (!Model_.Standalone) Ignoring_ = true;
    if (depth > 0) throw;
  }
}

// "%name;" inside a declaration of external text: the entity's text is taken in there, a
// space either side.
void TDtdSubsetReader::ReferenceInDeclaration(TScanner& in) {
  in.MarkStart();
  WideString name;
  const TDtdEntity* entity = ReadReference(in, name);
  if (entity == nullptr) {
    in.Insert(name, WideString(), TPositionRecord(), WideString());
    return;
  }
  if (entity->IsInternal) {
    CountExpansion(in, entity->ReplacementText.size());
    in.Insert(name, entity->ReplacementText, TPositionRecord(), WideString());
    return;
  }
  TDtdExternalText external;
  LoadExternal(in, *entity, external);
  TScanner check(external.Text, external.Origin, true, &external.ByteLengths);
  check.SetUri(external.Uri);
  CheckCharacters(check);
  CountExpansion(in, external.Text.size());
  in.Insert(name, external.Text, external.Origin, external.Uri, std::move(external.ByteLengths));
}

// "%name;" in an entity value of external text: the entity's text is read as part of the
// literal, its quotes plain characters.
void TDtdSubsetReader::IncludeInLiteral(TScanner& in, bool parameter, WideString& text) {
  in.MarkStart();
  WideString name;
  const TDtdEntity* entity = ReadReference(in, name);
  if (entity == nullptr) return;
  if (entity->IsInternal) {
    CountExpansion(in, entity->ReplacementText.size());
    TScanner inner(entity->ReplacementText, in.Start(), in.Last());
    inner.SetUri(in.Uri());
    inner.SetExternal(true);
    const TOpenEntity open(*this, name, in);
    EntityValueText(inner, 0, parameter, text);
    return;
  }
  TDtdExternalText external;
  TScanner inner = ExternalScanner(in, *entity, external);
  const TOpenEntity open(*this, name, in);
  EntityValueText(inner, 0, parameter, text);
}

// After "<!--": up to "-->", without "--" inside.
void TDtdSubsetReader::Comment(TScanner& in) {
  for (;;) {
    if (in.AtEnd()) in.Fail(EK_UNCLOSED_COMMENT, WideString(), u"-->");
    if (in.Peek() == u'-' && in.Peek(1) == u'-') {
      if (in.Peek(2) != u'>') in.Fail(EK_DOUBLE_HYPHEN_IN_COMMENT, u"--", u">");
      in.Match(u"-->");
      return;
    }
    in.Advance();
  }
}

// After "<?": target, then white space and data up to "?>".
void TDtdSubsetReader::ProcessingInstruction(TScanner& in) {
  const std::size_t from = in.Index();
  while (!in.AtEnd() && IsNameUnit(in.Peek())) in.Advance();
  const WideString target = in.Slice(from);
  const bool xmlTarget = target.size() == 3 && (target[0] | 0x20) == u'x' && (target[1] | 0x20) == u'm' &&
                         (target[2] | 0x20) == u'l';
  if (xmlTarget || !DtdName(target)) in.Fail(EK_INVALID_PROCESSING_INSTRUCTION, target, WideString());
  if (in.Match(u"?>")) return;
  in.RequireWhite();
  while (!in.Match(u"?>")) {
    if (in.AtEnd()) in.Fail(EK_UNCLOSED_PROCESSING_INSTRUCTION, WideString(), u"?>");
    in.Advance();
  }
}

// White space inside a declaration; a parameter-entity reference there is refused in the
// internal subset, left unread inside an entity's text there, and taken in in external text.
bool TDtdSubsetReader::SkipInDeclaration(TScanner& in) {
  bool any = in.SkipWhite();
  // In external text a reference here is taken in; "%" before white space is the mark of a
  // parameter entity's declaration.
  while (in.External() && in.Peek() == u'%' && !in.AtEnd() && IsNameUnit(in.Peek(1))) {
    ReferenceInDeclaration(in);
    in.SkipWhite();
    any = true;
  }
  if (in.Peek() == u'%' && !in.AtEnd() && !in.External()) {
    if (!in.Tracking()) throw TAbandonEntity{};
    in.Fail(EK_PE_REFERENCE_IN_MARKUP, u"%", WideString());
  }
  return any;
}

void TDtdSubsetReader::RequireWhiteInDeclaration(TScanner& in) {
  if (!SkipInDeclaration(in)) in.Fail(EK_WHITESPACE_EXPECTED, WideString(), u" ");
}

void TDtdSubsetReader::ElementDeclaration(TScanner& in) {
  RequireWhiteInDeclaration(in);
  auto element = std::make_unique<TDtdElementType>();
  element->Name = in.Name(EK_INVALID_ELEMENT_DECL_NAME);
  RequireWhiteInDeclaration(in);
  ContentSpec(in, *element);
  SkipInDeclaration(in);
  in.Expect(u'>', EK_DTD_SUBSET_SYNTAX_101);
  TDtdElementType* taken = Model_.AddElementType(std::move(element));
  if (taken != nullptr && Listener_) {
    TXmlElementTypeDeclarationSignal signal(nullptr, nullptr);
    signal.ElementName = taken->Name;
    signal.ContentKind = static_cast<std::uint8_t>(taken->ContentKind);
    signal.ContentModel = taken->ContentModel;
    Send(signal, in, taken);
  }
}

void TDtdSubsetReader::ContentSpec(TScanner& in, TDtdElementType& element) {
  const std::size_t from = in.Index();
  if (in.Match(u"EMPTY")) {
    element.ContentKind = TDtdContentKind::Empty;
  } else if (in.Match(u"ANY")) {
    element.ContentKind = TDtdContentKind::Any;
  } else if (in.Peek() == u'(') {
    in.Advance();
    SkipInDeclaration(in);
    if (in.Match(u"#PCDATA")) {
      element.ContentKind = TDtdContentKind::Mixed;
      bool names = false;
      for (;;) {
        SkipInDeclaration(in);
        if (in.Peek() == u')') {
          in.Advance();
          if (in.Peek() == u'*') in.Advance();
          else if (names) in.Fail(EK_MALFORMED_CONTENT_MODEL, WideString(), u")*");
          break;
        }
        if (in.Peek() != u'|') in.Fail(EK_MALFORMED_CONTENT_MODEL, WideString(), u"|");
        in.Advance();
        SkipInDeclaration(in);
        in.Name(EK_MALFORMED_CONTENT_MODEL);
        names = true;
      }
    } else {
      element.ContentKind = TDtdContentKind::Children;
      ChildrenGroup(in, 1);
    }
  } else {
    in.Fail(EK_MALFORMED_CONTENT_MODEL, WideString(), u"(");
  }
  element.ContentModel = in.Slice(from);
}

// After "(" and white space: content particles joined all by "|" or all by ",", then ")"
// and an optional occurrence mark.
void TDtdSubsetReader::ChildrenGroup(TScanner& in, int nesting) {
  if (nesting > kMaxGroupNesting) in.Fail(EK_MALFORMED_CONTENT_MODEL, WideString(), WideString());
  char16_t separator = 0;
  for (;;) {
    ContentParticle(in, nesting);
    SkipInDeclaration(in);
    const char16_t c = in.Peek();
    if (c == u')' && !in.AtEnd()) {
      in.Advance();
      break;
    }
    if ((c != u'|' && c != u',') || in.AtEnd() || (separator != 0 && c != separator))
      in.Fail(EK_MALFORMED_CONTENT_MODEL, WideString(), separator != 0 ? WideString(1, separator) : u")");
    separator = c;
    in.Advance();
    SkipInDeclaration(in);
  }
  const char16_t mark = in.Peek();
  if (mark == u'?' || mark == u'*' || mark == u'+') in.Advance();
}

void TDtdSubsetReader::ContentParticle(TScanner& in, int nesting) {
  if (in.Peek() == u'(' && !in.AtEnd()) {
    in.Advance();
    SkipInDeclaration(in);
    ChildrenGroup(in, nesting + 1);
    return;
  }
  in.Name(EK_MALFORMED_CONTENT_MODEL);
  const char16_t mark = in.Peek();
  if (mark == u'?' || mark == u'*' || mark == u'+') in.Advance();
}

void TDtdSubsetReader::AttributeListDeclaration(TScanner& in) {
  RequireWhiteInDeclaration(in);
  const WideString elementName = in.Name(EK_INVALID_ATTLIST_ELEMENT_NAME);
  for (;;) {
    const bool white = SkipInDeclaration(in);
    if (in.Peek() == u'>' && !in.AtEnd()) {
      in.Advance();
      return;
    }
    if (!white) in.Fail(EK_WHITESPACE_EXPECTED, WideString(), u" ");
    auto definition = std::make_unique<TDtdAttributeDefinition>();
    definition->ElementName = elementName;
    definition->Name = in.Name(EK_INVALID_ATTRIBUTE_DEFINITION_NAME);
    RequireWhiteInDeclaration(in);
    static const std::pair<const char16_t*, TDtdAttributeType> kTypes[] = {
        {u"CDATA", AT_CDATA},     {u"IDREFS", AT_IDREFS},     {u"IDREF", AT_IDREF},
        {u"ID", AT_ID},           {u"ENTITIES", AT_ENTITIES}, {u"ENTITY", AT_ENTITY},
        {u"NMTOKENS", AT_NMTOKENS}, {u"NMTOKEN", AT_NMTOKEN}, {u"NOTATION", AT_NOTATION}};
    if (in.Peek() == u'(') {
      definition->AttributeType = AT_ENUMERATION;
    } else {
      const std::size_t from = in.Index();
      while (!in.AtEnd() && IsNameUnit(in.Peek())) in.Advance();
      const WideString keyword = in.Slice(from);
      bool known = false;
      for (const auto& [text, type] : kTypes)
        if (keyword == text) {
          definition->AttributeType = type;
          known = true;
        }
      if (!known) in.Fail(EK_DTD_SUBSET_SYNTAX_105, keyword, WideString());
      if (definition->AttributeType == AT_NOTATION) RequireWhiteInDeclaration(in);
    }
    if (definition->AttributeType == AT_ENUMERATION || definition->AttributeType == AT_NOTATION) {
      const bool notation = definition->AttributeType == AT_NOTATION;
      in.Expect(u'(', notation ? EK_INVALID_NAME_IN_NOTATION_TYPE : EK_INVALID_NMTOKEN_IN_ENUMERATION);
      for (;;) {
        SkipInDeclaration(in);
        definition->Enumeration.push_back(notation ? in.Name(EK_INVALID_NAME_IN_NOTATION_TYPE)
                                                   : in.Nmtoken(EK_INVALID_NMTOKEN_IN_ENUMERATION));
        SkipInDeclaration(in);
        if (in.Peek() == u')' && !in.AtEnd()) {
          in.Advance();
          break;
        }
        in.Expect(u'|', notation ? EK_INVALID_NAME_IN_NOTATION_TYPE : EK_INVALID_NMTOKEN_IN_ENUMERATION);
      }
    }
    RequireWhiteInDeclaration(in);
    if (in.Match(u"#REQUIRED")) {
      definition->DefaultKind = TDtdDefaultKind::Required;
    } else if (in.Match(u"#IMPLIED")) {
      definition->DefaultKind = TDtdDefaultKind::Implied;
    } else {
      definition->DefaultKind = TDtdDefaultKind::Default;
      if (in.Match(u"#FIXED")) {
        definition->DefaultKind = TDtdDefaultKind::Fixed;
        RequireWhiteInDeclaration(in);
      }
      DefaultValue(in, definition->DefaultValue);
    }
    if (Ignoring_) {
      Model_.SkippedDeclarations = true;
      continue;
    }
    TDtdAttributeDefinition* taken = Model_.AddAttributeDefinition(std::move(definition));
    if (taken != nullptr && Listener_) {
      TXmlAttributeDefinitionSignal signal(nullptr, nullptr);
      signal.ElementName = taken->ElementName;
      signal.AttributeName = taken->Name;
      signal.AttributeType = taken->AttributeType;
      signal.Enumeration = taken->Enumeration;
      signal.DefaultKind = static_cast<std::uint8_t>(taken->DefaultKind);
      signal.DefaultValue = taken->DefaultValue;
      Send(signal, in, taken);
    }
  }
}

// A quoted default value: no "<", and every "&" starts a well-formed reference.
void TDtdSubsetReader::DefaultValue(TScanner& in, WideString& value) {
  const char16_t quote = in.Peek();
  if ((quote != u'"' && quote != u'\'') || in.AtEnd()) in.Fail(EK_DTD_SUBSET_SYNTAX_106, WideString(), u"\"");
  in.Advance();
  const std::size_t from = in.Index();
  for (;;) {
    if (in.AtEnd()) in.Fail(EK_LITERAL_QUOTE_EXPECTED, WideString(), WideString(1, quote));
    const char16_t c = in.Peek();
    if (c == quote) break;
    if (c == u'<') in.Fail(EK_LT_IN_ATTRIBUTE_VALUE, u"<", WideString());
    if (c == u'&') {
      const std::size_t at = in.Index();
      in.Advance();
      while (!in.AtEnd() && in.Peek() != u';' && in.Peek() != quote && !IsWhite(in.Peek())) in.Advance();
      if (in.Peek() != u';' || in.AtEnd()) in.Fail(EK_UNTERMINATED_ENTITY_REFERENCE, in.Slice(at), u";");
      in.Advance();
      const WideString reference = in.Slice(at);
      if (reference.size() > 1 && reference[1] == u'#') {
        try {
          XmlText::CharRefText(reference);
        } catch (const EConvertError&) {
          in.Fail(EK_INVALID_CHARACTER_REFERENCE, reference, WideString());
        }
      } else if (!DtdName(WideStringView(reference).substr(1, reference.size() - 2))) {
        in.Fail(EK_INVALID_ENTITY_NAME, reference, WideString());
      }
      continue;
    }
    in.Advance();
  }
  value = in.Slice(from);
  WideString offending;
  const TXmlErrorType kind = Model_.CheckAttributeValueReferences(
      value, kMaxNesting, offending,
      in.External() || !in.Tracking() ? TDtdModel::TPlace::ExternalMarkup : TDtdModel::TPlace::InternalSubset);
  if (kind != EK_NONE) in.Fail(kind, offending, WideString());
  in.Advance();
}

WideString TDtdSubsetReader::Literal(TScanner& in) {
  const char16_t quote = in.Peek();
  if ((quote != u'"' && quote != u'\'') || in.AtEnd()) in.Fail(EK_LITERAL_QUOTE_EXPECTED, WideString(), u"\"");
  in.Advance();
  const std::size_t from = in.Index();
  while (in.Peek() != quote || in.AtEnd()) {
    if (in.AtEnd()) in.Fail(EK_LITERAL_QUOTE_EXPECTED, WideString(), WideString(1, quote));
    in.Advance();
  }
  WideString text = in.Slice(from);
  in.Advance();
  return text;
}

// "SYSTEM" literal, or "PUBLIC" literal and literal; for a notation the system literal
// after a public one may be left out.
void TDtdSubsetReader::ExternalId(TScanner& in, WideString& publicId, WideString& systemId, bool systemOptional) {
  if (in.Match(u"SYSTEM")) {
    RequireWhiteInDeclaration(in);
    systemId = Literal(in);
    return;
  }
  if (!in.Match(u"PUBLIC")) in.Fail(EK_SYSTEM_KEYWORD_EXPECTED, WideString(), u"SYSTEM");
  RequireWhiteInDeclaration(in);
  publicId = Literal(in);
  if (!XmlRules::PubidChars(publicId)) in.Fail(EK_INVALID_PUBLIC_ID, publicId, WideString());
  const bool white = SkipInDeclaration(in);
  const char16_t c = in.Peek();
  if (systemOptional && (c != u'"' && c != u'\'')) return;
  if (!white) in.Fail(EK_WHITESPACE_EXPECTED, WideString(), u" ");
  systemId = Literal(in);
}

// The literal value of an entity, turned into its replacement text: character references
// are replaced, references to general entities stay as written; in external text references
// to parameter entities are replaced by their text.
WideString TDtdSubsetReader::EntityValue(TScanner& in, bool parameter) {
  const char16_t quote = in.Peek();
  in.Advance();
  WideString text;
  EntityValueText(in, quote, parameter, text);
  in.Advance();
  return text;
}

// The characters of an entity value up to `quote`, or up to the end of the text for an
// entity's text read as part of a literal (quote 0).
void TDtdSubsetReader::EntityValueText(TScanner& in, char16_t quote, bool parameter, WideString& text) {
  const TXmlErrorType invalid = parameter ? EK_INVALID_PE_VALUE : EK_INVALID_ENTITY_VALUE;
  for (;;) {
    if (in.AtEnd()) {
      if (quote == 0) return;
      in.Fail(EK_LITERAL_QUOTE_EXPECTED, WideString(), WideString(1, quote));
    }
    const char16_t c = in.Peek();
    if (c == quote) break;
    if (c == u'%') {
      if (in.External()) {
        IncludeInLiteral(in, parameter, text);
        continue;
      }
      if (!in.Tracking()) throw TAbandonEntity{};
      in.Fail(EK_PE_REFERENCE_IN_MARKUP, u"%", WideString());
    }
    if (c == u'&') {
      const std::size_t at = in.Index();
      in.Advance();
      while (!in.AtEnd() && in.Peek() != u';' && in.Peek() != quote && !IsWhite(in.Peek()) && in.Peek() != u'&')
        in.Advance();
      if (in.Peek() != u';' || in.AtEnd()) in.Fail(invalid, in.Slice(at), u";");
      in.Advance();
      const WideString reference = in.Slice(at);
      if (reference.size() > 1 && reference[1] == u'#') {
        try {
          text += XmlText::CharRefText(reference);
        } catch (const EConvertError&) {
          in.Fail(EK_INVALID_CHARACTER_REFERENCE, reference, WideString());
        }
      } else {
        if (!DtdName(WideStringView(reference).substr(1, reference.size() - 2))) in.Fail(invalid, reference, WideString());
        text += reference;
      }
      continue;
    }
    text += c;
    in.Advance();
  }
}

void TDtdSubsetReader::EntityDeclaration(TScanner& in) {
  // Relative identifiers resolve against the text that holds the declaration's "<".
  const WideString base = in.Uri();
  // The "%" of a parameter entity's declaration may follow at once.
  if (in.External()) RequireWhiteInDeclaration(in);
  else in.RequireWhite();
  auto entity = std::make_unique<TDtdEntity>();
  entity->ExternallyDeclared = in.External() || !in.Tracking();
  if (in.Peek() == u'%' && !in.AtEnd()) {
    in.Advance();
    entity->IsParameter = true;
    if (!(in.External() ? SkipInDeclaration(in) : in.SkipWhite())) in.Fail(EK_WHITESPACE_EXPECTED, WideString(), u" ");
  }
  entity->Name = in.Name(entity->IsParameter ? EK_INVALID_PE_DECL_NAME : EK_INVALID_ENTITY_DECL_NAME);
  RequireWhiteInDeclaration(in);
  const char16_t c = in.Peek();
  if ((c == u'"' || c == u'\'') && !in.AtEnd()) {
    entity->ReplacementText = EntityValue(in, entity->IsParameter);
  } else {
    entity->IsInternal = false;
    // Only an external entity has identifiers to resolve.
    entity->BaseUri = base;
    ExternalId(in, entity->PublicId, entity->SystemId, false);
    if (!entity->IsParameter) {
      const bool white = SkipInDeclaration(in);
      if (in.Match(u"NDATA")) {
        if (!white) in.Fail(EK_WHITESPACE_EXPECTED, WideString(), u" ");
        RequireWhiteInDeclaration(in);
        entity->NotationName = in.Name(EK_INVALID_NDATA_NAME);
      }
    }
  }
  SkipInDeclaration(in);
  if (in.Peek() == u'N' && !entity->IsInternal) in.Fail(EK_DTD_SUBSET_SYNTAX_120, u"NDATA", WideString());
  if (in.Peek() == u'N' || in.Peek() == u'S' || in.Peek() == u'P')
    in.Fail(EK_ENTITY_VALUE_WITH_EXTERNAL_ID, WideString(), u">");
  in.Expect(u'>', EK_DTD_SUBSET_SYNTAX_101);
  if (Ignoring_) {
    Model_.SkippedDeclarations = true;
    return;
  }
  TDtdEntity* taken = Model_.AddEntity(std::move(entity));
  if (taken == nullptr || !Listener_) return;
  const auto fill = [taken](TXmlEntityDeclarationFields& fields) {
    fields.EntityName = taken->Name;
    fields.IsInternal = taken->IsInternal;
    fields.ReplacementText = taken->ReplacementText;
    fields.PublicId = taken->PublicId;
    fields.SystemId = taken->SystemId;
    fields.NotationName = taken->NotationName;
  };
  if (taken->IsParameter) {
    TXmlParameterEntityDeclarationSignal signal(nullptr, nullptr);
    fill(signal);
    Send(signal, in, taken);
  } else {
    TXmlEntityDeclarationSignal signal(nullptr, nullptr);
    fill(signal);
    Send(signal, in, taken);
  }
}

void TDtdSubsetReader::NotationDeclaration(TScanner& in) {
  RequireWhiteInDeclaration(in);
  auto notation = std::make_unique<TDtdNotation>();
  notation->Name = in.Name(EK_INVALID_NOTATION_NAME);
  RequireWhiteInDeclaration(in);
  ExternalId(in, notation->PublicId, notation->SystemId, true);
  SkipInDeclaration(in);
  in.Expect(u'>', EK_DTD_SUBSET_SYNTAX_101);
  TDtdNotation* taken = Model_.AddNotation(std::move(notation));
  if (taken != nullptr && Listener_) {
    TXmlNotationDeclarationSignal signal(nullptr, nullptr);
    signal.NotationName = taken->Name;
    signal.PublicId = taken->PublicId;
    signal.SystemId = taken->SystemId;
    Send(signal, in, taken);
  }
}
