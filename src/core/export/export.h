// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <string_view>
#include <vector>

#include "model/corrected.h"
#include "model/data.h"
#include "model/doc.h"

// The common export flow. The front end chooses the file (with the save-file dialog
// inputs of ExportFormats()) and, where the format has one, fills in the Export Entity
// Selection dialog; the export command then takes both as values, writes the file and
// reports failures through the port it is given. No message follows a success.
namespace aq {

// What the Export Entity Selection dialog hands to an export.
struct ExportSelection {
    // Record kind bits a record needs one of to be written.
    int EntityMask = REC_POSITION | REC_DEPTH | REC_TIDE | REC_EVENT;
    // Layers the DXF level labels are dealt over, 1 to 20.
    uint8_t DxfLayerCount = 1;
    std::string KmlTitle = "Aquenta";

    bool Selects(const CVKData& r) const { return (r.Flags & EntityMask) != 0; }
};

// The mask of the dialog's four check boxes.
inline int EntityMaskOf(bool position, bool depth, bool tide, bool events) {
    return (position ? REC_POSITION : 0) | (depth ? REC_DEPTH : 0) | (tide ? REC_TIDE : 0) | (events ? REC_EVENT : 0);
}

inline constexpr int MIN_DXF_LAYERS = 1;
inline constexpr int MAX_DXF_LAYERS = 20;

// Reads the dialog's layer-count field as the dialog validates it. On refusal returns
// false with the text to show ("Please enter an integer between 1 and 20.", or the
// byte field's "Please enter an integer between 0 and 255." for text that is no number
// of 0 to 255); the dialog then stays open.
bool ParseDxfLayerCount(std::string_view text, uint8_t& out, std::string& message);

// The save-file dialog inputs and the shape of an export, read by the GUI and the CLI.
struct ExportFormatInfo {
    int commandId;
    const char* name;              // the command line's word for it
    const char* defaultExtension;  // without the dot
    const char* initialFileName;
    // Our filter text; the dialog shows no other list.
    const char* filter;
    bool entitySelection;  // the Export Entity Selection dialog comes before the file is written
    bool layerCount;       // ... with its layer-count field enabled
    bool (*run)(const CVKDoc& doc, const std::string& path, const ExportSelection& selection, UserPort& port);
};

// Every export, in the order of the command line's list.
const std::vector<ExportFormatInfo>& ExportFormats();
const ExportFormatInfo* FindExportFormat(int commandId);
const ExportFormatInfo* FindExportFormat(std::string_view name);

// Runs the export of a command id. False when the command refused, or the file could
// not be written (the message is shown then, naming the file; no partial file is left).
bool RunExport(int commandId, const CVKDoc& doc, const std::string& path, const ExportSelection& selection,
               UserPort& port);

// The values the exports write (CorrectedX, CorrectedY, CorrectedZ, ExportedLevel)
// are in model/corrected.h: the quality checks measure the same positions and levels.

}  // namespace aq
