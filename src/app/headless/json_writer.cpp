#include "app/headless/json_writer.hpp"

#include <cstdio>

namespace torvane::headless {

std::string JsonString(std::string_view utf8) {
  std::string out = "\"";
  for (char c : utf8) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(c)));
          out += escape;
        } else {
          out += c;
        }
    }
  }
  out += '"';
  return out;
}

std::string JsonArray(const std::vector<std::string>& encoded_values) {
  std::string out = "[";
  for (std::size_t i = 0; i < encoded_values.size(); ++i) {
    if (i) out += ',';
    out += encoded_values[i];
  }
  return out + "]";
}

void JsonObject::Key(std::string_view key) {
  if (!body_.empty()) body_ += ',';
  body_ += JsonString(key);
  body_ += ':';
}

JsonObject& JsonObject::Add(std::string_view key, std::string_view utf8) {
  Key(key);
  body_ += JsonString(utf8);
  return *this;
}

JsonObject& JsonObject::Add(std::string_view key, std::int64_t number) {
  Key(key);
  body_ += std::to_string(number);
  return *this;
}

JsonObject& JsonObject::Add(std::string_view key, bool value) {
  Key(key);
  body_ += value ? "true" : "false";
  return *this;
}

JsonObject& JsonObject::AddNull(std::string_view key) {
  Key(key);
  body_ += "null";
  return *this;
}

JsonObject& JsonObject::AddRaw(std::string_view key, std::string_view json) {
  Key(key);
  body_ += json;
  return *this;
}

}  // namespace torvane::headless
