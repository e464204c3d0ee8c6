# cmake -DPROGRAMS=<dir> -P check-win32-programs.cmake: fails, naming what is missing and how
# to make it, unless <dir> holds the win32 build's programs that the 64-bit setup carries
# beside its own and the mixed-size and registration tests run.
foreach(file quorforce.dll quortest.exe quorpanel.exe quorpage.dll)
  if(NOT EXISTS "${PROGRAMS}/${file}")
    message(FATAL_ERROR
            "The win32 build's ${file} is not in QF_WIN32_PROGRAMS (${PROGRAMS}). Build the "
            "win32 preset first (cmake --preset win32 && cmake --build --preset win32), or "
            "configure this build with -DQF_WIN32_PROGRAMS=<the win32 build's bin folder>.")
  endif()
endforeach()
