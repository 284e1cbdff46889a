// The plug-in's name and version, in one place: the version resource, the
// About box, the downloader's User-Agent and scripts/package.sh (the release
// archive's name and its guide) read them. Plain macros, so that the resource
// compiler and the packaging script can read this file too.
#pragma once

#define SKIMROW_PRODUCT_NAME "Mivra_Skimrow"
#define SKIMROW_VERSION_TEXT "1.03"
#define SKIMROW_VERSION_FIELDS 1, 0, 3, 0
