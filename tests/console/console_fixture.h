#pragma once
// A console built on the test platform: fake pointer, recording keystrokes, fake serial line,
// default settings (no settings file).
#include "console/form1.h"
#include "input/recording_keystrokes.h"
#include "support/fake_cursor.h"
#include "support/fake_serial_line.h"

#include <gtest/gtest.h>

#include <memory>

namespace ride::testing {

class ConsoleFixture : public ::testing::Test {
protected:
    ConsoleFixture()
    {
        ConsoleServices services;
        services.settingsFile = "/nonexistent/配置.ini";
        services.serial = &serial;
        services.cursor = &cursor;
        services.keys = &keys;
        form = std::make_unique<Form1>(services);
        form->load();
    }

    // Appends text to the receive box, as the serial poll and the network receive path do.
    void arrive(TextView text) { form->Text1.setText(form->Text1.text() + Text(text)); }

    std::vector<std::string> sentSources() const
    {
        std::vector<std::string> out;
        for (const auto& call : keys.calls()) {
            out.push_back(call.source);
        }
        return out;
    }

    FakeSerialLine serial;
    FakeCursor cursor;
    RecordingKeystrokes keys;
    std::unique_ptr<Form1> form;
};

} // namespace ride::testing
