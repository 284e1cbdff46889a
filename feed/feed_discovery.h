// A site's address where a feed's was expected: the page names its feed in
// its head, <link rel="alternate" type="application/rss+xml" href="...">.
#pragma once
#include <string>

// The href of the page's first <link> whose rel lists "alternate" and whose
// type is application/rss+xml or application/atom+xml, its character
// references decoded (&amp;); empty when there is none. Markup as pages write
// it: names in any case, attributes in any order, values in double, single
// or no quotes. Comments, scripts and styles are passed over, and the search
// ends at </head> or <body. The href is as written, relative or not.
std::u16string FindFeedLink(const std::u16string& page);

// The encoding the page's head declares, read the same way: the first
// <meta charset="..."> or <meta http-equiv="Content-Type"
// content="text/html; charset=...">; "" when there is none.
std::string FindMetaCharset(const std::u16string& page);
