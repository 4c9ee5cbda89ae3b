# Runs check-firmware-image, the build's check of its image, on one image and compares its
# verdict with the expected one.
#   cmake -DCHECKER=tool -DSCRAMBLER=scramble-image -DPLAIN=file.srec [-DSTORED=ON]
#         -DEXPECT=taken|refused -DTEXT=words -DWORK=dir -P CheckImage.cmake
# PLAIN is turned into the stored form first, unless STORED=OFF hands it over as it is.
file(MAKE_DIRECTORY "${WORK}")
set(image "${PLAIN}")
if(NOT DEFINED STORED OR STORED)
  set(image "${WORK}/image.mot")
  execute_process(COMMAND "${SCRAMBLER}" "${PLAIN}" "${image}" RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "could not make the stored image from ${PLAIN}")
  endif()
endif()
execute_process(COMMAND "${CHECKER}" "${image}" RESULT_VARIABLE status OUTPUT_VARIABLE out
                ERROR_VARIABLE err)
message("exit status ${status}\n${out}${err}")
if(EXPECT STREQUAL "taken")
  if(NOT status EQUAL 0 OR NOT out MATCHES "${TEXT}")
    message(FATAL_ERROR "the image should be taken, with \"${TEXT}\" in the report")
  endif()
else()
  if(NOT status EQUAL 1 OR NOT err MATCHES "not valid for this model" OR NOT err MATCHES "${TEXT}")
    message(FATAL_ERROR "the image should be refused with the reason \"${TEXT}\"")
  endif()
endif()
