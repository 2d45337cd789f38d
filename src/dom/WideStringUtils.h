// Text utilities shared by the XML pipeline and the document model: a growable UTF-16
// buffer that tokenizers reuse for every token, a list of wide strings with attached
// pointers (sorted or not), a list of name/value pairs built on two such lists, and a
// stream over UTF-16 data in memory.
#pragma once

#include "platform/Component.h"
#include "platform/Streams.h"
#include "platform/WideString.h"

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

// A growable UTF-16 buffer. Its storage is kept between uses: Clear only resets the length
// and the nominal capacity, so a buffer that is cleared for each token allocates only while
// it grows beyond what an earlier token needed.
class TUtilsCustomWideStr {
public:
  TUtilsCustomWideStr();
  virtual ~TUtilsCustomWideStr() = default;

  void Clear();
  // Inline: tokenizers call it once per character.
  void AddWideChar(WideChar c) {
    if (Length_ == Capacity_) Grow();
    Content_[static_cast<std::size_t>(Length_++)] = c;
  }
  // Code points in U+D800..U+DFFF or above U+10FFFF raise EConvertError
  // "%d is not a valid ISO-10646-UCS4 code point".
  void AddUCS4Char(std::uint32_t code) {
    // Inline for the common case: the tokenizers append every character through here.
    if (code < 0xD800) {
      AddWideChar(static_cast<WideChar>(code));
      return;
    }
    AddUCS4CharSlow(code);
  }
  void AddWideString(std::u16string_view s);
  bool StartsWith(std::u16string_view s) const;
  bool EndsWith(std::u16string_view s) const;
  bool IsEqual(std::u16string_view s) const;
  // 1-based and unchecked: the caller keeps within 1 .. Length().
  WideChar CharAt(int position) const { return Content_[static_cast<std::size_t>(position - 1)]; }
  void SetCharAt(int position, WideChar c) { Content_[static_cast<std::size_t>(position - 1)] = c; }
  WideString Value() const { return Content_.substr(0, static_cast<std::size_t>(Length_)); }
  std::u16string_view View() const {
    return std::u16string_view(Content_.data(), static_cast<std::size_t>(Length_));
  }
  int Length() const { return Length_; }
  int Capacity() const { return Capacity_; }

private:
  void Grow();
  void AddUCS4CharSlow(std::uint32_t code);

  WideString Content_;
  int Capacity_ = 0;
  int Length_ = 0;
};

enum class TDuplicates { dupIgnore, dupAccept, dupError };

// A list of wide strings, each with a pointer that the list does not own. Strings compare
// by UTF-16 code unit value (ordinal), which the sorted list and Find rely on.
class TUtilsWideStringList : public TPersistent {
public:
  TUtilsWideStringList() = default;
  const char* ClassName() const override { return "TUtilsWideStringList"; }
  void Assign(const TPersistent* source) override;

  int Add(const WideString& s) { return AddObject(s, nullptr); }
  int AddObject(const WideString& s, void* object);
  int Count() const { return static_cast<int>(Items_.size()); }
  const WideString& Strings(int index) const;
  void SetString(int index, const WideString& s);
  void* Objects(int index) const;
  void SetObject(int index, void* object);
  void Delete(int index);
  void Clear();
  void Exchange(int index1, int index2);
  int IndexOf(std::u16string_view s) const;
  int LastIndexOf(std::u16string_view s) const;
  // Binary search of a sorted list: true when found; index is the entry found (the first of
  // equal entries when duplicates are accepted) or the place where s would be inserted.
  bool Find(std::u16string_view s, int& index) const;
  void Insert(int index, const WideString& s) { InsertObject(index, s, nullptr); }
  void InsertObject(int index, const WideString& s, void* object);
  void BeginUpdate();
  void EndUpdate();
  bool Sorted() const { return Sorted_; }
  void SetSorted(bool value);
  TDuplicates Duplicates() const { return Duplicates_; }
  void SetDuplicates(TDuplicates value) { Duplicates_ = value; }
  void Sort();

  std::function<void(TUtilsWideStringList*)> OnChange;
  std::function<void(TUtilsWideStringList*)> OnChanging;

  static int CompareStrings(std::u16string_view a, std::u16string_view b);

private:
  struct TItem {
    WideString String;
    void* Object = nullptr;
  };

  void CheckIndex(int index) const;
  void Changing();
  void Changed();
  void InsertItem(int index, const WideString& s, void* object);

  std::vector<TItem> Items_;
  bool Sorted_ = false;
  TDuplicates Duplicates_ = TDuplicates::dupIgnore;
  int UpdateCount_ = 0;
};

// Name/value pairs: the names list carries, for each entry, the position of its value in
// the values list, so the names may be sorted without breaking the pairs.
class TUtilsNameValueList : public TPersistent {
public:
  TUtilsNameValueList() = default;
  const char* ClassName() const override { return "TUtilsNameValueList"; }
  void Assign(const TPersistent* source) override;

  int Add(const WideString& name, const WideString& value) {
    return AddObject(name, value, nullptr);
  }
  int AddObject(const WideString& name, const WideString& value, void* object);
  int Count() const { return Names_.Count(); }
  const WideString& Names(int index) const { return Names_.Strings(index); }
  const WideString& Values(int index) const { return Values_.Strings(ValueIndex(index)); }
  void* Objects(int index) const { return Values_.Objects(ValueIndex(index)); }
  int IndexOfName(std::u16string_view name) const { return Names_.IndexOf(name); }
  int LastIndexOfName(std::u16string_view name) const { return Names_.LastIndexOf(name); }
  int IndexOfNameValue(std::u16string_view name, std::u16string_view value) const;
  int LastIndexOfNameValue(std::u16string_view name, std::u16string_view value) const;
  bool Find(std::u16string_view name, std::u16string_view value, int& index) const;
  // Removes the pair's name only; the value stays so the other pairs keep their positions.
  void Delete(int index) { Names_.Delete(index); }
  void Clear();
  bool Sorted() const { return Names_.Sorted(); }
  void SetSorted(bool value) { Names_.SetSorted(value); }
  TDuplicates Duplicates() const { return Names_.Duplicates(); }
  void SetDuplicates(TDuplicates value) { Names_.SetDuplicates(value); }

private:
  int ValueIndex(int index) const;

  TUtilsWideStringList Names_;
  TUtilsWideStringList Values_;
};

// A stream over UTF-16 data in memory; its size is always an even number of bytes.
class TUtilsWideStringStream : public TStream {
public:
  explicit TUtilsWideStringStream(const WideString& text = WideString());

  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  // Origin soEnd counts offset back from the end: Seek(4, soEnd) on 10 bytes gives 6.
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override { return Size_; }
  void SetSize(std::int64_t size);
  void SetCapacity(std::int64_t capacity);
  std::int64_t Capacity() const { return Capacity_; }
  // The whole content as text.
  WideString DataString() const;

private:
  std::vector<char> Data_;
  std::int64_t Size_ = 0;
  std::int64_t Capacity_ = 0;
  std::int64_t Position_ = 0;
};
