# Each folder of the sources is globbed, so a new file needs no edit here.
# A folder without sources yet produces no target.
function(taruk_glob_with mode out)
  set(files)
  foreach(dir IN LISTS ARGN)
    file(${mode} found CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/${dir}/*.cpp")
    list(APPEND files ${found})
  endforeach()
  set(${out} ${files} PARENT_SCOPE)
endfunction()

function(taruk_glob out)
  taruk_glob_with(GLOB files ${ARGN})
  set(${out} ${files} PARENT_SCOPE)
endfunction()

# A folder and all its subfolders (the core, whose subfolders are its subsystems).
function(taruk_glob_tree out)
  taruk_glob_with(GLOB_RECURSE files ${ARGN})
  set(${out} ${files} PARENT_SCOPE)
endfunction()
