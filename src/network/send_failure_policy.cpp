#include "network/send_failure_policy.h"

namespace ride {

SendFailurePolicy sendFailurePolicyNamed(TextView name)
{
    if (name == u"忽略放弃本条") {
        return SendFailurePolicy::DropItem;
    }
    if (name == u"尝试循环") {
        return SendFailurePolicy::RetryLoop;
    }
    if (name == u"尝试到有新数据") {
        return SendFailurePolicy::RetryUntilNewer;
    }
    if (name == u"只发最后一条") {
        return SendFailurePolicy::OnlyNewest;
    }
    if (name == u"提示人工选择") {
        return SendFailurePolicy::AskOperator;
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
