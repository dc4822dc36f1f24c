#pragma once

#include <QString>
#include <QToolButton>
#include <QWidget>
#include <memory>
#include <optional>

#include "transfer/track_scene.h"

class QComboBox;
class QPlainTextEdit;

// The view window: a file's tracks, routes and waypoints drawn, the chosen track's
// elevation profile below, and the figures beside them.
namespace trawlix::qt {

// The drawing: the wheel zooms about the pointer, dragging pans, a double click shows
// everything again, and hovering over a point tells its name, time and altitude.
class MapView : public QWidget {
    Q_OBJECT

  public:
    explicit MapView(const transfer::figures::Scene& scene, QWidget* parent = nullptr);

    void chooseTrack(std::optional<std::size_t> track);
    void setMarker(std::optional<transfer::figures::PlanePoint> marker);
    const transfer::figures::MapFrame& frame() const { return frame_; }
    QSize sizeHint() const override { return {900, 600}; }

  signals:
    // The pointer is near the point `along` metres along the chosen track, or near none.
    void pointedAlong(std::optional<double> along);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    void hover(QPointF at);

    const transfer::figures::Scene& scene_;
    transfer::figures::MapFrame frame_;
    bool fitted_ = false;
    std::optional<QPointF> dragFrom_;
    std::optional<std::size_t> chosen_;
    std::optional<transfer::figures::PlanePoint> marker_;
};

// The elevation of the chosen track against distance; the pointer over it moves the marker
// on the drawing.
class ProfileView : public QWidget {
    Q_OBJECT

  public:
    explicit ProfileView(QWidget* parent = nullptr);
    void setProfile(std::vector<transfer::figures::Scene::ProfilePoint> profile);
    void setMarker(std::optional<double> along);
    QSize sizeHint() const override { return {900, 160}; }

  signals:
    void pointedAlong(double along);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    std::vector<transfer::figures::Scene::ProfilePoint> profile_;
    std::optional<double> marker_;
};

class TrackViewWindow : public QWidget {
    Q_OBJECT

  public:
    TrackViewWindow(const QString& path, transfer::figures::Contents contents,
                    QWidget* parent = nullptr);
    MapView* map() const { return map_; }

  private:
    void chooseTrack(int index);

    std::unique_ptr<transfer::figures::Scene> scene_;
    MapView* map_ = nullptr;
    ProfileView* profile_ = nullptr;
    QComboBox* tracks_ = nullptr;
    QPlainTextEdit* figures_ = nullptr;
    std::optional<std::size_t> chosen_;
};

// Reads `path` and opens a view window on it; a file that cannot be shown gets a message
// box on `parent` that says why. The window closes itself away.
void viewFile(QWidget* parent, const QString& path);

// "View File...": asks for a file, then views it.
void chooseAndViewFile(QWidget* parent);

// A button in the status bar that offers to view the file of the latest download.
class ViewOffer : public QObject {
    Q_OBJECT

  public:
    explicit ViewOffer(QWidget* statusArea);
    void offer(const QString& path);
    QToolButton* button() const { return button_; }

  private:
    QToolButton* button_ = nullptr;
    QString path_;
};

}  // namespace trawlix::qt
