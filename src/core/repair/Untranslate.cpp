#include "repair/Untranslate.h"

// These loops are table look-ups and nothing else: a fuzzer learns nothing
// from their compares, and tracing each one took most of its time.
#if defined(__clang__)
#define PLAIN_LOOP __attribute__((no_sanitize("coverage"), noinline))
#else
#define PLAIN_LOOP
#endif

namespace corvane::repair {

PLAIN_LOOP bool UntranslateBytes(const std::uint8_t* from, std::size_t n, const std::int16_t* table,
                                 std::uint8_t* to) {
    std::int16_t all = 0;  // below 0 once a byte has no code
    for (std::size_t i = 0; i < n; ++i) {
        const std::int16_t code = table[from[i]];
        all |= code;
        to[i] = static_cast<std::uint8_t>(code);
    }
    return all >= 0;
}

PLAIN_LOOP bool UntranslateCards(const std::uint8_t* from, std::size_t cards, std::size_t step,
                                 const std::int16_t* table, std::uint8_t* to) {
    constexpr std::size_t kCard = 80;
    std::int16_t all = 0;
    for (std::size_t k = 0; k < cards; ++k, from += step, to += kCard) {
        for (std::size_t j = 0; j < kCard; ++j) {
            const std::int16_t code = table[from[j]];
            all |= code;
            to[j] = static_cast<std::uint8_t>(code);
        }
    }
    return all >= 0;
}

}  // namespace corvane::repair
