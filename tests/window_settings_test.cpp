// korINI's window methods: what the writers store, and what the readers do
// to a window, on a recording window and real files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>

#include "kortools/korINI.h"
#include "tests/test_support.h"

namespace kor {
namespace {

using testing_support::ErrorOf;
using testing_support::ScopedHost;
using testing_support::TempFolder;

std::string Number(Single v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", static_cast<double>(v));
  return buf;
}

// A window that keeps its bounds and records every operation that acts on
// it, as "Move(l,t,w,h)", "Move(l,t)" or "WindowState=s".
class FakeWindow final : public HostWindow {
 public:
  FakeWindow(Single l, Single t, Single w, Single h, Integer state = 0, Integer border = 2)
      : left_(l), top_(t), width_(w), height_(h), state_(state), border_(border) {}

  Single Left() const override { return left_; }
  Single Top() const override { return top_; }
  Single Width() const override { return width_; }
  Single Height() const override { return height_; }
  Integer WindowState() const override { return state_; }
  Integer BorderStyle() const override { return border_; }
  void SetWindowState(Integer state) override { calls += "WindowState=" + std::to_string(state_ = state) + ";"; }
  void Move(Single left, std::optional<Single> top, std::optional<Single> width,
            std::optional<Single> height) override {
    std::string call = "Move(" + Number(left_ = left);
    if (top) call += "," + Number(top_ = *top);
    if (width) call += "," + Number(width_ = *width);
    if (height) call += "," + Number(height_ = *height);
    calls += call + ");";
  }

  std::string calls;

 private:
  Single left_, top_, width_, height_;
  Integer state_, border_;
};

class WindowSettings : public ::testing::Test {
 protected:
  WindowSettings() : host(19200, 14400), file(dir.Name("app.ini")) {}

  // The keys of a section the file holds, as "Key=value;Key=value".
  std::string Stored(const String& section = u"window") {
    std::string keys;
    for (const char16_t* k : {u"Left", u"Top", u"Width", u"Height", u"State"}) {
      String s = section, key = k, def = u"<none>", f = file;
      const String v = ini.GetIni(s, key, def, f);
      if (v != u"<none>") keys += (keys.empty() ? "" : ";") + text::ToUtf8(k) + "=" + text::ToUtf8(v);
    }
    return keys;
  }
  // Writes the file afresh with the keys ("Key=value;...") in the sections
  // "window" and "Private" (no sections for no keys).
  void Store(std::string keys) {
    std::replace(keys.begin(), keys.end(), ';', '\n');
    dir.Write("app.ini",
              keys.empty() ? std::vector<std::string>{} : std::vector{"[window]\n" + keys, "[Private]\n" + keys});
  }
  // Runs ReadWindowSettings, or ReadPrivateWindow on the section "Private",
  // on a normal window of the border style, and returns the operations it
  // made, then "error N" for the error it raised.
  std::string Read(bool settings, Integer border) {
    auto w = std::make_shared<FakeWindow>(5, 5, 5, 5, 0, border);
    Object o = w;
    String s = u"Private", f = file;
    const std::int32_t error =
        ErrorOf([&] { settings ? ini.ReadWindowSettings(o, f) : ini.ReadPrivateWindow(o, s, &f); });
    return w->calls + (error ? "error " + std::to_string(error) : "");
  }

  ScopedHost host;
  TempFolder dir;
  String file;
  korINI ini;
};

TEST_F(WindowSettings, WritersStorePercentagesOfTheScreen) {
  Object w = std::make_shared<FakeWindow>(1920, 1440, 9600, 7200);
  String section = u"window", f = file;
  ini.WriteWindowInIni(w, f);
  EXPECT_EQ(dir.Read("app.ini"), "[window]\r\nLeft=10\r\nTop=10\r\nWidth=50\r\nHeight=50\r\nState=0\r\n");
  const char* maximizedOwn = "Left=-0.04166667;Top=-0.05555556;Width=100.0833;Height=100.1111;State=2";
  const struct {
    FakeWindow window;
    bool own;  // WriteWindowInIni, else WritePrivateWindowinIni
    const char* stored;
  } cases[] = {
      {{6400, 1200, 1234.5f, 14400}, false, "Left=33.33333;Top=8.333333;Width=6.429688;Height=100;State=0"},
      {{-8, -8, 19216, 14416, 2}, true, maximizedOwn},
      // A minimized window is not saved; the section keeps what it held.
      {{1, 2, 3, 4, 1}, false, maximizedOwn},
  };
  for (const auto& c : cases) {
    w = std::make_shared<FakeWindow>(c.window);
    if (c.own)
      ini.WriteWindowInIni(w, f);
    else
      ini.WritePrivateWindowinIni(w, section, f);
    EXPECT_EQ(Stored(), c.stored) << &c - cases;
  }
  // A screen without width: the writers divide by zero.
  host.screen = {0, 14400};
  w = std::make_shared<FakeWindow>(10, 10, 10, 10);
  EXPECT_EQ(ErrorOf([&] { ini.WritePrivateWindowinIni(w, section, f); }), 11);
}

TEST_F(WindowSettings, ReadersApplyTheStoredSettings) {
  // The keys as "Key=value;..."; "" for a missing section.
  const char* normal = "Left=10;Top=10;Width=50;Height=50;State=0";
  const char* percent = "Move(1920,1440,9600,7200);";
  const char* screen = "Move(0,0,19200,14400);";
  const struct {
    const char* name;
    const char* keys;
    Integer border;
    const char* privateCalls;
    const char* settingsCalls;
  } cases[] = {
      {"normal, sizable", normal, 2, percent, percent},
      {"normal, sizable tool window", normal, 5, percent, "WindowState=0;Move(1920,1440,9600,7200);"},
      {"normal, fixed single", normal, 1, percent, "Move(1920,1440);"},
      {"normal, unknown border style", normal, 6, percent, ""},
      {"missing section, sizable", "", 2, screen, "WindowState=2;"},
      {"missing section, sizable tool window", "", 5, screen, "WindowState=0;Move(0,0,19200,14400);"},
      {"stored minimized", "Left=10;Top=10;Width=50;Height=50;State=1", 2, "WindowState=1;", "WindowState=1;"},
      {"nothing stored", "Width=0;Height=0;State=1", 2, "", ""},
      {"no width", "Width=0;Height=50;State=2", 2, "WindowState=2;", "WindowState=1;"},
      {"105 percent is still a percentage", "Width=105;Height=105;State=0", 2, "Move(0,0,20160,15120);",
       "Move(0,0,20160,15120);"},
      {"106 makes the bounds absolute", "Left=10;Top=10;Width=106;Height=50;State=0", 2, "Move(10,10,106,50);",
       "Move(10,10,106,50);"},
      {"absolute, sticking out at the right", "Left=12000;Top=0;Width=9600;Height=7200;State=0", 2, screen, screen},
      {"values read numerically", "Left=1 0abc;Top=&HA;Width=5E1;Height= 50 ;State=0.4", 2, percent, percent},
      // Values out of range: ReadPrivateWindow fails with an overflow,
      // ReadWindowSettings goes on. A state beyond the Integer range is
      // minimized, whatever the state.
      {"state overflows", "Width=0;Height=50;State=40000", 2, "error 6", "WindowState=1;"},
      // A bound beyond the range of a Single: the variable keeps its value (0).
      {"left overflows", "Left=1E39;Top=10;Width=50;Height=50;State=1E10", 2, "error 6", "Move(0,1440,9600,7200);"},
      {"top overflows", "Left=10;Top=1E39;Width=50;Height=50;State=0", 2, "error 6", "Move(1920,0,9600,7200);"},
      // A percentage that scales beyond a Single keeps the value; an absolute
      // test whose sum overflows pulls the window onto the screen.
      {"left scales beyond", "Left=3E38;Top=10;Width=50;Height=50;State=0", 2, "error 6",
       "Move(3e+38,1440,9600,7200);"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Store(c.keys);
    EXPECT_EQ(Read(false, c.border), c.privateCalls);
    EXPECT_EQ(Read(true, c.border), c.settingsCalls);
  }
}

TEST_F(WindowSettings, UnsetWindows) {
  // An unset window fails at its first operation; ReadWindowSettings goes on.
  Object none;
  String f = file;
  EXPECT_EQ(ErrorOf([&] { ini.WriteWindowInIni(none, f); }), 91);
  EXPECT_EQ(ErrorOf([&] { ini.ReadWindowSettings(none, f); }), 0);
}

}  // namespace
}  // namespace kor
