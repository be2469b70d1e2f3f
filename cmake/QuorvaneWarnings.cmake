# Our own targets build with warnings on; third-party headers come in as system headers.
function(quorvane_warnings target)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                             -Wcast-align -Wunused -Woverloaded-virtual)
  endif()
endfunction()
