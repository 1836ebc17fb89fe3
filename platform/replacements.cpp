// The groups whose operations a test or a host may replace: the same on every
// platform, each falling back on the platform's own.
#include "platform/file_search.h"
#include "platform/replaceable.h"
#include "platform/shell_file_operation.h"
#include "platform/temp_files.h"

namespace kor::platform {
namespace {

Replaceable<ShellFileOperations> g_shell;
Replaceable<FileSearch> g_search;
Replaceable<FileCreation> g_creation;

}  // namespace

ShellFileOperations& GetShellFileOperations() { return g_shell.Get(PlatformShellFileOperations); }
void SetShellFileOperations(ShellFileOperations* replacement) { g_shell.Set(replacement); }

FileSearch& GetFileSearch() { return g_search.Get(PlatformFileSearch); }
void SetFileSearch(FileSearch* replacement) { g_search.Set(replacement); }

FileCreation& GetFileCreation() { return g_creation.Get(PlatformFileCreation); }
void SetFileCreation(FileCreation* replacement) { g_creation.Set(replacement); }

}  // namespace kor::platform
