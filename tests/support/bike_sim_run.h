// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// bike-sim started by a test, everything it prints kept in a log file: what it printed, the TCP
// port it listens on, and how it ended (ChildProcess). The test's target names the program in
// BIKE_SIM_EXE.
#include "support/child_process.h"
#include "support/file_bytes.h"

#include <chrono>
#include <filesystem>
#include <regex>
#include <string>
#include <utility>
#include <vector>

namespace ride::testing {

class BikeSimRun : public ChildProcess {
public:
    // bike-sim with these arguments after its name.
    BikeSimRun(std::vector<std::string> args, std::filesystem::path log)
        : ChildProcess(withProgram(std::move(args)), {}, log.string()), log_(std::move(log))
    {
    }

    const std::filesystem::path& log() const { return log_; }
    std::string output() const { return readBytes(log_); }
    // Whether it printed `text`, or something `pattern` matches, waiting up to `timeout`.
    bool printed(const std::string& text, std::chrono::milliseconds timeout = std::chrono::seconds(5)) const
    {
        return waitUntil([&] { return output().find(text) != std::string::npos; }, timeout);
    }
    bool printed(const std::regex& pattern, std::chrono::milliseconds timeout) const
    {
        return waitUntil([&] { return std::regex_search(output(), pattern); }, timeout);
    }
    // The port it says it listens on for TCP, waiting up to five seconds for it; -1 if it says none.
    int tcpPort() const
    {
        const std::regex listening("tcp listening on 127\\.0\\.0\\.1:(\\d+)");
        std::smatch match;
        std::string text;
        const bool said =
            waitUntil([&] { return std::regex_search(text = output(), match, listening); }, std::chrono::seconds(5));
        return said ? std::stoi(match[1]) : -1;
    }

private:
    static std::vector<std::string> withProgram(std::vector<std::string> args)
    {
        args.insert(args.begin(), BIKE_SIM_EXE);
        return args;
    }

    std::filesystem::path log_;
};

} // namespace ride::testing
