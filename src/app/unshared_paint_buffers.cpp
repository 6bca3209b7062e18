#include "app/unshared_paint_buffers.h"

#include <cstdlib>

namespace ride {
namespace {

constexpr const char* kVariable = "QT_XCB_NO_MITSHM";

} // namespace

UnsharedPaintBuffers::UnsharedPaintBuffers()
{
    if (std::getenv(kVariable) == nullptr) {
        set_ = ::setenv(kVariable, "1", 0) == 0;
    }
}

UnsharedPaintBuffers::~UnsharedPaintBuffers()
{
    if (set_) {
        ::unsetenv(kVariable);
    }
}

} // namespace ride
