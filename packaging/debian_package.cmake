# SPDX-License-Identifier: MIT
# `cpack -G DEB` in a build folder makes the Debian package of what `cmake --install` installs.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dorvanel)
set(CPACK_PACKAGE_VENDOR "Dorvanel developers")
set(CPACK_PACKAGE_CONTACT "Dorvanel maintainers <maintainers@dorvanel.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "exact distribution of the totals of N dice")
set(CPACK_PACKAGE_DESCRIPTION
  "Dorvanel answers one question exactly: when N dice of D faces are rolled, in
how many of the D^N ordered outcomes does each total come up? It takes up to
10000 dice of up to 1000 faces and lists every count in full, with the number
of possible rolls, the range and mean of the totals, the count and probability
of the total at the mean, and a graph of the distribution.

The command-line companion dorvanel-report prints the same report for scripts.")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION math)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded by name at run time, so dpkg-shlibdeps cannot see them: the nearest faces to the
# window's sans and fixed-pitch ones.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)

include(CPack)
