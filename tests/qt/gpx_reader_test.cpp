// GPX as other programs write it, read through the Qt XML reader.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "qt/qt_xml_source.h"
#include "transfer/gpx_reader.h"

namespace trawlix::transfer::gpx {
namespace {

class GpxReading : public ::testing::Test {
  protected:
    GpxReading() {
        folder = std::filesystem::temp_directory_path() /
                 ("trawlix-gpx-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder);
    }
    ~GpxReading() override { std::filesystem::remove_all(folder); }

    ReadResult read(const std::string& contents) {
        const std::string file = (folder / "in.gpx").string();
        std::ofstream(file, std::ios::binary) << contents;
        return readDocument(file, xml);
    }

    // The message of a file that cannot be read, without the file's name.
    std::string refusal(const std::string& contents) {
        const ReadResult result = read(contents);
        EXPECT_FALSE(result.document);
        const std::string prefix = (folder / "in.gpx").string() + ": ";
        const auto at = result.error.find(prefix);
        return at == std::string::npos ? result.error : result.error.substr(at + prefix.size());
    }

    std::filesystem::path folder;
    qt::QtXmlSource xml;
};

TEST_F(GpxReading, PrefixesCdataEntitiesExtensionsAndMetadata) {
    const ReadResult result = read(R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE g:gpx [ <!ENTITY hut "Cabane"> ]>
<g:gpx xmlns:g="http://www.topografix.com/GPX/1/1" xmlns:x="urn:other" version="1.1" creator="t">
  <g:metadata><g:name>ignored</g:name><g:time>not a time, but metadata</g:time></g:metadata>
  <g:wpt lon="7.25" lat="-46.5">
    <g:name><![CDATA[A<B & C]]></g:name>
    <g:cmt>&hut; d&apos;Orny &#8211; &#xE9;t&#233;</g:cmt>
    <g:sym>
      Flag
    </g:sym>
    <g:extensions><x:ele>not mine</x:ele><g:name>nor this</g:name></g:extensions>
    <x:name>foreign</x:name>
  </g:wpt>
  <g:extensions><g:wpt lat="1" lon="1"/></g:extensions>
</g:gpx>)");
    ASSERT_TRUE(result.document) << result.error;
    ASSERT_EQ(result.document->waypoints.size(), 1u);
    const Point& point = result.document->waypoints[0];
    EXPECT_EQ(point.latitude, -46.5);
    EXPECT_EQ(point.longitude, 7.25);
    EXPECT_FALSE(point.elevation);
    EXPECT_EQ(point.name, "A<B & C");
    EXPECT_EQ(point.comment, "Cabane d'Orny \xe2\x80\x93 \xc3\xa9t\xc3\xa9");
    EXPECT_EQ(point.symbol, "Flag");
}

TEST_F(GpxReading, DeclaredEncodingIsDecoded) {
    const ReadResult result = read(
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
        "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\" version=\"1.1\">"
        "<wpt lat=\"46\" lon=\"7\"><name>Z\xfcrich</name></wpt></gpx>");
    ASSERT_TRUE(result.document) << result.error;
    EXPECT_EQ(result.document->waypoints.at(0).name, "Z\xc3\xbcrich");
}

TEST_F(GpxReading, TracksRoutesAndGpx10) {
    const ReadResult result = read(R"(<gpx xmlns="http://www.topografix.com/GPX/1/0" version="1.0">
  <rte><name>Lakes</name><number>7</number>
    <rtept lat="46.1" lon="7.1"><name>HOME</name></rtept>
    <rtept lat="46.2" lon="7.2"><ele>2000.5</ele></rtept>
  </rte>
  <trk><name>Day 1</name>
    <trkseg><trkpt lat="46.1" lon="7.1"><ele>1500</ele><time>2008-08-11T07:15:48.24Z</time>
      <fix>none</fix><speed>1.2</speed></trkpt></trkseg>
    <trkseg><trkpt lat="46.2" lon="7.2"><fix>3d</fix></trkpt></trkseg>
  </trk>
  <rte><rtept lat="1" lon="2"/></rte>
</gpx>)");
    ASSERT_TRUE(result.document) << result.error;
    const Document& document = *result.document;
    ASSERT_EQ(document.routes.size(), 2u);
    EXPECT_EQ(document.routes[0].name, "Lakes");
    EXPECT_EQ(document.routes[0].number, 7);
    ASSERT_EQ(document.routes[0].points.size(), 2u);
    EXPECT_EQ(document.routes[0].points[1].elevation, 2000.5);
    EXPECT_FALSE(document.routes[1].number);
    ASSERT_EQ(document.tracks.size(), 1u);
    EXPECT_EQ(document.tracks[0].name, "Day 1");
    ASSERT_EQ(document.tracks[0].segments.size(), 2u);
    const Point& first = document.tracks[0].segments[0].at(0);
    EXPECT_TRUE(first.noFix);
    EXPECT_EQ(isoTextOf(*first.time), "2008-08-11T07:15:48.24Z");
    EXPECT_FALSE(document.tracks[0].segments[1].at(0).noFix);
}

TEST_F(GpxReading, FaultsAreNamedWithTheirLineAndColumn) {
    constexpr const char* kOpen = "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\">\n";
    EXPECT_EQ(refusal(std::string(kOpen) + "<wpt lat=\"95\" lon=\"7\"/></gpx>"),
              "line 2, column 23: the latitude \"95\" is not a number from -90 to 90.");
    EXPECT_EQ(refusal(std::string(kOpen) + "<wpt lat=\"45\" lon=\"-181\"/></gpx>"),
              "line 2, column 26: the longitude \"-181\" is not a number from -180 to 180.");
    EXPECT_EQ(refusal(std::string(kOpen) + "<wpt lat=\"45\" lon=\"7\">\n  <ele>high</ele></wpt>"),
              "line 3, column 7: the elevation \"high\" is not a number.");
    EXPECT_EQ(
        refusal(std::string(kOpen) + "<trk><trkseg><trkpt lat=\"1\" lon=\"2\"><time>noon</time>"),
        "line 2, column 42: the time \"noon\" cannot be read (2008-08-11T07:15:48Z).");
    EXPECT_EQ(refusal(std::string(kOpen) + "<wpt lat=\"1\"/></gpx>"),
              "line 2, column 14: a point without lat and lon.");
    EXPECT_EQ(refusal("<kml xmlns=\"http://www.opengis.net/kml/2.2\"/>"),
              "it is not a GPX file (its outermost element is <kml>).");
    const std::string broken = refusal(std::string(kOpen) + "<wpt lat=\"1\" lon=\"2\">\n</gpx>");
    EXPECT_EQ(broken.rfind("line 3, column ", 0), 0u) << broken;
    EXPECT_NE(
        refusal(std::string(kOpen) + "<wpt lat=\"1\" lon=\"2\"><name>&nope;</name>").find("line 2"),
        std::string::npos);
    const ReadResult missing = readDocument((folder / "none.gpx").string(), xml);
    EXPECT_EQ(missing.error.rfind("Can't open the file " + (folder / "none.gpx").string(), 0), 0u);
}

}  // namespace
}  // namespace trawlix::transfer::gpx
