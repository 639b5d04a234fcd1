# Every target of the project links quillmere_options: warnings, and the
# sanitizers when QUILLMERE_SANITIZE or QUILLMERE_TSAN is on.
add_library(quillmere_options INTERFACE)
target_compile_options(quillmere_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
  -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual)
if(QUILLMERE_WERROR)
  target_compile_options(quillmere_options INTERFACE -Werror)
endif()
if(QUILLMERE_SANITIZE)
  target_compile_options(quillmere_options INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(quillmere_options INTERFACE -fsanitize=address,undefined)
endif()
if(QUILLMERE_TSAN)
  target_compile_options(quillmere_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(quillmere_options INTERFACE -fsanitize=thread)
endif()
