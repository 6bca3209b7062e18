// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The real ride-console executable, copied into a directory of the test's own (it reads the
// settings file beside itself) and started on the test's X server.
#include "base/text.h"
#include "e2e/accessible_tree.h"
#include "support/child_process.h"
#include "support/screen_point.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ride::testing {

// The console window's title, as a findWindow pattern.
inline const std::string kConsoleTitle = "^Rovika支持鼠标和键盘171013A$";

class ConsoleApp {
public:
    explicit ConsoleApp(std::string display);

    const std::filesystem::path& directory() const { return dir_.path(); }
    std::filesystem::path settingsFile() const { return dir_ / "配置.ini"; }
    std::filesystem::path logFile() const { return dir_ / "console.log"; }
    // Writes one value into the settings file (given as UTF-8, or as text); throws if it cannot.
    void set(TextView section, TextView key, TextView value) const;
    void set(TextView section, TextView key, const std::string& value) const { set(section, key, fromUtf8(value)); }

    // The player window's place and size, and the console window's place, in pixels.
    void placePlayer(int left, int top, int width, int height) const;
    void placeConsole(int left, int top) const;
    // The serial line on this device, at 9600,N,8,1.
    void useSerialLine(const std::filesystem::path& device) const;
    // Channel 0 to a controller on this machine at `port`.
    void useController(int port) const;
    // A clip of one colour, one second long, in the program's directory; throws if ffmpeg cannot
    // make it.
    void makeClip(const std::string& name, const std::string& colour, const std::string& size = "320x240") const;

    // Starts the program with these arguments after its name.
    void start(const std::vector<std::string>& arguments = {});
    // Starts it and waits up to `timeout` for its console window on screen.
    bool startShown(std::chrono::milliseconds timeout)
    {
        start();
        return findWindow(kConsoleTitle, true, timeout).has_value();
    }
    bool started() const { return process_ != nullptr; }
    ChildProcess& process() { return *process_; }

    // xdotool against the test's display.
    std::string xdotool(const std::vector<std::string>& args, int* status = nullptr) const;
    // The first window whose name matches `namePattern` (visible ones only, if asked), waiting
    // up to `timeout` for it to appear.
    std::optional<std::string> findWindow(const std::string& namePattern, bool onlyVisible,
                                          std::chrono::milliseconds timeout) const;
    ScreenRect geometry(const std::string& windowId) const;
    // Presses the program's push button with this caption over the accessibility bus, looking
    // for it up to `timeout`; only in the window titled `windowTitle` when one is given.
    bool pressButton(const std::string& caption, const std::string& windowTitle = {},
                     std::chrono::seconds timeout = std::chrono::seconds(20)) const;
    // Sets text boxes of the program, each found by its name ("TXTKEY(6)"), over the
    // accessibility bus; false if one was not found within `timeout`.
    bool setTexts(const std::vector<std::pair<std::string, std::string>>& nameAndText,
                  std::chrono::seconds timeout = std::chrono::seconds(20)) const;
    // The program's windows and their elements as the accessibility bus shows them, once the
    // windows titled `waitFor` are there (or `timeout` has passed).
    AccessibleTree accessibleTree(const std::vector<std::string>& waitFor,
                                  std::chrono::seconds timeout = std::chrono::seconds(20)) const;
    // Where the X server has the pointer.
    ScreenPoint pointer() const;

private:
    std::string display_;
    TempDir dir_;
    std::unique_ptr<ChildProcess> process_;
};

} // namespace ride::testing
