// The decimal separator on Windows: the user's regional settings.
#include "platform/win32/windows_api.h"

#include "platform/locale.h"

namespace kor::platform {

String DecimalSeparator() {
  wchar_t sep[8] = {};
  const int n = ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, sep, 8);
  if (n <= 1) return u".";
  String result;
  for (int i = 0; i < n - 1; ++i) result += static_cast<char16_t>(sep[i]);
  return result;
}

}  // namespace kor::platform
