#include "qt/track_view_window.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "common/pattern_format.h"
#include "qt/qt_xml_source.h"
#include "qt/track_painter.h"
#include "transfer/figures_text.h"
#include "transfer/track_file.h"

namespace trawlix::qt {
namespace {

using transfer::figures::PixelPoint;
using transfer::figures::Scene;

constexpr double kHoverPixels = 8.0;
constexpr double kMarginPixels = 30.0;
constexpr double kZoomPerNotch = 1.25;
constexpr int kProfileLeft = 48;  // as paintProfile lays out its plot
constexpr int kProfileRight = 12;
const char* const kFileTypes = "Trawlix text and GPX files (*);;GPX files (*.gpx)";

PixelPoint pixelOf(QPointF at) {
    return {at.x(), at.y()};
}

// Name, time and altitude of a point, one a line.
QString describe(const Scene& scene, const Scene::Hit& hit) {
    QStringList lines;
    if (!hit.point->name.empty()) {
        lines << QString::fromStdString(hit.point->name);
    } else if (hit.track) {
        lines << QString::fromStdString(transfer::figures::trackTitle(
                     scene.contents().tracks[*hit.track], *hit.track)) +
                     ", " + QString::fromStdString(transfer::figures::distanceText(hit.along));
    }
    if (hit.point->time) {
        std::string time = transfer::gpx::isoTextOf(*hit.point->time);
        time.replace(time.find('T'), 1, " ");
        lines << QString::fromStdString(time.substr(0, time.size() - 1) + " UTC");
    }
    if (hit.point->elevation) {
        lines << QString::fromStdString(common::formatPattern(*hit.point->elevation, "0") + " m");
    }
    return lines.join('\n');
}

}  // namespace

MapView::MapView(const Scene& scene, QWidget* parent) : QWidget(parent), scene_(scene) {
    setMouseTracking(true);
    setMinimumSize(200, 150);
    setCursor(Qt::OpenHandCursor);
}

void MapView::chooseTrack(std::optional<std::size_t> track) {
    chosen_ = track;
    update();
}

void MapView::setMarker(std::optional<transfer::figures::PlanePoint> marker) {
    marker_ = marker;
    update();
}

void MapView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintMap(painter, scene_, frame_, {chosen_, marker_});
}

void MapView::resizeEvent(QResizeEvent*) {
    frame_.resize(width(), height());
    if (!fitted_) {
        scene_.fit(frame_, kMarginPixels);
        fitted_ = true;
    }
}

void MapView::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / 120.0;
    frame_.zoomAbout(pixelOf(event->position()), std::pow(kZoomPerNotch, notches));
    update();
    event->accept();
}

void MapView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        dragFrom_ = event->position();
        setCursor(Qt::ClosedHandCursor);
    }
}

void MapView::mouseMoveEvent(QMouseEvent* event) {
    if (dragFrom_) {
        const QPointF step = event->position() - *dragFrom_;
        frame_.panBy(step.x(), step.y());
        dragFrom_ = event->position();
        update();
        return;
    }
    hover(event->position());
}

void MapView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        dragFrom_.reset();
        setCursor(Qt::OpenHandCursor);
    }
}

void MapView::mouseDoubleClickEvent(QMouseEvent*) {
    scene_.fit(frame_, kMarginPixels);
    update();
}

void MapView::hover(QPointF at) {
    const auto hit = scene_.nearest(frame_, pixelOf(at), kHoverPixels);
    if (hit) {
        QToolTip::showText(mapToGlobal(at.toPoint()), describe(scene_, *hit), this);
    } else {
        QToolTip::hideText();
    }
    // The profile follows the chosen track even where the pointer is only close to it.
    const auto onTrack =
        chosen_ ? scene_.nearest(frame_, pixelOf(at), 4 * kHoverPixels, chosen_) : std::nullopt;
    setMarker(onTrack ? std::optional(onTrack->at) : std::nullopt);
    emit pointedAlong(onTrack ? std::optional(onTrack->along) : std::nullopt);
}

ProfileView::ProfileView(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setMinimumHeight(100);
}

void ProfileView::setProfile(std::vector<Scene::ProfilePoint> profile) {
    profile_ = std::move(profile);
    marker_.reset();
    update();
}

void ProfileView::setMarker(std::optional<double> along) {
    marker_ = along;
    update();
}

void ProfileView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintProfile(painter, rect(), profile_, marker_);
}

void ProfileView::mouseMoveEvent(QMouseEvent* event) {
    if (profile_.empty()) {
        return;
    }
    const double plotWidth = std::max(1, width() - kProfileLeft - kProfileRight);
    const double share = std::clamp((event->position().x() - kProfileLeft) / plotWidth, 0.0, 1.0);
    const double along = share * std::max(profile_.back().along, 1.0);
    setMarker(along);
    emit pointedAlong(along);
}

TrackViewWindow::TrackViewWindow(const QString& path, transfer::figures::Contents contents,
                                 QWidget* parent)
    : QWidget(parent, Qt::Window), scene_(std::make_unique<Scene>(std::move(contents))) {
    setObjectName("trackView");
    setWindowTitle(QFileInfo(path).fileName() + " - Trawlix");
    map_ = new MapView(*scene_);
    profile_ = new ProfileView;
    tracks_ = new QComboBox;
    tracks_->setObjectName("cboTrack");
    figures_ = new QPlainTextEdit;
    figures_->setReadOnly(true);
    figures_->setPlainText(
        QString::fromStdString(transfer::figures::contentsText(scene_->contents())));
    figures_->setLineWrapMode(QPlainTextEdit::NoWrap);
    figures_->setMinimumWidth(400);

    const auto& tracks = scene_->contents().tracks;
    for (std::size_t t = 0; t < tracks.size(); ++t) {
        QPixmap swatch(12, 12);
        swatch.fill(trackColour(t));
        tracks_->addItem(QIcon(swatch),
                         QString::fromStdString(transfer::figures::trackTitle(tracks[t], t)));
    }
    tracks_->setEnabled(tracks.size() > 1);

    auto* left = new QSplitter(Qt::Vertical);
    left->addWidget(map_);
    left->addWidget(profile_);
    left->setStretchFactor(0, 4);
    left->setStretchFactor(1, 1);
    auto* side = new QWidget;
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    auto* chooser = new QWidget;
    auto* chooserLayout = new QHBoxLayout(chooser);
    chooserLayout->setContentsMargins(0, 0, 0, 0);
    chooserLayout->addWidget(new QLabel("Track:"));
    chooserLayout->addWidget(tracks_, 1);
    chooser->setVisible(!tracks.empty());
    sideLayout->addWidget(chooser);
    sideLayout->addWidget(figures_, 1);
    auto* whole = new QSplitter(Qt::Horizontal);
    whole->addWidget(left);
    whole->addWidget(side);
    whole->setStretchFactor(0, 3);
    whole->setStretchFactor(1, 1);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(whole);

    connect(tracks_, &QComboBox::currentIndexChanged, this, &TrackViewWindow::chooseTrack);
    connect(map_, &MapView::pointedAlong, profile_, &ProfileView::setMarker);
    connect(profile_, &ProfileView::pointedAlong, this, [this](double along) {
        if (chosen_) {
            const auto hit = scene_->atDistance(*chosen_, along);
            map_->setMarker(hit ? std::optional(hit->at) : std::nullopt);
        }
    });
    chooseTrack(tracks.empty() ? -1 : 0);
    resize(1200, 800);
}

void TrackViewWindow::chooseTrack(int index) {
    chosen_ = index >= 0 ? std::optional(static_cast<std::size_t>(index)) : std::nullopt;
    map_->chooseTrack(chosen_);
    map_->setMarker(std::nullopt);
    profile_->setProfile(chosen_ ? scene_->profile(*chosen_) : std::vector<Scene::ProfilePoint>{});
    profile_->setVisible(chosen_.has_value());
}

namespace {

// A route file names its waypoints only: their positions, from a waypoint file the user
// chooses (an empty name when the user would rather not).
QString waypointsFileFor(QWidget* parent, const transfer::figures::Contents& contents,
                         const QString& path) {
    const bool unplaced = std::any_of(contents.routes.begin(), contents.routes.end(),
                                      [](const auto& route) { return !route.positioned; });
    if (!unplaced || QMessageBox::question(
                         parent, "Trawlix",
                         QFileInfo(path).fileName() +
                             " is a route file: it names its waypoints only. Choose the "
                             "waypoint file that gives their positions?") != QMessageBox::Yes) {
        return {};
    }
    return QFileDialog::getOpenFileName(parent, "Waypoints of the Routes",
                                        QFileInfo(path).absolutePath(), kFileTypes);
}

}  // namespace

void viewFile(QWidget* parent, const QString& path) {
    QtXmlSource xml;
    transfer::figures::LoadResult loaded = transfer::figures::loadFile(path.toStdString(), xml);
    if (loaded.contents) {
        const QString waypoints = waypointsFileFor(parent, *loaded.contents, path);
        if (!waypoints.isEmpty()) {
            loaded = transfer::figures::loadFile(path.toStdString(), xml, waypoints.toStdString());
        }
    }
    if (!loaded.contents) {
        QMessageBox::warning(parent, "Trawlix", QString::fromStdString(loaded.error));
        return;
    }
    auto* window = new TrackViewWindow(path, std::move(*loaded.contents), parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
}

void chooseAndViewFile(QWidget* parent) {
    const QString path = QFileDialog::getOpenFileName(parent, "View File", QString(), kFileTypes);
    if (!path.isEmpty()) {
        viewFile(parent, path);
    }
}

ViewOffer::ViewOffer(QWidget* statusArea) : QObject(statusArea) {
    button_ = new QToolButton(statusArea);
    button_->setObjectName("cmdViewDownload");
    button_->setAutoRaise(true);
    button_->hide();
    connect(button_, &QToolButton::clicked, this, [this] { viewFile(button_->window(), path_); });
}

void ViewOffer::offer(const QString& path) {
    path_ = path;
    button_->setText("View " + QFileInfo(path).fileName());
    button_->setToolTip(
        "Draw the downloaded file: its track, routes or waypoints and their figures");
    button_->show();
}

}  // namespace trawlix::qt
