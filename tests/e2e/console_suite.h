#pragma once
// The fixture of the end-to-end suites: one X server for the whole suite, since the accessibility
// bus the buttons are pressed over belongs to the display it was first started for and ends with
// it; with `withClient`, the test's own connection to it; and in each test a console of its own,
// ended after the test, its log shown when it failed. Xlib's macros (None, Bool, Status) come
// with this header: include it after gtest and Qt.
#include "e2e/console_app.h"
#include "support/file_bytes.h"
#include "support/xvfb_server.h"

#include <gtest/gtest.h>

#include <iostream>
#include <memory>
#include <utility>

#include <X11/Xlib.h>

namespace ride::testing {

template <class Base = ::testing::Test, bool withClient = false>
class ConsoleSuite : public Base {
protected:
    static void SetUpTestSuite()
    {
        xvfb = new XvfbServer(1280, 1024);
        if constexpr (withClient) {
            x = XOpenDisplay(xvfb->display().c_str());
        }
    }
    static void TearDownTestSuite()
    {
        if constexpr (withClient) {
            if (x) {
                XCloseDisplay(std::exchange(x, nullptr));
            }
        }
        delete std::exchange(xvfb, nullptr);
    }

    void SetUp() override
    {
        if constexpr (withClient) {
            ASSERT_NE(x, nullptr) << "no connection to the test's X server";
        }
        app = std::make_unique<ConsoleApp>(xvfb->display());
    }
    void TearDown() override
    {
        if (this->HasFailure() && app) {
            std::cerr << "console log:\n" << readBytes(app->logFile());
        }
        app.reset();
    }

    static inline XvfbServer* xvfb = nullptr;
    static inline Display* x = nullptr;
    std::unique_ptr<ConsoleApp> app;
};

} // namespace ride::testing
