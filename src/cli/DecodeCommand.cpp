// earmark-cli decode [--encoding NAME] FILE: reads FILE through the byte-order detection and
// the character reader exactly as the XML parser reads it and writes the characters as UTF-8.
#include "cli/CliCommands.h"

#include "platform/Exceptions.h"
#include "platform/Streams.h"
#include "xml/ParserUtilsWin32.h"
#include "xml/cUnicodeCodecsWin32.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr std::int64_t kBufferSize = 4096;

// Appends c in the UTF-8 layout of up to six bytes, so that every value the decoders pass
// on (surrogates and values above U+10FFFF included) comes out as it went in.
void AppendUtf8(std::string& out, UCS4Char c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
    return;
  }
  int n = c < 0x800 ? 2 : c < 0x10000 ? 3 : c < 0x200000 ? 4 : c < 0x4000000 ? 5 : 6;
  static constexpr unsigned char kLead[7] = {0, 0, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC};
  char bytes[6];
  for (int i = n - 1; i > 0; --i) {
    bytes[i] = static_cast<char>(0x80 | (c & 0x3F));
    c >>= 6;
  }
  bytes[0] = static_cast<char>(kLead[n] | c);
  out.append(bytes, static_cast<std::size_t>(n));
}

void Flush(std::string& out) {
  std::fwrite(out.data(), 1, out.size(), stdout);
  out.clear();
}

int RunDecode(const std::vector<std::string>& args) {
  std::string encoding;
  std::string file;
  bool haveEncoding = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--encoding" && i + 1 < args.size()) {
      encoding = args[++i];
      haveEncoding = true;
    } else if (file.empty() && !args[i].empty() && args[i][0] != '-') {
      file = args[i];
    } else {
      std::fprintf(stderr, "earmark-cli decode: unexpected argument \"%s\"\n", args[i].c_str());
      return kExitUsage;
    }
  }
  if (file.empty()) {
    std::fprintf(stderr, "usage: earmark-cli decode [--encoding NAME] FILE\n");
    return kExitUsage;
  }

  TUnicodeCodecClass codecClass = nullptr;
  if (haveEncoding) {
    codecClass = FindCodecClassByName(encoding);
    if (codecClass == nullptr) {
      std::fprintf(stderr, "earmark-cli decode: unknown encoding \"%s\"\n", encoding.c_str());
      return kExitUsage;
    }
  }

  // The file outlives the reader, which gives unread bytes back to it when destroyed.
  std::unique_ptr<TFileStream> fileStream;
  try {
    fileStream = std::make_unique<TFileStream>(file, TFileMode::fmOpenRead);
  } catch (const Exception& e) {
    std::fprintf(stderr, "earmark-cli decode: %s\n", e.what());
    return kExitFailure;
  }
  TFileStream& stream = *fileStream;
  std::unique_ptr<TUtilsUCS4Reader> reader;
  std::string out;
  std::int64_t markSize = 0;
  try {
    {
      // The mark size is wanted for the offset even when the first character fails.
      TUtilsAutodetectInputStream probe(&stream, codecClass, kBufferSize);
      markSize = probe.ByteOrderMarkSize();
    }
    stream.SetPosition(0);
    reader = std::make_unique<TUtilsUCS4Reader>(&stream, codecClass, kBufferSize);
    for (;;) {
      reader->Next();
      if (reader->IsEndOfText()) break;
      AppendUtf8(out, reader->CurrentCharacter());
      if (out.size() >= 65536) Flush(out);
    }
    Flush(out);
    reader.reset();
  } catch (const Exception& e) {
    // The look-ahead character was decoded before the failing one; it is good text.
    if (reader && reader->NextPosition().CharCount > reader->CurrentPosition().CharCount &&
        reader->NextPosition().Character != kEndOfText) {
      AppendUtf8(out, static_cast<UCS4Char>(reader->NextPosition().Character));
    }
    Flush(out);
    std::fflush(stdout);
    // The failing character begins right behind the look-ahead character, or at the start
    // of the text when the reader could not even read its first character.
    std::int64_t offset = markSize;
    if (reader) {
      offset += reader->NextPosition().ByteCount;
      if (reader->Codec() != nullptr) offset += reader->Codec()->PendingCrBytes();
    }
    std::fprintf(stderr, "earmark-cli decode: %s (byte offset %lld)\n", e.what(),
                 static_cast<long long>(offset));
    return kExitFailure;
  }
  return kExitOk;
}

const TCliCommandRegistration kRegistration({"decode", "[--encoding NAME] FILE",
                                             "Decode FILE as the XML reader does and print it as UTF-8.",
                                             &RunDecode});

}  // namespace
