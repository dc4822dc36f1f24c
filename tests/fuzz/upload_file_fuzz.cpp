// A whole upload file, checked and then sent as the window sends it. Built once per file
// kind: UPLOAD_ENTRY is the function list entry (kSendWaypoints, kSendRoute or kSendTrack).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/your_form.h"
#include "support/null_parts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace trawlix;
    static const std::string path =
        "/tmp/trawlix-fuzz-upload-" + std::to_string(::getpid()) + ".txt";
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    // Choosing an upload file moves the current folder there, as the open dialog does; the
    // fuzzer reads its corpus by relative paths, so it gets its folder back afterwards.
    const auto folder = std::filesystem::current_path();
    fuzzing::NullView view;
    fuzzing::NullLink link;
    fuzzing::NullSettings settings;
    app::YourForm form(view, link, settings, "/");
    view.fileAnswer = path;
    view.function = UPLOAD_ENTRY;
    form.cboFunction_Click();
    const std::string kind = UPLOAD_ENTRY == app::kSendWaypoints ? link.TransferState().WaypointKind
                             : UPLOAD_ENTRY == app::kSendRoute
                                 ? link.TransferState().RouteKind
                                 : link.TransferState().TrackPointKind;
    std::int32_t& fileNum = UPLOAD_ENTRY == app::kSendWaypoints ? form.WaypointFileNum
                            : UPLOAD_ENTRY == app::kSendRoute   ? form.RouteFileNum
                                                                : form.TrackFileNum;
    // One acknowledgement per sentence, as the receiver paces it; a file of n bytes has at
    // most n + 1 lines, so more calls than that would be a hang.
    const auto uploading = [&] { return fileNum != 0; };  // changed by the acknowledgements
    for (std::size_t calls = 0; uploading(); ++calls) {
        if (calls > size + 1) {
            __builtin_trap();
        }
        link.acknowledge(kind);
    }
    std::filesystem::current_path(folder);
    return 0;
}
