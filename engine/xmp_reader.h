#pragma once

#include <string>
#include <string_view>

// The few XMP properties a gallery publishes, in UTF-8 with XML's character references resolved.
struct XmpWords {
    std::string title;                 // dc:title (its x-default language, else its first)
    std::string description;           // dc:description, likewise
    std::string photoshopDateCreated;  // photoshop:DateCreated, ISO 8601 as it stands
    std::string exifDateTimeOriginal;  // exif:DateTimeOriginal, as raw developers write it
    std::string createDate;            // xmp:CreateDate
};

// Reads an XMP packet (an embedded block or a sidecar file). Namespace prefixes are taken from the
// packet's declarations, so a packet that binds Dublin Core to another prefix is read too.
// Properties may stand as elements or as attributes of rdf:Description. This reads the handful of
// properties above, not XML in general: anything it does not recognise is skipped.
XmpWords ParseXmp(std::string_view packet);
