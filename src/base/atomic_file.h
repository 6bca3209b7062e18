// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Replaces a file whole: the new contents go to a temporary file in the same directory, which then
// takes the file's place in one rename, so a reader, a crash or a kill at any moment finds the old
// file or the new one, never half of it. Each caller names its own temporary file and says how
// the new file is made; the failure comes back as the step and the system's error, for the caller
// to word and log in its own terms (the settings file and the health file report to different
// readers).
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace ride {

struct FileReplacement {
    // The temporary file, in the target's directory (a rename does not cross file systems). With
    // `unique`, six letters or digits are appended and the file is created new, so that two
    // writers never share one; otherwise a file left under this name is overwritten.
    std::filesystem::path temporary;
    bool unique = false;
    // Permission bits of the new file, exactly; none: 0644 less the umask.
    std::optional<mode_t> mode;
    // Owner and group for the new file. Only root can always give them, so failing to is no failure.
    std::optional<std::pair<uid_t, gid_t>> owner;
    // The contents reach the disk before the rename and the rename after it (fsync of the file and
    // of its directory), so that a power cut cannot leave an empty file in the target's place.
    bool durable = false;
};

struct ReplacementFailure {
    enum class Step { CreateTemporary, WriteTemporary, Rename };
    Step step;
    // The temporary file's name as tried, a unique one's six characters included.
    std::filesystem::path temporary;
    int error; // errno
};

// Writes `bytes` to the temporary file and renames it onto `target`. On failure the temporary
// file is removed and the target is left as it was.
[[nodiscard]] std::optional<ReplacementFailure> replaceFile(const std::filesystem::path& target, std::string_view bytes,
                                                            const FileReplacement& how);

// Removes the unique temporary files of `temporary` (as given to replaceFile) that writers
// killed mid-write left behind, once they are at least `minimumAge` old: a write in progress is
// younger by far. Only regular files named exactly like the ones replaceFile makes are touched.
// Returns the files removed.
std::vector<std::filesystem::path> sweepTemporaryFiles(const std::filesystem::path& temporary,
                                                       std::chrono::seconds minimumAge);

// The process's umask, read without changing it.
mode_t currentUmask();

} // namespace ride
