// SPDX-License-Identifier: GPL-3.0-or-later
#include "e2e/console_app.h"

#include "settings/profile_file.h"

#include <sstream>
#include <stdexcept>

namespace ride::testing {
namespace {

// The number in the line KEY=number that xdotool prints with --shell; `fallback` without one.
int shellValue(const std::string& output, const std::string& key, int fallback)
{
    const std::string lines = "\n" + output;
    const auto at = lines.find("\n" + key + "=");
    return at == std::string::npos ? fallback : std::stoi(lines.substr(at + key.size() + 2));
}

} // namespace

ConsoleApp::ConsoleApp(std::string display) : display_(std::move(display))
{
    if (display_.empty()) {
        throw std::runtime_error("no X display for the console: the test's Xvfb did not start");
    }
    std::filesystem::copy_file(RIDE_CONSOLE_EXE, dir_ / "ride-console");
}

void ConsoleApp::set(TextView section, TextView key, TextView value) const
{
    if (!WriteIni(settingsFile(), section, key, value)) {
        throw std::runtime_error("cannot write " + settingsFile().string());
    }
}

void ConsoleApp::placePlayer(int left, int top, int width, int height) const
{
    set(u"视频1位置及大小", u"视频1位置左", std::to_string(left));
    set(u"视频1位置及大小", u"视频1位置上", std::to_string(top));
    set(u"视频1位置及大小", u"视频1宽", std::to_string(width));
    set(u"视频1位置及大小", u"视频1高", std::to_string(height));
}

void ConsoleApp::placeConsole(int left, int top) const
{
    set(u"控制界面", u"窗口位置左", std::to_string(left));
    set(u"控制界面", u"窗口位置上", std::to_string(top));
}

void ConsoleApp::useSerialLine(const std::filesystem::path& device) const
{
    set(u"串口设置", u"设置", u"9600,N,8,1");
    set(u"串口设置", u"端口", device.string());
}

void ConsoleApp::useController(int port) const
{
    set(u"网络参数", u"TxtTcpIp0", u"127.0.0.1");
    set(u"网络参数", u"TxtTcpPost0", std::to_string(port));
}

void ConsoleApp::makeClip(const std::string& name, const std::string& colour, const std::string& size) const
{
    int status = -1;
    runAndCapture({"ffmpeg", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                   "color=c=" + colour + ":s=" + size + ":r=25:d=1", "-pix_fmt", "yuv420p", (dir_ / name).string()},
                  &status);
    if (status != 0) {
        throw std::runtime_error("ffmpeg could not make " + name);
    }
}

void ConsoleApp::start(const std::vector<std::string>& arguments)
{
    std::vector<std::string> argv{(dir_ / "ride-console").string()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    process_ = std::make_unique<ChildProcess>(
        argv,
        // Accessibility on, so that tests can press buttons the way assistive tools do.
        std::map<std::string, std::string>{
            {"DISPLAY", display_}, {"QT_QPA_PLATFORM", "xcb"}, {"QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1"}},
        logFile().string());
}

std::string ConsoleApp::xdotool(const std::vector<std::string>& args, int* status) const
{
    std::vector<std::string> argv{"xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    return runAndCapture(argv, status, {{"DISPLAY", display_}});
}

std::optional<std::string> ConsoleApp::findWindow(const std::string& namePattern, bool onlyVisible,
                                                  std::chrono::milliseconds timeout) const
{
    std::string id;
    waitUntil(
        [&] {
            std::vector<std::string> args{"search"};
            if (onlyVisible) {
                args.push_back("--onlyvisible");
            }
            args.insert(args.end(), {"--name", namePattern});
            std::istringstream out(xdotool(args));
            return static_cast<bool>(out >> id);
        },
        timeout);
    if (id.empty()) {
        return std::nullopt;
    }
    return id;
}

ScreenRect ConsoleApp::geometry(const std::string& windowId) const
{
    const std::string out = xdotool({"getwindowgeometry", "--shell", windowId});
    return {shellValue(out, "X", 0), shellValue(out, "Y", 0), shellValue(out, "WIDTH", 0),
            shellValue(out, "HEIGHT", 0)};
}

bool ConsoleApp::pressButton(const std::string& caption, const std::string& windowTitle,
                             std::chrono::seconds timeout) const
{
    std::vector<std::string> argv{"/usr/bin/python3",
                                  RIDE_E2E_DIR "/press_button.py",
                                  caption,
                                  std::to_string(timeout.count()),
                                  "--pid",
                                  std::to_string(process_->pid())};
    if (!windowTitle.empty()) {
        argv.insert(argv.end(), {"--window", windowTitle});
    }
    int status = -1;
    runAndCapture(argv, &status, {{"DISPLAY", display_}});
    return status == 0;
}

bool ConsoleApp::setTexts(const std::vector<std::pair<std::string, std::string>>& nameAndText,
                          std::chrono::seconds timeout) const
{
    std::vector<std::string> argv{
        "/usr/bin/python3", RIDE_E2E_DIR "/set_text.py",    "--pid", std::to_string(process_->pid()),
        "--seconds",        std::to_string(timeout.count())};
    for (const auto& [name, text] : nameAndText) {
        argv.push_back(name + "=" + text);
    }
    int status = -1;
    runAndCapture(argv, &status, {{"DISPLAY", display_}});
    return status == 0;
}

AccessibleTree ConsoleApp::accessibleTree(const std::vector<std::string>& waitFor, std::chrono::seconds timeout) const
{
    return AccessibleTree::read(display_, process_->pid(), waitFor, timeout);
}

ScreenPoint ConsoleApp::pointer() const
{
    const std::string out = xdotool({"getmouselocation", "--shell"});
    return {shellValue(out, "X", -1), shellValue(out, "Y", -1)};
}

} // namespace ride::testing
