#pragma once
// Runs the steps of a handler whose failures are skipped: a step that throws is abandoned,
// the next one runs, and the last failure is remembered for handlers that report it.
#include <exception>
#include <optional>
#include <string>
#include <utility>

namespace ride {

class StepRunner {
public:
    template <class Step>
    bool run(Step&& step) noexcept
    {
        try {
            std::forward<Step>(step)();
            return true;
        } catch (const std::exception& e) {
            lastFailure_ = e.what();
        } catch (...) {
            lastFailure_ = "unknown failure";
        }
        return false;
    }

    const std::optional<std::string>& lastFailure() const { return lastFailure_; }

private:
    std::optional<std::string> lastFailure_;
};

} // namespace ride
