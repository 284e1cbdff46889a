// Whether a link from a feed may be handed to the shell to open. The shell
// opens whatever it is given with the program registered for it: a file, a
// share, a script, a settings page. Only web pages are let through.
#pragma once
#include <string>

// True for an http:// or https:// address (the scheme in any case) naming a
// host, written as a link is written: from its first character, without
// blanks, control characters (NUL included), quotes, backslashes or the
// characters that only make a link look like another. Everything else
// (file:, javascript:, ms-settings:, \\host\share, a bare path, a link with
// blanks or line breaks before it) is refused.
bool IsOpenableWebLink(const std::u16string& link);
