# Cross toolchain for the 32-bit tests. GoogleTest needs std::mutex, which
# only the posix-thread variant of mingw's compilers has; the deliverable
# keeps the plain one (cmake/mingw-i686.cmake), so what ships is not
# changed by how it is tested.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686.cmake)
set(CMAKE_C_COMPILER ${TOOL_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOOL_PREFIX}-g++-posix)
