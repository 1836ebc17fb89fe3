// The system's message texts on POSIX systems: the English texts that the
// Windows system table gives for the common Win32 codes, each ending in
// CR LF as FormatMessage delivers them.
#include <algorithm>
#include <cstring>
#include <iterator>
#include <string_view>

#include "platform/message_texts.h"

namespace kor::platform {
namespace {

struct Message {
  std::uint32_t id;
  std::string_view text;
};

// Sorted by code.
constexpr Message kMessages[] = {
    {0, "The operation completed successfully.\r\n"},
    {1, "Incorrect function.\r\n"},
    {2, "The system cannot find the file specified.\r\n"},
    {3, "The system cannot find the path specified.\r\n"},
    {4, "The system cannot open the file.\r\n"},
    {5, "Access is denied.\r\n"},
    {6, "The handle is invalid.\r\n"},
    {7, "The storage control blocks were destroyed.\r\n"},
    {8, "Not enough memory resources are available to process this command.\r\n"},
    {9, "The storage control block address is invalid.\r\n"},
    {10, "The environment is incorrect.\r\n"},
    {11, "An attempt was made to load a program with an incorrect format.\r\n"},
    {12, "The access code is invalid.\r\n"},
    {13, "The data is invalid.\r\n"},
    {14, "Not enough memory resources are available to complete this operation.\r\n"},
    {15, "The system cannot find the drive specified.\r\n"},
    {16, "The directory cannot be removed.\r\n"},
    {17, "The system cannot move the file to a different disk drive.\r\n"},
    {18, "There are no more files.\r\n"},
    {19, "The media is write protected.\r\n"},
    {20, "The system cannot find the device specified.\r\n"},
    {21, "The device is not ready.\r\n"},
    {22, "The device does not recognize the command.\r\n"},
    {23, "Data error (cyclic redundancy check).\r\n"},
    {24, "The program issued a command but the command length is incorrect.\r\n"},
    {25, "The drive cannot locate a specific area or track on the disk.\r\n"},
    {26, "The specified disk or diskette cannot be accessed.\r\n"},
    {27, "The drive cannot find the sector requested.\r\n"},
    {28, "The printer is out of paper.\r\n"},
    {29, "The system cannot write to the specified device.\r\n"},
    {30, "The system cannot read from the specified device.\r\n"},
    {31, "A device attached to the system is not functioning.\r\n"},
    {32, "The process cannot access the file because it is being used by another process.\r\n"},
    {33, "The process cannot access the file because another process has locked a portion of the file.\r\n"},
    {38, "Reached the end of the file.\r\n"},
    {39, "The disk is full.\r\n"},
    {50, "The request is not supported.\r\n"},
    {53, "The network path was not found.\r\n"},
    {80, "The file exists.\r\n"},
    {82, "The directory or file cannot be created.\r\n"},
    {87, "The parameter is incorrect.\r\n"},
    {110, "The system cannot open the device or file specified.\r\n"},
    {112, "There is not enough space on the disk.\r\n"},
    {120, "This function is not supported on this system.\r\n"},
    {122, "The data area passed to a system call is too small.\r\n"},
    {123, "The filename, directory name, or volume label syntax is incorrect.\r\n"},
    {145, "The directory is not empty.\r\n"},
    {161, "The specified path is invalid.\r\n"},
    {183, "Cannot create a file when that file already exists.\r\n"},
    {206, "The filename or extension is too long.\r\n"},
    {234, "More data is available.\r\n"},
    {259, "No more data is available.\r\n"},
    {1009, "The configuration registry database is corrupt.\r\n"},
    {1010, "The configuration registry key is invalid.\r\n"},
    {1011, "The configuration registry key could not be opened.\r\n"},
    {1012, "The configuration registry key could not be read.\r\n"},
    {1013, "The configuration registry key could not be written.\r\n"},
    {1014,
     "One of the files in the registry database had to be recovered by use of a log or alternate copy. The "
     "recovery was successful.\r\n"},
    {1015,
     "The registry is corrupted. The structure of one of the files containing registry data is corrupted, or the "
     "system's memory image of the file is corrupted, or the file could not be recovered because the alternate copy "
     "or log was absent or corrupted.\r\n"},
    {1016,
     "An I/O operation initiated by the registry failed unrecoverably. The registry could not read in, or write "
     "out, or flush, one of the files that contain the system's image of the registry.\r\n"},
    {1017,
     "The system has attempted to load or restore a file into the registry, but the specified file is not in a "
     "registry file format.\r\n"},
    {1018, "Illegal operation attempted on a registry key that has been marked for deletion.\r\n"},
    {1019, "System could not allocate the required space in a registry log.\r\n"},
    {1020, "Cannot create a symbolic link in a registry key that already has subkeys or values.\r\n"},
    {1021, "Cannot create a stable subkey under a volatile parent key.\r\n"},
};

static_assert(std::is_sorted(std::begin(kMessages), std::end(kMessages),
                             [](const Message& a, const Message& b) { return a.id < b.id; }));

// Languages with these texts: neutral/default, English neutral, US English.
bool EnglishOrDefault(std::uint32_t languageId) {
  return languageId == 0 || languageId == 0x0400 || languageId == 0x0800 || (languageId & 0x3FF) == 0x09;
}

class SystemMessages final : public MessageTexts {
 public:
  std::uint32_t FormatMessage(std::uint32_t flags, const void*, std::uint32_t messageId, std::uint32_t languageId,
                              char* buffer, std::uint32_t size, void*) override {
    if ((flags & kFormatMessageFromSystem) == 0 || buffer == nullptr || !EnglishOrDefault(languageId)) return 0;
    // A Win32 code wrapped as an HRESULT (0x8007xxxx) has the code's text.
    if ((messageId & 0xFFFF0000U) == 0x80070000U) messageId &= 0xFFFFU;
    const auto* end = std::end(kMessages);
    const auto* m = std::lower_bound(std::begin(kMessages), end, messageId,
                                     [](const Message& a, std::uint32_t id) { return a.id < id; });
    if (m == end || m->id != messageId || m->text.size() + 1 > size) return 0;
    std::memcpy(buffer, m->text.data(), m->text.size());
    buffer[m->text.size()] = '\0';
    return static_cast<std::uint32_t>(m->text.size());
  }
};

}  // namespace

MessageTexts& GetMessageTexts() {
  static SystemMessages messages;
  return messages;
}

}  // namespace kor::platform
