// SPDX-License-Identifier: GPL-3.0-or-later
#include "demo_gen.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <string>

#include "model/civiltime.h"

namespace aq::demo {

namespace {

constexpr double kPi = 3.14159265358979323846;

// The basin, in metres from its south-west corner.
constexpr double kBasinEast = 600.0;
constexpr double kBasinNorth = 300.0;
// Where that corner lies on the grid and on the globe.
constexpr double kGridEast = 471500.0;
constexpr double kGridNorth = 5932200.0;
constexpr double kLatitude = 53.54;
constexpr double kLongitude = 8.57;
constexpr double kMetresPerDegreeLat = 111250.0;

constexpr double kLineSpeed = 2.5;       // m/s on a survey line
constexpr double kTurnSpeed = 1.5;       // m/s in a turn
constexpr double kAntennaHeight = 1.80;  // above the waterline
constexpr double kDraft = 0.40;          // transducer below the waterline

// xoshiro256** seeded by splitmix64: fast, and the same everywhere.
class Rng {
public:
    explicit Rng(uint64_t seed) {
        for (uint64_t& s : s_) {
            seed += 0x9E3779B97F4A7C15ull;
            uint64_t z = seed;
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            s = z ^ (z >> 31);
        }
    }
    uint64_t Next() {
        const uint64_t result = std::rotl(s_[1] * 5, 7) * 9;
        const uint64_t t = s_[1] << 17;
        s_[2] ^= s_[0];
        s_[3] ^= s_[1];
        s_[1] ^= s_[2];
        s_[0] ^= s_[3];
        s_[2] ^= t;
        s_[3] = std::rotl(s_[3], 45);
        return result;
    }
    double Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
    double Uniform(double lo, double hi) { return lo + (hi - lo) * Uniform(); }
    int Int(int lo, int hi) { return lo + static_cast<int>(Uniform() * (hi - lo + 1)); }
    bool Chance(double p) { return Uniform() < p; }
    double Normal(double sigma) {
        const double u = std::max(Uniform(), 1e-300);
        return sigma * std::sqrt(-2.0 * std::log(u)) * std::cos(2.0 * kPi * Uniform());
    }

private:
    uint64_t s_[4];
};

double SmoothStep(double a, double b, double x) {
    const double t = std::clamp((x - a) / (b - a), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// Level of the seabed below chart datum (negative), metres: a dredged channel down the
// middle, a quay wall to the south, a bank rising to the north shore, a wreck mound and
// sand waves.
double Seabed(double e, double n) {
    double z = -9.0 + 0.4 * std::sin(e / kBasinEast * kPi);
    z -= 2.5 / (1.0 + std::exp((std::fabs(n - 150.0) - 40.0) / 6.0));
    z += 6.5 * SmoothStep(215.0, 300.0, n);
    z += 1.2 * (1.0 - SmoothStep(0.0, 18.0, n));
    z += 2.8 * std::exp(-((e - 420.0) * (e - 420.0) + (n - 90.0) * (n - 90.0)) / (2 * 18.0 * 18.0));
    z += 0.12 * std::sin(2 * kPi * (0.8 * e + 0.3 * n) / 35.0);
    return z;
}

// Water level at the gauge above chart datum, metres; hours from the first day's midnight.
double Tide(double hours) {
    return 2.05 + 1.65 * std::cos(2 * kPi * (hours - 5.2) / 12.42) + 0.35 * std::cos(2 * kPi * (hours - 7.0) / 12.0) +
           0.05 * std::sin(2 * kPi * hours / 6.21);
}

// ---- calendar ----

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
int DaysInMonth(int y, int m) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}
using civil::DaysFromCivil;

struct WallClock {
    int year, month, day, hour, minute, second;
    int Weekday() const { return static_cast<int>(((DaysFromCivil(year, month, day) % 7) + 11) % 7); }  // 0 = Sunday
    void NextDay() {
        if (++day > DaysInMonth(year, month)) {
            day = 1;
            if (++month > 12) {
                month = 1;
                ++year;
            }
        }
    }
};

// ---- the boat ----

struct Vec {
    double e = 0, n = 0;
};
Vec operator+(Vec a, Vec b) { return {a.e + b.e, a.n + b.n}; }
Vec operator-(Vec a, Vec b) { return {a.e - b.e, a.n - b.n}; }
Vec operator*(double k, Vec a) { return {k * a.e, k * a.n}; }
double Length(Vec a) { return std::hypot(a.e, a.n); }
Vec Unit(Vec a) {
    const double l = Length(a);
    return l > 0 ? (1.0 / l) * a : Vec{1, 0};
}

// The boat's way through the basin: survey lines run out and back across it, joined by
// turns, a pass along it then a pass across it, the lines shifted by half their spacing
// every other time round.
class Track {
public:
    // The first pass starts on the line over the wreck, so that even a short survey
    // crosses it and the channel edge.
    Track() : k_(7) { Begin(0.0); }

    // Position at logging time t (seconds, never decreasing). `line` is the number of the
    // survey line being run (from 1), 0 between lines.
    Vec At(double t, int& line, bool& turning) {
        while (t >= seg_.t1) Advance();
        const double f = std::clamp((t - seg_.t0) / (seg_.t1 - seg_.t0), 0.0, 1.0);
        line = seg_.kind == Kind::Line ? lineNumber_ : 0;
        turning = seg_.kind == Kind::Turn;
        switch (seg_.kind) {
            case Kind::Line: {
                const Vec d = Unit(seg_.b - seg_.a);
                const Vec side{-d.n, d.e};
                const double wander = 1.2 * std::sin(2 * kPi * t / 47.0) + 0.4 * std::sin(2 * kPi * t / 13.0);
                return seg_.a + f * (seg_.b - seg_.a) + wander * side;
            }
            case Kind::Turn: {
                const double theta = kPi * f;
                return seg_.centre + seg_.r * (std::sin(theta) * seg_.along - std::cos(theta) * seg_.across);
            }
            case Kind::Transit: return seg_.a + f * (seg_.b - seg_.a);
        }
        return seg_.a;
    }

private:
    enum class Kind { Line, Turn, Transit };
    struct Segment {
        Kind kind = Kind::Line;
        double t0 = 0, t1 = 0;
        Vec a, b;
        Vec centre, along, across;
        double r = 0;
    };

    static int LineCount(int pass) {
        const bool shifted = (pass / 2) % 2 == 1;
        return pass % 2 == 0 ? (shifted ? 26 : 27) : (shifted ? 27 : 28);
    }
    static void LineEnds(int pass, int k, Vec& a, Vec& b) {
        const bool shifted = (pass / 2) % 2 == 1;
        if (pass % 2 == 0) {
            const double n = 20.0 + 10.0 * k + (shifted ? 5.0 : 0.0);
            a = {20.0, n};
            b = {kBasinEast - 20.0, n};
        } else {
            const double e = 20.0 + 20.0 * k + (shifted ? 10.0 : 0.0);
            a = {e, 20.0};
            b = {e, kBasinNorth - 20.0};
        }
        if (k % 2 == 1) std::swap(a, b);
    }

    void Begin(double t0) {
        Vec a, b;
        LineEnds(pass_, k_, a, b);
        seg_ = Segment{};
        seg_.kind = Kind::Line;
        seg_.a = a;
        seg_.b = b;
        seg_.t0 = t0;
        seg_.t1 = t0 + Length(b - a) / kLineSpeed;
        ++lineNumber_;
    }

    void Advance() {
        const double t0 = seg_.t1;
        if (seg_.kind != Kind::Line) {
            Begin(t0);
            return;
        }
        const Vec end = seg_.b;
        const Vec along = Unit(seg_.b - seg_.a);
        int pass = pass_, k = k_ + 1;
        const bool sameRun = k < LineCount(pass);
        if (!sameRun) {
            ++pass;
            k = 0;
        }
        Vec a, b;
        LineEnds(pass, k, a, b);
        pass_ = pass;
        k_ = k;
        Segment s;
        s.t0 = t0;
        s.a = end;
        s.b = a;
        if (sameRun) {
            s.kind = Kind::Turn;
            s.centre = 0.5 * (end + a);
            s.r = 0.5 * Length(a - end);
            s.along = along;
            s.across = Unit(a - end);
            s.t1 = t0 + std::max(1.0, kPi * s.r / kTurnSpeed);
        } else {
            s.kind = Kind::Transit;
            s.t1 = t0 + std::max(1.0, Length(a - end) / kLineSpeed);
        }
        seg_ = s;
    }

    Segment seg_;
    int pass_ = 0;
    int k_;
    int lineNumber_ = 0;
};

// ---- one second of logging ----

struct Ping {
    double depth = 0;                       // metres below the transducer; 0 when the bottom was lost
    double pitch = 0, roll = 0, heave = 0;  // degrees, degrees, metres
    int quality = 0;
};

struct Epoch {
    WallClock clock{};
    bool fix = false;
    int fixQuality = 0;  // 4 RTK fixed, 5 RTK float
    double e = 0, n = 0, height = 0;
    int eventLine = 0;  // a survey line starts in this second
    Ping pings[10];
};

class Survey {
public:
    explicit Survey(const Options& o) : o_(o), rng_(o.seed) {
        clock_ = {o.year, o.month, o.day, o.startHour, 0, 0};
        dayHours_ = std::clamp(o.dayHours, 1, 24 - std::clamp(o.startHour, 0, 23));
        startDays_ = DaysFromCivil(o.year, o.month, o.day);
    }

    bool Next(Epoch& ep) {
        if (second_ >= o_.seconds) return false;
        const double t = static_cast<double>(second_);
        ep = Epoch{};
        ep.clock = clock_;
        const double tide = Tide(HoursOf(clock_));

        int line = 0;
        // Pings at tenths of the second; the receiver's fix at the whole second.
        for (int i = 0; i < 10; ++i) {
            const double tp = t + i / 10.0;
            int l = 0;
            bool turn = false;
            const Vec p = track_.At(tp, l, turn);
            if (i == 0) {
                line = l;
                ep.e = p.e;
                ep.n = p.n;
            }
            ep.pings[i] = MakePing(tp, p, tide, turn);
        }
        if (line != 0 && line != lastLine_) ep.eventLine = line;
        lastLine_ = line;
        MakeFix(ep, t, tide);

        ++second_;
        Tick();
        return true;
    }

    int DayHours() const { return dayHours_; }

    // The wall-clock time of a logged second, in hours from the first day's midnight.
    double HoursOf(const WallClock& c) const {
        return static_cast<double>(DaysFromCivil(c.year, c.month, c.day) - startDays_) * 24.0 + c.hour +
               c.minute / 60.0 + c.second / 3600.0;
    }

private:
    static double Heave(double t) {
        return 0.12 * std::sin(2 * kPi * t / 5.3 + 0.3) + 0.06 * std::sin(2 * kPi * t / 3.1 + 1.7);
    }

    Ping MakePing(double t, Vec p, double tide, bool turning) {
        Ping ping;
        ping.heave = Heave(t) + rng_.Normal(0.01);
        ping.pitch = 1.1 * std::sin(2 * kPi * t / 4.6) + 0.4 * std::sin(2 * kPi * t / 2.3 + 0.5) + rng_.Normal(0.1);
        ping.roll = 2.2 * std::sin(2 * kPi * t / 6.8 + 1.1) + 0.6 * std::sin(2 * kPi * t / 3.7) + rng_.Normal(0.15) +
                    (turning ? 4.5 : 0.0);
        const double transducer = tide + ping.heave - kDraft;
        double depth = transducer - Seabed(p.e, p.n) + rng_.Normal(0.02);
        int quality = rng_.Int(82, 100);
        if (dropout_ == 0 && rng_.Chance(0.0004)) dropout_ = rng_.Int(5, 30);
        if (dropout_ > 0) {
            --dropout_;
            depth = 0.0;
            quality = 0;
        } else if (rng_.Chance(0.002)) {
            // Fish or weed under the boat, or the second echo of a hard bottom.
            depth = rng_.Chance(0.6) ? depth * rng_.Uniform(0.25, 0.7) : depth + rng_.Uniform(3.0, 9.0);
            quality = rng_.Int(10, 45);
        }
        ping.depth = depth;
        ping.quality = quality;
        return ping;
    }

    void MakeFix(Epoch& ep, double t, double tide) {
        if (outage_ == 0 && rng_.Chance(0.0015)) outage_ = rng_.Int(3, 12);
        if (outage_ > 0) {
            --outage_;
            ep.fix = false;
            return;
        }
        if (floating_ == 0 && rng_.Chance(0.002)) floating_ = rng_.Int(10, 40);
        const bool fixed = floating_ == 0;
        if (floating_ > 0) --floating_;
        const double sigma = fixed ? 0.02 : 0.3;
        ep.fix = true;
        ep.fixQuality = fixed ? 4 : 5;
        ep.e += rng_.Normal(sigma);
        ep.n += rng_.Normal(sigma);
        ep.height = tide + Heave(t) + kAntennaHeight + rng_.Normal(fixed ? 0.015 : 0.25);
    }

    // The next logged second: at the end of the day's logging, the next day's start.
    void Tick() {
        WallClock& c = clock_;
        if (++c.second == 60) {
            c.second = 0;
            if (++c.minute == 60) {
                c.minute = 0;
                ++c.hour;
            }
        }
        if (c.hour >= o_.startHour + dayHours_) {
            c.NextDay();
            c.hour = o_.startHour;
            c.minute = c.second = 0;
        }
    }

    Options o_;
    Rng rng_;
    Track track_;
    WallClock clock_{};
    int dayHours_ = 8;
    int64_t startDays_ = 0;
    uint64_t second_ = 0;
    int lastLine_ = 0;
    int dropout_ = 0, outage_ = 0, floating_ = 0;
};

// Geographic position of a point of the basin.
void ToGeographic(double e, double n, double& lat, double& lon) {
    lat = kLatitude + n / kMetresPerDegreeLat;
    lon = kLongitude + e / (kMetresPerDegreeLat * std::cos(kLatitude * kPi / 180.0));
}

// Collects output and hands it on in large pieces.
class Writer {
public:
    explicit Writer(const Sink& sink) : sink_(sink) { buf_.reserve(kChunk + 4096); }
    void Put(std::string_view s) {
        buf_.append(s);
        if (buf_.size() >= kChunk) Flush();
    }
    bool Flush() {
        if (ok_ && !buf_.empty()) ok_ = sink_(buf_);
        buf_.clear();
        return ok_;
    }
    bool Ok() const { return ok_; }

private:
    static constexpr size_t kChunk = 1 << 16;
    const Sink& sink_;
    std::string buf_;
    bool ok_ = true;
};

// ---- Brivel blocks ----

void Put16(char* p, uint16_t v) {
    p[0] = static_cast<char>(v & 0xFF);
    p[1] = static_cast<char>(v >> 8);
}
void Put32(char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
void Put64(char* p, uint64_t v) {
    for (int i = 0; i < 8; ++i) p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

void Block(Writer& w, const WallClock& c, int ms, double a, double b, double cv, int16_t s, uint8_t type,
           uint8_t quality) {
    char blk[40] = {};
    Put16(blk + 0, static_cast<uint16_t>(c.year));
    Put16(blk + 2, static_cast<uint16_t>(c.month));
    Put16(blk + 4, static_cast<uint16_t>(c.Weekday()));
    Put16(blk + 6, static_cast<uint16_t>(c.day));
    Put16(blk + 8, static_cast<uint16_t>(c.hour));
    Put16(blk + 10, static_cast<uint16_t>(c.minute));
    Put16(blk + 12, static_cast<uint16_t>(c.second));
    Put16(blk + 14, static_cast<uint16_t>(ms));
    Put64(blk + 16, std::bit_cast<uint64_t>(a));
    Put64(blk + 24, std::bit_cast<uint64_t>(b));
    Put32(blk + 32, std::bit_cast<uint32_t>(static_cast<float>(cv)));
    Put16(blk + 36, static_cast<uint16_t>(s));
    blk[38] = static_cast<char>(type);
    blk[39] = static_cast<char>(quality);
    w.Put(std::string_view(blk, 40));
}

// ---- NMEA sentences ----

void Sentence(Writer& w, const char* body) {
    unsigned sum = 0;
    for (const char* p = body; *p; ++p) sum ^= static_cast<unsigned char>(*p);
    char line[160];
    const int n = std::snprintf(line, sizeof line, "$%s*%02X\r\n", body, sum);
    if (n > 0) w.Put(std::string_view(line, static_cast<size_t>(std::min<int>(n, sizeof line - 1))));
}

// ddmm.mmmmm (or dddmm.mmmmm) and the hemisphere letter.
std::string Angle(double degrees, int degreeDigits, char positive, char negative) {
    const char letter = degrees < 0 ? negative : positive;
    degrees = std::fabs(degrees);
    int whole = static_cast<int>(degrees);
    double minutes = (degrees - whole) * 60.0;
    if (minutes >= 59.999995) {
        minutes = 0;
        ++whole;
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*d%08.5f,%c", degreeDigits, whole, minutes, letter);
    return buf;
}

void Dpt(Writer& w, const Ping& p) {
    char body[64];
    std::snprintf(body, sizeof body, "SDDPT,%.2f,0.0", std::max(0.0, p.depth));
    Sentence(w, body);
}

}  // namespace

uint64_t SecondsForBlocks(uint64_t n) { return std::max<uint64_t>(1, n / 11); }
uint64_t SecondsForNmeaLines(uint64_t n) { return std::max<uint64_t>(1, n / 4); }

bool WriteBrivel(const Options& options, const Sink& sink) {
    Writer w(sink);
    Survey survey(options);
    Epoch ep;
    while (survey.Next(ep) && w.Ok()) {
        if (ep.fix) {
            if (options.geographic) {
                double lat, lon;
                ToGeographic(ep.e, ep.n, lat, lon);
                Block(w, ep.clock, 0, lon, lat, ep.height, 0, 0x21, static_cast<uint8_t>(ep.fixQuality));
            } else {
                Block(w, ep.clock, 0, kGridEast + ep.e, kGridNorth + ep.n, ep.height, 0, 0x20,
                      static_cast<uint8_t>(ep.fixQuality));
            }
        }
        if (ep.eventLine != 0) Block(w, ep.clock, 0, 0, 0, 0, static_cast<int16_t>(ep.eventLine), 0x80, 0);
        for (int i = 0; i < 10; ++i) {
            const Ping& p = ep.pings[i];
            Block(w, ep.clock, i * 100, p.pitch, p.roll, p.heave, static_cast<int16_t>(std::lround(p.depth * 100.0)),
                  0x10, static_cast<uint8_t>(p.quality));
        }
    }
    return w.Flush();
}

bool WriteNmea(const Options& options, const Sink& sink) {
    Writer w(sink);
    Survey survey(options);
    Epoch ep;
    char body[160];
    while (survey.Next(ep) && w.Ok()) {
        const WallClock& c = ep.clock;
        // The sounder's depth at the second, the receiver's fix and date, the depth half
        // a second on: the order an echo sounder with a GPS input logs them in.
        Dpt(w, ep.pings[0]);
        if (ep.fix) {
            double lat, lon;
            ToGeographic(ep.e, ep.n, lat, lon);
            std::snprintf(body, sizeof body, "GPGGA,%02d%02d%02d.00,%s,%s,%d,12,0.8,%.3f,M,41.3,M,1.0,0000", c.hour,
                          c.minute, c.second, Angle(lat, 2, 'N', 'S').c_str(), Angle(lon, 3, 'E', 'W').c_str(),
                          ep.fixQuality, ep.height);
        } else {
            std::snprintf(body, sizeof body, "GPGGA,%02d%02d%02d.00,,,,,0,00,99.9,,M,,M,,", c.hour, c.minute, c.second);
        }
        Sentence(w, body);
        std::snprintf(body, sizeof body, "GPZDA,%02d%02d%02d.00,%02d,%02d,%04d,00,00", c.hour, c.minute, c.second,
                      c.day, c.month, c.year);
        Sentence(w, body);
        Dpt(w, ep.pings[5]);
    }
    return w.Flush();
}

bool WriteTide(const Options& options, const Sink& sink) {
    Writer w(sink);
    // The wall-clock time of the last logged second.
    const Survey survey(options);
    const uint64_t perDay = static_cast<uint64_t>(survey.DayHours()) * 3600;
    const uint64_t lastSecond = options.seconds > 0 ? options.seconds - 1 : 0;
    WallClock last{options.year, options.month, options.day, options.startHour, 0, 0};
    for (uint64_t d = lastSecond / perDay; d > 0; --d) last.NextDay();
    const uint64_t rest = lastSecond % perDay;
    last.hour += static_cast<int>(rest / 3600);
    last.minute = static_cast<int>(rest / 60 % 60);
    last.second = static_cast<int>(rest % 60);
    const double endHours = survey.HoursOf(last) + 1.0;

    WallClock c{options.year, options.month, options.day, std::max(0, options.startHour - 1), 0, 0};
    char line[96];
    for (;;) {
        const double hours = survey.HoursOf(c);
        if (hours > endHours + 1e-9) break;
        const int n = std::snprintf(line, sizeof line, "%d %d %d %d %d %d %.2f\r\n", c.year, c.month, c.day, c.hour,
                                    c.minute, c.second, Tide(hours));
        w.Put(std::string_view(line, static_cast<size_t>(n)));
        if (!w.Ok()) break;
        c.minute += 10;
        if (c.minute == 60) {
            c.minute = 0;
            if (++c.hour == 24) {
                c.hour = 0;
                c.NextDay();
            }
        }
    }
    return w.Flush();
}

}  // namespace aq::demo
