#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

struct FindOptions {
    // Off: ASCII letters and the Latin-1 letters (U+00C0..U+00FE) match in
    // either case.
    bool MatchCase = false;
    bool Backward = false;
    // The text is a hex dump: only the character columns of its rows are
    // searched, a row's characters running on into the next row's.
    bool HexCharacters = false;
};

// A match as byte offsets into the searched text: [Begin, End).
struct FoundText {
    std::size_t Begin = 0;
    std::size_t End = 0;
    bool Wrapped = false;  // found only after going round the end (or start)
};

// A pattern prepared for many searches (Horspool's method): every line of
// a member in turn, or a whole text.
class TextMatcher {
  public:
    TextMatcher(std::string_view pattern, bool matchCase);
    // The first (or last) match that begins in [lo, hi).
    std::optional<std::size_t> First(std::string_view text, std::size_t lo, std::size_t hi) const;
    std::optional<std::size_t> Last(std::string_view text, std::size_t lo, std::size_t hi) const;
    bool In(std::string_view text) const { return First(text, 0, text.size() + 1).has_value(); }
    std::size_t Size() const { return pattern_.size(); }

  private:
    bool ExactAt(std::string_view text, std::size_t at) const;
    std::string pattern_;
    std::string mapped_;  // the pattern through map_
    bool matchCase_;
    std::array<std::uint8_t, 256> map_{};
    std::array<std::size_t, 256> forward_{}, backward_{};
};

// Finds pattern (UTF-8) in text (UTF-8 lines separated by '\n'). Forward,
// the first match that begins at or after from; backward, the last one
// that begins before from. Past the end (or start) the search goes round
// once. An empty pattern finds nothing.
std::optional<FoundText> FindText(std::string_view text, std::string_view pattern, std::size_t from,
                                  const FindOptions& options);

}  // namespace corvane
