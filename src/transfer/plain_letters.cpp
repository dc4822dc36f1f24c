#include "transfer/plain_letters.h"

#include <array>
#include <utility>

namespace trawlix::transfer {
namespace {

// From scripts/plain-letters-table: the letter each code point of a block decomposes to, in
// ISO 8859-1; "_" for none.
constexpr char32_t kExtendedFirst = 0x0100;
constexpr std::string_view kExtended =
    "AaAaAaCcCcCcCcDd"
    "__EeEeEeEeEeGgGg"
    "GgGgHh__IiIiIiIi"
    "I___JjKk_LlLlLl_"
    "___NnNnNn___OoOo"
    "Oo__RrRrRrSsSsSs"
    "SsTtTt__UuUuUuUu"
    "UuUuWwYyYZzZzZz_"
    "________________"
    "________________"
    "Oo_____________U"
    "u_______________"
    "_____________AaI"
    "iOoUu"
    "\xDC"
    "\xFC"
    "\xDC"
    "\xFC"
    "\xDC"
    "\xFC"
    "\xDC"
    "\xFC"
    "_"
    "\xC4"
    "\xE4"
    "Aa"
    "\xC6"
    "\xE6"
    "__GgKkOoOo__"
    "j___Gg__Nn"
    "\xC5"
    "\xE5"
    "\xC6"
    "\xE6"
    "\xD8"
    "\xF8"
    "AaAaEeEeIiIiOoOo"
    "RrRrUuUuSsTt__Hh"
    "______AaEe"
    "\xD6"
    "\xF6"
    "\xD5"
    "\xF5"
    "Oo"
    "OoYy____________"
    "________________";
constexpr char32_t kAdditionalFirst = 0x1E00;
constexpr std::string_view kAdditional =
    "AaBbBbBb"
    "\xC7"
    "\xE7"
    "DdDdDd"
    "DdDdEeEeEeEeEeFf"
    "GgHhHhHhHhHhIi"
    "\xCF"
    "\xEF"
    "KkKkKkLlLlLlLlMm"
    "MmMmNnNnNnNn"
    "\xD5"
    "\xF5"
    "\xD5"
    "\xF5"
    "OoOoPpPpRrRrRrRr"
    "SsSsSsSsSsTtTtTt"
    "TtUuUuUuUuUuVvVv"
    "WwWwWwWwWwXxXxYy"
    "ZzZzZzhtwy______"
    "AaAa"
    "\xC2"
    "\xE2"
    "\xC2"
    "\xE2"
    "\xC2"
    "\xE2"
    "\xC2"
    "\xE2"
    "AaAa"
    "AaAaAaAaEeEeEe"
    "\xCA"
    "\xEA"
    "\xCA"
    "\xEA"
    "\xCA"
    "\xEA"
    "\xCA"
    "\xEA"
    "EeIiIiOoOo"
    "\xD4"
    "\xF4"
    "\xD4"
    "\xF4"
    "\xD4"
    "\xF4"
    "\xD4"
    "\xF4"
    "OoOoOoOo"
    "OoOoUuUuUuUuUuUu"
    "UuYyYyYyYy______";

// Letters whose decomposition, if any, leads to no letter of ISO 8859-1: struck, dotless,
// with middle dot, ligatures. And the typographic marks that word processors put into
// names in place of plain ones.
constexpr std::array<std::pair<char32_t, std::string_view>, 31> kWithoutDecomposition{{
    {0x0110, "D"},  {0x0111, "d"}, {0x0126, "H"},  {0x0127, "h"},  {0x0131, "i"},  {0x0132, "IJ"},
    {0x0133, "ij"}, {0x0138, "k"}, {0x013F, "L"},  {0x0140, "l"},  {0x0141, "L"},  {0x0142, "l"},
    {0x0149, "n"},  {0x014A, "N"}, {0x014B, "n"},  {0x0152, "OE"}, {0x0153, "oe"}, {0x0166, "T"},
    {0x0167, "t"},  {0x017F, "s"}, {0x0192, "f"},  {0x2013, "-"},  {0x2014, "-"},  {0x2018, "'"},
    {0x2019, "'"},  {0x201A, "'"}, {0x201C, "\""}, {0x201D, "\""}, {0x201E, "\""}, {0x2026, "..."},
    {0x2212, "-"},
}};

std::string_view fromBlock(std::string_view block, char32_t first, char32_t code) {
    if (code < first || code - first >= block.size()) {
        return {};
    }
    const std::string_view letter = block.substr(code - first, 1);
    return letter == "_" ? std::string_view() : letter;
}

}  // namespace

std::string_view plainLetters(char32_t code) {
    for (const auto& [special, text] : kWithoutDecomposition) {
        if (special == code) {
            return text;
        }
    }
    const std::string_view extended = fromBlock(kExtended, kExtendedFirst, code);
    return extended.empty() ? fromBlock(kAdditional, kAdditionalFirst, code) : extended;
}

}  // namespace trawlix::transfer
