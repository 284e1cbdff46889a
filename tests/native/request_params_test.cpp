// Parameters in and JSON out: a text with '&', quotes, Cyrillic and emoji
// arrives exactly as sent by either road and goes back out unchanged; what
// is not strictly UTF-8 or JSON is refused with its reason.
#include <gtest/gtest.h>

#include "remote/json_writer.h"
#include "remote/request_params.h"

namespace {

const std::u16string kUrgent = u"H&M \"Срочно\" 🔥";

std::u16string TextOf(const RequestParams& p) { return ReadText(p, "text").value; }

TEST(RequestParams, TheSameTextArrivesThroughTheQueryAndThroughJson) {
    std::string error;
    RequestParams query;
    ASSERT_TRUE(query.AddQuery("text=H%26M+%22%D0%A1%D1%80%D0%BE%D1%87%D0%BD%D0%BE%22+%F0%9F%94%A5&repeat=2", error))
        << error;
    EXPECT_EQ(TextOf(query), kUrgent);
    EXPECT_EQ(ReadInteger(query, "repeat", 0, 9).value, 2);

    RequestParams raw, escaped;
    ASSERT_TRUE(raw.AddJsonObject(u8"{\"text\": \"H&M \\\"Срочно\\\" 🔥\"}", error)) << error;
    ASSERT_TRUE(escaped.AddJsonObject("\xEF\xBB\xBF { \"text\":\"H&M \\\"\\u0421\\u0440\\u043e\\u0447\\u043d\\u043e\\\" "
                                      "\\ud83d\\udd25\" , \"repeat\" : 0 }\n",
                                      error))
        << error;
    EXPECT_EQ(TextOf(raw), kUrgent);
    EXPECT_EQ(TextOf(escaped), kUrgent);

    // What the replies write reads back as the same text, whatever it holds.
    const std::u16string odd = kUrgent + u"\n\t\\/\x01\x7f\u2028" + std::u16string(1, char16_t(0xD800)) + u"end";
    JsonWriter json;
    json.BeginObject().String("text", odd).EndObject();
    EXPECT_EQ(json.Text().find('\n'), std::string::npos);
    RequestParams back;
    ASSERT_TRUE(back.AddJsonObject(json.Text(), error)) << error << " in " << json.Text();
    std::u16string expected = odd;
    expected[expected.size() - 4] = 0xFFFD;  // the lone surrogate
    EXPECT_EQ(TextOf(back), expected);

    JsonWriter nested;
    nested.BeginObject().BeginArray("a").Number(nullptr, -5).BeginObject().Null("n").EndObject().EndArray().Bool("b", 1);
    EXPECT_EQ(nested.EndObject().Text(), "{\"a\":[-5,{\"n\":null}],\"b\":true}");
}

TEST(RequestParams, RefusesWhatIsNotStrictlyUtf8OrJsonAndKeepsNothingOfIt) {
    const char* const kBadQueries[] = {"text=%4", "text=%zz", "text=%C3%28", "text=%ED%A0%80", "text=a&text=b",
                                       "te%FFxt=a"};
    for (const char* q : kBadQueries) {
        RequestParams p;
        std::string error;
        EXPECT_FALSE(p.AddQuery(q, error)) << q;
        EXPECT_FALSE(error.empty()) << q;
        EXPECT_TRUE(p.All().empty()) << q;
    }
    const char* const kBadBodies[] = {
        "", "[]", "{\"text\":\"a\"", "{\"text\":\"a\"} x", "{\"text\":'a'}", "{text:\"a\"}",
        "{\"text\":\"\xC3\x28\"}", "{\"text\":\"\\ud800\"}", "{\"text\":\"\\udc00x\"}", "{\"text\":\"a\tb\"}",
        "{\"text\":\"\\x41\"}", "{\"text\":{\"a\":1}}", "{\"text\":[1]}", "{\"a\":1,\"a\":2}", "{\"a\":01}",
        "{\"a\":1.}", "{\"a\":-}", "{\"a\":1,}",
    };
    for (const char* b : kBadBodies) {
        RequestParams p;
        std::string error;
        EXPECT_FALSE(p.AddJsonObject(b, error)) << b;
        EXPECT_FALSE(error.empty()) << b;
        EXPECT_TRUE(p.All().empty()) << b;
    }
    // A name in the query and again in the body.
    RequestParams both;
    std::string error;
    ASSERT_TRUE(both.AddQuery("kind=feed", error));
    EXPECT_FALSE(both.AddJsonObject("{\"kind\":\"file\"}", error));
    EXPECT_EQ(error, "\"kind\" is given twice");
}

TEST(RequestParams, WholeNumbersOnlyAndInsideTheirRange) {
    std::string error;
    RequestParams p;
    ASSERT_TRUE(p.AddJsonObject("{\"a\":7,\"b\":2.0,\"c\":1e2,\"d\":\"3\",\"e\":99999999999999999999999,\"f\":-1,"
                                "\"g\":true,\"h\":-0}",
                                error));
    EXPECT_EQ(ReadInteger(p, "a", 0, 9).value, 7);
    for (const char* bad : {"b", "c", "d", "e", "f", "g"}) EXPECT_FALSE(ReadInteger(p, bad, 0, 9).error.empty()) << bad;
    EXPECT_TRUE(ReadInteger(p, "h", 0, 9).error.empty());
    EXPECT_FALSE(ReadInteger(p, "zz", 0, 9).present);
    RequestParams q;
    ASSERT_TRUE(q.AddQuery("i=12&j=1%2B1&k=", error));
    EXPECT_EQ(ReadInteger(q, "i", 0, 99).value, 12);
    EXPECT_FALSE(ReadInteger(q, "j", 0, 99).error.empty());
    EXPECT_FALSE(ReadInteger(q, "k", 0, 99).error.empty());
    EXPECT_EQ(ReadText(q, "j").value, u"1+1");
    EXPECT_FALSE(ReadText(p, "a").error.empty()) << "a number is no text";
}

}  // namespace
