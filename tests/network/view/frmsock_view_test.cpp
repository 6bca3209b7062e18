// SPDX-License-Identifier: GPL-3.0-or-later
// The network window's Qt view over its model, on Qt's offscreen platform: the send box's
// drop-down list is the channel's send queue whatever the operator and the timers do, and the
// window's timers run at their intervals from the start.
#include "network/view/frmsock_view.h"

#include "base/qt/qt_text.h"
#include "network/network_site.h"
#include "support/fake_tcp_socket.h"
#include "support/qt_event_pump.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace ride {
namespace {

using namespace std::chrono_literals;

class NetworkView : public testing::NetworkSite {
protected:
    NetworkView()
    {
        openFake();
        view = std::make_unique<FrmsockView>(*net);
        net->window.show();
        QApplication::setActiveWindow(view.get());
        sendBox()->setFocus();
    }

    QComboBox* sendBox() const { return view->findChild<QComboBox*>(QStringLiteral("TxtTcpTx(0)")); }
    QLineEdit* sendEdit() const { return sendBox()->lineEdit(); }
    std::vector<Text> shownList() const
    {
        std::vector<Text> shown;
        for (int i = 0; i < sendBox()->count(); ++i) {
            shown.push_back(fromQString(sendBox()->itemText(i)));
        }
        return shown;
    }
    // One send pass, and the controller confirms what it got.
    void sendHead()
    {
        net->TmrTcp发送.tick();
        socket().complete();
    }
    void pickInPopup(int row)
    {
        sendBox()->showPopup();
        QAbstractItemView* list = sendBox()->view();
        const QModelIndex index = list->model()->index(row, 0);
        list->setCurrentIndex(index);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
    }

    std::unique_ptr<FrmsockView> view;
};

TEST_F(NetworkView, SendBoxListIsTheQueueWhateverTheOperatorAndTheTimersDo)
{
    socket().setState(socket_state::kConnected);
    ASSERT_NE(sendBox(), nullptr);
    EXPECT_EQ(sendEdit()->accessibleDescription(), "TxtTcpTx(0)");

    QTest::keyClicks(sendEdit(), "AB");
    EXPECT_EQ(queue(), (std::vector<Text>{u"A", u"AB"})) << "one item per keystroke";
    EXPECT_EQ(shownList(), queue());

    // Both items go out at once; Enter comes a moment later.
    sendHead();
    sendHead();
    ASSERT_TRUE(queue().empty());
    QTest::keyClick(sendEdit(), Qt::Key_Return);
    EXPECT_TRUE(queue().empty());
    EXPECT_EQ(shownList(), queue()) << "Enter inserts nothing";

    for (int i = 0; i < 3; ++i) {
        net->Timer3.tick();
    }
    EXPECT_EQ(queue(), (std::vector<Text>{u"99991", u"99992", u"99993"}));
    EXPECT_EQ(shownList(), queue());
    EXPECT_EQ(sendBox()->currentText(), "99993");

    // Choosing a waiting entry shows it and queues nothing.
    QTest::keyClick(sendBox(), Qt::Key_Down);
    EXPECT_EQ(sendBox()->currentText(), "99992");
    EXPECT_EQ(net->channel(0).TxtTcpTx.text(), u"99992");
    pickInPopup(0);
    EXPECT_EQ(sendBox()->currentText(), "99991");
    EXPECT_EQ(queue().size(), 3u);
    EXPECT_EQ(shownList(), queue());

    // Completions take the head away under the chosen text; the edit text stays.
    sendHead();
    EXPECT_EQ(queue(), (std::vector<Text>{u"99992", u"99993"}));
    EXPECT_EQ(shownList(), queue());
    EXPECT_EQ(sendBox()->currentText(), "99991");

    // Typing on from a chosen entry is typing; so is the heartbeat setting the text.
    QTest::keyClicks(sendEdit(), "!");
    net->Timer3.tick();
    EXPECT_EQ(queue(), (std::vector<Text>{u"99992", u"99993", u"99991!", u"99994"}));
    EXPECT_EQ(shownList(), queue());
    EXPECT_EQ(sendBox()->currentText(), "99994");

    // The queue's cap holds for the list too.
    for (int i = 0; i < 1001; ++i) {
        net->channel(0).TxtTcpTx.setText(fromUtf8("item " + std::to_string(i)));
    }
    ASSERT_EQ(queue().size(), SendQueue::kQueueLimit);
    EXPECT_EQ(shownList(), queue());
}

TEST_F(NetworkView, TimersRunAtTheirIntervalsFromTheStart)
{
    struct Expected {
        Timer& model;
        int intervalMs;
    };
    const Expected timers[] = {{net->TMRTCPC连接状态判断, 1000}, {net->Timer3, 1000}, {net->TmrTcp发送, 1}};
    for (const Expected& t : timers) {
        SCOPED_TRACE(t.model.name());
        EXPECT_TRUE(t.model.enabled());
        EXPECT_EQ(t.model.intervalMs(), t.intervalMs);
        const auto* running = view->findChild<QTimer*>(QString::fromStdString(t.model.name()));
        ASSERT_NE(running, nullptr);
        EXPECT_EQ(running->interval(), t.intervalMs);
        EXPECT_TRUE(running->isActive());
    }
    EXPECT_EQ(net->timer3Tag, u"99990");

    // They tick on their own: within a second or so the heartbeat has queued its first count and
    // supervision has shown the socket's state.
    ASSERT_TRUE(testing::pumpUntil([&] { return !queue().empty(); }, 3s));
    EXPECT_EQ(queue().front(), u"99991");
    ASSERT_TRUE(testing::pumpUntil([&] { return net->channel(0).LBLTcpState.caption() != u"-1"; }, 3s));
    EXPECT_TRUE(view->findChild<QTimer*>(QStringLiteral("TMRTCPC连接状态判断"))->isActive());
    EXPECT_TRUE(view->findChild<QTimer*>(QStringLiteral("Timer3"))->isActive());

    // The send timer rests while every queue is empty and runs again for the next item; it stays
    // enabled throughout.
    const auto* sendTimer = view->findChild<QTimer*>(QStringLiteral("TmrTcp发送"));
    socket().setState(socket_state::kConnected);
    while (!queue().empty()) {
        sendHead();
    }
    net->TmrTcp发送.tick();
    EXPECT_FALSE(sendTimer->isActive());
    EXPECT_TRUE(net->TmrTcp发送.enabled());
    net->channel(0).TxtTcpTx.setText(u"x");
    EXPECT_TRUE(sendTimer->isActive());
    EXPECT_EQ(sendTimer->interval(), 1);
}

// Hidden by "隐藏" or by closing it, the window keeps its timers running on the event loop:
// supervision shows the socket's state, the heartbeat counts and the send pass sends, so the
// channel stays alive while the operator looks at the console.
TEST_F(NetworkView, TimersKeepRunningWhileTheWindowIsHidden)
{
    socket().setState(socket_state::kConnected);
    for (const bool closed : {false, true}) {
        SCOPED_TRACE(closed ? "closed" : "隐藏");
        net->window.show();
        ASSERT_TRUE(view->isVisible());
        if (closed) {
            view->close();
        } else {
            net->Command3.click();
        }
        ASSERT_FALSE(view->isVisible());
        ASSERT_FALSE(net->window.visible());

        socket().complete(); // nothing in flight
        const std::size_t sent = socket().sent.size();
        const Text count = net->timer3Tag;
        net->channel(0).LBLTcpState.setCaption(u"-1");
        EXPECT_TRUE(testing::pumpUntil([&] { return net->timer3Tag != count; }, 3s)) << "the heartbeat stopped";
        EXPECT_TRUE(testing::pumpUntil([&] { return socket().sent.size() > sent; }, 3s)) << "the send pass stopped";
        EXPECT_TRUE(testing::pumpUntil([&] { return net->channel(0).LBLTcpState.caption() == u"7"; }, 3s))
            << "supervision stopped";
        EXPECT_FALSE(view->isVisible());
    }
}

} // namespace
} // namespace ride
