// SPDX-License-Identifier: GPL-3.0-or-later
// Layout files ("*.fmt") as the dialog's Load reads them.
#include "fuzz_support.h"
#include "import/formatted.h"

namespace {

bool SameStored(const aq::CFormImport& a, const aq::CFormImport& b) {
    return a.TypeIndex == b.TypeIndex && a.TypePrefix == b.TypePrefix && a.Description == b.Description &&
           a.Columns == b.Columns;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = aq::fuzz::ScratchFile(data, size);
    aq::ScriptedPort port;
    aq::CFormImport layout;
    if (!aq::LoadLayout(layout, path, port)) {
        // Refused with the one message, whatever was read before stays in range.
        FUZZ_CHECK(port.messages.size() == 1 && port.messages[0].text == "Unexpected file format.");
        FUZZ_CHECK(layout.IsValid());
        return 0;
    }
    FUZZ_CHECK(port.messages.empty());
    FUZZ_CHECK(layout.IsValid());
    // What loaded saves to bytes that load to the same layout, and the same bytes again.
    const std::vector<uint8_t> bytes = aq::LayoutBytes(layout);
    aq::CFormImport back;
    aq::ReadLayoutBytes(back, bytes.data(), bytes.size());
    FUZZ_CHECK(SameStored(layout, back));
    FUZZ_CHECK(aq::LayoutBytes(back) == bytes);
    // Any line through it: the record line starts with the prefix and holds no line break.
    layout.UpdateMaxColumn();
    if (layout.ParseLine(std::string_view(reinterpret_cast<const char*>(data), size))) {
        FUZZ_CHECK(layout.Line.compare(0, layout.TypePrefix.size(), layout.TypePrefix) == 0);
    }
    return 0;
}
