// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A modal Yes/No question to the operator. It cannot fail: closing the box answers No.
#include "base/text.h"

namespace ride {

class YesNoQuestion {
public:
    virtual ~YesNoQuestion() = default;
    // Returns true for Yes. Runs a nested event loop until answered.
    virtual bool ask(TextView question) = 0;
};

} // namespace ride
