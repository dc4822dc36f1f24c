#include "transfer/upload_check.h"

namespace trawlix::transfer {

std::string badLineMessage(const std::string& path, long lineNumber, const std::string& why) {
    return "Can't send the file " + path + ": line " + std::to_string(lineNumber) +
           " cannot be read, " + why + ".";
}

}  // namespace trawlix::transfer
