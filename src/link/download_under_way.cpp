#include "link/download_under_way.h"

#include "link/data_kinds.h"
#include "link/protocol_texts.h"

namespace trawlix::link {

bool isProprietary(std::string_view word) {
    return word.substr(0, protocol::kProprietaryPrefix.size()) == protocol::kProprietaryPrefix;
}

bool isEndMarker(std::string_view word, const std::vector<std::string>& fields) {
    return word == protocol::kCommandWord && !fields.empty() && fields[0] == protocol::kEndWord;
}

bool isDownloadSentence(std::string_view word, const std::vector<std::string>& fields) {
    return kindOfWord(word) != nullptr || isEndMarker(word, fields);
}

bool DownloadUnderWay::answeredBy(std::string_view word) const {
    if (word == protocol::kCommandWord) {
        return true;  // the end marker ends any download
    }
    const DataKindNames* kind = kindOfCommand(command);
    return kind != nullptr && kind->word == word;
}

// A receiver that took a download command twice (its acknowledgement was lost, and it was
// sent again) answers it twice, and it may give up on the first answer part way when our
// acknowledgements do not reach it. Its first record coming once more starts the second
// answer: records this download already has are answered and dropped, and it goes on with
// the first one it lacks, so that the file holds each record once, in order.
bool DownloadUnderWay::alreadyTaken(const ReceivedSentence& sentence, LinkOutbox& out) {
    const bool again = commandRepeated && !bodiesTaken.empty() &&
                       sentence.body == bodiesTaken.front() && !answeredAgainFrom;
    if (again) {
        answeredAgainFrom = 0;
        out.debug("The GPS answers " + command +
                  " once more (it took the command twice): what came before is dropped");
    }
    if (answeredAgainFrom && *answeredAgainFrom < bodiesTaken.size() &&
        sentence.body == bodiesTaken[*answeredAgainFrom]) {
        ++*answeredAgainFrom;
        return true;
    }
    answeredAgainFrom.reset();
    if (!isEndMarker(sentence.word(), sentence.fields())) {
        bodiesTaken.push_back(sentence.body);
    }
    return false;
}

}  // namespace trawlix::link
