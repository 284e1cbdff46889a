#include "remote/json_writer.h"

#include <cstdio>

#include "text/unicode_text.h"

void JsonWriter::Member(const char* key) {
    if (!empty_.empty()) {
        if (!empty_.back()) out_ += ',';
        empty_.back() = false;
    }
    if (key) {
        Quote(key);
        out_ += ':';
    }
}

void JsonWriter::Quote(const std::string& utf8) {
    out_ += '"';
    for (size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char c = uint8_t(utf8[i]);
        switch (c) {
        case '"': out_ += "\\\""; continue;
        case '\\': out_ += "\\\\"; continue;
        case '\n': out_ += "\\n"; continue;
        case '\r': out_ += "\\r"; continue;
        case '\t': out_ += "\\t"; continue;
        default: break;
        }
        // U+2028 and U+2029 are E2 80 A8 and E2 80 A9.
        const bool separator = c == 0xE2 && i + 2 < utf8.size() && uint8_t(utf8[i + 1]) == 0x80 &&
                               (uint8_t(utf8[i + 2]) == 0xA8 || uint8_t(utf8[i + 2]) == 0xA9);
        if (c < 0x20 || c == 0x7F || separator) {
            char escape[8];
            const unsigned code = separator ? (uint8_t(utf8[i + 2]) == 0xA8 ? 0x2028u : 0x2029u) : c;
            std::snprintf(escape, sizeof escape, "\\u%04x", code);
            out_ += escape;
            if (separator) i += 2;
            continue;
        }
        out_ += char(c);
    }
    out_ += '"';
}

JsonWriter& JsonWriter::BeginObject(const char* key) {
    Member(key);
    out_ += '{';
    empty_.push_back(true);
    return *this;
}

JsonWriter& JsonWriter::EndObject() {
    out_ += '}';
    empty_.pop_back();
    return *this;
}

JsonWriter& JsonWriter::BeginArray(const char* key) {
    Member(key);
    out_ += '[';
    empty_.push_back(true);
    return *this;
}

JsonWriter& JsonWriter::EndArray() {
    out_ += ']';
    empty_.pop_back();
    return *this;
}

JsonWriter& JsonWriter::String(const char* key, const std::u16string& text) {
    return Utf8(key, ToUtf8(text.data(), text.size()));
}

JsonWriter& JsonWriter::Utf8(const char* key, const std::string& text) {
    Member(key);
    Quote(text);
    return *this;
}

JsonWriter& JsonWriter::Number(const char* key, int64_t value) {
    Member(key);
    out_ += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::Bool(const char* key, bool value) {
    Member(key);
    out_ += value ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::Null(const char* key) {
    Member(key);
    out_ += "null";
    return *this;
}
