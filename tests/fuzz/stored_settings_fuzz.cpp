// Whatever the settings file holds: start-up, the port menu and "Add Port" must cope.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/your_form.h"
#include "support/null_parts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace trawlix;
    const std::string input(reinterpret_cast<const char*>(data), size);
    const char* keys[] = {"Port/Port", "Port/Next", "Port/Settings", "Path/Path"};
    fuzzing::NullSettings settings;
    std::size_t start = 0;
    for (const char* key : keys) {
        const auto end = input.find('\n', start);
        settings.values[key] = input.substr(start, end == std::string::npos ? end : end - start);
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    fuzzing::NullView view;
    fuzzing::NullLink link;
    link.openResult = size % 2 == 0;
    app::YourForm form(view, link, settings, "/");
    form.Form_Load();
    if (form.CurrentPort < 1 || !view.hasPortItem(form.CurrentPort)) {
        __builtin_trap();
    }
    form.mnuPortAdd_Click();
    form.mnuPortAdd_Click();
    form.mnuPort_Click(form.CurrentPort);
    form.mnuBaud_Click(1);
    return 0;
}
