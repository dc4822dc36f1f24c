#include "simulation/referee.h"

#include <algorithm>
#include <fstream>
#include <map>

#include "link/sentence.h"
#include "qt/qt_xml_source.h"
#include "transfer/gpx_reader.h"

namespace trawlix::simulation {
namespace {

// A request or upload reaches the wire within this much virtual time, or a box says why
// not: behind a stopped transfer's drain and end, each sentence sent up to three times.
constexpr Micros kReachBound = 60 * kSecond;

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

// What the receiver sees first of a transfer. A GPX route download fetches the waypoints
// first; a GPX route upload sends the routes' points as waypoints first.
std::string firstSentenceOf(int entry, bool gpx) {
    switch (entry) {
        case app::kSendWaypoints:
            return "$PMGNWPL";
        case app::kSendRoute:
            return gpx ? "$PMGNWPL" : "$PMGNRTE";
        case app::kSendTrack:
            return "$PMGNTRK";
        default:
            return gpx && entry == app::kRequestRoutes ? commandOf(app::kRequestWaypoints)
                                                       : commandOf(entry);
    }
}

std::string pointText(const transfer::gpx::Point& p) {
    char position[64];
    std::snprintf(position, sizeof position, "%.6f %.6f %.2f ", p.latitude, p.longitude,
                  p.elevation.value_or(-99999.0));
    return position + (p.time ? transfer::gpx::isoTextOf(*p.time) : "-") + " " + p.name + "|" +
           p.comment + "|" + p.symbol + (p.noFix ? " nofix" : "");
}

// The records of a GPX file in document order, a route's or track's start as one more;
// nothing when the file is missing or empty (a download not started). `error` says why a
// file that is there cannot be read.
std::vector<std::string> gpxRecords(const std::string& path, std::string& error) {
    std::vector<std::string> records;
    std::error_code ignored;
    if (std::filesystem::file_size(path, ignored) == 0 || ignored) {
        return records;
    }
    static qt::QtXmlSource xml;
    const transfer::gpx::ReadResult read = transfer::gpx::readDocument(path, xml);
    if (!read.document) {
        error = read.error;
        return records;
    }
    for (const auto& point : read.document->waypoints) {
        records.push_back("wpt " + pointText(point));
    }
    for (const auto& route : read.document->routes) {
        records.push_back("rte " + std::to_string(route.number.value_or(-1)) + " " + route.name);
        for (const auto& point : route.points) {
            records.push_back("rtept " + pointText(point));
        }
    }
    for (const auto& track : read.document->tracks) {
        records.push_back("trk " + track.name);
        for (const auto& segment : track.segments) {
            for (const auto& point : segment) {
                records.push_back("trkpt " + pointText(point));
            }
        }
    }
    return records;
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

// What of the store a transfer of `entry` depends on. Routes in GPX carry the positions of
// their waypoints.
std::string keyOf(int entry, bool gpx, const sim::ReceiverStore& store) {
    std::string key = std::to_string(entry) + "|";
    if (gpx && (entry == app::kRequestRoutes || entry == app::kSendRoute)) {
        key += keyOf(app::kSendWaypoints, false, store);
    }
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

// Whether `held` holds every route of `expected` that the upload wrote (those not as they
// were `before`). The others may change after the choice: a stopped upload sends the rest of
// the route it was sending first.
bool routesWritten(const sim::ReceiverStore& held, const sim::ReceiverStore& expected,
                   const sim::ReceiverStore& before) {
    return std::all_of(expected.routes.begin(), expected.routes.end(), [&](const auto& route) {
        const auto same = [&](const auto& other) { return other == route; };
        return std::any_of(before.routes.begin(), before.routes.end(), same) ||
               std::any_of(held.routes.begin(), held.routes.end(), same);
    });
}

// A GPX route upload sends the routes' points as waypoints first.
bool samePart(int entry, bool gpx, const sim::ReceiverStore& held,
              const sim::ReceiverStore& expected, const sim::ReceiverStore& before) {
    switch (entry) {
        case app::kSendWaypoints:
            return held.waypoints == expected.waypoints;
        case app::kSendRoute:
            return routesWritten(held, expected, before) &&
                   (!gpx || held.waypoints == expected.waypoints);
        default:
            return held.track == expected.track;
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

bool isGpxFile(const std::string& path) {
    return path.size() > 4 && path.compare(path.size() - 4, 4, ".gpx") == 0;
}

UploadFiles::UploadFiles(const std::filesystem::path& folder)
    : waypoints((folder / "upload-waypoints.txt").string()),
      route((folder / "upload-route.txt").string()),
      track((folder / "upload-track.txt").string()),
      waypointsGpx((folder / "upload-waypoints.gpx").string()),
      routesGpx((folder / "upload-routes.gpx").string()),
      trackGpx((folder / "upload-track.gpx").string()),
      wholeGpx((folder / "upload-whole.gpx").string()) {
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
    std::ofstream out(track, std::ios::binary);
    for (int i = 0; i < 12; ++i) {
        out << "Point,True," << 120000 + i * 10 << ".00," << 46.1 + i * 0.001 << ","
            << 7.1 + i * 0.002 << "," << 1500 + i * 3 << ",0,071226\r\n";
    }
    writeGpx();
}

void UploadFiles::writeGpx() const {
    const char* head =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<gpx version=\"1.1\" creator=\"simulation\" "
        "xmlns=\"http://www.topografix.com/GPX/1/1\">\n";
    // One name the receiver knows (replaced), two new ones.
    std::ofstream(waypointsGpx, std::ios::binary)
        << head
        << "<wpt lat=\"46.1\" lon=\"7.1\"><ele>1500</ele><name>HOME</name><cmt>Replaced</cmt>"
           "<sym>a</sym></wpt>\n"
           "<wpt lat=\"46.25\" lon=\"7.25\"><name>GPXA</name><cmt>New A</cmt></wpt>\n"
           "<wpt lat=\"-33.5\" lon=\"-70.25\"><ele>20</ele><name>GPXB</name></wpt>\n</gpx>\n";
    // Route 1 replaces one the receiver has; 8 and 9 are new. Six points each: three route
    // sentences a route.
    std::ofstream routes(routesGpx, std::ios::binary);
    routes << head;
    const int numbers[] = {1, 8, 9};
    for (int r = 0; r < 3; ++r) {
        routes << "<rte><name>Route " << numbers[r] << "</name><number>" << numbers[r]
               << "</number>\n";
        for (int p = 1; p <= 6; ++p) {
            routes << "<rtept lat=\"" << 46.0 + r * 0.1 + p * 0.01 << "\" lon=\"" << 7.0 + p * 0.01
                   << "\"><name>R" << r + 1 << "P" << p << "</name></rtept>\n";
        }
        routes << "</rte>\n";
    }
    routes << "</gpx>\n";
    std::ofstream points(trackGpx, std::ios::binary);
    points << head << "<trk><name>WALK</name><trkseg>\n";
    for (int i = 0; i < 12; ++i) {
        points << "<trkpt lat=\"" << 46.2 + i * 0.001 << "\" lon=\"" << 7.3 + i * 0.002
               << "\"><ele>" << 900 + i * 2 << "</ele><time>2026-12-07T09:" << 10 + i
               << ":00Z</time></trkpt>\n";
    }
    points << "</trkseg></trk>\n</gpx>\n";
    // A waypoint the receiver has and a new one, a route of them, and three track points.
    std::ofstream whole(wholeGpx, std::ios::binary);
    whole << head
          << "<wpt lat=\"46.1\" lon=\"7.1\"><ele>1500</ele><name>WP001</name></wpt>\n"
             "<wpt lat=\"46.2\" lon=\"7.2\"><name>GPXNEW</name><cmt>From GPX</cmt></wpt>\n"
             "<rte><name>Route 5</name><number>5</number>"
             "<rtept lat=\"46.1\" lon=\"7.1\"><name>WP001</name></rtept>"
             "<rtept lat=\"46.2\" lon=\"7.2\"><name>GPXNEW</name></rtept></rte>\n<trk><trkseg>";
    for (int i = 0; i < 3; ++i) {
        whole << "<trkpt lat=\"" << 46.1 + i * 0.0005 << "\" lon=\"" << 7.1 + i * 0.001
              << "\"><ele>" << 1500 + i * 2 << "</ele><time>2026-12-07T12:00:" << 10 + i * 10
              << "Z</time></trkpt>";
    }
    whole << "</trkseg></trk>\n</gpx>\n";
}

const std::string& UploadFiles::of(int entry, bool gpx) const {
    switch (entry) {
        case app::kSendWaypoints:
            return gpx ? waypointsGpx : waypoints;
        case app::kSendRoute:
            return gpx ? routesGpx : route;
        default:
            return gpx ? trackGpx : track;
    }
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
    const std::string& target = file;
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
    session.afterStep = [this] { afterStep(); };
    // Closing the port or choosing another port or speed may drop what was asked for without
    // a word, and stops a route upload where it is.
    session.onPortChange = [this] {
        awaited_.reset();
        routeDisturbed_ = true;
    };
}

void Referee::afterStep() {
    std::vector<std::string> breaches = session_.form().transferRuleBreaches();
    for (std::string& breach : session_.link().ruleBreaches()) {
        breaches.push_back(std::move(breach));
    }
    for (const std::string& breach : breaches) {
        if (std::find(breachesSeen_.begin(), breachesSeen_.end(), breach) == breachesSeen_.end()) {
            breachesSeen_.push_back(breach);
            problem("the transfer state breaks a rule: " + breach);
        }
    }
    if (awaited_) {
        checkAwaited();
    }
    // A GPX file is a whole document after every record.
    if (download_ && download_->gpx && session_.form().RecordCount.value() != recordsSeen_) {
        recordsSeen_ = session_.form().RecordCount.value();
        checkDownloadFile(*download_, false);
    }
    // An upload held behind a stopped one starts from what the receiver holds once the
    // stopped one's sentences have landed.
    const auto& running = session_.form().transfer();
    const bool held = running && running->phase == app::Phase::Held;
    if (upload_ && !upload_->store && session_.time() >= upload_->settlesAt && !held) {
        settleUpload();
    }
}

void Referee::settleUpload() {
    upload_->store = session_.receiver().store();
    if (upload_->entry == app::kSendRoute) {
        for (const auto& route :
             expectedUpload(upload_->entry, upload_->file, *upload_->store).routes) {
            routesAllowed_.push_back(route);
        }
    }
}

void Referee::checkAwaited() {
    if (session_.view().messages.size() > awaited_->boxes) {
        awaited_.reset();
        return;
    }
    const auto& heard = session_.receiver().received();
    for (; awaited_->heard < heard.size(); ++awaited_->heard) {
        if (heard[awaited_->heard].rfind(awaited_->sentence, 0) == 0) {
            awaited_.reset();
            return;
        }
    }
    if (session_.time() > awaited_->deadline) {
        problem(awaited_->sentence + " was not sent within " +
                std::to_string(kReachBound / kSecond) + " s of the choice, and no box said why");
        awaited_.reset();
    }
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
        // A route upload stopped before it settled may still send the route it was sending.
        if (upload_ && !upload_->store) {
            settleUpload();
        }
        upload_.reset();
    }
    if (download_) {
        download_->countedFrom = linesOf(readWhole(download_->path)).size();
    }
    if (entry == app::kReset) {
        awaited_.reset();
    }
    if (starts) {
        awaited_ = Awaited{firstSentenceOf(entry, isGpxFile(file)), session_.time() + kReachBound,
                           session_.receiver().received().size(), session_.view().messages.size()};
    }
    const sim::ReceiverStore& store = session_.receiver().store();
    if (isDownload(entry) && !file.empty()) {
        download_ =
            Download{entry, file, session_.receiver().received().size(), store, 0, readWhole(file)};
    } else if (isUpload(entry) && !file.empty()) {
        upload_ = Upload{entry, file, session_.line().towardsReceiverBusyUntil(), std::nullopt};
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
    if (!isGpxFile(download_->path) && static_cast<int>(written) != records) {
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
    if (!upload_->store) {
        settleUpload();
    }
    const sim::ReceiverStore& expected =
        expectedUpload(upload_->entry, upload_->file, *upload_->store);
    if (!samePart(upload_->entry, isGpxFile(upload_->file), session_.receiver().store(), expected,
                  *upload_->store)) {
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
    std::string unreadable;
    gpxRecords(backup->path(), unreadable);
    if (!unreadable.empty()) {
        problem("the backup " + backup->path() + " is not a whole GPX document: " + unreadable);
    }
    using transfer::backup::Kind;
    const sim::ReceiverStore& store = session_.receiver().store();
    const transfer::backup::Counts counts = backup->counts();
    for (const Kind kind : run.done()) {
        const auto [held, written] =
            kind == Kind::Waypoints ? std::pair(store.waypoints.size(), counts.waypoints)
            : kind == Kind::Routes  ? std::pair(store.routes.size(), counts.routes)
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
    const ExpectedDownload& expected = expectedDownload(asSent);
    const std::string content = readWhole(download.path);
    if (!whole && !content.empty() && content == download.before) {
        return;
    }
    const bool gpx = isGpxFile(download.path);
    std::string unreadable;
    const std::vector<std::string> got =
        gpx ? gpxRecords(download.path, unreadable) : linesOf(content);
    if (!unreadable.empty()) {
        problem("the GPX file " + download.path + " is not well-formed: " + unreadable);
        return;
    }
    if (!expected.completed) {
        // A GPX route file needs the position of every waypoint a route names: without them
        // the download stops with a box, and the file is removed.
        if (!(gpx && download.entry == app::kRequestRoutes)) {
            problem("the reference download did not complete");
        }
        return;
    }
    const bool prefix =
        gpx ? got.size() <= expected.records.size() &&
                  std::equal(got.begin(), got.end(), expected.records.begin())
            : content.size() <= expected.content.size() &&
                  std::equal(content.begin(), content.end(), expected.content.begin());
    if (whole ? content != expected.content : !prefix) {
        const auto& want = expected.records;
        std::size_t first = 0;
        while (first < got.size() && first < want.size() && got[first] == want[first]) {
            ++first;
        }
        problem(std::string(whole ? "the finished file " : "the file ") + download.path +
                " is not the receiver's records in order: record " + std::to_string(first + 1) +
                " is \"" + (first < got.size() ? got[first] : "(missing)") + "\", expected \"" +
                (first < want.size() ? want[first] : "(nothing)") + "\"");
        return;
    }
    // A GPX route file holds no record for the waypoints fetched for their positions.
    if (reached && !(gpx && download.entry == app::kRequestRoutes)) {
        const auto records =
            static_cast<int>(std::count_if(got.begin(), got.end(), [](const auto& r) {
                return r.rfind("rte ", 0) != 0 && r.rfind("trk ", 0) != 0;
            }));
        const int acknowledged = session_.receiver().recordsAcknowledged();
        if (records < acknowledged) {
            problem("the receiver saw " + std::to_string(acknowledged) +
                    " records acknowledged but the file holds " + std::to_string(records));
        }
    }
}

const Referee::ExpectedDownload& Referee::expectedDownload(const Download& download) {
    static std::map<std::string, ExpectedDownload> cache;
    const bool gpx = isGpxFile(download.path);
    const std::string key =
        std::to_string(baud_) + (gpx ? "gpx" : "text") + keyOf(download.entry, gpx, download.store);
    auto it = cache.find(key);
    if (it == cache.end()) {
        sim::ReceiverStore store = download.store;
        const std::string reference =
            (scratch_ / (gpx ? "reference.gpx" : "reference.txt")).string();
        ExpectedDownload expected;
        const auto content = cleanRun(download.entry, reference, store, baud_, scratch_);
        expected.completed = content.has_value();
        expected.content = content.value_or("");
        std::string unreadable;
        expected.records = gpx ? gpxRecords(reference, unreadable) : linesOf(expected.content);
        it = cache.emplace(key, std::move(expected)).first;
    }
    return it->second;
}

const sim::ReceiverStore& Referee::expectedUpload(int entry, const std::string& file,
                                                  const sim::ReceiverStore& before) {
    static std::map<std::string, sim::ReceiverStore> cache;
    // By content: a session's own backup has the same name in every session.
    const std::string key =
        std::to_string(baud_) + readWhole(file) + keyOf(entry, isGpxFile(file), before);
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
