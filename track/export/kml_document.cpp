#include "kml_document.h"

#include "byte_room.h"
#include "fix_times.h"
#include "textfun.h"
#include "xml_text.h"

namespace {

constexpr std::string_view kBreak = "\r\n";

constexpr std::string_view kFinishIcon =
    "C:\\Program Files\\Google\\Google Earth\\res\\shapes\\4x4.png";
constexpr std::string_view kMotoFinishIcon =
    "C:\\Program Files\\Google\\Google Earth\\res\\shapes\\motorcycling.png";

// Appends the parts as one line.
void Line(std::string& out, std::initializer_list<std::string_view> parts) {
  for (auto p : parts)
    out.append(p);
  out.append(kBreak);
}

void IconStyleSet(std::string& out, std::string_view name, std::string_view normalIcon,
                  std::string_view highlightIcon, bool iconColours) {
  Line(out, {"<Style id=\"normalState_", name, "\">"});
  Line(out, {"<IconStyle>"});
  Line(out, {"<scale>1.0</scale>"});
  Line(out, {"<Icon>"});
  Line(out, {"<href>", normalIcon, "</href>"});
  Line(out, {"</Icon>"});
  if (iconColours) Line(out, {"<color>ff00ff00</color>"});
  Line(out, {"</IconStyle>"});
  Line(out, {"<LabelStyle>"});
  Line(out, {"<scale>1.0</scale>"});
  Line(out, {"</LabelStyle>"});
  Line(out, {"</Style>"});
  Line(out, {"<Style id=\"highlightState_", name, "\">"});
  Line(out, {"<IconStyle>"});
  Line(out, {"<scale>1.1</scale>"});
  Line(out, {"<Icon>"});
  Line(out, {"<href>", highlightIcon, "</href>"});
  Line(out, {"</Icon>"});
  if (iconColours) Line(out, {"<color>ff0000ff</color>"});
  Line(out, {"</IconStyle>"});
  Line(out, {"<LabelStyle>"});
  Line(out, {"<scale>1.1</scale>"});
  Line(out, {"<color>ff0000ff</color>"});
  Line(out, {"</LabelStyle>"});
  Line(out, {"</Style>"});
  Line(out, {"<StyleMap id=\"styleMap_", name, "\">"});
  Line(out, {"<Pair>"});
  Line(out, {"<key>normal</key>"});
  Line(out, {"<styleUrl>#normalState_", name, "</styleUrl>"});
  Line(out, {"</Pair>"});
  Line(out, {"<Pair>"});
  Line(out, {"<key>highlight</key>"});
  Line(out, {"<styleUrl>#highlightState_", name, "</styleUrl>"});
  Line(out, {"</Pair>"});
  Line(out, {"</StyleMap>"});
}

void LineStyle(std::string& out, std::string_view number, std::string_view colour) {
  Line(out, {"<Style id=\"roadStyle", number, "\">"});
  Line(out, {"<LineStyle>"});
  Line(out, {"<color>", colour, "</color>"});
  Line(out, {"<width>6</width>"});
  Line(out, {"</LineStyle>"});
  Line(out, {"</Style>"});
}

std::string MakePreamble() {
  std::string out;
  Line(out, {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>"});
  Line(out, {"<kml xmlns=\"", KmlNamespaceUri, "\">"});
  Line(out, {"<Document>"});
  const std::string icon15 = Concat({IconBaseUrl, "/mapfiles/kml/pal4/icon15.png"});
  const std::string icon7 = Concat({IconBaseUrl, "/mapfiles/kml/pal4/icon7.png"});
  const std::string icon31 = Concat({IconBaseUrl, "/mapfiles/kml/pal4/icon31.png"});
  const std::string icon23 = Concat({IconBaseUrl, "/mapfiles/kml/pal4/icon23.png"});
  IconStyleSet(out, "TLP_Start", icon15, icon7, false);
  IconStyleSet(out, "TLP_Finish", kFinishIcon, kFinishIcon, true);
  IconStyleSet(out, "MotoTLP_Finish", kMotoFinishIcon, kMotoFinishIcon, true);
  IconStyleSet(out, "TLP_Normal", icon31, icon23, false);
  LineStyle(out, "01", "ff00ff00");
  LineStyle(out, "02", "ff00FCFF");
  LineStyle(out, "03", "ffFF0000");
  LineStyle(out, "04", "ff0000ff");
  return out;
}

}  // namespace

std::string_view KmlPreamble() {
  static const std::string preamble = MakePreamble();
  return preamble;
}

KmlHeaderTexts KmlTexts(const TrackHeader& header) {
  KmlHeaderTexts texts;
  AppendXmlText(texts.vehicle, header.vehicle);
  AppendXmlText(texts.date, header.date);
  std::string driver;
  AppendXmlText(driver, header.driver);
  texts.title = Concat({texts.vehicle, " ", driver, " ", texts.date});
  return texts;
}

void AppendRouteTriple(std::string& route, const FixTexts& fix) {
  constexpr std::string_view kEnd = ",0 ";
  ByteRoom room(
      route, XmlRoomFor(fix.longitude.size()) + 1 + XmlRoomFor(fix.latitude.size()) + kEnd.size());
  room.at = PutXmlNumber(room.at, fix.longitude);
  room.Put(',');
  room.at = PutXmlNumber(room.at, fix.latitude);
  room.Put(kEnd);
}

void AppendBodyStart(std::string& out, const KmlHeaderTexts& texts) {
  Line(out, {"<Open>", texts.title, "</Open>"});
  Line(out, {"<description>", texts.title, "</description>"});
  Line(out, {"<name>", texts.title, " Track Log</name>"});
  Line(out, {"<Placemark>"});
  Line(out, {"<name>", texts.vehicle, " Route</name>"});
  Line(out, {"<styleUrl>#roadStyle01</styleUrl>"});
  Line(out, {"<MultiGeometry>"});
  Line(out, {"<LineString>"});
  Line(out, {"<coordinates>"});
}

void AppendBodyEnd(std::string& out, const KmlHeaderTexts& texts) {
  out.append(kBreak);  // ends the route line
  Line(out, {"</coordinates>"});
  Line(out, {"</LineString>"});
  Line(out, {"</MultiGeometry>"});
  Line(out, {"</Placemark>"});
  Line(out, {"<Folder>"});
  Line(out, {"<name>", texts.vehicle, " Positions</name>"});
}

void AppendPlacemark(std::string& out, const KmlHeaderTexts& texts, const FixTexts& fix,
                     std::int64_t utc) {
  constexpr std::string_view kStart = "<Placemark>\r\n\t<name>";
  constexpr std::string_view kNameEnd = "km/h</name>\r\n";
  constexpr std::string_view kTimeStart = "\t<TimeStamp><when>";
  constexpr std::string_view kTimeEnd = "Z</when></TimeStamp>\r\n";
  constexpr std::string_view kMiddle =
      "\t<styleUrl> #styleMap_TLP_Start </styleUrl>\r\n"
      "\r\n"
      "\t<Point>\r\n"
      "\t<coordinates>\r\n"
      "\t\t";
  constexpr std::string_view kEnd =
      ",0\r\n"
      "\t</coordinates>\r\n"
      "\t</Point>\r\n"
      "</Placemark>\r\n";
  // One room for the whole marker: its fixed parts, its time and its texts at their longest.
  const bool timed = utc != kNoTime;
  ByteRoom room(
      out, kStart.size() + texts.vehicle.size() + texts.date.size() + 3 +
               XmlRoomFor(fix.time.size()) + XmlRoomFor(fix.speed.size()) + kNameEnd.size() +
               (timed ? kTimeStart.size() + kIsoTimeSize + kTimeEnd.size() : 0) + kMiddle.size() +
               XmlRoomFor(fix.longitude.size()) + XmlRoomFor(fix.latitude.size()) + kEnd.size());
  room.Put(kStart);
  room.Put(texts.vehicle);
  room.Put(' ');
  room.Put(texts.date);
  room.Put(' ');
  room.at = PutXmlText(room.at, fix.time);
  room.Put(' ');
  room.at = PutXmlNumber(room.at, fix.speed);
  room.Put(kNameEnd);
  if (timed) {
    room.Put(kTimeStart);
    room.at = PutIsoTime(room.at, utc);
    room.Put(kTimeEnd);
  }
  room.Put(kMiddle);
  room.at = PutXmlNumber(room.at, fix.longitude);
  room.Put(',');
  room.at = PutXmlNumber(room.at, fix.latitude);
  room.Put(kEnd);
}

void AppendClosing(std::string& out) {
  out.append("</Folder>\r\n\r\n\r\n</Document>\r\n</kml>\r\n");
}
