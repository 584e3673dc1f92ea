// SPDX-License-Identifier: GPL-3.0-or-later
// The document file: File > Open of any bytes either fails cleanly with the document
// reset, or gives a survey whose own file loads back to the same survey.
#include "fuzz_support.h"
#include "io/document.h"
#include "model/docfile.h"
#include "processing/recalc.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace aq;
    const std::string& path = fuzz::ScratchFile(data, size);
    fuzz::Session s;
    // Something to lose: none of it may survive a failed load.
    s.doc.AddRecord(CVKData::OfKind(1000000000, 5, REC_DEPTH, 0));
    s.doc.InterpLimit = 77;
    s.doc.ImportedFiles = "/previous.brv\n";
    s.doc.PathName = "/previous.son";
    const bool opened = OpenDocument(s.doc, path, s.port);

    // Loading the same bytes from memory must agree with opening the file.
    ScriptedPort directPort;
    CVKDoc direct;
    const bool loaded = size == 0 || LoadDocumentBytes(direct, data, size);
    FUZZ_CHECK(opened == loaded);
    FUZZ_CHECK(s.port.openPhases == 0);
    if (!opened) {
        FUZZ_CHECK(s.port.Texts() == std::vector<std::string>{"Unexpected file format."});
        FUZZ_CHECK(s.doc.Records.empty());
        FUZZ_CHECK(s.doc.ImportedFiles.empty());
        FUZZ_CHECK(s.doc.InterpLimit == 10);
        FUZZ_CHECK(s.doc.PathName.empty());
        FUZZ_CHECK(!s.doc.Modified);
        return 0;
    }
    FUZZ_CHECK(s.doc.PathName == path);
    FUZZ_CHECK(!s.doc.Modified);
    if (size > 0) {
        // Opening is loading and recalculating in the stored order, which says what it
        // says ("All data deleted") and nothing more.
        direct.NeedsSort = false;
        Recalculate(direct, directPort);
        const std::string diff = fuzz::SurveyDifference(s.doc, direct);
        if (!diff.empty()) fuzz::Fail(("open and load differ: " + diff).c_str(), __FILE__, __LINE__);
        FUZZ_CHECK(s.port.Texts() == directPort.Texts());
    } else {
        FUZZ_CHECK(s.port.messages.empty());
    }
    fuzz::CheckDocumentRoundTrip(s.doc);
    return 0;
}
