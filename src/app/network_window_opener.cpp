#include "app/network_window_opener.h"

#include "network/view/frmsock_view.h"

namespace ride {

NetworkWindowOpener::NetworkWindowOpener(NetworkServices services) : services_(std::move(services)) {}

NetworkWindowOpener::~NetworkWindowOpener() = default;

void NetworkWindowOpener::show()
{
    if (!model_) {
        model_ = std::make_unique<Frmsock>(services_);
        view_ = std::make_unique<FrmsockView>(*model_);
    }
    model_->window.show();
    view_->raise();
    view_->activateWindow();
}

} // namespace ride
