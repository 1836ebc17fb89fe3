// korINI: a host window's position, size and state, saved as percentages of
// the screen and put back later.
//
//   [window]
//   Left=10
//   Top=10
//   Width=50
//   Height=50
//   State=0
//
// Every key goes through the class's own GetIni, GetInt and WriteINI.
#include <memory>
#include <string>

#include "frame/defaults.h"
#include "frame/host_window.h"
#include "ini/file_names.h"
#include "ini/numeric_text.h"
#include "kortools/error.h"
#include "kortools/korINI.h"
#include "platform/locale.h"

namespace kor {
namespace {

constexpr char16_t kWindowSection[] = u"window";

// Both bounds at most this many percent: the bounds are screen percentages.
constexpr Single kLargestPercentage = 105;

// Runs the steps of a method. A reader that ignores errors drops the error of
// a step and goes on with the next one.
class Steps {
 public:
  explicit Steps(bool ignoreErrors) : ignoreErrors_(ignoreErrors) {}

  template <typename F>
  void operator()(F&& step) const {
    if (!ignoreErrors_) {
      step();
      return;
    }
    try {
      step();
    } catch (const Error&) {
      // ignored: the step leaves its variable, or the window, as it was
    }
  }

 private:
  bool ignoreErrors_;
};

// The division of the runtime: x / 0 is error 11, 0 / 0 error 6.
Double Divide(Double x, Double y) {
  if (y == 0) throw Error::Runtime(x == 0 ? 6 : 11);
  return x / y;
}

// A sum of two Singles, which overflows as a Single.
Single SingleSum(Single a, Single b) { return ini::ToSingle(static_cast<Double>(a) + b); }

// ---- writing ----

class WindowWriter {
 public:
  WindowWriter(_korINI& ini, const String& section, const String& file) : ini_(ini), section_(section), file_(file) {}

  void Write(const char16_t* key, String value) { ini_.WriteINI(section_, key, std::move(value), file_); }

  // "Left", "Top", "Width" and "Height" as percentages of the screen.
  void WritePercentages(const HostWindow& form) {
    const auto& host = platform::GetHostForms();
    const String separator = platform::DecimalSeparator();
    auto percent = [&](Single value, Single screen) {
      return ini::GeneralDecimalText(ini::ToSingle(Divide(static_cast<Double>(value) * 100, screen)), separator);
    };
    Write(u"Left", percent(form.Left(), host.ScreenWidth()));
    Write(u"Top", percent(form.Top(), host.ScreenHeight()));
    Write(u"Width", percent(form.Width(), host.ScreenWidth()));
    Write(u"Height", percent(form.Height(), host.ScreenHeight()));
  }

 private:
  _korINI& ini_;
  const String& section_;
  const String& file_;
};

enum class MaximizedAs { FullScreen, OwnBounds };

void WriteWindow(_korINI& ini, Object& source, const String& section, const String& file, MaximizedAs maximized) {
  const std::shared_ptr<HostWindow> form = platform::GetHostForms().FormOf(source);
  WindowWriter out(ini, section, file);
  const Integer state = form->WindowState();
  if (state == 0) {
    out.WritePercentages(*form);
    out.Write(u"State", ini::DecimalDigits(form->WindowState()));
  } else if (state == 2) {
    if (maximized == MaximizedAs::FullScreen) {
      out.Write(u"Left", u"0");
      out.Write(u"Top", u"0");
      out.Write(u"Width", u"100");
      out.Write(u"Height", u"100");
    } else {
      out.WritePercentages(*form);
    }
    out.Write(u"State", u"2");
  }
  // A minimized window is not saved: the section keeps what it held.
}

// ---- reading ----

struct Settings {
  Single left = 0, top = 0, width = 0, height = 0;
  Long state = 0;
};

enum class Reader { PrivateWindow, WindowSettings };

// One bound: the numeric value of its text, as a Single.
Single ReadBound(_korINI& ini, String& section, const char16_t* name, const char16_t* defaultText, String& file) {
  String key = name, def = defaultText;
  return ini::ToSingle(ini::NumericValue(ini.GetIni(section, key, def, file)));
}

Settings ReadSettings(_korINI& ini, String& section, String& file, Reader reader, const Steps& step) {
  Settings s;
  step([&] { s.left = ReadBound(ini, section, u"Left", u"0", file); });
  step([&] { s.top = ReadBound(ini, section, u"Top", u"0", file); });
  step([&] { s.width = ReadBound(ini, section, u"Width", u"100", file); });
  step([&] { s.height = ReadBound(ini, section, u"Height", u"100", file); });
  step([&] {
    String key = u"State";
    if (reader == Reader::PrivateWindow) {
      Integer def = 0;
      s.state = ChangeType<Long>(ini.GetInt(section, key, def, file));
    } else {
      String def = u"2";
      s.state = ini::ToLong(ini::NumericValue(ini.GetIni(section, key, def, file)));
    }
  });
  return s;
}

// Percentages become screen units; absolute bounds that stick out at the
// right or the bottom become the whole screen.
void ToScreenUnits(Settings& s, const Steps& step) {
  const auto& host = platform::GetHostForms();
  if (s.width <= kLargestPercentage && s.height <= kLargestPercentage) {
    auto scale = [](Single screen, Single percent) {
      return ini::ToSingle(static_cast<Double>(screen) * percent / 100);
    };
    step([&] { s.left = scale(host.ScreenWidth(), s.left); });
    step([&] { s.top = scale(host.ScreenHeight(), s.top); });
    step([&] { s.width = scale(host.ScreenWidth(), s.width); });
    step([&] { s.height = scale(host.ScreenHeight(), s.height); });
    return;
  }
  // A test that fails (a sum beyond the range of a Single) counts as sticking
  // out when errors are ignored.
  bool sticksOut = true;
  step([&] {
    sticksOut = SingleSum(s.left, s.width) > host.ScreenWidth() || SingleSum(s.top, s.height) > host.ScreenHeight();
  });
  if (!sticksOut) return;
  s.left = 0;
  s.top = 0;
  step([&] { s.width = host.ScreenWidth(); });
  step([&] { s.height = host.ScreenHeight(); });
}

void ApplyPrivateWindow(HostWindow& form, const Settings& s) {
  if (s.width > 0 && s.height > 0 && s.state != 1) {
    form.Move(s.left, s.top, s.width, s.height);
  } else {
    form.SetWindowState(ini::ToInteger(s.state));
  }
}

void ApplyWindowSettings(HostWindow& form, const Settings& s, const Steps& step) {
  if (s.width <= 0 || s.height <= 0 || s.state == 1) {
    step([&] { form.SetWindowState(1); });
    return;
  }
  Integer border = -1;  // a border style that cannot be read applies nothing
  step([&] { border = form.BorderStyle(); });
  switch (border) {
    case 0:
    case 2:
      if (s.state == 2)
        step([&] { form.SetWindowState(2); });
      else
        step([&] { form.Move(s.left, s.top, s.width, s.height); });
      break;
    case 1:
    case 3:
    case 4: {
      Integer state = -1;
      step([&] { state = form.WindowState(); });
      if (state == 0) step([&] { form.Move(s.left, s.top); });
      break;
    }
    case 5:
      step([&] { form.SetWindowState(0); });
      step([&] { form.Move(s.left, s.top, s.width, s.height); });
      break;
    default: break;
  }
}

void ReadWindow(_korINI& ini, Object& target, String& section, String& file, Reader reader) {
  const std::shared_ptr<HostWindow> form = platform::GetHostForms().FormOf(target);
  const Steps step(reader == Reader::WindowSettings);
  step([&] {
    if (file.empty()) file = ini::DefaultIniFile();
  });
  Settings s = ReadSettings(ini, section, file, reader, step);
  if (s.width == 0 && s.height == 0) return;  // nothing stored to apply
  ToScreenUnits(s, step);
  if (reader == Reader::PrivateWindow)
    ApplyPrivateWindow(*form, s);
  else
    ApplyWindowSettings(*form, s, step);
}

}  // namespace

void korINI::WritePrivateWindowinIni(Object& i_SourceForm, String& i_Section, String& i_IniFile) {
  WriteWindow(*this, i_SourceForm, i_Section, i_IniFile, MaximizedAs::FullScreen);
}

void korINI::WriteWindowInIni(Object& i_SourceForm, String& i_IniFile) {
  WriteWindow(*this, i_SourceForm, kWindowSection, i_IniFile, MaximizedAs::OwnBounds);
}

void korINI::ReadPrivateWindow(Object& i_TargetForm, String& i_Section, String* i_IniFile) {
  String omitted = defaults::kReadPrivateWindowIniFile;  // empty: the default INI file
  ReadWindow(*this, i_TargetForm, i_Section, i_IniFile ? *i_IniFile : omitted, Reader::PrivateWindow);
}

void korINI::ReadWindowSettings(Object& i_TargetForm, String& i_SourceIniFile) {
  String section = kWindowSection;
  ReadWindow(*this, i_TargetForm, section, i_SourceIniFile, Reader::WindowSettings);
}

}  // namespace kor
