// How text is cut into paragraphs, lines and words: shared by layout and
// measurement so both always agree on where lines break.
#pragma once

#include <string_view>
#include <vector>

namespace vellum {

// Lines ended by CR, LF or CR LF; a final line end adds no empty line. With
// stopAtNul, a NUL byte ends the text.
std::vector<std::string_view> SplitLines(std::string_view text, bool stopAtNul);

// Words of a line: every blank stays at the end of the word before it, so two
// blanks in a row give a word that is a single blank; CR and LF also end words.
std::vector<std::string_view> SplitWords(std::string_view line);

// Without the bytes 0..32 at the end (and, for TrimControls, at the start too).
std::string_view TrimTrailingControls(std::string_view text);
std::string_view TrimControls(std::string_view text);

}  // namespace vellum
