// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The fixture of the end-to-end suites: one X server for the whole suite, since the accessibility
// bus the buttons are pressed over belongs to the display it was first started for and ends with
// it; with `withClient`, the test's own connection to it; and in each test a console of its own,
// ended after the test, its log shown when it failed, and on request a serial line plugged into it
// and a window manager beside it. Xlib's macros (None, Bool, Status) come with this header:
// include it after gtest and Qt.
#include "e2e/console_app.h"
#include "support/file_bytes.h"
#include "support/pty_pair.h"

#include <gtest/gtest.h>

#include <chrono>
#include <iostream>
#include <memory>

#include "support/x11_probe.h"
#include "support/x11_suite.h"
#include <X11/Xatom.h>

namespace ride::testing {

template <class Base = ::testing::Test, bool withClient = false>
class ConsoleSuite : public X11Suite<Base, withClient> {
    using Suite = X11Suite<Base, withClient>;

protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(Suite::SetUp());
        app = std::make_unique<ConsoleApp>(Suite::xvfb->display());
    }
    void TearDown() override
    {
        if (this->HasFailure() && app) {
            std::cerr << "console log:\n" << readBytes(app->logFile());
            if (openbox) {
                std::cerr << "openbox:\n" << readBytes(openboxLog());
            }
        }
        app.reset();
        pty.reset();
        openbox.reset();
    }

    // The serial line the bike records arrive on: a pseudo-terminal the test writes to.
    void plugInSerialLine()
    {
        pty = std::make_unique<PtyPair>(app->directory());
        app->useSerialLine(pty->deviceEnd());
    }

    // openbox on the suite's X server for this test, once it manages windows.
    void startOpenbox()
    {
        using namespace std::chrono_literals;
        Display* const client = Suite::x;
        // Left behind by the openbox of an earlier test, it would announce one that is not there.
        const Atom check = XInternAtom(client, "_NET_SUPPORTING_WM_CHECK", False);
        XDeleteProperty(client, DefaultRootWindow(client), check);
        XSync(client, False);
        openbox = std::make_unique<ChildProcess>(
            std::vector<std::string>{"openbox", "--sm-disable"},
            std::map<std::string, std::string>{{"DISPLAY", Suite::xvfb->display()}}, openboxLog().string());
        // A window manager announces itself with a window named on the root window.
        ASSERT_TRUE(waitUntil(
            [&] { return windowProperty(client, DefaultRootWindow(client), check, XA_WINDOW).has_value(); }, 10s))
            << "openbox did not start:\n"
            << readBytes(openboxLog());
        // It announces itself before it handles new windows, and a window mapped in between
        // stays unmanaged: a window of the test's own, framed by it, shows that it is ready.
        bool framed = false;
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (!framed && std::chrono::steady_clock::now() < deadline) {
            const Window probe = XCreateSimpleWindow(client, DefaultRootWindow(client), 0, 0, 10, 10, 0, 0, 0);
            XMapWindow(client, probe);
            XSync(client, False);
            framed = waitUntil([&] { return parentOf(client, probe) != DefaultRootWindow(client); }, 300ms);
            XDestroyWindow(client, probe);
            XSync(client, False);
        }
        ASSERT_TRUE(framed) << "openbox does not manage windows:\n" << readBytes(openboxLog());
    }

    std::filesystem::path openboxLog() const { return caseDir / "openbox.log"; }

    // The test's own directory beside the console's, for what the programs around it write.
    TempDir caseDir;
    std::unique_ptr<ConsoleApp> app;
    std::unique_ptr<PtyPair> pty;
    std::unique_ptr<ChildProcess> openbox;
};

} // namespace ride::testing
