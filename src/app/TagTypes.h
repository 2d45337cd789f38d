// The seven tag types an order can be for: the caption the tag-type list shows and the sheet
// prints, and the species and type codes the order file holds. The window, the order file
// writer and reader and the sheet all take them from this one table, by the index of the
// tag-type list (0..6; -1 is no type selected).
#pragma once

#include "platform/WideString.h"

#include <array>

struct TTagType {
  const char* Caption;  // windows-1250
  const char* Species;  // the order file's "species" value
  const char* Type;     // the order file's "type" value
};

inline constexpr int TagTypeCount = 7;

// In the order of the tag-type list.
extern const std::array<TTagType, TagTypeCount> TagTypes;

// The tag type of an index, or nullptr for an index outside 0..6 (no type selected).
const TTagType* TagTypeAt(int tagType);

// The caption of a tag type index (windows-1250); empty for an index outside 0..6.
AnsiString TagTypeCaption(int tagType);

// The index of the tag type whose "type" code has the value of code as an integer ("+49" and
// "049" are 49), -1 for any other integer. Raises EConvertError for a text that is no integer.
int TagTypeFromCode(const AnsiString& code);
