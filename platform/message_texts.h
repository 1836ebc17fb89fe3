// The system's message texts, as FormatMessageA gives them.
//
//   char buffer[255] = {};
//   std::uint32_t n = kor::platform::GetMessageTexts().FormatMessage(
//       kor::platform::kFormatMessageFromSystem, nullptr, 2, 0, buffer, sizeof buffer, nullptr);
//   // buffer: "The system cannot find the file specified.\r\n", n == 44
#pragma once

#include <cstdint>

namespace kor::platform {

inline constexpr std::uint32_t kFormatMessageIgnoreInserts = 0x200;  // FORMAT_MESSAGE_IGNORE_INSERTS
inline constexpr std::uint32_t kFormatMessageFromSystem = 0x1000;    // FORMAT_MESSAGE_FROM_SYSTEM

class MessageTexts {
 public:
  virtual ~MessageTexts() = default;

  // Writes the system's text for `messageId` in the language `languageId`
  // (0: the default) into `buffer`, followed by a NUL, and returns its length
  // without the NUL. The texts are the system's own English ones, each ending
  // in CR LF. Returns 0 and leaves the buffer as it was when there is no such
  // message, when `flags` do not ask for a system message, or when the text
  // and its NUL do not fit in `size` characters.
  virtual std::uint32_t FormatMessage(std::uint32_t flags, const void* source, std::uint32_t messageId,
                                      std::uint32_t languageId, char* buffer, std::uint32_t size, void* arguments) = 0;
};

MessageTexts& GetMessageTexts();

}  // namespace kor::platform
