#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Sentences on the serial line: "$", a body of comma-separated fields, "*", two upper-case
// hexadecimal digits of checksum, CR LF.
namespace trawlix::link {

// The value of a hexadecimal digit of either case; -1 for any other character.
int hexDigitValue(char c);
// The exclusive-or of every byte of the body (between "$" and "*", neither included).
std::uint8_t checksumOf(std::string_view body);
std::string hexByte(std::uint8_t value);

// "$BODY" (as the window hands sentences over) to "$BODY*HH\r\n".
std::string frameSentence(std::string_view sentence);

enum class ChecksumState { Valid, Missing, Wrong };

struct ReceivedSentence {
    std::string text;  // from "$" up to the line end, checksum included
    std::string body;  // between "$" and "*"
    ChecksumState checksum = ChecksumState::Missing;

    // The sentence word, such as "PMGNWPL" or "GPGGA".
    std::string_view word() const;
    // The body's fields after the word.
    std::vector<std::string> fields() const;
    // The sentence as it was sent, without checksum: "$BODY".
    std::string withoutChecksum() const { return "$" + body; }
};

// Takes bytes as they come off the line and yields whole sentences. Accepts CR LF, LF or CR
// as line end, skips noise outside sentences, and holds at most kMaxSentenceLength bytes: a
// longer run without a line end is dropped and the reader starts again at the next "$".
class SentenceReader {
  public:
    // The protocol's own sentences are well under 100 bytes and NMEA's at most 82; a line
    // this long is garbage, not a sentence.
    static constexpr std::size_t kMaxSentenceLength = 1024;

    // Appends the whole sentences found in `bytes` to `out`.
    void feed(std::string_view bytes, std::vector<ReceivedSentence>& out);
    // Bytes dropped as noise or as overlong lines since the reader was made or reset; line
    // ends between sentences are not counted.
    std::size_t droppedBytes() const { return dropped_; }
    void reset();

  private:
    void finishSentence(std::vector<ReceivedSentence>& out);

    std::string current_;
    bool inSentence_ = false;
    std::size_t dropped_ = 0;
};

ReceivedSentence parseSentence(std::string_view text);

}  // namespace trawlix::link
