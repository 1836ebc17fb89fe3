// The system's message texts on Windows: FormatMessageA itself.
#include "platform/win32/windows_api.h"

#include <algorithm>
#include <vector>

#include "platform/message_texts.h"

namespace kor::platform {
namespace {

class Win32MessageTexts final : public MessageTexts {
 public:
  std::uint32_t FormatMessage(std::uint32_t flags, const void* source, std::uint32_t messageId,
                              std::uint32_t languageId, char* buffer, std::uint32_t size, void* arguments) override {
    if ((flags & kFormatMessageFromSystem) == 0 || buffer == nullptr || size == 0) return 0;
    // Formed in a buffer of its own, so that a text that does not fit leaves
    // the caller's as it was.
    std::vector<char> text(size);
    // The text always goes into the buffer given, never one the system allocates.
    const DWORD n = ::FormatMessageA(flags & ~DWORD{FORMAT_MESSAGE_ALLOCATE_BUFFER}, source, messageId, languageId,
                                     text.data(), size, static_cast<va_list*>(arguments));
    if (n == 0 || n >= size) return 0;
    std::copy(text.begin(), text.begin() + n + 1, buffer);
    return n;
  }
};

}  // namespace

MessageTexts& GetMessageTexts() {
  static Win32MessageTexts texts;
  return texts;
}

}  // namespace kor::platform
