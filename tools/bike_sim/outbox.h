// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Bytes on their way to one console connection. Writes never block the simulator: what the
// kernel does not take now waits here, and a console that stops reading loses new records
// instead of stalling the others.
#include <string>
#include <string_view>

namespace ride::sim {

class Outbox {
public:
    static constexpr std::size_t kLimit = 4096;

    // False when the bytes were dropped because the console has not taken what came before.
    bool add(std::string_view bytes);

    enum class Result { Empty, Waiting, Gone };
    // Writes what it can to the non-blocking `fd`. Gone: the other end is closed or broken.
    Result flush(int fd);

    bool empty() const { return pending_.empty(); }
    void clear() { pending_.clear(); }

private:
    std::string pending_;
};

} // namespace ride::sim
