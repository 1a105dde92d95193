// The JSON decoder against JSONTestSuite and at its limits, and the encoder's
// layout, escaping and bounds. Values decoded from the whole suite are held
// to Python's json by check_with_python.py.

#include <gtest/gtest.h>
#include <string.h>

#include <sstream>
#include <string>

#include "acc_test_util.h"
#include "u_json_decoder.h"
#include "u_json_encoder.h"

namespace {

JSON_decoder Decode(const std::string& text) { return new_JSON_decoder(text.data(), (int)text.size()); }

bool Accepted(const std::string& text) {
  JSON_decoder root = Decode(text);
  JSON_decoder_done(root);
  return root != nullptr;
}

TEST(JsonDecoder, RefusesEveryRejectFileAndAcceptsEveryObjectOrArrayOfTheSuite) {
  std::istringstream index(TestData("json/index.tsv"));
  std::string line;
  std::getline(index, line);  // header
  int files = 0;
  while (std::getline(index, line)) {
    std::istringstream fields(line);
    std::string name, expect, bytes, utf8, top;
    fields >> name >> expect >> bytes >> utf8 >> top;
    const std::string text = TestData("json/test_parsing/" + name);
    ASSERT_EQ(std::stoul(bytes), text.size()) << name;
    const bool accepted = Accepted(text);  // every file, the i_ ones too, must come back
    if (expect == "reject") {
      EXPECT_FALSE(accepted) << name;
    }
    // A scalar at the top is refused by design: messages are objects.
    if (expect == "accept") {
      EXPECT_EQ(top == "object" || top == "array", accepted) << name;
    }
    files++;
  }
  EXPECT_EQ(214, files);
}

TEST(JsonDecoder, BuildsOrRefusesCleanlyAtEachLimit) {
  auto object_with = [](const std::string& key, const std::string& value) {
    return "{\"" + key + "\":\"" + value + "\"}";
  };
  auto members = [](int n) {
    std::string text = "{";
    for (int i = 0; i < n; i++) text += (i ? ",\"k" : "\"k") + std::to_string(i) + "\":" + std::to_string(i);
    return text + "}";
  };
  auto nested = [](int depth) { return std::string(depth, '[') + std::string(depth, ']'); };
  EXPECT_TRUE(Accepted(object_with(std::string(63, 'k'), "v")));
  EXPECT_FALSE(Accepted(object_with(std::string(64, 'k'), "v")));
  EXPECT_TRUE(Accepted(object_with("k", std::string(1023, 's'))));
  EXPECT_FALSE(Accepted(object_with("k", std::string(1024, 's'))));
  std::string escaped(1000, 'x');
  for (int i = 0; i < 23; i++) escaped += "\\n";
  EXPECT_TRUE(Accepted(object_with("k", escaped))) << "the limit counts decoded bytes";
  EXPECT_FALSE(Accepted(object_with("k", escaped + "\\n")));
  EXPECT_TRUE(Accepted(members(200)));
  EXPECT_FALSE(Accepted(members(201)));
  EXPECT_TRUE(Accepted(nested(199)));
  EXPECT_FALSE(Accepted(nested(200)));

  JSON_decoder root = Decode(nested(199));
  int depth = 1;
  for (JSON_decoder jo = root; JSON_util_get_child_count(jo) == 1; jo = JSON_util_get_child(jo, 0)) depth++;
  EXPECT_EQ(199, depth) << "every level a child of the one around it";
  JSON_decoder_done(root);
}

TEST(JsonDecoder, BuildsObjectsArraysAndEmptyContainersAsRegularTrees) {
  JSON_decoder root = Decode(R"({"a":1,"b":"x","c":true,"o":{"p":2},"e":{},"l":[7,{"q":null},[]],"z":false})");
  ASSERT_NE(nullptr, root);
  ASSERT_EQ(7, JSON_util_get_child_count(root));
  const char* keys[] = {"a", "b", "c", "o", "e", "l", "z"};
  const JSON_type_t types[] = {JSON_TYPE_INT,   JSON_TYPE_STRING, JSON_TYPE_BOOLEAN_TRUE,  JSON_TYPE_OBJECT,
                               JSON_TYPE_OBJECT, JSON_TYPE_ARRAY, JSON_TYPE_BOOLEAN_FALSE};
  for (int i = 0; i < 7; i++) {
    EXPECT_STREQ(keys[i], JSON_util_get_key(JSON_util_get_child(root, i)));
    EXPECT_EQ(types[i], JSON_util_get_type(JSON_util_get_child(root, i))) << keys[i];
  }
  EXPECT_EQ(1, JSON_util_get_int(JSON_util_get_child(root, 0)));
  EXPECT_STREQ("x", JSON_util_get_string(JSON_util_get_child(root, 1)));
  JSON_decoder o = JSON_util_get_child(root, 3);
  EXPECT_EQ(2, JSON_util_get_int(JSON_util_get_child(o, 0)));
  EXPECT_STREQ("p", JSON_util_get_key(JSON_util_get_child(o, 0)));
  EXPECT_EQ(0, JSON_util_get_child_count(JSON_util_get_child(root, 4)));
  JSON_decoder l = JSON_util_get_child(root, 5);
  ASSERT_EQ(3, JSON_util_get_child_count(l));
  EXPECT_EQ(7, JSON_util_get_int(JSON_util_get_child(l, 0)));
  EXPECT_EQ(JSON_TYPE_NULL, JSON_util_get_type(JSON_util_get_child(JSON_util_get_child(l, 1), 0)));
  EXPECT_EQ(JSON_TYPE_ARRAY, JSON_util_get_type(JSON_util_get_child(l, 2)));
  EXPECT_EQ(nullptr, JSON_util_get_child(l, 3));
  JSON_decoder_done(root);
}

TEST(JsonDecoder, DecodesSignsExponentsEscapesAndTheFull64BitRange) {
  JSON_decoder root = Decode(R"([-5, 1e3, 2.5E1, 12.50, -0.5e-2, 18446744073709551615, -9223372036854775808,
                                 "\u00e9\ud83d\ude00\n\"\\\/", "a\u0000b"])");
  ASSERT_NE(nullptr, root);
  auto at = [&](int i) { return JSON_util_get_child(root, i); };
  EXPECT_EQ(-5, JSON_util_get_int(at(0)));
  EXPECT_TRUE(JSON_util_bIsNegative(at(0)));
  EXPECT_EQ(1000.0, JSON_util_get_real(at(1)));
  EXPECT_EQ(25.0, JSON_util_get_real(at(2)));
  EXPECT_EQ(12.5, JSON_util_get_real(at(3)));
  EXPECT_EQ(-0.005, JSON_util_get_real(at(4)));
  EXPECT_EQ(18446744073709551615ull, JSON_util_get_int64(at(5)));
  EXPECT_EQ(0x8000000000000000ull, JSON_util_get_int64(at(6)));
  // U+00E9 and U+1F600 (a surrogate pair) in UTF-8, then the short escapes.
  EXPECT_STREQ("\xC3\xA9\xF0\x9F\x98\x80\n\"\\/", JSON_util_get_string(at(7)));
  EXPECT_EQ(3, JSON_util_get_string_length(at(8)));
  JSON_decoder_done(root);

  EXPECT_FALSE(Accepted("[18446744073709551616]"));
  EXPECT_FALSE(Accepted("[-9223372036854775809]"));
  EXPECT_FALSE(Accepted(R"({"a":1)")) << "a truncated text is refused";
  const std::string framed = R"({"a":1}{"b":)";
  JSON_decoder first = new_JSON_decoder(framed.data(), 7);
  EXPECT_NE(nullptr, first) << "the text ends at the size given";
  JSON_decoder_done(first);
}

TEST(JsonEncoder, WritesOneIndentedMemberPerLineWithEscapedStrings) {
  char buffer[256];
  JSON_encoder_struct encoder;
  new_JSON_encoder(&encoder, buffer, sizeof buffer, JSON_TYPE_OBJECT);
  const S64 one = 1;
  EXPECT_EQ(0, JSON_encode(&encoder, JSON_TYPE_INT, "a", &one));
  EXPECT_EQ(0, JSON_encode(&encoder, JSON_TYPE_STRING, "b", "x\"\\\n\x01"));
  EXPECT_EQ(0, JSON_encode(&encoder, JSON_TYPE_ARRAY, "c", nullptr));
  EXPECT_EQ(0, JSON_encode(&encoder, JSON_TYPE_NULL, nullptr, nullptr));
  EXPECT_EQ(0, JSON_encode(&encoder, JSON_TYPE_ARRAY_END, nullptr, nullptr));
  const std::string expected = "{\n   \"a\" : 1,\n   \"b\" : \"x\\\"\\\\\\n\\u0001\",\n   \"c\" : [\n      null\n   ]\n}\n";
  EXPECT_EQ((int)expected.size(), JSON_encoder_done(&encoder));
  EXPECT_EQ(expected, buffer);
}

TEST(JsonEncoder, RefusesToOverrunItsBufferOrNestBeyondWhatTheDecoderReads) {
  char buffer[32];
  memset(buffer, 'G', sizeof buffer);
  JSON_encoder_struct encoder;
  new_JSON_encoder(&encoder, buffer, 20, JSON_TYPE_OBJECT);
  EXPECT_EQ(-1, JSON_encode(&encoder, JSON_TYPE_STRING, "name", "a text that does not fit"));
  EXPECT_EQ(-1, JSON_encoder_done(&encoder));
  EXPECT_EQ(std::string(12, 'G'), std::string(buffer + 20, 12));
  EXPECT_LT(strlen(buffer), 20u) << "what fits stays terminated";

  auto nest = [](int pushes) {
    std::string text(256 * 1024, '\0');  // three spaces a level make it long
    JSON_encoder_struct deep;
    new_JSON_encoder(&deep, text.data(), (int)text.size(), JSON_TYPE_ARRAY);
    for (int i = 0; i < pushes; i++) JSON_encode(&deep, JSON_TYPE_ARRAY, nullptr, nullptr);
    for (int i = 0; i < pushes; i++) JSON_encode(&deep, JSON_TYPE_ARRAY_END, nullptr, nullptr);
    const int n = JSON_encoder_done(&deep);
    return n < 0 ? std::string() : text.substr(0, (size_t)n);
  };
  const std::string deepest = nest(JSON_MAX_NESTING - 1);  // with the outer array, the deepest text
  EXPECT_TRUE(Accepted(deepest));
  EXPECT_EQ("", nest(JSON_MAX_NESTING));
}

}  // namespace
