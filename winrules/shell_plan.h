// The planning of the shell file operation (platform/shell_file_operation.h):
// its result codes, how the name lists are read, which destination each
// source goes to, what happens when an item meets an existing one, and the
// names a colliding item gets. The operation itself (platform/posix/
// shell_file_operation.cpp) asks the file system and carries the plan out.
//
//   std::vector<std::string> sources = shell_plan::SplitList(op.pFrom);
//   if (int e = shell_plan::CheckDestinations(sources.size(), dests.size(), op.fFlags)) return e;
//   shell_plan::CollisionName("report.txt", false, true, 2);   // "report - Copy (2).txt"
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kor::platform::shell_plan {

// Results, as Windows reports them.
inline constexpr int kFileNotFound = 0x2;         // a source does not exist
inline constexpr int kPathNotFound = 0x3;         // a folder on the way does not exist
inline constexpr int kAccessDenied = 0x5;         // no permission (or a read-only file system)
inline constexpr int kNotSameDevice = 0x11;       // a trash on the item's own volume cannot be used
inline constexpr int kInvalidParameter = 0x57;    // an unknown operation code
inline constexpr int kDiskFull = 0x70;            // no space left
inline constexpr int kSameFile = 0x71;            // source and destination are the same item
inline constexpr int kManySourcesOneDest = 0x72;  // fewer destination names than sources (multi-destination)
inline constexpr int kDifferentFolder = 0x73;     // a rename into another folder
inline constexpr int kRootFolder = 0x74;          // the root folder as a source
inline constexpr int kDestSubtree = 0x76;         // a folder copied or moved into itself
inline constexpr int kManyDestinations = 0x7A;    // more destination names than the operation takes
inline constexpr int kInvalidFiles = 0x7C;        // no source, no destination, or a name that cannot be used
inline constexpr int kFolderOntoFile = 0x7E;      // a folder onto an existing file
inline constexpr int kFileOntoFolder = 0x80;      // a file onto an existing folder
inline constexpr int kAlreadyExists = 0xB7;       // a rename onto an existing name
inline constexpr int kNameTooLong = 0xCE;         // a name longer than the file system takes
inline constexpr int kUnknownError = 0x402;       // anything else the system reported
inline constexpr int kCancelled = 0x4C7;          // an item was skipped because a question was answered "no"

// The names of a list of names, each ended by a NUL, the list by an empty
// name (or by its end).
std::vector<std::string> SplitList(std::string_view list);

// 0 when `destCount` destination names suit `sourceCount` source names under
// `flags`: one destination, or with kFofMultiDestFiles one per source; else
// kInvalidFiles (none), kManySourcesOneDest or kManyDestinations.
int CheckDestinations(std::size_t sourceCount, std::size_t destCount, std::uint32_t flags);

// Whether a copy or move puts a source's items into the destination as a
// folder (rather than giving the one item the destination's name), as far as
// the names tell: a source with wildcards, several sources to one
// destination, a destination written with a trailing separator. When this is
// false, an existing folder at the destination (other than the item itself)
// still takes the items in.
bool IntoFolderByName(bool wildcardSource, std::size_t sourceCount, bool folderForm, std::uint32_t flags);

// Whether a rename's destination name says its folder (a separator or a
// drive); one that does not is taken in the source's folder.
bool NamesItsFolder(std::string_view destName);

// What a copy or move does with an item whose target name is taken.
enum class Collision {
  kSameFile,        // the target is the item itself: kSameFile
  kFreeName,        // kFofRenameOnCollision: the item gets a free name (CollisionName)
  kMerge,           // a folder onto a folder: merged, entry by entry
  kFileOntoFolder,  // the error of that name
  kFolderOntoFile,  // the error of that name
  kSkip,            // an existing file is kept unless the caller said kFofNoConfirmation
  kReplace,         // the existing file is replaced
};
Collision OnCollision(bool sameItem, bool sourceIsFolder, bool targetIsFolder, bool move, std::uint32_t flags);

// The `attempt`-th name (from 0) for an item named `base` that collides:
// "x - Copy.txt", "x - Copy (2).txt", ... for a copy onto itself
// (`copyOfItself`), else "x (2).txt", "x (3).txt", ... Folders keep any dot
// in their names; a name beginning with its only dot has no extension.
std::string CollisionName(std::string_view base, bool isFolder, bool copyOfItself, unsigned attempt);

// Whether a deletion leaves out a read-only file, as the shell does unless
// the caller said kFofNoConfirmation.
bool SkipsReadOnly(bool readOnly, std::uint32_t flags);

}  // namespace kor::platform::shell_plan
