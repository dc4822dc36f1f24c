// A GPX file read and planned for each upload, as the window and trawlix-cli read one.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include "qt/qt_xml_source.h"
#include "transfer/gpx_reader.h"
#include "transfer/gpx_upload.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace trawlix::transfer;
    static const std::string path = "/tmp/trawlix-fuzz-gpx-" + std::to_string(::getpid()) + ".gpx";
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    trawlix::qt::QtXmlSource xml;
    const gpx::ReadResult read = gpx::readDocument(path, xml);
    if (!read.document) {
        if (read.error.empty()) {
            __builtin_trap();  // a file that is not read must say why
        }
        return 0;
    }
    for (const UploadKind kind : {UploadKind::Waypoints, UploadKind::Route, UploadKind::Track}) {
        const auto planned = gpx::planUpload(kind, *read.document, path);
        if (planned.plan && planned.plan->parts.empty()) {
            __builtin_trap();  // a plan always has something to send
        }
    }
    return 0;
}
