// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/test_site.h"

#include <stdexcept>

namespace ride::testing {
namespace {

template <class T, class Base>
T& as(Base* backend, const char* what)
{
    auto* concrete = dynamic_cast<T*>(backend);
    if (!concrete) {
        throw std::logic_error(std::string("the site was not built with the test's ") + what);
    }
    return *concrete;
}

} // namespace

TestSite::TestSite(SiteOptions options)
{
    BackendTable table = testBackends();
    table.add(std::move(options.moreBackends));
    const BackendContext context{options.settingsFile, {}};
    const BackendChoice choice = chooseBackends(table, options.backends, context);
    if (!choice.usable()) {
        std::string why;
        for (const std::string& problem : choice.problems) {
            why += problem + "; ";
        }
        throw std::runtime_error("test site: " + why);
    }
    backends = choice.make(context);
    if (auto* recording = dynamic_cast<TestInput*>(backends.input.get())) {
        recording->focused = options.focusedWindow;
        recording->focus = options.inputFocus;
    }

    Platform platform;
    platform.input = backends.input.get();
    platform.serial = backends.serial.get();
    platform.sockets = backends.sockets.get();
    platform.media = backends.media.get();
    platform.events = options.events ? options.events : &noEvents;
    platform.question = &question;
    platform.timers = options.timers;
    platform.views = options.views;
    platform.endProgram = [this] { ++endRequests; };
    platform.clock = options.clock;
    platform.captureDisk = options.captureDisk;
    installation = std::make_unique<Installation>(
        std::move(platform), InstallationOptions{options.settingsFile, options.channels, options.capture});
    if (options.start) {
        installation->start();
    }
}

TestSite::~TestSite() = default;

Frmsock& TestSite::network()
{
    if (!installation->networkWindow()) {
        console().Command3.click();
    }
    return *installation->networkWindow();
}

void TestSite::arrive(TextView text)
{
    const std::string bytes = toGbk(text);
    console().arrivals().arrive({LineSource::serial(), bytes, text});
}

Channel& TestSite::pointChannelAt(TextView host, int port, std::size_t i)
{
    Channel& ch = channel(i);
    ch.TxtTcpIp.setText(Text(host));
    ch.TxtTcpPost.setText(fromUtf8(std::to_string(port)));
    return ch;
}

TestInput& TestSite::input()
{
    return as<TestInput>(backends.input.get(), "recording pointer and keys");
}

FakeSerialLine& TestSite::serial()
{
    return as<FakeSerialLine>(backends.serial.get(), "fake serial line");
}

FakeTcpSocketFactory& TestSite::sockets()
{
    return as<FakeTcpSocketFactory>(backends.sockets.get(), "fake sockets");
}

TestMedia& TestSite::media()
{
    return as<TestMedia>(backends.media.get(), "recording media");
}

int TestSite::logLinesWith(TextView part) const
{
    int n = 0;
    for (const Text& line : log()) {
        n += line.find(part) != Text::npos ? 1 : 0;
    }
    return n;
}

std::vector<std::u32string> TestSite::sentCharacters()
{
    std::vector<std::u32string> out;
    for (const auto& actions : keys().calls()) {
        std::u32string text;
        for (const KeyAction& action : actions) {
            text += action.kind == KeyAction::Kind::Char ? action.ch : U'?';
        }
        out.push_back(text);
    }
    return out;
}

} // namespace ride::testing
