// Deterministic maths: the same results on every platform and C library, so the show's pixels
// and samples never depend on the host's libm. All effect and music code calls these.
#pragma once
#include <cmath>

double det_sin(double x);
double det_cos(double x);
double det_atan2(double y, double x);
double det_exp2(double x);   // 2^x

// The same values as det_sin and det_atan2, bit for bit, for n arguments at a time: two at once in
// SSE2 registers where the build has them, one by one for the rare argument that needs a special path.
void det_sin_n(const double* x, double* out, int n);
void det_atan2_n(const double* y, const double* x, double* out, int n);
// IEEE square roots are correctly rounded everywhere; inline so that loops keep them in line.
inline double det_sqrt(double x) { return std::sqrt(x); }
inline float det_sqrtf(float x) { return std::sqrt(x); }
