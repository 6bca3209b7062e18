// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs the steps of a handler whose failures are skipped: a step that throws is abandoned,
// the next one runs, and the last failure is remembered for handlers that report it.
#include <exception>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

namespace ride {

// A failure that carries a number, for handlers that report "number description" lines.
class NumberedFailure : public std::runtime_error {
public:
    NumberedFailure(int number, const std::string& description) : std::runtime_error(description), number_(number) {}
    int number() const { return number_; }

private:
    int number_;
};

class StepRunner {
public:
    template <class Step>
    bool run(Step&& step) noexcept
    {
        try {
            std::forward<Step>(step)();
            return true;
        } catch (const NumberedFailure& e) {
            lastFailure_ = e.what();
            lastFailureNumber_ = e.number();
        } catch (const std::exception& e) {
            lastFailure_ = e.what();
            lastFailureNumber_ = kUnnumbered;
        } catch (...) {
            lastFailure_ = "unknown failure";
            lastFailureNumber_ = kUnnumbered;
        }
        return false;
    }

    const std::optional<std::string>& lastFailure() const { return lastFailure_; }
    // The number of the last failure; failures without one count as an internal error, 51.
    int lastFailureNumber() const { return lastFailureNumber_; }
    static constexpr int kUnnumbered = 51;

private:
    std::optional<std::string> lastFailure_;
    int lastFailureNumber_ = 0;
};

} // namespace ride
