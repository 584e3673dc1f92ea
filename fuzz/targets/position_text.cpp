// SPDX-License-Identifier: GPL-3.0-or-later
// The position text of Corrund logs and dumps ("5130.1234N00012.3456W12.3").
#include <string_view>

#include "device/vkdownload.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    int32_t latitude = 1, longitude = 2, height = 3;
    if (!aq::CVKDownLoad::ParsePositionText(text, latitude, longitude, height)) return 0;
    // Accepted only with a letter of each axis, nothing but digits, points, minus signs
    // and at most three letters.
    FUZZ_CHECK(text.find_first_of("NS") != std::string_view::npos);
    FUZZ_CHECK(text.find_first_of("EW") != std::string_view::npos);
    FUZZ_CHECK(text.find_first_not_of("0123456789.-NSEW") == std::string_view::npos);
    size_t letters = 0;
    for (char c : text) letters += (c == 'N' || c == 'S' || c == 'E' || c == 'W');
    FUZZ_CHECK(letters <= 3);
    // Without minus signs, a southern or western letter makes its value not positive.
    if (text.find('-') == std::string_view::npos) {
        if (text.find('S') != std::string_view::npos) FUZZ_CHECK(latitude <= 0);
        if (text.find('W') != std::string_view::npos) FUZZ_CHECK(longitude <= 0);
    }
    return 0;
}
