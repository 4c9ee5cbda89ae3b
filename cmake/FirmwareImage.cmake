# The firmware image every program of this build carries: UPDATER_FIRMWARE (the stored,
# scrambled form; res/firmware.mot unless given). It is checked with the program's own loader
# here, so that configuring names its version and top-area tag and refuses an image the program
# would show as invalid, and again at build time before it is embedded (res/), so that an image
# or a loader changed since is checked too.
#
# The check is check-firmware-image, made from image/ by tools/host with the build machine's
# compiler: it runs in a cross build too, where the build's own programs cannot. A build may
# name an existing one with UPDATER_CHECK_FIRMWARE_IMAGE (the tests' throw-away builds do).
#
# Sets UPDATER_FIRMWARE_FILE (absolute), UPDATER_FIRMWARE_VERSION ("V2.10.07"),
# UPDATER_FIRMWARE_PACKAGE_VERSION ("2.10.07"), UPDATER_FIRMWARE_TAG (hexadecimal),
# UPDATER_RELEASE_VERSION ("1.0.0+fw2.10.07", the packages' version), the command that checks
# the image at build time and what that command depends on.

set(UPDATER_FIRMWARE "${PROJECT_SOURCE_DIR}/res/firmware.mot" CACHE FILEPATH
    "The firmware image the programs carry, in its stored (scrambled) form")
set(UPDATER_CHECK_FIRMWARE_IMAGE "" CACHE FILEPATH
    "An existing check-firmware-image to use instead of building one")
# A relative path counts from the folder cmake was started in, as on its command line.
cmake_path(ABSOLUTE_PATH UPDATER_FIRMWARE BASE_DIRECTORY "$ENV{PWD}" NORMALIZE
           OUTPUT_VARIABLE UPDATER_FIRMWARE_FILE)
if(NOT EXISTS "${UPDATER_FIRMWARE_FILE}" OR IS_DIRECTORY "${UPDATER_FIRMWARE_FILE}")
  message(FATAL_ERROR "UPDATER_FIRMWARE: no image file at ${UPDATER_FIRMWARE_FILE}")
endif()

if(UPDATER_CHECK_FIRMWARE_IMAGE)
  set(firmware_checker "${UPDATER_CHECK_FIRMWARE_IMAGE}")
  set(firmware_check_build "")
else()
  set(host_dir "${CMAKE_BINARY_DIR}/host-tools")
  set(firmware_checker "${host_dir}/check-firmware-image")
  set(host_args -S "${PROJECT_SOURCE_DIR}/tools/host" -B "${host_dir}" -G "${CMAKE_GENERATOR}"
                -DCMAKE_BUILD_TYPE=Release)
  if(CMAKE_CXX_COMPILER_LAUNCHER)
    # The launcher itself (ccache), without what the top level puts in front of it.
    list(GET CMAKE_CXX_COMPILER_LAUNCHER -1 host_launcher)
    list(APPEND host_args "-DCMAKE_CXX_COMPILER_LAUNCHER=${host_launcher}")
  endif()
  # The build machine's own compiler, not the one a toolchain file names for the target.
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=CC --unset=CXX
                          ${CMAKE_COMMAND} ${host_args}
                  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(status EQUAL 0)
    execute_process(COMMAND ${CMAKE_COMMAND} --build "${host_dir}" --target check-firmware-image
                    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  endif()
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "Building check-firmware-image for the build machine failed:\n${output}")
  endif()
  # At build time the tool is brought up to date first: a changed loader checks the image again.
  set(firmware_check_build COMMAND ${CMAKE_COMMAND} --build "${host_dir}" --target
                                   check-firmware-image)
endif()

execute_process(COMMAND "${firmware_checker}" "${UPDATER_FIRMWARE_FILE}"
                        --cmake "${CMAKE_BINARY_DIR}/firmware-image.cmake"
                RESULT_VARIABLE status OUTPUT_VARIABLE report ERROR_VARIABLE reason)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "The firmware image is refused:\n${reason}")
endif()
include("${CMAKE_BINARY_DIR}/firmware-image.cmake")
message(STATUS "Firmware image: ${UPDATER_FIRMWARE_FILE}")
message(STATUS "Firmware image version: ${UPDATER_FIRMWARE_VERSION}, top-area tag: "
               "${UPDATER_FIRMWARE_TAG}")
set(UPDATER_RELEASE_VERSION "${PROJECT_VERSION}+fw${UPDATER_FIRMWARE_PACKAGE_VERSION}")
# Scripts read these from the cache (scripts/windows-package.sh, scripts/release.sh).
set(UPDATER_RELEASE_VERSION_CACHED "${UPDATER_RELEASE_VERSION}" CACHE INTERNAL "")
set(UPDATER_FIRMWARE_PACKAGE_VERSION_CACHED "${UPDATER_FIRMWARE_PACKAGE_VERSION}" CACHE INTERNAL "")
# An image changed in place configures again, so that the names follow it.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${UPDATER_FIRMWARE_FILE}")

file(GLOB loader_sources CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/image/*.cpp"
     "${PROJECT_SOURCE_DIR}/image/*.h")
set(UPDATER_FIRMWARE_CHECK_DEPENDS ${loader_sources} "${PROJECT_SOURCE_DIR}/tools/check_firmware_image.cpp"
    "${PROJECT_SOURCE_DIR}/tools/PackageVersion.cpp")
set(UPDATER_FIRMWARE_CHECKER "${firmware_checker}")
set(UPDATER_FIRMWARE_CHECK ${firmware_check_build}
    COMMAND "${firmware_checker}" "${UPDATER_FIRMWARE_FILE}")

# The versions for the resource scripts of the Windows programs.
configure_file("${CMAKE_CURRENT_LIST_DIR}/updater_version.h.in"
               "${CMAKE_BINARY_DIR}/generated/updater_version.h" @ONLY)
