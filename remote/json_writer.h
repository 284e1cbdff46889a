// JSON text in UTF-8 for the endpoint's replies. Strings are escaped so that
// any text, control characters and lone surrogates included, gives valid
// JSON: quotes, backslashes and every control character as escapes, a lone
// surrogate as U+FFFD, and U+2028/U+2029 escaped for readers that take JSON
// for JavaScript.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

class JsonWriter {
public:
    // `key` names a member of the enclosing object; null for an array's
    // element or the outermost value.
    JsonWriter& BeginObject(const char* key = nullptr);
    JsonWriter& EndObject();
    JsonWriter& BeginArray(const char* key = nullptr);
    JsonWriter& EndArray();
    JsonWriter& String(const char* key, const std::u16string& text);
    JsonWriter& Utf8(const char* key, const std::string& text);  // UTF-8 text
    JsonWriter& Number(const char* key, int64_t value);
    JsonWriter& Bool(const char* key, bool value);
    JsonWriter& Null(const char* key);

    const std::string& Text() const { return out_; }

private:
    void Member(const char* key);
    void Quote(const std::string& utf8);

    std::string out_;
    std::vector<bool> empty_;  // per open object or array: nothing in it yet
};
