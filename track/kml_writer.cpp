#include "kml_writer.h"

#include "textfun.h"
#include "xml_text.h"

namespace {

std::string IconUrl(std::string_view path) {
  return Concat({IconBaseUrl, path});
}

constexpr std::string_view kFinishIcon =
    "C:\\Program Files\\Google\\Google Earth\\res\\shapes\\4x4.png";
constexpr std::string_view kMotoFinishIcon =
    "C:\\Program Files\\Google\\Google Earth\\res\\shapes\\motorcycling.png";

}  // namespace

KmlWriter::KmlWriter(LineSink sink) : sink_(std::move(sink)) {}

void KmlWriter::WritePreamble() {
  Emit("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
  Emit(Concat({"<kml xmlns=\"", KmlNamespaceUri, "\">"}));
  Emit("<Document>");
  WriteIconStyleSet("TLP_Start", IconUrl("/mapfiles/kml/pal4/icon15.png"),
                    IconUrl("/mapfiles/kml/pal4/icon7.png"), false);
  WriteIconStyleSet("TLP_Finish", kFinishIcon, kFinishIcon, true);
  WriteIconStyleSet("MotoTLP_Finish", kMotoFinishIcon, kMotoFinishIcon, true);
  WriteIconStyleSet("TLP_Normal", IconUrl("/mapfiles/kml/pal4/icon31.png"),
                    IconUrl("/mapfiles/kml/pal4/icon23.png"), false);
  WriteLineStyle("01", "ff00ff00");
  WriteLineStyle("02", "ff00FCFF");
  WriteLineStyle("03", "ffFF0000");
  WriteLineStyle("04", "ff0000ff");
}

void KmlWriter::WriteIconStyleSet(std::string_view name, std::string_view normalIcon,
                                  std::string_view highlightIcon, bool iconColours) {
  Emit(Concat({"<Style id=\"normalState_", name, "\">"}));
  Emit("<IconStyle>");
  Emit("<scale>1.0</scale>");
  Emit("<Icon>");
  Emit(Concat({"<href>", normalIcon, "</href>"}));
  Emit("</Icon>");
  if (iconColours) Emit("<color>ff00ff00</color>");
  Emit("</IconStyle>");
  Emit("<LabelStyle>");
  Emit("<scale>1.0</scale>");
  Emit("</LabelStyle>");
  Emit("</Style>");
  Emit(Concat({"<Style id=\"highlightState_", name, "\">"}));
  Emit("<IconStyle>");
  Emit("<scale>1.1</scale>");
  Emit("<Icon>");
  Emit(Concat({"<href>", highlightIcon, "</href>"}));
  Emit("</Icon>");
  if (iconColours) Emit("<color>ff0000ff</color>");
  Emit("</IconStyle>");
  Emit("<LabelStyle>");
  Emit("<scale>1.1</scale>");
  Emit("<color>ff0000ff</color>");
  Emit("</LabelStyle>");
  Emit("</Style>");
  Emit(Concat({"<StyleMap id=\"styleMap_", name, "\">"}));
  Emit("<Pair>");
  Emit("<key>normal</key>");
  Emit(Concat({"<styleUrl>#normalState_", name, "</styleUrl>"}));
  Emit("</Pair>");
  Emit("<Pair>");
  Emit("<key>highlight</key>");
  Emit(Concat({"<styleUrl>#highlightState_", name, "</styleUrl>"}));
  Emit("</Pair>");
  Emit("</StyleMap>");
}

void KmlWriter::WriteLineStyle(std::string_view number, std::string_view colour) {
  Emit(Concat({"<Style id=\"roadStyle", number, "\">"}));
  Emit("<LineStyle>");
  Emit(Concat({"<color>", colour, "</color>"}));
  Emit("<width>6</width>");
  Emit("</LineStyle>");
  Emit("</Style>");
}

void KmlWriter::WriteTrack(const TrackHeader& header, const std::vector<TrackPoint>& points) {
  std::string route;
  route.reserve(points.size() * 24);
  for (const auto& point : points)
    AppendRouteTriple(route, point);
  WriteBody(header, route);
  for (const auto& point : points)
    WritePlacemark(point);
  WriteClosing();
}

void KmlWriter::AppendRouteTriple(std::string& route, const TrackPoint& point) {
  AppendXmlText(route, point.longitude);
  route.push_back(',');
  AppendXmlText(route, point.latitude);
  route.append(",0 ");
}

void KmlWriter::WriteBody(const TrackHeader& header, std::string_view routeLine) {
  vehicle_.clear();
  AppendXmlText(vehicle_, header.vehicle);
  date_.clear();
  AppendXmlText(date_, header.date);
  std::string driver;
  AppendXmlText(driver, header.driver);
  const std::string title = Concat({vehicle_, " ", driver, " ", date_});

  Emit(Concat({"<Open>", title, "</Open>"}));
  Emit(Concat({"<description>", title, "</description>"}));
  Emit(Concat({"<name>", title, " Track Log</name>"}));
  Emit("<Placemark>");
  Emit(Concat({"<name>", vehicle_, " Route</name>"}));
  Emit("<styleUrl>#roadStyle01</styleUrl>");
  Emit("<MultiGeometry>");
  Emit("<LineString>");
  Emit("<coordinates>");
  Emit(routeLine);
  Emit("</coordinates>");
  Emit("</LineString>");
  Emit("</MultiGeometry>");
  Emit("</Placemark>");
  Emit("<Folder>");
  Emit(Concat({"<name>", vehicle_, " Positions</name>"}));
}

void KmlWriter::WritePlacemark(const TrackPoint& point) {
  Emit("<Placemark>");
  line_.assign("\t<name>");
  line_.append(vehicle_).append(" ").append(date_).append(" ");
  AppendXmlText(line_, point.time);
  line_.push_back(' ');
  AppendXmlText(line_, point.speed);
  line_.append("km/h</name>");
  Emit(line_);
  Emit("\t<styleUrl> #styleMap_TLP_Start </styleUrl>");
  Emit("");
  Emit("\t<Point>");
  Emit("\t<coordinates>");
  line_.assign("\t\t");
  AppendXmlText(line_, point.longitude);
  line_.push_back(',');
  AppendXmlText(line_, point.latitude);
  line_.append(",0");
  Emit(line_);
  Emit("\t</coordinates>");
  Emit("\t</Point>");
  Emit("</Placemark>");
}

void KmlWriter::WriteClosing() {
  Emit("</Folder>");
  Emit("");
  Emit("");
  Emit("</Document>");
  Emit("</kml>");
}
