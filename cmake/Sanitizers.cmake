# AddressSanitizer (with leak detection) and UndefinedBehaviorSanitizer, halting on the
# first report. GCC's runtime is used: it links into shared objects built with -z defs.
if(SWIRLMOSS_SANITIZE)
  set(_san -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${_san})
  add_link_options(${_san})
endif()
