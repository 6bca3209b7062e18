// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Qt window of the network link: one row of widgets per channel, the timeout box, the local
// address and the three buttons. Closing it only hides it.
#include <QWidget>

namespace ride {

class Frmsock;

class FrmsockView : public QWidget {
public:
    explicit FrmsockView(Frmsock& model);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Frmsock& model_;
};

} // namespace ride
