#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "transfer/gpx_writer.h"

namespace trawlix::transfer {

// The window's open transfer files, by file number (0 means none). Output files are written
// a whole line at a time and flushed after every line, so that whatever was received is on
// disk if the cable is pulled or the program dies. An existing output file is emptied only
// when the first line goes to it, so that a download that receives nothing leaves it as it
// was. Input files accept CR LF, LF or CR line ends alike.
class TransferFiles {
  public:
    // A number not in use; numbers are never 0.
    std::int32_t nextFreeNumber() const;

    // Makes sure the file can be written, creating it if need be; it is emptied with the
    // first line written, or by startWriting. On failure, nothing is opened and the reason
    // is returned.
    std::optional<std::string> openForOutput(std::int32_t number, const std::string& path);
    // Empties the output file now (a GPX file gets an empty document), when nothing was
    // written yet; the reason on failure.
    std::optional<std::string> startWriting(std::int32_t number);
    std::optional<std::string> openForInput(std::int32_t number, const std::string& path);

    bool isOpen(std::int32_t number) const;
    // True at the end of an input file, and for a number with no open file.
    bool atEnd(std::int32_t number);
    // The next line without its line end; nothing at the end or for no open file.
    std::optional<std::string> readLine(std::int32_t number);
    // Writes the line and CR LF, then flushes; the reason on failure.
    std::optional<std::string> writeLine(std::int32_t number, std::string_view line);
    // An output file that nothing was written to keeps what it held; one this object created
    // is removed again.
    void close(std::int32_t number);
    std::size_t openCount() const { return files_.size() + waiting_.size(); }

    // As openForOutput, for a GPX document; records then go through gpxWriter(number), which
    // is null for every file not opened this way, and whose first use empties the file.
    std::optional<std::string> openGpxForOutput(std::int32_t number, const std::string& path);
    gpx::Writer* gpxWriter(std::int32_t number);
    bool isGpx(std::int32_t number) const;
    // Whether anything was written to the output file yet.
    bool started(std::int32_t number) const { return files_.count(number) != 0; }

  private:
    // An output file checked and not yet emptied.
    struct Waiting {
        std::string path;
        bool created = false;  // it did not exist before
        bool gpx = false;
    };
    std::optional<std::string> checkOutput(std::int32_t number, const std::string& path, bool gpx);
    std::optional<std::string> emptyFile(std::int32_t number);

    std::map<std::int32_t, Waiting> waiting_;
    std::map<std::int32_t, std::unique_ptr<std::fstream>> files_;
    std::map<std::int32_t, std::unique_ptr<gpx::Writer>> gpxWriters_;
};

// File names are kept as UTF-8 text; these turn them into paths and back.
std::filesystem::path pathFromUtf8(const std::string& text);
std::string utf8Of(const std::filesystem::path& path);

// Whether Windows takes the file name (the path's last part) for a device such as NUL or
// COM1, whatever the folder and extension: data written there is lost, or goes to a port.
bool namesAWindowsDevice(const std::string& path);

// Whether the file name holds a character Windows does not allow in one (* ? " < > | :, or a
// control character); ":" after a drive letter belongs to the drive.
bool hasCharacterWindowsForbids(const std::string& path);

// The system's words for an errno value.
std::string describeError(int errorNumber);

}  // namespace trawlix::transfer
