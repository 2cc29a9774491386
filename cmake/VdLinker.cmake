# The linker. The tree links some fifty programs (every test program links the static libraries it
# uses, with the sanitizers' run-time and line tables in the sanitizer tree), where the system's default
# linker spends minutes: mold, or else lld, links each in a fraction of that. VD_LINKER chooses: "auto"
# (the default) takes the first of mold and lld the compiler accepts and otherwise the compiler's own
# linker; "mold", "lld", "gold" or "bfd" asks for that one (an error when the compiler refuses it);
# "default" leaves the compiler's choice. scripts/bootstrap.sh installs mold and lld.
set(VD_LINKER "auto" CACHE STRING "Linker: auto, mold, lld, gold, bfd or default")
set_property(CACHE VD_LINKER PROPERTY STRINGS auto mold lld gold bfd default)

include(CheckLinkerFlag)

# vd_linker_works(<linker> <result variable>): whether the C++ compiler links a program with <linker>.
# The answer is kept in the cache per compiler, so a tree configured again does not ask twice.
function(vd_linker_works linker result)
  set(var VD_LINKER_${linker}_WORKS)
  check_linker_flag(CXX -fuse-ld=${linker} ${var})
  set(${result} ${${var}} PARENT_SCOPE)
endfunction()

set(vd_linker_used "")
if(VD_LINKER STREQUAL "auto")
  foreach(candidate mold lld)
    vd_linker_works(${candidate} works)
    if(works)
      set(vd_linker_used ${candidate})
      break()
    endif()
  endforeach()
elseif(NOT VD_LINKER STREQUAL "default")
  vd_linker_works(${VD_LINKER} works)
  if(NOT works)
    message(FATAL_ERROR "VD_LINKER=${VD_LINKER}: ${CMAKE_CXX_COMPILER} does not link with -fuse-ld=${VD_LINKER}")
  endif()
  set(vd_linker_used ${VD_LINKER})
endif()

if(vd_linker_used)
  add_link_options(-fuse-ld=${vd_linker_used})
  message(STATUS "Linker: ${vd_linker_used}")
else()
  message(STATUS "Linker: the compiler's default")
endif()
