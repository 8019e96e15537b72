#pragma once

#include <string>
#include <string_view>

// A file name as it may stand in a URL inside a page: every byte but letters, digits and
// "-._~!$()*+,;=@" is percent-encoded, so that "#", "?", "%", "\", quotes, "<", ">", "&", blanks,
// control characters and the bytes of non-ASCII letters can neither end the attribute nor change
// what the URL names. Ordinary names come out unchanged.
std::string UrlEncodeName(std::string_view name);

// A text as it may stand in a page's text or attribute value: "&", "<", ">", '"' and "'" become
// character references.
std::string HtmlEscape(std::string_view text);

// A text from outside the job (a picture's caption or title) as it may stand in a page's text or
// attribute value: escaped as HtmlEscape does, and with every second letter of a run of capital
// letters written as a character reference, so that no placeholder word ("PICTURE",
// "LINKTOBACKPAGE") can appear in it and be replaced by a later step of the page. Browsers show
// the same text.
std::string PageTextOfWords(std::string_view text);
