#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "imaging/picture_conversion.h"

// Every thumbnail and large picture records, in its file comment, the source it was made from and
// the settings that shaped it, so that a later conversion can tell whether it is still up to date.
// The text is one line, for example
//   galvane-conversion=1 output=thumbnail source-name=a.jpg source-size=52011
//   source-mtime=1765170000.123456789 source-head=0123456789abcdef limits=100x100 quality=75
// (one line in the file). Names are percent-encoded outside printable ASCII.

// Raised whenever a change to the conversion changes the pixels it writes.
// Version 2 added source-head: outputs with an older mark are made once more.
inline constexpr int kConversionVersion = 2;

enum class OutputKind { Thumbnail, LargePicture, Variant };

// What identifies a source picture's content without reading it.
struct SourceIdentity {
    std::string name;  // the file name, without its folder
    std::int64_t size = 0;
    std::int64_t mtimeSeconds = 0;
    std::int64_t mtimeNanoseconds = 0;
    // A hash of the file's first kSourceHeadBytes, where JPEG's APP segments and most containers'
    // headers live: an edit of the orientation, description or colour profile changes it even
    // when the modification time is kept.
    std::uint64_t headHash = 0;
};

inline constexpr std::size_t kSourceHeadBytes = 64 * 1024;

// The identity of a regular file; empty when it cannot be examined or read.
std::optional<SourceIdentity> IdentifySource(const std::string& path);

// The text an output of `kind` made from `source` with `settings` carries.
std::string ProvenanceText(const ConversionSettings& settings, OutputKind kind, const SourceIdentity& source);

// The provenance text an output file carries; empty when it is not a JPEG, GIF or WebP file written
// by the conversion.
std::optional<std::string> ReadProvenance(const std::string& outputPath);

// What a mark says of its output: the kind ("thumbnail", "large", "variant") and the source's file
// name.
struct MarkFields {
    std::string kind;
    std::string sourceName;
};
std::optional<MarkFields> ParseProvenance(const std::string& text);

struct VariantFile;
// The text a variant file (variant_plan.h) made from `source` carries, for example
//   galvane-conversion=2 output=variant size=1280x853 source-name=a.jpg source-size=52011
//   source-mtime=1765170000.123456789 source-head=0123456789abcdef limits=1024x768 webp quality=80
std::string VariantProvenanceText(const ConversionSettings& settings, const VariantFile& file,
                                  const SourceIdentity& source);

// Whether `outputPath` is a whole, readable picture carrying exactly `expected`.
bool IsOutputUpToDate(const std::string& outputPath, const std::string& expected);

// Whether one output of a source picture need not be made again: unless settings say rebuild, it
// is whole, readable, and carries the provenance that converting the source now would give it (a
// large picture that is not made counts as up to date).
// `identity`, when given, is the source's, taken once for both outputs. `kind` is Thumbnail or
// LargePicture (a variant's is PlannedOutputUpToDate's, conversion_plan.h).
bool OutputUpToDate(const ConversionSettings& settings, const std::string& sourcePath, OutputKind kind,
                    const std::optional<SourceIdentity>* identity = nullptr);

// Whether the outputs of a source picture need not be made again: unless settings say rebuild,
// its thumbnail and (where one is made) its large picture are whole, readable, and carry the
// provenance that converting the source now would give them.
bool OutputsUpToDate(const ConversionSettings& settings, const std::string& sourcePath);
