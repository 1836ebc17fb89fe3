// Fuzzes the INI text that the profile-file operations read and edit: any
// bytes as a file's content (plain, or behind a UTF-8 or UTF-16LE byte-order
// mark), and a section, key and value from the input, in a UTF-8 or a
// windows-1252 code page.
//
// Asserted, besides never crashing:
// - decoding and encoding a file gives back every byte;
// - a write that CanStore allows is never rejected, and one it refuses leaves
//   the text as it was;
// - after a write, the file (encoded and decoded again) reads the key as the
//   reader reads such a line: the value converted to the file's text, blanks
//   around it dropped, one pair of enclosing double quotes removed, converted
//   back to the code page;
// - every other key reads as before, and only the written key may be new;
// - writing the same value again changes nothing.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "platform/code_page.h"
#include "winrules/ini_text.h"

namespace {

using kor::platform::CodePage;
namespace ini = kor::platform::ini;

void Require(bool ok) {
  if (!ok) std::abort();
}

const CodePage& Utf8() {
  static const auto cp = kor::platform::OpenCodePage("UTF-8");
  return *cp;
}

const CodePage& Latin() {
  static const auto cp = kor::platform::OpenCodePage("WINDOWS-1252");
  return *cp;
}

// Every key the reader sees, by compared section and key name, with its value
// in the file's text.
std::map<std::pair<std::string, std::string>, std::string> Keys(const ini::Table& table, const ini::Codec& codec) {
  std::map<std::pair<std::string, std::string>, std::string> keys;
  table.ForEach([&](std::string_view section, std::string_view key, std::string_view value) {
    keys[{codec.FileNameKey(section), codec.FileNameKey(key)}] = std::string(value);
  });
  return keys;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const CodePage& cp = in.ConsumeBool() ? Latin() : Utf8();
  const int bom = in.ConsumeIntegralInRange(0, 2);
  const std::string section = in.ConsumeRandomLengthString(24);
  const std::string key = in.ConsumeRandomLengthString(24);
  const std::string value = in.ConsumeRandomLengthString(64);
  std::string file = bom == 1 ? "\xEF\xBB\xBF" : bom == 2 ? "\xFF\xFE" : "";
  file += in.ConsumeRemainingBytesAsString();

  ini::Text text = ini::Decode(file);
  Require(ini::Encode(text) == file);
  const ini::Codec codec(text.encoding, cp);
  const auto before = Keys(ini::Table(text, cp), codec);

  const ini::Edit edit = ini::SetValue(text, cp, section, key, value);
  if (!ini::CanStore(section, key, value)) {
    Require(edit == ini::Edit::kRejected && ini::Encode(text) == file);
    return 0;
  }
  Require(edit != ini::Edit::kRejected);
  const std::string written = ini::Encode(text);
  if (edit == ini::Edit::kUnchanged) Require(written == file);

  const ini::Text again = ini::Decode(written);
  Require(again.encoding == text.encoding && again.body == text.body);
  const ini::Table table(again, cp);
  std::string read;
  Require(table.Find(section, key, read));
  Require(read == codec.ToCall(ini::ValueAsRead(codec.ToFile(value))));

  auto after = Keys(table, codec);
  const std::pair<std::string, std::string> target{codec.CallNameKey(section), codec.CallNameKey(key)};
  Require(after.erase(target) == 1);
  auto others = before;
  others.erase(target);
  Require(after == others);

  ini::Text twice = again;
  Require(ini::SetValue(twice, cp, section, key, value) == ini::Edit::kUnchanged);
  Require(twice.body == again.body);
  return 0;
}
