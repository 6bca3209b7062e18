// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A Yes/No question the test answers. It remembers every question asked, and can run a step of
// the test while the question is open, as the nested event loop of a real modal box would.
#include "ui/yes_no_question.h"

#include <functional>
#include <vector>

namespace ride::testing {

class ScriptedQuestion : public YesNoQuestion {
public:
    bool ask(TextView question) override
    {
        asked.emplace_back(question);
        if (whileOpen) {
            whileOpen();
        }
        return answer;
    }

    bool answer = true;
    std::vector<Text> asked;
    // Runs while the question is "open": timers coming due, records arriving.
    std::function<void()> whileOpen;
};

} // namespace ride::testing
