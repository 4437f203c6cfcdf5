# Third-party libraries built for the target by scripts/setup.sh (or by hand on Windows) into one prefix.
if(DEFINED ENV{VELIN_CACHE})
  set(velin_default_prefix "$ENV{VELIN_CACHE}/prefix")
elseif(DEFINED ENV{HOME})
  set(velin_default_prefix "$ENV{HOME}/.cache/velin/prefix")
endif()
set(VELIN_DEPS_PREFIX "${velin_default_prefix}" CACHE PATH "Prefix holding minizip, Crypto++ and pugixml for the target")

find_package(ZLIB REQUIRED)

find_library(MINIZIP_LIB NAMES minizip PATHS ${VELIN_DEPS_PREFIX}/lib NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
find_path(MINIZIP_INCLUDE minizip/zip.h PATHS ${VELIN_DEPS_PREFIX}/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT MINIZIP_LIB OR NOT MINIZIP_INCLUDE)
  message(FATAL_ERROR "minizip not found under VELIN_DEPS_PREFIX=${VELIN_DEPS_PREFIX}; run scripts/setup.sh")
endif()
add_library(velin_minizip INTERFACE)
target_link_libraries(velin_minizip INTERFACE ${MINIZIP_LIB} ZLIB::ZLIB)
target_include_directories(velin_minizip INTERFACE ${MINIZIP_INCLUDE})

find_library(CRYPTOPP_LIB NAMES cryptopp PATHS ${VELIN_DEPS_PREFIX}/lib NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
find_path(CRYPTOPP_INCLUDE cryptopp/aes.h PATHS ${VELIN_DEPS_PREFIX}/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT CRYPTOPP_LIB OR NOT CRYPTOPP_INCLUDE)
  message(FATAL_ERROR "Crypto++ not found under VELIN_DEPS_PREFIX=${VELIN_DEPS_PREFIX}; run scripts/setup.sh")
endif()
add_library(velin_cryptopp INTERFACE)
target_link_libraries(velin_cryptopp INTERFACE ${CRYPTOPP_LIB})
target_include_directories(velin_cryptopp INTERFACE ${CRYPTOPP_INCLUDE})

set(VELIN_PUGIXML_DIR ${VELIN_DEPS_PREFIX}/include/pugixml)
