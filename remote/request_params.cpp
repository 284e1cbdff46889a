#include "remote/request_params.h"

#include "text/unicode_text.h"

namespace {

using Values = std::vector<std::pair<std::string, ParamValue>>;

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Percent escapes and '+' decoded; false on a bad escape.
bool FormDecode(const std::string& in, std::string& out) {
    out.clear();
    for (size_t i = 0; i < in.size(); ++i) {
        const char c = in[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%') {
            const int hi = i + 2 < in.size() ? HexValue(in[i + 1]) : -1;
            const int lo = hi >= 0 ? HexValue(in[i + 2]) : -1;
            if (lo < 0) return false;
            out += char(hi * 16 + lo);
            i += 2;
        } else {
            out += c;
        }
    }
    return true;
}

void AppendUtf8Of(uint32_t c, std::string& out) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// RFC 8259, one object whose members are strings, numbers, true, false or null.
class JsonObjectReader {
public:
    explicit JsonObjectReader(const std::string& text) : s_(text) {}

    bool Read(Values& out, std::string& error) {
        // A byte-order mark is not JSON's, but some writers put one.
        if (s_.compare(0, 3, "\xEF\xBB\xBF") == 0) i_ = 3;
        Blank();
        if (!Take('{')) return Fail(error, "the body is not a JSON object");
        Blank();
        if (Take('}')) return End(error);
        for (;;) {
            std::string name;
            Blank();
            if (!String(name, error)) return error.empty() ? Fail(error, "a JSON member name is not a string") : false;
            Blank();
            if (!Take(':')) return Fail(error, "a JSON member has no ':'");
            Blank();
            ParamValue value;
            if (!Value(name, value, error)) return false;
            out.emplace_back(std::move(name), std::move(value));
            Blank();
            if (Take(',')) continue;
            if (Take('}')) return End(error);
            return Fail(error, "the JSON object is not closed properly");
        }
    }

private:
    bool Fail(std::string& error, const std::string& why) {
        error = why;
        return false;
    }
    bool End(std::string& error) {
        Blank();
        return i_ == s_.size() || Fail(error, "the body goes on after the JSON object");
    }
    void Blank() {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\n' || s_[i_] == '\r')) ++i_;
    }
    bool Take(char c) {
        if (i_ < s_.size() && s_[i_] == c) {
            ++i_;
            return true;
        }
        return false;
    }
    bool Literal(const char* word) {
        const std::string w(word);
        if (s_.compare(i_, w.size(), w) != 0) return false;
        i_ += w.size();
        return true;
    }

    bool Hex4(uint32_t& v) {
        if (i_ + 4 > s_.size()) return false;
        v = 0;
        for (int k = 0; k < 4; ++k) {
            const int h = HexValue(s_[i_ + k]);
            if (h < 0) return false;
            v = v * 16 + uint32_t(h);
        }
        i_ += 4;
        return true;
    }

    // False with `error` empty when there is no string here at all.
    bool String(std::string& out, std::string& error) {
        if (!Take('"')) return false;
        out.clear();
        while (i_ < s_.size()) {
            const unsigned char c = s_[i_++];
            if (c == '"') {
                if (!IsUtf8(out.data(), out.size())) return Fail(error, "a JSON string is not UTF-8");
                return true;
            }
            if (c < 0x20) return Fail(error, "a JSON string holds a raw control character");
            if (c != '\\') {
                out += char(c);
                continue;
            }
            if (i_ >= s_.size()) break;
            const char e = s_[i_++];
            switch (e) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                uint32_t u;
                if (!Hex4(u)) return Fail(error, "a bad \\u escape in a JSON string");
                if (u >= 0xDC00 && u <= 0xDFFF) return Fail(error, "a lone surrogate in a JSON string");
                if (u >= 0xD800 && u <= 0xDBFF) {
                    uint32_t low;
                    if (!Take('\\') || !Take('u') || !Hex4(low) || low < 0xDC00 || low > 0xDFFF)
                        return Fail(error, "a lone surrogate in a JSON string");
                    u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
                }
                AppendUtf8Of(u, out);
                break;
            }
            default: return Fail(error, "a bad escape in a JSON string");
            }
        }
        return Fail(error, "a JSON string is not closed");
    }

    bool Number(std::string& out) {
        const size_t start = i_;
        Take('-');
        if (Take('0')) {
        } else if (i_ < s_.size() && s_[i_] >= '1' && s_[i_] <= '9') {
            while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9') ++i_;
        } else {
            return false;
        }
        if (Take('.')) {
            if (!Digits()) return false;
        }
        if (Take('e') || Take('E')) {
            if (!Take('+')) Take('-');
            if (!Digits()) return false;
        }
        out = s_.substr(start, i_ - start);
        return true;
    }
    bool Digits() {
        const size_t start = i_;
        while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9') ++i_;
        return i_ > start;
    }

    bool Value(const std::string& name, ParamValue& v, std::string& error) {
        if (i_ < s_.size() && s_[i_] == '"') {
            v.kind = ParamKind::JsonString;
            return String(v.text, error);
        }
        if (Number(v.text)) {
            v.kind = ParamKind::JsonNumber;
            return true;
        }
        for (const char* word : {"true", "false", "null"}) {
            if (Literal(word)) {
                v.kind = ParamKind::JsonOther;
                v.text = word;
                return true;
            }
        }
        if (i_ < s_.size() && (s_[i_] == '{' || s_[i_] == '['))
            return Fail(error, "\"" + name + "\" must be a string or a number");
        return Fail(error, "\"" + name + "\" has no valid JSON value");
    }

    const std::string& s_;
    size_t i_ = 0;
};

}  // namespace

bool RequestParams::Add(Values& to, std::string name, ParamValue value, std::string& error) const {
    for (const Values* list : {static_cast<const Values*>(&values_), static_cast<const Values*>(&to)}) {
        for (const auto& v : *list) {
            if (v.first == name) {
                error = "\"" + name + "\" is given twice";
                return false;
            }
        }
    }
    to.emplace_back(std::move(name), std::move(value));
    return true;
}

bool RequestParams::AddQuery(const std::string& query, std::string& error) {
    Values fresh;
    size_t start = 0;
    while (start < query.size()) {
        size_t amp = query.find('&', start);
        if (amp == std::string::npos) amp = query.size();
        const std::string pair = query.substr(start, amp - start);
        start = amp + 1;
        if (pair.empty()) continue;
        const size_t eq = pair.find('=');
        std::string name, text;
        if (!FormDecode(pair.substr(0, eq), name) ||
            !FormDecode(eq == std::string::npos ? std::string() : pair.substr(eq + 1), text)) {
            error = "a bad percent escape in the query string";
            return false;
        }
        if (!IsUtf8(name.data(), name.size()) || !IsUtf8(text.data(), text.size())) {
            error = "the query string is not UTF-8";
            return false;
        }
        ParamValue value;
        value.kind = ParamKind::QueryText;
        value.text = std::move(text);
        if (!Add(fresh, std::move(name), std::move(value), error)) return false;
    }
    values_.insert(values_.end(), fresh.begin(), fresh.end());
    return true;
}

bool RequestParams::AddJsonObject(const std::string& body, std::string& error) {
    Values read, fresh;
    if (!JsonObjectReader(body).Read(read, error)) return false;
    for (auto& v : read)
        if (!Add(fresh, std::move(v.first), std::move(v.second), error)) return false;
    values_.insert(values_.end(), fresh.begin(), fresh.end());
    return true;
}

const ParamValue* RequestParams::Find(const std::string& name) const {
    for (const auto& v : values_)
        if (v.first == name) return &v.second;
    return nullptr;
}

ParamRead<std::u16string> ReadText(const RequestParams& params, const char* name) {
    ParamRead<std::u16string> r;
    const ParamValue* v = params.Find(name);
    if (!v) return r;
    r.present = true;
    if (v->kind != ParamKind::QueryText && v->kind != ParamKind::JsonString) {
        r.error = std::string("\"") + name + "\" must be a string";
        return r;
    }
    AppendUtf8(v->text.data(), v->text.size(), r.value);  // checked as UTF-8 when it was read
    return r;
}

ParamRead<int64_t> ReadInteger(const RequestParams& params, const char* name, int64_t min, int64_t max) {
    ParamRead<int64_t> r;
    const ParamValue* v = params.Find(name);
    if (!v) return r;
    r.present = true;
    const std::string range = " from " + std::to_string(min) + " to " + std::to_string(max);
    const std::string& t = v->text;
    const bool negative = !t.empty() && t[0] == '-';
    const size_t digits = negative ? 1 : 0;
    const bool numeric = (v->kind == ParamKind::QueryText || v->kind == ParamKind::JsonNumber) && t.size() > digits &&
                         t.find_first_not_of("0123456789", digits) == std::string::npos;
    if (!numeric) {
        r.error = std::string("\"") + name + "\" must be a whole number" + range;
        return r;
    }
    // Digits beyond what the range can hold are out of it however many there are.
    int64_t value = 0;
    for (size_t i = digits; i < t.size(); ++i) {
        value = value * 10 + (t[i] - '0');
        if (value > int64_t(1) << 40) break;
    }
    if (negative) value = -value;
    if (value < min || value > max) {
        r.error = std::string("\"") + name + "\" must be" + range;
        return r;
    }
    r.value = value;
    return r;
}
