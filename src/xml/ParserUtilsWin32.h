// Byte-order detection and the character reader: buffered byte streams over a caller's
// stream, the detection of a byte-order mark, and the reader that turns the bytes into code
// points with exact positions, one character of look-ahead and normalised line ends.
#pragma once

#include "platform/Exceptions.h"
#include "platform/Streams.h"
#include "platform/WideString.h"
#include "xml/XmlLocator.h"
#include "xml/cUnicodeCodecsWin32.h"

#include <cstdint>
#include <memory>
#include <string_view>

EARMARK_EXCEPTION(EParserUtilsException, Exception)

// A read buffer over a stream the caller owns. The wrapped stream is left exactly behind
// the bytes consumed when this object is destroyed.
class TUtilsCustomInputStream {
public:
  // Raises EParserUtilsException "Stream not specified." without a stream.
  TUtilsCustomInputStream(TStream* stream, std::int64_t bufferSize);
  virtual ~TUtilsCustomInputStream();
  TUtilsCustomInputStream(const TUtilsCustomInputStream&) = delete;
  TUtilsCustomInputStream& operator=(const TUtilsCustomInputStream&) = delete;

  // Bytes consumed since construction.
  virtual std::int64_t Position();
  // Reads exactly count bytes; false (and nothing copied) when fewer remain.
  virtual bool Read(void* buffer, std::int64_t count);
  // Moves to the initial position plus offset and empties the buffer.
  virtual void Seek(std::int64_t offset);
  // Gives buffered but unconsumed bytes back to the wrapped stream.
  virtual void Unread();

  std::int64_t BufferSize() const { return BufferSize_; }

  // Read with the common case, enough bytes in the buffer, served inline: this is on the
  // path of every character the reader decodes.
  bool ReadBuffered(void* buffer, std::int64_t count) {
    if (count == 1 && Unread_ > 0) {
      *static_cast<std::uint8_t*>(buffer) = Buffer_[static_cast<std::size_t>(ReadPos_++)];
      --Unread_;
      return true;
    }
    if (Unread_ >= count && count > 0) {
      const std::uint8_t* from = Buffer_.get() + ReadPos_;
      auto* to = static_cast<std::uint8_t*>(buffer);
      for (std::int64_t i = 0; i < count; ++i) to[i] = from[i];
      ReadPos_ += count;
      Unread_ -= count;
      return true;
    }
    return Read(buffer, count);
  }

  // The buffered bytes not consumed yet, for a caller that takes several at once.
  const std::uint8_t* PeekBuffered(std::int64_t& available) const {
    available = Unread_;
    return Buffer_.get() + ReadPos_;
  }
  void SkipBuffered(std::int64_t count) {
    ReadPos_ += count;
    Unread_ -= count;
  }

  // Takes the next byte when it is already buffered, below limit and not a CR: for the
  // encodings where such a byte stands for itself, the reader skips the codec for it.
  bool TakePlainByte(int limit, std::uint8_t& byte) {
    if (Unread_ <= 0) return false;
    const std::uint8_t b = Buffer_[static_cast<std::size_t>(ReadPos_)];
    if (b >= limit || b == 0x0D) return false;
    ++ReadPos_;
    --Unread_;
    byte = b;
    return true;
  }

protected:
  TStream* Stream_;
  std::int64_t InitialPosition_;

private:
  bool Refill();

  std::int64_t BufferSize_;
  std::unique_ptr<std::uint8_t[]> Buffer_;
  std::int64_t ReadPos_ = 0;
  std::int64_t Unread_ = 0;
};

// Detects a byte-order mark at construction and hides it: positions and seeks are relative
// to the first byte behind the mark.
class TUtilsCustomAutodetectInputStream : public TUtilsCustomInputStream {
public:
  // Raises EConvertError "Specified input encoding does not match byte order mark." when
  // the caller's UTF-16 or UCS-2 class contradicts the mark. Without `detectMark` the bytes
  // are text from the first on (a text already decoded, whose first character may be
  // U+FEFF), read with the caller's class.
  TUtilsCustomAutodetectInputStream(TStream* stream, TUnicodeCodecClass codecClass,
                                    std::int64_t bufferSize, bool detectMark = true);

  std::int64_t Position() override;
  void Seek(std::int64_t offset) override;
  virtual void SetCodec(TUnicodeCodecClass codecClass) { CodecClass_ = codecClass; }

  TUnicodeCodecClass CodecClass() const { return CodecClass_; }
  int ByteOrderMarkSize() const { return MarkSize_; }

private:
  int MarkSize_ = 0;
  TUnicodeCodecClass CodecClass_ = nullptr;
};

class TUtilsAutodetectInputStream : public TUtilsCustomAutodetectInputStream {
public:
  using TUtilsCustomAutodetectInputStream::TUtilsCustomAutodetectInputStream;
  virtual bool HasByteOrderMark() { return ByteOrderMarkSize() != 0; }
};

// The character reader: the current character, the one before it and one of look-ahead,
// each with its position record.
class TUtilsUCS4Reader {
public:
  TUtilsUCS4Reader(TStream* stream, TUnicodeCodecClass codecClass, std::int64_t bufferSize,
                   std::int64_t startByteCount = 0, std::int64_t startCharCount = 0,
                   std::int64_t startColumn = 0, std::int64_t startTabsInLine = 0,
                   std::int64_t startLine = 1, bool detectMark = true);
  virtual ~TUtilsUCS4Reader();
  TUtilsUCS4Reader(const TUtilsUCS4Reader&) = delete;
  TUtilsUCS4Reader& operator=(const TUtilsUCS4Reader&) = delete;

  virtual TUnicodeCodecClass CodecClass() const;
  virtual TUnicodeCodecClass DefaultCodecClass() const { return &TUTF8Codec::ClassInfo; }
  // The read callback of every codec this reader creates. A byte that stands for itself in
  // the current encoding (ASCII in UTF-8, the identity range of a single-byte code page) is
  // taken from the buffer without the codec and without this call.
  virtual bool ReadBytes(void* buffer, std::int64_t count);
  // Replaces the codec without moving the stream; a caller switching encodings sets the
  // reset position and calls Reset afterwards.
  virtual void SetCodecClass(TUnicodeCodecClass codecClass);
  virtual void SetResetPosition(std::int64_t position) { ResetPosition_ = position; }
  // Advances once per unit of text; true when every new current character matched.
  virtual bool MatchString(const WideString& text);
  virtual void Next();
  virtual void Reset();
  // Advances while the new current character is one of chars; gives how many were passed.
  virtual std::int64_t SkipChars(std::u16string_view chars);

  // The bulk form of "while the look-ahead is no stop: Next()", for UTF-8, UTF-16 and the
  // code pages: steps on while the characters read are one plain byte, one code-page byte, a
  // two-byte UTF-8 sequence, a UTF-16 unit outside the surrogates, a tab or a line end (LF,
  // CR LF or a lone CR, read as LF), up to and including the first one flagged in `stops`
  // (256 flags), which becomes the look-ahead. The end of the text is never part of a run.
  // The three records end exactly as single steps would leave them. The characters that
  // became current, the old look-ahead first, go to `out` (room for `room`); the answer is
  // how many, 0 when no bulk step is possible here (the caller then steps with Next()).
  std::int64_t AdvancePlainRun(const bool* stops, char16_t* out, std::int64_t room);

  // Whether CR LF and a lone CR are read as LF, as in a file (the default). An entity's
  // replacement text had its line ends read so when it was declared; a CR left in it comes
  // from a character reference and stays a CR. Changing it starts the text again.
  void SetReadLineBreaks(bool asLineFeed);

  bool IsEndOfText() const { return Current_->Character == kEndOfText; }
  bool HasByteOrderMark() const { return InputStream_->HasByteOrderMark(); }
  std::int64_t BufferSize() const { return InputStream_->BufferSize(); }
  // Bytes delivered as characters so far, relative to the first byte behind the mark. A
  // character held in the codec's read-ahead slot is not delivered yet, so its bytes are
  // not counted: a reset position computed from this never skips or repeats a character.
  std::int64_t StreamPosition() const;

  UCS4Char CurrentCharacter() const { return static_cast<UCS4Char>(Current_->Character); }
  const TPositionRecord& CurrentPosition() const { return *Current_; }
  const TPositionRecord& NextPosition() const { return *Next_; }
  const TPositionRecord& PreviousPosition() const { return *Previous_; }
  const TPositionRecord& InitialPosition() const { return Initial_; }
  void SetInitialPosition(const TPositionRecord& position) { Initial_ = position; }
  std::int64_t ResetPosition() const { return ResetPosition_; }
  int ByteOrderMarkSize() const { return InputStream_->ByteOrderMarkSize(); }
  TCustomUnicodeCodec* Codec() const { return Codec_.get(); }

private:
  void ReadNext();
  static bool ReadThunk(void* self, void* buffer, std::int64_t count);

  std::unique_ptr<TCustomUnicodeCodec> Codec_;
  // The previous, current and next records live in Records_ and rotate through it, so that
  // advancing copies one record instead of shifting three.
  TPositionRecord Records_[3];
  TPositionRecord* Current_ = &Records_[1];
  std::unique_ptr<TUtilsAutodetectInputStream> InputStream_;
  TPositionRecord Initial_;
  TPositionRecord* Next_ = &Records_[2];
  TPositionRecord* Previous_ = &Records_[0];
  std::uint8_t ReadLineBreakMode_ = 1;
  std::int64_t ResetPosition_ = 0;
  int PlainByteLimit_ = 0;  // bytes below this decode to themselves; 0: always ask the codec
  // For bulk runs: per byte, whether it is a character by itself (and which), the lead of a
  // two-byte UTF-8 sequence, or left to the codec.
  enum : std::uint8_t { kBulkNone, kBulkByte, kBulkPair, kBulkLineEnd };
  bool BulkReady_ = false;
  bool Utf8_ = false;
  std::uint8_t Utf16Order_ = 0;  // 1 UTF-16LE, 2 UTF-16BE, 0 neither
  std::uint8_t BulkKind_[256] = {};
  char16_t BulkChar_[256] = {};
};
