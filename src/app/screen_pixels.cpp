#include "app/screen_pixels.h"

namespace ride {

void takeScreenPixels(ScopedEnvironment& environment)
{
    environment.set("QT_ENABLE_HIGHDPI_SCALING", "0");
    // Applied even with the scaling off.
    environment.unset("QT_SCALE_FACTOR");
    environment.unset("QT_SCREEN_SCALE_FACTORS");
    // Else the text follows Xft.dpi while the widgets keep their pixels: captions cut off.
    environment.set("QT_FONT_DPI", "96");
}

} // namespace ride
