// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace aq::surface {

// Points of the plane sorted into buckets, for the searches by distance of the line
// spacing, inverse distance weighting (square buckets) and the tiles of the
// triangulation (buckets of a tile's size). Holds a
// point's index (4 bytes) and one count a bucket; the points themselves stay where they
// are. Points outside the buckets' area are left out.
class Buckets {
public:
    // Buckets of `size` metres from (x0, y0), nx by ny of them.
    Buckets(std::span<const double> x, std::span<const double> y, double x0, double y0, double size, int nx, int ny)
        : Buckets(x, y, x0, y0, size, size, nx, ny) {}
    // Buckets `sizeX` metres wide and `sizeY` high.
    Buckets(std::span<const double> x, std::span<const double> y, double x0, double y0, double sizeX, double sizeY,
            int nx, int ny)
        : x0_(x0), y0_(y0), size_(sizeX), sizeY_(sizeY), inv_(1.0 / sizeX), invY_(1.0 / sizeY), nx_(nx), ny_(ny) {
        const size_t buckets = static_cast<size_t>(nx) * static_cast<size_t>(ny);
        start_.assign(buckets + 1, 0);
        const size_t n = x.size();
        for (size_t i = 0; i < n; ++i) {
            const int64_t b = BucketOf(x[i], y[i]);
            if (b >= 0) ++start_[static_cast<size_t>(b) + 1];
        }
        for (size_t b = 0; b < buckets; ++b) start_[b + 1] += start_[b];
        items_.resize(start_[buckets]);
        std::vector<uint32_t> fill(start_.begin(), start_.end() - 1);
        for (size_t i = 0; i < n; ++i) {
            const int64_t b = BucketOf(x[i], y[i]);
            if (b >= 0) items_[fill[static_cast<size_t>(b)]++] = static_cast<uint32_t>(i);
        }
    }

    int Nx() const { return nx_; }
    int Ny() const { return ny_; }
    double Size() const { return size_; }  // wide
    double SizeY() const { return sizeY_; }
    double X0() const { return x0_; }
    double Y0() const { return y0_; }
    // The column and row of a bucket a coordinate falls in, unclamped.
    int64_t Column(double x) const { return static_cast<int64_t>(std::floor((x - x0_) * inv_)); }
    int64_t Row(double y) const { return static_cast<int64_t>(std::floor((y - y0_) * invY_)); }
    // The points of a bucket; none outside the buckets' area.
    std::span<const uint32_t> In(int64_t col, int64_t row) const {
        if (col < 0 || row < 0 || col >= nx_ || row >= ny_) return {};
        const size_t b = static_cast<size_t>(row) * static_cast<size_t>(nx_) + static_cast<size_t>(col);
        return std::span<const uint32_t>(items_).subspan(start_[b], start_[b + 1] - start_[b]);
    }
    size_t Points() const { return items_.size(); }

private:
    int64_t BucketOf(double x, double y) const {
        const double fx = std::floor((x - x0_) * inv_);
        const double fy = std::floor((y - y0_) * invY_);
        if (!(fx >= 0 && fy >= 0 && fx < nx_ && fy < ny_)) return -1;
        return static_cast<int64_t>(fy) * nx_ + static_cast<int64_t>(fx);
    }

    double x0_, y0_, size_, sizeY_, inv_, invY_;
    int nx_, ny_;
    std::vector<uint32_t> start_;
    std::vector<uint32_t> items_;
};

}  // namespace aq::surface
