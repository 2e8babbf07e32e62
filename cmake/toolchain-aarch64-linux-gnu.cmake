# 64-bit ARM (Debian arm64) from an amd64 Debian with Debian's multiarch
# packages: crossbuild-essential-arm64 and the arm64 -dev packages beside the
# amd64 ones (TD_PRESET=package-arm64 scripts/setup installs them). The
# target's headers and libraries are in the usual places, so no sysroot.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(PKG_CONFIG_EXECUTABLE aarch64-linux-gnu-pkg-config CACHE FILEPATH "")

# Qt's moc, uic, rcc and lrelease are the build machine's: Qt finds their
# CMake packages through its host path.
set(QT_HOST_PATH /usr CACHE PATH "")
execute_process(COMMAND dpkg-architecture -qDEB_BUILD_MULTIARCH
    OUTPUT_VARIABLE td_build_multiarch OUTPUT_STRIP_TRAILING_WHITESPACE)
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/${td_build_multiarch}/cmake CACHE PATH "")

# Commands built here run through qemu where it is installed.
find_program(TD_QEMU_AARCH64 NAMES qemu-aarch64-static qemu-aarch64)
if(TD_QEMU_AARCH64)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${TD_QEMU_AARCH64})
endif()
