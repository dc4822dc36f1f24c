#include "simulation/referee.h"

#include <algorithm>
#include <fstream>
#include <map>

#include "link/sentence.h"

namespace trawlix::simulation {
namespace {

bool isDownload(int entry) {
    return entry == app::kRequestWaypoints || entry == app::kRequestRoutes ||
           entry == app::kRequestTracks;
}

bool isUpload(int entry) {
    return entry == app::kSendWaypoints || entry == app::kSendRoute || entry == app::kSendTrack;
}

const char* commandOf(int entry) {
    switch (entry) {
        case app::kRequestWaypoints:
            return "$PMGNCMD,WAYPOINT";
        case app::kRequestRoutes:
            return "$PMGNCMD,ROUTE";
        default:
            return "$PMGNCMD,TRACK";
    }
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t end = text.find("\r\n", begin);
        if (end == std::string::npos) {
            lines.push_back(text.substr(begin) + " (no line end)");
            break;
        }
        lines.push_back(text.substr(begin, end - begin));
        begin = end + 2;
    }
    return lines;
}

std::string keyOf(int entry, const sim::ReceiverStore& store) {
    std::string key = std::to_string(entry) + "|";
    if (entry == app::kRequestWaypoints || entry == app::kSendWaypoints) {
        for (const auto& w : store.waypoints) {
            key += w.latitude + w.ns + w.longitude + w.ew + w.altitude + w.unit + w.name +
                   w.comment + w.icon + ";";
        }
    } else if (entry == app::kRequestRoutes || entry == app::kSendRoute) {
        for (const auto& route : store.routes) {
            key += std::to_string(route.number) + ":";
            for (const auto& name : route.names) {
                key += name + "/" + store.iconOf(name) + ",";
            }
            key += ";";
        }
    } else {
        for (const auto& p : store.track) {
            key += p.latitude + p.longitude + p.altitude + p.time + p.validity + p.date + ";";
        }
    }
    return key;
}

bool samePart(int entry, const sim::ReceiverStore& a, const sim::ReceiverStore& b) {
    switch (entry) {
        case app::kSendWaypoints:
            return a.waypoints == b.waypoints;
        case app::kSendRoute:
            return a.routes == b.routes;
        default:
            return a.track == b.track;
    }
}

// What of one kind the receiver holds against what it should: the counts, and the first
// place where they part.
template <typename Item>
std::string differenceOf(const char* what, const std::vector<Item>& held,
                         const std::vector<Item>& expected) {
    const auto parted = std::mismatch(held.begin(), held.end(), expected.begin(), expected.end());
    return ": it holds " + std::to_string(held.size()) + " " + what + " where " +
           std::to_string(expected.size()) + " are due, the first difference at " +
           std::to_string(parted.first - held.begin() + 1);
}

std::string differenceOf(int entry, const sim::ReceiverStore& held,
                         const sim::ReceiverStore& expected) {
    switch (entry) {
        case app::kSendWaypoints:
            return differenceOf("waypoints", held.waypoints, expected.waypoints);
        case app::kSendRoute:
            return differenceOf("routes", held.routes, expected.routes);
        default:
            return differenceOf("track points", held.track, expected.track);
    }
}

int leadingCount(const std::string& text, const std::string& prefix) {
    return std::stoi(text.substr(prefix.size()));
}

}  // namespace

std::string readWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

UploadFiles::UploadFiles(const std::filesystem::path& folder)
    : waypoints((folder / "upload-waypoints.txt").string()),
      route((folder / "upload-route.txt").string()),
      track((folder / "upload-track.txt").string()),
      backup((folder / "upload-backup.gpx").string()) {
    std::filesystem::create_directories(folder);
    // Two names the receiver knows already (they are replaced) and three new ones.
    std::ofstream(waypoints, std::ios::binary)
        << "Waypoint,WP001,46.10000,7.10000,Replaced,1500,M,1,0,0,a\r\n"
           "Waypoint,NEWA,46.20000,7.20000,New A,1600,M,2,0,0,b\r\n"
           "Waypoint,NEWB,-33.50000,-70.25000,New B,20,F,3,0,0,c\r\n"
           "Waypoint,WP002,46.30000,7.30000,Replaced too,1700,M,4,0,0,d\r\n"
           "Waypoint,NEWC,0.00000,0.00000,,0,M,5,0,0,e\r\n";
    // Route 2 replaces one the receiver has; route 7 is new.
    std::ofstream(route, std::ios::binary)
        << "Header,02,3\r\nWaypoint,a,WP003\r\nWaypoint,a,WP001\r\nWaypoint,a,WP004\r\n"
           "Waypoint,a,WP002\r\nWaypoint,a,WP005\r\n"
           "Header,07,2\r\nWaypoint,a,WP006\r\nWaypoint,a,WP001\r\nWaypoint,a,WP002\r\n";
    // A waypoint the receiver has and a new one, a route of them, and three track points.
    std::ofstream(backup, std::ios::binary)
        << "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" creator=\"test\" "
           "xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
           "<wpt lat=\"46.1\" lon=\"7.1\"><ele>1500</ele><name>WP001</name></wpt>\n"
           "<wpt lat=\"46.2\" lon=\"7.2\"><name>GPXNEW</name><cmt>From GPX</cmt></wpt>\n"
           "<rte><name>Route 5</name><number>5</number>"
           "<rtept lat=\"46.1\" lon=\"7.1\"><name>WP001</name></rtept>"
           "<rtept lat=\"46.2\" lon=\"7.2\"><name>GPXNEW</name></rtept></rte>\n"
           "<trk><trkseg>"
           "<trkpt lat=\"46.1\" "
           "lon=\"7.1\"><ele>1500</ele><time>2026-12-07T12:00:00Z</time></trkpt>"
           "<trkpt lat=\"46.1005\" "
           "lon=\"7.101\"><ele>1502</ele><time>2026-12-07T12:00:10Z</time></trkpt>"
           "<trkpt lat=\"46.101\" "
           "lon=\"7.102\"><ele>1504</ele><time>2026-12-07T12:00:20Z</time></trkpt>"
           "</trkseg></trk>\n</gpx>\n";
    std::ofstream out(track, std::ios::binary);
    for (int i = 0; i < 12; ++i) {
        out << "Point,True," << 120000 + i * 10 << ".00," << 46.1 + i * 0.001 << ","
            << 7.1 + i * 0.002 << "," << 1500 + i * 3 << ",0,071226\r\n";
    }
}

const std::string& UploadFiles::of(int entry) const {
    return entry == app::kSendWaypoints ? waypoints : entry == app::kSendRoute ? route : track;
}

std::optional<std::string> cleanRun(int entry, const std::string& file, sim::ReceiverStore& store,
                                    int baud, const std::filesystem::path& folder) {
    Session::Setup setup;
    setup.baud = baud;
    setup.store = store;
    setup.folder = folder;
    std::filesystem::create_directories(folder);
    Session session(setup);
    session.start();
    const std::string target = isDownload(entry) ? session.path("reference.txt") : file;
    session.choose(entry, target);
    const std::string expected = isDownload(entry) ? "Received " : "Transfer Complete";
    const bool done = session.runUntil(
        [&] {
            for (const auto& message : session.view().messages) {
                if (message.text.rfind(expected, 0) == 0) {
                    return true;
                }
            }
            return false;
        },
        3600 * kSecond);
    if (!done || session.view().messages.size() != 1) {
        return std::nullopt;
    }
    store = session.receiver().store();
    return isDownload(entry) ? readWhole(target) : std::string();
}

Referee::Referee(Session& session, const std::filesystem::path& scratch)
    : session_(session), scratch_(scratch), baud_(session.baud()) {
    routesAllowed_ = session.receiver().store().routes;
    session.onChoose = [this](int entry, const std::string& file) {
        checkpoint();
        chosen(entry, file);
    };
    session.onBox = [this](const testing::ScriptedView::Message& message) {
        boxShown(message.text);
    };
    session.onRunFinished = [this](app::KindSequence& run) { runFinished(run); };
    session.onLinkEvent = [this](const std::string& kind, bool whileClosed) {
        if (whileClosed) {
            problem("the link raised " + kind + " while the user had the port closed");
        }
    };
}

void Referee::problem(const std::string& text) {
    problems_.push_back(secondsText(session_.time()) + "  " + text);
    session_.note("PROBLEM: " + text);
}

void Referee::chosen(int entry, const std::string& file) {
    // A transfer that starts, or Reset, replaces whatever ran before. A file dialog that was
    // cancelled starts nothing.
    const bool starts = (isDownload(entry) || isUpload(entry)) && !file.empty();
    if (entry == app::kReset || starts) {
        if (download_) {
            checkDownloadFile(*download_, false);
            download_.reset();
        }
    }
    if (entry == app::kReset || (isUpload(entry) && !file.empty())) {
        upload_.reset();
    }
    if (download_) {
        download_->countedFrom = linesOf(readWhole(download_->path)).size();
    }
    const sim::ReceiverStore& store = session_.receiver().store();
    if (isDownload(entry) && !file.empty()) {
        download_ = Download{entry, file, session_.receiver().received().size(), store};
    } else if (isUpload(entry) && !file.empty()) {
        upload_ = Upload{entry, file, store};
        if (entry == app::kSendRoute) {
            for (const auto& route : expectedUpload(entry, file, store).routes) {
                routesAllowed_.push_back(route);
            }
        }
    }
}

void Referee::boxShown(const std::string& text) {
    // A route sentence the receiver did not answer may still have reached it: the user was
    // told, and what the receiver holds of that route is not the link's to mend.
    if (text.rfind("The GPS did not answer $PMGNRTE", 0) == 0) {
        routeDisturbed_ = true;
    }
    if (text.rfind("Received ", 0) == 0) {
        received(leadingCount(text, "Received "));
    } else if (text.rfind("Transfer Complete", 0) == 0) {
        transferComplete();
    } else {
        checkpoint();
    }
}

void Referee::received(int records) {
    if (!download_) {
        problem("\"Received " + std::to_string(records) + " records.\" with no download running");
        return;
    }
    const std::string content = readWhole(download_->path);
    const std::size_t written = linesOf(content).size() - download_->countedFrom;
    if (static_cast<int>(written) != records) {
        problem("\"Received " + std::to_string(records) + " records.\" but " +
                std::to_string(written) + " lines were written to " + download_->path +
                " since the count began");
    }
    checkDownloadFile(*download_, true);
    download_.reset();
    ++completed_;
}

void Referee::transferComplete() {
    if (!upload_) {
        problem("\"Transfer Complete\" with no upload running");
        return;
    }
    const sim::ReceiverStore& expected =
        expectedUpload(upload_->entry, upload_->file, upload_->store);
    if (!samePart(upload_->entry, session_.receiver().store(), expected)) {
        problem("\"Transfer Complete\" but the receiver does not hold the file once, whole" +
                differenceOf(upload_->entry, session_.receiver().store(), expected));
    }
    upload_.reset();
    ++completed_;
}

void Referee::runFinished(app::KindSequence& run) {
    const auto* backup = dynamic_cast<const app::ReceiverBackup*>(&run);
    if (backup == nullptr) {
        return;
    }
    const std::string content = readWhole(backup->path());
    const std::string end = "</gpx>\n";
    if (content.size() < end.size() ||
        content.compare(content.size() - end.size(), end.size(), end) != 0) {
        problem("the backup " + backup->path() + " does not end as a whole GPX document");
    }
    const sim::ReceiverStore& store = session_.receiver().store();
    const transfer::backup::Counts counts = backup->counts();
    for (const transfer::backup::Kind kind : run.done()) {
        const auto [held, written] = kind == transfer::backup::Kind::Waypoints
                                         ? std::pair(store.waypoints.size(), counts.waypoints)
                                     : kind == transfer::backup::Kind::Routes
                                         ? std::pair(store.routes.size(), counts.routes)
                                         : std::pair(store.track.size(), counts.trackPoints);
        if (static_cast<int>(held) != written) {
            problem(std::string("the backup calls its ") + transfer::backup::kindWord(kind) +
                    " complete but holds " + std::to_string(written) + " of the receiver's " +
                    std::to_string(held));
        }
    }
}

void Referee::checkpoint() {
    if (download_) {
        checkDownloadFile(*download_, false);
    }
}

bool Referee::commandReachedReceiver(const Download& download) const {
    const auto& received = session_.receiver().received();
    const std::string command = commandOf(download.entry);
    for (std::size_t i = received.size(); i > download.mark; --i) {
        const std::string& sentence = received[i - 1];
        if (link::parseSentence(sentence).checksum == link::ChecksumState::Wrong) {
            continue;  // damaged on the line: the receiver did not take it
        }
        if (sentence.rfind("$PMGNCMD,WAYPOINT", 0) == 0 ||
            sentence.rfind("$PMGNCMD,ROUTE", 0) == 0 || sentence.rfind("$PMGNCMD,TRACK", 0) == 0) {
            return sentence.rfind(command, 0) == 0;
        }
    }
    return false;
}

void Referee::checkDownloadFile(const Download& download, bool whole) {
    // What the download sends is what the receiver held when its command came, which may be
    // later than the request (the link holds it back while the end of an upload goes out).
    const bool reached = commandReachedReceiver(download);
    Download asSent = download;
    if (reached) {
        asSent.store = session_.receiver().storeAtLastDownload();
    }
    const std::string& expected = expectedDownload(asSent);
    const std::string content = readWhole(download.path);
    const bool prefix = content.size() <= expected.size() &&
                        std::equal(content.begin(), content.end(), expected.begin());
    if (whole ? content != expected : !prefix) {
        const auto got = linesOf(content);
        const auto want = linesOf(expected);
        std::size_t first = 0;
        while (first < got.size() && first < want.size() && got[first] == want[first]) {
            ++first;
        }
        problem(std::string(whole ? "the finished file " : "the file ") + download.path +
                " is not the receiver's records in order: line " + std::to_string(first + 1) +
                " is \"" + (first < got.size() ? got[first] : "(missing)") + "\", expected \"" +
                (first < want.size() ? want[first] : "(nothing)") + "\"");
        return;
    }
    if (reached) {
        const auto lines = static_cast<int>(linesOf(content).size());
        const int acknowledged = session_.receiver().recordsAcknowledged();
        if (lines < acknowledged) {
            problem("the receiver saw " + std::to_string(acknowledged) +
                    " records acknowledged but the file holds " + std::to_string(lines));
        }
    }
}

const std::string& Referee::expectedDownload(const Download& download) {
    static std::map<std::string, std::string> cache;
    const std::string key = std::to_string(baud_) + keyOf(download.entry, download.store);
    auto it = cache.find(key);
    if (it == cache.end()) {
        sim::ReceiverStore store = download.store;
        const auto content = cleanRun(download.entry, "", store, baud_, scratch_);
        if (!content) {
            problem("the reference download did not complete");
        }
        it = cache.emplace(key, content.value_or("")).first;
    }
    return it->second;
}

const sim::ReceiverStore& Referee::expectedUpload(int entry, const std::string& file,
                                                  const sim::ReceiverStore& before) {
    static std::map<std::string, sim::ReceiverStore> cache;
    // By content: a session's own backup has the same name in every session.
    const std::string key = std::to_string(baud_) + readWhole(file) + keyOf(entry, before);
    auto it = cache.find(key);
    if (it == cache.end()) {
        sim::ReceiverStore store = before;
        if (!cleanRun(entry, file, store, baud_, scratch_)) {
            problem("the reference upload did not complete");
        }
        it = cache.emplace(key, store).first;
    }
    return it->second;
}

void Referee::finish() {
    checkpoint();
    if (routeDisturbed_) {
        return;
    }
    for (const auto& route : session_.receiver().store().routes) {
        if (std::find(routesAllowed_.begin(), routesAllowed_.end(), route) ==
            routesAllowed_.end()) {
            std::string names;
            for (const auto& name : route.names) {
                names += " " + name;
            }
            problem("the receiver holds route " + std::to_string(route.number) + " (" + names +
                    " ) that is neither its own nor the file's");
        }
    }
}

}  // namespace trawlix::simulation
