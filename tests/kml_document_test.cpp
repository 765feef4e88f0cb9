#include "kml_document.h"
#include "kml_lines.h"

#include <gtest/gtest.h>

#include "export_reader.h"
#include "greek.h"

namespace {

TrackPoint Point(std::string time, std::string speed, std::string lat, std::string lon) {
  return TrackPoint{std::move(time), std::move(speed), std::move(lat), std::move(lon)};
}

// Lines are numbered from 1 in these tests, as a viewer shows them.
const std::string& LineNo(const std::vector<std::string>& doc, std::size_t n) {
  return doc.at(n - 1);
}

TEST(KmlDocument, DocumentWithoutPoints) {
  const auto doc = KmlDocumentLines(TrackHeader{}, {});
  ASSERT_EQ(doc.size(), 184u);
  EXPECT_EQ(LineNo(doc, 164), "<Open>  </Open>");
  EXPECT_EQ(LineNo(doc, 165), "<description>  </description>");
  EXPECT_EQ(LineNo(doc, 166), "<name>   Track Log</name>");
  EXPECT_EQ(LineNo(doc, 168), "<name> Route</name>");
  EXPECT_EQ(LineNo(doc, 173), "");
  EXPECT_EQ(LineNo(doc, 179), "<name> Positions</name>");
  const std::vector<std::string> closing(doc.end() - 5, doc.end());
  EXPECT_EQ(closing, (std::vector<std::string>{"</Folder>", "", "", "</Document>", "</kml>"}));
}

TEST(KmlDocument, PointsInListOrder) {
  TrackHeader header{greek::kVehicle, "R", "01/02/2010", 4};
  const auto doc = KmlDocumentLines(
      header, {Point("10:00:05", "12", "38.1", "23.7"), Point("10:00:15", "7.5", "38.2", "23.8")});
  ASSERT_EQ(doc.size(), 184u + 20u);
  const std::string v = greek::kVehicleUtf8;
  EXPECT_EQ(LineNo(doc, 164), "<Open>" + v + " R 01/02/2010</Open>");
  EXPECT_EQ(LineNo(doc, 166), "<name>" + v + " R 01/02/2010 Track Log</name>");
  EXPECT_EQ(LineNo(doc, 168), "<name>" + v + " Route</name>");
  EXPECT_EQ(LineNo(doc, 169), "<styleUrl>#roadStyle01</styleUrl>");
  EXPECT_EQ(LineNo(doc, 173), "23.7,38.1,0 23.8,38.2,0 ");
  const std::vector<std::string> first(doc.begin() + 179, doc.begin() + 189);
  EXPECT_EQ(first, (std::vector<std::string>{
                       "<Placemark>",
                       "\t<name>" + v + " 01/02/2010 10:00:05 12km/h</name>",
                       "\t<styleUrl> #styleMap_TLP_Start </styleUrl>",
                       "",
                       "\t<Point>",
                       "\t<coordinates>",
                       "\t\t23.7,38.1,0",
                       "\t</coordinates>",
                       "\t</Point>",
                       "</Placemark>",
                   }));
  EXPECT_EQ(LineNo(doc, 191), "\t<name>" + v + " 01/02/2010 10:00:15 7.5km/h</name>");
  EXPECT_EQ(LineNo(doc, 196), "\t\t23.8,38.2,0");
}

TEST(KmlDocument, InsertedTextsAreEscapedUtf8) {
  TrackHeader header{"A&B<" + greek::kVehicle + ">", "\xC4\x01", "1\x7F", 1};
  const auto doc =
      KmlDocumentLines(header, {Point("t&", "<1>", "\xAA", std::string("\xFF\x1F", 2))});
  const std::string v = "A&amp;B&lt;" + greek::kVehicleUtf8 + "&gt;";
  EXPECT_EQ(LineNo(doc, 164), "<Open>" + v + " \u0394\uFFFD 1\x7F</Open>");
  EXPECT_EQ(LineNo(doc, 173), "\uF8FB\uFFFD,\uF8F9,0 ");
  EXPECT_EQ(LineNo(doc, 181), "\t<name>" + v + " 1\x7F t&amp; &lt;1&gt;km/h</name>");
}

TEST(ConvertExport, GivesTheSummaryAndTheDocument) {
  const std::string longRow = "12:00:00;x;7;y;4,5;6,5;" + std::string(70000, 'z');
  const std::vector<std::string> text = {
      greek::kVehicleLabel + greek::kVehicle + ";",
      greek::kTitleLabel + "x",
      "10:00:05;x;12;y;38,1;23,7;z",
      "10:00:00;x;0;y;" + greek::kNoFix + ";;z",
      longRow,  // longer than a line is read: its fields come first all the same
      "11:00:00;x;3;y;1,5;2,5",
  };
  std::string joined;
  for (const auto& line : text)
    joined.append(line).append("\r\n");
  const Converted c = Convert(joined);
  EXPECT_EQ(c.counts.points, 3u);
  EXPECT_EQ(c.counts.skipped, 1u);
  EXPECT_EQ(c.summary, greek::kVehicleCaption + greek::kVehicle + "\r\n" + greek::kDriverCaption +
                           "\r\n" + greek::kDateCaption +
                           "\r\nData 1st Line: 2\r\n"
                           "11:00:00 2.5 1.5 3\r\n12:00:00 6.5 4.5 7\r\n10:00:05 23.7 38.1 12\r\n");
  const auto doc = LinesOf(c.kml);
  ASSERT_EQ(doc.size(), 184u + 30u);
  EXPECT_EQ(LineNo(doc, 173), "2.5,1.5,0 6.5,4.5,0 23.7,38.1,0 ");
  EXPECT_EQ(LineNo(doc, 181), "\t<name>" + greek::kVehicleUtf8 + "  11:00:00 3km/h</name>");
  EXPECT_EQ(LineNo(doc, 186 + 10), "\t\t6.5,4.5,0");
  EXPECT_EQ(LineNo(doc, 189 + 20), "</Placemark>");
  EXPECT_TRUE(c.kml.ends_with("</Document>\r\n</kml>\r\n"));
}

}  // namespace
