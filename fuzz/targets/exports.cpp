// SPDX-License-Identifier: GPL-3.0-or-later
// Every export of whatever survey a document file can hold: any record values, any
// offsets, any control points. The first byte chooses the Export Entity Selection.
#include <filesystem>

#include "export/export.h"
#include "fuzz_support.h"
#include "model/docfile.h"
#include "processing/recalc.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace aq;
    if (size < 1) return 0;
    const uint8_t choice = data[0];
    fuzz::Session s;
    if (!LoadDocumentBytes(s.doc, data + 1, size - 1)) return 0;
    Recalculate(s.doc, s.port);
    ExportSelection selection;
    selection.EntityMask = ((choice & 1) ? REC_POSITION : 0) | ((choice & 2) ? REC_DEPTH : 0) |
                           ((choice & 4) ? REC_TIDE : 0) | ((choice & 8) ? REC_EVENT : 0);
    selection.DxfLayerCount = static_cast<uint8_t>(1 + (choice >> 4) % MAX_DXF_LAYERS);
    // Written beside the scratch input, which the exports never read.
    static const std::string out = fuzz::ScratchFile(nullptr, 0) + ".out";
    for (const ExportFormatInfo& format : ExportFormats()) {
        s.port.messages.clear();
        const bool written = format.run(s.doc, out, selection, s.port);
        // A refusal says why; a success says nothing.
        FUZZ_CHECK(written == s.port.messages.empty());
    }
    std::error_code ec;
    std::filesystem::remove(out, ec);
    return 0;
}
