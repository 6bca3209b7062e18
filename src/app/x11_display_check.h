#pragma once
// Whether the X display can take the pointer and the keys, for the backend table and the site
// check. Kept apart: Xlib's macros must not meet the other backends' headers.
#include "base/backend_choice.h"

#include <optional>
#include <string>
#include <vector>

namespace ride {

// Why the X display cannot be used, or nothing when it can.
std::optional<std::string> x11DisplayUnavailable(const BackendContext& context);
// What the site check says about the X display and the session.
std::vector<Finding> x11DisplayFindings(const BackendContext& context);

} // namespace ride
