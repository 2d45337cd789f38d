#include "xml/ParserUtilsWin32.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// Streams may deliver fewer bytes per call than asked; keep reading until the end.
std::int64_t ReadFully(TStream* stream, void* buffer, std::int64_t count) {
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    const std::int64_t n = stream->Read(out + done, count - done);
    if (n <= 0) break;
    done += n;
  }
  return done;
}

// How many leading bytes of a code page decode to themselves: the codec's own identity
// range, confirmed against its table.
int PlainByteLimit(const TCustomSingleByteCodec& codec) {
  const char16_t* table = codec.Table();
  if (table == nullptr) return 0;
  int limit = 0;
  while (limit < codec.IdentityThreshold() && limit < 0x100 && table[limit] == limit) ++limit;
  return limit;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Buffered byte stream

TUtilsCustomInputStream::TUtilsCustomInputStream(TStream* stream, std::int64_t bufferSize)
    : Stream_(stream), InitialPosition_(0), BufferSize_(std::max<std::int64_t>(bufferSize, 1)) {
  if (stream == nullptr) throw EParserUtilsException("Stream not specified.");
  InitialPosition_ = stream->Position();
  Buffer_ = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(BufferSize_));
}

TUtilsCustomInputStream::~TUtilsCustomInputStream() {
  try {
    Unread();
  } catch (...) {  // a destructor must not throw; the stream is the caller's to check
  }
}

std::int64_t TUtilsCustomInputStream::Position() {
  return Stream_->Position() - Unread_ - InitialPosition_;
}

bool TUtilsCustomInputStream::Refill() {
  ReadPos_ = 0;
  Unread_ = ReadFully(Stream_, Buffer_.get(), BufferSize_);
  return Unread_ > 0;
}

bool TUtilsCustomInputStream::Read(void* buffer, std::int64_t count) {
  if (count <= 0) return true;
  if (Unread_ >= count) {
    std::memcpy(buffer, Buffer_.get() + ReadPos_, static_cast<std::size_t>(count));
    ReadPos_ += count;
    Unread_ -= count;
    return true;
  }
  Unread();
  if (count > BufferSize_) {
    const std::int64_t got = ReadFully(Stream_, buffer, count);
    if (got == count) return true;
    Stream_->Seek(-got, TSeekOrigin::soCurrent);  // a failed request consumes nothing
    return false;
  }
  if (!Refill() || Unread_ < count) return false;
  std::memcpy(buffer, Buffer_.get(), static_cast<std::size_t>(count));
  ReadPos_ = count;
  Unread_ -= count;
  return true;
}

void TUtilsCustomInputStream::Seek(std::int64_t offset) {
  Stream_->Seek(InitialPosition_ + offset, TSeekOrigin::soBeginning);
  ReadPos_ = 0;
  Unread_ = 0;
}

void TUtilsCustomInputStream::Unread() {
  if (Unread_ > 0) Stream_->Seek(-Unread_, TSeekOrigin::soCurrent);
  ReadPos_ = 0;
  Unread_ = 0;
}

// ---------------------------------------------------------------------------------------------
// Byte-order mark detection

TUtilsCustomAutodetectInputStream::TUtilsCustomAutodetectInputStream(TStream* stream,
                                                                     TUnicodeCodecClass codecClass,
                                                                     std::int64_t bufferSize,
                                                                     bool detectMark)
    : TUtilsCustomInputStream(stream, bufferSize) {
  TUnicodeCodecClass detected = nullptr;
  int size = 0;
  std::uint8_t b[4] = {};
  if (!detectMark) {
    CodecClass_ = codecClass;
    return;
  }
  if (ReadFully(stream, b, 2) == 2) {
    if (b[0] == 0x00 && b[1] == 0x00) {
      if (ReadFully(stream, b + 2, 2) == 2 && b[2] == 0xFE && b[3] == 0xFF) {
        detected = &TUCS4BECodec::ClassInfo;
        size = 4;
      } else if (b[2] == 0xFF && b[3] == 0xFE) {
        detected = &TUCS4_2143Codec::ClassInfo;
        size = 4;
      }
    } else if (b[0] == 0xEF && b[1] == 0xBB) {
      if (ReadFully(stream, b + 2, 1) == 1 && b[2] == 0xBF) {
        detected = &TUTF8Codec::ClassInfo;
        size = 3;
      }
    } else if (b[0] == 0xFE && b[1] == 0xFF) {
      const bool four = ReadFully(stream, b + 2, 2) == 2 && b[2] == 0x00 && b[3] == 0x00;
      detected = four ? &TUCS4_3412Codec::ClassInfo : &TUTF16BECodec::ClassInfo;
      size = four ? 4 : 2;
    } else if (b[0] == 0xFF && b[1] == 0xFE) {
      const bool four = ReadFully(stream, b + 2, 2) == 2 && b[2] == 0x00 && b[3] == 0x00;
      detected = four ? &TUCS4LECodec::ClassInfo : &TUTF16LECodec::ClassInfo;
      size = four ? 4 : 2;
    }
  }

  const auto* ucs2 = &TUCS2Codec::ClassInfo;
  const auto* be = &TUTF16BECodec::ClassInfo;
  const auto* le = &TUTF16LECodec::ClassInfo;
  const char* mismatch = "Specified input encoding does not match byte order mark.";
  if (codecClass == nullptr || codecClass == detected) {
    CodecClass_ = detected;
    MarkSize_ = size;
  } else if (codecClass == ucs2) {
    if (detected == le) throw EConvertError(mismatch);
    CodecClass_ = ucs2;
    MarkSize_ = detected == be ? 2 : 0;
  } else if ((codecClass == be && detected == le) || (codecClass == le && detected == be)) {
    throw EConvertError(mismatch);
  } else {
    CodecClass_ = codecClass;
    MarkSize_ = 0;
  }
  stream->Seek(InitialPosition_ + MarkSize_, TSeekOrigin::soBeginning);
}

std::int64_t TUtilsCustomAutodetectInputStream::Position() {
  return TUtilsCustomInputStream::Position() - MarkSize_;
}

void TUtilsCustomAutodetectInputStream::Seek(std::int64_t offset) {
  TUtilsCustomInputStream::Seek(offset + MarkSize_);
}

// ---------------------------------------------------------------------------------------------
// Character reader

TUtilsUCS4Reader::TUtilsUCS4Reader(TStream* stream, TUnicodeCodecClass codecClass,
                                   std::int64_t bufferSize, std::int64_t startByteCount,
                                   std::int64_t startCharCount, std::int64_t startColumn,
                                   std::int64_t startTabsInLine, std::int64_t startLine, bool detectMark) {
  InputStream_ = std::make_unique<TUtilsAutodetectInputStream>(stream, codecClass, bufferSize, detectMark);
  Initial_.ByteCount = startByteCount;
  Initial_.CharCount = startCharCount;
  Initial_.Column = startColumn;
  Initial_.Character = kStartOfText;
  Initial_.Line = startLine;
  Initial_.ByteLength = 0;
  Initial_.TabsInLine = startTabsInLine;
  TUnicodeCodecClass chosen = InputStream_->CodecClass();
  SetCodecClass(chosen != nullptr ? chosen : TUtilsUCS4Reader::DefaultCodecClass());
  Reset();
}

TUtilsUCS4Reader::~TUtilsUCS4Reader() = default;

TUnicodeCodecClass TUtilsUCS4Reader::CodecClass() const {
  return Codec_ ? Codec_->ClassType() : nullptr;
}

bool TUtilsUCS4Reader::ReadThunk(void* self, void* buffer, std::int64_t count) {
  return static_cast<TUtilsUCS4Reader*>(self)->ReadBytes(buffer, count);
}

bool TUtilsUCS4Reader::ReadBytes(void* buffer, std::int64_t count) {
  return InputStream_->ReadBuffered(buffer, count);
}

void TUtilsUCS4Reader::SetCodecClass(TUnicodeCodecClass codecClass) {
  Codec_.reset();
  Codec_ = CreateCodec(codecClass);
  PlainByteLimit_ = 0;
  BulkReady_ = false;
  Utf8_ = false;
  Utf16Order_ = 0;
  if (Codec_) {
    Codec_->SetReadLineBreakMode(ReadLineBreakMode_);
    Codec_->SetReadCallback(&TUtilsUCS4Reader::ReadThunk, this);
    const char16_t* table = nullptr;
    if (codecClass == &TUTF8Codec::ClassInfo) {
      PlainByteLimit_ = 0x80;
      Utf8_ = true;
    } else if (const auto* single = dynamic_cast<const TCustomSingleByteCodec*>(Codec_.get())) {
      PlainByteLimit_ = PlainByteLimit(*single);
      table = single->Table();
    } else if (codecClass == &TUTF16LECodec::ClassInfo || codecClass == &TUTF16BECodec::ClassInfo) {
      // Two bytes per unit: bulk runs take the units outside the surrogates by themselves.
      Utf16Order_ = codecClass == &TUTF16LECodec::ClassInfo ? 1 : 2;
      BulkReady_ = true;
    }
    // Which bytes a bulk run may take by themselves: those whose character keeps the plain
    // position bookkeeping (no line end, nothing the codec treats apart).
    if (PlainByteLimit_ > 0) {
      BulkReady_ = true;
      for (int b = 0; b < 256; ++b) {
        const char16_t c = b < PlainByteLimit_ ? static_cast<char16_t>(b) : table != nullptr ? table[b] : char16_t{0};
        BulkChar_[b] = c;
        const bool defined = b < PlainByteLimit_ || table != nullptr;
        const bool simple = defined && c != 0x0D && c != 0x0A && c < 0xD800;
        BulkKind_[b] = simple                                  ? kBulkByte
                       : defined && (c == 0x0D || c == 0x0A) ? kBulkLineEnd
                       : Utf8_ && b >= 0xC2 && b <= 0xDF     ? kBulkPair
                                                              : kBulkNone;
      }
    }
  }
}

std::int64_t TUtilsUCS4Reader::StreamPosition() const {
  return InputStream_->Position() - (Codec_ ? Codec_->ReadAheadByteCount() : 0);
}

// Reads one character into the look-ahead record. A decoding error propagates before any
// record changes, so the reader stays on the character before the bad sequence.
void TUtilsUCS4Reader::ReadNext() {
  int bytes = 0;
  UCS4Char c;
  std::uint8_t plain = 0;
  if (PlainByteLimit_ > 0 && !Codec_->HasReadAhead() && Codec_->PendingCrBytes() == 0 &&
      InputStream_->TakePlainByte(PlainByteLimit_, plain)) {
    c = plain;
    bytes = 1;
  } else {
    c = Codec_ ? Codec_->ReadChar(bytes) : kEndOfText;
  }
  TPositionRecord* const fresh = Previous_;
  Previous_ = Current_;
  Current_ = Next_;
  *fresh = *Current_;
  Next_ = fresh;
  fresh->CharCount += 1;
  fresh->Character = c;
  fresh->ByteCount += bytes;
  fresh->ByteLength = bytes;
  if (c == 0x0A) {
    fresh->Line += 1;
    fresh->Column = 0;
    fresh->TabsInLine = 0;
  } else {
    fresh->Column += 1;
    if (c == 0x09) fresh->TabsInLine += 1;
  }
}

void TUtilsUCS4Reader::Next() {
  if (Current_->Character == kEndOfText) return;
  if (Next_->Character == kEndOfText) {
    // Nothing more is read: the end record becomes current and stays next as well.
    *Previous_ = *Current_;
    *Current_ = *Next_;
    return;
  }
  ReadNext();
}

std::int64_t TUtilsUCS4Reader::AdvancePlainRun(const bool* stops, char16_t* out, std::int64_t room) {
  const std::int64_t ahead = Next_->Character;
  // The end mark lies above the surrogates, so the test on them refuses it too; once the end
  // is current it is the look-ahead as well.
  if (!BulkReady_ || room < 1 || ahead < 0 || ahead >= 0xD800 || (ahead < 256 && stops[ahead]) ||
      Codec_->HasReadAhead() || Codec_->PendingCrBytes() != 0)
    return 0;
  std::int64_t available = 0;
  const std::uint8_t* bytes = InputStream_->PeekBuffered(available);
  // Each character read becomes the look-ahead and the one before it current (and goes to
  // `out`); a stop is read as the look-ahead too, and ends the run. For the last three read,
  // the ring keeps what their records need: a line end starts a line, a tab counts in its line.
  struct TMark {
    std::int64_t Line, Column, Tabs, Bytes, Length, Character;
  };
  TMark ring[3];
  std::int64_t line = Next_->Line, column = Next_->Column, tabs = Next_->TabsInLine;
  std::int64_t taken = 0;
  std::int64_t pos = 0;
  std::int64_t lookAhead = ahead;
  auto take = [&](std::int64_t c, std::int64_t length) {
    out[taken++] = static_cast<char16_t>(lookAhead);
    lookAhead = c;
    pos += length;
    if (c == 0x0A) {
      ++line;
      column = 0;
      tabs = 0;
    } else {
      ++column;
      if (c == 0x09) ++tabs;
    }
    ring[taken % 3] = {line, column, tabs, pos, length, c};
  };
  const bool lineEnds = ReadLineBreakMode_ == 1;
  if (Utf16Order_ != 0) {
    const bool bigEndian = Utf16Order_ == 2;
    auto unitAt = [&](std::int64_t at) {
      return bigEndian ? (bytes[at] << 8 | bytes[at + 1]) : (bytes[at + 1] << 8 | bytes[at]);
    };
    while (taken < room && pos + 1 < available) {
      std::int64_t c = unitAt(pos);
      std::int64_t length = 2;
      if (c >= 0xD800) break;
      if (c == 0x0D) {
        // CR LF is one line end; a CR whose follower is not yet in the buffer waits for it.
        if (!lineEnds || pos + 3 >= available) break;
        if (unitAt(pos + 2) == 0x0A) length = 4;
        c = 0x0A;
      }
      take(c, length);
      if (c < 256 && stops[c]) break;
    }
  } else {
    const std::uint8_t* const kinds = BulkKind_;
    const char16_t* const chars = BulkChar_;
    while (taken < room && pos < available) {
      const std::uint8_t b = bytes[pos];
      const std::uint8_t kind = kinds[b];
      std::int64_t c = chars[b];
      std::int64_t length = 1;
      if (kind == kBulkPair) {
        if (pos + 1 >= available || (bytes[pos + 1] & 0xC0) != 0x80) break;
        // A two-byte sequence, decoded as the codec does (its lead byte rules out overlong forms).
        c = ((b & 0x1F) << 6) | (bytes[pos + 1] & 0x3F);
        length = 2;
      } else if (kind == kBulkLineEnd) {
        if (c == 0x0D) {
          if (!lineEnds || pos + 1 >= available) break;
          if (kinds[bytes[pos + 1]] == kBulkLineEnd && chars[bytes[pos + 1]] == 0x0A) length = 2;
          c = 0x0A;
        }
      } else if (kind != kBulkByte) {
        break;
      }
      take(c, length);
      if (c < 256 && stops[c]) break;
    }
  }
  if (taken == 0) return 0;
  // The records of the last three characters read, rotated as single steps rotate them, so
  // that at most two are copied. The one before the first read is the old look-ahead.
  auto fill = [&](TPositionRecord& r, const TPositionRecord& from, std::int64_t k) {
    if (&r != &from) r = from;
    if (k == 0) return;
    const TMark& m = ring[k % 3];
    r.ByteCount = from.ByteCount + m.Bytes;
    r.CharCount = from.CharCount + k;
    r.Column = m.Column;
    r.Line = m.Line;
    r.TabsInLine = m.Tabs;
    r.Character = m.Character;
    r.ByteLength = m.Length;
  };
  const TPositionRecord base = *Next_;
  if (taken == 1) {
    TPositionRecord* const fresh = Previous_;
    Previous_ = Current_;
    Current_ = Next_;
    Next_ = fresh;
    fill(*fresh, base, 1);
  } else {
    // All three are made from the old look-ahead, kept aside since one of them overwrites it.
    fill(*Previous_, base, taken - 2);
    fill(*Current_, base, taken - 1);
    fill(*Next_, base, taken);
  }
  InputStream_->SkipBuffered(pos);
  return taken;
}

void TUtilsUCS4Reader::SetReadLineBreaks(bool asLineFeed) {
  ReadLineBreakMode_ = asLineFeed ? 1 : 0;
  if (Codec_) Codec_->SetReadLineBreakMode(ReadLineBreakMode_);
  Reset();
}

void TUtilsUCS4Reader::Reset() {
  InputStream_->Seek(ResetPosition_);
  if (Codec_) Codec_->ClearReadAhead();
  *Previous_ = Initial_;
  *Current_ = Initial_;
  *Next_ = Initial_;
  ReadNext();
}

bool TUtilsUCS4Reader::MatchString(const WideString& text) {
  for (char16_t unit : text) {
    Next();
    if (Current_->Character != unit) return false;
  }
  return true;
}

std::int64_t TUtilsUCS4Reader::SkipChars(std::u16string_view chars) {
  std::int64_t passed = 0;
  for (;;) {
    Next();
    const auto c = Current_->Character;
    if (c == kEndOfText || c > 0xFFFF || chars.find(static_cast<char16_t>(c)) == std::u16string_view::npos)
      return passed;
    ++passed;
  }
}
