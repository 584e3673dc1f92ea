// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <span>
#include <string>

#include "model/control.h"
#include "model/doc.h"

namespace aq {

// What the "Control Point" page shows and returns for one station.
struct ControlPageValues {
    std::string Name;
    bool Use = true;  // "Use this station"
    double LonDeg = 0, LonMin = 0, LonSec = 0;
    std::string LonHemisphere = "E";  // "E" or "W"
    double LatDeg = 0, LatMin = 0, LatSec = 0;
    std::string LatHemisphere = "N";  // "N" or "S"
    double GridX = 0, GridY = 0;      // "Xvalue", "Yvalue", metres
};

// The values a page opens with: the point's, with "Use this station" always checked.
ControlPageValues ControlPageStart(const ClsqData& point);

// A page accepted with OK: every value back into the point, then the signed decimal
// latitude and longitude from the degrees, minutes and seconds and the hemispheres.
void AcceptControlPage(ClsqData& point, const ControlPageValues& values);

// Edit > Transform > Add Control confirmed with OK: the new point joins the set when
// "Use this station" stayed checked. Returns whether it joined.
bool AddControl(CVKDoc& doc, const ControlPageValues& values, UserPort& port);

// Edit > Transform > Edit Control ended. `accepted` has, page by page in the order of
// the points, the values of each page that OK applied (nullopt for a page that was
// not); it is empty after Cancel and may be shorter than the set. Whatever the button,
// every point whose Use is 0 afterwards is deleted, and the set is derived again.
void EditControl(CVKDoc& doc, std::span<const std::optional<ControlPageValues>> accepted, UserPort& port);

// Edit > Transform > Apply Control: every geographic position onto the site grid;
// the document becomes a grid one on the site grid's local coordinate system and is
// recalculated. Does nothing unless the set is usable and the document geographic.
void ApplyControl(CVKDoc& doc, UserPort& port);

// Edit > Transform > Self Test: the zone, scale and rotation, then each station's
// misfit, one message each. Does nothing unless the set is usable.
void SelfTest(CVKDoc& doc, UserPort& port);

}  // namespace aq
