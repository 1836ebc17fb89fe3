// RegKey: one open registry key at a time, read through the platform's
// registry operations; the platform's result codes land in RegErrorCode.
//
// Names and string data cross the platform as 8-bit text in the system code
// page: the caller's Key and ValueName variables get their text back through
// that conversion, and a name or string comes back converted to UTF-16.
#include "kortools/RegKey.h"

#include <algorithm>
#include <string>

#include "frame/checked.h"
#include "frame/defaults.h"
#include "frame/text.h"
#include "kortools/error.h"
#include "platform/code_page.h"
#include "platform/message_texts.h"
#include "platform/registry.h"

namespace kor {
namespace {

constexpr std::uint32_t kNameBuffer = 2000;    // characters, for value and subkey names
constexpr std::uint32_t kMessageBuffer = 255;  // characters, for the system's message text

const char16_t kKeyAlreadyOpen[] = u"A key is already open, close current key first.";
const char16_t kNoKeyOpen[] = u"No registry key open.";
const char16_t kNoOpenKey[] = u"No open registry key.";

// "Error (2) opening registry key."
String WithCode(std::uint32_t code, const char* what) {
  return text::Ascii("Error (" + std::to_string(static_cast<Long>(code)) + ") " + what);
}

bool IsEntry(std::uint32_t code) { return code == platform::kRegOk || code == platform::kRegMoreData; }

// The text the platform placed in a buffer: `length` characters at most, up
// to the first NUL.
String TextOf(const char* buffer, std::size_t length) {
  return platform::SystemCodePage().Decode(platform::UpToNul(std::string_view(buffer, length)));
}

}  // namespace

RegKey::RegKey() = default;

RegKey::~RegKey() {
  try {
    RegKeyClose();
  } catch (...) {  // a destructor never raises
  }
}

void RegKey::SetCode(std::uint32_t code) { RegErrorCode = static_cast<eRegistryErrorCodes>(code); }

void RegKey::RequireKey(bool valuesCount) {
  if (key_ != 0) return;
  RegErrorCode = static_cast<eRegistryErrorCodes>(-1);
  if (valuesCount) throw Error::Object(2, kNoOpenKey);
  throw Error(13, kNoKeyOpen);
}

void RegKey::RegKeyOpen(eRegistryRoots& RegRoot, String& Key, eRegistryAccessModes* Access) {
  if (key_ != 0) {
    RegErrorCode = static_cast<eRegistryErrorCodes>(-1);
    throw Error(13, kKeyAlreadyOpen);
  }
  const eRegistryAccessModes access = defaults::ValueOr(Access, defaults::kRegKeyAccess);
  const platform::CodePage& cp = platform::SystemCodePage();
  const std::string name = cp.Encode(Key);
  platform::RegistryKey handle = 0;
  const std::uint32_t code = platform::GetRegistry().RegOpenKeyEx(platform::RootKey(RegRoot), name.c_str(), 0,
                                                                  static_cast<std::uint32_t>(access), &handle);
  Key = cp.Decode(name);
  key_ = code == platform::kRegOk ? handle : 0;
  SetCode(code);
  if (code != platform::kRegOk) throw Error::Object(1, WithCode(code, "opening registry key."));
  RegErrorCode = ERROR_NONE;
}

void RegKey::RegKeyClose() {
  if (key_ == 0) return;
  const std::uint32_t code = platform::GetRegistry().RegCloseKey(key_);
  key_ = 0;
  SetCode(code);
}

Long RegKey::RegKeyValuesCount() {
  RequireKey(true);
  auto& reg = platform::GetRegistry();
  for (Long index = 0;; index = checked::Add<Long>(index, 1)) {
    char name[1] = {};
    std::uint8_t data[4] = {};
    std::uint32_t nameLength = 0, dataLength = 0, kind = 0;
    const std::uint32_t code =
        reg.RegEnumValue(key_, static_cast<std::uint32_t>(index), name, &nameLength, &kind, data, &dataLength);
    SetCode(code);
    if (code == platform::kRegNoMoreItems) {
      RegErrorCode = ERROR_NONE;
      return index;
    }
    if (!IsEntry(code)) throw Error::Object(3, WithCode(code, "enumerating registry values."));
  }
}

Long RegKey::RegKeySubKeysCount() {
  RequireKey(false);
  auto& reg = platform::GetRegistry();
  for (Long index = 0;; index = checked::Add<Long>(index, 1)) {
    char name[1] = {};
    char className[1] = {};
    std::uint32_t nameLength = 0, classLength = 0;
    std::uint64_t written = 0;
    const std::uint32_t code =
        reg.RegEnumKeyEx(key_, static_cast<std::uint32_t>(index), name, &nameLength, className, &classLength, &written);
    SetCode(code);
    if (code == platform::kRegNoMoreItems) {
      RegErrorCode = ERROR_NONE;
      return index;
    }
    if (!IsEntry(code)) throw Error::Object(3, WithCode(code, "enumerating registry subkeys."));
  }
}

Variant RegKey::RegKeyValue(String& ValueName) {
  RequireKey(false);
  auto& reg = platform::GetRegistry();
  const platform::CodePage& cp = platform::SystemCodePage();
  const std::string name = cp.Encode(ValueName);
  std::uint32_t kind = 0, size = 0;
  std::uint32_t code = reg.RegQueryValueEx(key_, name.c_str(), &kind, nullptr, &size);
  ValueName = cp.Decode(name);
  SetCode(code);
  if (code != platform::kRegOk) throw Error::Object(5, WithCode(code, "querying registry value."));

  Variant result;
  if (kind == platform::kRegSz) {
    // A buffer of the size the platform gave; the size counts the string's
    // terminating NUL, which the result leaves out.
    std::string buffer(size, '\0');
    std::uint32_t length = size;
    code = reg.RegQueryValueEx(key_, name.c_str(), &kind, reinterpret_cast<std::uint8_t*>(buffer.data()), &length);
    SetCode(code);
    if (code != platform::kRegOk) throw Error::Object(5, WithCode(code, "querying registry string value."));
    result = size == 0 ? String() : cp.Decode(std::string_view(buffer).substr(0, size - 1));
  } else if (kind == platform::kRegDword) {
    // Read with the size the platform gave; a Long takes the first four bytes.
    std::string buffer(std::max<std::uint32_t>(size, 4), '\0');
    std::uint32_t length = size;
    code = reg.RegQueryValueEx(key_, name.c_str(), &kind, reinterpret_cast<std::uint8_t*>(buffer.data()), &length);
    SetCode(code);
    if (code != platform::kRegOk) throw Error::Object(6, WithCode(code, "querying registry long value."));
    std::uint32_t bits = 0;
    for (int b = 3; b >= 0; --b) bits = (bits << 8) | static_cast<unsigned char>(buffer[static_cast<std::size_t>(b)]);
    result = static_cast<Long>(bits);
  } else {
    RegErrorCode = static_cast<eRegistryErrorCodes>(-1);
    throw Error::Object(7, u"Error querying registry value, unsupported datatype.");
  }
  RegErrorCode = ERROR_NONE;
  return result;
}

String RegKey::RegKeyValueName(Long& index) {
  RequireKey(false);
  char name[kNameBuffer] = {};
  std::uint32_t length = kNameBuffer;
  const std::uint32_t code = platform::GetRegistry().RegEnumValue(key_, static_cast<std::uint32_t>(index), name,
                                                                  &length, nullptr, nullptr, nullptr);
  SetCode(code);
  if (!IsEntry(code)) throw Error::Object(8, WithCode(code, "querying value name."));
  RegErrorCode = ERROR_NONE;
  return TextOf(name, std::min(length, kNameBuffer));
}

eRegistryDataTypes RegKey::RegKeyValueType(Long& index) {
  RequireKey(false);
  char name[1] = {};
  std::uint32_t length = 0, kind = 0;
  const std::uint32_t code = platform::GetRegistry().RegEnumValue(key_, static_cast<std::uint32_t>(index), name,
                                                                  &length, &kind, nullptr, nullptr);
  SetCode(code);
  if (!IsEntry(code)) throw Error::Object(9, WithCode(code, "querying value datatype."));
  RegErrorCode = ERROR_NONE;
  return kind == platform::kRegSz ? rdtString : kind == platform::kRegDword ? rdtLong : rdtUnsupported;
}

String RegKey::RegKeySubKey(Long& index) {
  RequireKey(false);
  char name[kNameBuffer] = {};
  char className[1] = {};
  std::uint32_t length = kNameBuffer, classLength = 0;
  std::uint64_t written = 0;
  const std::uint32_t code = platform::GetRegistry().RegEnumKeyEx(key_, static_cast<std::uint32_t>(index), name,
                                                                  &length, className, &classLength, &written);
  SetCode(code);
  if (!IsEntry(code)) throw Error::Object(8, WithCode(code, "querying subkey name."));
  RegErrorCode = ERROR_NONE;
  return TextOf(name, std::min(length, kNameBuffer));
}

String RegKey::RegErrorString() {
  // The text stops at the NUL the platform ends it with; a code without a
  // message leaves the buffer empty.
  char buffer[kMessageBuffer] = {};
  platform::GetMessageTexts().FormatMessage(platform::kFormatMessageFromSystem, nullptr,
                                            static_cast<std::uint32_t>(RegErrorCode), 0, buffer, kMessageBuffer,
                                            nullptr);
  return TextOf(buffer, kMessageBuffer);
}

}  // namespace kor
