#pragma once
// A console built on the test platform: fake pointer, recording keystrokes, fake serial line,
// default settings (no settings file).
#include "console/form1.h"
#include "input/recording_keystrokes.h"
#include "support/fake_cursor.h"
#include "support/fake_serial_line.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

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

    // What each send typed, as text: the default key strings "A".."F" of boxes 6..11 each
    // become one letter, so this tells which boxes were forwarded.
    std::vector<std::u32string> sentCharacters() const
    {
        std::vector<std::u32string> out;
        for (const auto& actions : keys.calls()) {
            std::u32string text;
            for (const KeyAction& action : actions) {
                text += action.kind == KeyAction::Kind::Char ? action.ch : U'?';
            }
            out.push_back(text);
        }
        return out;
    }

    FakeSerialLine serial;
    FakeCursor cursor;
    RecordingKeystrokes keys;
    std::unique_ptr<Form1> form;
};

} // namespace ride::testing
