// The one version number of the release: the version resources of the three
// programs and the installer (which reads this file) take it from here.
#ifndef ORVIK_VERSION_H
#define ORVIK_VERSION_H

#define ORVIK_VERSION_MAJOR 0
#define ORVIK_VERSION_MINOR 8
#define ORVIK_VERSION_PATCH 2

// Names in the version resources and in Add or Remove Programs.
#define ORVIK_PRODUCT_NAME "Tavelin"
#define ORVIK_PUBLISHER "Brevane"

#define ORVIK_STRINGIFY2(x) #x
#define ORVIK_STRINGIFY(x) ORVIK_STRINGIFY2(x)
#define ORVIK_VERSION_STRING                                                   \
    ORVIK_STRINGIFY(ORVIK_VERSION_MAJOR) "." ORVIK_STRINGIFY(ORVIK_VERSION_MINOR) "." \
    ORVIK_STRINGIFY(ORVIK_VERSION_PATCH)

#endif
