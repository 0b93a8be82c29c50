# Warning sets. The core is held to the strictest set, including implicit
# conversions, since every rule of the system lives there once.
set(FRAMORY_COMMON_WARNINGS
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
  -Wformat=2 -Wimplicit-fallthrough -Wcast-align -Wmissing-declarations)
set(FRAMORY_STRICT_WARNINGS ${FRAMORY_COMMON_WARNINGS}
  -Wconversion -Wsign-conversion -Wold-style-cast)

function(framory_warnings target)
  set(options STRICT)
  cmake_parse_arguments(W "${options}" "" "" ${ARGN})
  if(W_STRICT)
    set(flags ${FRAMORY_STRICT_WARNINGS})
  else()
    set(flags ${FRAMORY_COMMON_WARNINGS})
  endif()
  target_compile_options(${target} PRIVATE ${flags})
  if(FRAMORY_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
