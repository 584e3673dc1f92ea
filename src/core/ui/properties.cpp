// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/properties.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "model/doc.h"

namespace aq {

namespace {

std::string TwoDecimals(double v) {
    char buf[48];
    // A level a rounding error below zero reads 0.00, not -0.00.
    if (std::fabs(v) < 0.005) v = 0.0;
    std::snprintf(buf, sizeof buf, "%.2f", v);
    return buf;
}

}  // namespace

GeneralProperties PropertiesOf(const CVKDoc& doc) {
    GeneralProperties p;
    p.BoxSize = doc.BoxSize;
    p.TextSize = doc.TextSize;
    p.ColourMode = doc.ColourMode;
    p.ShowKinds = doc.ShowKinds & 0xF0;
    for (size_t i = 0; i < 7; ++i) p.Colours[i] = doc.Colours[i + 1];
    p.InterpLimit = doc.InterpLimit;
    p.AnimateSlider = AnimateSliderOf(doc.AnimateTicks);
    return p;
}

void ApplyProperties(CVKDoc& doc, const GeneralProperties& p, UserPort& port) {
    doc.BoxSize = p.BoxSize;
    doc.TextSize = p.TextSize;
    doc.ColourMode = p.ColourMode;
    doc.ShowKinds = p.ShowKinds & 0xF0;
    for (size_t i = 0; i < 7; ++i) doc.Colours[i + 1] = p.Colours[i] & 0xFFFFFF;
    doc.InterpLimit = p.InterpLimit;
    doc.AnimateTicks = AnimateTicksOf(p.AnimateSlider);
    port.ViewsChanged();
}

int32_t AnimateSliderOf(int32_t ticks) {
    return static_cast<int32_t>(std::clamp<int64_t>(int64_t{ticks} * 10, 0, ANIMATE_SLIDER_MAX));
}

int32_t AnimateTicksOf(int32_t sliderPosition) {
    return std::clamp(sliderPosition, 0, ANIMATE_SLIDER_MAX) / 10 + 1;
}

std::array<std::string, 7> BandLabels(const CVKDoc& doc, int32_t colourMode) {
    switch (colourMode) {
        case COLOUR_ELEVATION: {
            std::array<std::string, 7> labels;
            double v = doc.LevelMax / 100.0;
            const double step = (static_cast<double>(doc.LevelMax) - doc.LevelMin) / 600.0;
            for (size_t i = 0; i < 7; ++i) {
                labels[i] = TwoDecimals(v);
                v -= step;
            }
            return labels;
        }
        case COLOUR_QUALITY: return {"100%", "80%", "65%", "50%", "30%", "20%", "0%"};
        default: return {"Event", "Position", "", "Tide", "", "Depth", ""};
    }
}

std::array<uint32_t, 7> PresetColours(ColourPreset preset) {
    switch (preset) {
        case ColourPreset::RedYellowGreen:
            return {Rgb(255, 0, 0),   Rgb(255, 128, 0), Rgb(255, 190, 0), Rgb(255, 255, 0),
                    Rgb(190, 255, 0), Rgb(128, 255, 0), Rgb(0, 255, 0)};
        case ColourPreset::CyanBlueMagenta:
            return {Rgb(0, 255, 255), Rgb(0, 190, 255), Rgb(0, 128, 255), Rgb(0, 0, 255),
                    Rgb(128, 0, 255), Rgb(190, 0, 255), Rgb(255, 0, 255)};
        case ColourPreset::DefaultRgb:
        default:
            return {Rgb(255, 0, 255), Rgb(255, 0, 0),   Rgb(255, 255, 0), Rgb(0, 255, 0),
                    Rgb(0, 255, 255), Rgb(0, 0, 255),   Rgb(255, 255, 255)};
    }
}

}  // namespace aq
