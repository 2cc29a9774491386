# vd_altjson: the second JSON codec, a lenient byte scanner with its reader and three writers. Nothing
# in the application calls it; it stands beside vd_json. Included from this folder's CMakeLists.txt
# (and, until then, by the tests and fuzzers that use it); including it twice does nothing.
if(TARGET vd_altjson)
  return()
endif()

set(VD_ALTJSON_DIR ${CMAKE_CURRENT_LIST_DIR})
add_library(vd_altjson STATIC
  ${VD_ALTJSON_DIR}/AltCharacterSet.cpp
  ${VD_ALTJSON_DIR}/NSCharacterSet_Extensions.cpp
  ${VD_ALTJSON_DIR}/NSScanner_Extensions.cpp
  ${VD_ALTJSON_DIR}/AltDataScanner.cpp
  ${VD_ALTJSON_DIR}/AltJSONScanner.cpp
  ${VD_ALTJSON_DIR}/AltJSONDeserializer.cpp
  ${VD_ALTJSON_DIR}/AltJSONWriting.cpp
  ${VD_ALTJSON_DIR}/AltJSONSerializer.cpp
  ${VD_ALTJSON_DIR}/AltJSONDataSerializer.cpp
  ${VD_ALTJSON_DIR}/AltFilteringJSONSerializer.cpp
  ${VD_ALTJSON_DIR}/AltJSONSerialization.cpp
  ${VD_ALTJSON_DIR}/NSDictionary_JSONExtensions.cpp)
target_link_libraries(vd_altjson PUBLIC vd_core vd_runloop)
