// SPDX-License-Identifier: GPL-3.0-or-later
// What the raster and vector outputs share: GDAL made ready, its failures kept for our
// messages, and the files it writes handed over to the user's folder by the same rules
// as every other file the program writes.
#pragma once

#include <string>

#include "surface/crs.h"

namespace aq::surface {

// Registers GDAL's and OGR's drivers, once.
void UseGdal();

// While it lives, the failures GDAL reports on this thread are kept here instead of
// being printed.
class GdalErrors {
public:
    GdalErrors();
    ~GdalErrors();
    GdalErrors(const GdalErrors&) = delete;
    GdalErrors& operator=(const GdalErrors&) = delete;
    // The last failure GDAL reported, or `fallback` when it reported none.
    std::string Text(const std::string& fallback = "GDAL gave no reason") const;

private:
    std::string last_;
};

// A file that GDAL writes for us. GDAL makes it (with any companion files: a
// shapefile's .shx, .dbf and .prj, an ASCII grid's .prj) in a folder of its own beside
// the target, or in $TMPDIR when the target is a FIFO or a device, and Commit hands each
// over: renamed over a regular file or a new name, keeping the old file's owner and
// mode (a file with other hard links, or one the folder lets us write but not replace,
// is rewritten in place through an AtomicFile instead); copied into a FIFO or device. A
// link is followed to the file it names. Until Commit the target is untouched, and the
// work folder goes with this object; one left by a process that was killed is removed
// by the next output to the same name.
class GdalOutput {
public:
    explicit GdalOutput(std::string target);
    ~GdalOutput();
    GdalOutput(const GdalOutput&) = delete;
    GdalOutput& operator=(const GdalOutput&) = delete;

    // Makes the work folder; false with the message naming the file.
    bool Open(std::string& error);
    // Where GDAL is to write the target: its own name in the work folder.
    const std::string& WorkPath() const { return workPath_; }
    // Hands over every file GDAL made, the target last; false with the message naming
    // the file that could not be written. GDAL's datasets must be closed first.
    bool Commit(std::string& error);

private:
    std::string target_;  // as the user gave it, for messages
    std::string place_;   // where the target is written: the file a link names
    std::string folder_;  // where the companions go
    std::string name_;    // the target's name in the work folder
    std::string work_;
    std::string workPath_;
    int lock_ = -1;
};

// A coordinate system from any definition GDAL and PROJ take: "EPSG:32631", a WKT, a
// PROJ string. False with the reason.
bool CrsFromDefinition(const std::string& text, CoordinateSystem& out, std::string& error);

}  // namespace aq::surface
