#pragma once
// The per-channel policy for a send that stalled, chosen by its exact name.
#include "base/text.h"

namespace ride {

enum class SendFailurePolicy {
    None,            // any other name: the queue stays as it is
    DropItem,        // "忽略放弃本条"
    RetryLoop,       // "尝试循环"
    RetryUntilNewer, // "尝试到有新数据"
    OnlyNewest,      // "只发最后一条"
    AskOperator,     // "提示人工选择"
};

// Names are compared exactly, every character and letter case.
[[nodiscard]] SendFailurePolicy sendFailurePolicyNamed(TextView name);

// How many items to drop from the head of a queue of `queued` items; the operator's answer
// counts only for AskOperator (true: send again).
[[nodiscard]] std::size_t itemsToDrop(SendFailurePolicy policy, std::size_t queued, bool operatorSaysResend);

} // namespace ride
