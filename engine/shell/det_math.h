// Deterministic maths: the same results on every platform and C library, so the show's pixels
// and samples never depend on the host's libm. All effect and music code calls these.
#pragma once

double det_sin(double x);
double det_cos(double x);
double det_atan2(double y, double x);
double det_exp2(double x);   // 2^x
double det_sqrt(double x);   // IEEE square root (exact everywhere)
float det_sqrtf(float x);
