#pragma once
// Typing a keystroke string, in the common keystroke notation, into the window that has the
// keyboard focus. Implementations return at once without waiting for the keys to be handled.
#include "base/text.h"

#include <string_view>

namespace ride {

class Keystrokes {
public:
    virtual ~Keystrokes() = default;
    // `source` names where the string came from (a box name such as "TXTKEY(6)"), for the
    // log line written when the string does not parse; such a string is not typed at all.
    virtual void send(std::string_view source, TextView keys) = 0;
};

} // namespace ride
