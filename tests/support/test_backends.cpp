// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/test_backends.h"

#include "support/fake_serial_line.h"
#include "support/fake_tcp_socket.h"

namespace ride::testing {

BackendTable testBackends()
{
    BackendTable table;
    table.input.push_back(
        {"recording", nullptr,
         [](const BackendContext&) -> std::unique_ptr<InputPlatform> { return std::make_unique<TestInput>(); },
         nullptr});
    table.serial.push_back(
        {"fake", nullptr,
         [](const BackendContext&) -> std::unique_ptr<SerialLine> { return std::make_unique<FakeSerialLine>(); },
         nullptr});
    table.sockets.push_back({"fake", nullptr,
                             [](const BackendContext&) -> std::unique_ptr<TcpSocketFactory> {
                                 return std::make_unique<FakeTcpSocketFactory>();
                             },
                             nullptr});
    table.media.push_back(
        {"recording", nullptr,
         [](const BackendContext&) -> std::unique_ptr<MediaBackend> { return std::make_unique<TestMedia>(); },
         nullptr});
    return table;
}

BackendNames testBackendNames()
{
    return {{"recording"}, {"fake"}, {"fake"}, {"recording"}};
}

} // namespace ride::testing
