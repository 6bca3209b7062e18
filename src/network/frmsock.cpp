// SPDX-License-Identifier: GPL-3.0-or-later
#include "network/frmsock.h"

#include "base/log.h"
#include "base/numeric_value.h"
#include "base/step_runner.h"
#include "network/channel_settings.h"
#include "network/receive_path.h"
#include "network/send_failure_policy.h"
#include "network/send_queue.h"
#include "network/supervision.h"
#include "settings/profile_file.h"

#include <string>

namespace ride {
namespace {

// Numbers of the load step's own failures, in the log line "网络调试窗口加载".
constexpr int kSocketNotCreated = 429;
constexpr int kSocketMissing = 91;

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
    // Rows 0 to 7 stand one row height apart below the column headings; the load step gives the
    // rows further down the same places, block by block.
    constexpr double kFirstRowTop = 600;
    constexpr double kRowHeight = 420;
    for (std::size_t i = 0; i < channelCount && i < kRowsPerBlock; ++i) {
        channels_[i]->top = kFirstRowTop + double(i) * kRowHeight;
    }
    Channel& first = channel(0);
    for (const NamedSendFailurePolicy& entry : kSendFailurePolicies) {
        first.CMB发送失败处理方法.addItem(Text(entry.name));
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
        auto read = [&](TextView stem) {
            return ReadIni(services_.settingsFile, kNetworkSection, channelSettingKey(stem, i));
        };
        steps.run([&] { ch.TxtTcpIp.setText(read(channel_setting::kIp)); });
        steps.run([&] { ch.TxtTcpPost.setText(read(channel_setting::kPort)); });
        steps.run([&] { ch.TxtTcpNam.setText(read(channel_setting::kName)); });
        steps.run([&] { ch.CMDTCP同步到其它端口.setText(read(channel_setting::kSync)); });
        steps.run([&] { ch.CMB发送失败处理方法.setText(read(channel_setting::kPolicy)); });
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
        auto write = [&](TextView stem, const Text& value) {
            WriteIni(services_.settingsFile, kNetworkSection, channelSettingKey(stem, i), value);
        };
        write(channel_setting::kIp, ch.TxtTcpIp.text());
        write(channel_setting::kPort, ch.TxtTcpPost.text());
        write(channel_setting::kName, ch.TxtTcpNam.text());
        write(channel_setting::kSync, ch.CMDTCP同步到其它端口.text());
        write(channel_setting::kPolicy, ch.CMB发送失败处理方法.text());
    }
}

void Frmsock::LogBook(const Text& line)
{
    services_.log->addItem(line);
    logWarning("network", toUtf8(line));
}

} // namespace ride
