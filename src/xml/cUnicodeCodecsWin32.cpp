#include "xml/cUnicodeCodecsWin32.h"

#include "platform/Format.h"
#include "xml/XmlRulesUtils.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

#include "xml/CodePageTables.inc"

// "%x" and "%8.8X" of the program's messages: upper-case hexadecimal.
std::string Hex(std::uint64_t value, int width = 0) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%0*llX", width, static_cast<unsigned long long>(value));
  return buffer;
}

[[noreturn]] void RaiseInvalidEncoding(const char* name) {
  throw EConvertError(Format("Invalid %s encoding", {std::string(name)}));
}

[[noreturn]] void RaiseNotValidCodePoint(std::uint64_t value, const char* name) {
  throw EConvertError(Format("$%s is not a valid %s code point", {Hex(value), std::string(name)}));
}

[[noreturn]] void RaiseOutOfRange(const char* name) {
  throw EConvertError(Format("%s encoding out of range", {std::string(name)}));
}

std::string SurrogateMessage(std::uint64_t value, const char* name) {
  return Format(
      "Surrogate value $%s found in %s. Values between $D800 and $DFFF are reserved for use with UTF-16",
      {Hex(value), std::string(name)});
}

std::string CannotConvertMessage(std::uint64_t value, const char* name) {
  return Format("Cannot convert $%s to %s", {Hex(value, 8), std::string(name)});
}

bool IsSurrogateValue(UCS4Char c) { return c >= 0xD800 && c <= 0xDFFF; }

}  // namespace

std::unique_ptr<TCustomUnicodeCodec> CreateCodec(TUnicodeCodecClass codecClass) {
  return codecClass != nullptr ? codecClass->Create() : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Base

void TCustomUnicodeCodec::SetReadCallback(TCodecReadFunc func, void* context) {
  if (func != ReadFunc_ || context != ReadContext_) ClearReadAhead();
  ReadFunc_ = func;
  ReadContext_ = context;
}

void TCustomUnicodeCodec::WriteBytes(const void* buffer, std::int64_t count) {
  if (WriteCallback_) WriteCallback_(buffer, count);
}

int TCustomUnicodeCodec::EncodeCharWithLineBreak(UCS4Char c) {
  if (c != 0x0A) return EncodeChar(c);
  switch (WriteLineBreakMode) {
    case 1: return EncodeChar(0x0D);
    case 2: {
      const int cr = EncodeChar(0x0D);
      return cr + EncodeChar(0x0A);
    }
    default: return EncodeChar(0x0A);
  }
}

// ---------------------------------------------------------------------------------------------
// Single-byte codecs

UCS4Char TCustomSingleByteCodec::DecodeChar(int& byteCount) {
  std::uint8_t b;
  if (!ReadBytes(&b, 1)) {
    byteCount = 0;
    return kEndOfText;
  }
  byteCount = 1;
  return Table_[b];
}

std::uint8_t TCustomSingleByteCodec::Utf16ToByte(char16_t unit) const {
  if (unit < Threshold_) return static_cast<std::uint8_t>(unit);
  if (unit != 0xFFFF) {
    for (int b = 0; b < 256; ++b)
      if (Table_[b] == unit) return static_cast<std::uint8_t>(b);
  }
  throw EConvertError(Format("Unicode code point $%s has no equivalent in %s",
                             {Hex(unit), std::string(CodecName())}));
}

std::uint8_t TCustomSingleByteCodec::CodePointToByte(UCS4Char c) const {
  if (c >= 0x10000) RaiseNotValidCodePoint(c, CodecName());
  return Utf16ToByte(static_cast<char16_t>(c));
}

int TCustomSingleByteCodec::EncodeChar(UCS4Char c) {
  const std::uint8_t b = CodePointToByte(c);
  WriteBytes(&b, 1);
  return 1;
}

std::int64_t TCustomSingleByteCodec::DecodeToUtf16(const std::uint8_t* in, std::int64_t inSize,
                                                   char16_t* out, std::int64_t outSizeInBytes,
                                                   std::int64_t& bytesConsumed) {
  const std::int64_t n = std::min(inSize, outSizeInBytes / 2);
  for (std::int64_t i = 0; i < n; ++i) out[i] = Table_[in[i]];
  bytesConsumed = n;
  return n;
}

std::int64_t TCustomSingleByteCodec::EncodeFromUtf16(const char16_t* in, std::int64_t count,
                                                     std::string& out) {
  out.reserve(out.size() + static_cast<std::size_t>(count));
  for (std::int64_t i = 0; i < count; ++i) out.push_back(static_cast<char>(Utf16ToByte(in[i])));
  return count;
}

TUSASCIICodec::TUSASCIICodec() : TCustomSingleByteCodec(kTable_USASCII, 0x80, "US-ASCII") {}

char16_t TUSASCIICodec::ByteToUtf16(std::uint8_t b) const {
  if (b > 0x7F) RaiseNotValidCodePoint(b, "US-ASCII");
  return b;
}

UCS4Char TUSASCIICodec::DecodeChar(int& byteCount) {
  std::uint8_t b;
  if (!ReadBytes(&b, 1)) {
    byteCount = 0;
    return kEndOfText;
  }
  if (b > 0x7F) RaiseNotValidCodePoint(b, "US-ASCII");
  byteCount = 1;
  return b;
}

std::int64_t TUSASCIICodec::DecodeToUtf16(const std::uint8_t* in, std::int64_t inSize,
                                          char16_t* out, std::int64_t outSizeInBytes,
                                          std::int64_t& bytesConsumed) {
  const std::int64_t n = std::min(inSize, outSizeInBytes / 2);
  for (std::int64_t i = 0; i < n; ++i) out[i] = ByteToUtf16(in[i]);
  bytesConsumed = n;
  return n;
}

#define EARMARK_DEFINE_SINGLE_BYTE(Name, Table, Threshold, Text) \
  Name::Name() : TCustomSingleByteCodec(Table, Threshold, Text) {}

EARMARK_DEFINE_SINGLE_BYTE(TISO8859_1Codec, kTable_ISO8859_1, 0x100, "ISO-8859-1")
EARMARK_DEFINE_SINGLE_BYTE(TISO8859_2Codec, kTable_ISO8859_2, 0xA0, "ISO-8859-2")
EARMARK_DEFINE_SINGLE_BYTE(TISO8859_3Codec, kTable_ISO8859_3, 0xA0, "ISO-8859-3")
EARMARK_DEFINE_SINGLE_BYTE(TISO8859_4Codec, kTable_ISO8859_4, 0xA0, "ISO-8859-4")
EARMARK_DEFINE_SINGLE_BYTE(TISO8859_5Codec, kTable_ISO8859_5, 0xA0, "ISO-8859-5")
EARMARK_DEFINE_SINGLE_BYTE(TISO8859_6Codec, kTable_ISO8859_6, 0xA0, "ISO-8859-6")
EARMARK_DEFINE_SINGLE_BYTE(TISO8859_7Codec, kTable_ISO8859_7, 0xA0, "ISO-8859-7")
EARMARK_DEFINE_SINGLE_BYTE(TISO8859_8Codec, kTable_ISO8859_8, 0xA0, "ISO-8859-8")
EARMARK_DEFINE_SINGLE_BYTE(TISO8859_9Codec, kTable_ISO8859_9, 0xA0, "ISO-8859-9")
EARMARK_DEFINE_SINGLE_BYTE(TISO8859_10Codec, kTable_ISO8859_10, 0xA0, "ISO-8859-10")
EARMARK_DEFINE_SINGLE_BYTE(TISO8859_13Codec, kTable_ISO8859_13, 0xA0, "ISO-8859-13")
EARMARK_DEFINE_SINGLE_BYTE(TISO8859_14Codec, kTable_ISO8859_14, 0xA0, "ISO-8859-14")
EARMARK_DEFINE_SINGLE_BYTE(TISO8859_15Codec, kTable_ISO8859_15, 0xA0, "ISO-8859-15")
EARMARK_DEFINE_SINGLE_BYTE(TJIS_X0201Codec, kTable_JIS_X0201, 0, "JIS_X0201")
EARMARK_DEFINE_SINGLE_BYTE(TIBM037Codec, kTable_IBM037, 0, "IBM037")
EARMARK_DEFINE_SINGLE_BYTE(TIBM424Codec, kTable_IBM424, 0, "IBM424")
EARMARK_DEFINE_SINGLE_BYTE(TIBM500Codec, kTable_IBM500, 0, "IBM500")
EARMARK_DEFINE_SINGLE_BYTE(TIBM1026Codec, kTable_IBM1026, 0, "IBM1026")
EARMARK_DEFINE_SINGLE_BYTE(TIBM437Codec, kTable_IBM437, 0x80, "IBM437")
EARMARK_DEFINE_SINGLE_BYTE(TIBM850Codec, kTable_IBM850, 0x80, "IBM850")
EARMARK_DEFINE_SINGLE_BYTE(TIBM852Codec, kTable_IBM852, 0x80, "IBM852")
EARMARK_DEFINE_SINGLE_BYTE(TIBM855Codec, kTable_IBM855, 0x80, "IBM855")
EARMARK_DEFINE_SINGLE_BYTE(TIBM857Codec, kTable_IBM857, 0x80, "IBM857")
EARMARK_DEFINE_SINGLE_BYTE(TIBM860Codec, kTable_IBM860, 0x80, "IBM860")
EARMARK_DEFINE_SINGLE_BYTE(TIBM861Codec, kTable_IBM861, 0x80, "IBM861")
EARMARK_DEFINE_SINGLE_BYTE(TIBM862Codec, kTable_IBM862, 0x80, "IBM862")
EARMARK_DEFINE_SINGLE_BYTE(TIBM863Codec, kTable_IBM863, 0x80, "IBM863")
// Code page 864 puts the Arabic percent sign at 0x25, so its identity range ends there.
EARMARK_DEFINE_SINGLE_BYTE(TIBM864Codec, kTable_IBM864, 0x25, "IBM864")
EARMARK_DEFINE_SINGLE_BYTE(TIBM865Codec, kTable_IBM865, 0x80, "IBM865")
EARMARK_DEFINE_SINGLE_BYTE(TIBM866Codec, kTable_IBM866, 0x80, "IBM866")
EARMARK_DEFINE_SINGLE_BYTE(TIBM869Codec, kTable_IBM869, 0x80, "IBM869")
EARMARK_DEFINE_SINGLE_BYTE(TWindows1250Codec, kTable_Windows1250, 0x80, "Windows-1250")
EARMARK_DEFINE_SINGLE_BYTE(TWindows1251Codec, kTable_Windows1251, 0x80, "Windows-1251")
EARMARK_DEFINE_SINGLE_BYTE(TWindows1252Codec, kTable_Windows1252, 0x80, "Windows-1252")
EARMARK_DEFINE_SINGLE_BYTE(TWindows1253Codec, kTable_Windows1253, 0x80, "Windows-1253")
EARMARK_DEFINE_SINGLE_BYTE(TWindows1254Codec, kTable_Windows1254, 0x80, "Windows-1254")
EARMARK_DEFINE_SINGLE_BYTE(TWindows1255Codec, kTable_Windows1255, 0x80, "Windows-1255")
EARMARK_DEFINE_SINGLE_BYTE(TWindows1256Codec, kTable_Windows1256, 0x80, "Windows-1256")
EARMARK_DEFINE_SINGLE_BYTE(TWindows1257Codec, kTable_Windows1257, 0x80, "Windows-1257")
EARMARK_DEFINE_SINGLE_BYTE(TWindows1258Codec, kTable_Windows1258, 0x80, "Windows-1258")
EARMARK_DEFINE_SINGLE_BYTE(TKOI8_RCodec, kTable_KOI8_R, 0x80, "KOI8-R")
EARMARK_DEFINE_SINGLE_BYTE(TMacLatin2Codec, kTable_MacLatin2, 0x80, "MacLatin2")
EARMARK_DEFINE_SINGLE_BYTE(TMacRomanCodec, kTable_MacRoman, 0x80, "MacRoman")
EARMARK_DEFINE_SINGLE_BYTE(TMacCyrillicCodec, kTable_MacCyrillic, 0x80, "MacCyrillic")
EARMARK_DEFINE_SINGLE_BYTE(TEBCDIC_USCodec, kTable_EBCDIC_US, 0, "EBCDIC-US")

// ---------------------------------------------------------------------------------------------
// UTF-8

namespace {
constexpr UCS4Char kUtf8Payload[7] = {0, 0x7F, 0x7FF, 0xFFFF, 0x1FFFFF, 0x3FFFFFF, 0x7FFFFFFF};
}  // namespace

UCS4Char TUTF8Codec::DecodeChar(int& byteCount) {
  std::uint8_t first;
  if (!ReadBytes(&first, 1)) {
    byteCount = 0;
    return kEndOfText;
  }
  if (first < 0x80) {
    byteCount = 1;
    return first;
  }
  if ((first & 0xC0) != 0xC0) RaiseInvalidEncoding("UTF-8");
  std::uint64_t v = first;
  int n = 1;
  for (unsigned m = 0x40; (first & m) != 0; m >>= 1) {
    std::uint8_t b;
    if (!ReadBytes(&b, 1) || (b & 0xC0) != 0x80) RaiseInvalidEncoding("UTF-8");
    v = (v << 6) | (b & 0x3F);
    ++n;
  }
  if (n > 6) RaiseInvalidEncoding("UTF-8");
  const UCS4Char value = static_cast<UCS4Char>(v & kUtf8Payload[n]);
  if (value <= kUtf8Payload[n - 1]) RaiseInvalidEncoding("UTF-8");  // overlong form
  byteCount = n;
  return value;
}

namespace {
// The standard UTF-8 layout of a value up to 0x1FFFFF; gives the number of bytes.
int PutUtf8(UCS4Char c, std::uint8_t* p) {
  if (c < 0x80) {
    p[0] = static_cast<std::uint8_t>(c);
    return 1;
  }
  if (c < 0x800) {
    p[0] = static_cast<std::uint8_t>(0xC0 | (c >> 6));
    p[1] = static_cast<std::uint8_t>(0x80 | (c & 0x3F));
    return 2;
  }
  if (c < 0x10000) {
    p[0] = static_cast<std::uint8_t>(0xE0 | (c >> 12));
    p[1] = static_cast<std::uint8_t>(0x80 | ((c >> 6) & 0x3F));
    p[2] = static_cast<std::uint8_t>(0x80 | (c & 0x3F));
    return 3;
  }
  p[0] = static_cast<std::uint8_t>(0xF0 | (c >> 18));
  p[1] = static_cast<std::uint8_t>(0x80 | ((c >> 12) & 0x3F));
  p[2] = static_cast<std::uint8_t>(0x80 | ((c >> 6) & 0x3F));
  p[3] = static_cast<std::uint8_t>(0x80 | (c & 0x3F));
  return 4;
}
}  // namespace

int TUTF8Codec::EncodeChar(UCS4Char c) {
  if (c > 0x1FFFFF) RaiseNotValidCodePoint(c, "Unicode");
  std::uint8_t bytes[4];
  const int n = PutUtf8(c, bytes);
  WriteBytes(bytes, n);
  return n;
}

std::int64_t TUTF8Codec::DecodeToUtf16(const std::uint8_t* in, std::int64_t inSize, char16_t* out,
                                       std::int64_t outSizeInBytes, std::int64_t& bytesConsumed) {
  const std::int64_t outUnits = outSizeInBytes / 2;
  std::int64_t i = 0;
  std::int64_t produced = 0;
  while (i < inSize && produced < outUnits) {
    const std::uint8_t first = in[i];
    if (first < 0x80) {
      out[produced++] = first;
      ++i;
      continue;
    }
    if ((first & 0xC0) != 0xC0) RaiseInvalidEncoding("UTF-8");
    int n = 1;
    for (unsigned m = 0x40; (first & m) != 0; m >>= 1) ++n;
    if (n > 6) RaiseInvalidEncoding("UTF-8");
    // An incomplete sequence at the end of the buffer waits for the caller's next buffer.
    std::int64_t avail = std::min<std::int64_t>(n, inSize - i);
    std::uint64_t v = first;
    for (std::int64_t k = 1; k < avail; ++k) {
      if ((in[i + k] & 0xC0) != 0x80) RaiseInvalidEncoding("UTF-8");
      v = (v << 6) | (in[i + k] & 0x3F);
    }
    if (avail < n) break;
    const UCS4Char value = static_cast<UCS4Char>(v & kUtf8Payload[n]);
    if (value <= kUtf8Payload[n - 1]) RaiseInvalidEncoding("UTF-8");
    if (IsSurrogateValue(value)) throw EConvertError(Format("UTF-8 error %d", {std::int64_t{1}}));
    if (value > 0x10FFFF) RaiseOutOfRange("UTF-8");
    if (value >= 0x10000) {
      // A character beyond the BMP needs two units; stop cleanly when only one fits.
      if (produced + 2 > outUnits) break;
      produced += static_cast<std::int64_t>(XmlUtf16::Encode(value, out + produced));
    } else {
      out[produced++] = static_cast<char16_t>(value);
    }
    i += n;
  }
  bytesConsumed = i;
  return produced;
}

std::int64_t TUTF8Codec::EncodeFromUtf16(const char16_t* in, std::int64_t count, std::string& out) {
  out.reserve(out.size() + static_cast<std::size_t>(count) * 3);
  std::uint8_t bytes[4];
  for (std::int64_t i = 0; i < count; ++i) {
    UCS4Char c = in[i];
    if (XmlChars::HighSurrogate(in[i]) && i + 1 < count && XmlChars::LowSurrogate(in[i + 1])) {
      c = XmlUtf16::Decode(in[i], in[i + 1]);
      ++i;
    } else if (IsSurrogateValue(c)) {
      RaiseNotValidCodePoint(c, "Unicode");
    }
    const int n = PutUtf8(c, bytes);
    out.append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(n));
  }
  return count;
}

// ---------------------------------------------------------------------------------------------
// UTF-16

void TCustomUTF16Codec::PutUnit(char16_t u, std::uint8_t* p) const {
  const auto hi = static_cast<std::uint8_t>(u >> 8);
  const auto lo = static_cast<std::uint8_t>(u & 0xFF);
  if (BigEndian_) {
    p[0] = hi;
    p[1] = lo;
  } else {
    p[0] = lo;
    p[1] = hi;
  }
}

UCS4Char TCustomUTF16Codec::DecodeChar(int& byteCount) {
  std::uint8_t b[2];
  if (!ReadBytes(b, 2)) {
    byteCount = 0;
    return kEndOfText;
  }
  const char16_t unit = Unit(b);
  if (XmlChars::LowSurrogate(unit)) RaiseInvalidEncoding(CodecName());
  if (XmlChars::HighSurrogate(unit)) {
    if (!ReadBytes(b, 2)) RaiseInvalidEncoding(CodecName());
    const char16_t low = Unit(b);
    if (!XmlChars::LowSurrogate(low)) RaiseInvalidEncoding(CodecName());
    byteCount = 4;
    return XmlUtf16::Decode(unit, low);
  }
  byteCount = 2;
  return unit;
}

int TCustomUTF16Codec::EncodeChar(UCS4Char c) {
  if (IsSurrogateValue(c)) RaiseNotValidCodePoint(c, "UCS-4");
  if (c > 0x10FFFF) throw EConvertError(CannotConvertMessage(c, CodecName()));
  char16_t units[2];
  const std::size_t count = XmlUtf16::Encode(c, units);
  std::uint8_t bytes[4];
  for (std::size_t k = 0; k < count; ++k) PutUnit(units[k], bytes + 2 * k);
  const int n = static_cast<int>(2 * count);
  WriteBytes(bytes, n);
  return n;
}

std::int64_t TCustomUTF16Codec::DecodeToUtf16(const std::uint8_t* in, std::int64_t inSize,
                                              char16_t* out, std::int64_t outSizeInBytes,
                                              std::int64_t& bytesConsumed) {
  const std::int64_t n = std::min(inSize / 2, outSizeInBytes / 2);
  for (std::int64_t i = 0; i < n; ++i) out[i] = Unit(in + 2 * i);
  bytesConsumed = n * 2;
  return n;
}

std::int64_t TCustomUTF16Codec::EncodeFromUtf16(const char16_t* in, std::int64_t count,
                                                std::string& out) {
  out.reserve(out.size() + static_cast<std::size_t>(count) * 2);
  std::uint8_t bytes[2];
  for (std::int64_t i = 0; i < count; ++i) {
    PutUnit(in[i], bytes);
    out.append(reinterpret_cast<const char*>(bytes), 2);
  }
  return count;
}

// ---------------------------------------------------------------------------------------------
// UCS-2

UCS4Char TUCS2Codec::DecodeChar(int& byteCount) {
  std::uint8_t b[2];
  if (!ReadBytes(b, 2)) {
    byteCount = 0;
    return kEndOfText;
  }
  const UCS4Char c = static_cast<UCS4Char>(b[0] << 8 | b[1]);
  if (IsSurrogateValue(c)) throw EConvertError(SurrogateMessage(c, "UCS-2"));
  byteCount = 2;
  return c;
}

int TUCS2Codec::EncodeChar(UCS4Char c) {
  if (c > 0xFFFF) RaiseOutOfRange("UCS-2");
  if (IsSurrogateValue(c)) throw EConvertError(SurrogateMessage(c, "UCS-2"));
  const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(c >> 8), static_cast<std::uint8_t>(c & 0xFF)};
  WriteBytes(bytes, 2);
  return 2;
}

std::int64_t TUCS2Codec::DecodeToUtf16(const std::uint8_t* in, std::int64_t inSize, char16_t* out,
                                       std::int64_t outSizeInBytes, std::int64_t& bytesConsumed) {
  const std::int64_t n = std::min(inSize / 2, outSizeInBytes / 2);
  for (std::int64_t i = 0; i < n; ++i) {
    const auto unit = static_cast<char16_t>(in[2 * i] << 8 | in[2 * i + 1]);
    if (IsSurrogateValue(unit)) throw EConvertError(SurrogateMessage(unit, "UCS-2"));
    out[i] = unit;
  }
  bytesConsumed = n * 2;
  return n;
}

std::int64_t TUCS2Codec::EncodeFromUtf16(const char16_t* in, std::int64_t count, std::string& out) {
  for (std::int64_t i = 0; i < count; ++i) {
    if (IsSurrogateValue(in[i])) throw EConvertError(SurrogateMessage(in[i], "UCS-2"));
    out.push_back(static_cast<char>(in[i] >> 8));
    out.push_back(static_cast<char>(in[i] & 0xFF));
  }
  return count;
}

// ---------------------------------------------------------------------------------------------
// UCS-4

UCS4Char TCustomUCS4Codec::Assemble(const std::uint8_t* p) const {
  UCS4Char c = 0;
  for (int i = 0; i < 4; ++i) c |= static_cast<UCS4Char>(p[i]) << (8 * (3 - Order_[i]));
  return c;
}

void TCustomUCS4Codec::Disassemble(UCS4Char c, std::uint8_t* p) const {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(c >> (8 * (3 - Order_[i])));
}

UCS4Char TCustomUCS4Codec::DecodeChar(int& byteCount) {
  std::uint8_t b[4];
  if (!ReadBytes(b, 4)) {
    byteCount = 0;
    return kEndOfText;
  }
  const UCS4Char c = Assemble(b);
  if (IsSurrogateValue(c)) throw EConvertError(SurrogateMessage(c, CodecName()));
  if (c >= 0x80000000u) RaiseNotValidCodePoint(c, CodecName());
  byteCount = 4;
  return c;
}

int TCustomUCS4Codec::EncodeChar(UCS4Char c) {
  if (c >= 0x80000000u) RaiseNotValidCodePoint(c, CodecName());
  std::uint8_t bytes[4];
  Disassemble(c, bytes);
  WriteBytes(bytes, 4);
  return 4;
}

std::int64_t TCustomUCS4Codec::DecodeToUtf16(const std::uint8_t* in, std::int64_t inSize,
                                             char16_t* out, std::int64_t outSizeInBytes,
                                             std::int64_t& bytesConsumed) {
  const std::int64_t outUnits = outSizeInBytes / 2;
  std::int64_t i = 0;
  std::int64_t produced = 0;
  while (i + 4 <= inSize) {
    const UCS4Char c = Assemble(in + i);
    const bool surrogate = IsSurrogateValue(c);
    if (surrogate || c > 0x10FFFF) {
      if (ErrorAction == 0) {
        throw EUnicodeCodecException(
            surrogate ? SurrogateMessage(c, "UCS-4") : CannotConvertMessage(c, "UTF-16"), i);
      }
      if (ErrorAction == 1) break;
      if (ErrorAction == 2) {
        // The raw value goes through as its high and then its low half.
        if (produced + 2 > outUnits) break;
        out[produced++] = static_cast<char16_t>(c >> 16);
        out[produced++] = static_cast<char16_t>(c & 0xFFFF);
      } else if (ErrorAction == 4) {
        if (produced + 1 > outUnits) break;
        out[produced++] = ReplacementCharacter;
      }
      i += 4;
      continue;
    }
    if (c >= 0x10000) {
      if (produced + 2 > outUnits) break;
      produced += static_cast<std::int64_t>(XmlUtf16::Encode(c, out + produced));
    } else {
      if (produced + 1 > outUnits) break;
      out[produced++] = static_cast<char16_t>(c);
    }
    i += 4;
  }
  bytesConsumed = i;
  return produced;
}

std::int64_t TCustomUCS4Codec::EncodeFromUtf16(const char16_t* in, std::int64_t count,
                                               std::string& out) {
  std::uint8_t bytes[4];
  for (std::int64_t i = 0; i < count; ++i) {
    UCS4Char c = in[i];
    if (XmlChars::HighSurrogate(in[i]) && i + 1 < count && XmlChars::LowSurrogate(in[i + 1])) {
      c = XmlUtf16::Decode(in[i], in[i + 1]);
      ++i;
    } else if (IsSurrogateValue(c)) {
      throw EConvertError(SurrogateMessage(c, "UTF-16"));
    }
    Disassemble(c, bytes);
    out.append(reinterpret_cast<const char*>(bytes), 4);
  }
  return count;
}

// ---------------------------------------------------------------------------------------------
// Class references

#define EARMARK_DEFINE_CODEC_CLASS(Name)                                                     \
  const TUnicodeCodecClassInfo Name::ClassInfo = {                                           \
      #Name, []() -> std::unique_ptr<TCustomUnicodeCodec> { return std::make_unique<Name>(); }};

EARMARK_DEFINE_CODEC_CLASS(TUSASCIICodec)
EARMARK_DEFINE_CODEC_CLASS(TISO8859_1Codec)
EARMARK_DEFINE_CODEC_CLASS(TISO8859_2Codec)
EARMARK_DEFINE_CODEC_CLASS(TISO8859_3Codec)
EARMARK_DEFINE_CODEC_CLASS(TISO8859_4Codec)
EARMARK_DEFINE_CODEC_CLASS(TISO8859_5Codec)
EARMARK_DEFINE_CODEC_CLASS(TISO8859_6Codec)
EARMARK_DEFINE_CODEC_CLASS(TISO8859_7Codec)
EARMARK_DEFINE_CODEC_CLASS(TISO8859_8Codec)
EARMARK_DEFINE_CODEC_CLASS(TISO8859_9Codec)
EARMARK_DEFINE_CODEC_CLASS(TISO8859_10Codec)
EARMARK_DEFINE_CODEC_CLASS(TISO8859_13Codec)
EARMARK_DEFINE_CODEC_CLASS(TISO8859_14Codec)
EARMARK_DEFINE_CODEC_CLASS(TISO8859_15Codec)
EARMARK_DEFINE_CODEC_CLASS(TJIS_X0201Codec)
EARMARK_DEFINE_CODEC_CLASS(TIBM037Codec)
EARMARK_DEFINE_CODEC_CLASS(TIBM424Codec)
EARMARK_DEFINE_CODEC_CLASS(TIBM500Codec)
EARMARK_DEFINE_CODEC_CLASS(TIBM1026Codec)
EARMARK_DEFINE_CODEC_CLASS(TIBM437Codec)
EARMARK_DEFINE_CODEC_CLASS(TIBM850Codec)
EARMARK_DEFINE_CODEC_CLASS(TIBM852Codec)
EARMARK_DEFINE_CODEC_CLASS(TIBM855Codec)
EARMARK_DEFINE_CODEC_CLASS(TIBM857Codec)
EARMARK_DEFINE_CODEC_CLASS(TIBM860Codec)
EARMARK_DEFINE_CODEC_CLASS(TIBM861Codec)
EARMARK_DEFINE_CODEC_CLASS(TIBM862Codec)
EARMARK_DEFINE_CODEC_CLASS(TIBM863Codec)
EARMARK_DEFINE_CODEC_CLASS(TIBM864Codec)
EARMARK_DEFINE_CODEC_CLASS(TIBM865Codec)
EARMARK_DEFINE_CODEC_CLASS(TIBM866Codec)
EARMARK_DEFINE_CODEC_CLASS(TIBM869Codec)
EARMARK_DEFINE_CODEC_CLASS(TWindows1250Codec)
EARMARK_DEFINE_CODEC_CLASS(TWindows1251Codec)
EARMARK_DEFINE_CODEC_CLASS(TWindows1252Codec)
EARMARK_DEFINE_CODEC_CLASS(TWindows1253Codec)
EARMARK_DEFINE_CODEC_CLASS(TWindows1254Codec)
EARMARK_DEFINE_CODEC_CLASS(TWindows1255Codec)
EARMARK_DEFINE_CODEC_CLASS(TWindows1256Codec)
EARMARK_DEFINE_CODEC_CLASS(TWindows1257Codec)
EARMARK_DEFINE_CODEC_CLASS(TWindows1258Codec)
EARMARK_DEFINE_CODEC_CLASS(TKOI8_RCodec)
EARMARK_DEFINE_CODEC_CLASS(TMacLatin2Codec)
EARMARK_DEFINE_CODEC_CLASS(TMacRomanCodec)
EARMARK_DEFINE_CODEC_CLASS(TMacCyrillicCodec)
EARMARK_DEFINE_CODEC_CLASS(TEBCDIC_USCodec)
EARMARK_DEFINE_CODEC_CLASS(TUTF8Codec)
EARMARK_DEFINE_CODEC_CLASS(TUTF16BECodec)
EARMARK_DEFINE_CODEC_CLASS(TUTF16LECodec)
EARMARK_DEFINE_CODEC_CLASS(TUCS2Codec)
EARMARK_DEFINE_CODEC_CLASS(TUCS4BECodec)
EARMARK_DEFINE_CODEC_CLASS(TUCS4LECodec)
EARMARK_DEFINE_CODEC_CLASS(TUCS4_2143Codec)
EARMARK_DEFINE_CODEC_CLASS(TUCS4_3412Codec)

// ---------------------------------------------------------------------------------------------
// Character-set registry

namespace {

struct TCharsetRecord {
  int Mib;
  const char* Preferred;
  const char* const* Names;
  int Count;
};

#include "xml/CharsetRegistry.inc"

const TCharsetRecord* FindRecord(int mib) {
  const auto* end = std::end(kCharsets);
  const auto* it = std::lower_bound(std::begin(kCharsets), end, mib,
                                    [](const TCharsetRecord& r, int m) { return r.Mib < m; });
  return it != end && it->Mib == mib ? it : nullptr;
}

bool SameTextAscii(const char* a, const std::string& b) {
  std::size_t i = 0;
  for (; a[i] != '\0'; ++i) {
    if (i >= b.size()) return false;
    auto x = static_cast<unsigned char>(a[i]);
    auto y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return false;
  }
  return i == b.size();
}

}  // namespace

TCSMIB::TCSMIB(TComponent* owner) : TComponent(owner) {}

bool TCSMIB::IsValidEnum(int value) {
  return (value >= 3 && value <= 106) || (value >= 109 && value <= 112) ||
         (value >= 1000 && value <= 1015) || (value >= 2000 && value <= 2101) ||
         (value >= 2250 && value <= 2259);
}

void TCSMIB::SetEnum(int value) {
  if (!IsValidEnum(value)) {
    if (IgnoreInvalidEnum) return;
    throw Exception("Invalid MIB number");
  }
  bool allow = true;
  if (OnChanging) OnChanging(this, value, allow);
  if (!allow) return;
  Enum_ = value;
  if (OnChange) OnChange(this);
}

int TCSMIB::GetAliasCount() const {
  const TCharsetRecord* r = FindRecord(Enum_);
  return r != nullptr ? r->Count : 0;
}

std::string TCSMIB::GetAlias(int index) const {
  const TCharsetRecord* r = FindRecord(Enum_);
  if (r == nullptr || index < 0 || index >= r->Count) return {};
  return r->Names[index];
}

std::string TCSMIB::GetPreferredMIMEName() const {
  const TCharsetRecord* r = FindRecord(Enum_);
  return r != nullptr ? r->Preferred : "";
}

bool TCSMIB::SetToAlias(const std::string& alias) {
  const int before = Enum_;
  for (const TCharsetRecord& r : kCharsets) {
    SetEnum(r.Mib);
    for (int i = 0; i < r.Count; ++i)
      if (SameTextAscii(r.Names[i], alias)) return true;
  }
  SetEnum(before);
  return false;
}

// ---------------------------------------------------------------------------------------------
// Encoding names

namespace {

// Unused name slots stay null.
struct TAliasGroup {
  const char* Names[17];
  TUnicodeCodecClass Class;
};

const TAliasGroup kAliasGroups[] = {
    {{"ASCII", "US-ASCII", "us", "ANSI_X3.4-1968", "ANSI_X3.4-1986", "iso-ir-6", "ISO_646.irv:1991",
      "ISO_646.irv", "ISO_646", "ISO-646", "ISO646", "ISO646-US", "IBM367", "cp367", "csASCII",
      "IBM891", "IBM903"},
     &TUSASCIICodec::ClassInfo},
    {{"ISO-8859-1", "ISO_8859-1:1987", "ISO_8859-1", "iso-ir-100", "latin1", "l1", "IBM819", "cp819"},
     &TISO8859_1Codec::ClassInfo},
    {{"ISO-8859-2", "ISO_8859-2:1987", "ISO_8859-2", "iso-ir-101", "latin2", "l2"},
     &TISO8859_2Codec::ClassInfo},
    {{"ISO-8859-3", "ISO_8859-3:1988", "ISO_8859-3", "iso-ir-109", "latin3", "l3"},
     &TISO8859_3Codec::ClassInfo},
    {{"ISO-8859-4", "ISO_8859-4:1988", "ISO_8859-4", "iso-ir-110", "latin4", "l4"},
     &TISO8859_4Codec::ClassInfo},
    {{"ISO-8859-5", "ISO_8859-5:1988", "ISO_8859-5", "iso-ir-144", "cyrillic"},
     &TISO8859_5Codec::ClassInfo},
    {{"ISO-8859-6", "ISO_8859-6:1987", "ISO_8859-6", "iso-ir-127", "ECMA-114", "ASMO-708", "arabic"},
     &TISO8859_6Codec::ClassInfo},
    {{"ISO-8859-7", "ISO_8859-7:1987", "ISO_8859-7", "iso-ir-126", "ELOT_928", "ECMA-118", "greek",
      "greek8"},
     &TISO8859_7Codec::ClassInfo},
    {{"ISO-8859-8", "ISO_8859-8:1988", "ISO_8859-8", "iso-ir-138", "hebrew"},
     &TISO8859_8Codec::ClassInfo},
    {{"ISO-8859-9", "ISO_8859-9:1989", "ISO_8859-9", "iso-ir-148", "latin5", "l5"},
     &TISO8859_9Codec::ClassInfo},
    {{"ISO-8859-10", "ISO_8859-10:1992", "ISO_8859-10", "iso-ir-157", "latin6", "l6"},
     &TISO8859_10Codec::ClassInfo},
    {{"ISO-8859-13", "ISO_8859-13", "latin7", "l7"}, &TISO8859_13Codec::ClassInfo},
    {{"ISO-8859-14", "ISO_8859-14:1998", "ISO_8859-14", "iso-ir-199", "latin8", "l8", "iso-celtic"},
     &TISO8859_14Codec::ClassInfo},
    {{"ISO-8859-15", "ISO_8859-15", "latin9", "l9", "latin0", "l0"}, &TISO8859_15Codec::ClassInfo},
    {{"KOI8-R"}, &TKOI8_RCodec::ClassInfo},
    {{"MacLatin2", "Mac", "Macintosh"}, &TMacLatin2Codec::ClassInfo},
    {{"MacRoman"}, &TMacRomanCodec::ClassInfo},
    {{"MacCyrillic"}, &TMacCyrillicCodec::ClassInfo},
    {{"IBM437", "cp437", "DOSLatinUS"}, &TIBM437Codec::ClassInfo},
    {{"windows-1250", "cp1250", "WinLatin2"}, &TWindows1250Codec::ClassInfo},
    {{"windows-1251", "cp1251", "WinCyrillic"}, &TWindows1251Codec::ClassInfo},
    {{"windows-1252", "cp1252", "WinLatin1"}, &TWindows1252Codec::ClassInfo},
    {{"ebcdic-us", "ebcdic"}, &TEBCDIC_USCodec::ClassInfo},
    {{"UTF-8", "utf8"}, &TUTF8Codec::ClassInfo},
    {{"UTF-16BE", "utf16be"}, &TUTF16BECodec::ClassInfo},
    {{"UTF-16LE", "utf16le"}, &TUTF16LECodec::ClassInfo},
};

struct TMibClass {
  int Mib;
  TUnicodeCodecClass Class;
};

const TMibClass kMibClasses[] = {
    {3, &TUSASCIICodec::ClassInfo},        {4, &TISO8859_1Codec::ClassInfo},
    {5, &TISO8859_2Codec::ClassInfo},      {6, &TISO8859_3Codec::ClassInfo},
    {7, &TISO8859_4Codec::ClassInfo},      {8, &TISO8859_5Codec::ClassInfo},
    {9, &TISO8859_6Codec::ClassInfo},      {10, &TISO8859_7Codec::ClassInfo},
    {11, &TISO8859_8Codec::ClassInfo},     {12, &TISO8859_9Codec::ClassInfo},
    {13, &TISO8859_10Codec::ClassInfo},    {15, &TJIS_X0201Codec::ClassInfo},
    {106, &TUTF8Codec::ClassInfo},         {109, &TISO8859_13Codec::ClassInfo},
    {110, &TISO8859_14Codec::ClassInfo},   {111, &TISO8859_15Codec::ClassInfo},
    {1013, &TUTF16BECodec::ClassInfo},     {1014, &TUTF16LECodec::ClassInfo},
    {2009, &TIBM850Codec::ClassInfo},      {2010, &TIBM852Codec::ClassInfo},
    {2011, &TIBM437Codec::ClassInfo},      {2013, &TIBM862Codec::ClassInfo},
    {2028, &TIBM037Codec::ClassInfo},      {2043, &TIBM424Codec::ClassInfo},
    {2044, &TIBM500Codec::ClassInfo},      {2046, &TIBM855Codec::ClassInfo},
    {2047, &TIBM857Codec::ClassInfo},      {2048, &TIBM860Codec::ClassInfo},
    {2049, &TIBM861Codec::ClassInfo},      {2050, &TIBM863Codec::ClassInfo},
    {2051, &TIBM864Codec::ClassInfo},      {2052, &TIBM865Codec::ClassInfo},
    {2054, &TIBM869Codec::ClassInfo},      {2063, &TIBM1026Codec::ClassInfo},
    {2084, &TKOI8_RCodec::ClassInfo},      {2086, &TIBM866Codec::ClassInfo},
    {2250, &TWindows1250Codec::ClassInfo}, {2251, &TWindows1251Codec::ClassInfo},
    {2252, &TWindows1252Codec::ClassInfo}, {2253, &TWindows1253Codec::ClassInfo},
    {2254, &TWindows1254Codec::ClassInfo}, {2255, &TWindows1255Codec::ClassInfo},
    {2256, &TWindows1256Codec::ClassInfo}, {2257, &TWindows1257Codec::ClassInfo},
    {2258, &TWindows1258Codec::ClassInfo},
};

}  // namespace

TUnicodeCodecClass CodecClassOfMIB(int mib) {
  for (const TMibClass& row : kMibClasses)
    if (row.Mib == mib) return row.Class;
  return nullptr;
}

TUnicodeCodecClass FindCodecClassByName(const std::string& name) {
  for (const TAliasGroup& group : kAliasGroups)
    for (const char* alias : group.Names)
      if (alias != nullptr && SameTextAscii(alias, name)) return group.Class;
  TCSMIB registry;
  if (!registry.SetToAlias(name)) return nullptr;
  return CodecClassOfMIB(registry.Enum());
}

std::string EncodingNameOfCodecClass(TUnicodeCodecClass codecClass) {
  for (const TAliasGroup& group : kAliasGroups)
    if (group.Class == codecClass && codecClass != nullptr) return group.Names[0];
  return {};
}

std::string EncodeWideString(TUnicodeCodecClass codecClass, const WideString& text) {
  std::unique_ptr<TCustomUnicodeCodec> codec = CreateCodec(codecClass);
  if (!codec) return {};
  std::string out;
  codec->EncodeFromUtf16(text.data(), static_cast<std::int64_t>(text.size()), out);
  return out;
}
