// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where a media file named in the settings is looked for: a URL ("://") and an absolute path as
// they are, a relative name in the given directory (the program's). The video player opens it
// there, and the site check tries the same place.
#include "base/text.h"

#include <filesystem>
#include <string>

namespace ride {

inline bool isUrl(TextView name)
{
    return name.find(u"://") != TextView::npos;
}

inline std::string mediaLocation(const std::filesystem::path& directory, TextView name)
{
    const std::string text = toUtf8(name);
    if (isUrl(name)) {
        return text;
    }
    const std::filesystem::path path(text);
    return path.is_relative() ? (directory / path).string() : text;
}

} // namespace ride
