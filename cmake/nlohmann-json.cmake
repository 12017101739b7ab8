# nlohmann-json, the header-only JSON library of tensiloctl's files, as the target
# nlohmann_json::nlohmann_json. A native build finds it as a CMake package: Debian's
# nlohmann-json3-dev on Linux, vcpkg's nlohmann-json with MSVC. The mingw cross build searches only
# below the Windows roots (cmake/mingw-w64-x86_64.cmake), where no such package lies, and must not
# put the host's /usr/include on its include path, where glibc's headers would shadow mingw's:
# there the Debian headers are reached through a folder of the build tree that holds only a link
# to /usr/include/nlohmann.
if(TARGET nlohmann_json::nlohmann_json)
    return()
endif()
if(NOT (CMAKE_CROSSCOMPILING AND MINGW))
    find_package(nlohmann_json 3 REQUIRED)
    return()
endif()

find_path(TENSILO_NLOHMANN_JSON_INCLUDE nlohmann/json.hpp
          PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
set(version_header ${TENSILO_NLOHMANN_JSON_INCLUDE}/nlohmann/detail/abi_macros.hpp)
if(NOT TENSILO_NLOHMANN_JSON_INCLUDE OR NOT EXISTS ${version_header})
    message(FATAL_ERROR "nlohmann-json is missing: install the Debian package nlohmann-json3-dev "
                        "(scripts/install-deps run).")
endif()
file(STRINGS ${version_header} major_line REGEX "^#define NLOHMANN_JSON_VERSION_MAJOR ")
if(NOT major_line MATCHES "NLOHMANN_JSON_VERSION_MAJOR 3( |$)")
    message(FATAL_ERROR "${TENSILO_NLOHMANN_JSON_INCLUDE}/nlohmann is not nlohmann-json 3: "
                        "${major_line}")
endif()
set(link_folder ${CMAKE_BINARY_DIR}/nlohmann-json/include)
file(MAKE_DIRECTORY ${link_folder})
file(CREATE_LINK ${TENSILO_NLOHMANN_JSON_INCLUDE}/nlohmann ${link_folder}/nlohmann SYMBOLIC)
# An imported target's headers are system headers: their warnings are not the project's.
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
set_target_properties(nlohmann_json::nlohmann_json PROPERTIES
                      INTERFACE_INCLUDE_DIRECTORIES ${link_folder})
