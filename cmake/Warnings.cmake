# Warnings are errors everywhere, CI included.
if(MSVC)
  set(SWIRLMOSS_WARNING_FLAGS /W4 /WX)
else()
  set(SWIRLMOSS_WARNING_FLAGS -Wall -Wextra -Wpedantic -Werror)
endif()

# The plugin's arithmetic is rounded after every operation: a multiply and an add fused into
# one instruction round once, so the same seed would draw different pictures on machines with
# fused multiply-add (arm64, x86 with FMA enabled). MSVC's /fp:precise contracts nothing
# unless /fp:contract is also given, which it must never be.
if(MSVC)
  set(SWIRLMOSS_FLOAT_FLAGS /fp:precise)
else()
  set(SWIRLMOSS_FLOAT_FLAGS -ffp-contract=off)
endif()

function(swirlmoss_warnings target)
  target_compile_options(${target} PRIVATE ${SWIRLMOSS_WARNING_FLAGS})
endfunction()

# For the objects the plugin is built from.
function(swirlmoss_exact_float target)
  target_compile_options(${target} PRIVATE ${SWIRLMOSS_FLOAT_FLAGS})
endfunction()
