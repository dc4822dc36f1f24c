#include "link/sentence_text.h"

namespace trawlix::link {

bool unsafeInSentence(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return c == ',' || c == '*' || c == '$' || byte < 0x20 || byte == 0x7f;
}

SentenceText sentenceSafe(std::string_view text) {
    SentenceText safe{std::string(text), 0};
    for (char& c : safe.text) {
        if (unsafeInSentence(c)) {
            c = ' ';
            ++safe.replaced;
        }
    }
    return safe;
}

}  // namespace trawlix::link
