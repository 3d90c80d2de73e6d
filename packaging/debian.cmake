# What Debian asks of every package besides the program: the licence as a machine-readable
# copyright file and the package's changelog, both under /usr/share/doc/quarve.

set(QUARVE_DEB_RELEASE 1)
set(QUARVE_DEB_VERSION "${PROJECT_VERSION}-${QUARVE_DEB_RELEASE}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    ${PROJECT_SOURCE_DIR}/LICENSE ${CMAKE_CURRENT_LIST_DIR}/changelog)

# A package whose newest changelog entry names another version is refused by the archive's
# tools; better to hear it here than after a release.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/changelog changelog_head LIMIT_COUNT 1)
if(NOT changelog_head MATCHES "^quarve \\(${QUARVE_DEB_VERSION}\\) ")
    message(FATAL_ERROR "packaging/changelog begins with \"${changelog_head}\": its newest entry "
        "must be for ${QUARVE_DEB_VERSION} (the project's version and QUARVE_DEB_RELEASE)")
endif()

# The copyright file in the DEP-5 format, made from LICENSE so that the two never disagree:
# the holder from its Copyright line, the terms from the text after it, indented, with "."
# for each empty line.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence)
if(NOT licence MATCHES "Copyright \\(c\\) ([^\n]+)\n\n(.*)$")
    message(FATAL_ERROR "LICENSE has no \"Copyright (c) YEAR HOLDER\" line followed by the terms")
endif()
set(licence_holder "${CMAKE_MATCH_1}")
string(STRIP "${CMAKE_MATCH_2}" licence_terms)
string(REPLACE "\n\n" "\n.\n" licence_terms "${licence_terms}")
string(REPLACE "\n" "\n " licence_terms "${licence_terms}")
file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/copyright @ONLY CONTENT
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: quarve
Upstream-Contact: ${CPACK_PACKAGE_CONTACT}

Files: *
Copyright: ${licence_holder}
License: Expat
 ${licence_terms}
")

# -n keeps the archive free of a time stamp, so that the same tree gives the same package.
add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian.gz
    COMMAND gzip -9nc ${CMAKE_CURRENT_LIST_DIR}/changelog > ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian.gz
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/changelog VERBATIM)
add_custom_target(debian_changelog ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian.gz)

install(FILES ${CMAKE_CURRENT_BINARY_DIR}/copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian.gz
    DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/lintian-overrides
    DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME quarve)
