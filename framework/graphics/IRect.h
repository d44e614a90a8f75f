// A rectangle in window pixels: left and top inside, right and bottom outside.
#pragma once

#include <algorithm>

struct IRECT {
    int L = 0, T = 0, R = 0, B = 0;

    constexpr IRECT() = default;
    constexpr IRECT(int l, int t, int r, int b) : L(l), T(t), R(r), B(b) {}

    constexpr int W() const { return R - L; }
    constexpr int H() const { return B - T; }
    constexpr bool Empty() const { return L == 0 && T == 0 && R == 0 && B == 0; }
    constexpr bool Contains(int x, int y) const { return L <= x && x < R && T <= y && y < B; }
    constexpr bool Intersects(const IRECT& o) const { return L < o.R && o.L < R && T < o.B && o.T < B; }
    constexpr bool operator==(const IRECT&) const = default;

    // The smallest rectangle holding both; an all-zero rectangle counts as nothing.
    constexpr IRECT Union(const IRECT& o) const
    {
        if (Empty())
            return o;
        if (o.Empty())
            return *this;
        return {std::min(L, o.L), std::min(T, o.T), std::max(R, o.R), std::max(B, o.B)};
    }
    // The common part, or the all-zero rectangle when there is none.
    constexpr IRECT Intersect(const IRECT& o) const
    {
        if (!Intersects(o))
            return {};
        return {std::max(L, o.L), std::max(T, o.T), std::min(R, o.R), std::min(B, o.B)};
    }
};
