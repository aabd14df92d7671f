#pragma once

#include <string_view>

// A GPX file is XML: the root element "gpx" holds, in this order, metadata,
// waypoints ("wpt"), routes ("rte"), tracks ("trk") and extensions. A waypoint
// has the attributes "lat" and "lon" in decimal degrees and, among others and
// in this order, the children ele, name, cmt, desc and sym.

constexpr std::string_view GPX11_NAMESPACE = "http://www.topografix.com/GPX/1/1";
constexpr std::string_view GPX10_NAMESPACE = "http://www.topografix.com/GPX/1/0";

// What this program writes around the waypoints of a new file: GPX 1.1 in UTF-8.
constexpr std::string_view GPX_HEADER =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<gpx version=\"1.1\" creator=\"Pathfolio\" xmlns=\"http://www.topografix.com/GPX/1/1\""
    " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
    " xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1"
    " http://www.topografix.com/GPX/1/1/gpx.xsd\">\n";
constexpr std::string_view GPX_FOOTER = "</gpx>\n";
