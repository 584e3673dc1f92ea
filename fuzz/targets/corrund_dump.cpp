// SPDX-License-Identifier: GPL-3.0-or-later
// Corrund memory dumps (VK Raw of a ".HEX" file). The last byte answers "Use GPS
// heights, if present ?". The dump read from its file and the same bytes decoded in
// memory must give the same records.
#include "device/vkdownload.h"
#include "fuzz_support.h"
#include "import/sounderlogs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const bool heights = size > 0 && (data[size - 1] & 1) != 0;
    if (size > 0) --size;
    const std::string path = aq::fuzz::ScratchFile(data, size, "dump.HEX");

    aq::ScriptedPort port;
    std::vector<aq::CVKData> fromFile, inMemory;
    {
        aq::CVKDownLoad dump(port);
        int errnum = 0;
        FUZZ_CHECK(dump.Open(path, errnum));
        port.answers = {heights};
        dump.ReadDump(fromFile);
        FUZZ_CHECK(dump.ReadError() == 0);
    }
    {
        aq::CVKDownLoad dump(port);
        dump.Decode(std::string_view(reinterpret_cast<const char*>(data), size), inMemory, heights);
    }
    FUZZ_CHECK(fromFile.size() == inMemory.size());
    for (size_t i = 0; i < fromFile.size(); ++i) {
        const aq::CVKData& a = fromFile[i];
        const aq::CVKData& b = inMemory[i];
        FUZZ_CHECK(a.Time == b.Time && a.X == b.X && a.Y == b.Y && a.Z == b.Z && a.Depth == b.Depth &&
                   a.Tide == b.Tide && a.Flags == b.Flags && a.Quality == b.Quality && a.Hundredths == b.Hundredths);
    }
    FUZZ_CHECK(!port.messages.empty() && port.messages.back().text == "All done");

    // Every record takes a code of two characters at least.
    aq::fuzz::Session s;
    s.port.answers = {heights};
    const aq::ImportResult result = aq::ImportVkRaw(s.doc, path, s.port);
    aq::fuzz::CheckImport(s, result, path, size, {2, 0}, {false, 3});
    return 0;
}
