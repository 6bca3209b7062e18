// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The tests' one fixture as a GoogleTest base, with the parts most tests look at by name.
#include "support/test_site.h"

#include <gtest/gtest.h>

namespace ride::testing {

class SiteTest : public ::testing::Test {
protected:
    explicit SiteTest(SiteOptions options = {}) : site(std::move(options)) {}

    TestSite site;
    Form1& console = site.console();
    FakeCursor& cursor = site.cursor();
    RecordingKeystrokes& keys = site.keys();
};

} // namespace ride::testing
