# A run folder holding a bitmap the distribution no longer ships, a user's
# file with ";" in its name in a folder of its own, and the two files the
# program saved, refreshed: the bitmap and the user's file are gone, the
# saved files are as they were, the script is the distribution's and the
# run folder's own stand-in stays. The refresh names each file it deletes.
#   cmake -DRUN_FOLDER=<cmake/RunFolder.cmake> -DWORK=<scratch folder> -P CheckRunFolder.cmake
file(REMOVE_RECURSE ${WORK})
file(WRITE ${WORK}/dist/Script/Script.xml "new script")
file(WRITE ${WORK}/run/winmm.dll "stand-in")
file(WRITE ${WORK}/run/Script/Script.xml "old script")
file(WRITE ${WORK}/run/Script/classicKnob.bmp "author's, since removed")
file(WRITE ${WORK}/run/Script/SkinID.txt "1")
file(WRITE ${WORK}/run/Script/WindowPosition.txt "main 10 20")
file(WRITE "${WORK}/run/Script/Mine/old;edited.xml" "user's")
# The folders relative to the one the command runs in, as a user types them.
execute_process(COMMAND ${CMAKE_COMMAND} -D FROM=dist -D TO=run -P ${RUN_FOLDER}
                WORKING_DIRECTORY ${WORK} RESULT_VARIABLE result ERROR_VARIABLE printed)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "RunFolder.cmake failed: ${result}")
endif()
string(CONCAT deleted "Deleted ${WORK}/run/Script/Mine/old;edited.xml: the distribution has no such file\n"
                      "Deleted ${WORK}/run/Script/classicKnob.bmp: the distribution has no such file\n")
if(NOT printed STREQUAL deleted)
  message(FATAL_ERROR "The refresh printed\n${printed}not\n${deleted}")
endif()

set(expected "winmm.dll=stand-in" "Script/Script.xml=new script" "Script/SkinID.txt=1"
    "Script/WindowPosition.txt=main 10 20")
if(EXISTS "${WORK}/run/Script/Mine/old;edited.xml")
  message(FATAL_ERROR "The refresh left Script/Mine/old;edited.xml")
endif()
set(found)
file(GLOB_RECURSE files RELATIVE ${WORK}/run ${WORK}/run/*)
foreach(file IN LISTS files)
  file(READ ${WORK}/run/${file} content)
  list(APPEND found "${file}=${content}")
endforeach()
list(SORT expected)
list(SORT found)
if(NOT found STREQUAL expected)
  list(JOIN found "\n  " found)
  list(JOIN expected "\n  " expected)
  message(FATAL_ERROR "The run folder holds\n  ${found}\nnot\n  ${expected}")
endif()
