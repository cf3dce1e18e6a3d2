#pragma once

#include <string>
#include <vector>

namespace halvane {

// One run of text with a single character format.
struct RichRun {
    std::string text;  // UTF-8; "\n" ends a paragraph or line, "\t" is a tab
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int half_points = 24;     // font size in half points (\fs)
    std::string font_face;    // empty: the viewer's face
    unsigned rgb = 0;         // 0xRRGGBB
    bool has_colour = false;  // false: the viewer's default text colour
};

// A formatted document: the part of rich text format the viewer shows.
struct RichDocument {
    std::vector<RichRun> runs;
};

}  // namespace halvane
