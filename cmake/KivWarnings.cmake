# Warnings and sanitizers shared by every target of the project.
add_library(kiv_options INTERFACE)
target_compile_options(kiv_options INTERFACE -Wall -Wextra -Wpedantic)
if(KIV_SANITIZE)
  target_compile_options(kiv_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(kiv_options INTERFACE -fsanitize=address,undefined)
endif()
