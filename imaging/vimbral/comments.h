#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "imaging/vimbral/writing.h"

namespace vimbral_impl {

// The longest comment a file carries: what one JPEG COM segment holds.
inline constexpr std::size_t kMaxCommentBytes = 65533;

// What a JPEG COM segment or a GIF comment extension carrying `comment` looks like in the file.
std::string CommentBlock(FileFormat format, const std::string& comment);

inline constexpr long kNeedMoreBytes = -1;
inline constexpr long kNotThisFormat = -2;

// Where a comment goes in a file that begins with `head`: right after the JPEG's start marker, or
// after the GIF's screen descriptor and global colour table. kNeedMoreBytes while `head` is too
// short to tell, kNotThisFormat when it begins no such file.
long CommentOffset(FileFormat format, std::string_view head);

// The first comment of a JPEG (COM segment before the scan) or GIF (comment extension) file, or
// the XMP description of a WebP file; empty when the file is none of these or carries none.
std::optional<std::string> ReadFileComment(const std::string& path);

}  // namespace vimbral_impl
