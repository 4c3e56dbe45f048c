# Builds the kit's setup program (cmake -P), with these variables:
#   CONTENT    the kit tree to install: servers, web application, tools, documentation
#   BUILD_DIR  the build whose "kit" install component (launcher, kit tools) goes over CONTENT
#   STAGE      a folder for the tree as it will be installed (made anew)
#   NSI, OUTFILE, VERSION, LICENSE, ICON, MAKENSIS, SIGN_SCRIPT
#   KIT_SETUP_TOOL  KitSetup.exe, which setup and the uninstaller carry
#   EMULATOR   what runs KitSetup.exe on the build machine (Wine), if it is not Windows
#   OWNED      the kit's own files, as patterns separated by "|" (TOLVANE_KIT_OWNED)
#   EARLIER    a folder of the records of earlier releases (TOLVANE_KIT_EARLIER_RECORDS)
# The file list the setup program unpacks is made here from the staged tree, and beside it the
# setup data KitSetup reads: the record of what it ships (each file's SHA-256), which KitSetup
# compares the kit folder with, the kit's own files, and the records of earlier releases.
# With TOLVANE_SIGN_CERT set in the environment, SIGN_SCRIPT signs the launcher, the kit's tool,
# KitSetup, the setup program and the uninstaller it writes (cmake/kit-signing.cmake says when).

if(NOT MAKENSIS)
  message(FATAL_ERROR "makensis (NSIS 3) is needed to build the setup program: apt-get install nsis")
endif()
if(NOT IS_DIRECTORY "${CONTENT}")
  message(FATAL_ERROR "The kit content folder ${CONTENT} (TOLVANE_KIT_CONTENT) does not exist")
endif()
include("${CMAKE_CURRENT_LIST_DIR}/../../cmake/kit-signing.cmake")
tolvane_kit_signs(signing "the setup program")
if(signing AND NOT EXISTS "${SIGN_SCRIPT}")
  message(FATAL_ERROR "TOLVANE_SIGN_CERT is set, but there is no ${SIGN_SCRIPT} to sign with")
endif()

file(REMOVE_RECURSE "${STAGE}" "${STAGE}-tool" "${STAGE}-data")
file(MAKE_DIRECTORY "${STAGE}")
# KitSetup goes into setup from a copy, which is signed when the build signs.
file(COPY "${KIT_SETUP_TOOL}" DESTINATION "${STAGE}-tool")
get_filename_component(kit_setup_tool "${KIT_SETUP_TOOL}" NAME)
set(kit_setup_tool "${STAGE}-tool/${kit_setup_tool}")
file(COPY "${CONTENT}/" DESTINATION "${STAGE}")
# The launcher and the servers write these on the user's computer; a copy from a kit that was run
# from would carry another computer's settings, logs and process ids, and would be taken for the
# user's own files on a reinstall.
file(GLOB_RECURSE written_while_running "${STAGE}/*.log" "${STAGE}/*.pid")
file(REMOVE "${STAGE}/tools/config.txt" "${STAGE}/tools/javaversion.txt" ${written_while_running})
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --component kit --prefix "${STAGE}"
                OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
if(signing)
  # The launcher and the kit's tool are signed as in the kit zip, and so is KitSetup, which setup
  # runs on the user's computer; the kit's other content is installed as the kit maker gave it.
  execute_process(COMMAND bash "${SIGN_SCRIPT}" "${STAGE}/TolvaneChat.exe"
                          "${STAGE}/tools/RegisterEnvironmentVariable/RegisterEnvironmentVariable.exe"
                          "${kit_setup_tool}"
                  COMMAND_ERROR_IS_FATAL ANY)
endif()

file(GLOB_RECURSE entries LIST_DIRECTORIES true RELATIVE "${STAGE}" "${STAGE}/*")
list(SORT entries)
# Setup unpacks every file into the staging folder of the kit folder; KitSetup then puts each in
# its place, or beside a file the user changed.
set(install_lines "!macro InstallKitFiles\n")
set(record "")
set(bytes 0)
set(last_folder "-")
foreach(entry IN LISTS entries)
  string(REPLACE "/" "\\" windows_path "${entry}")
  if(IS_DIRECTORY "${STAGE}/${entry}")
    string(APPEND record "${windows_path}\\\n")
    continue()
  endif()
  file(SHA256 "${STAGE}/${entry}" hash)
  string(APPEND record "${hash}  ${windows_path}\n")
  get_filename_component(folder "${entry}" DIRECTORY)
  string(REPLACE "/" "\\" folder "${folder}")
  string(REPLACE "$" "$$" folder "${folder}")
  if(NOT folder STREQUAL last_folder)
    set(last_folder "${folder}")
    if(folder STREQUAL "")
      string(APPEND install_lines "  SetOutPath \"$INSTDIR\\$Staging\"\n")
    else()
      string(APPEND install_lines "  SetOutPath \"$INSTDIR\\$Staging\\${folder}\"\n")
    endif()
  endif()
  string(APPEND install_lines "  File \"${STAGE}/${entry}\"\n")
  file(SIZE "${STAGE}/${entry}" size)
  math(EXPR bytes "${bytes} + ${size}")
endforeach()
math(EXPR kilobytes "(${bytes} + 1023) / 1024")
set(data "${STAGE}-data")
file(WRITE "${data}/shipped.txt" "${record}")
string(REPLACE "|" "\n" owned "${OWNED}")
file(WRITE "${data}/owned.txt" "${owned}\n")
set(data_lines "!macro UnpackSetupData\n  SetOutPath \"$PLUGINSDIR\\data\"\n")
string(APPEND data_lines "  File \"${data}/shipped.txt\"\n  File \"${data}/owned.txt\"\n")
string(APPEND data_lines "  SetOutPath \"$PLUGINSDIR\\data\\earlier\"\n")
file(GLOB earlier_records "${EARLIER}/*.txt")
list(SORT earlier_records)
foreach(earlier IN LISTS earlier_records)
  file(COPY "${earlier}" DESTINATION "${data}/earlier")
  get_filename_component(name "${earlier}" NAME)
  string(APPEND data_lines "  File \"${data}/earlier/${name}\"\n")
endforeach()
file(WRITE "${STAGE}-files.nsh"
  "; The kit's files and the setup data, listed from ${STAGE} by make-installer.cmake.\n"
  "!define KIT_SIZE_KB ${kilobytes}\n"
  "${install_lines}!macroend\n${data_lines}!macroend\n")

# Names Windows cannot hold (NUL, aux.php, a trailing dot, two names that differ only in letter
# case) would make every install fail: KitSetup judges them as it will on the user's computer.
set(problem_file "${STAGE}-problem.txt")
if(EMULATOR)
  string(REPLACE "/" "\\" native_data "Z:${data}")
  string(REPLACE "/" "\\" native_problem "Z:${problem_file}")
else()
  file(TO_NATIVE_PATH "${data}" native_data)
  file(TO_NATIVE_PATH "${problem_file}" native_problem)
endif()
file(REMOVE "${problem_file}")
execute_process(COMMAND ${EMULATOR} "${kit_setup_tool}" verify "${native_data}" "${native_problem}"
                RESULT_VARIABLE verified OUTPUT_FILE "${STAGE}-verify.log" ERROR_FILE "${STAGE}-verify.log")
if(NOT verified EQUAL 0)
  set(problem "KitSetup verify ended with ${verified}")
  if(EXISTS "${problem_file}")
    file(READ "${problem_file}" problem)
  endif()
  message(FATAL_ERROR "The kit in ${CONTENT} can not be installed on Windows: ${problem}")
endif()

set(defines -DVERSION=${VERSION} -DOUTFILE=${OUTFILE} -DLICENSE=${LICENSE} -DICON=${ICON}
            -DKIT_FILES=${STAGE}-files.nsh
            -DKIT_SETUP_TOOL=${kit_setup_tool})
if(signing)
  list(APPEND defines -DSIGN_SCRIPT=${SIGN_SCRIPT})
endif()
execute_process(COMMAND "${MAKENSIS}" -V2 -WX -INPUTCHARSET UTF8 ${defines} "${NSI}"
                OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "makensis failed:\n${output}")
endif()
