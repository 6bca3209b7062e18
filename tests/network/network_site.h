// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The network window as the operator opens it, on the tests' one fixture: its timers ticked by the
// test, the console behind it decoding into a recording pointer, and the program's own sockets on
// loopback unless a test asks for sockets whose peer is the test.
#include "app/standard_backends.h"
#include "network/send_queue.h"
#include "network/supervision.h"
#include "settings/profile_file.h"
#include "support/loopback_server.h"
#include "support/qt_event_pump.h"
#include "support/temp_dir.h"
#include "support/test_site.h"
#include "ui/qt/qt_event_yield.h"

#include <gtest/gtest.h>

#include <functional>

namespace ride::testing {

class NetworkSite : public ::testing::Test {
protected:
    std::filesystem::path ini() const { return dir / "配置.ini"; }
    void setNet(TextView key, TextView value) { WriteIni(ini(), u"网络参数", key, value); }

    // Builds the site on the settings written so far and presses "网络设置"; `beforeOpening` runs
    // first (to limit the sockets the system grants, say).
    Frmsock& open(std::size_t channels = 1, const std::function<void(TestSite&)>& beforeOpening = {})
    {
        return openOn("qt", channels, beforeOpening);
    }
    Frmsock& openFake(std::size_t channels = 1, const std::function<void(TestSite&)>& beforeOpening = {})
    {
        return openOn("fake", channels, beforeOpening);
    }

    FakeTcpSocketFactory& fakes() { return site->sockets(); }
    // Channel `i`'s socket, when the window was opened on sockets whose peer is the test.
    FakeTcpSocket& socket(std::size_t i = 0) { return *fakes().made.at(i); }
    // Types `ip` and `port` into channel 0's boxes, opening the window on the program's sockets
    // first if the test has not opened it.
    Channel& point(TextView ip, int port)
    {
        if (!site) {
            open();
        }
        return site->pointChannelAt(ip, port);
    }
    Form1& console() { return site->console(); }
    FakeCursor& cursor() { return site->cursor(); }
    // Channel `i`'s send queue.
    std::vector<Text> queue(std::size_t i = 0) const
    {
        const auto& items = net->channel(i).TxtTcpTx.items();
        return {items.begin(), items.end()};
    }
    const std::vector<Text>& log() const { return site->log(); }
    void tickSupervision() { net->TMRTCPC连接状态判断.tick(); }

    TempDir dir;
    QtEventYield events;
    std::unique_ptr<TestSite> site;
    Frmsock* net = nullptr;

private:
    Frmsock& openOn(const char* sockets, std::size_t channels, const std::function<void(TestSite&)>& beforeOpening)
    {
        SiteOptions options;
        options.settingsFile = ini();
        options.backends.sockets = {sockets};
        options.moreBackends = standardBackends();
        options.events = &events;
        options.channels = channels;
        site = std::make_unique<TestSite>(std::move(options));
        if (beforeOpening) {
            beforeOpening(*site);
        }
        net = &site->network();
        return *net;
    }
};

} // namespace ride::testing
