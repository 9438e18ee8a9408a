// Timeline agreement, envelope correlation and the median used for the corpus figure.
// Subtle: a constant series has no correlation; two silent renderings count as agreeing.
#include "measures.h"

#include <algorithm>
#include <cmath>

double timeline_agreement(const std::vector<int32_t>& a, const std::vector<int32_t>& b) {
  size_t n = std::min(a.size(), b.size());
  if (n == 0) return 0;
  size_t same = 0;
  for (size_t i = 0; i < n; ++i) same += a[i] == b[i];
  return static_cast<double>(same) / n;
}

double correlation(const std::vector<double>& a, const std::vector<double>& b) {
  size_t n = std::min(a.size(), b.size());
  if (n < 2) return 0;
  double ma = 0, mb = 0;
  for (size_t i = 0; i < n; ++i) {
    ma += a[i];
    mb += b[i];
  }
  ma /= n;
  mb /= n;
  double sab = 0, saa = 0, sbb = 0;
  for (size_t i = 0; i < n; ++i) {
    sab += (a[i] - ma) * (b[i] - mb);
    saa += (a[i] - ma) * (a[i] - ma);
    sbb += (b[i] - mb) * (b[i] - mb);
  }
  if (saa == 0 && sbb == 0) return 1;
  if (saa == 0 || sbb == 0) return 0;
  return sab / std::sqrt(saa * sbb);
}

double median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  size_t mid = values.size() / 2;
  return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}
