// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace aq {

class CVKDoc;
class UserPort;

// What the "General Properties" dialog edits: the display settings, the interpolation
// limit and the animation speed.
struct GeneralProperties {
    int32_t BoxSize = 3;
    int32_t TextSize = 5;
    int32_t ColourMode = 0;
    int32_t ShowKinds = 0xF0;
    std::array<uint32_t, 7> Colours{};  // bands 1..7, 0x00BBGGRR
    int32_t InterpLimit = 10;
    int32_t AnimateSlider = 50;  // 0..100 shown; AnimateTicks x 10
};

// Range of the "Animate" slider, and the spin ranges of the two sizes.
inline constexpr int32_t ANIMATE_SLIDER_MAX = 100;
inline constexpr int32_t BOX_SIZE_SPIN_MIN = 1, BOX_SIZE_SPIN_MAX = 20;
inline constexpr int32_t TEXT_SIZE_SPIN_MIN = 1, TEXT_SIZE_SPIN_MAX = 50;
// What the size fields take when typed: far beyond the spin ranges, but small enough
// that the drawing's arithmetic cannot overflow.
inline constexpr int32_t SIZE_TYPED_MIN = 0, SIZE_TYPED_MAX = 10000;

// The dialog's starting values, taken from the document.
GeneralProperties PropertiesOf(const CVKDoc& doc);
// OK: the document takes the values; nothing is recalculated (a new interpolation
// limit waits for the next recalculation). The port is told to redraw the views.
void ApplyProperties(CVKDoc& doc, const GeneralProperties& values, UserPort& port);

// Slider position for a tick count (10 per tick; the slider stops at its right end),
// and the tick count a position gives: position / 10 + 1, so 1..11. Opening and
// confirming the dialog unchanged therefore slows the animation by a tick each time
// until it rests at 11.
int32_t AnimateSliderOf(int32_t ticks);
int32_t AnimateTicksOf(int32_t sliderPosition);

// The seven band labels, top to bottom, of a colour scheme for the document's level
// range.
std::array<std::string, 7> BandLabels(const CVKDoc& doc, int32_t colourMode);

// The preset buttons: "Red/Yellow/Green", "Cyan/Blue/Magenta", "Set Default RGB".
enum class ColourPreset { RedYellowGreen, CyanBlueMagenta, DefaultRgb };
std::array<uint32_t, 7> PresetColours(ColourPreset preset);

// 0x00BBGGRR from red, green and blue.
inline constexpr uint32_t Rgb(int r, int g, int b) {
    return static_cast<uint32_t>(r & 0xFF) | (static_cast<uint32_t>(g & 0xFF) << 8) |
           (static_cast<uint32_t>(b & 0xFF) << 16);
}

}  // namespace aq
