# Strict warnings for the project's own targets; errors where VMD_WERROR is set (CI).
function(vmd_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /permissive-)
    if(VMD_WERROR)
      target_compile_options(${target} PRIVATE /WX)
    endif()
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                              -Wsign-conversion -Wnon-virtual-dtor -Wold-style-cast
                                              -Woverloaded-virtual)
    if(VMD_WERROR)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
endfunction()
