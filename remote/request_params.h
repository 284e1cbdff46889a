// A request's parameters, from its query string and from a JSON object in
// its body, in UTF-8 and strictly so: a byte sequence that is not UTF-8, a
// bad percent escape, a lone surrogate, a name given twice or a JSON value
// that is neither a string nor a number refuses the request with its reason.
// Query strings follow the form encoding: '+' is a blank, "%2B" a plus.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

enum class ParamKind { QueryText, JsonString, JsonNumber, JsonOther };

struct ParamValue {
    ParamKind kind = ParamKind::QueryText;
    std::string text;  // UTF-8 text; a number's literal
};

class RequestParams {
public:
    // False, with the reason, on the first fault; nothing of that source is kept then.
    bool AddQuery(const std::string& query, std::string& error);
    bool AddJsonObject(const std::string& body, std::string& error);

    const ParamValue* Find(const std::string& name) const;
    const std::vector<std::pair<std::string, ParamValue>>& All() const { return values_; }

private:
    bool Add(std::vector<std::pair<std::string, ParamValue>>& to, std::string name, ParamValue value,
             std::string& error) const;

    std::vector<std::pair<std::string, ParamValue>> values_;
};

// A typed read of one parameter: absent, a value, or a reason it is bad.
template <typename T>
struct ParamRead {
    bool present = false;
    T value{};
    std::string error;  // non-empty: the parameter is there but bad
};

// A text: a query value or a JSON string, as UTF-16.
ParamRead<std::u16string> ReadText(const RequestParams& params, const char* name);
// A whole number in [min, max]: decimal digits in a query, a JSON number
// without fraction or exponent.
ParamRead<int64_t> ReadInteger(const RequestParams& params, const char* name, int64_t min, int64_t max);
