// Horn's slope of four cells at a time, for processors with AVX2 and FMA;
// slope_raster.cpp calls it only where the processor has them.
//
// This file is built with -mavx2 -mfma: it includes only its declaration,
// the intrinsics, SLEEF and the C library's math functions, nothing with
// inline functions another file could share (the linker might keep this
// file's AVX2 copy for everyone). It gives the very floats of slopeHorn: the
// window's sums in slopeHorn's order, none fused (-ffp-contract=off); then p
// and q multiplied by the inverse of the run where slopeHorn divides by it,
// and SLEEF's fast atan, within 3.5 units of the last place of a double.
// Together they stay within 2^-48 of slopeHorn's value before it is rounded
// to a float; a cell that close to the middle between two floats might round
// to the other one, so those few (about one in a million) are done again
// exactly as slopeHorn does them.
#include "gis/slope/slope_row_avx2.hpp"

#include <immintrin.h>
#include <sleef.h>

#include <math.h>

namespace kestrune {
namespace {

constexpr float kNoData = -3.40282346638528859811704183484516925440e+38f;  // kGridNoData, -FLT_MAX

// Four cells as doubles, NoData taking the centre's value.
__m256d valuesOf(const float* cells, __m128 centre) {
    const __m128 v = _mm_loadu_ps(cells);
    const __m128 missing = _mm_or_ps(_mm_cmp_ps(v, _mm_set1_ps(kNoData), _CMP_EQ_OQ), _mm_cmp_ps(v, v, _CMP_UNORD_Q));
    return _mm256_cvtps_pd(_mm_blendv_ps(v, centre, missing));
}

// Lanes of `degrees` so near the middle between two floats that an error of
// 2^-44 of their value (16 times what is made here) could round them to either.
int nearFloatMiddle(__m256d degrees) {
    const __m128 below = _mm256_cvtpd_ps(_mm256_mul_pd(degrees, _mm256_set1_pd(1 - 0x1p-44)));
    const __m128 above = _mm256_cvtpd_ps(_mm256_mul_pd(degrees, _mm256_set1_pd(1 + 0x1p-44)));
    return _mm_movemask_ps(_mm_cmp_ps(below, above, _CMP_NEQ_OQ));
}

}  // namespace

std::int64_t slopeColumnsAvx2(const float* above, const float* row, const float* below, std::int64_t first,
                              std::int64_t end, double eastWest, double northSouth, double zFactor, float* out) {
    const __m256d two = _mm256_set1_pd(2), toDegrees = _mm256_set1_pd(180.0 / 3.14159265358979323846);
    const __m256d perEastWestRun = _mm256_set1_pd(1 / (8 * eastWest));
    const __m256d perNorthSouthRun = _mm256_set1_pd(1 / (8 * northSouth));
    const __m256d z = _mm256_set1_pd(zFactor);
    std::int64_t column = first;
    for (; column + 4 <= end; column += 4) {
        const __m128 centre = _mm_loadu_ps(row + column);
        const __m128 centreMissing =
            _mm_or_ps(_mm_cmp_ps(centre, _mm_set1_ps(kNoData), _CMP_EQ_OQ), _mm_cmp_ps(centre, centre, _CMP_UNORD_Q));
        const __m256d a = valuesOf(above + column - 1, centre), b = valuesOf(above + column, centre),
                      c = valuesOf(above + column + 1, centre);
        const __m256d d = valuesOf(row + column - 1, centre), f = valuesOf(row + column + 1, centre);
        const __m256d g = valuesOf(below + column - 1, centre), h = valuesOf(below + column, centre),
                      i = valuesOf(below + column + 1, centre);
        // p = ((c + 2f + i) - (a + 2d + g)) / (8 eastWest), q = ((g + 2h + i) - (a + 2b + c)) / (8 northSouth)
        const __m256d eastRise = _mm256_sub_pd(_mm256_add_pd(_mm256_add_pd(c, _mm256_mul_pd(two, f)), i),
                                               _mm256_add_pd(_mm256_add_pd(a, _mm256_mul_pd(two, d)), g));
        const __m256d southRise = _mm256_sub_pd(_mm256_add_pd(_mm256_add_pd(g, _mm256_mul_pd(two, h)), i),
                                                _mm256_add_pd(_mm256_add_pd(a, _mm256_mul_pd(two, b)), c));
        const __m256d p = _mm256_mul_pd(eastRise, perEastWestRun);
        const __m256d q = _mm256_mul_pd(southRise, perNorthSouthRun);
        const __m256d rise = _mm256_sqrt_pd(_mm256_add_pd(_mm256_mul_pd(p, p), _mm256_mul_pd(q, q)));
        __m256d degrees = _mm256_mul_pd(Sleef_atand4_u35avx2(_mm256_mul_pd(z, rise)), toDegrees);
        if (const int near = nearFloatMiddle(degrees)) {
            alignas(32) double lanes[4], east[4], south[4];
            _mm256_store_pd(lanes, degrees);
            _mm256_store_pd(east, eastRise);
            _mm256_store_pd(south, southRise);
            for (int lane = 0; lane < 4; ++lane) {
                if (!(near & (1 << lane))) continue;
                const double exactP = east[lane] / (8 * eastWest), exactQ = south[lane] / (8 * northSouth);
                lanes[lane] =
                    atan(zFactor * sqrt(exactP * exactP + exactQ * exactQ)) * (180.0 / 3.14159265358979323846);
            }
            degrees = _mm256_load_pd(lanes);
        }
        const __m128 slope = _mm_blendv_ps(_mm256_cvtpd_ps(degrees), _mm_set1_ps(kNoData), centreMissing);
        _mm_storeu_ps(out + column, slope);
    }
    return column;
}

}  // namespace kestrune
