#include "create/AsciiCodes.h"

#include <cstring>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define CORVANE_AVX2 1
#endif

namespace corvane::create {

namespace {

#ifdef CORVANE_AVX2
// 32 bytes at a time: the low four bits of each byte pick its code in each
// of the 8 rows of 16 codes, then bits 4, 5 and 6 pick among the rows, two
// at a time. Returns how many bytes were done (a multiple of 32), or n + 1
// when one is not ASCII.
__attribute__((target("avx2"))) std::size_t EncodeWide(const std::uint8_t* codes,
                                                       const unsigned char* p, std::size_t n,
                                                       std::uint8_t* to) {
    __m256i rows[8];
    for (int h = 0; h < 8; ++h) {
        rows[h] = _mm256_broadcastsi128_si256(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(codes + 16 * h)));
    }
    const __m256i r0 = rows[0], r1 = rows[1], r2 = rows[2], r3 = rows[3];
    const __m256i r4 = rows[4], r5 = rows[5], r6 = rows[6], r7 = rows[7];
    const __m256i low = _mm256_set1_epi8(0x0F);
    std::size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
        if (_mm256_movemask_epi8(v) != 0) return n + 1;
        const __m256i column = _mm256_and_si256(v, low);
        // Each bit moved up to the top of its byte, where a blend looks.
        const __m256i bit4 = _mm256_slli_epi16(v, 3);
        const __m256i bit5 = _mm256_slli_epi16(v, 2);
        const __m256i bit6 = _mm256_slli_epi16(v, 1);
        const __m256i a01 = _mm256_blendv_epi8(_mm256_shuffle_epi8(r0, column),
                                               _mm256_shuffle_epi8(r1, column), bit4);
        const __m256i a23 = _mm256_blendv_epi8(_mm256_shuffle_epi8(r2, column),
                                               _mm256_shuffle_epi8(r3, column), bit4);
        const __m256i a45 = _mm256_blendv_epi8(_mm256_shuffle_epi8(r4, column),
                                               _mm256_shuffle_epi8(r5, column), bit4);
        const __m256i a67 = _mm256_blendv_epi8(_mm256_shuffle_epi8(r6, column),
                                               _mm256_shuffle_epi8(r7, column), bit4);
        const __m256i coded = _mm256_blendv_epi8(_mm256_blendv_epi8(a01, a23, bit5),
                                                 _mm256_blendv_epi8(a45, a67, bit5), bit6);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(to + i), coded);
    }
    return i;
}

bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

}  // namespace

AsciiCodes::AsciiCodes(const std::array<std::uint8_t, 128>& codes)
    : codes_(codes), pairs_(128 * 128) {
    for (std::size_t second = 0; second < 128; ++second) {
        for (std::size_t first = 0; first < 128; ++first) {
            pairs_[first | second << 7] =
                static_cast<std::uint16_t>(codes_[first] | codes_[second] << 8);
        }
    }
}

bool AsciiCodes::Encode(const unsigned char* p, std::size_t n, std::uint8_t* to) const {
#ifdef CORVANE_AVX2
    if (n >= 32 && HasAvx2()) {
        const std::size_t done = EncodeWide(codes_.data(), p, n, to);
        if (done > n) return false;
        if (done == n) return true;
        // The rest as the last 32 bytes again: a byte's code depends on
        // that byte alone, so the ones done twice come out the same.
        return EncodeWide(codes_.data(), p + n - 32, 32, to + n - 32) == 32;
    }
#endif
    return EncodePairs(p, n, to);
}

bool AsciiCodes::EncodePairs(const unsigned char* p, std::size_t n, std::uint8_t* to) const {
    const std::uint16_t* pairs = pairs_.data();
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, p + i, 8);
        if (word & 0x8080808080808080ull) return false;
        // Made in a register and stored once; the same shifts take the bytes
        // out and put them back, so their order holds on any machine.
        std::uint64_t coded = 0;
        for (unsigned k = 0; k < 64; k += 16) {
            const std::size_t pair = (word >> k & 0x7F) | (word >> (k + 8) & 0x7F) << 7;
            coded |= std::uint64_t{pairs[pair]} << k;
        }
        std::memcpy(to + i, &coded, 8);
    }
    unsigned char high = 0;
    for (; i < n; ++i) {
        high |= p[i];
        to[i] = codes_[p[i] & 0x7F];
    }
    return high < 0x80;
}

}  // namespace corvane::create
