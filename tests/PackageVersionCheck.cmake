# The Debian package is built from this version: the changelog's newest entry must be
# VERSION-1 (or a later Debian revision of it), and the AppStream metadata must name
# VERSION as its release.
# Usage: cmake -DCHANGELOG=debian/changelog -DVERSION=x.y.z -DMETAINFO=file -P PackageVersionCheck.cmake
file(STRINGS ${CHANGELOG} first LIMIT_COUNT 1)
if(NOT first MATCHES "^ondrevo \\(([^)]+)\\) ")
  message(FATAL_ERROR "${CHANGELOG}: the first line names no version: ${first}")
endif()
set(package_version ${CMAKE_MATCH_1})
if(NOT package_version MATCHES "^${VERSION}-[0-9]+$")
  message(FATAL_ERROR "${CHANGELOG} is at ${package_version}, the project at ${VERSION}: add an entry (dch -v ${VERSION}-1)")
endif()
file(READ ${METAINFO} metainfo)
if(NOT metainfo MATCHES "<release version=\"${VERSION}\" date=\"[0-9]+-[0-9]+-[0-9]+\"")
  message(FATAL_ERROR "${METAINFO} has no release ${VERSION} with a date")
endif()
