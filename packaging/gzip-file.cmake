# Compresses one file the way Debian packages ship manual pages and changelogs: `gzip -9n`,
# the best compression and neither the file's name nor its time in the header, so every
# build makes the same bytes.
#
#   cmake -DGZIP=/bin/gzip -DINPUT=file -DOUTPUT=file.gz -P gzip-file.cmake
execute_process(COMMAND ${GZIP} -9n -c ${INPUT} OUTPUT_FILE ${OUTPUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(REMOVE ${OUTPUT})
  message(FATAL_ERROR "gzip could not compress ${INPUT}")
endif()
