// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "ui/yes_no_question.h"

namespace ride {

// A message box with Yes and No, no icon, the application's name as its title.
class QtYesNoQuestion : public YesNoQuestion {
public:
    bool ask(TextView question) override;
};

} // namespace ride
