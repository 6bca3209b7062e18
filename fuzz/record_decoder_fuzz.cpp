// SPDX-License-Identifier: GPL-3.0-or-later
// The console's receive box fed an arbitrary sequence of arrivals (network-style appends and
// serial polls), interleaved with an operator who edits key strings and flags and moves the mouse.
// Each arrival is checked against the record rules worked out independently here: what the box
// holds afterwards, which flags were copied, which record was shown, how many key strings were
// handed to the keystroke service; and the box never exceeds its limits.
#include "fuzz_check.h"
#include "input/key_notation.h"
#include "support/test_site.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

namespace ride::fuzz {
namespace {

constexpr TextView kMarker = u":::S=";

struct Expected {
    Text box;
    std::array<Text, 6> flags;
    std::optional<Text> record; // the record shown in Label2, when one is complete
};

// The written rules for one change of the box to `s`, with the flags as they stood.
Expected afterArrival(const Text& s, const std::array<Text, 6>& flags)
{
    Expected out{s, flags, std::nullopt};
    const std::size_t p = s.find(kMarker);
    if (p != Text::npos) {
        if (p + 23 <= s.size() && TextView(s).substr(p + 20, 3) == u",DI") {
            for (std::size_t k = 0; k < 6; ++k) {
                out.flags[k] = p + 23 + k < s.size() ? Text(1, s[p + 23 + k]) : Text();
            }
        }
        const std::size_t e = s.find(u'.', p);
        if (e != Text::npos && (e - p == 27 || e - p == 29)) {
            out.record = s.substr(p, e - p + 1);
            out.box.clear();
        }
    }
    if (out.box.size() > 200) {
        out.box.clear();
    }
    return out;
}

class Console {
public:
    Console()
    {
        // Load found no port in the (missing) settings file; the fuzzer's line is always there.
        serial.setDevicePath("/dev/fuzz");
        static_cast<void>(serial.open());
    }

    std::array<Text, 6> flags() const
    {
        std::array<Text, 6> out;
        for (std::size_t k = 0; k < 6; ++k) {
            out[k] = form->txtKey(k).text();
        }
        return out;
    }
    std::size_t typed() const { return keys.calls().size(); }

    // Key strings that a change of the flags from `before` to `after` must hand on to the
    // backend: those that parse (the others are only logged).
    std::size_t expectedSends(const std::array<Text, 6>& before, const std::array<Text, 6>& after) const
    {
        std::size_t n = 0;
        for (std::size_t k = 0; k < 6; ++k) {
            const Text& keyString = form->txtKey(k + 6).text();
            if (before[k] != u"A" && after[k] == u"A" && !keyString.empty() && parseKeys(keyString).ok()) {
                ++n;
            }
        }
        return n;
    }

    void arrive(const Text& chunk, bool serialLine)
    {
        const Text before = form->Text1.text();
        const std::array<Text, 6> flagsBefore = flags();
        const Text recordBefore = form->Label2.caption();
        const std::size_t typedBefore = typed();
        const std::size_t movesBefore = cursor.moves.size();

        Expected expected =
            chunk.empty() ? Expected{before, flagsBefore, std::nullopt} : afterArrival(before + chunk, flagsBefore);
        if (serialLine) {
            serial.arrivals.push_back(chunk);
            form->pollSerial();
            if (expected.box.size() > Form1::kSerialBoxLimit) {
                expected.box.clear();
            }
        } else {
            form->Text1.setText(before + chunk);
        }

        const Text& box = form->Text1.text();
        FUZZ_CHECK(box == expected.box, "box " + shown(box) + ", expected " + shown(expected.box));
        FUZZ_CHECK(box.size() <= 200, shown(box));
        FUZZ_CHECK(flags() == expected.flags, "flags after " + shown(before + chunk));
        if (expected.record) {
            FUZZ_CHECK(form->Label2.caption() == *expected.record, shown(form->Label2.caption()));
        } else {
            FUZZ_CHECK(form->Label2.caption() == recordBefore, "no record, yet Label2 changed");
            FUZZ_CHECK(cursor.moves.size() == movesBefore, "the pointer moved without a record");
        }
        FUZZ_CHECK(cursor.moves.size() <= movesBefore + 1, "one record, one move");
        FUZZ_CHECK(typed() - typedBefore == expectedSends(flagsBefore, expected.flags),
                   "key strings handed on: " + std::to_string(typed() - typedBefore));
        for (std::size_t i = movesBefore; i < cursor.moves.size(); ++i) {
            FUZZ_CHECK(cursor.moves[i].y >= 0, "Y below 0: " + std::to_string(cursor.moves[i].y));
        }
    }

    // The operator types into a flag box: only a change to "A" forwards its key string.
    void editFlag(std::size_t k, const Text& text)
    {
        const std::array<Text, 6> before = flags();
        const std::size_t typedBefore = typed();
        form->txtKey(k).setText(text);
        FUZZ_CHECK(typed() - typedBefore == expectedSends(before, flags()), "flag edit " + shown(text));
    }

    // The installation as the program builds it, on the tests' recording and fake backends.
    testing::TestSite site;
    Form1* form = &site.console();
    testing::FakeSerialLine& serial = site.serial();
    testing::FakeCursor& cursor = site.cursor();
    RecordingKeystrokes& keys = site.keys();
};

} // namespace
} // namespace ride::fuzz

// Input: events separated by 0x00 bytes. An event starting with 'S' is a serial arrival of the
// rest, 'K' and a digit d sets key string box 6+d to the rest, 'F' and a digit d types the rest
// into flag box d, 'M' moves the mouse to "x,y"; anything else arrives from the network whole.
// Arrivals are Latin-1 (one character a byte), box edits UTF-8 or raw UTF-16 (see textInput).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace ride;
    using namespace ride::fuzz;
    Console console;
    for (const std::string_view event : pieces(std::string_view(reinterpret_cast<const char*>(data), size), '\0')) {
        const char kind = event.empty() ? '\0' : event.front();
        const bool digit = event.size() >= 2 && event[1] >= '0' && event[1] <= '9';
        if (kind == 'S') {
            console.arrive(latin1(event.substr(1)), true);
        } else if (kind == 'K' && digit) {
            console.form->txtKey(6 + std::size_t(event[1] - '0') % 6).setText(textInput(event.substr(2)));
        } else if (kind == 'F' && digit) {
            console.editFlag(std::size_t(event[1] - '0') % 6, textInput(event.substr(2)));
        } else if (kind == 'M') {
            const std::string where(event.substr(1));
            const char* comma = std::strchr(where.c_str(), ',');
            console.cursor.at = {std::atoi(where.c_str()), comma ? std::atoi(comma + 1) : 0};
        } else {
            console.arrive(latin1(event), false);
        }
    }
    return 0;
}
