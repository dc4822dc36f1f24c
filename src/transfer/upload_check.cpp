#include "transfer/upload_check.h"

#include "common/sentence_end.h"

namespace trawlix::transfer {

std::string badLineMessage(const std::string& path, long lineNumber, const std::string& why) {
    return "Can't send the file " + path + ": line " + std::to_string(lineNumber) +
           " cannot be read, " + common::asSentence(why);
}

}  // namespace trawlix::transfer
