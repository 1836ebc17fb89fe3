// Open keys of a registry store and the "A" functions' answers about them
// (see open_key.h).
#include "winrules/registry/open_key.h"

#include <algorithm>
#include <cstring>

namespace kor::platform::regstore {
namespace {

constexpr std::uint32_t kKeyRead = 0x20019;
constexpr std::uint32_t kKeyWrite = 0x20006;

const std::vector<std::string> kClasses{"SOFTWARE", "CLASSES"};

std::vector<std::string> Concat(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  std::vector<std::string> r = a;
  r.insert(r.end(), b.begin(), b.end());
  return r;
}

}  // namespace

std::uint32_t Open(OpenKey& k) {
  const Store& store = *k.store;
  if (!k.classes) {
    const Key* key = store.Find(k.root, k.path);
    if (key == nullptr) {
      const std::uint32_t failure = store.FailureAt(k.root, k.path);
      return failure ? failure : kRegNotFound;
    }
    k.layers = {key};
    return 0;
  }
  const std::vector<std::string> below = Concat(kClasses, k.path);
  const Key* user = store.Find(Root::kCurrentUser, below);
  const Key* machine = store.Find(Root::kLocalMachine, below);
  if (user == nullptr && machine == nullptr && !k.path.empty()) {
    std::uint32_t failure = store.FailureAt(Root::kCurrentUser, below);
    if (!failure) failure = store.FailureAt(Root::kLocalMachine, below);
    return failure ? failure : kRegNotFound;
  }
  for (const Key* l : {user, machine})
    if (l != nullptr) k.layers.push_back(l);
  if (k.layers.size() == 2) {
    // Subkeys of both in one order, the user's where both have one; the
    // user's values, then the machine's that the user's key does not have.
    const auto& a = user->children;
    const auto& b = machine->children;
    std::size_t i = 0, j = 0;
    while (i < a.size() || j < b.size()) {
      if (j == b.size() || (i < a.size() && a[i]->folded <= b[j]->folded)) {
        if (j < b.size() && a[i]->folded == b[j]->folded) ++j;
        k.subkeys.push_back(a[i++]);
      } else {
        k.subkeys.push_back(b[j++]);
      }
    }
    for (const Value& v : user->values) k.values.push_back(&v);
    for (const Value& v : machine->values)
      if (store.FindValue(user, v.name) == nullptr) k.values.push_back(&v);
  }
  return 0;
}

namespace {

// The data as the "A" functions give it: strings in the code page, a string
// always ending in its NUL.
std::string DataForA(const Value& v, const CodePage& cp) {
  if (v.kind != kRegSz && v.kind != kRegExpandSz && v.kind != kRegMultiSz) return std::string(v.data);
  std::u16string units(v.data.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i)
    units[i] = static_cast<char16_t>(static_cast<unsigned char>(v.data[2 * i]) |
                                     (static_cast<unsigned char>(v.data[2 * i + 1]) << 8));
  if (v.kind != kRegMultiSz && (units.empty() || units.back() != u'\0')) units += u'\0';
  return cp.Encode(units);
}

// A name into a caller's buffer of `*length` characters; 234 when it does
// not fit with its NUL, as much of it as fits being placed then. `*length`
// receives the name's length.
std::uint32_t PutName(const std::string& name, char* buffer, std::uint32_t* length) {
  const std::uint32_t room = *length;
  const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(name.size(), 0xFFFFFFFEU));
  *length = n;
  if (n + 1 <= room) {
    std::memcpy(buffer, name.data(), n);
    buffer[n] = '\0';
    return 0;
  }
  if (room > 0) {
    std::memcpy(buffer, name.data(), room - 1);
    buffer[room - 1] = '\0';
  }
  return kRegMoreData;
}

// Data into a caller's buffer; 234 when it does not fit.
std::uint32_t PutData(const std::string& data, std::uint8_t* buffer, std::uint32_t* length) {
  if (length == nullptr) return 0;
  const auto n = static_cast<std::uint32_t>(data.size());
  const std::uint32_t room = *length;
  *length = n;
  if (buffer == nullptr) return 0;
  if (n > room) return kRegMoreData;
  if (n > 0) std::memcpy(buffer, data.data(), n);
  return 0;
}

// The open key of a call that needs `right`: 0, ERROR_INVALID_HANDLE or
// ERROR_ACCESS_DENIED.
std::uint32_t Use(const UseKey& use, std::uint32_t right, const OpenKey*& k) {
  k = use();
  if (k == nullptr) return kRegInvalidHandle;
  return (k->rights & right) == 0 ? kRegAccessDenied : 0;
}

}  // namespace

std::uint32_t KeyRights(std::uint32_t mask) {
  std::uint32_t rights = mask & 0xFFFF;
  if (mask & 0x80000000U) rights |= kKeyRead;       // GENERIC_READ
  if (mask & 0x40000000U) rights |= kKeyWrite;      // GENERIC_WRITE
  if (mask & 0x20000000U) rights |= kKeyRead;       // GENERIC_EXECUTE
  if (mask & 0x12000000U) rights |= kKeyAllAccess;  // GENERIC_ALL, MAXIMUM_ALLOWED
  return rights;
}

std::size_t OpenKey::SubkeyCount() const {
  return layers.size() == 1 ? layers[0]->children.size() : layers.empty() ? 0 : subkeys.size();
}

const Key* OpenKey::SubkeyAt(std::size_t i) const { return layers.size() == 1 ? layers[0]->children[i] : subkeys[i]; }

std::size_t OpenKey::ValueCount() const {
  return layers.size() == 1 ? layers[0]->values.size() : layers.empty() ? 0 : values.size();
}

const Value* OpenKey::ValueAt(std::size_t i) const { return layers.size() == 1 ? &layers[0]->values[i] : values[i]; }

const Value* OpenKey::FindValue(std::string_view name, bool& damaged) const {
  damaged = false;
  for (const Key* k : layers) {
    if (const Value* v = store->FindValue(k, name)) return v;
    damaged = damaged || store->IsDamaged(k, name);
  }
  return nullptr;
}

bool PredefinedRoot(RegistryKey key, OpenKey& k) {
  switch (key) {
    case RootKey(static_cast<std::int32_t>(0x80000000U)): k.classes = true; return true;
    case RootKey(static_cast<std::int32_t>(0x80000001U)): k.root = Root::kCurrentUser; return true;
    case RootKey(static_cast<std::int32_t>(0x80000002U)): k.root = Root::kLocalMachine; return true;
    case RootKey(static_cast<std::int32_t>(0x80000003U)): k.root = Root::kUsers; return true;
    case RootKey(static_cast<std::int32_t>(0x80000004U)): k.root = Root::kPerformanceData; return true;
    case RootKey(static_cast<std::int32_t>(0x80000005U)): k.root = Root::kCurrentConfig; return true;
    default: return false;  // HKEY_DYN_DATA (0x80000006) exists on no system of this kind
  }
}

std::uint32_t AddSubKey(OpenKey& k, std::string_view subKey, const CodePage& cp) {
  if (!subKey.empty() && subKey.front() == '\\') return kRegBadPathname;
  const std::string utf8 = cp.ToUtf8(subKey);
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    std::size_t end = utf8.find('\\', pos);
    if (end == std::string::npos) end = utf8.size();
    if (end > pos) k.path.push_back(Fold(std::string_view(utf8).substr(pos, end - pos)));
    pos = end + 1;
  }
  return 0;
}

std::uint32_t EnumValue(const UseKey& use, const CodePage& cp, std::uint32_t index, char* valueName,
                        std::uint32_t* valueNameLength, std::uint32_t* type, std::uint8_t* data,
                        std::uint32_t* dataLength) {
  if (valueName == nullptr || valueNameLength == nullptr || (data != nullptr && dataLength == nullptr))
    return kRegInvalidParameter;
  const OpenKey* k = nullptr;
  if (const std::uint32_t code = Use(use, kKeyQueryValue, k)) return code;
  if (index >= k->ValueCount()) return kRegNoMoreItems;
  const Value& v = *k->ValueAt(index);
  if (type != nullptr) *type = v.kind;
  const std::string bytes = dataLength != nullptr ? DataForA(v, cp) : std::string();
  const std::uint32_t nameCode = PutName(cp.FromUtf8(v.name), valueName, valueNameLength);
  if (nameCode != 0) {
    if (dataLength != nullptr) *dataLength = static_cast<std::uint32_t>(bytes.size());
    return nameCode;
  }
  return PutData(bytes, data, dataLength);
}

std::uint32_t EnumKey(const UseKey& use, const CodePage& cp, std::uint32_t index, char* name, std::uint32_t* nameLength,
                      char* className, std::uint32_t* classLength, std::uint64_t* lastWriteTime) {
  if (name == nullptr || nameLength == nullptr || (className != nullptr && classLength == nullptr))
    return kRegInvalidParameter;
  const OpenKey* k = nullptr;
  if (const std::uint32_t code = Use(use, kKeyEnumerateSubKeys, k)) return code;
  if (index >= k->SubkeyCount()) return kRegNoMoreItems;
  const Key& sub = *k->SubkeyAt(index);
  if (lastWriteTime != nullptr) *lastWriteTime = sub.lastWrite;
  // Keys have no class.
  if (className != nullptr && *classLength > 0) className[0] = '\0';
  if (classLength != nullptr) *classLength = 0;
  return PutName(cp.FromUtf8(sub.name), name, nameLength);
}

std::uint32_t QueryValue(const UseKey& use, const CodePage& cp, const char* valueName, std::uint32_t* type,
                         std::uint8_t* data, std::uint32_t* dataSize) {
  if (data != nullptr && dataSize == nullptr) return kRegInvalidParameter;
  const OpenKey* k = nullptr;
  if (const std::uint32_t code = Use(use, kKeyQueryValue, k)) return code;
  bool damaged = false;
  const Value* v = k->FindValue(cp.ToUtf8(valueName == nullptr ? "" : valueName), damaged);
  if (v == nullptr) return damaged ? kRegCorrupt : kRegNotFound;
  if (type != nullptr) *type = v->kind;
  return PutData(dataSize != nullptr ? DataForA(*v, cp) : std::string(), data, dataSize);
}

}  // namespace kor::platform::regstore
