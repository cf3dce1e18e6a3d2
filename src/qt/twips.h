#pragma once

#include <QPaintDevice>
#include <QRect>

namespace halvane::qt {

// Positions and sizes are given in twips (1/1440 inch) and follow the screen's logical
// resolution: 15 twips make one pixel at 96 dpi.
inline int twips_to_pixels(int twips, int dpi) {
    return (twips * dpi + 720) / 1440;
}

inline int twips_x(const QPaintDevice& device, int twips) {
    return twips_to_pixels(twips, device.logicalDpiX());
}

inline int twips_y(const QPaintDevice& device, int twips) {
    return twips_to_pixels(twips, device.logicalDpiY());
}

inline QRect twips_rect(const QPaintDevice& device, int left, int top, int width, int height) {
    return QRect(twips_x(device, left), twips_y(device, top), twips_x(device, width),
                 twips_y(device, height));
}

}  // namespace halvane::qt
