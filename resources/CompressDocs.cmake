# Run by CPack on the staged files before packing: Debian keeps manual pages
# and change logs gzip-compressed (without a time stamp, so builds repeat).
file(GLOB_RECURSE docs
    "${CPACK_TEMPORARY_DIRECTORY}/nearbell.1"
    "${CPACK_TEMPORARY_DIRECTORY}/changelog.Debian")
foreach(doc IN LISTS docs)
    execute_process(COMMAND gzip -9nf "${doc}" RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "Cannot compress ${doc}")
    endif()
endforeach()
