// The order model as JSON: the shape `order` prints and `write` reads. Texts are UTF-8 in
// JSON and windows-1250 in the model.
#pragma once

#include "app/EarTagOrder.h"

#include <nlohmann/json.hpp>

#include <stdexcept>

// A JSON order that does not describe a model the program can hold.
class EOrderJsonError : public std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The order with the lines 1 to LineCount.
nlohmann::ordered_json OrderToJson(const EarTagOrder& order);

// A model fresh from start-up with every member the JSON gives replaced. Raises
// EOrderJsonError for a member of the wrong type or a value outside the model's rules
// (tag type -1..6, 1 <= currentLine <= lineCount <= 50, no more lines than lineCount).
EarTagOrder OrderFromJson(const nlohmann::json& json);
