// RegKey over the file registry: the class's errors and codes, reading values
// and names, and a Wine prefix.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "kortools/RegKey.h"
#include "kortools/error.h"
#include "platform/code_page.h"
#include "platform/registry.h"
#include "tests/test_support.h"

namespace kor {
namespace {

namespace fs = std::filesystem;
using testing_support::Raised;
using testing_support::RaisedBy;

const fs::path kData = fs::path(KORTOOLS_TEST_DATA) / "registry";
constexpr eRegistryErrorCodes kMinusOne = static_cast<eRegistryErrorCodes>(-1);

void Open(RegKey& k, eRegistryRoots root, String path) { k.RegKeyOpen(root, path); }
Variant Value(RegKey& k, String name) { return k.RegKeyValue(name); }
String OpenError(RegKey& k, eRegistryRoots root, String path) {
  return RaisedBy([&] { Open(k, root, path); }).description;
}

// The code page fixed to UTF-8 and the registry read from a file, for the
// test's life, and a folder for its files.
class Registry : public ::testing::Test {
 protected:
  void SetUp() override {
    env_.after = platform::ReloadSystemCodePage;
    env_.Set("KORTOOLS_CODEPAGE", "UTF-8");
    platform::ReloadSystemCodePage();
    Use((kData / "acme_v5.reg").string());
  }
  void Use(const std::string& setting) { env_.Set("KORTOOLS_REGISTRY", setting.c_str()); }

  testing_support::ScopedEnv env_;
};

TEST_F(Registry, OpeningTwiceOrAMissingKeyRaises) {
  RegKey k;
  Open(k, HKEY_CURRENT_USER, u"Software\\Acme\\Three");
  EXPECT_EQ(k.RegErrorCode, ERROR_NONE);
  const Raised twice = RaisedBy([&] { Open(k, HKEY_CURRENT_USER, u"Software\\Acme\\App"); });
  EXPECT_EQ(twice.number, 13);
  EXPECT_EQ(twice.description, u"A key is already open, close current key first.");
  EXPECT_EQ(k.RegErrorCode, kMinusOne);
  EXPECT_EQ(k.RegKeyValuesCount(), 3);  // the first key stays open

  RegKey m;
  const Raised missing = RaisedBy([&] { Open(m, HKEY_CURRENT_USER, u"Software\\Acme\\Nowhere"); });
  EXPECT_EQ(missing.number, -2147221503);
  EXPECT_EQ(missing.description, u"Error (2) opening registry key.");
  EXPECT_EQ(m.RegErrorCode, ERROR_BADKEY);
  Open(m, HKEY_CURRENT_USER, u"software\\ACME\\three");  // no key was left open
  EXPECT_EQ(m.RegKeyValuesCount(), 3);

  const std::tuple<eRegistryRoots, const char16_t*, std::int32_t> cases[] = {
      {static_cast<eRegistryRoots>(12345), u"Software", 6},
      {HKEY_CURRENT_USER, u"\\Software", 161},
      {HKEY_PERFORMANCE_DATA, u"x", 2},
  };
  for (const auto& [root, path, code] : cases) {
    RegKey other;
    EXPECT_EQ(OpenError(other, root, path), u"Error (" + ChangeType<String>(Long{code}) + u") opening registry key.");
    EXPECT_EQ(other.RegErrorCode, code);
  }
  // Roots open with an empty path, and a trailing "\" is allowed.
  for (const eRegistryRoots root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_CONFIG, HKEY_PERFORMANCE_DATA}) {
    RegKey r;
    Open(r, root, u"");
  }
  RegKey trailing;
  Open(trailing, HKEY_CURRENT_USER, u"Software\\Acme\\");
}

TEST_F(Registry, ReadsStringAndLongValuesOnly) {
  RegKey k;
  Open(k, HKEY_CURRENT_USER, u"Software\\Acme\\App");
  const String unsupported = u"Error querying registry value, unsupported datatype.";
  struct Case {
    const char16_t* name;
    Variant value;  // Empty when the read raises
    std::int32_t error;
    String description;
    std::int32_t code;  // RegErrorCode afterwards
  };
  const Case cases[] = {
      {u"Path", String(u"C:\\Program Files\\Acme \"Pro\""), 0, {}, 0},
      {u"count", Long{42}, 0, {}, 0},
      {u"Unicode", String(u"Gr\u00fc\u00dfe \u20ac"), 0, {}, 0},
      {u"Stored as string", String(u"AB"), 0, {}, 0},
      {u"Blob", {}, -2147221497, unsupported, -1},
      {u"Missing", {}, -2147221499, u"Error (2) querying registry value.", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    String name = c.name;
    Variant got;
    const Raised r = RaisedBy([&] { got = k.RegKeyValue(name); });
    EXPECT_EQ(r.number, c.error);
    EXPECT_EQ(r.description, c.description);
    EXPECT_EQ(got, c.value);
    EXPECT_EQ(k.RegErrorCode, c.code);
    EXPECT_EQ(name, c.name);
  }
  k.RegKeyClose();
  Open(k, HKEY_CURRENT_USER, u"Software\\Acme");
  EXPECT_EQ(Value(k, u""), Variant(String(u"Acme Suite")));
}

TEST_F(Registry, ValueNamesKindsAndSubkeys) {
  RegKey k;
  Open(k, HKEY_CURRENT_USER, u"Software\\Acme\\App");
  const eRegistryDataTypes kinds[] = {rdtString,      rdtLong,        rdtLong,   rdtUnsupported, rdtUnsupported,
                                      rdtUnsupported, rdtUnsupported, rdtString, rdtString,      rdtString};
  ASSERT_EQ(k.RegKeyValuesCount(), 10);
  for (Long i = 0; i < 10; ++i) EXPECT_EQ(k.RegKeyValueType(i), kinds[i]) << i;
  EXPECT_EQ(k.RegKeyValueName(*std::make_unique<Long>(1)), u"Count");
  ASSERT_EQ(k.RegKeySubKeysCount(), 3);
  const char16_t* subkeys[] = {u"alpha", u"Beta", u"Zeta"};
  for (Long i = 0; i < 3; ++i) EXPECT_EQ(k.RegKeySubKey(i), subkeys[i]);

  // Past either end: each reader raises its own error with code 259.
  const std::tuple<const char*, std::function<void(Long&)>, Long, std::int32_t, const char16_t*> past[] = {
      {"name", [&](Long& i) { k.RegKeyValueName(i); }, 10, -2147221496, u"Error (259) querying value name."},
      {"kind", [&](Long& i) { k.RegKeyValueType(i); }, 10, -2147221495, u"Error (259) querying value datatype."},
      {"subkey", [&](Long& i) { k.RegKeySubKey(i); }, 3, -2147221496, u"Error (259) querying subkey name."},
  };
  for (const auto& [what, call, count, number, description] : past) {
    for (Long index : {count, Long{-1}}) {
      const Raised r = RaisedBy([&] { call(index); });
      EXPECT_EQ(r.number, number) << what;
      EXPECT_EQ(r.description, description) << what;
      EXPECT_EQ(k.RegErrorCode, ERROR_NO_MORE_ITEMS) << what;
    }
  }
  EXPECT_EQ(k.RegKeyValuesCount(), 10);
  EXPECT_EQ(k.RegErrorCode, ERROR_NONE);
}

TEST_F(Registry, EveryMethodNeedsAnOpenKey) {
  String name = u"x";
  const std::tuple<const char*, std::function<void(RegKey&)>, std::int32_t, const char16_t*> cases[] = {
      {"RegKeyValuesCount", [](RegKey& k) { k.RegKeyValuesCount(); }, -2147221502, u"No open registry key."},
      {"RegKeyValue", [&](RegKey& k) { k.RegKeyValue(name); }, 13, u"No registry key open."},
  };
  for (const auto& [method, call, number, description] : cases) {
    SCOPED_TRACE(method);
    RegKey k;
    k.RegErrorCode = ERROR_MORE_DATA;
    const Raised r = RaisedBy([&] { call(k); });
    EXPECT_EQ(r.number, number);
    EXPECT_EQ(r.description, description);
    EXPECT_EQ(k.RegErrorCode, kMinusOne);
    // And after a close, which sets the code; closing without a key does nothing.
    Open(k, HKEY_CURRENT_USER, u"Software\\Acme");
    k.RegErrorCode = ERROR_MORE_DATA;
    k.RegKeyClose();
    EXPECT_EQ(k.RegErrorCode, ERROR_NONE);
    EXPECT_EQ(RaisedBy([&] { call(k); }).number, number);
    k.RegErrorCode = ERROR_MORE_DATA;
    k.RegKeyClose();
    EXPECT_EQ(k.RegErrorCode, ERROR_MORE_DATA);
  }
}

TEST_F(Registry, ErrorStringsAreTheSystemTexts) {
  RegKey k;
  const std::pair<std::int32_t, const char16_t*> cases[] = {
      {2, u"The system cannot find the file specified.\r\n"},
      {static_cast<std::int32_t>(0x80070005U), u"Access is denied.\r\n"},
      {-1, u""},
  };
  for (const auto& [code, text] : cases) {
    k.RegErrorCode = static_cast<eRegistryErrorCodes>(code);
    EXPECT_EQ(k.RegErrorString(), text) << code;
    EXPECT_EQ(k.RegErrorCode, code);
  }
}

// A Wine prefix shows the user's own key under HKEY_USERS (it is
// HKEY_CURRENT_USER) and the current hardware profile as HKEY_CURRENT_CONFIG;
// a key's access mask decides which reads it allows.
TEST_F(Registry, WinePrefixWholeAndAccessMasks) {
  Use((kData / "wine").string());
  RegKey k;
  Open(k, HKEY_USERS, u"");
  ASSERT_EQ(k.RegKeySubKeysCount(), 2);
  EXPECT_EQ(k.RegKeySubKey(*std::make_unique<Long>(1)), u"S-1-5-21-0-0-0-1000");
  k.RegKeyClose();
  Open(k, HKEY_USERS, u"S-1-5-21-0-0-0-1000\\Software\\Acme\\Wine");
  EXPECT_EQ(Value(k, u"Count"), Variant(Long{7}));
  k.RegKeyClose();
  Open(k, HKEY_CURRENT_CONFIG, u"Software\\Fonts");
  EXPECT_EQ(Value(k, u"LogPixels"), Variant(Long{96}));
  k.RegKeyClose();

  // A key opened for its values only, then for its subkeys only.
  eRegistryRoots root = HKEY_CURRENT_USER;
  String path = u"Software\\Acme\\Wine";
  eRegistryAccessModes mask = KEY_QUERY_VALUE;
  k.RegKeyOpen(root, path, &mask);
  EXPECT_EQ(Value(k, u"Count"), Variant(Long{7}));
  EXPECT_EQ(RaisedBy([&] { k.RegKeySubKeysCount(); }).number, static_cast<std::int32_t>(0x80040003));
  k.RegKeyClose();
  mask = KEY_ENUMERATE_SUB_KEYS;
  k.RegKeyOpen(root, path, &mask);
  EXPECT_EQ(k.RegKeySubKeysCount(), 1);
  EXPECT_EQ(RaisedBy([&] { Value(k, u"Count"); }).number, static_cast<std::int32_t>(0x80040005));
}

}  // namespace
}  // namespace kor
