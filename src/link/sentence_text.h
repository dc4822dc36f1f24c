#pragma once

#include <string>
#include <string_view>

namespace trawlix::link {

// What a text field of a sentence (a name, a comment, an icon) can carry. "," separates
// fields, "*" starts the checksum, "$" starts a new sentence for the receiver, and CR, LF
// and the other control characters end or garble the line; each of them, wherever it comes
// from (a file, a receiver's own download sent back), becomes a blank before it is sent.
// Other bytes go out as they are: the receiver's character set is 8-bit.
struct SentenceText {
    std::string text;
    int replaced = 0;  // how many characters became blanks
};

SentenceText sentenceSafe(std::string_view text);

// True when `c` cannot stand in a text field of a sentence.
bool unsafeInSentence(char c);

}  // namespace trawlix::link
