#include "app/port_holder.h"

#include <algorithm>
#include <fstream>
#include <system_error>

#include "common/numbers.h"

namespace trawlix::app {
namespace fs = std::filesystem;
namespace {

std::optional<long> pidOf(const std::string& text) {
    const auto pid = common::strictInt32(text);
    if (!pid || *pid <= 0) {
        return std::nullopt;
    }
    return *pid;
}

std::string firstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

std::string programOf(long pid, const fs::path& proc) {
    return trimmed(firstLine(proc / std::to_string(pid) / "comm"));
}

// Where the system offers no /proc, a process cannot be checked and counts as alive.
bool alive(long pid, const fs::path& proc) {
    std::error_code ec;
    return !fs::exists(proc, ec) || fs::exists(proc / std::to_string(pid), ec);
}

std::string canonical(const std::string& device) {
    std::error_code ec;
    const fs::path path = fs::canonical(device, ec);
    return ec ? device : path.string();
}

bool isPseudoTerminal(const std::string& device) {
    return device.rfind("/dev/pts/", 0) == 0;
}

// What the file descriptors of one process lead to.
std::vector<std::string> openFiles(const fs::path& processFolder) {
    std::vector<std::string> files;
    std::error_code ec;
    for (fs::directory_iterator it(processFolder / "fd", ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code linkError;
        const fs::path target = fs::read_symlink(it->path(), linkError);
        if (!linkError) {
            files.push_back(target.string());
        }
    }
    return files;
}

}  // namespace

std::string PortHolder::text() const {
    const std::string pidText = "pid " + std::to_string(pid);
    return program.empty() ? "a program with " + pidText : program + " (" + pidText + ")";
}

bool sameDevice(const std::string& a, const std::string& b) {
    if (a == b) {
        return true;
    }
    std::error_code ec;
    const bool same = fs::equivalent(a, b, ec);
    return !ec && same;
}

std::vector<fs::path> lockFolders() {
    return {"/var/lock", "/run/lock", "/var/spool/locks", "/var/spool/uucp",
            "/tmp",      "/var/tmp",  "/etc/locks",       "/var/lock/lockdev"};
}

std::optional<PortHolder> lockFileHolder(const std::string& device, long ownPid,
                                         const std::vector<fs::path>& folders,
                                         const fs::path& proc) {
    // "/dev/pts/3" is locked as "LCK..pts_3".
    std::string name = canonical(device);
    if (name.rfind("/dev/", 0) == 0) {
        name.erase(0, 5);
    }
    for (char& c : name) {
        c = c == '/' ? '_' : c;
    }
    for (const fs::path& folder : folders) {
        const fs::path lock = folder / ("LCK.." + name);
        std::error_code ec;
        if (!fs::exists(lock, ec)) {
            continue;
        }
        std::ifstream in(lock);
        std::string pidLine;
        std::string program;
        std::getline(in, pidLine);
        std::getline(in, program);  // written by some locking programs, such as Qt's
        const auto pid = pidOf(trimmed(pidLine));
        if (!pid || *pid == ownPid || !alive(*pid, proc)) {
            continue;
        }
        const std::string running = programOf(*pid, proc);
        return PortHolder{*pid, running.empty() ? trimmed(program) : running};
    }
    return std::nullopt;
}

std::optional<PortHolder> processHolder(const std::string& device, long ownPid,
                                        const fs::path& proc) {
    const auto holders = processHolders({device}, ownPid, proc);
    if (holders.empty()) {
        return std::nullopt;
    }
    return holders.begin()->second;
}

std::map<std::string, PortHolder> processHolders(const std::vector<std::string>& devices,
                                                 long ownPid, const fs::path& proc) {
    std::map<std::string, std::string> wanted;  // canonical name -> name as given
    for (const std::string& device : devices) {
        wanted.emplace(canonical(device), device);
    }
    std::map<std::string, PortHolder> holders;
    std::error_code ec;
    for (fs::directory_iterator it(proc, ec), end; !ec && it != end; it.increment(ec)) {
        const auto pid = pidOf(it->path().filename().string());
        if (!pid || *pid == ownPid) {
            continue;
        }
        const std::vector<std::string> files = openFiles(it->path());
        const bool holdsMaster = std::any_of(files.begin(), files.end(), [](const std::string& f) {
            return f == "/dev/ptmx" || f == "/dev/pts/ptmx";
        });
        for (const std::string& file : files) {
            const auto match = wanted.find(file);
            if (match != wanted.end() && !(isPseudoTerminal(file) && holdsMaster)) {
                holders.try_emplace(match->second, PortHolder{*pid, programOf(*pid, proc)});
            }
        }
    }
    return holders;
}

}  // namespace trawlix::app
