#include "cli/OrderJson.h"

#include "app/TagTypes.h"
#include "platform/Ansi1250.h"
#include "platform/Utf16.h"

#include <string>

namespace {

std::string Utf8Of(const AnsiString& text) { return WideToUtf8(AnsiToWide(text)); }

const nlohmann::json* Member(const nlohmann::json& object, const char* key) {
  const auto it = object.find(key);
  return it == object.end() ? nullptr : &*it;
}

// The member as windows-1250 text; a missing member leaves `target` as it is.
void TakeText(const nlohmann::json& object, const char* key, AnsiString& target) {
  const nlohmann::json* value = Member(object, key);
  if (value == nullptr) return;
  if (!value->is_string()) throw EOrderJsonError(std::string("\"") + key + "\" must be a string");
  target = WideToAnsi(Utf8ToWide(value->get<std::string>()));
}

void TakeInt(const nlohmann::json& object, const char* key, int low, int high, int& target) {
  const nlohmann::json* value = Member(object, key);
  if (value == nullptr) return;
  if (!value->is_number_integer())
    throw EOrderJsonError(std::string("\"") + key + "\" must be an integer");
  const auto number = value->get<long long>();
  if (number < low || number > high)
    throw EOrderJsonError(std::string("\"") + key + "\" must lie between " + std::to_string(low) + " and " +
                          std::to_string(high));
  target = static_cast<int>(number);
}

}  // namespace

nlohmann::ordered_json OrderToJson(const EarTagOrder& order) {
  nlohmann::ordered_json json;
  json["farm"] = Utf8Of(order.FarmNumber);
  json["tagType"] = order.TagType;
  json["name"] = Utf8Of(order.Name);
  json["company"] = Utf8Of(order.Company);
  json["street"] = Utf8Of(order.Street);
  json["village"] = Utf8Of(order.Village);
  json["zipcode"] = Utf8Of(order.Zipcode);
  json["accountNumber"] = Utf8Of(order.AccountNumber);
  json["currentLine"] = order.CurrentLine;
  json["lineCount"] = order.LineCount;
  nlohmann::ordered_json lines = nlohmann::ordered_json::array();
  for (int i = 1; i <= order.LineCount; ++i) {
    const OrderLine& line = order.Line(i);
    lines.push_back({{"row", Utf8Of(line.RowNumber)},
                     {"country", Utf8Of(line.Country)},
                     {"earNumber", Utf8Of(line.EarNumber)},
                     {"count", Utf8Of(line.Count)}});
  }
  json["lines"] = std::move(lines);
  return json;
}

EarTagOrder OrderFromJson(const nlohmann::json& json) {
  if (!json.is_object()) throw EOrderJsonError("the order must be a JSON object");
  EarTagOrder order;
  TakeText(json, "farm", order.FarmNumber);
  TakeInt(json, "tagType", -1, TagTypeCount - 1, order.TagType);
  TakeText(json, "name", order.Name);
  TakeText(json, "company", order.Company);
  TakeText(json, "street", order.Street);
  TakeText(json, "village", order.Village);
  TakeText(json, "zipcode", order.Zipcode);
  TakeText(json, "accountNumber", order.AccountNumber);
  int lineCount = order.LineCount;
  TakeInt(json, "lineCount", 1, MaxLines, lineCount);
  int currentLine = order.CurrentLine;
  TakeInt(json, "currentLine", 1, lineCount, currentLine);
  if (const nlohmann::json* lines = Member(json, "lines")) {
    if (!lines->is_array()) throw EOrderJsonError("\"lines\" must be an array");
    if (lines->size() > static_cast<std::size_t>(lineCount))
      throw EOrderJsonError("\"lines\" holds more lines than \"lineCount\"");
    // Line 1 of a fresh model shows the country editor's default; the JSON replaces it whole.
    order.Line(1).Clear();
    int index = 0;
    for (const nlohmann::json& item : *lines) {
      ++index;
      if (!item.is_object()) throw EOrderJsonError("every line must be a JSON object");
      OrderLine& line = order.Line(index);
      AnsiString text;
      TakeText(item, "row", text);
      line.SetRowNumber(text);
      text.clear();
      TakeText(item, "country", text);
      line.SetCountry(text);
      text.clear();
      TakeText(item, "earNumber", text);
      line.SetEarNumber(text);
      text.clear();
      TakeText(item, "count", text);
      line.SetCount(text);
    }
  }
  order.LineCount = lineCount;
  order.CurrentLine = currentLine;
  return order;
}
