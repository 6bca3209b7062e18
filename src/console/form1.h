// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The ride console: its widgets, start-up, the serial poll and its buttons. It owns the life of
// the program: loading it starts everything, "结束" or closing it ends everything.
#include "base/record_tally.h"
#include "console/arrival_point.h"
#include "console/key_forwarding.h"
#include "console/motion_step.h"
#include "console/pointer_mode_display.h"
#include "console/record_decoder.h"
#include "console/target_window_guard.h"
#include "console/video_choice.h"
#include "io/serial_line.h"
#include "ui/button.h"
#include "ui/form_window.h"
#include "ui/label.h"
#include "ui/list_box.h"
#include "ui/text_box.h"
#include "ui/timer.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>

namespace ride {

class Cursor;
class Keystrokes;

// What the console reaches outside itself.
struct ConsoleServices {
    std::filesystem::path settingsFile;
    SerialLine* serial = nullptr;
    Cursor* cursor = nullptr;
    Keystrokes* keys = nullptr;
    // Asked which window has the focus when [控制界面] 目标窗口 is set; none: keys and pointer
    // go wherever the focus is, whatever the settings say.
    FocusedWindowSource* focusedWindow = nullptr;
    // Loads the player window (and runs its own loading) if it is not loaded yet.
    std::function<void()> loadPlayerWindow;
    // Hands a file name to the player window's request box (loading the window if need be).
    std::function<void(const Text&)> requestMedia;
    // Loads the network window on its first use and shows it without modality.
    std::function<void()> showNetworkWindow;
    std::function<void()> endProgram;
    // When records arrive, for the health export.
    MonotonicClock clock = steadyNow;
};

class Form1 {
public:
    static constexpr std::size_t kSerialBoxLimit = 100;

    explicit Form1(ConsoleServices services);
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // Start-up: places the console, reads its settings, opens the serial line, and hides the
    // console when so configured. Each step that fails is skipped.
    void load();

    // One tick of the serial poll: what arrived enters through the arrival point, which appends it
    // to Text1 (decoded at once); then the 100-character rule.
    void pollSerial();

    double speedCoefficient() const { return speedCoefficient_; }
    std::int16_t xTravel() const { return xTravel_; }
    std::int16_t yTravel() const { return yTravel_; }

    FormWindow window{"Form1", u"Rovika支持鼠标和键盘171013A", {0, 0, 12330, 5370}};

    TextBox Text1{"Text1"};
    std::array<std::unique_ptr<TextBox>, 12> TXTKEY;
    TextBox Text3{"Text3"};
    TextBox Text4{"Text4"};
    TextBox Text7{"Text7"};

    Label Label2{"Label2", u"车速：000"};
    Label Label3{"Label3", u"速度:"};
    Label Label4{"Label4", u"鼠标X坐标=1023"};
    Label Label5{"Label5", u"速度系数：10.5"};
    Label Label6{"Label6", u"方向:"};
    Label Label7{"Label7", u"鼠标X方向移动宽度:1024"};
    Label Label8{"Label8", u"鼠标Y方向移动宽度:768"};
    Label Label9{"Label9", u"自行车按键"};
    Label Label10{"Label10", u"转发的键盘码"};
    std::array<std::unique_ptr<Label>, 4> Label1;
    Label lbl联动计时{"lbl联动计时", u"0"};
    Label lbl联动状态手动状态{"lbl联动状态手动状态", u"联动状态"};

    ListBox List1{"List1"};

    Button Command1{"Command1", u"结束"};
    Button Command3{"Command3", u"网络设置"};
    Button Command2_0{"Command2(0)", u"来人播放视频"};
    Button Command2_1{"Command2(1)", u"无人播放视频"};

    Timer Timer1{"Timer1", 1000};
    Timer Timer2{"Timer2", 30};
    Timer TMR判断是否是人操作的{"TMR判断是否是人操作的", 80};

    TextBox& txtKey(std::size_t i) { return *TXTKEY.at(i); }
    Label& label1(std::size_t i) { return *Label1.at(i); }

    const RecordDecoder& decoder() const { return *decoder_; }
    const MotionStep& motion() const { return *motion_; }
    const TargetWindowGuard& targetWindow() const { return *targetWindow_; }
    const KeyForwarding& keyForwarding() const { return *keyForwarding_; }
    // Where the serial line's and every channel's arrivals enter the console.
    ArrivalPoint& arrivals() { return *arrivals_; }
    const ArrivalPoint& arrivals() const { return *arrivals_; }

private:
    Text readSetting(TextView section, TextView key) const;

    ConsoleServices services_;
    std::unique_ptr<TargetWindowGuard> targetWindow_;
    std::unique_ptr<MotionStep> motion_;
    std::unique_ptr<KeyForwarding> keyForwarding_;
    std::unique_ptr<RecordDecoder> decoder_;
    std::unique_ptr<ArrivalPoint> arrivals_;
    std::unique_ptr<VideoChoice> videoChoice_;
    std::unique_ptr<PointerModeDisplay> pointerMode_;
    double speedCoefficient_ = 0;
    std::int16_t xTravel_ = 0;
    std::int16_t yTravel_ = 0;
};

} // namespace ride
