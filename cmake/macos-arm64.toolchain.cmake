# Cross build for macOS on Apple silicon from Linux, with Debian's LLVM 19 and a macOS SDK
# (headers and .tbd link stubs). CMake takes its APPLE branch as on a Mac: Darwin platform
# files, the bundle, -mmacosx-version-min.
#
#   NVX_MACOS_SDK     the SDK, the sysroot (default: where scripts/macos-sdk lays it out)
#   NVX_MACOS_PREFIX  the libraries built for the target (simdjson, utf8proc); found first
#
# scripts/check-macos sets both and builds everything.
set(CMAKE_SYSTEM_NAME Darwin)
set(CMAKE_SYSTEM_PROCESSOR arm64)
# Darwin 23: macOS 14, the SDK's system.
set(CMAKE_SYSTEM_VERSION 23.2)

# The defaults are scripts/macos-sdk's and scripts/macos-deps' places.
set(_cache "$ENV{NVX_MACOS_CACHE}")
if(NOT _cache AND NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
  set(_cache "$ENV{XDG_CACHE_HOME}/nvx-macos")
elseif(NOT _cache)
  set(_cache "$ENV{HOME}/.cache/nvx-macos")
endif()
if(NOT NVX_MACOS_SDK)
  set(NVX_MACOS_SDK "${_cache}/sdk/MacOSX14.2.sdk")
endif()
if(NOT NVX_MACOS_PREFIX)
  set(NVX_MACOS_PREFIX "${_cache}/prefix")
endif()
set(NVX_MACOS_SDK "${NVX_MACOS_SDK}" CACHE PATH "macOS SDK used as the sysroot")
set(NVX_MACOS_PREFIX "${NVX_MACOS_PREFIX}" CACHE PATH "Libraries built for the target")
# try_compile projects read this file again; they get the same two places.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES NVX_MACOS_SDK NVX_MACOS_PREFIX)

set(CMAKE_OSX_SYSROOT "${NVX_MACOS_SDK}" CACHE PATH "" FORCE)
set(CMAKE_OSX_ARCHITECTURES arm64 CACHE STRING "" FORCE)

# Full paths: CMake 3.25 does not find versioned LLVM tools by itself.
set(_llvm /usr/lib/llvm-19/bin)
foreach(lang C CXX OBJC OBJCXX)
  set(CMAKE_${lang}_COMPILER_TARGET arm64-apple-darwin)
endforeach()
set(CMAKE_C_COMPILER ${_llvm}/clang)
set(CMAKE_CXX_COMPILER ${_llvm}/clang++)
set(CMAKE_OBJC_COMPILER ${_llvm}/clang)
set(CMAKE_OBJCXX_COMPILER ${_llvm}/clang++)
set(CMAKE_AR ${_llvm}/llvm-ar CACHE FILEPATH "" FORCE)
set(CMAKE_RANLIB ${_llvm}/llvm-ranlib CACHE FILEPATH "" FORCE)
set(CMAKE_INSTALL_NAME_TOOL ${_llvm}/llvm-install-name-tool CACHE FILEPATH "" FORCE)
set(CMAKE_OTOOL ${_llvm}/llvm-otool CACHE FILEPATH "" FORCE)
set(CMAKE_LIPO ${_llvm}/llvm-lipo CACHE FILEPATH "" FORCE)

# ld64.lld; -mlinker-version makes clang pass -platform_version, which ld64.lld requires.
set(_link "-fuse-ld=${_llvm}/ld64.lld -mlinker-version=705")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${_link}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${_link}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${_link}")

# Libraries, headers and packages from the SDK and the prefix only, never the build machine's.
set(CMAKE_FIND_ROOT_PATH "${NVX_MACOS_PREFIX}" "${NVX_MACOS_SDK}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_LIBDIR} "${NVX_MACOS_PREFIX}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
