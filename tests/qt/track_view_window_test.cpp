// The view window driven as the user drives it: wheel, drag and the offer after a download.
#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>

#include "qt/qt_xml_source.h"
#include "qt/track_view_window.h"
#include "transfer/track_file.h"

namespace trawlix::qt {
namespace {

using transfer::figures::PlanePoint;

class ViewWindow : public ::testing::Test {
  protected:
    ViewWindow() : window("walk.gpx", load()) {
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    static transfer::figures::Contents load() {
        QtXmlSource xml;
        return *transfer::figures::loadFile(TRAWLIX_TEST_DATA "/tracks/walk.gpx", xml).contents;
    }
    PlanePoint under(QPointF at) const { return window.map()->frame().toPlane({at.x(), at.y()}); }
    TrackViewWindow window;
};

TEST_F(ViewWindow, TheWheelZoomsAboutThePointer) {
    const QPointF pointer(120, 90);
    const PlanePoint before = under(pointer);
    const double scale = window.map()->frame().metresPerPixel();
    QWheelEvent wheel(pointer, window.map()->mapToGlobal(pointer), {}, {0, 240}, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(window.map(), &wheel);
    EXPECT_NEAR(window.map()->frame().metresPerPixel(), scale / 1.5625, 1e-9);
    EXPECT_NEAR(under(pointer).x, before.x, 1e-6);
    EXPECT_NEAR(under(pointer).y, before.y, 1e-6);
}

TEST_F(ViewWindow, DraggingCarriesTheDrawingWithThePointer) {
    const PlanePoint grabbed = under({100, 100});
    QTest::mousePress(window.map(), Qt::LeftButton, {}, {100, 100});
    QMouseEvent move(QEvent::MouseMove, QPointF(160, 70),
                     window.map()->mapToGlobal(QPointF(160, 70)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(window.map(), &move);
    QTest::mouseRelease(window.map(), Qt::LeftButton, {}, {160, 70});
    EXPECT_NEAR(under({160, 70}).x, grabbed.x, 1e-6);
    EXPECT_NEAR(under({160, 70}).y, grabbed.y, 1e-6);
}

TEST(ViewOfferTest, ADownloadOffersItsFile) {
    QWidget status;
    ViewOffer offer(&status);
    EXPECT_TRUE(offer.button()->isHidden());
    offer.offer("/tmp/day/track.gpx");
    EXPECT_FALSE(offer.button()->isHidden());
    EXPECT_EQ(offer.button()->text(), "View track.gpx");
}

}  // namespace
}  // namespace trawlix::qt
