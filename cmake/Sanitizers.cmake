# VMD_SANITIZE=address,undefined or thread: instrument every target of the build.
if(VMD_SANITIZE)
  add_compile_options(-fsanitize=${VMD_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${VMD_SANITIZE})
endif()
