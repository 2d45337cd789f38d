// Character codecs: one class per character encoding the XML reader accepts, each turning
// bytes pulled through a read callback into code points (and back), plus the look-up from a
// declared encoding name to the class that handles it and the IANA character-set registry.
#pragma once

#include "platform/Component.h"
#include "platform/Exceptions.h"
#include "platform/WideString.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

using UCS4Char = std::uint32_t;

// The code the decoders give when no more bytes can be read. It lies above every code point
// and every value a decoder gives for bytes (UTF-8 and UCS-4 stop at 0x7FFFFFFF), so that no
// character of the text, U+009C included, can be taken for the end.
inline constexpr UCS4Char kEndOfText = 0xFFFFFFFF;
// The reader's current character before the first read.
inline constexpr UCS4Char kStartOfText = 0x98;

// Raised by the UCS-4 buffer decoders; carries the offset of the invalid value in the input.
class EUnicodeCodecException : public EConvertError {
public:
  EUnicodeCodecException(std::string message, std::int64_t offset)
      : EConvertError(std::move(message)), Offset(offset) {}
  const char* ClassName() const noexcept override { return "EUnicodeCodecException"; }
  std::int64_t Offset;
};

class TCustomUnicodeCodec;

// A codec class reference: what the pipeline stores and compares to choose an encoding, and
// what creates a codec of that class.
struct TUnicodeCodecClassInfo {
  const char* ClassName;
  std::unique_ptr<TCustomUnicodeCodec> (*Create)();
};
using TUnicodeCodecClass = const TUnicodeCodecClassInfo*;

std::unique_ptr<TCustomUnicodeCodec> CreateCodec(TUnicodeCodecClass codecClass);

// Reads exactly count bytes into buffer; true on success. The codec never touches a stream.
using TCodecReadFunc = bool (*)(void* context, void* buffer, std::int64_t count);
// Writes count bytes.
using TCodecWriteCallback = std::function<void(const void* buffer, std::int64_t count)>;

#define EARMARK_CODEC_CLASS(Name)                                                   \
public:                                                                             \
  static const TUnicodeCodecClassInfo ClassInfo;                                    \
  TUnicodeCodecClass ClassType() const override { return &ClassInfo; }

class TCustomUnicodeCodec {
public:
  virtual ~TCustomUnicodeCodec() = default;
  TCustomUnicodeCodec(const TCustomUnicodeCodec&) = delete;
  TCustomUnicodeCodec& operator=(const TCustomUnicodeCodec&) = delete;

  virtual void SetReadLineBreakMode(std::uint8_t mode) { ReadLineBreakMode = mode; }
  virtual void SetWriteLineBreakMode(std::uint8_t mode) { WriteLineBreakMode = mode; }
  // One character from the read callback: its code point and the bytes it took; kEndOfText
  // and 0 bytes when the callback cannot deliver the first byte.
  virtual UCS4Char DecodeChar(int& byteCount) = 0;
  // Encodes one code point through the write callback; gives the number of bytes written.
  virtual int EncodeChar(UCS4Char c) = 0;
  // slot 4 is the constructor (below)
  // Decodes bytes into at most outSizeInBytes / 2 UTF-16 units; gives the units produced
  // and, in bytesConsumed, how much of the input they took.
  virtual std::int64_t DecodeToUtf16(const std::uint8_t* in, std::int64_t inSize, char16_t* out,
                                     std::int64_t outSizeInBytes, std::int64_t& bytesConsumed) = 0;
  // Appends the encoding of count UTF-16 units to out; gives the units consumed.
  virtual std::int64_t EncodeFromUtf16(const char16_t* in, std::int64_t count, std::string& out) = 0;
  // Like EncodeChar, but an LF is written as the write line-break mode says.
  virtual int EncodeCharWithLineBreak(UCS4Char c);

  virtual TUnicodeCodecClass ClassType() const = 0;
  // The encoding's name as the codec's messages quote it.
  virtual const char* CodecName() const = 0;

  // One character with line-end normalisation: in read mode 1 CR LF and a lone CR both
  // give LF; the character after a lone CR waits in the read-ahead slot for the next call.
  UCS4Char ReadChar(int& byteCount) {
    PendingCrBytes_ = 0;
    UCS4Char c;
    if (ReadAheadFull_) {
      ReadAheadFull_ = false;
      c = ReadAheadChar_;
      byteCount = ReadAheadBytes_;
    } else {
      c = DecodeChar(byteCount);
    }
    if (c != 0x0D || ReadLineBreakMode == 0) return c;
    int more = 0;
    PendingCrBytes_ = byteCount;
    const UCS4Char after = DecodeChar(more);
    PendingCrBytes_ = 0;
    if (after == 0x0A) {
      byteCount += more;
    } else {
      ReadAheadFull_ = true;
      ReadAheadChar_ = after;
      ReadAheadBytes_ = more;
    }
    return 0x0A;
  }

  // Installing a different callback drops a character read ahead from the old source.
  void SetReadCallback(TCodecReadFunc func, void* context);
  void SetWriteCallback(TCodecWriteCallback callback) { WriteCallback_ = std::move(callback); }

  // The read-ahead slot must be emptied whenever the byte source is repositioned, or its
  // character would be delivered a second time.
  void ClearReadAhead() {
    ReadAheadFull_ = false;
    ReadAheadChar_ = 0;
    ReadAheadBytes_ = 0;
  }
  bool HasReadAhead() const { return ReadAheadFull_; }
  // When decoding the character after a CR failed: the bytes of that CR, which the failing
  // character follows; 0 otherwise. Lets a caller name the exact offset of the bad bytes.
  int PendingCrBytes() const { return PendingCrBytes_; }
  // Bytes already taken from the source but not yet delivered as a character.
  int ReadAheadByteCount() const { return ReadAheadFull_ ? ReadAheadBytes_ : 0; }

  std::uint8_t ErrorAction = 0;
  char16_t ReplacementCharacter = 0xFFFD;
  std::uint8_t ReadLineBreakMode = 0;
  std::uint8_t WriteLineBreakMode = 0;

protected:
  TCustomUnicodeCodec() = default;

  bool ReadBytes(void* buffer, std::int64_t count) {
    return ReadFunc_ != nullptr && ReadFunc_(ReadContext_, buffer, count);
  }
  void WriteBytes(const void* buffer, std::int64_t count);

private:
  TCodecReadFunc ReadFunc_ = nullptr;
  void* ReadContext_ = nullptr;
  TCodecWriteCallback WriteCallback_;
  bool ReadAheadFull_ = false;
  UCS4Char ReadAheadChar_ = 0;
  int ReadAheadBytes_ = 0;
  int PendingCrBytes_ = 0;
};

// The single-byte encodings: decoding is one table look-up per byte.
class TCustomSingleByteCodec : public TCustomUnicodeCodec {
public:
  UCS4Char DecodeChar(int& byteCount) override;
  int EncodeChar(UCS4Char c) override;
  std::int64_t DecodeToUtf16(const std::uint8_t* in, std::int64_t inSize, char16_t* out,
                             std::int64_t outSizeInBytes, std::int64_t& bytesConsumed) override;
  std::int64_t EncodeFromUtf16(const char16_t* in, std::int64_t count, std::string& out) override;

  virtual char16_t ByteToUtf16(std::uint8_t b) const { return Table_[b]; }
  // Raises EConvertError when the code page has no byte for the unit.
  virtual std::uint8_t Utf16ToByte(char16_t unit) const;
  virtual UCS4Char ByteToCodePoint(std::uint8_t b) const { return ByteToUtf16(b); }
  virtual std::uint8_t CodePointToByte(UCS4Char c) const;

  const char* CodecName() const override { return Name_; }
  // Bytes below this value stand for themselves.
  int IdentityThreshold() const { return Threshold_; }
  const char16_t* Table() const { return Table_; }

protected:
  TCustomSingleByteCodec(const char16_t* table, int threshold, const char* name)
      : Table_(table), Threshold_(threshold), Name_(name) {}

private:
  const char16_t* Table_;
  int Threshold_;
  const char* Name_;
};

#define EARMARK_SINGLE_BYTE_CODEC(Name)                                             \
  class Name : public TCustomSingleByteCodec {                                      \
    EARMARK_CODEC_CLASS(Name)                                                       \
    Name();                                                                         \
  };

// US-ASCII decodes only bytes 0x00 to 0x7F; a higher byte is an error, not a character.
class TUSASCIICodec : public TCustomSingleByteCodec {
  EARMARK_CODEC_CLASS(TUSASCIICodec)
  TUSASCIICodec();
  UCS4Char DecodeChar(int& byteCount) override;
  std::int64_t DecodeToUtf16(const std::uint8_t* in, std::int64_t inSize, char16_t* out,
                             std::int64_t outSizeInBytes, std::int64_t& bytesConsumed) override;
  char16_t ByteToUtf16(std::uint8_t b) const override;
};

EARMARK_SINGLE_BYTE_CODEC(TISO8859_1Codec)
EARMARK_SINGLE_BYTE_CODEC(TISO8859_2Codec)
EARMARK_SINGLE_BYTE_CODEC(TISO8859_3Codec)
EARMARK_SINGLE_BYTE_CODEC(TISO8859_4Codec)
EARMARK_SINGLE_BYTE_CODEC(TISO8859_5Codec)
EARMARK_SINGLE_BYTE_CODEC(TISO8859_6Codec)
EARMARK_SINGLE_BYTE_CODEC(TISO8859_7Codec)
EARMARK_SINGLE_BYTE_CODEC(TISO8859_8Codec)
EARMARK_SINGLE_BYTE_CODEC(TISO8859_9Codec)
EARMARK_SINGLE_BYTE_CODEC(TISO8859_10Codec)
EARMARK_SINGLE_BYTE_CODEC(TISO8859_13Codec)
EARMARK_SINGLE_BYTE_CODEC(TISO8859_14Codec)
EARMARK_SINGLE_BYTE_CODEC(TISO8859_15Codec)
EARMARK_SINGLE_BYTE_CODEC(TJIS_X0201Codec)
EARMARK_SINGLE_BYTE_CODEC(TIBM037Codec)
EARMARK_SINGLE_BYTE_CODEC(TIBM424Codec)
EARMARK_SINGLE_BYTE_CODEC(TIBM500Codec)
EARMARK_SINGLE_BYTE_CODEC(TIBM1026Codec)
EARMARK_SINGLE_BYTE_CODEC(TIBM437Codec)
EARMARK_SINGLE_BYTE_CODEC(TIBM850Codec)
EARMARK_SINGLE_BYTE_CODEC(TIBM852Codec)
EARMARK_SINGLE_BYTE_CODEC(TIBM855Codec)
EARMARK_SINGLE_BYTE_CODEC(TIBM857Codec)
EARMARK_SINGLE_BYTE_CODEC(TIBM860Codec)
EARMARK_SINGLE_BYTE_CODEC(TIBM861Codec)
EARMARK_SINGLE_BYTE_CODEC(TIBM862Codec)
EARMARK_SINGLE_BYTE_CODEC(TIBM863Codec)
EARMARK_SINGLE_BYTE_CODEC(TIBM864Codec)
EARMARK_SINGLE_BYTE_CODEC(TIBM865Codec)
EARMARK_SINGLE_BYTE_CODEC(TIBM866Codec)
EARMARK_SINGLE_BYTE_CODEC(TIBM869Codec)
EARMARK_SINGLE_BYTE_CODEC(TWindows1250Codec)
EARMARK_SINGLE_BYTE_CODEC(TWindows1251Codec)
EARMARK_SINGLE_BYTE_CODEC(TWindows1252Codec)
EARMARK_SINGLE_BYTE_CODEC(TWindows1253Codec)
EARMARK_SINGLE_BYTE_CODEC(TWindows1254Codec)
EARMARK_SINGLE_BYTE_CODEC(TWindows1255Codec)
EARMARK_SINGLE_BYTE_CODEC(TWindows1256Codec)
EARMARK_SINGLE_BYTE_CODEC(TWindows1257Codec)
EARMARK_SINGLE_BYTE_CODEC(TWindows1258Codec)
EARMARK_SINGLE_BYTE_CODEC(TKOI8_RCodec)
EARMARK_SINGLE_BYTE_CODEC(TMacLatin2Codec)
EARMARK_SINGLE_BYTE_CODEC(TMacRomanCodec)
EARMARK_SINGLE_BYTE_CODEC(TMacCyrillicCodec)
EARMARK_SINGLE_BYTE_CODEC(TEBCDIC_USCodec)

class TUTF8Codec : public TCustomUnicodeCodec {
  EARMARK_CODEC_CLASS(TUTF8Codec)
  TUTF8Codec() = default;
  UCS4Char DecodeChar(int& byteCount) override;
  int EncodeChar(UCS4Char c) override;
  std::int64_t DecodeToUtf16(const std::uint8_t* in, std::int64_t inSize, char16_t* out,
                             std::int64_t outSizeInBytes, std::int64_t& bytesConsumed) override;
  // A surrogate pair becomes one 4-byte sequence; a lone surrogate raises.
  std::int64_t EncodeFromUtf16(const char16_t* in, std::int64_t count, std::string& out) override;
  const char* CodecName() const override { return "UTF-8"; }
};

// UTF-16 in either byte order; the two classes differ only in that.
class TCustomUTF16Codec : public TCustomUnicodeCodec {
public:
  UCS4Char DecodeChar(int& byteCount) override;
  int EncodeChar(UCS4Char c) override;
  std::int64_t DecodeToUtf16(const std::uint8_t* in, std::int64_t inSize, char16_t* out,
                             std::int64_t outSizeInBytes, std::int64_t& bytesConsumed) override;
  std::int64_t EncodeFromUtf16(const char16_t* in, std::int64_t count, std::string& out) override;

protected:
  explicit TCustomUTF16Codec(bool bigEndian) : BigEndian_(bigEndian) {}

private:
  char16_t Unit(const std::uint8_t* p) const {
    return BigEndian_ ? static_cast<char16_t>(p[0] << 8 | p[1])
                      : static_cast<char16_t>(p[1] << 8 | p[0]);
  }
  void PutUnit(char16_t u, std::uint8_t* p) const;
  bool BigEndian_;
};

class TUTF16BECodec : public TCustomUTF16Codec {
  EARMARK_CODEC_CLASS(TUTF16BECodec)
  TUTF16BECodec() : TCustomUTF16Codec(true) {}
  const char* CodecName() const override { return "UTF-16BE"; }
};

class TUTF16LECodec : public TCustomUTF16Codec {
  EARMARK_CODEC_CLASS(TUTF16LECodec)
  TUTF16LECodec() : TCustomUTF16Codec(false) {}
  const char* CodecName() const override { return "UTF-16LE"; }
};

// UCS-2, big-endian: two bytes per character, no surrogates.
class TUCS2Codec : public TCustomUnicodeCodec {
  EARMARK_CODEC_CLASS(TUCS2Codec)
  TUCS2Codec() = default;
  UCS4Char DecodeChar(int& byteCount) override;
  int EncodeChar(UCS4Char c) override;
  std::int64_t DecodeToUtf16(const std::uint8_t* in, std::int64_t inSize, char16_t* out,
                             std::int64_t outSizeInBytes, std::int64_t& bytesConsumed) override;
  std::int64_t EncodeFromUtf16(const char16_t* in, std::int64_t count, std::string& out) override;
  const char* CodecName() const override { return "UCS-2"; }
};

// UCS-4 in one of the four byte orders; order[i] is the significance (0 = most) of byte i.
class TCustomUCS4Codec : public TCustomUnicodeCodec {
public:
  UCS4Char DecodeChar(int& byteCount) override;
  int EncodeChar(UCS4Char c) override;
  std::int64_t DecodeToUtf16(const std::uint8_t* in, std::int64_t inSize, char16_t* out,
                             std::int64_t outSizeInBytes, std::int64_t& bytesConsumed) override;
  std::int64_t EncodeFromUtf16(const char16_t* in, std::int64_t count, std::string& out) override;

protected:
  TCustomUCS4Codec(int b0, int b1, int b2, int b3) : Order_{b0, b1, b2, b3} {}

private:
  UCS4Char Assemble(const std::uint8_t* p) const;
  void Disassemble(UCS4Char c, std::uint8_t* p) const;
  int Order_[4];
};

class TUCS4BECodec : public TCustomUCS4Codec {
  EARMARK_CODEC_CLASS(TUCS4BECodec)
  TUCS4BECodec() : TCustomUCS4Codec(0, 1, 2, 3) {}
  const char* CodecName() const override { return "UCS-4BE"; }
};

class TUCS4LECodec : public TCustomUCS4Codec {
  EARMARK_CODEC_CLASS(TUCS4LECodec)
  TUCS4LECodec() : TCustomUCS4Codec(3, 2, 1, 0) {}
  const char* CodecName() const override { return "UCS-4LE"; }
};

class TUCS4_2143Codec : public TCustomUCS4Codec {
  EARMARK_CODEC_CLASS(TUCS4_2143Codec)
  TUCS4_2143Codec() : TCustomUCS4Codec(1, 0, 3, 2) {}
  const char* CodecName() const override { return "UCS-4_2143"; }
};

class TUCS4_3412Codec : public TCustomUCS4Codec {
  EARMARK_CODEC_CLASS(TUCS4_3412Codec)
  TUCS4_3412Codec() : TCustomUCS4Codec(2, 3, 0, 1) {}
  const char* CodecName() const override { return "UCS-4_3412"; }
};

// The IANA character-set registry: MIB numbers with their names and aliases.
class TCSMIB : public TComponent {
public:
  using TChangingEvent = std::function<void(TCSMIB* sender, int newEnum, bool& allowChange)>;
  using TNotifyEvent = std::function<void(TCSMIB* sender)>;

  explicit TCSMIB(TComponent* owner = nullptr);
  const char* ClassName() const override { return "TCSMIB"; }

  int Enum() const { return Enum_; }
  // Raises Exception "Invalid MIB number" for a number outside the registry unless
  // IgnoreInvalidEnum is set; then nothing changes.
  void SetEnum(int value);
  bool IgnoreInvalidEnum = false;
  TNotifyEvent OnChange;
  TChangingEvent OnChanging;

  int GetAliasCount() const;
  // Index 0 is the registry name; an index out of range gives the empty string.
  std::string GetAlias(int index) const;
  std::string GetPreferredMIMEName() const;
  static bool IsValidEnum(int value);
  // Walks the registry in ascending order until an alias matches the name (ASCII case
  // folding); on a match Enum stays there, otherwise it returns to its earlier value.
  bool SetToAlias(const std::string& alias);

private:
  int Enum_ = 3;
};

// The codec class of a declared encoding name, or nullptr.
TUnicodeCodecClass FindCodecClassByName(const std::string& name);
// The first alias-table name of the class's group; empty for a class without a group.
std::string EncodingNameOfCodecClass(TUnicodeCodecClass codecClass);
// Encodes the whole string with a codec of the class; empty when no class is given.
std::string EncodeWideString(TUnicodeCodecClass codecClass, const WideString& text);
// The codec class that a registry MIB number selects, or nullptr.
TUnicodeCodecClass CodecClassOfMIB(int mib);

inline bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
inline bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }
inline char16_t HighSurrogate(UCS4Char c) { return static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)); }
inline char16_t LowSurrogate(UCS4Char c) { return static_cast<char16_t>(0xDC00 + (c & 0x3FF)); }
inline UCS4Char SurrogatePairToCodePoint(char16_t high, char16_t low) {
  return (static_cast<UCS4Char>(high) - 0xD800) * 0x400 + (static_cast<UCS4Char>(low) - 0xDC00) + 0x10000;
}
