// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/doc.h"

namespace aq {

// Edit > Transform > Convert to UTM: projects every geographic position into the one
// zone of the middle of the survey, makes the document a grid one, recalculates and
// discards the deleted records. The control-point set and its central meridian are
// left as they are; the document records the zone's transverse Mercator as its
// coordinate system. Does nothing unless the document is geographic.
void ConvertToUtm(CVKDoc& doc, UserPort& port);

}  // namespace aq
