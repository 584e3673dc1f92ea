// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "model/doc.h"

namespace aq {

// File > Open. Reports "Failed to open document PATH: REASON." or "Unexpected file
// format." through the port; a file that cannot be opened (or is a FIFO, a
// folder, ...) leaves the document untouched. The file is read a window at a time
// straight into the records, so it is never held whole; should reading fail part way,
// the document is reset as by a damaged file and the failure reported. Running out of
// memory is reported as "Not enough memory to open PATH (needs about N MB)."; the
// document stays whole when it was not yet touched, else is reset. A loaded survey is
// recalculated. Its coordinate system is read from the file beside it (CrsSidecarPath):
// without one the survey's default holds; one that cannot be read, is damaged or does
// not fit the survey is told of in a warning naming it, and the default holds too.
bool OpenDocument(CVKDoc& doc, const std::string& path, UserPort& port);

// File > Save, through an AtomicFile: a failed save ("Failed to save document PATH:
// REASON.") leaves the old file intact. The bytes are made a piece at a time as they
// are written, never held whole. A coordinate system that a command recorded is saved
// beside it (and one there already is brought up to date), also through an AtomicFile,
// never beside a FIFO or device; should that fail, a warning says so and the save still
// succeeds, the survey being safe.
bool SaveDocument(CVKDoc& doc, const std::string& path, UserPort& port);

}  // namespace aq
