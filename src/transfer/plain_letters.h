#pragma once

#include <string_view>

namespace trawlix::transfer {

// How a character outside ISO 8859-1, which the receiver cannot show, is written for it: a
// letter as its base letter (š as s, ő as o, ǘ as ü), following its Unicode decomposition
// or, for letters without one, a small table (đ as d, ł as l, ı as i, œ as oe); a
// typographic quote or dash as the plain one. The ISO 8859-1 bytes to write, or empty when
// the character has no such form.
std::string_view plainLetters(char32_t code);

}  // namespace trawlix::transfer
