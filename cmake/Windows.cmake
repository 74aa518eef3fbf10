# The Windows client, cross-built with MinGW-w64 (cmake/windows-toolchain.cmake).
# The same layers and windows as on Linux; each folder's windows/ subfolder
# holds the Windows adapters. A file there replaces the file of the same name
# beside it, and the *_posix.cpp halves of core files are left out.

enable_language(RC)
# -O2 as on Linux: MinGW's GCC 12 warns falsely at -O3 (-Wrestrict inside
# std::string assignments).
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG")
find_package(wxWidgets 3.2 REQUIRED COMPONENTS webview core base)

include(CTest)

add_library(zovaz_wx INTERFACE)
target_include_directories(zovaz_wx SYSTEM INTERFACE ${wxWidgets_INCLUDE_DIRS})
target_compile_definitions(zovaz_wx INTERFACE ${wxWidgets_DEFINITIONS})
target_compile_options(zovaz_wx INTERFACE ${wxWidgets_CXX_FLAGS})
target_link_libraries(zovaz_wx INTERFACE ${wxWidgets_LIBRARIES})

function(zovaz_include_root target folder)
  set(root ${CMAKE_BINARY_DIR}/include/${folder})
  file(MAKE_DIRECTORY ${root})
  if(NOT EXISTS ${root}/${folder})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/src/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  target_include_directories(${target} PUBLIC ${root})
endfunction()

# The sources of src/<folder> for Windows.
function(zovaz_windows_sources out folder)
  file(GLOB common CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${folder}/*.cpp)
  file(GLOB adapters CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${folder}/windows/*.cpp)
  list(FILTER common EXCLUDE REGEX "_posix\\.cpp$")
  foreach(adapter IN LISTS adapters)
    get_filename_component(name ${adapter} NAME)
    list(REMOVE_ITEM common ${CMAKE_SOURCE_DIR}/src/${folder}/${name})
  endforeach()
  set(${out} ${common} ${adapters} PARENT_SCOPE)
endfunction()

zovaz_windows_sources(CORE_SOURCES core)
zovaz_windows_sources(CRYPTO_SOURCES crypto)
zovaz_windows_sources(PLATFORM_SOURCES platform)

# Unicode file and shell calls throughout; nothing of the ANSI code page.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)

add_library(zovaz_core STATIC ${CORE_SOURCES})
zovaz_include_root(zovaz_core core)

add_library(zovaz_crypto STATIC ${CRYPTO_SOURCES})
zovaz_include_root(zovaz_crypto crypto)
target_link_libraries(zovaz_crypto PUBLIC zovaz_core PRIVATE bcrypt)

add_library(zovaz_platform STATIC ${PLATFORM_SOURCES})
zovaz_include_root(zovaz_platform platform)
target_include_directories(zovaz_platform PRIVATE ${CMAKE_BINARY_DIR}/generated)
target_link_libraries(zovaz_platform PUBLIC zovaz_core zovaz_wx
  PRIVATE wininet shell32 advapi32 ole32)

add_library(zovaz_ui STATIC src/Unit1.cpp src/Unit2.cpp src/Unit3.cpp src/exception_report.cpp
  src/failure_log.cpp src/dialog_layout.cpp src/progress_window.cpp src/browsing_extras.cpp)
set(ZOVAZ_WINDOWS_ROOT ${CMAKE_BINARY_DIR}/include/windows)
file(MAKE_DIRECTORY ${ZOVAZ_WINDOWS_ROOT})
file(GLOB WINDOW_HEADERS CONFIGURE_DEPENDS src/*.h)
foreach(header IN LISTS WINDOW_HEADERS)
  get_filename_component(name ${header} NAME)
  if(NOT EXISTS ${ZOVAZ_WINDOWS_ROOT}/${name})
    file(CREATE_LINK ${header} ${ZOVAZ_WINDOWS_ROOT}/${name} SYMBOLIC)
  endif()
endforeach()
target_include_directories(zovaz_ui PUBLIC ${ZOVAZ_WINDOWS_ROOT})
target_link_libraries(zovaz_ui PUBLIC zovaz_platform zovaz_crypto zovaz_core)

# The version resource and the manifest (common controls 6, DPI awareness).
add_executable(zovaz WIN32 src/Project1.cpp data/windows/zovaz.rc)
target_include_directories(zovaz PRIVATE ${wxWidgets_INCLUDE_DIRS})
target_link_libraries(zovaz PRIVATE zovaz_ui)
add_custom_command(TARGET zovaz POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/data/__app $<TARGET_FILE_DIR:zovaz>/__app
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_SOURCE_DIR}/data/app.cfg $<TARGET_FILE_DIR:zovaz>/app.cfg)

if(BUILD_TESTING)
  # GoogleTest from Debian's sources, built with the cross compiler; the
  # suites run under wine (CMAKE_CROSSCOMPILING_EMULATOR).
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  include(GoogleTest)
  if(EXISTS ${CMAKE_SOURCE_DIR}/tests/windows/CMakeLists.txt)
    add_subdirectory(tests/windows)
  endif()
endif()
