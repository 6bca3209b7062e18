// SPDX-License-Identifier: GPL-3.0-or-later
// The captions operators see, read from the real windows over the accessibility bus as an
// assistive tool reads them: the console's title, frames, labels and buttons; the player's title;
// the network window's; and the question that a stalled send asks.
#include "e2e/console_suite.h"
#include "support/loopback_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <thread>

#include <X11/Xutil.h>

namespace ride {
namespace {

using namespace std::chrono_literals;
using testing::AccessibleElement;
using testing::AccessibleTree;

const std::string kConsole = "Rovika支持鼠标和键盘171013A";
const std::string kPlayer = "Form4";
const std::string kNetwork = "网络控制调试窗口";
// A message box carries the program's name as its title.
const std::string kQuestion = "ride-console";

using Captions = std::map<std::string, std::string>; // the program's name of an element -> its caption

class OperatorCaptions : public testing::ConsoleSuite<::testing::Test, true> {
protected:
    void SetUp() override
    {
        ConsoleSuite::SetUp();
        app->placePlayer(400, 420, 320, 240);
    }

    // Every element of `window` that the program calls by one of the names in `expected` has that
    // caption, has `role`, sits in `parent` and is on screen.
    static void expectCaptions(const AccessibleTree& tree, const std::string& window, const std::string& role,
                               const std::string& parent, const Captions& expected)
    {
        for (const auto& [description, caption] : expected) {
            const AccessibleElement* e = tree.named(window, description);
            ASSERT_NE(e, nullptr) << description << " is not in " << window << ":\n" << tree.dump();
            EXPECT_EQ(e->role, role) << description;
            EXPECT_EQ(e->name, caption) << description;
            EXPECT_EQ(e->parent, parent) << description;
            EXPECT_TRUE(e->showing) << description;
        }
    }

    static std::vector<std::string> sorted(std::vector<std::string> names)
    {
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(OperatorCaptions, ConsoleAndPlayerWindows)
{
    app->set(u"视频文件", u"来人播放时间单位秒", u"60");
    app->start();
    const AccessibleTree tree = app->accessibleTree({kConsole, kPlayer});
    ASSERT_TRUE(tree.complete()) << tree.dump();

    ASSERT_EQ(tree.windows(kConsole).size(), 1u) << tree.dump();
    EXPECT_EQ(tree.windows(kConsole)[0]->description, "Form1");
    EXPECT_EQ(sorted(tree.names(kConsole, "panel")), sorted({"接收数据", "视频1"}));
    expectCaptions(tree, kConsole, "push button", kConsole, {{"Command1", "结束"}, {"Command3", "网络设置"}});
    expectCaptions(tree, kConsole, "push button", "视频1",
                   {{"Command2(0)", "来人播放视频"}, {"Command2(1)", "无人播放视频"}});
    EXPECT_EQ(tree.names(kConsole, "push button").size(), 4u) << "a button no operator was meant to see";
    expectCaptions(tree, kConsole, "label", kConsole,
                   {{"Label9", "自行车按键"},
                    {"Label10", "转发的键盘码"},
                    {"Label2", "车速：000"},
                    {"Label3", "速度:"},
                    {"Label6", "方向:"},
                    // Written by loading, from the settings or their defaults.
                    {"Label4", "鼠标X坐标="},
                    {"Label5", "速度系数：7.2"},
                    {"Label7", "鼠标X方向移动宽度:1024"},
                    {"Label8", "I鼠标Y方向移动高度:768"}});
    expectCaptions(tree, kConsole, "label", "视频1",
                   {{"Label1(0)", "播放时间:"}, {"Label1(1)", "已播时间:"}, {"Label1(2)", "60"}});
    const AccessibleElement* receiveBox = tree.named(kConsole, "Text1");
    ASSERT_NE(receiveBox, nullptr);
    EXPECT_EQ(receiveBox->parent, "接收数据");

    ASSERT_EQ(tree.windows(kPlayer).size(), 1u) << tree.dump();
    EXPECT_EQ(tree.windows(kPlayer)[0]->description, "Form4");
    expectCaptions(tree, kPlayer, "label", kPlayer, {{"Label1", "展厅专用视频播放器"}});
}

// The bus gives no font for a label (Qt offers no text interface on one), so the title's size is
// measured on the screen instead, where the bus says the title is. It lies under the video
// surface, so an animation has to take the stage first.
TEST_F(OperatorCaptions, PlayerTitleIsDrawnLargeWhenTheStageIsFree)
{
    app->set(u"视频文件", u"来人播放时间单位秒", u"600");
    app->set(u"视频文件", u"视频0", u"show.SWF");
    const auto program = app->directory() / "swf-player";
    std::ofstream(program) << "#!/bin/sh\nexec sleep 10\n";
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    app->set(u"视频文件", u"动画播放程序", u"./swf-player");
    app->start();
    ASSERT_TRUE(app->findWindow("^Form4$", true, 20s));
    ASSERT_TRUE(app->pressButton("来人播放视频"));

    AccessibleTree tree;
    const AccessibleElement* title = nullptr;
    ASSERT_TRUE(testing::waitUntil(
        [&] {
            tree = app->accessibleTree({kPlayer});
            const AccessibleElement* surface = tree.named(kPlayer, "WindowsMediaPlayer1");
            title = tree.named(kPlayer, "Label1");
            return surface && !surface->showing && title && title->extents;
        },
        20s))
        << "the video surface did not make way for the animation:\n"
        << tree.dump();

    const testing::ScreenRect r = *title->extents;
    XImage* image = XGetImage(x, DefaultRootWindow(x), r.x, r.y, static_cast<unsigned>(r.width),
                              static_cast<unsigned>(r.height), AllPlanes, ZPixmap);
    ASSERT_NE(image, nullptr);
    // The box around the dark pixels: the title's ink.
    int left = r.width;
    int right = -1;
    int top = r.height;
    int bottom = -1;
    for (int row = 0; row < r.height; ++row) {
        for (int col = 0; col < r.width; ++col) {
            const unsigned long pixel = XGetPixel(image, col, row);
            const unsigned long brightness =
                ((pixel & image->red_mask) >> 16) + ((pixel & image->green_mask) >> 8) + (pixel & image->blue_mask);
            if (brightness < 3 * 96) {
                left = std::min(left, col);
                right = std::max(right, col);
                top = std::min(top, row);
                bottom = std::max(bottom, row);
            }
        }
    }
    XDestroyImage(image);
    // 21.75 points are 29 pixels at 96 dots an inch: the nine characters fill the 261 x 29 label,
    // where the desktop's ordinary 9 or 10 points would fill less than half of it.
    EXPECT_EQ(r.width, 261);
    EXPECT_EQ(r.height, 29);
    EXPECT_GE(right - left + 1, 220) << "ink " << left << ".." << right << " x " << top << ".." << bottom;
    EXPECT_GE(bottom - top + 1, 20) << "ink " << left << ".." << right << " x " << top << ".." << bottom;
}

TEST_F(OperatorCaptions, NetworkWindowOpenedByItsButton)
{
    ASSERT_TRUE(app->startShown(20s));
    ASSERT_TRUE(app->pressButton("网络设置"));
    const AccessibleTree tree = app->accessibleTree({kNetwork});
    ASSERT_TRUE(tree.complete()) << tree.dump();

    ASSERT_EQ(tree.windows(kNetwork).size(), 1u) << tree.dump();
    EXPECT_EQ(tree.windows(kNetwork)[0]->description, "FRMSOCK");
    EXPECT_EQ(tree.names(kNetwork, "panel"), std::vector<std::string>{"TCP client"});
    expectCaptions(tree, kNetwork, "push button", kNetwork,
                   {{"Command1", "读取并重新配置"}, {"Command2", "保存"}, {"Command3", "隐藏"}});
    EXPECT_EQ(tree.names(kNetwork, "push button").size(), 3u);
    expectCaptions(tree, kNetwork, "label", "TCP client", {{"LblTcpNam(0)", "TCPS0"}});
    // Static texts have no name in the program; they are found by what they say and where.
    std::vector<std::string> inFrame;
    std::vector<std::string> belowFrame;
    for (const auto& e : tree.elements()) {
        if (e.window == kNetwork && e.role == "label" && e.description.empty()) {
            (e.parent == "TCP client" ? inFrame : belowFrame).push_back(e.name);
        }
    }
    EXPECT_EQ(sorted(inFrame), sorted({"IP", "端口"}));
    EXPECT_EQ(sorted(belowFrame), sorted({"本机IP：", "连接超时（秒）：", "注意防火墙是否打开."}));
    const AccessibleElement* timeout = tree.named(kNetwork, "TXTTCP连接超时");
    ASSERT_NE(timeout, nullptr);
    EXPECT_EQ(timeout->text, "15");

    // "隐藏" hides the window; the console's button brings the same window back.
    ASSERT_TRUE(app->pressButton("隐藏", kNetwork));
    EXPECT_TRUE(testing::waitUntil([&] { return !app->findWindow("^" + kNetwork + "$", true, 0ms); }, 10s))
        << "\"隐藏\" left the window on screen";
    ASSERT_TRUE(app->pressButton("网络设置", kConsole));
    EXPECT_TRUE(app->findWindow("^" + kNetwork + "$", true, 10s)) << "\"网络设置\" did not show it again";
    EXPECT_EQ(app->accessibleTree({kNetwork}).windows(kNetwork).size(), 1u);
}

// The send queue as the send box's drop-down list shows it.
std::vector<std::string> sendQueue(const AccessibleTree& tree)
{
    std::vector<std::string> items;
    if (const AccessibleElement* box = tree.named(kNetwork, "TxtTcpTx(0)")) {
        for (const AccessibleElement* e : tree.inside(*box)) {
            if (e->role == "list item") {
                items.push_back(e->name);
            }
        }
    }
    return items;
}

// With the policy "提示人工选择", a send that nobody completes for longer than the connection
// timeout (15 s as the window starts) asks the operator, once; "No" drops the oldest item.
TEST_F(OperatorCaptions, StalledSendAsksWhetherToResend)
{
    auto controller = std::make_unique<testing::LoopbackServer>();
    app->useController(controller->port());
    app->set(u"网络参数", u"发送失败处理方法0", u"提示人工选择");
    ASSERT_TRUE(app->startShown(20s));
    ASSERT_TRUE(app->pressButton("网络设置"));
    ASSERT_TRUE(controller->accept(10s)) << "the channel did not connect";
    ASSERT_TRUE(controller->receiveUntil([](const std::string& r) { return !r.empty(); }, 10s));
    // The controller goes away for good: the heartbeats pile up and nothing completes.
    controller.reset();

    ASSERT_TRUE(app->accessibleTree({kQuestion}, 60s).complete()) << "no question within a minute";
    // Supervision goes on ticking while the question waits; it must not ask again meanwhile.
    std::this_thread::sleep_for(3s);
    const AccessibleTree tree = app->accessibleTree({kQuestion});
    const auto questions = tree.windows(kQuestion);
    ASSERT_EQ(questions.size(), 1u) << tree.dump();
    EXPECT_EQ(questions[0]->role, "alert");
    EXPECT_TRUE(questions[0]->showing);
    std::vector<std::string> texts;
    for (const AccessibleElement* e : tree.inside(*questions[0])) {
        if (e->role == "label" && e->showing) {
            texts.push_back(e->name);
        }
    }
    EXPECT_EQ(texts, std::vector<std::string>{"是否重新发送？"}) << tree.dump();
    EXPECT_EQ(sorted(tree.names(kQuestion, "push button")), sorted({"No", "Yes"}));
    const std::vector<std::string> waiting = sendQueue(tree);
    ASSERT_GE(waiting.size(), 2u) << tree.dump();

    ASSERT_TRUE(app->pressButton("No", kQuestion));
    AccessibleTree after;
    EXPECT_TRUE(testing::waitUntil(
        [&] {
            after = app->accessibleTree({});
            return after.windows(kQuestion).empty();
        },
        10s))
        << "the question stayed after its answer:\n"
        << after.dump();
    const std::vector<std::string> left = sendQueue(after);
    ASSERT_FALSE(left.empty()) << after.dump();
    EXPECT_EQ(left.front(), waiting[1]) << "\"No\" drops the oldest waiting item, " << waiting.front();
    EXPECT_TRUE(app->process().running());
}

} // namespace
} // namespace ride
