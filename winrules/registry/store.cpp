#include "winrules/registry/store.h"

#include <algorithm>
#include <cstring>

#include "platform/code_page.h"
#include "winrules/registry/text.h"

namespace kor::platform::regstore {
namespace {

constexpr std::size_t kArenaBlock = std::size_t{1} << 20;
constexpr std::size_t kIndexFrom = 16;  // entries from which a key keeps an index
constexpr int kMaxLinkHops = 16;

}  // namespace

std::string_view Arena::Copy(std::string_view bytes) {
  if (bytes.empty()) return {};
  if (bytes.size() > left_) {
    if (bytes.size() > kArenaBlock / 4) {
      blocks_.push_back(std::make_unique<char[]>(bytes.size()));
      std::memcpy(blocks_.back().get(), bytes.data(), bytes.size());
      return {blocks_.back().get(), bytes.size()};
    }
    blocks_.push_back(std::make_unique<char[]>(kArenaBlock));
    next_ = blocks_.back().get();
    left_ = kArenaBlock;
  }
  char* p = next_;
  std::memcpy(p, bytes.data(), bytes.size());
  next_ += bytes.size();
  left_ -= bytes.size();
  return {p, bytes.size()};
}

void FoldInto(std::string_view utf8, std::string& out) {
  out.clear();
  out.reserve(utf8.size());
  std::size_t i = 0;
  while (i < utf8.size()) {
    const char b = utf8[i];
    if (static_cast<unsigned char>(b) < 0x80) {
      out += b >= 'a' && b <= 'z' ? static_cast<char>(b - 32) : b;
      ++i;
      continue;
    }
    if (const auto c = text::DecodeUtf8(utf8, i, text::Policy::kKeepSurrogates)) {
      AppendUtf8(out, UpperCase(*c));
    } else {
      out += utf8[i++];
    }
  }
}

std::string Fold(std::string_view utf8) {
  std::string out;
  FoldInto(utf8, out);
  return out;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() == b.size() && EqualsIgnoringAsciiCase(a, b)) return true;
  if (text::IsAscii(a) && text::IsAscii(b)) return false;
  return Fold(a) == Fold(b);
}

std::size_t Utf16Length(std::string_view utf8) {
  std::size_t n = 0;
  for (const char ch : utf8) {
    const auto b = static_cast<unsigned char>(ch);
    if ((b & 0xC0) != 0x80) ++n;  // a lead byte or ASCII
    if (b >= 0xF0) ++n;           // four bytes make a surrogate pair
  }
  return n;
}

Store::Store() {
  static constexpr std::string_view kNames[kRootCount] = {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER", "HKEY_USERS",
                                                          "HKEY_CURRENT_CONFIG", "HKEY_PERFORMANCE_DATA"};
  for (std::size_t r = 0; r < kRootCount; ++r) {
    Key& k = keys_.emplace_back();
    k.name = kNames[r];
    k.folded = kNames[r];
    roots_[r] = &k;
  }
}

Key* Store::FindChildForUpdate(Key* parent, std::string_view name) {
  FoldInto(name, fold_);
  if (parent->index) {
    const auto it = parent->index->children.find(fold_);
    return it == parent->index->children.end() ? nullptr : it->second;
  }
  for (Key* c : parent->children)
    if (!c->erased && c->folded == fold_) return c;
  return nullptr;
}

Key* Store::NewKey(Key* parent, std::string_view name, std::uint64_t lastWrite) {
  Key& k = keys_.emplace_back();
  k.name = arena_.Copy(name);
  k.folded = fold_ == name ? k.name : arena_.Copy(fold_);
  k.parent = parent;
  k.lastWrite = lastWrite;
  parent->children.push_back(&k);
  if (!parent->index && parent->children.size() >= kIndexFrom) {
    parent->index = std::make_unique<KeyIndex>();
    for (std::size_t i = 0; i < parent->values.size(); ++i)
      if (!parent->values[i].erased) parent->index->values.emplace(Fold(parent->values[i].name), i);
    for (Key* c : parent->children)
      if (!c->erased) parent->index->children.emplace(c->folded, c);
  } else if (parent->index) {
    parent->index->children.emplace(k.folded, &k);
  }
  return &k;
}

Key* Store::Child(Key* parent, std::string_view name, std::uint64_t lastWrite) {
  if (Key* k = FindChildForUpdate(parent, name)) {
    if (lastWrite != 0) k->lastWrite = lastWrite;
    return k;
  }
  return NewKey(parent, name, lastWrite);
}

void Store::EraseChild(Key* parent, std::string_view name) {
  Key* k = FindChildForUpdate(parent, name);
  if (k == nullptr) return;
  k->erased = true;
  if (parent->index) parent->index->children.erase(k->folded);
}

std::optional<std::uint32_t> Store::FindValueIndex(const Key* key, std::string_view name) const {
  if (key->index) {  // holds every value once it exists
    const auto it = key->index->values.find(Fold(name));
    if (it == key->index->values.end()) return std::nullopt;
    return it->second;
  }
  for (std::size_t i = 0; i < key->values.size(); ++i)
    if (!key->values[i].erased && SameName(key->values[i].name, name)) return static_cast<std::uint32_t>(i);
  return std::nullopt;
}

void Store::SetValue(Key* key, std::string_view name, std::uint32_t kind, std::string_view data) {
  if (const auto i = FindValueIndex(key, name)) {
    Value& v = key->values[*i];
    v.kind = kind;
    v.data = arena_.Copy(data);
    return;
  }
  key->values.push_back(Value{arena_.Copy(name), arena_.Copy(data), kind, false});
  const auto at = static_cast<std::uint32_t>(key->values.size() - 1);
  if (key->index) {
    key->index->values.emplace(Fold(name), at);
  } else if (key->values.size() >= kIndexFrom) {
    key->index = std::make_unique<KeyIndex>();
    for (std::size_t i = 0; i < key->values.size(); ++i)
      if (!key->values[i].erased) key->index->values.emplace(Fold(key->values[i].name), i);
    for (Key* c : key->children)
      if (!c->erased) key->index->children.emplace(c->folded, c);
  }
}

void Store::EraseValue(Key* key, std::string_view name) {
  const auto i = FindValueIndex(key, name);
  if (!i) return;
  key->values[*i].erased = true;
  if (key->index) key->index->values.erase(Fold(name));
}

void Store::MarkDamaged(Key* key, std::string_view name) {
  std::string folded = Fold(name);
  if (std::find(key->damaged.begin(), key->damaged.end(), folded) == key->damaged.end())
    key->damaged.push_back(std::move(folded));
}

void Store::AddFailure(std::optional<KeyPath> where, std::uint32_t code) {
  if (where)
    for (std::string& n : where->names) n = Fold(n);
  failures_.push_back(Failure{std::move(where), code});
}

void Store::SetCurrentUser(std::string_view sid) {
  currentUser_ = Fold(sid);
  currentUserName_ = sid;
}

void Store::ResolveLink(Key& key) {
  const Value* target = nullptr;
  for (const Value& v : key.values)
    if (SameName(v.name, "SymbolicLinkValue")) target = &v;
  if (target == nullptr) return;
  std::string path;
  AppendUtf8FromUtf16Le(path, target->data);
  std::vector<std::string> parts;
  std::size_t pos = 0;
  while (pos <= path.size()) {
    std::size_t end = path.find('\\', pos);
    if (end == std::string::npos) end = path.size();
    if (end > pos) parts.push_back(Fold(std::string_view(path).substr(pos, end - pos)));
    pos = end + 1;
  }
  // "\Registry\Machine\..." or "\Registry\User\<sid>\..."
  if (parts.size() < 2 || parts[0] != "REGISTRY") return;
  KeyPath to;
  std::size_t first;
  if (parts[1] == "MACHINE") {
    to.root = Root::kLocalMachine;
    first = 2;
  } else if (parts[1] == "USER" && parts.size() >= 3 && !currentUser_.empty() && parts[2] == currentUser_) {
    to.root = Root::kCurrentUser;
    first = 3;
  } else if (parts[1] == "USER") {
    to.root = Root::kUsers;
    first = 2;
  } else {
    return;
  }
  to.names.assign(parts.begin() + static_cast<std::ptrdiff_t>(first), parts.end());
  key.link = std::move(to);
}

// The keys the system shows in two places: HKEY_USERS\<sid> of the current
// user is HKEY_CURRENT_USER, and HKEY_CURRENT_CONFIG is the current hardware
// profile, as Wine and Windows keep them. Files that fill either place
// themselves keep what they put there.
void Store::AddStandingKeys() {
  if (!currentUser_.empty()) {
    Key* sid = Child(RootKey(Root::kUsers), currentUserName_);
    if (sid->children.empty() && sid->values.empty()) sid->link = KeyPath{Root::kCurrentUser, {}};
  }
  const Key* config = RootKey(Root::kCurrentConfig);
  if (config->children.empty() && config->values.empty())
    roots_[static_cast<std::size_t>(Root::kCurrentConfig)]->link =
        KeyPath{Root::kLocalMachine, {"SYSTEM", "CURRENTCONTROLSET", "HARDWARE PROFILES", "CURRENT"}};
}

void Store::Finish() {
  AddStandingKeys();
  for (Key& k : keys_) {
    if (k.erased) continue;
    std::erase_if(k.children, [](const Key* c) { return c->erased; });
    std::sort(k.children.begin(), k.children.end(), [](const Key* a, const Key* b) { return a->folded < b->folded; });
    std::erase_if(k.values, [](const Value& v) { return v.erased; });
    if (k.values.size() >= kIndexFrom) {
      k.index = std::make_unique<KeyIndex>();
      for (std::size_t i = 0; i < k.values.size(); ++i)
        k.index->values.emplace(Fold(k.values[i].name), static_cast<std::uint32_t>(i));
    } else {
      k.index.reset();
    }
    if (k.isLink) ResolveLink(k);
  }
}

const Key* Store::FindChild(const Key* parent, std::string_view folded) const {
  const auto& c = parent->children;
  const auto it =
      std::lower_bound(c.begin(), c.end(), folded, [](const Key* k, std::string_view f) { return k->folded < f; });
  return it != c.end() && (*it)->folded == folded ? *it : nullptr;
}

const Key* Store::Resolve(const Key* key, int hops) const {
  if (hops > kMaxLinkHops) return nullptr;
  return Walk(RootKey(key->link->root), key->link->names, 0, hops);
}

const Key* Store::Walk(const Key* from, const std::vector<std::string>& folded, std::size_t first, int hops) const {
  const Key* cur = from;
  for (std::size_t i = first; cur != nullptr && i < folded.size(); ++i) {
    cur = FindChild(cur, folded[i]);
    if (cur != nullptr && cur->link) cur = Resolve(cur, hops + 1);
  }
  return cur;
}

const Key* Store::Find(Root root, const std::vector<std::string>& folded) const {
  const Key* from = RootKey(root);
  if (from->link) {
    // A root that stands for another key; while that key is missing, the
    // root is there, empty.
    if (const Key* target = Resolve(from, 0)) from = target;
  }
  return Walk(from, folded);
}

const Value* Store::FindValue(const Key* key, std::string_view name) const {
  const auto i = FindValueIndex(key, name);
  return i ? &key->values[*i] : nullptr;
}

bool Store::IsDamaged(const Key* key, std::string_view name) const {
  if (key->damaged.empty()) return false;
  return std::find(key->damaged.begin(), key->damaged.end(), Fold(name)) != key->damaged.end();
}

std::uint32_t Store::FailureAt(Root root, const std::vector<std::string>& folded) const {
  for (const Failure& f : failures_) {
    if (!f.where) return f.code;
    // The keys at and below the file's place, and the keys leading to it,
    // which the file would have made.
    if (f.where->root != root) continue;
    const std::size_t n = std::min(f.where->names.size(), folded.size());
    if (std::equal(folded.begin(), folded.begin() + static_cast<std::ptrdiff_t>(n), f.where->names.begin()))
      return f.code;
  }
  return 0;
}

}  // namespace kor::platform::regstore
