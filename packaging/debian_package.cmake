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

Any pool in dice notation is counted as exactly: sums of dice and numbers
(3d6 + 2d8 + 5), kept dice (4d6kh3), counted successes (10d10>=8), rerolls
(2d6ro<3), exploding dice (10d10!10>=8f1), clamps (1d20min2) and dice with faces
of their own (3d{0,0,1,1,2}). Several pools can be drawn on one graph, as the
chance of each total, of at least or of at most that total.

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
