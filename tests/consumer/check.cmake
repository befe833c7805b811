# The installed-package check, one step per ctest test (see tests/CMakeLists.txt):
#   cmake -DSTEP=install|find_package|pkg_config -D... -P check.cmake
# install       installs the build into WORK_DIR/staging, moves that to WORK_DIR/prefix and
#               checks what arrived: the libraries, the package files and only the headers a
#               host includes (none from a detail/ folder, none that includes a header that is
#               not installed)
# find_package  configures, builds and runs this folder's project against the prefix, and
#               compiles every installed header alone
# pkg_config    compiles main.cpp with nothing but what `pkg-config --cflags --libs` gives
# Both of the last two also build and run, the same way, the programs that DOC_PROGRAM makes
# of the C++ blocks of the user documentation (README.md and docs/*.md), and compare what they
# print with the documentation's output blocks.
cmake_minimum_required(VERSION 3.25)

set(staging "${WORK_DIR}/staging")
set(prefix "${WORK_DIR}/prefix")

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    list(JOIN ARGN " " command)
    message(FATAL_ERROR "failed (${rc}): ${command}")
  endif()
endfunction()

# The consumer prints the degree of two speeds; both are exact on the point lists it defines.
function(run_consumer program)
  execute_process(COMMAND "${program}" RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(expected "slow(20) = 0.50\nfast(80) = 0.50\n")
  if(NOT rc EQUAL 0 OR NOT out STREQUAL expected)
    message(FATAL_ERROR "${program} ended with ${rc}, printed\n${out}${err}expected\n${expected}")
  endif()
  message(STATUS "${program}:\n${out}")
endfunction()

# Writes into DIR a program of each documentation file's C++ blocks and what its output blocks
# show; sets VAR to the list of the programs' sources.
function(extract_doc_programs dir var)
  file(REMOVE_RECURSE "${dir}")
  file(GLOB docs "${TARNWICK_SOURCE_DIR}/README.md" "${TARNWICK_SOURCE_DIR}/docs/*.md")
  foreach(doc ${docs})
    run("${DOC_PROGRAM}" extract "${doc}" "${dir}")
  endforeach()
  file(GLOB sources "${dir}/*.cpp")
  if(NOT sources)
    message(FATAL_ERROR "no C++ blocks in ${docs}")
  endif()
  set(${var} "${sources}" PARENT_SCOPE)
endfunction()

# Runs the program of SOURCE's blocks and compares its output with theirs.
function(run_doc_program program source)
  get_filename_component(name "${source}" NAME_WE)
  get_filename_component(dir "${source}" DIRECTORY)
  execute_process(COMMAND "${program}" RESULT_VARIABLE rc OUTPUT_FILE "${dir}/${name}.printed" ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    file(READ "${dir}/${name}.printed" out)
    message(FATAL_ERROR "${program} ended with ${rc}, printed\n${out}${err}")
  endif()
  run("${DOC_PROGRAM}" compare "${dir}/${name}.out" "${dir}/${name}.printed")
  message(STATUS "${program}: prints what the documentation shows")
endfunction()

if(STEP STREQUAL "install")
  unset(ENV{DESTDIR})  # which would send the files elsewhere
  file(REMOVE_RECURSE "${staging}" "${prefix}")
  run("${CMAKE_COMMAND}" --install "${TARNWICK_BUILD_DIR}" --prefix "${staging}" --config "${CONFIG}")
  # Moved after installing, the prefix only works if nothing in it names where it was put.
  file(RENAME "${staging}" "${prefix}")
  foreach(file
      "${INCLUDEDIR}/tarnwick/Tarnwick.h"
      "${INCLUDEDIR}/tarnwick/platform/Export.h"
      "${LIBDIR}/libtarnwick.so.0"
      "${LIBDIR}/libtarnwick_common.so.0"
      "${LIBDIR}/libtarnwick_platform.so.0"
      "${LIBDIR}/libtarnwick.so"
      "${LIBDIR}/cmake/Tarnwick/TarnwickConfig.cmake"
      "${LIBDIR}/cmake/Tarnwick/TarnwickConfigVersion.cmake"
      "${LIBDIR}/pkgconfig/tarnwick.pc")
    if(NOT EXISTS "${prefix}/${file}")
      message(FATAL_ERROR "not installed: ${file}")
    endif()
  endforeach()
  # The headers of detail/ folders are the library's own; an installed header that included one
  # (or any other header that is not installed) would not compile in a host.
  set(include_dir "${prefix}/${INCLUDEDIR}")
  file(GLOB_RECURSE headers LIST_DIRECTORIES false RELATIVE "${include_dir}" "${include_dir}/tarnwick/*")
  foreach(header ${headers})
    if(header MATCHES "(^|/)detail/")
      message(FATAL_ERROR "an internal header is installed: ${header}")
    endif()
    file(STRINGS "${include_dir}/${header}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]tarnwick/")
    foreach(line ${lines})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[\"<]([^\">]*)[\">].*$" "\\1" included "${line}")
      if(NOT EXISTS "${include_dir}/${included}")
        message(FATAL_ERROR "${header} includes ${included}, which is not installed")
      endif()
    endforeach()
  endforeach()

  file(GLOB_RECURSE text_files "${prefix}/*.cmake" "${prefix}/*.pc")
  foreach(file ${text_files})
    file(READ "${file}" text)
    foreach(path "${staging}" "${TARNWICK_BUILD_DIR}" "${TARNWICK_SOURCE_DIR}")
      string(FIND "${text}" "${path}" at)
      if(NOT at EQUAL -1)
        message(FATAL_ERROR "${file} names the absolute path ${path}")
      endif()
    endforeach()
  endforeach()

elseif(STEP STREQUAL "find_package")
  set(build "${WORK_DIR}/find_package")
  file(REMOVE_RECURSE "${build}")
  extract_doc_programs("${WORK_DIR}/find_package-docs" doc_sources)
  run("${CMAKE_COMMAND}" -S "${CMAKE_CURRENT_LIST_DIR}" -B "${build}" -G "${GENERATOR}"
      "-DTARNWICK_DOC_DIR=${WORK_DIR}/find_package-docs"
      "-DCMAKE_BUILD_TYPE=${CONFIG}"
      "-DCMAKE_CXX_COMPILER=${CXX}"
      "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}"
      "-DCMAKE_EXE_LINKER_FLAGS=${EXE_LINKER_FLAGS}"
      "-DCMAKE_PREFIX_PATH=${prefix}"
      -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF
      -DTARNWICK_CONSUMER_HEADERS=ON)
  file(STRINGS "${build}/CMakeCache.txt" found REGEX "^Tarnwick_DIR:")
  if(NOT found STREQUAL "Tarnwick_DIR:PATH=${prefix}/${LIBDIR}/cmake/Tarnwick")
    message(FATAL_ERROR "found another Tarnwick package: ${found}")
  endif()
  run("${CMAKE_COMMAND}" --build "${build}" --config "${CONFIG}")
  set(bin "${build}")
  if(EXISTS "${build}/${CONFIG}/tarnwick_consumer")
    set(bin "${build}/${CONFIG}")
  endif()
  run_consumer("${bin}/tarnwick_consumer")
  foreach(source ${doc_sources})
    get_filename_component(name "${source}" NAME_WE)
    run_doc_program("${bin}/tarnwick_doc_${name}" "${source}")
  endforeach()

elseif(STEP STREQUAL "pkg_config")
  set(build "${WORK_DIR}/pkg_config")
  file(REMOVE_RECURSE "${build}")
  file(MAKE_DIRECTORY "${build}")
  set(ENV{PKG_CONFIG_PATH} "${prefix}/${LIBDIR}/pkgconfig")
  execute_process(COMMAND "${PKG_CONFIG}" --cflags --libs tarnwick
    RESULT_VARIABLE rc OUTPUT_VARIABLE pc_flags OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "pkg-config does not find tarnwick in $ENV{PKG_CONFIG_PATH}")
  endif()
  execute_process(COMMAND "${PKG_CONFIG}" --variable=libdir tarnwick
    OUTPUT_VARIABLE libdir OUTPUT_STRIP_TRAILING_WHITESPACE)
  message(STATUS "pkg-config --cflags --libs tarnwick: ${pc_flags}")
  separate_arguments(pc_flags UNIX_COMMAND "${pc_flags}")
  separate_arguments(cxx_flags UNIX_COMMAND "${CXX_FLAGS}")
  separate_arguments(linker_flags UNIX_COMMAND "${EXE_LINKER_FLAGS}")
  # The rpath is how this check finds the libraries at run time; a host has its own way.
  run("${CXX}" ${CXX_STANDARD_FLAG} ${cxx_flags} "${CMAKE_CURRENT_LIST_DIR}/main.cpp" ${pc_flags}
      ${linker_flags} "-Wl,-rpath,${libdir}" -o "${build}/tarnwick_consumer")
  run_consumer("${build}/tarnwick_consumer")
  extract_doc_programs("${build}/docs" doc_sources)
  foreach(source ${doc_sources})
    get_filename_component(name "${source}" NAME_WE)
    run("${CXX}" ${CXX_STANDARD_FLAG} ${cxx_flags} -Wall -Wextra -Wpedantic -Werror "${source}" ${pc_flags}
        ${linker_flags} "-Wl,-rpath,${libdir}" -o "${build}/tarnwick_doc_${name}")
    run_doc_program("${build}/tarnwick_doc_${name}" "${source}")
  endforeach()

else()
  message(FATAL_ERROR "unknown STEP '${STEP}'")
endif()
