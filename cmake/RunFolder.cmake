# Refreshes a folder that a program runs from with its distribution folder:
#
#   cmake -D FROM=<build>/dist/<Program> -D TO=<run folder> -P RunFolder.cmake
#
# Every file of FROM is copied into TO where it differs. TO's Script folder
# then holds exactly what FROM's does plus the two files the program saves
# there itself, the skin (SkinID.txt) and the window positions
# (WindowPosition.txt), which stay as they are. Every other file there
# goes, each named as it goes, also in folders of the user's own: a bitmap
# that the distribution no longer ships leaves the run folder too, and the
# program finds there only what it would find in the zip. TO's other files
# of its own (a stand-in driver beside the program, a control folder) stay.
cmake_minimum_required(VERSION 3.20)
if(NOT IS_DIRECTORY "${FROM}/Script" OR NOT TO)
  message(FATAL_ERROR "usage: cmake -D FROM=<distribution folder with a Script folder> -D TO=<run folder> "
                      "-P ${CMAKE_CURRENT_LIST_FILE}")
endif()

# Relative folders are taken from the folder the command runs in.
get_filename_component(FROM "${FROM}" ABSOLUTE)
get_filename_component(TO "${TO}" ABSOLUTE)
set(saved SkinID.txt WindowPosition.txt)
# The run folder's own files, the user's folders in Script included. A
# list splits a name that holds ";", so the paths are cut apart where a ";"
# comes before the folder: no name holds that, as none holds a "/".
set(folder "${TO}/Script/")
string(LENGTH "${folder}" folder_length)
file(GLOB_RECURSE present "${folder}*")
while(NOT present STREQUAL "")
  string(FIND "${present}" ";${folder}" end)
  if(end EQUAL -1)
    set(path "${present}")
    set(present "")
  else()
    string(SUBSTRING "${present}" 0 ${end} path)
    math(EXPR end "${end} + 1")
    string(SUBSTRING "${present}" ${end} -1 present)
  endif()
  string(SUBSTRING "${path}" ${folder_length} -1 file)
  if(NOT EXISTS "${FROM}/Script/${file}" AND NOT file IN_LIST saved)
    file(REMOVE "${path}")
    message(NOTICE "Deleted ${path}: the distribution has no such file")
  endif()
endwhile()

file(GLOB_RECURSE shipped RELATIVE "${FROM}" "${FROM}/*")
foreach(file IN LISTS shipped)
  # Writes only a file that differs, making its folder as needed.
  configure_file("${FROM}/${file}" "${TO}/${file}" COPYONLY)
endforeach()
