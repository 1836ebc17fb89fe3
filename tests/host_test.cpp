// The kortools host: its JSON reader and writer, the conversions between the
// request forms and the library's types, and `serve` answering request lines.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <sstream>

#include "host/convert.h"
#include "host/invoke.h"
#include "host/json.h"
#include "host/serve.h"
#include "host/window.h"
#include "kortools/error.h"
#include "tests/test_support.h"

namespace kor::host {
namespace {

json::Value Parsed(std::string_view text) {
  json::Value v;
  std::string error;
  EXPECT_TRUE(json::Parse(text, v, error)) << text << ": " << error;
  return v;
}

using testing_support::ErrorOf;

// ---------------------------------------------------------------------------
// JSON

TEST(HostJson, NumbersReadBackToTheSameValue) {
  for (double d : {-0.0, 0.1, 1e21, -2.5e-7, 5e-324, 1.7976931348623157e308, 9007199254740993.0}) {
    const std::string text = json::Write(json::Value::Number(d));
    const double back = Parsed(text).number();
    EXPECT_EQ(back, d) << text;
    EXPECT_EQ(std::signbit(back), std::signbit(d)) << text;  // -0 keeps its sign
  }
  for (float f : {1.0f / 3, 3.4028235e38f, 1e-45f}) {
    const std::string text = json::Write(json::Value::Single(f));
    EXPECT_EQ(static_cast<float>(Parsed(text).number()), f) << text;
  }
  EXPECT_EQ(json::Write(json::Value::Single(0.1f)), "0.1");  // not 0.10000000149011612
  EXPECT_EQ(json::Write(json::Value::Number(std::numeric_limits<double>::infinity())), "null");
}

TEST(HostJson, NumbersKeepHowTheyWereWritten) {
  struct Case {
    const char* text;
    double value;
    bool whole;
  };
  const double inf = std::numeric_limits<double>::infinity();
  const Case cases[] = {
      {"2", 2, true},
      {"-0", 0, true},
      {"2.0", 2, false},
      {"1E+2", 100, false},
      {"1e400", inf, false},
      {"-1e400", -inf, false},
      {"0.0000001e-320", 0, false},
      {"12345678901234567890", 12345678901234567890.0, true},
      {"1e999999999999999999999", inf, false},
  };
  for (const auto& c : cases) {
    const json::Value v = Parsed(c.text);
    EXPECT_EQ(v.number(), c.value) << c.text;
    EXPECT_EQ(v.whole(), c.whole) << c.text;
    EXPECT_EQ(json::Write(v), c.text);  // an id comes back as it was written
  }
  // Digits enough to overflow a Double without an exponent.
  EXPECT_EQ(Parsed(std::string(400, '9')).number(), inf);
}

TEST(HostJson, StringsCarryEveryCodeUnit) {
  const json::Value v = Parsed(R"("a\u0000b\ud800\udc00\udfff\"\\\/\b\f\n\r\t\u00e9é😀")");
  EXPECT_EQ(v.string(), String(u"a\0b\xD800\xDC00\xDFFF\"\\/\b\f\n\r\t\u00e9\u00e9\U0001F600", 18));

  struct Case {
    std::u16string in;
    std::string out;
  };
  const Case cases[] = {
      {std::u16string(u"\0", 1), R"("\u0000")"},
      {u"\x01\x1f\x7f", "\"\\u0001\\u001f\x7f\""},
      {u"\xDC00\xD800", R"("\udc00\ud800")"},              // a pair the wrong way round is two lone units
      {u"\U0001F600", "\"\xF0\x9F\x98\x80\""},             // a valid pair: raw UTF-8
      {u"\u00e9\u20ac", "\"\xC3\xA9\xE2\x82\xAC\""},       // other characters: raw UTF-8
      {u"\u0085\u2028\u2029", R"("\u0085\u2028\u2029")"},  // line ends for some readers
  };
  for (const auto& c : cases) {
    const std::string written = json::Write(json::Value::String(c.in));
    EXPECT_EQ(written, c.out);
    EXPECT_EQ(Parsed(written).string(), c.in) << written;
  }
}

TEST(HostJson, MalformedTextIsRefused) {
  const auto refused = [](const std::string& text) {
    json::Value v;
    std::string error;
    EXPECT_FALSE(json::Parse(text, v, error)) << text;
    EXPECT_NE(error.find("at byte"), std::string::npos) << error;
  };
  for (const char* text : {"",    "{",   "[1,]",  R"({"a":1,})", "01",        "1.",          ".5",
                           "+1",  "-",   "1e",    R"("\x")",     R"("\u12")", R"("\u12g4")", "tru",
                           "nul", "1 2", "[1 2]", R"({"a" 1})",  R"({1:2})",  "'a'",         "\"abc"})
    refused(text);
  // Control characters, invalid UTF-8, duplicate names, no NaN or Infinity.
  for (const char* text : {"\"a\tb\"", "\"\xC3\x28\"", "\"\xC0\xAF\"", "\"\xED\xA0\x80\"", "\"\xF4\x90\x80\x80\"",
                           "\"\xE2\x82\"", "\"\x80\"", R"({"a":1,"a":2})", "NaN", "Infinity"})
    refused(text);
  refused(std::string("\"a\0b\"", 5));
  refused(std::string(513, '[') + std::string(513, ']'));
  Parsed(std::string(512, '[') + std::string(512, ']'));
}

// ---------------------------------------------------------------------------
// Conversions between the request forms and the declared types

TEST(HostConvert, ScalarsByDeclaredType) {
  struct Case {
    const char* json;
    TypeKind kind;
    Variant expect;  // Empty when `error` is set
    std::int32_t error;
  };
  const Case cases[] = {
      {R"("x")", TypeKind::String, String(u"x"), 0},
      {"1", TypeKind::String, {}, 13},
      {"2.5", TypeKind::Long, Long{2}, 0},
      {"32768", TypeKind::Integer, {}, 6},
      {"2147483648", TypeKind::Long, {}, 6},
      {"-2147483648", TypeKind::Enum, Long{-2147483647 - 1}, 0},
      {R"("2")", TypeKind::Long, {}, 13},
      {"0.1", TypeKind::Single, Single{0.1f}, 0},
      {"1e39", TypeKind::Single, {}, 6},
      {"true", TypeKind::Boolean, Boolean(true), 0},
      {"0.5", TypeKind::Boolean, Boolean(true), 0},
      {"null", TypeKind::Boolean, {}, 13},
      {"36526.5", TypeKind::Date, Date{36526.5}, 0},
      {R"({"Missing":null})", TypeKind::Long, Variant::Missing(), 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.json);
    const json::Value in = Parsed(c.json);
    if (c.error) {
      EXPECT_EQ(ErrorOf([&] { FromJson(in, {c.kind, {}}); }), c.error);
    } else {
      EXPECT_EQ(FromJson(in, {c.kind, {}}), c.expect);
    }
  }
  // Booleans are written as true and false, whatever the number was.
  EXPECT_EQ(json::Write(ToJson(Boolean::FromRaw(5), {TypeKind::Boolean, {}})), "true");
  EXPECT_EQ(json::Write(ToJson(Variant::Missing(), {TypeKind::String, {}})), R"({"Missing":null})");
}

TEST(HostConvert, VariantsTaggedAndPlain) {
  struct Case {
    const char* in;
    Variant value;
    const char* out;  // the tagged form
  };
  const Case cases[] = {
      {"null", Variant(), R"({"Empty":null})"},
      {R"({"Missing":null})", Variant::Missing(), R"({"Missing":null})"},
      {R"("s")", String(u"s"), R"({"String":"s"})"},
      {"7", Long{7}, R"({"Long":7})"},
      {"2147483648", Double{2147483648.0}, R"({"Double":2147483648})"},
      {"true", Boolean(true), R"({"Boolean":true})"},
      {R"({"Integer":-3})", Integer{-3}, R"({"Integer":-3})"},
      {R"({"Long":1.5})", Long{2}, R"({"Long":2})"},
      {R"({"Single":0.1})", Single{0.1f}, R"({"Single":0.1})"},
      {R"({"Double":1e-7})", Double{1e-7}, R"({"Double":1e-07})"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    const Variant v = VariantFromJson(Parsed(c.in));
    EXPECT_EQ(v, c.value);
    EXPECT_EQ(v.type(), c.value.type());
    EXPECT_EQ(json::Write(TaggedJson(v)), c.out);
  }
  for (const char* bad : {R"({"Long":"1"})", R"({"Empty":0})", R"({"Missing":0})", R"({"long":1})",
                          R"({"Long":1,"Integer":1})", "[1]", R"({"Integer":40000})", R"({"Bogus":1})"})
    EXPECT_NE(ErrorOf([&] { VariantFromJson(Parsed(bad)); }), 0) << bad;
}

TEST(HostConvert, StringArraysOneAndTwoDimensions) {
  const TypeRef array{TypeKind::StringArray, {}};
  struct Case {
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      {R"({"items":null})", R"({"items":null})"},
      {R"({"lbound":1,"items":["a","b"]})", R"({"lbound":1,"items":["a","b"]})"},
      {R"({"items":["a",null]})", R"({"lbound":0,"items":["a",""]})"},
      {R"({"lbound":-3,"items":[]})", R"({"lbound":-3,"items":[]})"},
      {R"({"lbounds":[1,0],"items":[["a","b","c"],["d","e","f"]]})",
       R"({"lbounds":[1,0],"items":[["a","b","c"],["d","e","f"]]})"},
  };
  for (const auto& c : cases) {
    const Variant v = FromJson(Parsed(c.in), array);
    EXPECT_EQ(json::Write(ToJson(v, array)), c.out);
  }
  // items[i][j] is element (L1 + i, L2 + j).
  const StringArray a =
      *FromJson(Parsed(R"({"lbounds":[1,0],"items":[["a","b"],["c","d"]]})"), array).get_if<StringArray>();
  EXPECT_EQ(a(1, 1), u"b");
  EXPECT_EQ(a(2, 0), u"c");
  EXPECT_EQ(a.UBound(1), 2);

  const std::pair<const char*, std::int32_t> bad[] = {
      {R"(["a"])", 13},
      {R"({"lbound":0})", 13},
      {R"({"items":[1]})", 13},
      {R"({"lbound":0,"lbounds":[0,0],"items":[]})", 13},
      {R"({"lbounds":[0],"items":[]})", 13},
      {R"({"lbounds":[0,0],"items":[["a"],["b","c"]]})", 13},
      {R"({"items":[],"extra":1})", 13},
      {R"({"lbound":2147483647,"items":["a","b"]})", 6},
  };
  for (const auto& c : bad) EXPECT_EQ(ErrorOf([&] { FromJson(Parsed(c.first), array); }), c.second) << c.first;
}

TEST(HostConvert, WindowsRecordWhatIsDoneToThem) {
  const Variant v =
      FromJson(Parsed(R"({"window":{"Left":10,"Top":20,"Width":300.5,"Height":200,"WindowState":0,"BorderStyle":1}})"),
               {TypeKind::Object, {}});
  auto* w = dynamic_cast<HostWindow*>(v.get_if<Object>()->get());
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->Width(), 300.5f);
  EXPECT_EQ(w->BorderStyle(), 1);
  w->Move(1, 2, 3, 4);
  w->Move(5, 6);
  w->SetWindowState(2);
  EXPECT_EQ(json::Write(ToJson(v, {TypeKind::Object, {}})),
            R"({"window":{"Left":5,"Top":6,"Width":3,"Height":4,"WindowState":2,"BorderStyle":1},)"
            R"("calls":[["Move",1,2,3,4],["Move",5,6],["WindowState",2]]})");

  // A refused operation raises 384 and leaves the window as it was.
  const Variant refusing = FromJson(Parsed(R"({"window":{"Left":1},"refuse":["Move"]})"), {TypeKind::Object, {}});
  auto* r = dynamic_cast<HostWindow*>(refusing.get_if<Object>()->get());
  EXPECT_EQ(ErrorOf([&] { r->Move(9, 9); }), 384);
  r->SetWindowState(1);
  EXPECT_EQ(json::Write(TaggedJson(refusing)),
            R"({"window":{"Left":1,"Top":0,"Width":0,"Height":0,"WindowState":1,"BorderStyle":2},)"
            R"("calls":[["WindowState",1]]})");

  for (const char* bad :
       {"null", R"("w")", R"({"window":null})", R"({"window":{"Left":"1"}})", R"({"window":{"Right":1}})",
        R"({"window":{},"refuse":["Resize"]})", R"({"window":{},"refuse":"Move"})", R"({"window":{},"other":1})"})
    EXPECT_EQ(ErrorOf([&] { FromJson(Parsed(bad), {TypeKind::Object, {}}); }), 13) << bad;
  EXPECT_EQ(ErrorOf([&] { FromJson(Parsed(R"({"window":{"WindowState":1e6}})"), {TypeKind::Object, {}}); }), 6);
}

// ---------------------------------------------------------------------------
// serve: request lines in order on one host, each with its exact response

struct Turn {
  std::string request;
  std::string response;
};

void Exchange(Server& server, const std::vector<Turn>& script) {
  for (const auto& [request, response] : script) {
    const auto got = server.Handle(request);
    ASSERT_TRUE(got) << request;
    EXPECT_EQ(*got, response) << request;
  }
}

TEST(HostServe, CallsObjectsFieldsAndHandles) {
  Server server;
  Exchange(
      server,
      {
          {R"({"id": 1, "call": "korParse.ParseString", "args": ["a,b,c", ",", 2]})",
           R"({"id":1,"result":"b","args":["a,b,c",",",2],"messages":[]})"},
          // By dispatch id, on the global instance.
          {R"({"id": 3, "call": "korParse", "dispid": 1610809344, "args": ["a,b,c", ",", 2.5]})",
           R"({"id":3,"result":"b","args":["a,b,c",",",2],"messages":[]})"},
          {R"({"id":1,"create":"RegKey"})", R"({"id":1,"object":"RegKey:1"})"},
          {R"({"id":2,"create":"regkey"})", R"({"id":2,"object":"RegKey:2"})"},
          {R"({"id":3,"object":"RegKey:1","get":"RegErrorCode"})", R"({"id":3,"result":0})"},
          {R"({"id":4,"object":"RegKey:1","set":"RegErrorCode","value":259})", R"({"id":4,"result":null})"},
          {R"({"id":5,"object":"RegKey:1","get":"regerrorcode"})", R"({"id":5,"result":259})"},
          {R"({"id":10,"object":"RegKey:1","set":"RegErrorCode","value":"2"})",
           R"({"id":10,"error":{"number":13,"description":"Type mismatch"}})"},
          {R"({"id":11,"release":"RegKey:1"})", R"({"id":11})"},
          {R"({"id":12,"object":"RegKey:1","get":"RegErrorCode"})",
           R"({"id":12,"error":{"number":5,"description":"Invalid procedure call or argument: there is no object )"
           R"(\"RegKey:1\""}})"},
          // The global instance, named with its class.
          {R"({"set":"RegKey.RegErrorCode","value":87})", R"({"result":null})"},
          {R"({"get":"RegKey.RegErrorCode"})", R"({"result":87})"},
          {R"({"id":14,"object":"RegKey:2","get":"Nope"})",
           R"({"id":14,"error":{"number":438,"description":"Object doesn't support this property or method: )"
           R"(RegKey has no field \"Nope\""}})"},
          {R"({"id":16,"object":7,"get":"RegErrorCode"})",
           R"({"id":16,"error":{"number":5,"description":"Invalid procedure call or argument: an object handle is )"
           R"(a string"}})"},
      });
}

TEST(HostServe, RequestsThatCannotBeCarriedOut) {
  Server server;
  const std::string e5 = R"("error":{"number":5,"description":"Invalid procedure call or argument: )";
  Exchange(server,
           {
               {"nonsense", "{" + e5 + R"(malformed JSON at byte 0: unknown literal"}})"},
               {"\"\xFF\"", "{" + e5 + R"(malformed JSON at byte 1: invalid UTF-8"}})"},
               {R"({"id":1})",
                R"({"id":1,)" + e5 + R"(a request asks for exactly one of call, create, release, get and set"}})"},
               {R"({"id":1,"call":"korParse.SandR","dispid":1610809346})",
                R"({"id":1,)" + e5 + R"(name the member by \"call\" or by \"dispid\", not both"}})"},
               {R"({"id":1,"call":"korParse.Nope"})",
                R"({"id":1,"error":{"number":438,"description":"Object doesn't support this property or method: )"
                R"(korParse has no member \"Nope\""}})"},
               {R"({"id":1,"call":"Nope.Member"})",
                R"({"id":1,"error":{"number":429,"description":"ActiveX component can't create object: there is no )"
                R"(class \"Nope\""}})"},
               {R"({"id":1,"call":"korParse.SandR","args":[1,2,3,4]})",
                R"({"id":1,"error":{"number":450,"description":"Wrong number of arguments or invalid property )"
                R"(assignment: SandR takes 3 arguments, not 4"}})"},
           });
}

}  // namespace
}  // namespace kor::host
