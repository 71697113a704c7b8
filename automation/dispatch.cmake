# The late-binding dispatcher shared by the automation object's members.
# Included from automation/CMakeLists.txt; guarded so tests may include it too.
if(NOT TARGET vellum_dispatch)
  add_library(vellum_dispatch STATIC
    ${CMAKE_CURRENT_LIST_DIR}/dispatch.cpp ${CMAKE_CURRENT_LIST_DIR}/dispatch_typeinfo.cpp)
  target_include_directories(vellum_dispatch PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(vellum_dispatch PUBLIC vellum_com)
endif()
