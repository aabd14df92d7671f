#pragma once

#include <string>

#include "templates/TextTemplate.h"

// Finds the layout of a text file from the titles of its first line: the
// delimiter is the one of tab, semicolon and comma that the line holds most
// often, and common titles, in any case, name the columns: name, title or
// ident; lat, latitude or y; lon, long, lng, longitude or x; comment, cmt,
// desc, description or notes. Without a comment title the comment is read
// from an empty column after the last. The waypoints start on line 2.
// False with the reason in problem (a missing title names itself).
bool FindColumnsFromTitles(const std::string& path, CTextTemplate& layout, std::string& problem);
