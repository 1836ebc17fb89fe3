// The planning of the shell file operation (see shell_plan.h).
#include "winrules/shell_plan.h"

#include <algorithm>

#include "platform/shell_file_operation.h"

namespace kor::platform::shell_plan {

std::vector<std::string> SplitList(std::string_view list) {
  std::vector<std::string> names;
  std::size_t i = 0;
  while (i < list.size()) {
    const std::size_t end = std::min(list.find('\0', i), list.size());
    if (end == i) break;  // the empty name that ends the list
    names.emplace_back(list.substr(i, end - i));
    i = end + 1;
  }
  return names;
}

int CheckDestinations(std::size_t sourceCount, std::size_t destCount, std::uint32_t flags) {
  if (destCount == 0) return kInvalidFiles;
  if ((flags & kFofMultiDestFiles) != 0) {
    if (destCount < sourceCount) return kManySourcesOneDest;
    if (destCount > sourceCount) return kManyDestinations;
  } else if (destCount > 1) {
    return kManyDestinations;
  }
  return 0;
}

bool IntoFolderByName(bool wildcardSource, std::size_t sourceCount, bool folderForm, std::uint32_t flags) {
  return wildcardSource || ((flags & kFofMultiDestFiles) == 0 && sourceCount > 1) || folderForm;
}

bool NamesItsFolder(std::string_view destName) {
  return destName.find_first_of("\\/") != std::string_view::npos || (destName.size() >= 2 && destName[1] == ':');
}

Collision OnCollision(bool sameItem, bool sourceIsFolder, bool targetIsFolder, bool move, std::uint32_t flags) {
  const bool rename = (flags & kFofRenameOnCollision) != 0;
  if (sameItem && (move || !rename)) return Collision::kSameFile;
  if (rename) return Collision::kFreeName;
  if (targetIsFolder) return sourceIsFolder ? Collision::kMerge : Collision::kFileOntoFolder;
  if (sourceIsFolder) return Collision::kFolderOntoFile;
  return (flags & kFofNoConfirmation) != 0 ? Collision::kReplace : Collision::kSkip;
}

std::string CollisionName(std::string_view base, bool isFolder, bool copyOfItself, unsigned attempt) {
  const std::size_t dot = isFolder ? std::string_view::npos : base.rfind('.');
  const std::size_t split = dot == std::string_view::npos || dot == 0 ? base.size() : dot;
  std::string name(base.substr(0, split));
  if (copyOfItself) name += " - Copy";
  const unsigned n = attempt + (copyOfItself ? 1 : 2);
  if (n > 1) name += " (" + std::to_string(n) + ")";
  name += base.substr(split);
  return name;
}

bool SkipsReadOnly(bool readOnly, std::uint32_t flags) { return readOnly && (flags & kFofNoConfirmation) == 0; }

}  // namespace kor::platform::shell_plan
