// The oscilloscope's arithmetic, free of Qt: fitting n samples to w columns and the
// trace's y coordinate.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace scope {

// w columns from n samples:
//   n > w:  k = n / w; column c = sum over samples c*k .. c*k+k-1 of (sample / k rounded to the
//           nearest integer, halves away from zero); samples beyond w*k are not used.
//   n <= w: k = w / n; sample i fills columns i*k .. i*k+k-1 unchanged; columns beyond n*k are 0.
// n == 0 or w <= 0: w zeros (or none).
std::vector<int> FitColumns(const int16_t* samples, std::size_t n, int w);

// y of a column value on a trace of height h: h/2 + value*h/2/32767, integer arithmetic in that
// order (C++ division, truncating toward zero).
int TraceY(int value, int h);

} // namespace scope
