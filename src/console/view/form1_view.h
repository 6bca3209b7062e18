// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Qt window of the ride console, a fixed layout in the console's written client size. It is
// shown without taking the keyboard focus.
#include <QWidget>

namespace ride {

class Form1;

class Form1View : public QWidget {
public:
    explicit Form1View(Form1& model);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Form1& model_;
};

} // namespace ride
