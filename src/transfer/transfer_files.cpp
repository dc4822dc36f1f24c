#include "transfer/transfer_files.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace trawlix::transfer {
std::filesystem::path pathFromUtf8(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string utf8Of(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

bool namesAWindowsDevice(const std::string& path) {
    const std::size_t nameStart = path.find_last_of("/\\:");
    std::string name = path.substr(nameStart == std::string::npos ? 0 : nameStart + 1);
    name = name.substr(0, name.find('.'));
    while (!name.empty() && name.back() == ' ') {
        name.pop_back();
    }
    for (char& c : name) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    if (name == "CON" || name == "PRN" || name == "AUX" || name == "NUL" || name == "CONIN$" ||
        name == "CONOUT$") {
        return true;
    }
    const bool numbered = name.size() == 4 && name[3] >= '0' && name[3] <= '9';
    return numbered && (name.starts_with("COM") || name.starts_with("LPT"));
}

bool hasCharacterWindowsForbids(const std::string& path) {
    std::string_view name(path);
    const bool driveRelative = name.size() >= 2 && name[1] == ':';
    if (const std::size_t separator = name.find_last_of("/\\");
        separator != std::string_view::npos) {
        name.remove_prefix(separator + 1);
    } else if (driveRelative) {
        name.remove_prefix(2);
    }
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || std::strchr("*?\"<>|:", c) != nullptr) {
            return true;
        }
    }
    return false;
}

namespace {

// Reasons a name cannot be opened that the system would not give.
std::optional<std::string> refusedName([[maybe_unused]] const std::string& path) {
#if defined(_WIN32)
    if (namesAWindowsDevice(path)) {
        return std::string("it is the name of a device on Windows");
    }
    if (hasCharacterWindowsForbids(path)) {
        return std::string(
            "the name has a character that Windows does not allow in file names "
            "(* ? \" < > | :)");
    }
#endif
    return std::nullopt;
}

std::string openFailure(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(pathFromUtf8(path), ec)) {
        return "it is a folder";
    }
    return describeError(errno);
}

}  // namespace

std::string describeError(int errorNumber) {
    return errorNumber == 0 ? std::string("unknown error")
                            : std::generic_category().message(errorNumber);
}

std::int32_t TransferFiles::nextFreeNumber() const {
    std::int32_t number = 1;
    while (isOpen(number)) {
        ++number;
    }
    return number;
}

std::optional<std::string> TransferFiles::openForOutput(std::int32_t number,
                                                        const std::string& path) {
    return checkOutput(number, path, false);
}

std::optional<std::string> TransferFiles::checkOutput(std::int32_t number, const std::string& path,
                                                      bool gpx) {
    close(number);
    if (auto refused = refusedName(path)) {
        return refused;
    }
    std::error_code ec;
    const bool existed = std::filesystem::exists(pathFromUtf8(path), ec);
    errno = 0;
    // Opened without emptying it: can it be written at all?
    const auto mode = existed ? std::ios::in | std::ios::out | std::ios::binary
                              : std::ios::out | std::ios::binary;
    if (!std::fstream(pathFromUtf8(path), mode).is_open()) {
        return openFailure(path);
    }
    waiting_[number] = {path, !existed, gpx};
    return std::nullopt;
}

std::optional<std::string> TransferFiles::emptyFile(std::int32_t number) {
    const auto it = waiting_.find(number);
    if (it == waiting_.end()) {
        return std::nullopt;
    }
    const Waiting waiting = it->second;
    waiting_.erase(it);
    errno = 0;
    auto file = std::make_unique<std::fstream>(pathFromUtf8(waiting.path),
                                               std::ios::out | std::ios::trunc | std::ios::binary);
    if (!file->is_open()) {
        return openFailure(waiting.path);
    }
    if (waiting.gpx) {
        auto writer = std::make_unique<gpx::Writer>(*file);
        if (auto why = writer->failure()) {
            return why;
        }
        gpxWriters_[number] = std::move(writer);
    }
    files_[number] = std::move(file);
    return std::nullopt;
}

std::optional<std::string> TransferFiles::startWriting(std::int32_t number) {
    return emptyFile(number);
}

std::optional<std::string> TransferFiles::openForInput(std::int32_t number,
                                                       const std::string& path) {
    if (auto refused = refusedName(path)) {
        return refused;
    }
    errno = 0;
    std::error_code ec;
    if (std::filesystem::is_directory(pathFromUtf8(path), ec)) {
        return std::string("it is a folder");
    }
    auto file = std::make_unique<std::fstream>(pathFromUtf8(path), std::ios::in | std::ios::binary);
    if (!file->is_open()) {
        return openFailure(path);
    }
    files_[number] = std::move(file);
    return std::nullopt;
}

bool TransferFiles::isOpen(std::int32_t number) const {
    return files_.count(number) != 0 || waiting_.count(number) != 0;
}

bool TransferFiles::atEnd(std::int32_t number) {
    const auto it = files_.find(number);
    if (it == files_.end()) {
        return true;
    }
    return it->second->rdbuf()->sgetc() == std::char_traits<char>::eof();
}

std::optional<std::string> TransferFiles::readLine(std::int32_t number) {
    if (atEnd(number)) {
        return std::nullopt;
    }
    std::streambuf& buffer = *files_.at(number)->rdbuf();
    constexpr auto kEnd = std::char_traits<char>::eof();
    std::string line;
    for (int c = buffer.sbumpc(); c != kEnd; c = buffer.sbumpc()) {
        if (c == '\n') {
            break;
        }
        if (c == '\r') {
            if (buffer.sgetc() == '\n') {
                buffer.sbumpc();
            }
            break;
        }
        line += static_cast<char>(c);
    }
    return line;
}

std::optional<std::string> TransferFiles::writeLine(std::int32_t number, std::string_view line) {
    if (auto why = emptyFile(number)) {
        return why;
    }
    const auto it = files_.find(number);
    if (it == files_.end()) {
        return std::string("no file is open");
    }
    std::string whole(line);
    whole += "\r\n";
    errno = 0;
    it->second->write(whole.data(), static_cast<std::streamsize>(whole.size()));
    it->second->flush();
    if (!*it->second) {
        it->second->clear();
        return describeError(errno);
    }
    return std::nullopt;
}

void TransferFiles::close(std::int32_t number) {
    if (const auto it = waiting_.find(number); it != waiting_.end()) {
        if (it->second.created) {
            std::error_code ec;
            std::filesystem::remove(pathFromUtf8(it->second.path), ec);
        }
        waiting_.erase(it);
    }
    gpxWriters_.erase(number);
    files_.erase(number);
}

std::optional<std::string> TransferFiles::openGpxForOutput(std::int32_t number,
                                                           const std::string& path) {
    return checkOutput(number, path, true);
}

bool TransferFiles::isGpx(std::int32_t number) const {
    const auto it = waiting_.find(number);
    return it != waiting_.end() ? it->second.gpx : gpxWriters_.count(number) != 0;
}

gpx::Writer* TransferFiles::gpxWriter(std::int32_t number) {
    if (isGpx(number) && emptyFile(number)) {
        return nullptr;
    }
    const auto it = gpxWriters_.find(number);
    return it == gpxWriters_.end() ? nullptr : it->second.get();
}

}  // namespace trawlix::transfer
