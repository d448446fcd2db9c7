# Libraries taken from the system (Debian packages, see scripts/install-deps.sh). Only what a
# target links today is looked for: a package that is required but unused can still stop the
# configure step on a machine that lacks one of its own build tools (FLTK's wants fluid).
# Whoever links a new library adds its find here and its package to the install script.
find_package(Threads REQUIRED)
find_package(fmt REQUIRED)
find_package(pugixml REQUIRED)
find_package(nlohmann_json REQUIRED)
find_package(CURL REQUIRED)
find_package(PkgConfig REQUIRED)
# The main window: FLTK (its package imports the target fltk), X11 and libpng for screenshots.
find_package(FLTK REQUIRED)
find_package(X11 REQUIRED)
find_package(PNG REQUIRED)
pkg_check_modules(SODIUM REQUIRED IMPORTED_TARGET libsodium)
pkg_check_modules(LIBZIP REQUIRED IMPORTED_TARGET libzip)
if(KIV_BUILD_TESTS)
  find_package(GTest REQUIRED)
endif()
if(KIV_BUILD_BENCH)
  find_package(benchmark REQUIRED)
endif()
