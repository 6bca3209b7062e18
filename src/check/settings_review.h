// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The values the console, its player window and its network window read from "配置.ini", read
// through the same ReadIni and turned into what the console will use by the same rules, each
// reviewed in one finding: the value written, what the console makes of it, and where a default
// or the 127-byte cut of a read applies. The values whose use needs the platform (the serial
// device, the videos, the animation program, the controller's address) are read here too and
// handed to the probes.
#include "base/text.h"
#include "check/check_report.h"
#include "io/serial_settings.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ride {

struct SiteSettings {
    // [串口设置] 端口: the device the console opens, none when the value names no port.
    Text port;
    std::optional<std::string> serialDevice;
    // [串口设置] 设置: the line settings, none when the text is rejected (9600,N,8,1 stays then).
    Text serialSettingsText;
    std::optional<SerialSettings> serialSettings;
    // [视频文件] 视频0, 视频1 and 动画播放程序, as read.
    Text videos[2];
    Text animationCommand;
    // [网络参数] of each channel of the network window.
    struct Channel {
        Text ip;
        Text port;
    };
    std::vector<Channel> channels;
};

// Reads the values the probes need.
SiteSettings readSiteSettings(const std::filesystem::path& settingsFile);

// One finding for each value that needs no probe, and for the settings that only make sense
// together (no controller at all, a channel that can never connect), section by section:
// [控制界面]; [串口设置]; [视频文件]; [视频1位置及大小]; [网络参数]. reviewSettings is all five.
void reviewConsoleSettings(const std::filesystem::path& settingsFile, CheckReport& report);
void reviewSerialSettings(const std::filesystem::path& settingsFile, const SiteSettings& site, CheckReport& report);
void reviewVideoSettings(const std::filesystem::path& settingsFile, const SiteSettings& site, CheckReport& report);
void reviewPlayerWindowSettings(const std::filesystem::path& settingsFile, CheckReport& report);
void reviewNetworkSettings(const std::filesystem::path& settingsFile, const SiteSettings& site, CheckReport& report);
void reviewSettings(const std::filesystem::path& settingsFile, const SiteSettings& site, CheckReport& report);

// "[section] key", as the findings name a setting.
std::string settingName(TextView section, TextView key);

} // namespace ride
