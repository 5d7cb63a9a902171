// The ring around the pointer that fills, clockwise from the top, as a dwell
// click or a held eye or mouth gesture comes: a small frameless window above
// the others, shaped to the ring so that it covers nothing else, which takes
// neither the focus nor the pointer's clicks.
#pragma once

#include <QWidget>
#include <cstdint>

#include "tracker/desktop.h"

namespace quil::lnx {

// The ring's outer size and its band, in pixels: wide enough to see around
// the pointer's arrow, its hole leaving the target under the hotspot clear.
inline constexpr int kDwellRingDiameter = 44;
inline constexpr int kDwellRingBand = 7;
inline constexpr char kDwellRingTitle[] = "Quilbrand dwell";

class DwellRing final : public QWidget {
public:
    DwellRing();

    // Centred on `centre`, `thousandths` of it filled (1..1000); 0 hides it.
    void showFill(ScreenPoint centre, int32_t thousandths);
    [[nodiscard]] int32_t fill() const { return fill_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int32_t fill_ = 0;
};

}  // namespace quil::lnx
