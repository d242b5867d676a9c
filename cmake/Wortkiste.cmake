# Helpers that turn a folder into a library, a test executable or a benchmark,
# so that adding a source file never needs a change here.

function(wk_sources out dir)
  file(GLOB srcs CONFIGURE_DEPENDS
       ${CMAKE_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/${dir}/*.h)
  set(${out} ${srcs} PARENT_SCOPE)
endfunction()

# wk_add_library(name dir deps...): a static library of the folder's sources,
# or an interface library while the folder has no .cpp yet.
function(wk_add_library name dir)
  wk_sources(srcs ${dir})
  list(FILTER srcs INCLUDE REGEX "\\.cpp$")
  if(srcs)
    wk_sources(all ${dir})
    add_library(${name} STATIC ${all})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
    target_link_libraries(${name} PUBLIC ${ARGN})
    target_compile_definitions(${name} PUBLIC
      WK_MAKER_WEB="${WK_MAKER_WEB}" WK_MAKER_MAIL="${WK_MAKER_MAIL}")
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
    target_link_libraries(${name} INTERFACE ${ARGN})
    target_compile_definitions(${name} INTERFACE
      WK_MAKER_WEB="${WK_MAKER_WEB}" WK_MAKER_MAIL="${WK_MAKER_MAIL}")
  endif()
endfunction()

# All files below resources/ become one resource library (":/..." paths
# mirror the folder).
function(wk_add_resources)
  file(GLOB_RECURSE files CONFIGURE_DEPENDS RELATIVE ${CMAKE_SOURCE_DIR}/resources
       ${CMAKE_SOURCE_DIR}/resources/*)
  list(FILTER files EXCLUDE REGEX "(^|/)\\.|README")
  add_library(wk_resources STATIC)
  target_link_libraries(wk_resources PUBLIC Qt6::Core)
  if(files)
    list(TRANSFORM files PREPEND ${CMAKE_SOURCE_DIR}/resources/)
    qt_add_resources(wk_resources wortkiste_resources
      PREFIX "/" BASE ${CMAKE_SOURCE_DIR}/resources
      FILES ${files}
      OUTPUT_TARGETS res_targets)
    # Object libraries made for the resources must reach every linker line.
    set(WK_RESOURCE_OBJECTS ${res_targets} PARENT_SCOPE)
  else()
    target_sources(wk_resources PRIVATE ${CMAKE_SOURCE_DIR}/cmake/empty.cpp)
  endif()
endfunction()

# One test executable per folder below tests/ (except support/).
function(wk_add_tests)
  file(GLOB_RECURSE cpps CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/*.cpp)
  set(dirs)
  foreach(f IN LISTS cpps)
    get_filename_component(d ${f} DIRECTORY)
    file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR}/tests ${d})
    if(NOT rel MATCHES "^support")
      list(APPEND dirs ${rel})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES dirs)
  foreach(rel IN LISTS dirs)
    string(REPLACE "/" "_" tname "test_${rel}")
    file(GLOB tsrcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${rel}/*.cpp ${CMAKE_SOURCE_DIR}/tests/${rel}/*.h)
    add_executable(${tname} ${tsrcs})
    target_link_libraries(${tname} PRIVATE wk_testsupport wk_all GTest::gtest GTest::gmock)
    gtest_discover_tests(${tname}
      DISCOVERY_TIMEOUT 60
      PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300)
  endforeach()
endfunction()

# One benchmark program per .cpp in bench/.
function(wk_add_benchmarks)
  file(GLOB benches CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*.cpp)
  foreach(b IN LISTS benches)
    get_filename_component(n ${b} NAME_WE)
    add_executable(bench_${n} ${b})
    target_link_libraries(bench_${n} PRIVATE wk_all benchmark::benchmark SQLite::SQLite3)
  endforeach()
endfunction()
