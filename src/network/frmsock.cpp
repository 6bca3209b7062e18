#include "network/frmsock.h"

#include "base/log.h"
#include "base/numeric_value.h"
#include "base/step_runner.h"
#include "network/receive_path.h"
#include "network/send_queue.h"
#include "network/supervision.h"
#include "settings/profile_file.h"

#include <string>

namespace ride {
namespace {

constexpr TextView kSection = u"网络参数";
// Numbers of the load step's own failures, in the log line "网络调试窗口加载".
constexpr int kSocketNotCreated = 429;
constexpr int kSocketMissing = 91;

// "忽略" first selects no policy, as it always has; the names after it are the ones the send
// path acts on, exactly as they are stored in the settings file.
const Text kPolicyEntries[] = {u"忽略",           u"忽略放弃本条", u"尝试循环",
                               u"尝试到有新数据", u"只发最后一条", u"提示人工选择"};

Text keyFor(TextView stem, std::size_t channel)
{
    const std::string digits = std::to_string(channel);
    return Text(stem) + Text(digits.begin(), digits.end());
}

Text decimalText(long long value)
{
    const std::string digits = std::to_string(value);
    return Text(digits.begin(), digits.end());
}

} // namespace

Frmsock::Frmsock(NetworkServices services, std::size_t channelCount) : services_(std::move(services))
{
    if (channelCount == 0) {
        channelCount = 1;
    }
    for (std::size_t i = 0; i < channelCount; ++i) {
        channels_.push_back(std::make_unique<Channel>(i));
    }
    // The first block of rows as laid out; rows further down are placed by the load step.
    constexpr double kFirstRowTop = 600;
    constexpr double kRowHeight = 420;
    for (std::size_t i = 0; i < channelCount && i < kRowsPerBlock; ++i) {
        channels_[i]->top = kFirstRowTop + double(i) * kRowHeight;
    }
    Channel& first = channel(0);
    for (const Text& entry : kPolicyEntries) {
        first.CMB发送失败处理方法.addItem(entry);
    }
    first.CMB发送失败处理方法.setText(u"重新发送循环");
    // A channel 0 without a socket stays idle; the load step reports it.
    StepRunner().run([&] { createSocket(first); });
    first.sendFlag = send_flag::kInit;

    receive_ = std::make_unique<ReceivePath>(*this);
    send_ = std::make_unique<SendQueue>(*this);
    supervision_ = std::make_unique<Supervision>(*this);
    if (first.WinsockTcp) {
        wireSocket(first);
    }

    TXTTCP连接超时.onChange([this] {
        if (numericValue(TXTTCP连接超时.text()) < 10) {
            LogBook(u"TCP连接超时时间必须大于10秒");
        }
    });
    Command1.onClick([this] { reloadSettings(); });
    Command2.onClick([this] { saveSettings(); });
    Command3.onClick([this] { window.hide(); });

    load();
}

Frmsock::~Frmsock() = default;

void Frmsock::createSocket(Channel& ch)
{
    ch.WinsockTcp = services_.sockets->create();
    ch.awaitingCompletion = false;
    if (!ch.WinsockTcp) {
        throw NumberedFailure(kSocketNotCreated, "no socket could be created for channel " + std::to_string(ch.index));
    }
    if (receive_) {
        wireSocket(ch);
    }
}

void Frmsock::wireSocket(Channel& ch)
{
    receive_->attach(ch);
    send_->attach(ch);
    supervision_->attach(ch);
}

void Frmsock::load()
{
    StepRunner steps;
    steps.run([&] { window.setWidth(kLoadedWidth); });

    Channel& first = channel(0);
    for (std::size_t i = 1; i < channels_.size(); ++i) {
        Channel& ch = channel(i);
        steps.run([&] { createSocket(ch); });
        steps.run([&] {
            ch.CMB发送失败处理方法.clearItems();
            for (const Text& entry : first.CMB发送失败处理方法.items()) {
                ch.CMB发送失败处理方法.addItem(entry);
            }
            ch.CMB发送失败处理方法.setText(ch.CMB发送失败处理方法.items().at(0));
        });
    }
    for (std::size_t i = kRowsPerBlock; i < channels_.size(); ++i) {
        Channel& ch = channel(i);
        steps.run([&] { ch.top = channel(i % kRowsPerBlock).top; });
        steps.run([&] { ch.sendBoxBackColor = first.sendBoxBackColor; });
    }
    for (std::size_t i = kRowsPerBlock; i < channels_.size(); ++i) {
        steps.run([&] { channel(i).LblTcpNam.setCaption(u"TCPS" + decimalText(static_cast<long long>(i))); });
    }
    for (std::size_t i = 0; i < channels_.size(); ++i) {
        Channel& ch = channel(i);
        auto read = [&](TextView stem) { return ReadIni(services_.settingsFile, kSection, keyFor(stem, i)); };
        steps.run([&] { ch.TxtTcpIp.setText(read(u"TxtTcpIp")); });
        steps.run([&] { ch.TxtTcpPost.setText(read(u"TxtTcpPost")); });
        steps.run([&] { ch.TxtTcpNam.setText(read(u"TxtTcp通道名称")); });
        steps.run([&] { ch.CMDTCP同步到其它端口.setText(read(u"TxtTCP同步到其它端口")); });
        steps.run([&] { ch.CMB发送失败处理方法.setText(read(u"发送失败处理方法")); });
        steps.run([&] {
            if (ch.CMB发送失败处理方法.text().empty()) {
                ch.CMB发送失败处理方法.setText(ch.CMB发送失败处理方法.items().at(0));
            }
        });
    }
    steps.run([&] {
        if (!first.WinsockTcp) {
            throw NumberedFailure(kSocketMissing, "the socket of channel 0 is missing");
        }
        Text5.setText(first.WinsockTcp->localIp());
    });

    if (steps.lastFailure()) {
        LogBook(u"网络调试窗口加载" + decimalText(steps.lastFailureNumber()) + fromUtf8(*steps.lastFailure()));
    }
}

void Frmsock::reloadSettings()
{
    for (std::size_t i = 1; i < channels_.size(); ++i) {
        Channel& ch = channel(i);
        if (ch.WinsockTcp) {
            ch.WinsockTcp->close();
            ch.WinsockTcp.reset();
        }
    }
    services_.events->yieldToEvents();
    load();
}

void Frmsock::saveSettings()
{
    for (std::size_t i = 0; i < channels_.size(); ++i) {
        Channel& ch = channel(i);
        WriteIni(services_.settingsFile, kSection, keyFor(u"TxtTcpIp", i), ch.TxtTcpIp.text());
        WriteIni(services_.settingsFile, kSection, keyFor(u"TxtTcpPost", i), ch.TxtTcpPost.text());
        WriteIni(services_.settingsFile, kSection, keyFor(u"TxtTcp通道名称", i), ch.TxtTcpNam.text());
        WriteIni(services_.settingsFile, kSection, keyFor(u"TxtTCP同步到其它端口", i), ch.CMDTCP同步到其它端口.text());
        WriteIni(services_.settingsFile, kSection, keyFor(u"发送失败处理方法", i), ch.CMB发送失败处理方法.text());
    }
}

void Frmsock::LogBook(const Text& line)
{
    services_.log->addItem(line);
    logWarning("network", toUtf8(line));
}

} // namespace ride
