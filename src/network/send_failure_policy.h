// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The per-channel policy for a send that stalled, chosen by its exact name.
#include "base/text.h"

namespace ride {

// Named in kSendFailurePolicies below.
enum class SendFailurePolicy {
    None, // any other name: the queue stays as it is
    DropItem,
    RetryLoop,
    RetryUntilNewer,
    OnlyNewest,
    AskOperator,
};

struct NamedSendFailurePolicy {
    TextView name;
    SendFailurePolicy policy;
};

// The list of the policy box, in its order, and what each name selects. The first entry, "忽略",
// selects none; it is what a channel without a stored name shows. The others are stored in the
// settings file exactly as written here.
inline constexpr NamedSendFailurePolicy kSendFailurePolicies[] = {
    {u"忽略", SendFailurePolicy::None},
    {u"忽略放弃本条", SendFailurePolicy::DropItem},
    {u"尝试循环", SendFailurePolicy::RetryLoop},
    {u"尝试到有新数据", SendFailurePolicy::RetryUntilNewer},
    {u"只发最后一条", SendFailurePolicy::OnlyNewest},
    {u"提示人工选择", SendFailurePolicy::AskOperator},
};
inline constexpr TextView kDefaultSendFailurePolicyName = kSendFailurePolicies[0].name;

// Names are compared exactly, every character and letter case.
[[nodiscard]] SendFailurePolicy sendFailurePolicyNamed(TextView name);

// How many items to drop from the head of a queue of `queued` items; the operator's answer
// counts only for AskOperator (true: send again).
[[nodiscard]] std::size_t itemsToDrop(SendFailurePolicy policy, std::size_t queued, bool operatorSaysResend);

} // namespace ride
