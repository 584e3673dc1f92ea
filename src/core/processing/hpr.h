// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/doc.h"

namespace aq {

// Edit > Transform > Apply HPR: turns the pitch and roll logged with the depths into
// displacements in cm, fore-and-aft and across the boat's course, of a point at the
// height of the elevation offset. Each record converted carries REC_HPR, and so does
// KindFlags; the first record and records already converted are left as they are.
// Neither recalculates nor marks the document modified: the displacements are not
// saved with it.
void ApplyHpr(CVKDoc& doc);

}  // namespace aq
