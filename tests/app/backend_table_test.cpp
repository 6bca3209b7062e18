// SPDX-License-Identifier: GPL-3.0-or-later
// Backends chosen by name: the first usable of the names asked for, each refusal named with its
// reason, and one line per kind when nothing is usable, as the program writes it before it ends.
#include "support/test_backends.h"

#include <gtest/gtest.h>

namespace ride {
namespace {

BackendTable tableWithRefusingInput()
{
    BackendTable table = testing::testBackends();
    BackendTable more;
    more.input.push_back({"wayland", [](const BackendContext&) { return std::optional<std::string>("no compositor"); },
                          nullptr, nullptr});
    table.add(std::move(more));
    return table;
}

TEST(BackendTable, TheFirstUsableNameWinsAndEveryRefusalIsNamed)
{
    const BackendTable table = tableWithRefusingInput();
    struct Case {
        std::vector<std::string> input;
        const char* chosen;  // null: none usable
        std::string problem; // the line when none is usable
    };
    const Case cases[] = {
        {{"recording"}, "recording", ""},
        {{"wayland", "recording"}, "recording", ""},
        {{"uinput", "wayland", "recording"}, "recording", ""},
        {{"wayland"}, nullptr, "no usable pointer and keys backend: wayland: no compositor"},
        {{"uinput", "wayland"},
         nullptr,
         "no usable pointer and keys backend: uinput: no such backend in this build; wayland: no compositor"},
        {{}, nullptr, "no usable pointer and keys backend: none was asked for"},
    };
    for (const Case& c : cases) {
        BackendNames names = testing::testBackendNames();
        names.input = c.input;
        const BackendChoice choice = chooseBackends(table, names, {});
        if (c.chosen) {
            ASSERT_TRUE(choice.usable());
            EXPECT_EQ(choice.input->name, c.chosen);
            const ChosenBackends made = choice.make({});
            EXPECT_NE(made.input, nullptr);
            EXPECT_NE(made.serial, nullptr);
            EXPECT_NE(made.sockets, nullptr);
            EXPECT_NE(made.media, nullptr);
        } else {
            EXPECT_FALSE(choice.usable());
            EXPECT_EQ(choice.problems, std::vector<std::string>{c.problem});
            EXPECT_EQ(choice.make({}).input, nullptr) << "nothing is made from an unusable choice";
        }
    }
}

TEST(BackendTable, AddedEntriesKeepTheFirstOfANameAndEveryKindIsChecked)
{
    BackendTable table = testing::testBackends();
    BackendTable shadow;
    shadow.serial.push_back(
        {"fake", [](const BackendContext&) { return std::optional<std::string>("shadowed"); }, nullptr, nullptr});
    table.add(std::move(shadow));
    EXPECT_TRUE(chooseBackends(table, testing::testBackendNames(), {}).usable()) << "the first \"fake\" stays";

    BackendNames names = testing::testBackendNames();
    names.serial = {"qt"};
    names.media = {"mpv"};
    EXPECT_EQ(chooseBackends(table, names, {}).problems,
              (std::vector<std::string>{"no usable serial line backend: qt: no such backend in this build",
                                        "no usable media backend: mpv: no such backend in this build"}));
}

} // namespace
} // namespace ride
