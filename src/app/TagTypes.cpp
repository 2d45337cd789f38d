#include "app/TagTypes.h"

#include "app/EarTagOrder.h"

const std::array<TTagType, TagTypeCount> TagTypes = {{
    {"HD n\xe1hradn\xe1 Allflex TYP A", "1", "49"},
    {"HD n\xe1hradn\xe1 Allflex TYP B", "1", "50"},
    {"Ovce a kozy n\xe1hradn\xe1 - ter\xe8\xedk Allflex", "3", "60"},
    {"Ovce a kozy n\xe1hradn\xe1 - hranat\xe1 Allflex", "3", "63"},
    {"Ovce a kozy n\xe1hradn\xe1 - hranat\xe1 Bentley", "3", "64"},
    {"Ovce a kozy n\xe1hradn\xe1 - hranat\xe1 Datamars", "3", "65"},
    {"Ovce a kozy n\xe1hradn\xe1 - elektronick\xe1", "3", "12"},
}};

const TTagType* TagTypeAt(int tagType) {
  if (tagType < 0 || tagType >= TagTypeCount) return nullptr;
  return &TagTypes[static_cast<std::size_t>(tagType)];
}

AnsiString TagTypeCaption(int tagType) {
  const TTagType* type = TagTypeAt(tagType);
  return type == nullptr ? AnsiString() : AnsiString(type->Caption);
}

int TagTypeFromCode(const AnsiString& code) {
  // Converted first, so a text that is no integer raises whatever the table holds.
  const std::int64_t value = StrToInt64(code);
  for (int i = 0; i < TagTypeCount; ++i)
    if (StrToInt64(TagTypes[static_cast<std::size_t>(i)].Type) == value) return i;
  return -1;
}
