// SPDX-License-Identifier: GPL-3.0-or-later
// fault_save_writer SETTINGS-FILE STARTED-MARKER: presses "保存" of the network window over and over,
// alternating between two sets of values, until it is killed. It creates STARTED-MARKER once it is
// about to save, so that the killer knows its kills land among the saves.
#include "fault/save_values.h"
#include "support/test_site.h"

#include <fstream>

int main(int argc, char** argv)
{
    using namespace ride;
    if (argc != 3) {
        return 2;
    }
    ride::testing::TestSite w({.settingsFile = argv[1]});
    std::ofstream(argv[2]) << "saving\n";
    for (bool second = true;; second = !second) {
        Channel& ch = w.channel();
        TextBox* boxes[] = {&ch.TxtTcpIp, &ch.TxtTcpPost, &ch.TxtTcpNam, &ch.CMDTCP同步到其它端口,
                            &ch.CMB发送失败处理方法};
        for (std::size_t k = 0; k < 5; ++k) {
            boxes[k]->setText(ride::testing::savedValue(k, second));
        }
        w.network().Command2.click();
    }
}
