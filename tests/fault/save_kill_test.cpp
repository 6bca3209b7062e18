// SPDX-License-Identifier: GPL-3.0-or-later
// "保存" killed with SIGKILL at random moments, a thousand times. After every kill the settings file
// is a whole file: every line that "保存" does not own is there byte for byte, and each of the five
// keys it writes holds either the old value or the new one, whole.
#include "fault/save_values.h"
#include "settings/profile_file.h"
#include "support/child_process.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <random>
#include <thread>

namespace ride {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::readBytes;

// The file with the key lines of the five network keys taken out, and the values they held.
struct Parsed {
    std::string rest;
    std::vector<std::vector<std::string>> values{5};
};

Parsed parse(const std::string& bytes)
{
    Parsed out;
    for (const std::string& line : testing::linesOf(bytes)) {
        if (const auto k = testing::networkKeyOf(line)) {
            out.values[*k].push_back(line.substr(toGbk(testing::kNetworkKeys[*k]).size() + 1));
        } else {
            out.rest += line;
        }
    }
    return out;
}

TEST(SaveKilled, AThousandKillsAlwaysLeaveTheOldOrTheNewValueWhole)
{
    testing::TempDir dir;
    const fs::path ini = dir / "配置.ini";
    const fs::path marker = dir / "started";
    // Hand-made sections around the network section, and the first set of values saved once.
    {
        std::ofstream out(ini, std::ios::binary);
        out << toGbk(u"; 展厅 3 号机\r\n[控制界面]\r\n窗口位置左=100\r\n速度比例系数=7.2\r\n\r\n[网络参数]\r\n");
        for (std::size_t k = 0; k < 5; ++k) {
            out << toGbk(testing::kNetworkKeys[k]) << "=" << toGbk(testing::savedValue(k, false)) << "\r\n";
        }
        out << toGbk(u"\r\n[视频文件]\r\n视频0=来人.mp4\r\n视频1=无人.mp4\r\n");
    }
    const Parsed original = parse(readBytes(ini));
    std::string lines[2][5];
    for (std::size_t k = 0; k < 5; ++k) {
        lines[0][k] = toGbk(testing::savedValue(k, false)) + "\r\n";
        lines[1][k] = toGbk(testing::savedValue(k, true)) + "\r\n";
    }

    std::mt19937 random(2024);
    std::uniform_int_distribution<int> delayUs(0, 12000);
    int changed = 0;
    int mixed = 0;
    std::string previous = readBytes(ini);
    const auto start = std::chrono::steady_clock::now();
    for (int kill = 0; kill < 1000; ++kill) {
        SCOPED_TRACE(kill);
        fs::remove(marker);
        testing::ChildProcess writer({RIDE_SAVE_WRITER, ini.string(), marker.string()});
        ASSERT_TRUE(testing::waitUntil([&] { return fs::exists(marker); }, 10s)) << "the writer never started";
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
        writer.kill9();

        const std::string bytes = readBytes(ini);
        ASSERT_TRUE(fs::is_regular_file(ini));
        const Parsed now = parse(bytes);
        ASSERT_EQ(now.rest, original.rest) << "a line that 保存 does not own changed";
        int second = 0;
        for (std::size_t k = 0; k < 5; ++k) {
            ASSERT_EQ(now.values[k].size(), 1u) << "key " << k << " is missing or doubled";
            const std::string& value = now.values[k].front();
            ASSERT_TRUE(value == lines[0][k] || value == lines[1][k]) << "key " << k << " holds " << value;
            second += value == lines[1][k] ? 1 : 0;
        }
        mixed += second != 0 && second != 5 ? 1 : 0;
        changed += bytes != previous ? 1 : 0;
        previous = bytes;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    int leftovers = 0;
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        leftovers += entry.path().filename().string().rfind(".配置.ini.", 0) == 0 ? 1 : 0;
    }
    std::printf("1000 kills in %.1f s: the file changed between kills %d times, %d kills fell between the five "
                "keys of one save, %d temporary files left by kills inside a write\n",
                seconds, changed, mixed, leftovers);
    EXPECT_GE(changed, 100) << "the kills must land among saves that do happen";
}

} // namespace
} // namespace ride
