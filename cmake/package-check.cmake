# Read by cpack before it packs: a Debian package whose dependencies cannot be found would
# install and then not run, so it is not made at all.
if(CPACK_GENERATOR STREQUAL "DEB")
  # On the user's PATH, where cpack's own steps look for them.
  find_program(TRACKKML_SHLIBDEPS dpkg-shlibdeps NO_CMAKE_SYSTEM_PATH NO_CACHE)
  find_program(TRACKKML_FILE file NO_CMAKE_SYSTEM_PATH NO_CACHE)
  if(NOT TRACKKML_SHLIBDEPS OR NOT TRACKKML_FILE)
    message(FATAL_ERROR
      "The package needs dpkg-shlibdeps (dpkg-dev) and file to name the libraries the programs "
      "use. Run scripts/package.sh, which installs them, or: apt-get install dpkg-dev file")
  endif()
endif()
