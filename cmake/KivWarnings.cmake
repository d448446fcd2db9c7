# Warnings and sanitizers shared by every target of the project.
add_library(kiv_options INTERFACE)
target_compile_options(kiv_options INTERFACE -Wall -Wextra -Wpedantic)
if(KIV_SANITIZE)
  target_compile_options(kiv_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(kiv_options INTERFACE -fsanitize=address,undefined)
endif()
# GCC 12's optimiser at -O3 reports std::string concatenations as overlapping copies
# (-Wrestrict) and strings in arrays of test cases as uninitialised: false positives of that
# compiler version (fixed in GCC 13), silenced in Release builds only.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(kiv_options INTERFACE $<$<CONFIG:Release>:-Wno-restrict -Wno-maybe-uninitialized>)
endif()
