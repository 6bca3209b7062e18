// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The tests' backends, chosen by name through the same table as the program's: "recording" pointer
// and keys (a pointer the test can push aside, keys recorded instead of typed, and the focus
// sources the test hands in), a "fake" serial line and "fake" sockets whose peer is the test, and
// "recording" media.
#include "app/backend_table.h"
#include "input/recording_keystrokes.h"
#include "support/fake_animation_player.h"
#include "support/fake_cursor.h"
#include "support/recording_media_player.h"

namespace ride::testing {

class TestInput : public InputPlatform {
public:
    Cursor& cursor() override { return pointer; }
    Keystrokes& keys() override { return keystrokes; }
    FocusedWindowSource* focusedWindow() override { return focused; }
    InputFocus* inputFocus() override { return focus; }

    FakeCursor pointer;
    RecordingKeystrokes keystrokes;
    FocusedWindowSource* focused = nullptr;
    InputFocus* focus = nullptr;
};

// The player window's players, kept for the test to look at once the window has made them.
class TestMedia : public MediaBackend {
public:
    std::unique_ptr<MediaPlayer> makeMediaPlayer(VideoSurface*, const std::filesystem::path&) override
    {
        auto made = std::make_unique<RecordingMediaPlayer>();
        player = made.get();
        return made;
    }
    std::unique_ptr<AnimationPlayer> makeAnimationPlayer(const std::filesystem::path&) override
    {
        auto made = std::make_unique<FakeAnimationPlayer>();
        animation = made.get();
        return made;
    }

    RecordingMediaPlayer* player = nullptr;
    FakeAnimationPlayer* animation = nullptr;
};

BackendTable testBackends();

// The names the tests choose unless they ask for others.
BackendNames testBackendNames();

} // namespace ride::testing
