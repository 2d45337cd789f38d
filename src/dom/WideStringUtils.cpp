#include "dom/WideStringUtils.h"

#include "platform/Exceptions.h"
#include "platform/Format.h"

#include <algorithm>
#include <cstring>

// ---------------------------------------------------------------- TUtilsCustomWideStr

namespace {
constexpr int kInitialCapacity = 64;
}

TUtilsCustomWideStr::TUtilsCustomWideStr() { Clear(); }

void TUtilsCustomWideStr::Clear() {
  Capacity_ = kInitialCapacity;
  Length_ = 0;
  // Shrinking a std::u16string keeps its allocation, so a reused buffer does not allocate.
  Content_.resize(static_cast<std::size_t>(Capacity_));
}

void TUtilsCustomWideStr::Grow() {
  Capacity_ += std::max(1, Capacity_ / 4);
  Content_.resize(static_cast<std::size_t>(Capacity_));
}

void TUtilsCustomWideStr::AddUCS4CharSlow(std::uint32_t code) {
  // Above U+10FFFF the surrogate arithmetic would produce a valid-looking pair of another
  // character, so such values are refused like the surrogate range itself.
  if ((code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
    throw EConvertError(
        Format("%d is not a valid ISO-10646-UCS4 code point", {std::int64_t{code}}));
  if (code > 0xFFFF) {
    const std::uint32_t v = code - 0x10000;
    AddWideChar(static_cast<WideChar>(0xD800 + (v >> 10)));
    AddWideChar(static_cast<WideChar>(0xDC00 + (v & 0x3FF)));
    return;
  }
  AddWideChar(static_cast<WideChar>(code));
}

void TUtilsCustomWideStr::AddWideString(std::u16string_view s) {
  const auto needed = static_cast<std::int64_t>(Length_) + static_cast<std::int64_t>(s.size());
  while (needed > Capacity_) Grow();
  std::copy(s.begin(), s.end(), Content_.begin() + Length_);
  Length_ = static_cast<int>(needed);
}

bool TUtilsCustomWideStr::StartsWith(std::u16string_view s) const {
  return !s.empty() && View().starts_with(s);
}

bool TUtilsCustomWideStr::EndsWith(std::u16string_view s) const {
  return !s.empty() && View().ends_with(s);
}

bool TUtilsCustomWideStr::IsEqual(std::u16string_view s) const { return View() == s; }

// ---------------------------------------------------------------- TUtilsWideStringList

namespace {

[[noreturn]] void RaiseListIndex(int index) {
  throw EStringListError(Format("List Index out of bounds (%d)", {std::int64_t{index}}));
}

[[noreturn]] void RaiseSortedOperation() {
  throw EStringListError("Operation not allowed on Sorted string list");
}

}  // namespace

int TUtilsWideStringList::CompareStrings(std::u16string_view a, std::u16string_view b) {
  // char16_t compares as an unsigned value, so this is the ordinal code-unit order.
  const int c = a.compare(b);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

void TUtilsWideStringList::Assign(const TPersistent* source) {
  const auto* list = dynamic_cast<const TUtilsWideStringList*>(source);
  if (list == nullptr) {
    TPersistent::Assign(source);
    return;
  }
  if (list == this) return;
  BeginUpdate();
  Clear();
  for (const TItem& item : list->Items_) AddObject(item.String, item.Object);
  EndUpdate();
}

void TUtilsWideStringList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) RaiseListIndex(index);
}

void TUtilsWideStringList::Changing() {
  if (UpdateCount_ == 0 && OnChanging) OnChanging(this);
}

void TUtilsWideStringList::Changed() {
  if (UpdateCount_ == 0 && OnChange) OnChange(this);
}

int TUtilsWideStringList::AddObject(const WideString& s, void* object) {
  int index = Count();
  if (Sorted_) {
    if (Find(s, index)) {
      if (Duplicates_ == TDuplicates::dupIgnore) return index;
      if (Duplicates_ == TDuplicates::dupError)
        throw EStringListError("String list does not allow duplicates");
    }
  }
  InsertItem(index, s, object);
  return index;
}

void TUtilsWideStringList::InsertItem(int index, const WideString& s, void* object) {
  Changing();
  Items_.insert(Items_.begin() + index, TItem{s, object});
  Changed();
}

const WideString& TUtilsWideStringList::Strings(int index) const {
  CheckIndex(index);
  return Items_[static_cast<std::size_t>(index)].String;
}

void TUtilsWideStringList::SetString(int index, const WideString& s) {
  if (Sorted_) RaiseSortedOperation();
  CheckIndex(index);
  Changing();
  Items_[static_cast<std::size_t>(index)].String = s;
  Changed();
}

void* TUtilsWideStringList::Objects(int index) const {
  CheckIndex(index);
  return Items_[static_cast<std::size_t>(index)].Object;
}

void TUtilsWideStringList::SetObject(int index, void* object) {
  CheckIndex(index);
  Changing();
  Items_[static_cast<std::size_t>(index)].Object = object;
  Changed();
}

void TUtilsWideStringList::Delete(int index) {
  CheckIndex(index);
  Changing();
  Items_.erase(Items_.begin() + index);
  Changed();
}

void TUtilsWideStringList::Clear() {
  if (Items_.empty()) return;
  Changing();
  Items_.clear();
  Changed();
}

void TUtilsWideStringList::Exchange(int index1, int index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  Changing();
  std::swap(Items_[static_cast<std::size_t>(index1)], Items_[static_cast<std::size_t>(index2)]);
  Changed();
}

int TUtilsWideStringList::IndexOf(std::u16string_view s) const {
  if (Sorted_) {
    int index = -1;
    return Find(s, index) ? index : -1;
  }
  for (std::size_t i = 0; i < Items_.size(); ++i)
    if (Items_[i].String == s) return static_cast<int>(i);
  return -1;
}

int TUtilsWideStringList::LastIndexOf(std::u16string_view s) const {
  for (std::size_t i = Items_.size(); i-- > 0;)
    if (Items_[i].String == s) return static_cast<int>(i);
  return -1;
}

bool TUtilsWideStringList::Find(std::u16string_view s, int& index) const {
  bool found = false;
  int lo = 0;
  int hi = Count() - 1;
  while (lo <= hi) {
    const int mid = lo + (hi - lo) / 2;
    const int c = CompareStrings(Items_[static_cast<std::size_t>(mid)].String, s);
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
      if (c == 0) {
        found = true;
        if (Duplicates_ != TDuplicates::dupAccept) {
          lo = mid;
          break;
        }
      }
    }
  }
  index = lo;
  return found;
}

void TUtilsWideStringList::InsertObject(int index, const WideString& s, void* object) {
  if (Sorted_) RaiseSortedOperation();
  if (index < 0 || index > Count()) RaiseListIndex(index);
  InsertItem(index, s, object);
}

void TUtilsWideStringList::BeginUpdate() { ++UpdateCount_; }

void TUtilsWideStringList::EndUpdate() {
  if (UpdateCount_ == 0) return;
  if (--UpdateCount_ == 0) Changed();
}

void TUtilsWideStringList::SetSorted(bool value) {
  if (Sorted_ == value) return;
  if (value) Sort();
  Sorted_ = value;
}

void TUtilsWideStringList::Sort() {
  if (Items_.size() < 2) return;
  Changing();
  std::stable_sort(Items_.begin(), Items_.end(), [](const TItem& a, const TItem& b) {
    return CompareStrings(a.String, b.String) < 0;
  });
  Changed();
}

// ---------------------------------------------------------------- TUtilsNameValueList

int TUtilsNameValueList::ValueIndex(int index) const {
  return static_cast<int>(reinterpret_cast<std::intptr_t>(Names_.Objects(index)));
}

int TUtilsNameValueList::AddObject(const WideString& name, const WideString& value,
                                   void* object) {
  // Decide about a duplicate name before the value is stored, so a refused or ignored pair
  // leaves no stray value behind.
  if (Names_.Sorted() && Names_.Duplicates() != TDuplicates::dupAccept) {
    int existing = -1;
    if (Names_.Find(name, existing)) {
      if (Names_.Duplicates() == TDuplicates::dupIgnore) return existing;
      throw EStringListError("String list does not allow duplicates");
    }
  }
  const int position = Values_.AddObject(value, object);
  return Names_.AddObject(name, reinterpret_cast<void*>(static_cast<std::intptr_t>(position)));
}

int TUtilsNameValueList::IndexOfNameValue(std::u16string_view name,
                                          std::u16string_view value) const {
  for (int i = 0; i < Count(); ++i)
    if (Names_.Strings(i) == name && Values(i) == value) return i;
  return -1;
}

int TUtilsNameValueList::LastIndexOfNameValue(std::u16string_view name,
                                              std::u16string_view value) const {
  for (int i = Count(); i-- > 0;)
    if (Names_.Strings(i) == name && Values(i) == value) return i;
  return -1;
}

bool TUtilsNameValueList::Find(std::u16string_view name, std::u16string_view value,
                               int& index) const {
  if (Names_.Duplicates() == TDuplicates::dupAccept) {
    index = IndexOfNameValue(name, value);
    return index >= 0;
  }
  // A binary search means nothing on an unsorted list, so that one is searched in order.
  int found = -1;
  if (Names_.Sorted()) {
    if (!Names_.Find(name, found)) found = -1;
  } else {
    found = Names_.IndexOf(name);
  }
  if (found >= 0 && Values(found) == value) {
    index = found;
    return true;
  }
  index = -1;
  return false;
}

void TUtilsNameValueList::Clear() {
  Names_.Clear();
  Values_.Clear();
}

void TUtilsNameValueList::Assign(const TPersistent* source) {
  const auto* list = dynamic_cast<const TUtilsNameValueList*>(source);
  if (list == nullptr) {
    TPersistent::Assign(source);
    return;
  }
  if (list == this) return;
  Clear();
  for (int i = 0; i < list->Count(); ++i)
    AddObject(list->Names(i), list->Values(i), list->Objects(i));
}

// ---------------------------------------------------------------- TUtilsWideStringStream

TUtilsWideStringStream::TUtilsWideStringStream(const WideString& text) {
  const auto bytes = static_cast<std::int64_t>(text.size() * sizeof(char16_t));
  SetSize(bytes);
  if (bytes > 0) std::memcpy(Data_.data(), text.data(), static_cast<std::size_t>(bytes));
}

std::int64_t TUtilsWideStringStream::Read(void* buffer, std::int64_t count) {
  if (count <= 0 || Position_ >= Size_) return 0;
  const std::int64_t n = std::min(count, Size_ - Position_);
  std::memcpy(buffer, Data_.data() + Position_, static_cast<std::size_t>(n));
  Position_ += n;
  return n;
}

std::int64_t TUtilsWideStringStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  const std::int64_t end = Position_ + count;
  if (end > Size_) SetSize(end + (end & 1));
  std::memcpy(Data_.data() + Position_, buffer, static_cast<std::size_t>(count));
  Position_ = end;
  return count;
}

std::int64_t TUtilsWideStringStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  std::int64_t position = offset;
  if (origin == TSeekOrigin::soCurrent) position = Position_ + offset;
  if (origin == TSeekOrigin::soEnd) position = Size_ - offset;
  Position_ = std::clamp<std::int64_t>(position, 0, Size_);
  return Position_;
}

void TUtilsWideStringStream::SetSize(std::int64_t size) {
  if (size % 2 != 0) throw EStreamError("Odd size not valid for WideString");
  if (size < 0) throw EStreamError("Negative stream size invalid");
  if (size > Capacity_) SetCapacity((size + (size > 31 ? size / 4 : 8)) & ~std::int64_t{3});
  Size_ = size;
  if (Position_ > size) Position_ = size;
}

void TUtilsWideStringStream::SetCapacity(std::int64_t capacity) {
  if (capacity < Size_) throw EStreamError("Capacity cannot be less than size");
  Data_.resize(static_cast<std::size_t>(capacity));
  Capacity_ = capacity;
}

WideString TUtilsWideStringStream::DataString() const {
  WideString text(static_cast<std::size_t>(Size_ / 2), u'\0');
  if (Size_ > 0) std::memcpy(text.data(), Data_.data(), static_cast<std::size_t>(Size_));
  return text;
}
