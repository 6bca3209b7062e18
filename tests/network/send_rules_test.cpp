// SPDX-License-Identifier: GPL-3.0-or-later
// Rules of the send path and of supervision that need no socket: hex items, policy names and
// their effect on a queue, and which endpoints connect.
#include "network/endpoint.h"
#include "network/hex_item.h"
#include "network/send_failure_policy.h"

#include <gtest/gtest.h>

namespace ride {
namespace {

TEST(HexItems, WorkedExamples)
{
    EXPECT_EQ(decodeHexItem(u"HEX 41 42"), std::string("\x41\x42\x00", 3));
    EXPECT_EQ(decodeHexItem(u"HEX 4142"), std::string("\x41\x02\x00", 3));
    EXPECT_EQ(decodeHexItem(u"HEX 1 2"), std::string("\x01\x00", 2));
    EXPECT_EQ(decodeHexItem(u"HEX "), std::string("\x00", 1));
    EXPECT_EQ(decodeHexItem(u"HEX ff-FF,0a"), std::string("\xFF\xFF\x0A\x00", 4));
    EXPECT_EQ(decodeHexItem(u"HEX zz 4g"), std::string("\x00\x04\x00", 3)) << "no digit is 0, reading stops at g";
    EXPECT_EQ(decodeHexItem(u"HEX  1 2"), std::string("\x01\x02\x00", 3)) << "a blank inside a pair is skipped";
}

TEST(HexItems, PrefixIsExactlyCapitalHexAndOneBlank)
{
    EXPECT_TRUE(isHexItem(u"HEX 00"));
    EXPECT_FALSE(isHexItem(u"hex 00"));
    EXPECT_FALSE(isHexItem(u"HEX00"));
    EXPECT_FALSE(isHexItem(u"HEX"));
}

TEST(HexItems, PairsBeyondTheBufferAreNotSent)
{
    Text item = u"HEX ";
    for (int i = 0; i < 300; ++i) {
        item += u"7F ";
    }
    const std::string bytes = decodeHexItem(item);
    ASSERT_EQ(bytes.size(), kHexBufferSize);
    EXPECT_EQ(bytes[199], '\x7F');
    EXPECT_EQ(bytes.back(), '\0');
}

TEST(SendFailurePolicies, NamesAreComparedExactly)
{
    EXPECT_EQ(sendFailurePolicyNamed(u"忽略放弃本条"), SendFailurePolicy::DropItem);
    EXPECT_EQ(sendFailurePolicyNamed(u"尝试循环"), SendFailurePolicy::RetryLoop);
    EXPECT_EQ(sendFailurePolicyNamed(u"尝试到有新数据"), SendFailurePolicy::RetryUntilNewer);
    EXPECT_EQ(sendFailurePolicyNamed(u"只发最后一条"), SendFailurePolicy::OnlyNewest);
    EXPECT_EQ(sendFailurePolicyNamed(u"提示人工选择"), SendFailurePolicy::AskOperator);
    for (const char16_t* other : {u"忽略", u"重新发送循环", u"尝试发送循环", u" 尝试循环", u"尝试循环 ", u""}) {
        EXPECT_EQ(sendFailurePolicyNamed(other), SendFailurePolicy::None) << toUtf8(other);
    }
}

TEST(SendFailurePolicies, ItemsDroppedFromTheHead)
{
    using P = SendFailurePolicy;
    EXPECT_EQ(itemsToDrop(P::DropItem, 3, true), 1u);
    EXPECT_EQ(itemsToDrop(P::RetryLoop, 3, true), 0u);
    EXPECT_EQ(itemsToDrop(P::RetryUntilNewer, 1, true), 0u);
    EXPECT_EQ(itemsToDrop(P::RetryUntilNewer, 2, true), 1u);
    EXPECT_EQ(itemsToDrop(P::OnlyNewest, 3, true), 2u);
    EXPECT_EQ(itemsToDrop(P::OnlyNewest, 0, true), 0u);
    EXPECT_EQ(itemsToDrop(P::AskOperator, 2, true), 0u);
    EXPECT_EQ(itemsToDrop(P::AskOperator, 2, false), 1u);
    EXPECT_EQ(itemsToDrop(P::None, 5, false), 0u);
    EXPECT_EQ(itemsToDrop(P::DropItem, 0, false), 0u);
}

TEST(Endpoints, PortTextMustBeAWholeNumberInRange)
{
    EXPECT_EQ(portNumber(u"8001"), 8001);
    EXPECT_EQ(portNumber(u" 8001 "), 8001);
    EXPECT_EQ(portNumber(u"08001"), 8001);
    EXPECT_EQ(portNumber(u"65535"), 65535);
    for (const char16_t* bad : {u"", u"0", u"-1", u"65536", u"80.5", u"8e3", u"+80", u"80a", u"&H50", u"99999999999"}) {
        EXPECT_FALSE(portNumber(bad)) << toUtf8(bad);
    }
}

TEST(Endpoints, ConnectableNeedsAnIpOfSevenCharacters)
{
    EXPECT_TRUE(isConnectable(u"1.2.3.4", u"8001"));
    EXPECT_FALSE(isConnectable(u"1.2.3.", u"8001"));
    EXPECT_FALSE(isConnectable(u"127.0.0.1", u"0"));
    EXPECT_FALSE(isConnectable(u"127.0.0.1", u""));
    EXPECT_FALSE(isConnectable(u"127.0.0.1", u"8001x"));
    EXPECT_TRUE(isConfigured(u"", u"0"));
    EXPECT_FALSE(isConfigured(u"", u""));
}

TEST(Endpoints, HealthyLinkComparesTrimmedTexts)
{
    EXPECT_TRUE(isHealthy(7, u" 192.168.1.100 ", u"8001", u"192.168.1.100", u" 8001"));
    EXPECT_FALSE(isHealthy(6, u"192.168.1.100", u"8001", u"192.168.1.100", u"8001"));
    EXPECT_FALSE(isHealthy(7, u"192.168.1.100", u"8001", u"192.168.1.101", u"8001"));
    EXPECT_FALSE(isHealthy(7, u"192.168.1.100", u"8001", u"192.168.1.100", u"08001"));
    EXPECT_FALSE(isHealthy(7, u"Localhost", u"8001", u"localhost", u"8001")) << "case-sensitive";
}

} // namespace
} // namespace ride
