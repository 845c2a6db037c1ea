#pragma once
// One JSON object for --json, built field by field (UTF-8 text, in the order
// the fields were added).

#include <string>
#include <vector>

namespace hk::cli {

class JsonObject {
public:
    JsonObject& Add(const std::string& key, const std::string& value);
    JsonObject& Add(const std::string& key, const char* value) {
        return Add(key, std::string(value));
    }
    JsonObject& Add(const std::string& key, long long value);
    JsonObject& Add(const std::string& key, int value) {
        return Add(key, static_cast<long long>(value));
    }
    JsonObject& Add(const std::string& key, bool value);
    JsonObject& AddStrings(const std::string& key, const std::vector<std::string>& values);
    // A value already written as JSON (an object or an array of them).
    JsonObject& AddRaw(const std::string& key, const std::string& json);
    std::string Text() const { return "{" + fields_ + "}"; }

    static std::string Quoted(const std::string& text);

private:
    JsonObject& Field(const std::string& key, const std::string& json);
    std::string fields_;
};

}  // namespace hk::cli
