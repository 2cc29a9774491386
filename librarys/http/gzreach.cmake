# vd_http_base: the gzip classes (DataCompressor, DataDecompressor) of the HTTP client, as a library of
# their own that vd_http links. (The reachability watcher is platform/net's.)
# Included from librarys/http/CMakeLists.txt, or from a test folder before that include exists; the
# first inclusion defines the target, later ones do nothing.
if(TARGET vd_http_base)
  return()
endif()

find_package(ZLIB REQUIRED)

set(VD_HTTP_BASE_DIR ${CMAKE_CURRENT_LIST_DIR})
add_library(vd_http_base STATIC
  ${VD_HTTP_BASE_DIR}/DataCompressor.cpp
  ${VD_HTTP_BASE_DIR}/DataDecompressor.cpp)
target_link_libraries(vd_http_base PUBLIC vd_core vd_runloop PRIVATE ZLIB::ZLIB)
