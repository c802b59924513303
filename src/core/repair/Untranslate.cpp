#include "repair/Untranslate.h"

#include "util/PlainCode.h"

// Not on Windows, where GCC does not align the stack for these registers.
#if defined(__x86_64__) && !defined(_WIN32) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define CORVANE_BYTE_PERMUTE 1
#endif

namespace corvane::repair {

namespace {

constexpr std::size_t kCard = 80;

CORVANE_PLAIN_CODE bool Plain(const std::uint8_t* from, std::size_t n, const std::int16_t* table,
                              std::uint8_t* to) {
    std::int16_t all = 0;  // below 0 once a byte has no code
    for (std::size_t i = 0; i < n; ++i) {
        const std::int16_t code = table[from[i]];
        all |= code;
        to[i] = static_cast<std::uint8_t>(code);
    }
    return all >= 0;
}

#ifdef CORVANE_BYTE_PERMUTE
// Processors that permute bytes across a 64-byte register look up 64 bytes
// in a 256-byte table with two permutes and a blend: several times the speed
// of one byte at a time, which was most of the time a large repair took.
bool CanPermute() {
    static const bool can = __builtin_cpu_supports("avx512vbmi") != 0;
    return can;
}

// The table narrowed to bytes, when every byte has a code there.
bool Narrow(const std::int16_t* table, std::uint8_t* narrow) {
    std::int16_t all = 0;
    for (std::size_t b = 0; b < 256; ++b) {
        all |= table[b];
        narrow[b] = static_cast<std::uint8_t>(table[b]);
    }
    return all >= 0;
}

#define CORVANE_PERMUTE_TARGET __attribute__((target("avx512f,avx512bw,avx512vbmi")))
// The table in four registers, and 64 bytes looked up in them.
#define CORVANE_LOAD_TABLE(narrow)                         \
    const __m512i t0 = _mm512_loadu_si512((narrow));       \
    const __m512i t1 = _mm512_loadu_si512((narrow) + 64);  \
    const __m512i t2 = _mm512_loadu_si512((narrow) + 128); \
    const __m512i t3 = _mm512_loadu_si512((narrow) + 192)
#define CORVANE_PUT64(from, to)                                                                \
    do {                                                                                       \
        const __m512i in = _mm512_loadu_si512((from));                                         \
        const __m512i low = _mm512_permutex2var_epi8(t0, in, t1);                              \
        const __m512i high = _mm512_permutex2var_epi8(t2, in, t3);                             \
        _mm512_storeu_si512((to), _mm512_mask_blend_epi8(_mm512_movepi8_mask(in), low, high)); \
    } while (false)

CORVANE_PERMUTE_TARGET void PermuteBytes(const std::uint8_t* from, std::size_t n,
                                         const std::uint8_t* narrow, std::uint8_t* to) {
    CORVANE_LOAD_TABLE(narrow);
    std::size_t i = 0;
    for (; i + 64 <= n; i += 64) CORVANE_PUT64(from + i, to + i);
    // The last 64 again, overlapping what is done: the same bytes result.
    if (i < n) CORVANE_PUT64(from + n - 64, to + n - 64);
}

CORVANE_PERMUTE_TARGET void PermuteCards(const std::uint8_t* from, std::size_t cards,
                                         std::size_t step, const std::uint8_t* narrow,
                                         std::uint8_t* to) {
    CORVANE_LOAD_TABLE(narrow);
    for (std::size_t k = 0; k < cards; ++k, from += step, to += kCard) {
        CORVANE_PUT64(from, to);
        CORVANE_PUT64(from + kCard - 64, to + kCard - 64);
    }
}
#endif

}  // namespace

bool UntranslateBytes(const std::uint8_t* from, std::size_t n, const std::int16_t* table,
                      std::uint8_t* to) {
#ifdef CORVANE_BYTE_PERMUTE
    std::uint8_t narrow[256];
    if (n >= 4096 && CanPermute() && Narrow(table, narrow)) {
        PermuteBytes(from, n, narrow, to);
        return true;
    }
#endif
    return Plain(from, n, table, to);
}

bool UntranslateCards(const std::uint8_t* from, std::size_t cards, std::size_t step,
                      const std::int16_t* table, std::uint8_t* to) {
#ifdef CORVANE_BYTE_PERMUTE
    std::uint8_t narrow[256];
    if (CanPermute() && Narrow(table, narrow)) {
        PermuteCards(from, cards, step, narrow, to);
        return true;
    }
#endif
    bool coded = true;
    for (std::size_t k = 0; k < cards; ++k, from += step, to += kCard) {
        coded = Plain(from, kCard, table, to) && coded;
    }
    return coded;
}

}  // namespace corvane::repair
