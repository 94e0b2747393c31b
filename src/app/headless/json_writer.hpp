#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace torvane::headless {

// Builds one JSON object, keys in the order they are added. Strings are
// UTF-8; the caller converts code page 932 text first.
class JsonObject {
 public:
  JsonObject& Add(std::string_view key, std::string_view utf8);
  JsonObject& Add(std::string_view key, const char* utf8) { return Add(key, std::string_view(utf8)); }
  JsonObject& Add(std::string_view key, std::int64_t number);
  JsonObject& Add(std::string_view key, int number) { return Add(key, static_cast<std::int64_t>(number)); }
  JsonObject& Add(std::string_view key, bool value);
  JsonObject& AddNull(std::string_view key);
  JsonObject& AddRaw(std::string_view key, std::string_view json);  // an already encoded value

  std::string Str() const { return "{" + body_ + "}"; }

 private:
  void Key(std::string_view key);
  std::string body_;
};

std::string JsonString(std::string_view utf8);
std::string JsonArray(const std::vector<std::string>& encoded_values);

}  // namespace torvane::headless
