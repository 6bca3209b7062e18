// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/form1.h"

#include "base/numeric_value.h"
#include "base/step_runner.h"
#include "console/console_settings.h"
#include "settings/profile_file.h"
#include "ui/window_setting.h"

#include <string>

namespace ride {
namespace {

std::unique_ptr<TextBox> keyBox(std::size_t i)
{
    static const char16_t* const initial[12] = {u"B", u"B", u"B", u"B", u"B", u"B", u"A", u"B", u"C", u"D", u"E", u"F"};
    return std::make_unique<TextBox>("TXTKEY(" + std::to_string(i) + ")", initial[i]);
}

Text decimal(long long value)
{
    const std::string digits = std::to_string(value);
    return Text(digits.begin(), digits.end());
}

} // namespace

Form1::Form1(ConsoleServices services) : services_(std::move(services))
{
    for (std::size_t i = 0; i < TXTKEY.size(); ++i) {
        TXTKEY[i] = keyBox(i);
    }
    static const char16_t* const label1Captions[4] = {u"播放时间:", u"已播时间:", u"60", u"1"};
    for (std::size_t i = 0; i < Label1.size(); ++i) {
        Label1[i] = std::make_unique<Label>("Label1(" + std::to_string(i) + ")", label1Captions[i]);
    }

    targetWindow_ = std::make_unique<TargetWindowGuard>(services_.focusedWindow);
    motion_ = std::make_unique<MotionStep>(*services_.cursor, Label3, Label6, lbl联动计时, targetWindow_.get());
    keyForwarding_ = std::make_unique<KeyForwarding>(TXTKEY, *services_.keys, targetWindow_.get());
    decoder_ = std::make_unique<RecordDecoder>(
        Text1, std::array<TextBox*, 6>{&txtKey(0), &txtKey(1), &txtKey(2), &txtKey(3), &txtKey(4), &txtKey(5)}, Label2,
        [this](std::int32_t speed, std::int32_t direction) { (*motion_)(speed, direction); });
    arrivals_ = std::make_unique<ArrivalPoint>(Text1, *decoder_, services_.clock);

    videoChoice_ = std::make_unique<VideoChoice>(*this, services_.settingsFile, services_.requestMedia);
    pointerMode_ = std::make_unique<PointerModeDisplay>(lbl联动计时, lbl联动状态手动状态, TMR判断是否是人操作的,
                                                        [this] { motion_->settle(); });

    Timer2.onTick([this] { pollSerial(); });
    Command1.onClick([this] {
        if (services_.endProgram) {
            services_.endProgram();
        }
    });
    Command3.onClick([this] {
        if (services_.showNetworkWindow) {
            services_.showNetworkWindow();
        }
    });
}

Text Form1::readSetting(TextView section, TextView key) const
{
    return ReadIni(services_.settingsFile, section, key);
}

void Form1::load()
{
    // The player window comes first; its failure is not among the skipped ones.
    if (services_.loadPlayerWindow) {
        services_.loadPlayerWindow();
    }

    // A numeric setting that is not a finite number (1E400) is unusable and gets its default,
    // like a missing one.
    StepRunner steps;
    steps.run([&] { window.setLeft(windowSettingTwips(readSetting(u"控制界面", u"窗口位置左"))); });
    steps.run([&] { window.setTop(windowSettingTwips(readSetting(u"控制界面", u"窗口位置上"))); });
    steps.run([&] { speedCoefficient_ = speedCoefficientFrom(readSetting(u"控制界面", u"速度比例系数")); });
    steps.run([&] { Label4.setCaption(u"鼠标X坐标="); });
    steps.run([&] { Label5.setCaption(u"速度系数：" + shortestDecimal(speedCoefficient_)); });
    // A rejected settings text or a port that does not open shows nothing on screen: the console
    // still steers by TCP and plays the videos, and an unattended exhibition screen has nobody to
    // read a message. The line logs the device and the reason for the installer.
    steps.run([&] { static_cast<void>(services_.serial->setSettings(readSetting(u"串口设置", u"设置"))); });
    steps.run([&] {
        // A number that does not fit 16 bits tells the line nothing: it keeps no port.
        if (const auto port = serialPortFrom(readSetting(u"串口设置", u"端口"))) {
            if (port->devicePath) {
                services_.serial->setDevicePath(*port->devicePath);
            } else {
                services_.serial->setPortNumber(port->number);
            }
        }
    });
    steps.run([&] { static_cast<void>(services_.serial->open()); });
    steps.run([&] { label1(2).setCaption(readSetting(u"视频文件", u"来人播放时间单位秒")); });
    // A travel whose step fails gets its default too.
    const auto travel = [&](TextView key, std::int16_t fallback) {
        std::int16_t pixels = fallback;
        steps.run([&] { pixels = travelFrom(readSetting(u"控制界面", key), fallback).pixels; });
        return pixels;
    };
    xTravel_ = travel(u"鼠标X方向移动宽度", kDefaultXTravel);
    steps.run([&] { Label7.setCaption(u"鼠标X方向移动宽度:" + decimal(xTravel_)); });
    yTravel_ = travel(u"鼠标Y方向移动高度", kDefaultYTravel);
    steps.run([&] { Label8.setCaption(u"I鼠标Y方向移动高度:" + decimal(yTravel_)); });
    motion_->setSettings({speedCoefficient_, xTravel_, yTravel_});
    // Additions: the window that may receive keys (and the pointer). Empty: no guard.
    steps.run([&] {
        targetWindow_->setSettings(targetWindowSettingsFrom(readSetting(u"控制界面", u"目标窗口"),
                                                            readSetting(u"控制界面", u"目标窗口控制鼠标")));
    });

    if (hidesConsoleAtStart(readSetting(u"串口设置", u"状态"))) {
        window.hide();
    } else {
        window.show();
    }
}

void Form1::pollSerial()
{
    StepRunner steps;
    steps.run([&] {
        const Received got = services_.serial->readAll();
        if (!got.empty()) {
            arrivals_->arrive({LineSource::serial(), got.bytes, got.text});
        }
    });
    steps.run([&] {
        if (Text1.text().size() > kSerialBoxLimit) {
            Text1.setText({});
        }
    });
}

} // namespace ride
