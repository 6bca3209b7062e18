#include "e2e/console_app.h"

#include "settings/profile_file.h"

#include <sstream>
#include <stdexcept>

namespace ride::testing {

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

WindowGeometry ConsoleApp::geometry(const std::string& windowId) const
{
    WindowGeometry g;
    std::istringstream out(xdotool({"getwindowgeometry", "--shell", windowId}));
    std::string line;
    while (std::getline(out, line)) {
        const auto eq = line.find('=');
        if (eq == std::string::npos) {
            continue;
        }
        const std::string key = line.substr(0, eq);
        const int value = std::stoi(line.substr(eq + 1));
        if (key == "X") {
            g.x = value;
        }
        if (key == "Y") {
            g.y = value;
        }
        if (key == "WIDTH") {
            g.width = value;
        }
        if (key == "HEIGHT") {
            g.height = value;
        }
    }
    return g;
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
    std::istringstream out(xdotool({"getmouselocation", "--shell"}));
    ScreenPoint p;
    std::string line;
    while (std::getline(out, line)) {
        if (line.rfind("X=", 0) == 0) {
            p.x = std::stoi(line.substr(2));
        }
        if (line.rfind("Y=", 0) == 0) {
            p.y = std::stoi(line.substr(2));
        }
    }
    return p;
}

} // namespace ride::testing
