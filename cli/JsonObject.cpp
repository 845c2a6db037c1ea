#include "cli/JsonObject.h"

#include <cstdio>

namespace hk::cli {

std::string JsonObject::Quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (b < 0x20) {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\u%04x", b);
                    out += escape;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

JsonObject& JsonObject::Field(const std::string& key, const std::string& json) {
    if (!fields_.empty()) fields_ += ',';
    fields_ += Quoted(key) + ':' + json;
    return *this;
}

JsonObject& JsonObject::Add(const std::string& key, const std::string& value) {
    return Field(key, Quoted(value));
}

JsonObject& JsonObject::Add(const std::string& key, long long value) {
    return Field(key, std::to_string(value));
}

JsonObject& JsonObject::Add(const std::string& key, bool value) {
    return Field(key, value ? "true" : "false");
}

JsonObject& JsonObject::AddStrings(const std::string& key, const std::vector<std::string>& values) {
    std::string array = "[";
    for (const std::string& v : values) array += (array.size() > 1 ? "," : "") + Quoted(v);
    return Field(key, array + "]");
}

JsonObject& JsonObject::AddRaw(const std::string& key, const std::string& json) {
    return Field(key, json);
}

}  // namespace hk::cli
