#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Who holds a serial device, as far as the system tells, so that a port another program
// uses is named and left alone rather than opened under it.
namespace trawlix::app {

struct PortHolder {
    long pid = 0;
    std::string program;  // empty when the system does not say

    // "gpsd (pid 812)"
    std::string text() const;
};

// True when both names lead to one device (a /dev/serial/by-id link and its target).
bool sameDevice(const std::string& a, const std::string& b);

// The folders serial-port lock files ("LCK..ttyUSB0") are kept in.
std::vector<std::filesystem::path> lockFolders();

// A lock file for `device` that names a live process other than `ownPid`. A lock left by a
// process that has ended is stale and holds nothing.
std::optional<PortHolder> lockFileHolder(const std::string& device, long ownPid,
                                         const std::vector<std::filesystem::path>& folders,
                                         const std::filesystem::path& proc = "/proc");

// A process other than `ownPid` with `device` open, found through /proc (Linux; elsewhere
// nothing is found). The far side of a pseudo-terminal, the process that holds the master
// as a terminal emulator or a simulator does, is no holder of it.
std::optional<PortHolder> processHolder(const std::string& device, long ownPid,
                                        const std::filesystem::path& proc = "/proc");

// The same for many devices in one pass over the processes: a desktop runs hundreds, each
// with dozens of open files. Keyed by the devices as given; those nobody holds are absent.
std::map<std::string, PortHolder> processHolders(const std::vector<std::string>& devices,
                                                 long ownPid,
                                                 const std::filesystem::path& proc = "/proc");

}  // namespace trawlix::app
