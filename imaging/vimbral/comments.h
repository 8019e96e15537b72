#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "imaging/vimbral/writing.h"

namespace vimbral_impl {

// The longest comment a file carries: what one JPEG COM segment holds.
inline constexpr std::size_t kMaxCommentBytes = 65533;

// Copies the JPEG or GIF file `from` into `to` with `comment` added: a COM segment right after the
// JPEG's start marker, or a comment extension before the GIF's first block after its colour
// table. The copy streams, so a large picture is never held in memory. False when `from` is not
// such a file or anything failed.
bool CopyWithComment(const std::string& from, const std::string& to, FileFormat format,
                     const std::string& comment);

// The first comment of a JPEG (COM segment before the scan) or GIF (comment extension) file;
// empty when the file is neither or carries none.
std::optional<std::string> ReadFileComment(const std::string& path);

}  // namespace vimbral_impl
