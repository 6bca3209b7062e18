#pragma once
// The network window behind the console's "网络设置": created the first time the operator asks
// for it, then shown without modality on every press. Once created it lives, shown or hidden,
// until the program ends, and its timers keep the channels connected.
#include "network/frmsock.h"

#include <memory>

namespace ride {

class FrmsockView;

class NetworkWindowOpener {
public:
    explicit NetworkWindowOpener(NetworkServices services);
    ~NetworkWindowOpener();
    NetworkWindowOpener(const NetworkWindowOpener&) = delete;
    NetworkWindowOpener& operator=(const NetworkWindowOpener&) = delete;

    // Creates the window (and its view) on the first call; shows it and brings it to the front.
    void show();

    // Empty until the first show().
    Frmsock* window() const { return model_.get(); }
    FrmsockView* view() const { return view_.get(); }

private:
    NetworkServices services_;
    // Declared after the model, the view goes first: it is bound to the model's widgets.
    std::unique_ptr<Frmsock> model_;
    std::unique_ptr<FrmsockView> view_;
};

} // namespace ride
