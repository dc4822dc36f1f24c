#pragma once

#include <string>

namespace trawlix::common {

// `text` ended as a sentence, with one full stop. Messages are built from reasons that come
// with a full stop (the XML reader's "Premature end of document.") or without one (the
// system's "No such file or directory"); either way the message reads as one sentence, and
// the next one can follow it.
inline std::string asSentence(std::string text) {
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    if (text.empty() || text.back() == '.' || text.back() == '!' || text.back() == '?') {
        return text;
    }
    return text + ".";
}

}  // namespace trawlix::common
