// SPDX-License-Identifier: GPL-3.0-or-later
#include "surface/surface.h"

#include <algorithm>
#include <limits>

#include "model/userport.h"

namespace aq::surface {

bool Surface::Range(double& lowest, double& highest) const {
    float lo = std::numeric_limits<float>::infinity(), hi = -lo;
    for (const float v : elevation) {
        if (std::isnan(v)) continue;
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    if (lo > hi) return false;
    lowest = lo;
    highest = hi;
    return true;
}

Phase::Phase(UserPort* port, const char* name) : port_(port) {
    if (!port_) return;
    port_->BeginPhase(name);
    port_->SetProgress(0);
    percent_ = 0;
}

Phase::~Phase() {
    if (port_) port_->EndPhase();
}

void Phase::At(uint64_t done, uint64_t total) {
    if (!port_) return;
    const int percent = total == 0 ? 100 : static_cast<int>(std::min(done, total) * 100 / total);
    if (percent == percent_) return;
    percent_ = percent;
    port_->SetProgress(percent);
}

}  // namespace aq::surface
