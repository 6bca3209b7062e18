// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The GoogleTest base of the suites that run against an X server of their own: one Xvfb for the
// whole suite and, with `withClient`, the test's own connection to it. Header-only, as
// x11_probe.h, and like it included after gtest: Xlib's macros (None, Bool, Status) come with it.
#include "support/xvfb_server.h"

#include <gtest/gtest.h>

#include <utility>

#include <X11/Xlib.h>

namespace ride::testing {

template <class Base = ::testing::Test, bool withClient = true>
class X11Suite : public Base {
protected:
    static void SetUpTestSuite()
    {
        xvfb = new XvfbServer(1280, 1024);
        if constexpr (withClient) {
            x = xvfb->running() ? XOpenDisplay(xvfb->display().c_str()) : nullptr;
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
        ASSERT_TRUE(xvfb->running()) << xvfb->error();
        if constexpr (withClient) {
            ASSERT_NE(x, nullptr) << "no connection to the test's X server";
        }
    }

    static inline XvfbServer* xvfb = nullptr;
    static inline Display* x = nullptr;
};

} // namespace ride::testing
