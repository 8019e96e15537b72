#pragma once

#include <string>
#include <string_view>

// The few IPTC IIM datasets a gallery publishes; texts already in UTF-8.
struct IptcWords {
    std::string caption;      // 2:120 Caption-Abstract
    std::string objectName;   // 2:05 Object Name: the picture's title
    std::string dateCreated;  // 2:55 "CCYYMMDD", as it stands
    std::string timeCreated;  // 2:60 "HHMMSS+HHMM", as it stands
};

// Reads an IPTC block: either IIM datasets themselves (a TIFF's IPTC tag) or Photoshop image
// resources holding them (a JPEG's APP13 segment, "Photoshop 3.0"). Texts are UTF-8 when 1:90
// declares it, else UTF-8 when they are valid UTF-8 (as many programs write without saying so),
// else Latin-1.
IptcWords ParseIptc(std::string_view block);
