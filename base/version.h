// The plug-in's name and version, in one place: the version resource, the
// About box and the downloader's User-Agent read them. Plain macros, so that
// the resource compiler can read this file too.
#pragma once

#define SKIMROW_PRODUCT_NAME "Mivra_Skimrow"
#define SKIMROW_VERSION_TEXT "1.03"
#define SKIMROW_VERSION_FIELDS 1, 0, 3, 0
