// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A serial line for tests of the console logic: the test queues arrivals and reads back
// what the console configured.
#include "io/serial_device.h"
#include "io/serial_line.h"
#include "io/serial_settings.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ride::testing {

class FakeSerialLine : public SerialLine {
public:
    bool setSettings(TextView text) override
    {
        note("settings");
        settingsCalls.emplace_back(text);
        const auto parsed = parseSerialSettings(text);
        if (parsed) {
            settings = *parsed;
        }
        return parsed.has_value();
    }
    void setPortNumber(int number) override
    {
        note("port");
        portNumber = number;
        devicePath.reset();
    }
    void setDevicePath(std::string path) override
    {
        note("device");
        devicePath = std::move(path);
        portNumber.reset();
    }
    std::string deviceName() const override
    {
        return devicePath ? *devicePath : serialDeviceForPort(portNumber.value_or(0)).value_or(std::string());
    }
    bool open() override
    {
        note("open");
        ++openCalls;
        // Like the real line: without a port number or a path there is nothing to open.
        open_ = openSucceeds && (devicePath || portNumber.value_or(0) >= 1);
        return open_;
    }
    bool isOpen() const override { return open_; }
    Received readAll() override
    {
        if (!open_ || arrivals.empty()) {
            return {};
        }
        Received next{toGbk(arrivals.front()), std::move(arrivals.front())};
        arrivals.pop_front();
        return next;
    }

    bool openSucceeds = true;
    SerialSettings settings;
    std::vector<Text> settingsCalls;
    std::optional<int> portNumber;
    std::optional<std::string> devicePath;
    int openCalls = 0;
    std::deque<Text> arrivals;
    // Told of each configuring call ("settings", "port", "device", "open") as it comes, for a
    // test that checks their order against other events.
    std::function<void(const char*)> onCall;

private:
    void note(const char* call) const
    {
        if (onCall) {
            onCall(call);
        }
    }

    bool open_ = false;
};

} // namespace ride::testing
