// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/video_choice.h"

#include "base/numeric_value.h"
#include "console/form1.h"
#include "settings/profile_file.h"

namespace ride {

VideoChoice::VideoChoice(Form1& form, std::filesystem::path settingsFile, std::function<void(const Text&)> requestMedia)
    : form_(form), settingsFile_(std::move(settingsFile)), requestMedia_(std::move(requestMedia))
{
    form_.Command2_0.onClick([this] { form_.Text3.setText(u"0"); });
    form_.Command2_1.onClick([this] { form_.Text3.setText(u"1"); });
    form_.Text3.onChange([this] { relay(); });
    form_.Text4.onChange([this] {
        if (requestMedia_) {
            requestMedia_(form_.Text4.text());
        }
    });
    form_.Timer1.onTick([this] { countPlayTime(); });
}

void VideoChoice::relay()
{
    const Text choice = form_.Text3.text();
    // The relay's own emptying of the box comes back here.
    if (choice.empty()) {
        return;
    }
    if (choice == u"0") {
        form_.Timer1.setEnabled(true);
        form_.label1(3).setCaption(u"0");
    } else if (choice == u"1") {
        form_.Timer1.setEnabled(false);
        form_.label1(3).setCaption(u"0");
    }
    form_.Text7.setText(choice);
    form_.Text4.setText(ReadIni(settingsFile_, u"视频文件", u"视频" + choice));
    form_.Text3.setText({});
}

void VideoChoice::countPlayTime()
{
    Label& elapsed = form_.label1(3);
    elapsed.setCaption(shortestDecimal(numericValue(elapsed.caption()) + 1));
    // The play time is the setting as read; one that is not a finite number counts as 0.
    if (numericSetting(form_.label1(2).caption(), 0) < numericValue(elapsed.caption())) {
        form_.Text3.setText(u"1");
    }
}

} // namespace ride
