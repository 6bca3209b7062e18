#pragma once
// A keystroke backend that types nothing and remembers what would have been typed, for tests
// and for running without a display.
#include "input/key_notation.h"
#include "input/keystrokes.h"

#include <string>
#include <vector>

namespace ride {

class RecordingKeystrokes : public Keystrokes {
public:
    struct Call {
        std::string source;
        Text keys;
        std::vector<KeyAction> actions;
    };

    // A string that does not parse is logged (as the real backends do) and not recorded.
    void send(std::string_view source, TextView keys) override;

    const std::vector<Call>& calls() const { return calls_; }
    int rejectedCount() const { return rejected_; }
    void clear();

private:
    std::vector<Call> calls_;
    int rejected_ = 0;
};

} // namespace ride
