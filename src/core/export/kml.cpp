// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/kml.h"

#include <filesystem>

#include "export/exportfile.h"
#include "export/textbuf.h"
#include "model/doctype.h"

namespace aq {

using exporting::AppendFixed;
using exporting::kEol;

namespace {

// The file's fixed texts; the titles go where the first three end.
constexpr std::string_view kHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    "<kml xmlns=\"http://www.opengis.net/kml/2.2\" xmlns:gx=\"http://www.google.com/kml/ext/2.2\" "
    "xmlns:kml=\"http://www.opengis.net/kml/2.2\" xmlns:atom=\"http://www.w3.org/2005/Atom\">"
    "<Document><name>Aquenta</name><Placemark><name>";
constexpr std::string_view kMarker = "Brivel Marker</name><description>";
constexpr std::string_view kMarkerEnd = "</description>";
constexpr std::string_view kLookAt = "<LookAt><longitude>";
constexpr std::string_view kLineStart = "<Placemark><name>Brivel Line</name><description>";
constexpr std::string_view kLineCoordinates =
    "</description><LineString><tessellate>1</tessellate><coordinates>";
constexpr std::string_view kTail = "</coordinates></LineString></Placemark></Document></kml>";

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Windows-1252 of 0x80-0x9F; 0 where the code page has no character.
constexpr char16_t kCp1252[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                  0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The UTF-8 sequence at s[i], its length in `len`; -1 when it is not valid UTF-8.
char32_t DecodeUtf8(std::string_view s, size_t i, size_t& len) {
    const auto b = [&](size_t k) { return static_cast<unsigned char>(s[i + k]); };
    const unsigned char c = b(0);
    size_t n;
    char32_t v;
    if (c < 0x80) {
        len = 1;
        return c;
    } else if (c >= 0xC2 && c <= 0xDF) {
        n = 2, v = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3, v = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4, v = c & 0x07;
    } else {
        return static_cast<char32_t>(-1);
    }
    if (i + n > s.size()) return static_cast<char32_t>(-1);
    for (size_t k = 1; k < n; ++k) {
        if ((b(k) & 0xC0) != 0x80) return static_cast<char32_t>(-1);
        v = (v << 6) | (b(k) & 0x3F);
    }
    // Overlong forms, surrogates and values beyond Unicode are no UTF-8.
    if ((n == 3 && v < 0x800) || (n == 4 && (v < 0x10000 || v > 0x10FFFF)) || (v >= 0xD800 && v <= 0xDFFF))
        return static_cast<char32_t>(-1);
    len = n;
    return v;
}

// Always degrees: only a geographic survey reaches this export.
void AppendKmlCoordinate(std::string& out, const CVKData& r) {
    AppendFixed(out, r.X / 1e7, 8);
    out += ',';
    AppendFixed(out, r.Y / 1e7, 8);
    out += ' ';
}

}  // namespace

std::string XmlText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        size_t len = 1;
        char32_t c = DecodeUtf8(text, i, len);
        if (c == static_cast<char32_t>(-1)) {
            const unsigned char byte = static_cast<unsigned char>(text[i]);
            c = byte >= 0x80 && byte <= 0x9F ? kCp1252[byte - 0x80] : byte;
            if (c == 0) c = 0xFFFD;
            len = 1;
        }
        i += len;
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            // As references, so that the line ends of the file do not change them.
            case '\t': out += "&#9;"; break;
            case '\n': out += "&#10;"; break;
            case '\r': out += "&#13;"; break;
            default:
                // Other controls and the two non-characters XML 1.0 refuses.
                if (c < 0x20 || c == 0xFFFE || c == 0xFFFF) c = 0xFFFD;
                AppendUtf8(out, c);
        }
    }
    return out;
}

std::string KmlCoordinate(const CVKData& r) {
    std::string s;
    AppendKmlCoordinate(s, r);
    return s;
}

std::string DocumentTitle(const CVKDoc& doc) {
    if (doc.PathName.empty()) return DOC_UNTITLED;
    return std::filesystem::path(doc.PathName).filename().string();
}

bool ExportKml(const CVKDoc& doc, const std::string& path, const ExportSelection& selection, UserPort& port) {
    return exporting::WriteExportFile(path, port, [&](exporting::ExportFile& file) {
        std::string& out = file.Text();
        out += kHead;
        out += kEol;
        out += kMarker;
        out += XmlText(selection.KmlTitle);
        out += kMarkerEnd;
        out += kEol;
        // The centre of the extents, halved in whole units as they are kept. The sum
        // wraps as the stored integers do: a damaged file's extents must not overflow.
        const auto half = [](int64_t a, int64_t b) {
            return static_cast<int64_t>(static_cast<uint64_t>(a) + static_cast<uint64_t>(b)) / 2;
        };
        const double lon = half(doc.XMin, doc.XMax) / 1e7;
        const double lat = half(doc.YMin, doc.YMax) / 1e7;
        out += kLookAt;
        AppendFixed(out, lon, 8);
        out += "</longitude><latitude>";
        AppendFixed(out, lat, 8);
        out += "</latitude><altitude>0</altitude><altitudeMode>relativeToGround</altitudeMode></LookAt>"
               "<Point><coordinates>";
        AppendFixed(out, lon, 8);
        out += ',';
        AppendFixed(out, lat, 8);
        out += ",0</coordinates></Point></Placemark>";
        out += kEol;
        out += kLineStart;
        out += XmlText(DocumentTitle(doc));
        out += kLineCoordinates;
        out += kEol;
        for (size_t i = 0; i < doc.Records.size(); ++i) {
            const CVKData& r = doc.Records[i];
            if (!r.Has(REC_POSITION)) continue;
            AppendKmlCoordinate(out, r);
            out += kEol;
            if (!file.Spill(i, doc.Records.size())) return false;
        }
        out += kTail;
        out += kEol;
        return true;
    });
}

}  // namespace aq
