// The registry store: the keys and values read from registry files, held in
// memory for the platform's registry operations.
//
// A store is built by the file readers (registry_files.h), then finished
// (Finish), after which it is only read, and may be read by several open keys
// at once. Names are kept in UTF-8 as the files give them and compared
// without regard to case; value data is kept as the registry stores it, with
// strings in UTF-16LE.
//
//   Store store;
//   Key* app = store.Child(store.RootKey(Root::kCurrentUser), "Software");
//   store.SetValue(app, "Path", kRegSz, Utf16LeOf("C:\\App"));
//   store.Finish();
//   const Key* k = store.Find(Root::kCurrentUser, {"SOFTWARE"});    // names folded
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kor::platform::regstore {

// The roots the files fill. HKEY_CLASSES_ROOT is a view of two keys, not a
// root of its own (see RootName).
enum class Root : std::uint8_t { kLocalMachine, kCurrentUser, kUsers, kCurrentConfig, kPerformanceData };
inline constexpr std::size_t kRootCount = 5;

// Limits of the registry, in UTF-16 characters: a file's longer names and
// deeper keys are refused as the system would refuse them.
inline constexpr std::size_t kMaxKeyNameLength = 255;
inline constexpr std::size_t kMaxValueNameLength = 16383;
inline constexpr std::size_t kMaxKeyDepth = 512;

// A key by its place: a root and the names of the keys below it.
struct KeyPath {
  Root root = Root::kLocalMachine;
  std::vector<std::string> names;
};

// Memory for names and data, freed with the store; pieces never move.
class Arena {
 public:
  std::string_view Copy(std::string_view bytes);

 private:
  std::vector<std::unique_ptr<char[]>> blocks_;
  char* next_ = nullptr;
  std::size_t left_ = 0;
};

struct Value {
  std::string_view name;
  std::string_view data;
  std::uint32_t kind = 0;
  bool erased = false;
};

struct Key;

// Lookup by folded name for keys with many subkeys or values.
struct KeyIndex {
  std::unordered_map<std::string_view, Key*> children;
  std::unordered_map<std::string, std::uint32_t> values;
};

struct Key {
  std::string_view name;
  std::string_view folded;  // the name in upper case, for comparing and ordering
  Key* parent = nullptr;
  std::vector<Key*> children;        // by folded name once the store is finished
  std::vector<Value> values;         // in the order the files give them
  std::vector<std::string> damaged;  // folded names of values whose lines could not be read
  std::uint64_t lastWrite = 0;       // FILETIME
  std::unique_ptr<KeyIndex> index;
  std::optional<KeyPath> link;  // a symbolic link: the key stands for the one named here (folded names)
  bool isLink = false;          // marked as a link by its file; `link` is found when the store is finished
  bool erased = false;
};

// The name in upper case (one-to-one Unicode mapping), as names compare.
std::string Fold(std::string_view utf8);
void FoldInto(std::string_view utf8, std::string& out);
bool SameName(std::string_view a, std::string_view b);

// Length of UTF-8 text in UTF-16 code units.
std::size_t Utf16Length(std::string_view utf8);

class Store {
 public:
  Store();
  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;

  Key* RootKey(Root root) { return roots_[static_cast<std::size_t>(root)]; }
  const Key* RootKey(Root root) const { return roots_[static_cast<std::size_t>(root)]; }

  // Building.
  Key* Child(Key* parent, std::string_view name, std::uint64_t lastWrite = 0);  // found or made
  Key* FindChildForUpdate(Key* parent, std::string_view name);
  void EraseChild(Key* parent, std::string_view name);
  void SetValue(Key* key, std::string_view name, std::uint32_t kind, std::string_view data);
  void EraseValue(Key* key, std::string_view name);
  void MarkDamaged(Key* key, std::string_view name);
  // A file whose keys could not be read: a key that is missing at or below
  // `where` (anywhere when empty) reports `code` instead of "not found".
  void AddFailure(std::optional<KeyPath> where, std::uint32_t code);
  // The security identifier of the user whose keys are HKEY_CURRENT_USER, for
  // links into "\Registry\User\<sid>".
  void SetCurrentUser(std::string_view sid);
  std::string_view Save(std::string_view bytes) { return arena_.Copy(bytes); }
  // Orders subkeys, drops erased entries and resolves links.
  void Finish();

  // Reading, once finished. Names are folded.
  const Key* FindChild(const Key* parent, std::string_view folded) const;
  // The key at `names` below the root, following links; null when missing.
  const Key* Find(Root root, const std::vector<std::string>& folded) const;
  const Key* Walk(const Key* from, const std::vector<std::string>& folded, std::size_t first = 0, int hops = 0) const;
  // `name` as given (UTF-8).
  const Value* FindValue(const Key* key, std::string_view name) const;
  bool IsDamaged(const Key* key, std::string_view name) const;
  // The code for a key that is missing at this place: a failed file's code,
  // else 0.
  std::uint32_t FailureAt(Root root, const std::vector<std::string>& folded) const;

  std::size_t KeyCount() const { return keys_.size(); }

 private:
  struct Failure {
    std::optional<KeyPath> where;
    std::uint32_t code;
  };
  Key* NewKey(Key* parent, std::string_view name, std::uint64_t lastWrite);
  const Key* Resolve(const Key* key, int hops) const;
  std::optional<std::uint32_t> FindValueIndex(const Key* key, std::string_view name) const;
  void ResolveLink(Key& key);
  void AddStandingKeys();

  Arena arena_;
  std::deque<Key> keys_;
  std::array<Key*, kRootCount> roots_{};
  std::vector<Failure> failures_;
  std::string currentUser_;      // folded
  std::string currentUserName_;  // as the file gives it
  std::string fold_;             // scratch
};

}  // namespace kor::platform::regstore
