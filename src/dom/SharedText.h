// Text of the document model kept in reference-counted blocks. A parser lays the values of
// many nodes side by side in large blocks and gives each node its piece; a name that many
// nodes carry is one piece shared by all of them. A value set later gets a block of its own,
// which appends then fill in place. A block lives as long as any piece of it does, so a node
// may outlive the parse, and the document, that made its text.
#pragma once

#include "platform/WideString.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string_view>

class TSharedText {
  struct TBlockHeader;

public:
  TSharedText() noexcept = default;
  explicit TSharedText(std::u16string_view text) { Assign(text); }
  TSharedText(const TSharedText& other) noexcept;
  TSharedText(TSharedText&& other) noexcept;
  TSharedText& operator=(const TSharedText& other) noexcept;
  TSharedText& operator=(TSharedText&& other) noexcept;
  ~TSharedText() { Release(); }

  std::u16string_view View() const noexcept { return {Data_, Size_}; }
  WideString Str() const { return WideString(Data_ != nullptr ? Data_ : u"", Size_); }
  std::size_t size() const noexcept { return Size_; }
  bool empty() const noexcept { return Size_ == 0; }

  // Replaces the text with a copy of `text` in a block of its own.
  void Assign(std::u16string_view text);
  // In place when the block is this text's alone and has room; otherwise by a new block. A
  // block this text fills alone grows where it stands, so a long text built piece by piece
  // never needs room for two copies of itself.
  void Append(std::u16string_view text);
  // Gives back the room a text built by Append holds beyond its length.
  void ShrinkToFit();

  // Makes many pieces in a row, each one appended to a large block shared by all of them.
  class TWriter {
  public:
    TWriter() = default;
    ~TWriter();
    TWriter(const TWriter&) = delete;
    TWriter& operator=(const TWriter&) = delete;
    TSharedText Take(std::u16string_view text);

  private:
    TBlockHeader* Block_ = nullptr;
  };

private:
  static TBlockHeader* NewBlock(std::size_t capacity);
  static void Unref(TBlockHeader* block) noexcept;
  TBlockHeader* Block() const noexcept;
  void Release() noexcept;

  const char16_t* Data_ = nullptr;
  std::uint32_t Size_ = 0;
  // Where the block starts, in bytes before Data_; nothing is kept for the empty text.
  std::uint32_t Offset_ = 0;
};
