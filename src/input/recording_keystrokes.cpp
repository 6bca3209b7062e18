#include "input/recording_keystrokes.h"

#include "base/log.h"

namespace ride {

void RecordingKeystrokes::send(std::string_view source, TextView keys)
{
    KeyParseResult parsed = parseKeys(keys);
    if (!parsed.ok()) {
        ++rejected_;
        logWarning("keys", rejectedKeysLine(source, keys, parsed.error->message));
        return;
    }
    calls_.push_back({std::string(source), Text(keys), std::move(parsed.actions)});
}

void RecordingKeystrokes::clear()
{
    calls_.clear();
    rejected_ = 0;
}

} // namespace ride
