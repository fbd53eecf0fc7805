# SPDX-License-Identifier: GPL-3.0-or-later
# cmake -DGZIP=gzip -DINPUT=file -DOUTPUT=file.gz -P gzip.cmake
# Writes OUTPUT whole or not at all, so a failed build leaves no half file to install.
execute_process(COMMAND ${GZIP} -9 -n -c ${INPUT} OUTPUT_FILE ${OUTPUT}.tmp RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    file(REMOVE ${OUTPUT}.tmp)
    message(FATAL_ERROR "gzip ${INPUT} failed: ${status}")
endif()
file(RENAME ${OUTPUT}.tmp ${OUTPUT})
