#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// When a picture was taken, as its metadata says.
struct DateTaken {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0;
    bool hasTime = false;
    // Minutes east of UTC, where the metadata says.
    std::optional<int> offsetMinutes;

    // "2024-05-17 14:32", or "2024-05-17" without a time: the form pages show.
    std::string Display() const;
    // "2024-05-17T14:32:05+02:00" (without the offset where unknown, without the time where
    // unknown): for a <time datetime> attribute and for ordering.
    std::string Iso() const;
    // Seconds since 1970 for ordering: UTC where the offset is known, else the clock time as is.
    std::int64_t OrderKey() const;
};

// The words a picture carries for the pages: UTF-8, trimmed, at most kMaxWordsCharacters
// characters each, without control characters; empty when there are none.
struct PictureWords {
    std::string caption;
    std::string title;
    std::optional<DateTaken> taken;
};

inline constexpr std::size_t kMaxWordsCharacters = 2000;

// The raw metadata blocks embedded in a picture file, as its format stores them.
struct EmbeddedMetadata {
    std::string exif;  // TIFF structure, possibly after "Exif\0\0"
    std::string xmp;   // the XMP packet
    std::string iptc;  // IIM datasets, possibly inside Photoshop image resources
    // A TIFF file's own ImageDescription tag (a TIFF has no separate EXIF block).
    std::string tiffDescription;
};

// Reads the metadata embedded in picture files. The imaging library provides the real one, so
// that the engine never reaches the picture code itself.
class EmbeddedMetadataReader {
public:
    virtual ~EmbeddedMetadataReader() = default;
    // Empty blocks when the file cannot be read or holds none.
    virtual EmbeddedMetadata Read(const std::string& picturePath) = 0;
};

// The caption, title and date of the picture at `path`, from the first source that has them:
//   caption: "<picture>.txt" beside it ("beach.jpg.txt"), "<name>.txt" ("beach.txt"), the XMP
//            sidecar "beach.jpg.xmp", then "beach.xmp", the picture's own XMP (dc:description),
//            its IPTC Caption-Abstract, its EXIF ImageDescription;
//   title:   dc:title of the sidecar, then of the picture's XMP, then IPTC Object Name;
//   date:    EXIF DateTimeOriginal (with OffsetTimeOriginal), then the XMP date created
//            (photoshop:DateCreated, exif:DateTimeOriginal, xmp:CreateDate; sidecar first), then
//            IPTC Date and Time Created. Never the file's time nor EXIF DateTime.
// A text that is empty once cleaned, or that only names the camera ("OLYMPUS DIGITAL CAMERA"),
// does not count and the next source is asked. `embedded` may be null: sidecars only then.
PictureWords ReadPictureWords(const std::string& path, EmbeddedMetadataReader* embedded);

// The words of every picture, in the order of `paths`; `workers` threads read them at once
// (0: one per hardware thread).
std::vector<PictureWords> ReadAllPictureWords(const std::vector<std::string>& paths,
                                              EmbeddedMetadataReader* embedded, unsigned workers = 0);

// A text made fit for a page's words: valid UTF-8 (else taken as Latin-1), line breaks and tabs
// as spaces, other control characters gone, runs of blanks as one space, trimmed, cut to
// kMaxWordsCharacters characters; empty when it holds nothing but a camera's stock text.
std::string CleanPictureText(std::string_view text);

// Dates as the metadata kinds write them; empty when not a date.
std::optional<DateTaken> ParseExifDate(std::string_view dateTime, std::string_view offset);
std::optional<DateTaken> ParseIsoDate(std::string_view text);
std::optional<DateTaken> ParseIptcDate(std::string_view date, std::string_view time);
