# Warnings are errors nowhere, but the build is kept free of them.
add_library(pictavo_warnings INTERFACE)
target_compile_options(pictavo_warnings INTERFACE
  $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Wunused -Woverloaded-virtual -Wnull-dereference -Wformat=2>
  $<$<COMPILE_LANGUAGE:C>:-Wall -Wextra>)
