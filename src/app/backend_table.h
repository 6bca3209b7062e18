// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The backends this build can run on, by kind and by name, and the choice of one of each for a
// run. The program takes the standard table (app/standard_backends.h); the tests add their
// recording and fake backends and choose them the same way.
#include "base/backend_choice.h"
#include "input/input_platform.h"
#include "io/serial_line.h"
#include "io/tcp_socket.h"
#include "media/media_backend.h"

#include <memory>
#include <string>
#include <vector>

namespace ride {

struct BackendTable {
    BackendList<InputPlatform> input;
    BackendList<SerialLine> serial;
    BackendList<TcpSocketFactory> sockets;
    BackendList<MediaBackend> media;

    // Appends the entries of `more`; a name already present keeps its first entry.
    void add(BackendTable more);
};

// The names to try for each kind, in order of preference.
struct BackendNames {
    std::vector<std::string> input{"x11"};
    std::vector<std::string> serial{"qt"};
    std::vector<std::string> sockets{"qt"};
    std::vector<std::string> media{"mpv"};
};

// One backend of each kind, made and owned for the run.
struct ChosenBackends {
    std::unique_ptr<InputPlatform> input;
    std::unique_ptr<SerialLine> serial;
    std::unique_ptr<TcpSocketFactory> sockets;
    std::unique_ptr<MediaBackend> media;
};

struct BackendChoice {
    const BackendEntry<InputPlatform>* input = nullptr;
    const BackendEntry<SerialLine>* serial = nullptr;
    const BackendEntry<TcpSocketFactory>* sockets = nullptr;
    const BackendEntry<MediaBackend>* media = nullptr;
    // One line for each kind with no usable backend, naming every backend looked at and why it
    // was refused.
    std::vector<std::string> problems;

    bool usable() const { return problems.empty(); }
    // Makes the chosen backends; only when usable().
    ChosenBackends make(const BackendContext& context) const;
};

// Looks at the backends without making any, so that it can run before the toolkit starts.
BackendChoice chooseBackends(const BackendTable& table, const BackendNames& names, const BackendContext& context);

} // namespace ride
