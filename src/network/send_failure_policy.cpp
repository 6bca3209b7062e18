// SPDX-License-Identifier: GPL-3.0-or-later
#include "network/send_failure_policy.h"

namespace ride {

SendFailurePolicy sendFailurePolicyNamed(TextView name)
{
    for (const NamedSendFailurePolicy& entry : kSendFailurePolicies) {
        if (entry.name == name) {
            return entry.policy;
        }
    }
    return SendFailurePolicy::None;
}

std::size_t itemsToDrop(SendFailurePolicy policy, std::size_t queued, bool operatorSaysResend)
{
    if (queued == 0) {
        return 0;
    }
    switch (policy) {
    case SendFailurePolicy::DropItem: return 1;
    case SendFailurePolicy::RetryUntilNewer: return queued > 1 ? 1 : 0;
    case SendFailurePolicy::OnlyNewest: return queued - 1;
    case SendFailurePolicy::AskOperator: return operatorSaysResend ? 0 : 1;
    case SendFailurePolicy::RetryLoop:
    case SendFailurePolicy::None: break;
    }
    return 0;
}

} // namespace ride
