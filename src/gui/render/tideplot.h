// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QSize>
#include <string>

#include "processing/gnsstide.h"

namespace aq::gui {

// The comparison of the GNSS water level with the observed tide, drawn into an image.
QImage RenderTideComparison(const TideComparison& comparison, QSize size, double maxGap);

// Writes the drawing as PNG, SVG or PDF (by format, else the file's extension; "-" is a
// PNG on standard output), replaced whole or not at all. Returns an empty text on
// success, else what went wrong.
std::string WriteTideComparison(const TideComparison& comparison, const std::string& path, const std::string& format,
                                QSize size, double maxGap);

}  // namespace aq::gui
