// Folders and temporary files: CreatePath with its recursive helper
// CreateFolderTree, the folder for temporary files and new temporary files.
#include "kortools/error.h"
#include "kortools/korFileMan.h"
#include "platform/paths.h"
#include "platform/temp_files.h"

namespace kor {
namespace {

// The buffer the folder for temporary files is asked into.
constexpr std::uint32_t kTempPathBuffer = 512;
// The longest prefix of a temporary file name.
constexpr std::size_t kPrefixLength = 3;

constexpr char16_t kTempFileError[] = u"Error creating temporary filename. Valid path & prefix settings.";

const platform::CodePage& NameCodePage() { return platform::GetFileSystemView().NameCodePage(); }

// The runtime's MkDir of one folder; raises its errors.
void MakeFolder(const String& name) { platform::GetFileCreation().MkDir(NameCodePage().Encode(name)); }

// The text of a buffer the platform filled, up to its first NUL.
String FromBuffer(const char* buffer) { return NameCodePage().Decode(platform::UpToNul(buffer)); }

}  // namespace

// The root is the part of the path that is never created: '\\server\share'
// or 'C:'. The final component is taken as a file name unless the path ends
// in "\". One attempt creates the folder when only its last level is
// missing; otherwise CreateFolderTree creates the missing levels, and the
// answer is whether the folder exists in the end.
Boolean korFileMan::CreatePath(String pathToCreate) {
  String root;
  String folderPath = pathToCreate;
  if (folderPath.size() >= 2 && folderPath[0] == u'\\' && folderPath[1] == u'\\') {
    const auto server = folderPath.find(u'\\', 2);
    if (server == String::npos) return false;
    const auto share = folderPath.find(u'\\', server + 1);
    if (share == String::npos) return false;  // a bare '\\server\share' is never created
    root = folderPath.substr(0, share);
    folderPath.erase(0, share);
  } else if (folderPath.size() >= 2 && folderPath[1] == u':') {
    root = folderPath.substr(0, 2);
    folderPath.erase(0, 2);
  }
  const auto last = folderPath.rfind(u'\\');
  if (last != String::npos && last + 1 < folderPath.size()) folderPath.resize(last + 1);  // a file name at the end

  try {
    MakeFolder(root + folderPath);
    return true;
  } catch (const Error&) {
  }
  try {
    CreateFolderTree(root, folderPath);
    return this->FolderExists(root + folderPath);
  } catch (const Error&) {
  }
  return false;
}

// Creates the parent first when it does not exist. A relative path's first
// level is never created here, and a failure ends this level quietly: the
// levels above then fail quietly too.
void korFileMan::CreateFolderTree(String& root, String folderPath) {
  try {
    const String withoutSeparator = this->UnNormalizePath(folderPath);
    const auto k = withoutSeparator.rfind(u'\\');
    if (k == String::npos) return;
    const String parent = folderPath.substr(0, k + 1);
    const Boolean parentExists = this->FolderExists(root + parent);
    if (parent != u"\\" && !parentExists) CreateFolderTree(root, parent);
    MakeFolder(root + folderPath);
  } catch (const Error&) {
  }
}

// The folder as the platform gives it, ending in "\"; the empty string when
// the platform fails or the name does not fit in 511 characters.
String korFileMan::GetTempDir() {
  char buffer[kTempPathBuffer] = {};
  const std::uint32_t n = platform::GetFileCreation().GetTempPath(kTempPathBuffer, buffer);
  if (n < 1 || n >= kTempPathBuffer) return String();
  return FromBuffer(buffer);
}

// A new, empty file in `i_Path` (the folder for temporary files when empty)
// whose name begins with the first three characters of `i_Prefix`.
String korFileMan::GetTempFilePathname(String* i_Path, String* i_Prefix) {
  char buffer[platform::FileCreation::kMaxPath] = {};
  const String prefix = i_Prefix == nullptr ? String() : i_Prefix->substr(0, kPrefixLength);
  const String folder = i_Path == nullptr || i_Path->empty() ? this->GetTempDir() : *i_Path;
  const platform::CodePage& cp = NameCodePage();
  if (platform::GetFileCreation().GetTempFileName(cp.Encode(folder), cp.Encode(prefix), 0, buffer) == 0)
    throw Error::Object(1, kTempFileError);
  return FromBuffer(buffer);
}

}  // namespace kor
