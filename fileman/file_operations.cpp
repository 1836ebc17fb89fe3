// Copy, move, rename and delete, through the shell or the plain file
// operations.
//
// The shell path (IsOSVersion4OrLater) hands one operation record to the
// shell: the caller's source and destination texts, converted to the code
// page with two NULs after them (so "a" NUL "b" names two sources), and the
// caller's options cut to the flags of the enumeration. The plain path uses
// the runtime's FileCopy, Name and Kill, catches every error and reports
// False; a copy or move that fails is tried once more into the destination
// taken as a folder, and the caller's destination variable keeps that name.
#include "platform/file_operations.h"
#include "kortools/error.h"
#include "kortools/korFileMan.h"
#include "platform/paths.h"
#include "platform/shell_file_operation.h"

namespace kor {
namespace {

// The flags a copy, move or rename keeps: 1, 4, 8, 16, 64, 128, 256 and 512.
constexpr std::uint32_t kOperationFlags = 0x3DD;
// The flags a delete keeps: 4, 16, 64 and 256.
constexpr std::uint32_t kDeleteFlags = 0x154;

// i_OptionsFlag as the method sees it: 1 (vbFileOpDefault) when left out.
Long OptionsOf(const FileActionFlags* options) { return options != nullptr ? *options : vbFileOpDefault; }

// True when an optional Variant was passed: neither left out in C++ nor the
// missing-argument marker of a late-bound call.
bool Passed(const Variant* v) { return v != nullptr && !v->IsMissing(); }

// A name list for the shell: the text in the code page, NULs included, and
// two NULs after it.
std::string ShellNames(const platform::CodePage& cp, const String& names) {
  std::string list = cp.Encode(names);
  list.append(2, '\0');
  return list;
}

// One call of the shell file operation. The dialog title and the owner are
// converted before anything else happens, so that their conversion errors
// (13, 6) reach the caller and the operation does not start.
Boolean ShellOperation(std::uint32_t function, const String& source, const String* destination, Long flags,
                       std::uint32_t mask, const Variant* title, const Variant* owner) {
  const platform::CodePage& cp = platform::GetFileSystemView().NameCodePage();
  platform::ShFileOpStruct op;
  op.wFunc = function;
  op.pFrom = ShellNames(cp, source);
  if (destination != nullptr) op.pTo = ShellNames(cp, *destination);
  if (Passed(title)) op.lpszProgressTitle = cp.Encode(ChangeType<String>(*title));
  if (Passed(owner)) op.hwnd = ChangeType<Long>(*owner);
  op.fFlags = static_cast<std::uint32_t>(flags) & mask;
  return platform::GetShellFileOperations().SHFileOperation(op) == 0;
}

// Runs one plain file operation with every error it raises caught: true when
// it raised none. Out of memory is not the operation's failure and reaches
// the caller.
template <typename F>
bool Succeeds(F&& operation) {
  try {
    operation();
    return true;
  } catch (const Error&) {
    return false;
  }
}

using PlainOperation = void (platform::FileOperations::*)(std::string_view, std::string_view);

bool Plain(PlainOperation operation, const String& source, const String& destination) {
  return Succeeds([&] {
    const platform::CodePage& cp = platform::GetFileSystemView().NameCodePage();
    (platform::GetFileOperations().*operation)(cp.Encode(source), cp.Encode(destination));
  });
}

// The plain path of copy and move: one attempt, and when it fails a second
// one to `intoFolder()` (the destination taken as a folder, with the source's
// file name), which the caller's destination variable keeps whatever the
// outcome. As under the runtime's "resume next", an error while forming that
// name leaves the destination as it was, and the result is False even if the
// second attempt then succeeds.
template <typename F>
Boolean PlainWithRetry(PlainOperation operation, const String& source, String& destination, F&& intoFolder) {
  if (Plain(operation, source, destination)) return kTrue;
  bool failed = !Succeeds([&] { destination = intoFolder(); });
  failed = !Plain(operation, source, destination) || failed;
  return !failed;
}

}  // namespace

Boolean korFileMan::FileCopy(String& i_Source, String& i_Destination, FileActionFlags* i_OptionsFlag,
                             Variant* i_DialogTitle, Variant* i_Owner) {
  if (this->IsOSVersion4OrLater()) {
    // The default 1 gives no flags; any other value, 1 included among others, is used as given.
    const Long options = OptionsOf(i_OptionsFlag);
    return ShellOperation(platform::kFoCopy, i_Source, &i_Destination, options == 1 ? 0 : options, kOperationFlags,
                          i_DialogTitle, i_Owner);
  }
  return PlainWithRetry(&platform::FileOperations::FileCopy, i_Source, i_Destination,
                        [&] { return this->NormalizePath(i_Destination) + this->GetFullPathFilePart(i_Source); });
}

Boolean korFileMan::FileMove(String& i_Source, String& i_Destination, FileActionFlags* i_OptionsFlag,
                             Variant* i_DialogTitle, Variant* i_Owner) {
  if (this->IsOSVersion4OrLater())
    return ShellOperation(platform::kFoMove, i_Source, &i_Destination, OptionsOf(i_OptionsFlag), kOperationFlags,
                          i_DialogTitle, i_Owner);
  return PlainWithRetry(&platform::FileOperations::Name, i_Source, i_Destination,
                        [&] { return this->NormalizePath(i_Destination) + this->GetFullPathFilePart(i_Source); });
}

Boolean korFileMan::FileRename(String& i_Source, String& i_Destination, FileActionFlags* i_OptionsFlag,
                               Variant* i_DialogTitle, Variant* i_Owner) {
  if (this->IsOSVersion4OrLater())
    return ShellOperation(platform::kFoRename, i_Source, &i_Destination, OptionsOf(i_OptionsFlag), kOperationFlags,
                          i_DialogTitle, i_Owner);
  return Plain(&platform::FileOperations::Name, i_Source, i_Destination);
}

Boolean korFileMan::FileDelete(String& i_Source, FileActionFlags* i_OptionsFlag, Variant* i_DialogTitle,
                               Variant* i_Owner) {
  if (this->IsOSVersion4OrLater())
    return ShellOperation(platform::kFoDelete, i_Source, nullptr, OptionsOf(i_OptionsFlag), kDeleteFlags, i_DialogTitle,
                          i_Owner);
  return Succeeds(
      [&] { platform::GetFileOperations().Kill(platform::GetFileSystemView().NameCodePage().Encode(i_Source)); });
}

Boolean korFileMan::FileCopyExt(String& i_Source, String& i_Destination, FileActionFlags* i_OptionsFlag,
                                Variant* i_DialogTitle, Variant* i_Owner) {
  return this->FileCopy(i_Source, i_Destination, i_OptionsFlag, i_DialogTitle, i_Owner);
}

Boolean korFileMan::FileMoveExt(String& i_Source, String& i_Destination, FileActionFlags* i_OptionsFlag,
                                Variant* i_DialogTitle, Variant* i_Owner) {
  return this->FileMove(i_Source, i_Destination, i_OptionsFlag, i_DialogTitle, i_Owner);
}

Boolean korFileMan::FileRenameExt(String& i_Source, String& i_Destination, FileActionFlags* i_OptionsFlag,
                                  Variant* i_DialogTitle, Variant* i_Owner) {
  return this->FileRename(i_Source, i_Destination, i_OptionsFlag, i_DialogTitle, i_Owner);
}

Boolean korFileMan::FileDeleteExt(String& i_Source, FileActionFlags* i_OptionsFlag, Variant* i_DialogTitle,
                                  Variant* i_Owner) {
  return this->FileDelete(i_Source, i_OptionsFlag, i_DialogTitle, i_Owner);
}

}  // namespace kor
