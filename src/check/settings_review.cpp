// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/settings_review.h"

#include "base/numeric_value.h"
#include "console/console_settings.h"
#include "media/media_location.h"
#include "network/channel_settings.h"
#include "network/endpoint.h"
#include "network/frmsock.h"
#include "network/send_failure_policy.h"
#include "player/request_ending.h"
#include "settings/profile_file.h"
#include "ui/window_setting.h"

namespace ride {
namespace {

std::string inQuotes(TextView value)
{
    return "\"" + toUtf8(value) + "\"";
}

std::string number(double value)
{
    return toUtf8(shortestDecimal(value));
}

// One value as read, and the wording every finding about it starts with.
struct Value {
    Text section;
    Text key;
    Text text;
    bool cut = false;

    bool set() const { return !text.empty(); }
    // "[控制界面] 速度比例系数 = "0.5"" or "[控制界面] 速度比例系数 not set".
    std::string head() const
    {
        return settingName(section, key) + (set() ? " = " + inQuotes(text) : std::string(" not set"));
    }
};

class Reviewer {
public:
    Reviewer(const std::filesystem::path& file, CheckReport& report) : file_(file), report_(report) {}

    Value read(TextView section, TextView key) const
    {
        return {Text(section), Text(key), ReadIni(file_, section, key), IniValueIsCut(file_, section, key)};
    }

    // A value cut by the read is always worth a warning: the console does not use what the
    // installer wrote.
    void say(FindingLevel level, const Value& value, const std::string& what) const
    {
        std::string line = value.head() + ": " + what;
        if (value.cut) {
            line += " (only the first 127 bytes are read; the file holds more)";
            if (level == FindingLevel::Ok) {
                level = FindingLevel::Warning;
            }
        }
        report_.add(level, line);
    }

    // Both halves of an endpoint in one finding.
    void sayPair(FindingLevel level, const Value& first, const Value& second, const std::string& what) const
    {
        std::string line = first.head() + ", " + toUtf8(second.key) +
                           (second.set() ? " = " + inQuotes(second.text) : std::string(" not set")) + ": " + what;
        if (first.cut || second.cut) {
            line += " (only the first 127 bytes of a value are read; the file holds more)";
            if (level == FindingLevel::Ok) {
                level = FindingLevel::Warning;
            }
        }
        report_.add(level, line);
    }

    // A window's position: its pixels, 0 when absent or unusable.
    void pixels(TextView section, TextView key, const std::string& meaning) const
    {
        const Value v = read(section, key);
        const std::optional<double> used = windowSettingPixels(v.text);
        if (!v.set()) {
            say(FindingLevel::Ok, v, meaning + " 0 px (default)");
        } else if (!hasLeadingNumber(v.text)) {
            say(FindingLevel::Warning, v, "no number: " + meaning + " 0 px");
        } else if (!used) {
            say(FindingLevel::Warning, v, "not a usable number: " + meaning + " 0 px");
        } else {
            say(FindingLevel::Ok, v, meaning + " " + number(*used) + " px");
        }
    }

    // A pointer travel: the value the console uses, or its default and why.
    void travel(TextView key, std::int16_t fallback, const std::string& meaning) const
    {
        const Value v = read(u"控制界面", key);
        const std::string withDefault = meaning + " " + std::to_string(fallback) + " px (default)";
        if (!v.set()) {
            say(FindingLevel::Ok, v, withDefault);
            return;
        }
        const Travel used = travelFrom(v.text, fallback);
        if (!hasLeadingNumber(v.text)) {
            say(FindingLevel::Warning, v, "no number: " + withDefault);
        } else if (used.source == Travel::Source::OutOfRange) {
            say(FindingLevel::Warning, v, "does not fit 16 bits (-32768 to 32767): " + withDefault);
        } else if (used.source == Travel::Source::NotAboveZero) {
            say(FindingLevel::Warning, v, "not above 0: " + withDefault);
        } else {
            say(FindingLevel::Ok, v, meaning + " " + std::to_string(used.pixels) + " px");
        }
    }

private:
    const std::filesystem::path& file_;
    CheckReport& report_;
};

std::string policyEffect(TextView name)
{
    switch (sendFailurePolicyNamed(name)) {
    case SendFailurePolicy::DropItem: return "a stalled send is dropped";
    case SendFailurePolicy::RetryLoop: return "a stalled send is tried again and again";
    case SendFailurePolicy::RetryUntilNewer: return "a stalled send is tried again until newer data is queued";
    case SendFailurePolicy::OnlyNewest: return "only the newest queued send is kept";
    case SendFailurePolicy::AskOperator: return "the operator is asked whether to send again";
    case SendFailurePolicy::None: break;
    }
    return "no policy acts on this name: a stalled send stays queued";
}

void consoleValues(const Reviewer& r)
{
    r.pixels(u"控制界面", u"窗口位置左", "console window's left edge at");
    r.pixels(u"控制界面", u"窗口位置上", "console window's top edge at");

    const Value speed = r.read(u"控制界面", u"速度比例系数");
    const std::optional<double> coefficient = speedCoefficientSetting(speed.text);
    if (!speed.set()) {
        r.say(FindingLevel::Ok, speed, "speed coefficient " + number(kDefaultSpeedCoefficient) + " (default)");
    } else if (!coefficient) {
        r.say(FindingLevel::Warning, speed,
              std::string(hasLeadingNumber(speed.text) ? "reads as 0" : "no number") + ": speed coefficient " +
                  number(kDefaultSpeedCoefficient) + " (default)");
    } else {
        r.say(FindingLevel::Ok, speed, "speed coefficient " + number(*coefficient));
    }

    r.travel(u"鼠标X方向移动宽度", kDefaultXTravel, "pointer travels across");
    r.travel(u"鼠标Y方向移动高度", kDefaultYTravel, "pointer travels down");
}

void serialValues(const Reviewer& r, const SiteSettings& site)
{
    const Value text = r.read(u"串口设置", u"设置");
    if (!text.set()) {
        r.say(FindingLevel::Ok, text, "the line runs at 9600,N,8,1 (default)");
    } else if (!site.serialSettings) {
        // The controller speaks at the rate it was built for: the default is a guess.
        r.say(site.serialDevice ? FindingLevel::Problem : FindingLevel::Warning, text,
              "rejected, it must be baud rate, parity letter, data bits, stop bits as in 9600,N,8,1; the line "
              "would run at 9600,N,8,1");
    } else {
        r.say(FindingLevel::Ok, text, "the line runs at " + serialSettingsText(*site.serialSettings));
    }

    // The device itself is the serial probe's; here only a value that names no port.
    const Value port = r.read(u"串口设置", u"端口");
    if (!site.serialDevice) {
        r.say(FindingLevel::Ok, port,
              port.set() ? "names no port (a number from 1, or a device path): no serial line is opened"
                         : "no serial line is opened");
    } else if (port.cut) {
        r.say(FindingLevel::Warning, port, "the console opens " + *site.serialDevice);
    }
    const Value state = r.read(u"串口设置", u"状态");
    r.say(FindingLevel::Ok, state,
          hidesConsoleAtStart(state.text) ? "the console window hides itself at start"
                                          : "the console window stays on screen (only 正常 hides it)");
}

void videoValues(const Reviewer& r, const std::filesystem::path& programDirectory, const SiteSettings& site)
{
    const Value playTime = r.read(u"视频文件", u"来人播放时间单位秒");
    const double seconds = numericSetting(playTime.text, 0);
    if (!playTime.set() || !hasLeadingNumber(playTime.text)) {
        r.say(FindingLevel::Warning, playTime,
              std::string(playTime.set() ? "no number: " : "") +
                  "counts as 0 s, so the person-present video gives way to the nobody-present one after 1 s");
    } else {
        r.say(FindingLevel::Ok, playTime,
              "the person-present video runs " + number(seconds) + " s, then the nobody-present one");
    }

    static const char16_t* const kVideoKeys[2] = {u"视频0", u"视频1"};
    static const char* const kWhen[2] = {"when a person comes", "when nobody is there"};
    bool animation = false;
    for (int i = 0; i < 2; ++i) {
        const Value video = r.read(u"视频文件", kVideoKeys[i]);
        if (!video.set()) {
            r.say(FindingLevel::Warning, video, std::string("nothing is played ") + kWhen[i]);
        } else if (video.cut) {
            r.say(FindingLevel::Warning, video,
                  "the player is asked for " + mediaLocation(programDirectory, video.text));
        }
        animation = animation || isAnimationFile(site.videos[i]);
    }

    const Value program = r.read(u"视频文件", u"动画播放程序");
    if (!program.set()) {
        r.say(animation ? FindingLevel::Problem : FindingLevel::Ok, program,
              animation ? "a video is a .SWF file, which then ends at once" : ".SWF files would end at once");
    } else if (program.cut) {
        r.say(FindingLevel::Warning, program, "the command is cut");
    }
}

void playerWindowValues(const Reviewer& r)
{
    r.pixels(u"视频1位置及大小", u"视频1位置左", "player window's left edge at");
    r.pixels(u"视频1位置及大小", u"视频1位置上", "player window's top edge at");
    for (const char16_t* key : {u"视频1宽", u"视频1高"}) {
        const Value size = r.read(u"视频1位置及大小", key);
        const double pixels = windowSettingPixels(size.text).value_or(0);
        const std::string what = key == std::u16string_view(u"视频1宽") ? "width" : "height";
        if (pixels <= 0) {
            r.say(FindingLevel::Warning, size,
                  "player window " + what + " " + number(pixels > 0 ? pixels : 0) +
                      " px: the window gets the smallest size the desktop allows and the video is hardly seen");
        } else {
            r.say(FindingLevel::Ok, size, "player window " + what + " " + number(pixels) + " px");
        }
    }
}

void channelValues(const Reviewer& r, const SiteSettings& site)
{
    for (std::size_t i = 0; i < site.channels.size(); ++i) {
        const SiteSettings::Channel& ch = site.channels[i];
        const Value ip = r.read(kNetworkSection, channelSettingKey(channel_setting::kIp, i));
        const Value port = r.read(kNetworkSection, channelSettingKey(channel_setting::kPort, i));
        if (!isConfigured(ch.ip, ch.port)) {
            r.say(FindingLevel::Ok, ip,
                  "channel " + std::to_string(i) + " has no controller (" + toUtf8(port.key) + " is not set either)");
        } else if (!isConnectable(ch.ip, ch.port)) {
            // Supervision never connects it: the installer meant a controller that will never be reached.
            r.sayPair(FindingLevel::Problem, ip, port,
                      "channel " + std::to_string(i) +
                          " never connects: the address must be longer than 6 characters and the port a whole "
                          "number from 1 to 65535");
        } else if (ip.cut || port.cut) {
            r.sayPair(FindingLevel::Warning, ip, port, "the console reads less than the file holds");
        }

        const Value name = r.read(kNetworkSection, channelSettingKey(channel_setting::kName, i));
        r.say(FindingLevel::Ok, name, "shown as the channel's name only");
        const Value sync = r.read(kNetworkSection, channelSettingKey(channel_setting::kSync, i));
        r.say(FindingLevel::Ok, sync, "kept and shown, used by nothing else");
        const Value policy = r.read(kNetworkSection, channelSettingKey(channel_setting::kPolicy, i));
        const Text used = policy.set() ? policy.text : Text(kDefaultSendFailurePolicyName);
        r.say(FindingLevel::Ok, policy,
              "send-failure policy " + toUtf8(used) + (policy.set() ? "" : " (default)") + ": " + policyEffect(used));
    }
}

} // namespace

std::string settingName(TextView section, TextView key)
{
    return "[" + toUtf8(section) + "] " + toUtf8(key);
}

SiteSettings readSiteSettings(const std::filesystem::path& file)
{
    SiteSettings site;
    site.port = ReadIni(file, u"串口设置", u"端口");
    site.serialDevice = serialDeviceFor(site.port);
    site.serialSettingsText = ReadIni(file, u"串口设置", u"设置");
    site.serialSettings = site.serialSettingsText.empty() ? std::optional(SerialSettings{})
                                                          : parseSerialSettings(site.serialSettingsText);
    site.videos[0] = ReadIni(file, u"视频文件", u"视频0");
    site.videos[1] = ReadIni(file, u"视频文件", u"视频1");
    site.animationCommand = ReadIni(file, u"视频文件", u"动画播放程序");
    for (std::size_t i = 0; i < Frmsock::kDesignChannels; ++i) {
        site.channels.push_back({ReadIni(file, kNetworkSection, channelSettingKey(channel_setting::kIp, i)),
                                 ReadIni(file, kNetworkSection, channelSettingKey(channel_setting::kPort, i))});
    }
    return site;
}

void reviewConsoleSettings(const std::filesystem::path& settingsFile, CheckReport& report)
{
    consoleValues(Reviewer(settingsFile, report));
}

void reviewSerialSettings(const std::filesystem::path& settingsFile, const SiteSettings& site, CheckReport& report)
{
    serialValues(Reviewer(settingsFile, report), site);
}

void reviewVideoSettings(const std::filesystem::path& settingsFile, const SiteSettings& site, CheckReport& report)
{
    videoValues(Reviewer(settingsFile, report), settingsFile.parent_path(), site);
}

void reviewPlayerWindowSettings(const std::filesystem::path& settingsFile, CheckReport& report)
{
    playerWindowValues(Reviewer(settingsFile, report));
}

void reviewNetworkSettings(const std::filesystem::path& settingsFile, const SiteSettings& site, CheckReport& report)
{
    channelValues(Reviewer(settingsFile, report), site);
    bool tcp = false;
    for (const SiteSettings::Channel& ch : site.channels) {
        tcp = tcp || isConnectable(ch.ip, ch.port);
    }
    if (!site.serialDevice && !tcp) {
        report.problem("no controller: neither [串口设置] 端口 nor [网络参数] TxtTcpIp0 and TxtTcpPost0 name one, so "
                       "no bike record can arrive");
    }
}

void reviewSettings(const std::filesystem::path& settingsFile, const SiteSettings& site, CheckReport& report)
{
    reviewConsoleSettings(settingsFile, report);
    reviewSerialSettings(settingsFile, site, report);
    reviewVideoSettings(settingsFile, site, report);
    reviewPlayerWindowSettings(settingsFile, report);
    reviewNetworkSettings(settingsFile, site, report);
}

} // namespace ride
