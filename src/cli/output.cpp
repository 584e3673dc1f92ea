// SPDX-License-Identifier: GPL-3.0-or-later
#include "output.h"

#include <charconv>
#include <cstring>

namespace aq::cli {

namespace {

constexpr size_t kBufferSize = 1 << 20;
// Longest single item: a shortest-form double needs at most 24 characters.
constexpr size_t kMaxItem = 32;

}  // namespace

Output::Output(std::FILE* file) : file_(file), buf_(kBufferSize) {}

Output::~Output() { Flush(); }

void Output::Reserve(size_t n) {
    if (buf_.size() - used_ < n) Flush();
    if (buf_.size() - used_ < n) buf_.resize(used_ + n);
}

void Output::Text(std::string_view s) {
    Reserve(s.size());
    std::memcpy(buf_.data() + used_, s.data(), s.size());
    used_ += s.size();
}

void Output::Char(char c) {
    Reserve(1);
    buf_[used_++] = c;
}

void Output::Int(int64_t v) {
    Reserve(kMaxItem);
    const auto r = std::to_chars(buf_.data() + used_, buf_.data() + buf_.size(), v);
    used_ = static_cast<size_t>(r.ptr - buf_.data());
}

void Output::Hex16(uint16_t v) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    Reserve(6);
    char* p = buf_.data() + used_;
    p[0] = '0';
    p[1] = 'x';
    p[2] = kDigits[(v >> 12) & 0xF];
    p[3] = kDigits[(v >> 8) & 0xF];
    p[4] = kDigits[(v >> 4) & 0xF];
    p[5] = kDigits[v & 0xF];
    used_ += 6;
}

void Output::Real(double v) {
    Reserve(kMaxItem);
    const auto r = std::to_chars(buf_.data() + used_, buf_.data() + buf_.size(), v);
    used_ = static_cast<size_t>(r.ptr - buf_.data());
}

bool Output::Flush() {
    if (used_ > 0 && !failed_) {
        if (std::fwrite(buf_.data(), 1, used_, file_) != used_) failed_ = true;
    }
    used_ = 0;
    if (!failed_ && (std::fflush(file_) != 0 || std::ferror(file_))) failed_ = true;
    return !failed_;
}

void WriteStatus(Output& out, const CVKDoc& doc) {
    out.Text(doc.StatusText);
    out.Char('\n');
}

namespace {

void Line(Output& out, std::string_view name, int64_t v) {
    out.Text(name);
    out.Char('=');
    out.Int(v);
    out.Char('\n');
}

}  // namespace

void WriteSummary(Output& out, const CVKDoc& doc) {
    out.Text("KindFlags=");
    out.Hex16(doc.KindFlags);
    out.Char('\n');
    Line(out, "TimeMin", doc.TimeMin);
    Line(out, "TimeMax", doc.TimeMax);
    Line(out, "LevelMin", doc.LevelMin);
    Line(out, "LevelMax", doc.LevelMax);
    Line(out, "XMin", doc.XMin);
    Line(out, "XMax", doc.XMax);
    Line(out, "YMin", doc.YMin);
    Line(out, "YMax", doc.YMax);
    Line(out, "FirstPosIndex", doc.FirstPosIndex);
    Line(out, "LastPosIndex", doc.LastPosIndex);
    Line(out, "PosTimeOffset", doc.PosTimeOffset);
    Line(out, "DepthTimeOffset", doc.DepthTimeOffset);
    Line(out, "TideTimeOffset", doc.TideTimeOffset);
    Line(out, "EastOffset", doc.EastOffset);
    Line(out, "NorthOffset", doc.NorthOffset);
    Line(out, "ElevOffset", doc.ElevOffset);
    Line(out, "DepthOffset", doc.DepthOffset);
    Line(out, "TideOffset", doc.TideOffset);
    out.Text("SoundVelocity=");
    out.Real(doc.SoundVelocity);
    out.Char('\n');
    Line(out, "InterpLimit", doc.InterpLimit);
    Line(out, "SounderImported", doc.SounderImported);
    Line(out, "QaMin", doc.QaMin);
    Line(out, "QaMax", doc.QaMax);
    Line(out, "CountDepth", doc.CountDepth);
    Line(out, "CountEvent", doc.CountEvent);
    Line(out, "CountTide", doc.CountTide);
    Line(out, "CountPos", doc.CountPos);
    Line(out, "CountDeleted", doc.CountDeleted);
}

namespace {

void Point(Output& out, CPoint p) {
    out.Char('\t');
    out.Int(p.x);
    out.Char(',');
    out.Int(p.y);
}

void Field(Output& out, int64_t v) {
    out.Char('\t');
    out.Int(v);
}

}  // namespace

void WriteRecords(Output& out, const CVKDoc& doc) {
    out.Text(
        "index\tTime\tHundredths\tFlags\tX\tY\tZ\tDepth\tTide\tPitch\tRoll\tHeave\tQuality\t"
        "ptHeight\tptTide\tptSeabed\tptDepthUp\tptPlan\n");
    int64_t index = 0;
    for (const CVKData& r : doc.Records) {
        out.Int(index++);
        Field(out, r.Time);
        Field(out, r.Hundredths);
        out.Char('\t');
        out.Hex16(r.Flags);
        Field(out, r.X);
        Field(out, r.Y);
        Field(out, r.Z);
        Field(out, r.Depth);
        Field(out, r.Tide);
        Field(out, r.Pitch);
        Field(out, r.Roll);
        Field(out, r.Heave);
        Field(out, r.Quality);
        Point(out, r.ptHeight);
        Point(out, r.ptTide);
        Point(out, r.ptSeabed);
        Point(out, r.ptDepthUp);
        Point(out, r.ptPlan);
        out.Char('\n');
    }
}

}  // namespace aq::cli
